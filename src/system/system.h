#ifndef TARNWICK_SYSTEM_SYSTEM_H_
#define TARNWICK_SYSTEM_SYSTEM_H_

#include <string>

#include "platform/platform_system.h"

enum OsType { Windows95 = 0, Windows98 = 1, WindowsNT = 2, UnknownOs = 3 };

// The facts about the machine, gathered once at start-up and read-only
// afterwards.
namespace System {

struct Facts {
  OsType osType = UnknownOs;
  std::string runningDirectory;
  std::string windowsDirectory;
  std::string systemDirectory;
  std::string programFilesDirectory;
  std::string desktopDirectory;
  std::string startMenuDirectory;
  std::string programsDirectory;
  std::string sharedDesktopDirectory;
  std::string sharedStartMenuDirectory;
  std::string sharedProgramsDirectory;
};

// Fills every fact in order; throws SystemException, or lets the
// RegistryException of reading the Program Files directory pass.
void initialize();

// The OS family of a version as the platform reports it.
OsType classify(const Platform::OsVersion& version);

// All the facts at once.
const Facts& allFacts();
OsType osType();
const std::string& runningDirectory();
const std::string& windowsDirectory();
const std::string& systemDirectory();
const std::string& programFilesDirectory();
const std::string& desktopDirectory();
const std::string& startMenuDirectory();
const std::string& programsDirectory();
const std::string& sharedDesktopDirectory();
const std::string& sharedStartMenuDirectory();
const std::string& sharedProgramsDirectory();

std::string specialFolderPath(int csidl);
void freeShellItem(Platform::ShellItem* item);

// Unit tests of other components set the facts they need directly.
void setFactsForTesting(const Facts& facts);

}  // namespace System

#endif  // TARNWICK_SYSTEM_SYSTEM_H_
