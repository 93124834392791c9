#include "script/script_line.h"

#include <string_view>

#include "driver/throwable.h"
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

void BlankLine::parse(const std::string& text, int lineNumber, const SectionHeader* section) {
  setUp(text, lineNumber, section);
}

CommentLine::CommentLine(const std::string& text, int lineNumber, const SectionHeader* section)
    : ScriptLine(Comment) {
  setUp(text, lineNumber, section);
}

void CommentLine::parse(const std::string& text, int lineNumber, const SectionHeader* section) {
  setUp(text, lineNumber, section);
}

void OptionedLine::parseOptioned(const std::string& text, int lineNumber,
                                 const SectionHeader* section) {
  setUp(text, lineNumber, section);
  // Split at the last '?' (Utils::splitLast), then trimmed.
  std::string_view whole(text);
  // Most lines have no '?': the forward search is the fast one.
  const size_t mark =
      whole.find('?') == std::string_view::npos ? std::string_view::npos : whole.rfind('?');
  std::string_view body = whole.substr(0, mark);
  std::string_view optionText =
      mark == std::string::npos ? std::string_view() : whole.substr(mark + 1);
  // Assigned, not built anew: a line object set up again keeps its storage.
  const std::string_view trimmedBody = Utils::trimmedView(body);
  const std::string_view trimmedOptions = Utils::trimmedView(optionText);
  body_.assign(trimmedBody.data(), trimmedBody.size());
  optionText_.assign(trimmedOptions.data(), trimmedOptions.size());
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
  // Split at the first '=' (Utils::splitFirst); without one, the whole body
  // is the value.
  std::string_view body(this->body());
  const size_t mark = body.find('=');
  std::string_view name = mark == std::string::npos ? std::string_view() : body.substr(0, mark);
  std::string_view value = mark == std::string::npos ? body : body.substr(mark + 1);
  const std::string_view trimmedName = Utils::trimmedView(name);
  const std::string_view trimmedValue = Utils::trimmedView(value);
  name_.assign(trimmedName.data(), trimmedName.size());
  value_.assign(trimmedValue.data(), trimmedValue.size());
}

void InstructionLine::parse(const std::string& text, int lineNumber, const SectionHeader* section) {
  parseNameValue(text, lineNumber, section);
}

bool isBlankLine(const std::string& text) { return Utils::trimmedView(text).empty(); }

bool isCommentLine(const std::string& text) {
  std::string_view trimmed = Utils::trimmedView(text);
  return !trimmed.empty() && trimmed[0] == ';';
}

bool isSectionHeaderLine(const std::string& text) {
  std::string_view trimmed = Utils::trimmedView(text);
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

void requireSection(const std::string& text, const SectionHeader* section) {
  if (section == nullptr) {
    throw ScriptFileException("All instruction lines must be contained within a section: " + text);
  }
}
