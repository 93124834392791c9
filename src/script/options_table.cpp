#include "script/options_table.h"

#include <vector>

#include "driver/throwable.h"
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

}  // namespace

void OptionsTable::parseOptions(const std::string& list) {
  constSettings_.clear();
  stringSettings_.clear();
  for (const std::string& pair : Utils::splitItems(Utils::trim(list), '&')) parsePair(pair);
}

void OptionsTable::parsePair(const std::string& pair) {
  std::string name;
  std::string setting;
  if (!Utils::splitFirst(pair, '=', &name, &setting)) {
    throw OptionsTableException("Malformed option name=setting pair: " + pair);
  }
  name = Utils::trim(name);
  setting = Utils::trim(setting);
  OptionId id = lookupOption(name);
  if (isConstantOption(id)) {
    constSettings_[id] = parseSetting(id, setting);
  } else {
    stringSettings_[id] = setting;
  }
}

bool OptionsTable::isDefined(OptionId id) const {
  return constSettings_.count(id) != 0 || stringSettings_.count(id) != 0;
}

int OptionsTable::constSetting(OptionId id) const {
  auto found = constSettings_.find(id);
  if (found == constSettings_.end()) {
    throw OptionsTableException(
        formatMessage("Attempt to get setting of undefined const option: %d", codeOf(id)));
  }
  return found->second;
}

const std::string& OptionsTable::stringSetting(OptionId id) const {
  auto found = stringSettings_.find(id);
  if (found == stringSettings_.end()) {
    throw OptionsTableException(
        formatMessage("Attempt to get setting of undefined string option: %d", codeOf(id)));
  }
  return found->second;
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
