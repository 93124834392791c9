// The machine facts as the running Windows (or Wine) reports them, and
// the command interpreter.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/platform_files.h"
#include "platform/platform_system.h"
#include "testing/scratch_machine.h"

namespace Platform {
namespace {

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(Win32SystemTest, VersionIsOfTheNtFamily) {
  OsVersion version;
  ASSERT_TRUE(osVersion(&version));
  EXPECT_EQ(version.platformId, 2u);
  EXPECT_GE(version.major, 5u);
}

TEST(Win32SystemTest, ModuleFileNameIsThisProgram) {
  std::string path;
  ASSERT_TRUE(moduleFileName(&path));
  EXPECT_TRUE(endsWith(path, ".exe")) << path;
  EXPECT_EQ(path[1], ':') << path;
}

TEST(Win32SystemTest, SystemDirectoryLiesInTheWindowsDirectory) {
  std::string windows;
  std::string system;
  ASSERT_TRUE(windowsDirectory(&windows));
  ASSERT_TRUE(systemDirectory(&system));
  EXPECT_EQ(system.compare(0, windows.size(), windows), 0) << windows << " " << system;
}

TEST(Win32SystemTest, SpecialFolderGoesThroughAShellItem) {
  ShellItem* item = nullptr;
  ASSERT_TRUE(specialFolderLocation(16, &item));  // the desktop directory
  std::string path;
  EXPECT_TRUE(pathFromShellItem(item, &path));
  EXPECT_TRUE(freeShellItem(item));
  EXPECT_FALSE(path.empty());
  EXPECT_FALSE(specialFolderLocation(0x7fff, &item));  // no such folder
}

TEST(Win32SystemTest, ComInitializesOncePerThread) {
  long first = comInitialize();
  ASSERT_TRUE(first == 0 || first == 1) << first;
  EXPECT_EQ(comInitialize(), 1);  // S_FALSE: already initialised
  comUninitialize();
  comUninitialize();
}

// A "run programs" line runs in the installer's current directory.
TEST(Win32SystemTest, CommandRunsInTheCurrentDirectory) {
  ScratchMachine machine;
  char previous[MAX_PATH];
  ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  ASSERT_TRUE(setCurrentDirectory(machine.root()));
  runCommand("echo done> ran.txt");
  setCurrentDirectory(previous);
  EXPECT_EQ(machine.readFile(machine.path("ran.txt")), "done\r\n");
}

}  // namespace
}  // namespace Platform
