#include "script/script_line.h"

#include "script/section_header.h"
#include "script/utils.h"

void ScriptLine::setUp(const std::string& text, int lineNumber, const SectionHeader* section) {
  text_ = text;
  lineNumber_ = lineNumber;
  section_ = section;
}

BlankLine::BlankLine(const std::string& text, int lineNumber, const SectionHeader* section)
    : ScriptLine(Blank) {
  setUp(text, lineNumber, section);
}

CommentLine::CommentLine(const std::string& text, int lineNumber, const SectionHeader* section)
    : ScriptLine(Comment) {
  setUp(text, lineNumber, section);
}

void OptionedLine::parseOptioned(const std::string& text, int lineNumber,
                                 const SectionHeader* section) {
  setUp(text, lineNumber, section);
  std::string body;
  std::string optionText;
  Utils::splitLast(text, '?', &body, &optionText);
  body_ = Utils::trim(body);
  optionText_ = Utils::trim(optionText);
  options_.parseOptions(optionText_);
}

// Sections are not nested, so the recursion through section() visits at most
// the header before it reaches the default.
int OptionedLine::constOption(OptionId id) const {
  if (options_.isDefined(id)) return options_.constSetting(id);
  if (section() != nullptr) return section()->constOption(id);
  return OptionsTable::defaultConstSetting(id);
}

std::string OptionedLine::stringOption(OptionId id) const {
  if (options_.isDefined(id)) return options_.stringSetting(id);
  if (section() != nullptr) return section()->stringOption(id);
  return OptionsTable::defaultStringSetting(id);
}

void NameValueLine::parseNameValue(const std::string& text, int lineNumber,
                                   const SectionHeader* section) {
  parseOptioned(text, lineNumber, section);
  std::string name;
  std::string value;
  if (!Utils::splitFirst(body(), '=', &name, &value)) {
    value = name;
    name.clear();
  }
  name_ = Utils::trim(name);
  value_ = Utils::trim(value);
}

void InstructionLine::parse(const std::string& text, int lineNumber, const SectionHeader* section) {
  parseNameValue(text, lineNumber, section);
}

bool isBlankLine(const std::string& text) { return Utils::trim(text).empty(); }

bool isCommentLine(const std::string& text) {
  std::string trimmed = Utils::trim(text);
  return !trimmed.empty() && trimmed[0] == ';';
}

bool isSectionHeaderLine(const std::string& text) {
  std::string trimmed = Utils::trim(text);
  return trimmed.size() >= 2 && trimmed[0] == '[';
}

namespace {

bool isAliasesSection(const SectionHeader* section) {
  return section != nullptr && section->name() == "aliases";
}

bool isOtherKind(const std::string& text) {
  return isBlankLine(text) || isCommentLine(text) || isSectionHeaderLine(text);
}

}  // namespace

bool isInstructionLine(const std::string& text, const SectionHeader* section) {
  return !isOtherKind(text) && !isAliasesSection(section);
}

bool isAliasLine(const std::string& text, const SectionHeader* section) {
  return !isOtherKind(text) && isAliasesSection(section);
}
