// What the emulated machine's system calls do beyond what both platforms
// promise (platform_system_test.cpp).
#include <gtest/gtest.h>

#include <string>

#include "platform/platform_files.h"
#include "platform/platform_registry.h"
#include "platform/platform_system.h"
#include "platform/posix/machine.h"
#include "testing/scratch_machine.h"

namespace {

// A program run by the installer may be another installer on the same
// machine: the registry lock must be free while it runs.
TEST(PosixSystemTest, TheRegistryIsReleasedWhileAProgramRuns) {
  ScratchMachine machine;
  Platform::RegHandle key = 0;
  ASSERT_EQ(Platform::kErrorSuccess,
            Platform::regCreateKey(Platform::kHkeyCurrentUser, "Software\\Tarnwick lock", &key));
  Platform::regCloseKey(key);
  const std::string lock = Posix::Machine::instance().folder() + "/registry.lock";
  const std::string marker = machine.hostPath(machine.path("free.txt"));
  Platform::runCommand("flock -n '" + lock + "' true && echo free > '" + marker + "'");
  EXPECT_TRUE(machine.exists(machine.path("free.txt")));
}

// Confines the machines of one test, and lets them go again.
class Confinement {
 public:
  Confinement() { Posix::Machine::setConfined(true); }
  ~Confinement() { Posix::Machine::setConfined(false); }
  Confinement(const Confinement&) = delete;
  Confinement& operator=(const Confinement&) = delete;
};

TEST(PosixSystemTest, AConfinedMachineHasNoHostDriveAndRunsNothing) {
  {
    Confinement confinement;
    ScratchMachine machine;
    std::string host;
    EXPECT_FALSE(Posix::Machine::instance().hostPath("Z:\\tmp", &host));
    EXPECT_FALSE(Posix::Machine::instance().hostPath("Z:\\", &host));
    EXPECT_FALSE(Posix::Machine::instance().isWritable("Z:\\tmp\\x"));
    EXPECT_FALSE(Platform::createDirectory("Z:\\tmp\\tarnwick-confined-test"));
    EXPECT_TRUE(Posix::Machine::instance().hostPath(machine.path("x"), &host));
    const std::string marker = machine.hostPath(machine.path("ran.txt"));
    Platform::runCommand("echo ran > '" + marker + "'");
    EXPECT_FALSE(machine.exists(machine.path("ran.txt")));
  }
  ScratchMachine machine;
  std::string host;
  EXPECT_TRUE(Posix::Machine::instance().hostPath("Z:\\tmp", &host));
  const std::string marker = machine.hostPath(machine.path("ran.txt"));
  Platform::runCommand("echo ran > '" + marker + "'");
  EXPECT_TRUE(machine.exists(machine.path("ran.txt")));
}

}  // namespace
