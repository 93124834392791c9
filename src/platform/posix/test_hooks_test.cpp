#include "platform/posix/test_hooks.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

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
