// GoogleTest's Notification is built on std::mutex, which the win32 thread
// model of MinGW lacks. This one, on a Win32 event, takes its place; it is
// force-included into GoogleTest and the unit tests of the Win32 builds.
#ifndef TARNWICK_TESTING_WIN32_GTEST_NOTIFICATION_H_
#define TARNWICK_TESTING_WIN32_GTEST_NOTIFICATION_H_

#ifdef __cplusplus
#include <windows.h>

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace internal
}  // namespace testing

#endif  // __cplusplus
#endif  // TARNWICK_TESTING_WIN32_GTEST_NOTIFICATION_H_
