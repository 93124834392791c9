#ifndef TARNWICK_PLATFORM_KNOWN_SYSTEMS_H_
#define TARNWICK_PLATFORM_KNOWN_SYSTEMS_H_

#include <string>

#include "platform/platform_system.h"

// The Windows versions an emulated machine can be, by the names
// $TARNWICK_OS gives them.
namespace Platform {

struct KnownSystem {
  const char* name;
  OsVersion version;
};

// The system of that name (win95, win98, winme, nt40, win2k, winxp, win7,
// win10, unknown), or null for any other name.
const KnownSystem* findKnownSystem(const std::string& name);

// The system a machine is when $TARNWICK_OS names none: Windows 10.
const char* defaultSystemName();

// Whether a machine of that system has the folders of Windows 95/98/ME
// (C:\WINDOWS\SYSTEM and no all-users folders): the 95 family and
// "unknown". A name no system has gets the NT layout.
bool hasWindows9xLayout(const std::string& name);

}  // namespace Platform

#endif  // TARNWICK_PLATFORM_KNOWN_SYSTEMS_H_
