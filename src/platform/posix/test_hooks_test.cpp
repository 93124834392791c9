#include "platform/posix/test_hooks.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform_files.h"
#include "platform/platform_registry.h"
#include "platform/platform_system.h"
#include "platform/posix/machine.h"
#include "testing/scratch_machine.h"

namespace {

// Switches a hook on for one test and off again, whatever happens.
class HookGuard {
 public:
  explicit HookGuard(void (*set)(bool)) : set_(set) { set_(true); }
  ~HookGuard() { set_(false); }
  HookGuard(const HookGuard&) = delete;
  HookGuard& operator=(const HookGuard&) = delete;

 private:
  void (*set_)(bool);
};

TEST(TestHooksTest, DisabledHostDriveMakesEveryZPathMissing) {
  ScratchMachine machine;
  std::string host;
  ASSERT_TRUE(Posix::Machine::instance().hostPath("Z:\\tmp", &host));
  {
    HookGuard guard(Posix::TestHooks::setHostDriveDisabled);
    EXPECT_FALSE(Posix::Machine::instance().hostPath("Z:\\tmp", &host));
    EXPECT_FALSE(Posix::Machine::instance().hostPath("Z:\\", &host));
    EXPECT_FALSE(Posix::Machine::instance().isWritable("Z:\\tmp\\x"));
    EXPECT_FALSE(Platform::createDirectory("Z:\\tmp\\tarnwick-hook-test"));
    // Drive C: is not affected.
    EXPECT_TRUE(Posix::Machine::instance().hostPath(machine.path("x"), &host));
  }
  EXPECT_TRUE(Posix::Machine::instance().hostPath("Z:\\tmp", &host));
}

TEST(TestHooksTest, DisabledRunProgramsStartsNoShell) {
  ScratchMachine machine;
  const std::string marker = machine.hostPath(machine.path("ran.txt"));
  {
    HookGuard guard(Posix::TestHooks::setRunProgramsDisabled);
    Platform::runCommand("echo ran > '" + marker + "'");
  }
  EXPECT_FALSE(machine.exists(machine.path("ran.txt")));
  Platform::runCommand("echo ran > '" + marker + "'");
  EXPECT_TRUE(machine.exists(machine.path("ran.txt")));
}

}  // namespace

namespace {

TEST(TestHooksTest, AllocationFaultFailsOnceThroughTheNewHandler) {
  std::new_handler previous = std::set_new_handler(nullptr);
  Posix::TestHooks::failAllocationAfter(1);
  std::string* first = new std::string();
  EXPECT_THROW(new std::string(), std::bad_alloc);
  std::string* third = new std::string();
  delete first;
  delete third;
  std::set_new_handler(previous);
}

}  // namespace

namespace {

// A program run by the installer may be another installer on the same
// machine: the registry lock must be free while it runs.
TEST(RunCommandTest, TheRegistryIsReleasedWhileAProgramRuns) {
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

}  // namespace
