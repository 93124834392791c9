// Running out of memory anywhere must end the run with MemError, never with
// a crash: these pin the places where an allocation failure once escaped a
// destructor or leaked what it held.

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>

#include "driver/throwable.h"
#include "platform/posix/machine.h"
#include "platform/posix/registry_files.h"
#include "platform/posix/registry_tree.h"
#include "platform/posix/test_hooks.h"
#include "system/system.h"
#include "testing/scratch_machine.h"

namespace {

// Installs the installer's out-of-memory handler for one test.
class OutOfMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = std::set_new_handler(outOfMemory); }
  void TearDown() override {
    Posix::TestHooks::failAllocationAfter(-1);
    std::set_new_handler(previous_);
  }

 private:
  std::new_handler previous_ = nullptr;
};

TEST_F(OutOfMemoryTest, RegistryFilesCloseWithoutMemory) {
  ScratchMachine machine;
  const std::string folder = Posix::Machine::instance().folder();
  auto files = std::make_unique<Posix::RegistryFiles>(folder);
  ASSERT_TRUE(files->lock());
  ASSERT_TRUE(files->openJournal(0));
  // The destructor's first allocation fails; it must neither throw nor
  // leave the lock held.
  Posix::TestHooks::failAllocationAfter(0);
  files.reset();
  Posix::TestHooks::failAllocationAfter(-1);
  Posix::RegistryFiles again(folder);
  EXPECT_TRUE(again.lock());
}

TEST_F(OutOfMemoryTest, EveryStartUpAllocationFailureIsAMemError) {
  // Each allocation of System::initialize in turn, on a new machine each
  // time; a leak on one of these paths shows in the sanitizer build.
  for (long long count = 0; count < 400; ++count) {
    ScratchMachine machine;
    Posix::TestHooks::failAllocationAfter(count);
    try {
      System::initialize();
      Posix::TestHooks::failAllocationAfter(-1);
      break;
    } catch (const MemError& error) {
      EXPECT_EQ("Unable to allocate memory.", error.message());
    } catch (const Exception& exception) {
      ADD_FAILURE() << "allocation " << count << ": " << exception.message();
    }
    Posix::TestHooks::failAllocationAfter(-1);
  }
}

TEST_F(OutOfMemoryTest, CaseInsensitiveLookUpWithoutMemory) {
  ScratchMachine machine;
  for (int i = 0; i < 20; ++i) machine.writeFile(machine.path("File" + std::to_string(i)), "x");
  // Each allocation of a look-up that must list the folder fails in turn;
  // the folder listing is closed on the way out (a leak shows in the
  // sanitizer build) and the next look-up still finds the name.
  for (long long count = 0; count < 200; ++count) {
    Posix::TestHooks::failAllocationAfter(count);
    std::string host;
    try {
      Posix::Machine::instance().hostPath(machine.path("FILE7") + std::string(count % 2, 'x'),
                                          &host);
    } catch (const MemError&) {
    }
    Posix::TestHooks::failAllocationAfter(-1);
  }
  std::string host;
  ASSERT_TRUE(Posix::Machine::instance().hostPath(machine.path("FILE7"), &host));
  EXPECT_EQ(machine.hostPath(machine.path("File7")), host);
}

// A key or value whose allocation failed half-way must not stay in the tree
// half made: the fold at the end of the run walks every key (found by the
// fault tests, which crashed there after "Unable to allocate memory.").
TEST_F(OutOfMemoryTest, KeysAndValuesAreEnteredWholeOrNotAtAll) {
  for (long long count = 0; count < 60; ++count) {
    Posix::RegistryTree tree("user");
    Posix::RegeditChange change;
    change.kind = Posix::RegeditChange::kSetValue;
    change.key = "HKEY_LOCAL_MACHINE\\Software\\Vendor\\Product";
    change.name = "Value";
    change.type = 1;
    change.data = {'x', 0};
    Posix::TestHooks::failAllocationAfter(count);
    try {
      std::string reason;
      tree.apply(change, &reason);
    } catch (const MemError&) {
    }
    Posix::TestHooks::failAllocationAfter(-1);
    // The walk does not trip over a half-made key, and the value is there
    // whole or not at all.
    const std::string text = tree.text();
    EXPECT_EQ(text.find("\"Value\"="), text.find("\"Value\"=\"x\"")) << "allocation " << count;
  }
}

}  // namespace
