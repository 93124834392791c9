#include "engine/package_information.h"

#include "driver/throwable.h"
#include "script/utils.h"

namespace {

struct OsRestriction {
  const char* name;
  bool accepts[4];  // by OsType: Windows95, Windows98, WindowsNT, UnknownOs
};

const OsRestriction kOsRestrictions[] = {
    {"Win32", {true, true, true, false}},        {"Windows 95", {true, false, false, false}},
    {"Windows 98", {false, true, false, false}}, {"Windows 9x", {true, true, false, false}},
    {"Windows NT", {false, false, true, false}},
};

}  // namespace

void PackageInformation::setParameter(const std::string& name, const std::string& value) {
  if (name == "package_name") {
    packageName = Utils::stripQuotes(value);
  } else if (name == "os") {
    osRestriction = value;
  } else if (name == "debug") {
    std::string setting = Utils::toLower(value);
    if (setting == "yes") {
      debug = true;
    } else if (setting == "no") {
      debug = false;
    } else {
      throw ScriptEngineException("Unrecognized debug setting: " + setting);
    }
  } else {
    throw ScriptEngineException("Unrecognized product information parameter: " + name);
  }
}

bool osRestrictionAccepts(const std::string& restriction, OsType os) {
  for (const OsRestriction& known : kOsRestrictions) {
    if (restriction == known.name) return known.accepts[os];
  }
  throw ScriptEngineException("Unrecognized os restriction: " + restriction);
}

void checkOsRestriction(const std::string& restriction, OsType os) {
  if (!osRestrictionAccepts(restriction, os)) {
    throw ScriptEngineException("This script must be run under the following OS: " + restriction);
  }
}
