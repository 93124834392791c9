#include "system/system.h"

#include <new>

#include "actions/registry.h"
#include "driver/throwable.h"
#include "script/utils.h"

namespace System {

namespace {

Facts facts;

const int kCsidlPrograms = 2;
const int kCsidlStartMenu = 11;
const int kCsidlDesktopDirectory = 16;
const int kCsidlCommonStartMenu = 22;
const int kCsidlCommonPrograms = 23;
const int kCsidlCommonDesktopDirectory = 25;

const char kCurrentVersionKey[] =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion";

OsType determineOsType(const Calls& calls) {
  Platform::OsVersion version;
  if (!calls.osVersion(&version)) throw SystemException("Unable to get OS information.");
  return classify(version);
}

std::string determineRunningDirectory(const Calls& calls) {
  std::string module;
  if (!calls.moduleFileName(&module)) {
    throw SystemException("Unable to determine running directory.");
  }
  return Utils::stripTrailingSeparator(Utils::directoryOf(module));
}

std::string determineWindowsDirectory(const Calls& calls) {
  std::string path;
  if (!calls.windowsDirectory(&path)) {
    throw SystemException("Unable to determine windows directory.");
  }
  return path;
}

std::string determineSystemDirectory(const Calls& calls) {
  std::string path;
  if (!calls.systemDirectory(&path)) {
    throw SystemException("Unable to determine system directory.");
  }
  return path;
}

// The registry gives the text form of a string, in double quotes; a value
// that itself begins and ends with a quote keeps those.
std::string determineProgramFilesDirectory() {
  std::string text = Registry::getValueText(kCurrentVersionKey, "ProgramFilesDir");
  text = Utils::trim(Utils::stripQuotes(Utils::trim(text)));
  return Utils::stripTrailingSeparator(text);
}

}  // namespace

OsType classify(const Platform::OsVersion& version) {
  switch (version.platformId) {
    case 1:
      if (version.major > 4 || (version.major == 4 && version.minor > 0)) return Windows98;
      return Windows95;
    case 2:
      return WindowsNT;
    default:
      return UnknownOs;
  }
}

void initialize() { initialize(Calls()); }

void initialize(const Calls& calls) {
  facts = Facts();
  facts.osType = determineOsType(calls);
  facts.runningDirectory = determineRunningDirectory(calls);
  facts.windowsDirectory = determineWindowsDirectory(calls);
  facts.programFilesDirectory = determineProgramFilesDirectory();
  facts.systemDirectory = determineSystemDirectory(calls);
  const bool nt = facts.osType == WindowsNT;
  facts.desktopDirectory = specialFolderPath(kCsidlDesktopDirectory, calls);
  facts.startMenuDirectory = specialFolderPath(kCsidlStartMenu, calls);
  facts.programsDirectory = specialFolderPath(kCsidlPrograms, calls);
  facts.sharedDesktopDirectory =
      specialFolderPath(nt ? kCsidlCommonDesktopDirectory : kCsidlDesktopDirectory, calls);
  facts.sharedStartMenuDirectory =
      specialFolderPath(nt ? kCsidlCommonStartMenu : kCsidlStartMenu, calls);
  facts.sharedProgramsDirectory =
      specialFolderPath(nt ? kCsidlCommonPrograms : kCsidlPrograms, calls);
}

std::string specialFolderPath(int csidl, const Calls& calls) {
  Platform::ShellItem* item = nullptr;
  if (!calls.specialFolderLocation(csidl, &item)) {
    throw SystemException("Unable to determine path to folder.");
  }
  std::string path;
  bool found;
  try {
    found = calls.pathFromShellItem(item, &path);
  } catch (const std::bad_alloc&) {
    // Copying the path ran out of memory: the item must not leak on the way.
    calls.freeShellItem(item);
    throw;
  }
  System::freeShellItem(item, calls);
  if (!found) throw SystemException("Unable to determine path to folder");
  return path;
}

void freeShellItem(Platform::ShellItem* item, const Calls& calls) {
  if (!calls.freeShellItem(item)) throw SystemException("Unable to free shell item memory.");
}

const Facts& allFacts() { return facts; }
OsType osType() { return facts.osType; }
const std::string& runningDirectory() { return facts.runningDirectory; }
const std::string& windowsDirectory() { return facts.windowsDirectory; }
const std::string& systemDirectory() { return facts.systemDirectory; }
const std::string& programFilesDirectory() { return facts.programFilesDirectory; }
const std::string& desktopDirectory() { return facts.desktopDirectory; }
const std::string& startMenuDirectory() { return facts.startMenuDirectory; }
const std::string& programsDirectory() { return facts.programsDirectory; }
const std::string& sharedDesktopDirectory() { return facts.sharedDesktopDirectory; }
const std::string& sharedStartMenuDirectory() { return facts.sharedStartMenuDirectory; }
const std::string& sharedProgramsDirectory() { return facts.sharedProgramsDirectory; }

void setFactsForTesting(const Facts& newFacts) { facts = newFacts; }

}  // namespace System
