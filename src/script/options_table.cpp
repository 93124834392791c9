#include "script/options_table.h"

#include <vector>

#include "driver/throwable.h"
#include "platform/windows_text.h"
#include "script/utils.h"

namespace {

// The vocabulary, indexed by option id. A string option has no settings
// list; a constant option's code is the index of its setting.
struct OptionSpec {
  const char* name;
  bool constant;
  std::vector<const char*> settings;
  int defaultCode;
};

const std::vector<OptionSpec>& vocabulary() {
  static const std::vector<OptionSpec> options = {
      {"alias_type",
       true,
       {"static", "registry", "makepath", "pathexists", "regkeyexists", "regvalexists", "tolower",
        "compare", "boolean"},
       SettingCode::kStatic},
      {"cond", true, {"1", "0"}, SettingCode::kCondTrue},
      {"err_type", true, {"ignore", "warning", "fatal"}, SettingCode::kFatal},
      {"link_icon", false, {}, 0},
      {"section_type",
       true,
       {"predefined", "create_regvals", "delete_regvals"},
       SettingCode::kPredefined},
      {"regval_type", true, {"sz", "dword", "binary"}, SettingCode::kSz},
      {"delete_recurse", true, {"yes", "no"}, SettingCode::kRecurseNo},
  };
  return options;
}

bool isKnown(OptionId id) {
  int index = static_cast<int>(id);
  return index >= 0 && index < static_cast<int>(vocabulary().size());
}

const OptionSpec& specOf(OptionId id) { return vocabulary()[static_cast<size_t>(id)]; }

int codeOf(OptionId id) { return static_cast<int>(id); }

// Equality after Utils::toLower of `text`; `lower` is lower case already.
bool equalsLowered(std::string_view text, const char* lower) {
  size_t i = 0;
  for (; i < text.size() && lower[i] != '\0'; ++i) {
    if (WindowsText::toLower(text[i]) != lower[i]) return false;
  }
  return i == text.size() && lower[i] == '\0';
}

// The option named `name` ignoring case, or -1.
int findOption(std::string_view name) {
  const std::vector<OptionSpec>& options = vocabulary();
  for (size_t index = 0; index < options.size(); ++index) {
    if (equalsLowered(name, options[index].name)) return static_cast<int>(index);
  }
  return -1;
}

// The code of `setting` ignoring case among those of a constant option, or
// -1.
int findSetting(const OptionSpec& option, std::string_view setting) {
  for (size_t code = 0; code < option.settings.size(); ++code) {
    if (equalsLowered(setting, option.settings[code])) return static_cast<int>(code);
  }
  return -1;
}

}  // namespace

// Splits at each '&' (Utils::splitItems) and each pair at its first '='
// (Utils::splitFirst) in place: a line's options cost no copies.
void OptionsTable::parseOptions(const std::string& list) {
  for (int& code : codes_) code = kNotGiven;
  stringGiven_ = false;
  string_.clear();
  std::string_view rest = Utils::trimmedView(list);
  while (!rest.empty()) {
    const size_t separator = rest.find('&');
    parsePair(rest.substr(0, separator));
    rest = separator == std::string_view::npos ? std::string_view() : rest.substr(separator + 1);
  }
}

void OptionsTable::parsePair(std::string_view pair) {
  const size_t equals = pair.find('=');
  if (equals == std::string_view::npos) {
    throw OptionsTableException("Malformed option name=setting pair: " + std::string(pair));
  }
  const std::string_view name = Utils::trimmedView(pair.substr(0, equals));
  const std::string_view setting = Utils::trimmedView(pair.substr(equals + 1));
  const int found = findOption(name);
  if (found < 0) lookupOption(std::string(name));  // throws its message
  const OptionId id = static_cast<OptionId>(found);
  if (isConstantOption(id)) {
    const int code = findSetting(specOf(id), setting);
    codes_[found] = code >= 0 ? code : parseSetting(id, std::string(setting));
  } else {
    stringGiven_ = true;
    string_.assign(setting.data(), setting.size());
  }
}

bool OptionsTable::isDefined(OptionId id) const {
  if (!isKnown(id)) return false;
  return isStringOption(id) ? stringGiven_ : codes_[codeOf(id)] != kNotGiven;
}

int OptionsTable::constSetting(OptionId id) const {
  if (!isConstantOption(id) || codes_[codeOf(id)] == kNotGiven) {
    throw OptionsTableException(
        formatMessage("Attempt to get setting of undefined const option: %d", codeOf(id)));
  }
  return codes_[codeOf(id)];
}

const std::string& OptionsTable::stringSetting(OptionId id) const {
  if (!isStringOption(id) || !stringGiven_) {
    throw OptionsTableException(
        formatMessage("Attempt to get setting of undefined string option: %d", codeOf(id)));
  }
  return string_;
}

int OptionsTable::defaultConstSetting(OptionId id) {
  if (!isConstantOption(id)) {
    throw OptionsTableException(
        formatMessage("Unable to determine default value for constant option: %d", codeOf(id)));
  }
  return specOf(id).defaultCode;
}

std::string OptionsTable::defaultStringSetting(OptionId id) {
  if (!isStringOption(id)) {
    throw OptionsTableException(
        formatMessage("Unable to determine default value for string option: %d", codeOf(id)));
  }
  return std::string();
}

OptionId OptionsTable::lookupOption(const std::string& name) {
  std::string lowered = Utils::toLower(name);
  const std::vector<OptionSpec>& options = vocabulary();
  for (size_t index = 0; index < options.size(); ++index) {
    if (lowered == options[index].name) return static_cast<OptionId>(index);
  }
  throw OptionsTableException("Unrecognized option name: " + name);
}

bool OptionsTable::isConstantOption(OptionId id) { return isKnown(id) && specOf(id).constant; }

bool OptionsTable::isStringOption(OptionId id) { return isKnown(id) && !specOf(id).constant; }

int OptionsTable::parseSetting(OptionId id, const std::string& setting) {
  std::string lowered = Utils::toLower(setting);
  if (!isConstantOption(id)) {
    throw OptionsTableException(formatMessage("Unrecognized constant option name: %d", codeOf(id)));
  }
  const OptionSpec& option = specOf(id);
  for (size_t code = 0; code < option.settings.size(); ++code) {
    if (lowered == option.settings[code]) return static_cast<int>(code);
  }
  throw OptionsTableException(std::string("Unrecognized ") + option.name + " setting: " + lowered);
}
