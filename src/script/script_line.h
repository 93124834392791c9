#ifndef TARNWICK_SCRIPT_SCRIPT_LINE_H_
#define TARNWICK_SCRIPT_SCRIPT_LINE_H_

#include <cstdint>
#include <string>

#include "script/options_table.h"

class SectionHeader;

// What a script line is; the engine tests these numbers.
enum LineKind : int32_t { Blank = 0, Comment = 1, Header = 2, Instruction = 3, Alias = 4 };

// One line of the script as read: its text after alias substitution
// (untrimmed, without the line end), its 1-based number and the section that
// was current when it was read (none before the first header, and none for
// headers themselves). Line objects are owned by the ScriptFile that made
// them; it keeps the one it handed out last and the header of its section
// (see ScriptFile::nextLine). Setting a line up again makes it another line.
class ScriptLine {
 public:
  virtual ~ScriptLine() = default;
  ScriptLine(const ScriptLine&) = delete;
  ScriptLine& operator=(const ScriptLine&) = delete;

  LineKind kind() const { return kind_; }
  const std::string& text() const { return text_; }
  int lineNumber() const { return lineNumber_; }
  const SectionHeader* section() const { return section_; }

 protected:
  explicit ScriptLine(LineKind kind) : kind_(kind) {}
  void setUp(const std::string& text, int lineNumber, const SectionHeader* section);

 private:
  LineKind kind_;
  std::string text_;
  int lineNumber_ = -1;
  const SectionHeader* section_ = nullptr;
};

class BlankLine : public ScriptLine {
 public:
  BlankLine() : ScriptLine(Blank) {}
  BlankLine(const std::string& text, int lineNumber, const SectionHeader* section);
  void parse(const std::string& text, int lineNumber, const SectionHeader* section);
};

class CommentLine : public ScriptLine {
 public:
  CommentLine() : ScriptLine(Comment) {}
  CommentLine(const std::string& text, int lineNumber, const SectionHeader* section);
  void parse(const std::string& text, int lineNumber, const SectionHeader* section);
};

// A line that may carry an option list after its last '?'. Its effective
// settings come from its own options, then from its section header's, then
// from the defaults.
class OptionedLine : public ScriptLine {
 public:
  // Trimmed text before and after the last '?'.
  const std::string& body() const { return body_; }
  const std::string& optionText() const { return optionText_; }
  const OptionsTable& options() const { return options_; }

  // The effective setting code of a constant option.
  int constOption(OptionId id) const;
  // The effective setting of a string option.
  std::string stringOption(OptionId id) const;

 protected:
  explicit OptionedLine(LineKind kind) : ScriptLine(kind) {}
  // Stores the line, splits it at its last '?' and parses the options;
  // throws OptionsTableException for a bad option list.
  void parseOptioned(const std::string& text, int lineNumber, const SectionHeader* section);

 private:
  std::string body_;
  std::string optionText_;
  OptionsTable options_;
};

// A line written name=value: the body split at its first '=', both parts
// trimmed. Without '=' the name is empty and the value is the whole body.
class NameValueLine : public OptionedLine {
 public:
  const std::string& name() const { return name_; }
  const std::string& value() const { return value_; }

 protected:
  explicit NameValueLine(LineKind kind) : OptionedLine(kind) {}
  void parseNameValue(const std::string& text, int lineNumber, const SectionHeader* section);

 private:
  std::string name_;
  std::string value_;
};

// A line of any section but "aliases".
class InstructionLine : public NameValueLine {
 public:
  InstructionLine() : NameValueLine(Instruction) {}
  void parse(const std::string& text, int lineNumber, const SectionHeader* section);
};

// The line tests, in the order classification applies them.
bool isBlankLine(const std::string& text);
bool isCommentLine(const std::string& text);
bool isSectionHeaderLine(const std::string& text);
// `section` is the current section, or null before the first header.
bool isInstructionLine(const std::string& text, const SectionHeader* section);
bool isAliasLine(const std::string& text, const SectionHeader* section);

// A line that is neither blank, comment nor header must follow a header:
// throws ScriptFileException "All instruction lines must be contained within
// a section: " + text when `section` is null.
void requireSection(const std::string& text, const SectionHeader* section);

#endif  // TARNWICK_SCRIPT_SCRIPT_LINE_H_
