#ifndef TARNWICK_ALIAS_ALIAS_LINE_H_
#define TARNWICK_ALIAS_ALIAS_LINE_H_

#include <string>

#include "script/script_line.h"

// A line of the "aliases" section, written name = setting ? options. Its
// alias_type option (line, then section, then "static") says how the
// setting becomes the alias's value: taken literally, read from the
// registry, cleaned up as a path, tested for existence, lower-cased,
// compared, or evaluated as a postfix expression.
class AliasLine : public NameValueLine {
 public:
  AliasLine() : NameValueLine(Alias) {}

  // Sets the line up from its (substituted) text and evaluates it. Throws
  // what the options table, the registry or the postfix evaluator throw, and
  // AliasLineException for a malformed registry location.
  void parse(const std::string& text, int lineNumber, const SectionHeader* section);

  // Sets the line up from its text without evaluating it (for a reader that
  // must not touch the machine). Throws what the options table throws.
  void parseForm(const std::string& text, int lineNumber, const SectionHeader* section);

  // Computes the value from the setting by the line's effective alias_type.
  void evaluate();

  // The alias's value; empty until evaluated.
  const std::string& evaluatedValue() const { return evaluatedValue_; }

  // Splits "[key path]" or "[key path]:value name" at the last ':'; both
  // parts trimmed, the brackets removed from the key. Throws
  // AliasLineException "Registry key is missing surrounding []: " + the
  // trimmed key part when the brackets are missing.
  static void parseRegistryLocation(const std::string& setting, std::string* key,
                                    std::string* valueName);

  // The key path of a "regkeyexists" setting: a registry location without a
  // value name. Throws as parseRegistryLocation, and AliasLineException "Only
  // the registry key should be specified: " + setting for a value name.
  static std::string registryKeyOf(const std::string& setting);

  // The pure alias types, by their rules: the setting cleaned up as a path
  // ("makepath"), and whether all its comma-separated items are equal
  // ("compare").
  static std::string makePath(const std::string& setting);
  static bool itemsAllEqual(const std::string& setting);

 private:
  std::string evaluatedValue_;
};

#endif  // TARNWICK_ALIAS_ALIAS_LINE_H_
