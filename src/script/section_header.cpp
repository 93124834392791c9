#include "script/section_header.h"

#include "driver/throwable.h"
#include "script/utils.h"

void SectionHeader::parse(const std::string& text, int lineNumber) {
  parseOptioned(text, lineNumber, nullptr);
  std::string bracketed = Utils::trim(body());
  if (bracketed.size() < 2 || bracketed.front() != '[' || bracketed.back() != ']') {
    throw SectionHeaderException("Malformed section header: " + text);
  }
  name_ = Utils::trim(bracketed.substr(1, bracketed.size() - 2));
  if (constOption(OptionId::section_type) == SettingCode::kPredefined) {
    name_ = Utils::toLower(name_);
  }
}
