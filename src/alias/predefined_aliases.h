#ifndef TARNWICK_ALIAS_PREDEFINED_ALIASES_H_
#define TARNWICK_ALIAS_PREDEFINED_ALIASES_H_

#include <string>
#include <utility>
#include <vector>

#include "system/system.h"

// The eleven aliases every script starts with, in the order they are
// defined, with their values taken from `facts`: the installer's folder,
// the Windows, system and Program Files folders, the six shell folders and
// the name of the OS family.
std::vector<std::pair<std::string, std::string>> predefinedAliases(const System::Facts& facts);

// The value of "OS": "Windows 95", "Windows 98", "Windows NT" or "unknown".
std::string osFamilyName(OsType type);

#endif  // TARNWICK_ALIAS_PREDEFINED_ALIASES_H_
