#ifndef TARNWICK_ENGINE_PACKAGE_INFORMATION_H_
#define TARNWICK_ENGINE_PACKAGE_INFORMATION_H_

#include <string>

#include "system/system.h"

// What the script's leading "package information" section says: the
// package's name, the OS family it must run under and whether the run only
// traces the script. The rules here touch nothing, so a checker can apply
// them as the engine does.
struct PackageInformation {
  std::string packageName = "unspecified";
  std::string osRestriction = "Win32";
  bool debug = false;

  // Applies one line of the section by its name, compared exactly; a later
  // line overrides an earlier one. Throws ScriptEngineException
  // "Unrecognized debug setting: " + the lower-cased value, or
  // "Unrecognized product information parameter: " + name.
  void setParameter(const std::string& name, const std::string& value);
};

// Whether the OS restriction ("Win32", "Windows 95", "Windows 98",
// "Windows 9x", "Windows NT", compared exactly) accepts the OS type. Throws
// ScriptEngineException "Unrecognized os restriction: " + restriction for
// any other text.
bool osRestrictionAccepts(const std::string& restriction, OsType os);

// Throws ScriptEngineException "This script must be run under the following
// OS: " + restriction when the restriction does not accept `os`, and as
// osRestrictionAccepts for an unrecognized restriction.
void checkOsRestriction(const std::string& restriction, OsType os);

#endif  // TARNWICK_ENGINE_PACKAGE_INFORMATION_H_
