// A path, key name, value name or command with a NUL inside must be refused:
// a host call would see only the part before the NUL and act on a shorter
// name than the one the script gave (found by the whole-run fuzzer, where
// "C:\fuzz<NUL>..." copied the installer's folder into itself without end).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actions/file_sys.h"
#include "actions/registry.h"
#include "driver/throwable.h"
#include "platform/platform_files.h"
#include "platform/platform_registry.h"
#include "platform/platform_system.h"
#include "testing/scratch_machine.h"

namespace {

const std::string kNul(1, '\0');

TEST(NulNamesTest, PathsWithANulInsideResolveToNothing) {
  ScratchMachine machine;
  machine.makeDirectory(machine.path("App"));
  machine.writeFile(machine.path("App\\keep.txt"), "keep");
  const std::string bad = machine.path("App") + kNul + "\\old";
  std::string full;
  EXPECT_FALSE(Platform::fullPathName(bad, &full));
  EXPECT_FALSE(Platform::deleteFile(machine.path("App\\keep.txt") + kNul + "x"));
  EXPECT_FALSE(Platform::removeDirectory(bad));
  EXPECT_FALSE(Platform::createDirectory(bad));
  EXPECT_TRUE(Platform::findFiles(machine.path("App") + kNul + "\\*").empty());
  EXPECT_THROW(FileSys::deleteFiles(bad, true), Exception);
  EXPECT_THROW(FileSys::copyFiles(machine.path("App"), bad), Exception);
  EXPECT_TRUE(machine.exists(machine.path("App\\keep.txt")));
  EXPECT_FALSE(machine.exists(machine.path("App\\App")));
}

TEST(NulNamesTest, KeyAndValueNamesWithANulInsideAreRefused) {
  ScratchMachine machine;
  const std::string key = "HKEY_CURRENT_USER\\Software\\Tarnwick NUL test";
  Registry::createKey(key + "\\keep");
  Registry::setValue(key, "v", Platform::kRegSz, "\"x\"");
  // Deleting names nothing that exists, so it does nothing; creating fails.
  Registry::deleteKey(key + kNul + "\\old");
  Registry::deleteValue(key, "v" + kNul + "old");
  EXPECT_THROW(Registry::createKey(key + kNul + "\\new"), RegistryException);
  EXPECT_THROW(Registry::setValue(key, "v" + kNul + "new", Platform::kRegSz, "\"y\""),
               RegistryException);
  EXPECT_TRUE(Registry::keyExists(key + "\\keep"));
  EXPECT_EQ("\"x\"", Registry::getValueText(key, "v"));
}

TEST(NulNamesTest, CommandsWithANulInsideAreNotRun) {
  ScratchMachine machine;
  const std::string marker = machine.hostPath(machine.path("ran.txt"));
  Platform::runCommand("echo ran > '" + marker + "'" + kNul + " && rm -rf /nonexistent");
  EXPECT_FALSE(machine.exists(machine.path("ran.txt")));
}

}  // namespace
