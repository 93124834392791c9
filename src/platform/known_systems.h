#ifndef TARNWICK_PLATFORM_KNOWN_SYSTEMS_H_
#define TARNWICK_PLATFORM_KNOWN_SYSTEMS_H_

#include <string>

#include "platform/platform_system.h"

namespace Platform {

// The systems named by TARNWICK_OS, the emulated machine's choice and the
// checker's --os: "win95", "win98", "winme", "nt40", "win2k", "winxp",
// "win7", "win10" and "unknown", each with the version GetVersionExA
// reports there. False for any other name.
bool knownSystemVersion(const std::string& name, OsVersion* version);

}  // namespace Platform

#endif  // TARNWICK_PLATFORM_KNOWN_SYSTEMS_H_
