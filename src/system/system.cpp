// Placeholder until this component is built.
#include "system/system.h"

namespace System {
namespace {
Facts facts;
}
void initialize() {}
OsType classify(const Platform::OsVersion&) { return UnknownOs; }
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
std::string specialFolderPath(int) { return ""; }
void freeShellItem(Platform::ShellItem*) {}
void setFactsForTesting(const Facts& f) { facts = f; }
}  // namespace System
