#ifndef TARNWICK_SCRIPT_SECTION_HEADER_H_
#define TARNWICK_SCRIPT_SECTION_HEADER_H_

#include <string>

#include "script/script_line.h"

// A line "[name]", optionally followed by '?' and an option list. It opens a
// section: the lines after it take their options from it where they give
// none themselves.
class SectionHeader : public OptionedLine {
 public:
  SectionHeader() : OptionedLine(Header) {}

  // Sets the header up from its (substituted) text. The options are parsed
  // before the brackets are checked, so an option error wins over
  // SectionHeaderException "Malformed section header: " + text.
  void parse(const std::string& text, int lineNumber);

  // The name between the brackets, trimmed; lower-cased (A-Z) for a
  // predefined section, as written for a registry-value section, whose name
  // is a key path.
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

#endif  // TARNWICK_SCRIPT_SECTION_HEADER_H_
