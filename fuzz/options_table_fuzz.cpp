// Fuzzes the options table: arbitrary option lists are parsed; a list that
// parses must give settings inside each option's vocabulary, and written
// back as "name=setting" pairs it must parse to the same table. A failure
// must be an OptionsTableException with one of the table's own messages.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "driver/throwable.h"
#include "script/options_table.h"

namespace {

const char* const kNames[] = {"alias_type",   "cond",        "err_type",      "link_icon",
                              "section_type", "regval_type", "delete_recurse"};
const int kSettingCounts[] = {9, 2, 3, 0, 3, 3, 2};
const char* const kSettings[][9] = {
    {"static", "registry", "makepath", "pathexists", "regkeyexists", "regvalexists", "tolower",
     "compare", "boolean"},
    {"1", "0"},
    {"ignore", "warning", "fatal"},
    {},
    {"predefined", "create_regvals", "delete_regvals"},
    {"sz", "dword", "binary"},
    {"yes", "no"},
};

bool startsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::string(prefix).size(), prefix) == 0;
}

bool isTableMessage(const std::string& message) {
  static const char* const kPrefixes[] = {
      "Malformed option name=setting pair: ", "Unrecognized option name: ",
      "Unrecognized alias_type setting: ",    "Unrecognized cond setting: ",
      "Unrecognized err_type setting: ",      "Unrecognized section_type setting: ",
      "Unrecognized regval_type setting: ",   "Unrecognized delete_recurse setting: ",
  };
  for (const char* prefix : kPrefixes) {
    if (startsWith(message, prefix)) return true;
  }
  return false;
}

// The table written back as a list in canonical spelling.
std::string listOf(const OptionsTable& table) {
  std::string list;
  for (int id = 0; id <= 6; ++id) {
    OptionId option = static_cast<OptionId>(id);
    if (!table.isDefined(option)) continue;
    std::string setting;
    if (OptionsTable::isStringOption(option)) {
      setting = table.stringSetting(option);
      // A string setting with '&' cannot be written back as one pair.
      if (setting.find('&') != std::string::npos) return "";
    } else {
      int code = table.constSetting(option);
      if (code < 0 || code >= kSettingCounts[id]) std::abort();
      setting = kSettings[id][code];
    }
    if (!list.empty()) list += '&';
    list += std::string(kNames[id]) + "=" + setting;
  }
  return list;
}

bool sameTable(const OptionsTable& a, const OptionsTable& b) {
  for (int id = 0; id <= 6; ++id) {
    OptionId option = static_cast<OptionId>(id);
    if (a.isDefined(option) != b.isDefined(option)) return false;
    if (!a.isDefined(option)) continue;
    if (OptionsTable::isStringOption(option)) {
      if (a.stringSetting(option) != b.stringSetting(option)) return false;
    } else if (a.constSetting(option) != b.constSetting(option)) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string list(reinterpret_cast<const char*>(data), size);
  OptionsTable table;
  try {
    table.parseOptions(list);
  } catch (const OptionsTableException& exception) {
    if (!isTableMessage(exception.message())) std::abort();
    return 0;
  }
  const std::string canonical = listOf(table);
  if (canonical.empty()) return 0;
  OptionsTable again;
  try {
    again.parseOptions(canonical);
  } catch (const OptionsTableException&) {
    std::abort();
  }
  if (!sameTable(table, again)) std::abort();
  // The table is cleared before every parse.
  again.parseOptions(canonical);
  if (!sameTable(table, again)) std::abort();
  // Each constant setting, looked up on its own, gives the same code.
  for (int id = 0; id <= 6; ++id) {
    OptionId option = static_cast<OptionId>(id);
    if (!table.isDefined(option) || !OptionsTable::isConstantOption(option)) continue;
    if (OptionsTable::parseSetting(option, kSettings[id][table.constSetting(option)]) !=
        table.constSetting(option)) {
      std::abort();
    }
  }
  return 0;
}
