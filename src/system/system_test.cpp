#include "system/system.h"

#include <gtest/gtest.h>

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

}  // namespace
