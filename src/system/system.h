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

// The platform calls the facts come from. initialize() uses the platform's
// own; a test may pass a copy with one call standing in for its failure (as
// leveldb's EnvWrapper lets a test fail one Env call), since no real system
// fails them at will.
struct Calls {
  bool (*osVersion)(Platform::OsVersion*) = Platform::osVersion;
  bool (*moduleFileName)(std::string*) = Platform::moduleFileName;
  bool (*windowsDirectory)(std::string*) = Platform::windowsDirectory;
  bool (*systemDirectory)(std::string*) = Platform::systemDirectory;
  bool (*specialFolderLocation)(int, Platform::ShellItem**) = Platform::specialFolderLocation;
  bool (*pathFromShellItem)(Platform::ShellItem*, std::string*) = Platform::pathFromShellItem;
  bool (*freeShellItem)(Platform::ShellItem*) = Platform::freeShellItem;
};

// Fills every fact in order; throws SystemException, or lets the
// RegistryException of reading the Program Files directory pass. Every
// failure stops at once: the facts after it stay empty.
void initialize();
void initialize(const Calls& calls);

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

std::string specialFolderPath(int csidl, const Calls& calls = Calls());
void freeShellItem(Platform::ShellItem* item, const Calls& calls = Calls());

// Unit tests of other components set the facts they need directly.
void setFactsForTesting(const Facts& facts);

}  // namespace System

#endif  // TARNWICK_SYSTEM_SYSTEM_H_
