#include "system/system.h"

#include <gtest/gtest.h>

#include <string>

#include "driver/throwable.h"
#include "testing/scratch_machine.h"

namespace {

TEST(SystemTest, ClassifiesOsVersions) {
  EXPECT_EQ(Windows95, System::classify({1, 4, 0}));
  EXPECT_EQ(Windows95, System::classify({1, 3, 95}));
  EXPECT_EQ(Windows98, System::classify({1, 4, 10}));
  EXPECT_EQ(Windows98, System::classify({1, 4, 90}));
  EXPECT_EQ(Windows98, System::classify({1, 5, 0}));
  for (unsigned long major : {4ul, 5ul, 6ul, 10ul}) {
    EXPECT_EQ(WindowsNT, System::classify({2, major, 0}));
  }
  EXPECT_EQ(UnknownOs, System::classify({0, 4, 0}));
  EXPECT_EQ(UnknownOs, System::classify({3, 10, 0}));
}

// No real system fails these calls at will: each fails here in turn, in a
// copy of the platform's calls, and start-up stops at it with its message.
TEST(SystemTest, EachFailingCallStopsStartUpWithItsMessage) {
  using Calls = System::Calls;
  struct Case {
    const char* message;
    void (*breakCall)(Calls*);
  };
  const Case cases[] = {
      {"Unable to get OS information.",
       [](Calls* calls) { calls->osVersion = [](Platform::OsVersion*) { return false; }; }},
      {"Unable to determine running directory.",
       [](Calls* calls) { calls->moduleFileName = [](std::string*) { return false; }; }},
      {"Unable to determine windows directory.",
       [](Calls* calls) { calls->windowsDirectory = [](std::string*) { return false; }; }},
      {"Unable to determine system directory.",
       [](Calls* calls) { calls->systemDirectory = [](std::string*) { return false; }; }},
      {"Unable to determine path to folder.",
       [](Calls* calls) {
         calls->specialFolderLocation = [](int, Platform::ShellItem**) { return false; };
       }},
      {"Unable to determine path to folder",
       [](Calls* calls) {
         calls->pathFromShellItem = [](Platform::ShellItem*, std::string*) { return false; };
       }},
      {"Unable to free shell item memory.",
       [](Calls* calls) {
         calls->freeShellItem = [](Platform::ShellItem* item) {
           Platform::freeShellItem(item);
           return false;
         };
       }},
  };
  ScratchMachine machine;
  for (const Case& failing : cases) {
    Calls calls;
    failing.breakCall(&calls);
    try {
      System::initialize(calls);
      ADD_FAILURE() << "no exception for " << failing.message;
    } catch (const SystemException& error) {
      EXPECT_EQ(failing.message, error.message());
    }
    // The facts after the failing step stay empty.
    EXPECT_EQ("", System::sharedProgramsDirectory()) << failing.message;
  }
  System::initialize();
  EXPECT_NE("", System::sharedProgramsDirectory());
  EXPECT_NE("", System::runningDirectory());
}

}  // namespace
