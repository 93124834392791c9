// The contract of platform_system.h, one suite for every platform: the
// emulated machine's facts (POSIX, as a new machine has them) and the
// running system's (Win32, under Wine).
#include "platform/platform_system.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform_files.h"
#include "testing/scratch_machine.h"

namespace Platform {
namespace {

bool isFullPath(const std::string& path) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\' && fitsMaxPath(path);
}

TEST(PlatformSystemTest, TheVersionIsOfTheNtFamilyByDefault) {
  ScratchMachine machine;
  OsVersion version;
  ASSERT_TRUE(osVersion(&version));
  EXPECT_EQ(2u, version.platformId);
  EXPECT_GE(version.major, 5u);
}

TEST(PlatformSystemTest, TheModuleIsThisProgramByItsFullPath) {
  ScratchMachine machine;
  std::string path;
  ASSERT_TRUE(moduleFileName(&path));
  EXPECT_TRUE(isFullPath(path)) << path;
  EXPECT_NE(std::string::npos, path.find("unit_tests")) << path;
}

TEST(PlatformSystemTest, TheSystemFolderLiesInTheWindowsFolder) {
  ScratchMachine machine;
  std::string windows;
  std::string system;
  ASSERT_TRUE(windowsDirectory(&windows));
  ASSERT_TRUE(systemDirectory(&system));
  EXPECT_TRUE(isFullPath(windows)) << windows;
  EXPECT_EQ(0, system.compare(0, windows.size() + 1, windows + "\\")) << windows << " " << system;
  FileStatus status;
  EXPECT_TRUE(fileStatus(system, &status) && status.directory) << system;
}

TEST(PlatformSystemTest, SpecialFoldersComeThroughAShellItem) {
  ScratchMachine machine;
  for (int csidl : {2, 11, 16, 22, 23, 25}) {
    ShellItem* item = nullptr;
    ASSERT_TRUE(specialFolderLocation(csidl, &item)) << csidl;
    std::string path;
    EXPECT_TRUE(pathFromShellItem(item, &path)) << csidl;
    EXPECT_TRUE(freeShellItem(item)) << csidl;
    EXPECT_TRUE(isFullPath(path)) << csidl << " " << path;
  }
  ShellItem* item = nullptr;
  EXPECT_FALSE(specialFolderLocation(0x7fff, &item));  // no such folder
}

TEST(PlatformSystemTest, ComStartsOncePerThread) {
  const long first = comInitialize();
  ASSERT_TRUE(first == 0 || first == 1) << first;
  EXPECT_EQ(1, comInitialize());  // S_FALSE: already started
  comUninitialize();
  comUninitialize();
}

// A "run programs" line runs in the installer's current directory, and the
// run waits for it.
TEST(PlatformSystemTest, ACommandRunsInTheCurrentDirectory) {
  ScratchMachine machine;
  std::string start;
  ASSERT_TRUE(fullPathName(".", &start));
  ASSERT_TRUE(setCurrentDirectory(machine.root()));
  runCommand("echo done> ran.txt");
  setCurrentDirectory(start);
  EXPECT_EQ(0u, machine.readFile(machine.path("ran.txt")).find("done"));
}

TEST(PlatformSystemTest, ACommandWithANulInsideIsNotRun) {
  ScratchMachine machine;
  std::string start;
  ASSERT_TRUE(fullPathName(".", &start));
  ASSERT_TRUE(setCurrentDirectory(machine.root()));
  runCommand(std::string("echo done> ran.txt\0 x", 21));
  setCurrentDirectory(start);
  EXPECT_FALSE(machine.exists(machine.path("ran.txt")));
}

}  // namespace
}  // namespace Platform
