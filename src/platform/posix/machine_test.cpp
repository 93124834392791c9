#include "platform/posix/machine.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/platform_registry.h"
#include "platform/posix/registry_store.h"
#include "testing/scratch_machine.h"

namespace Posix {
namespace {

class MachineTest : public ::testing::Test {
 protected:
  std::string full(const std::string& path) {
    std::string result;
    EXPECT_TRUE(Machine::instance().fullPath(path, &result)) << path;
    return result;
  }
  ScratchMachine machine_;
};

TEST_F(MachineTest, PathsResolveAgainstTheCurrentDirectory) {
  ASSERT_TRUE(Machine::instance().setCurrentDirectory("C:\\scratch\\"));
  EXPECT_EQ("C:\\scratch", Machine::instance().currentDirectory());
  EXPECT_EQ("C:\\scratch\\a\\b", full("a/b"));
  EXPECT_FALSE(Machine::instance().setCurrentDirectory("C:\\scratch\\missing"));
  EXPECT_EQ("C:\\scratch", Machine::instance().currentDirectory());
}

TEST_F(MachineTest, NamesAreFoundWhateverTheirCase) {
  machine_.writeFile("C:\\scratch\\ReadMe.TXT", "x");
  std::string host;
  ASSERT_TRUE(Machine::instance().hostPath("c:\\SCRATCH\\readme.txt", &host));
  EXPECT_EQ(Machine::instance().folder() + "/drive_c/scratch/ReadMe.TXT", host);
  ASSERT_TRUE(Machine::instance().hostPath("C:\\Scratch\\New\\File", &host));
  EXPECT_EQ(Machine::instance().folder() + "/drive_c/scratch/New/File", host);
  EXPECT_FALSE(Machine::instance().hostPath("D:\\x", &host));
  // A name ".." left by resolving "C:\...\x" never climbs out of the drive.
  ASSERT_TRUE(Machine::instance().fullPath("C:\\...\\registry.reg", &host));
  EXPECT_EQ("C:\\..\\registry.reg", host);
  EXPECT_FALSE(Machine::instance().hostPath(host, &host));
  EXPECT_FALSE(Machine::instance().hostPath("C:\\scratch\\.\\x", &host));
}

TEST_F(MachineTest, HighBytesAreCodePage1252OnTheWindowsSide) {
  machine_.writeFile("C:\\scratch\\caf\xE9.txt", "x");
  std::string host = machine_.hostPath("C:\\scratch\\caf\xE9.txt");
  EXPECT_EQ("caf\xC3\xA9.txt", host.substr(host.rfind('/') + 1));
  EXPECT_EQ("C:\\scratch\\caf\xE9.txt", Machine::instance().windowsPathOf(host));
}

TEST_F(MachineTest, ZIsWritableOnlyInsideTheInstallersFolder) {
  const Machine& machine = Machine::instance();
  std::string module = machine.moduleFileName();
  ASSERT_EQ("Z:\\", module.substr(0, 3));
  std::string folder = module.substr(0, module.rfind('\\'));
  EXPECT_TRUE(machine.isWritable(folder + "\\debug.out"));
  EXPECT_FALSE(machine.isWritable(folder));
  EXPECT_FALSE(machine.isWritable("Z:\\tmp\\x"));
  EXPECT_FALSE(machine.isWritable("Z:\\"));
  EXPECT_FALSE(machine.isWritable(folder + "\\..\\x"));
  EXPECT_TRUE(machine.isWritable("C:\\anything"));
}

TEST_F(MachineTest, NewMachineHasTheFoldersOfItsFamily) {
  std::string c = Machine::instance().folder() + "/drive_c";
  struct stat status;
  EXPECT_TRUE(Machine::instance().provisionedNow());
  EXPECT_EQ(0, stat((c + "/windows/system32").c_str(), &status));
  EXPECT_EQ(0, stat((c + "/Program Files").c_str(), &status));
  EXPECT_EQ(0, stat((c + "/ProgramData/Microsoft/Windows/Start Menu/Programs").c_str(), &status));
}

// The run itself may delete the machine's files through Z: (when the
// machine folder lies in the installer's folder): the registry it held is
// then opened anew, and the next change is not lost in a removed journal.
TEST_F(MachineTest, ARegistryWhoseFilesTheRunRemovedIsOpenedAnew) {
  Machine& machine = Machine::instance();
  Platform::RegHandle key = 0;
  ASSERT_EQ(0, Platform::regCreateKey(Platform::kHkeyCurrentUser, "Software\\Before", &key));
  Platform::regCloseKey(key);
  RegistryStore* before = machine.registryIfOpen();
  ASSERT_NE(nullptr, before);
  for (const char* name : {"registry.lock", "registry.journal", "registry.reg"}) {
    const std::string file = machine.folder() + "/" + name;
    unlink(file.c_str());
    machine.noteRemoved(file);
  }
  ASSERT_EQ(0, Platform::regCreateKey(Platform::kHkeyCurrentUser, "Software\\After", &key));
  Platform::regCloseKey(key);
  struct stat status;
  EXPECT_EQ(0, stat((machine.folder() + "/registry.lock").c_str(), &status));
  EXPECT_EQ(Platform::kErrorFileNotFound,
            Platform::regOpenKey(Platform::kHkeyCurrentUser, "Software\\Before", 1, &key));
  flushRegistry();
  std::ifstream file(machine.folder() + "/registry.reg");
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_NE(std::string::npos, text.str().find("\\Software\\After]"));
}

TEST(MachineOsTest, VersionComesFromTheEnvironment) {
  struct Case {
    const char* os;
    unsigned long platform, major, minor;
  } cases[] = {{"win95", 1, 4, 0}, {"win98", 1, 4, 10}, {"winme", 1, 4, 90},
               {"nt40", 2, 4, 0},  {"winxp", 2, 5, 1},  {"unknown", 0, 0, 0}};
  for (const Case& c : cases) {
    setenv("TARNWICK_OS", c.os, 1);
    ScratchMachine machine;
    Platform::OsVersion version;
    ASSERT_TRUE(Machine::instance().osVersion(&version)) << c.os;
    EXPECT_EQ(c.platform, version.platformId) << c.os;
    EXPECT_EQ(c.major, version.major) << c.os;
    EXPECT_EQ(c.minor, version.minor) << c.os;
  }
  setenv("TARNWICK_OS", "Win10", 1);
  {
    ScratchMachine machine;
    Platform::OsVersion version;
    EXPECT_FALSE(Machine::instance().osVersion(&version));
  }
  setenv("TARNWICK_OS", "win98", 1);
  {
    ScratchMachine machine;
    struct stat status;
    std::string c = Machine::instance().folder() + "/drive_c";
    EXPECT_EQ(0, stat((c + "/WINDOWS/Start Menu/Programs").c_str(), &status));
  }
  unsetenv("TARNWICK_OS");
}

}  // namespace
}  // namespace Posix
