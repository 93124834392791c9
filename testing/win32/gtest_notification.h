#ifndef TARNWICK_TESTING_WIN32_GTEST_NOTIFICATION_H_
#define TARNWICK_TESTING_WIN32_GTEST_NOTIFICATION_H_

// GoogleTest's Notification is built on std::mutex, which the win32 thread
// model of MinGW-w64's GCC 12 does not provide. This stand-in is included
// ahead of GoogleTest (-include) in Win32 test builds. Only GoogleTest's
// own thread helpers use it, and our tests start no threads, so a plain
// atomic flag is enough.
#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : notified_(false) {}
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true); }
  void WaitForNotification() {
    while (!notified_.load()) {
    }
  }

 private:
  std::atomic<bool> notified_;
};

}  // namespace internal
}  // namespace testing

#endif  // TARNWICK_TESTING_WIN32_GTEST_NOTIFICATION_H_
