// A first run killed before it finished must not leave a machine that no
// later run can use (found by killing fresh runs at random points).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "actions/registry.h"
#include "platform/posix/machine.h"
#include "platform/posix/machine_lock.h"
#include "platform/posix/registry_store.h"
#include "testing/posix/child_process.h"
#include "testing/scratch_machine.h"

namespace {

bool isDirectory(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Points TARNWICK_MACHINE at a new folder inside the scratch machine's
// folder for one test.
class MachineRecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TARNWICK_MACHINE");
    oldMachine_ = old != nullptr ? old : "";
    folder_ = Posix::Machine::instance().folder() + "/inner";
    setenv("TARNWICK_MACHINE", folder_.c_str(), 1);
    Posix::flushRegistry();
    Posix::Machine::reset();
  }
  void TearDown() override {
    Posix::flushRegistry();
    setenv("TARNWICK_MACHINE", oldMachine_.c_str(), 1);
    Posix::Machine::reset();
  }

  ScratchMachine scratch_;
  std::string oldMachine_;
  std::string folder_;
};

TEST_F(MachineRecoveryTest, AMachineWithoutARegistryYetIsStillNew) {
  // The first run made the drive and was killed before any registry write.
  ASSERT_TRUE(Posix::Machine::instance().provisionedNow());
  Posix::Machine::reset();
  EXPECT_TRUE(Posix::Machine::instance().provisionedNow());
  // Killed while folding its first changes: an empty journal holds nothing.
  std::FILE* journal = std::fopen((folder_ + "/registry.journal").c_str(), "w");
  ASSERT_NE(nullptr, journal);
  std::fclose(journal);
  Posix::Machine::reset();
  EXPECT_TRUE(Posix::Machine::instance().provisionedNow());
  EXPECT_EQ(
      "\"C:\\Program Files\"",
      Registry::getValueText("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion",
                             "ProgramFilesDir"));
  // Once the registry exists the machine is used as it is.
  Posix::flushRegistry();
  Posix::Machine::reset();
  EXPECT_FALSE(Posix::Machine::instance().provisionedNow());
}

// Two first runs on one new machine: the second waits for the lock while
// the first provisions, then finds the drive made and leaves it alone.
TEST_F(MachineRecoveryTest, TwoFirstRunsTakeTurnsProvisioning) {
  ASSERT_EQ(0, mkdir(folder_.c_str(), 0755));
  ChildProcess child([this] {
    Posix::Machine::reset();
    Posix::Machine::instance();
    // The drive is the first run's, not made again.
    return isDirectory(folder_ + "/drive_c/first") && !isDirectory(folder_ + "/drive_c/windows")
               ? 0
               : 3;
  });
  auto lock = std::make_unique<Posix::MachineLock>(folder_);
  ASSERT_TRUE(lock->acquire(""));
  child.go();
  EXPECT_TRUE(child.awaitError("Waiting for another installer to finish setting up the machine " +
                               folder_ + "...\n"));
  ASSERT_EQ(0, mkdir((folder_ + "/drive_c").c_str(), 0755));
  ASSERT_EQ(0, mkdir((folder_ + "/drive_c/first").c_str(), 0755));
  lock.reset();
  EXPECT_EQ(0, child.wait());
}

TEST_F(MachineRecoveryTest, AHalfMadeDriveIsMadeAgain) {
  // A provisioning killed half-way leaves only the folder it was making.
  ASSERT_EQ(0, mkdir(folder_.c_str(), 0755));
  ASSERT_EQ(0, mkdir((folder_ + "/drive_c.new").c_str(), 0755));
  ASSERT_EQ(0, mkdir((folder_ + "/drive_c.new/windows").c_str(), 0755));
  Posix::Machine::reset();
  Posix::Machine::instance();
  EXPECT_TRUE(isDirectory(folder_ + "/drive_c/Program Files"));
  EXPECT_TRUE(isDirectory(folder_ + "/drive_c/windows/system32"));
  EXPECT_FALSE(isDirectory(folder_ + "/drive_c.new"));
}

}  // namespace
