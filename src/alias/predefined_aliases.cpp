#include "alias/predefined_aliases.h"

std::vector<std::pair<std::string, std::string>> predefinedAliases(const System::Facts& facts) {
  return {
      {"INSTALLER", facts.runningDirectory},
      {"WIN", facts.windowsDirectory},
      {"WINSYS", facts.systemDirectory},
      {"PROGFILES", facts.programFilesDirectory},
      {"DESKTOP", facts.desktopDirectory},
      {"STARTMENU", facts.startMenuDirectory},
      {"PROGRAMS", facts.programsDirectory},
      {"SHARED_DESKTOP", facts.sharedDesktopDirectory},
      {"SHARED_STARTMENU", facts.sharedStartMenuDirectory},
      {"SHARED_PROGRAMS", facts.sharedProgramsDirectory},
      {"OS", osFamilyName(facts.osType)},
  };
}

std::string osFamilyName(OsType type) {
  switch (type) {
    case Windows95:
      return "Windows 95";
    case Windows98:
      return "Windows 98";
    case WindowsNT:
      return "Windows NT";
    default:
      return "unknown";
  }
}
