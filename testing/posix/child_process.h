#ifndef TARNWICK_TESTING_POSIX_CHILD_PROCESS_H_
#define TARNWICK_TESTING_POSIX_CHILD_PROCESS_H_

#include <sys/types.h>

#include <functional>
#include <string>

// A second process for tests of two installers at once: a fork of the test
// that runs `body` once told to go (so that the parent can take a lock
// first, which a child forked later would share), with its standard error
// sent to the parent, and ends with the exit code `body` returns.
class ChildProcess {
 public:
  explicit ChildProcess(const std::function<int()>& body);
  // Waits for the child, if nobody did.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void go();
  // Reads the child's standard error until `expected` is among it. False at
  // its end, or after ten seconds without news: a stalled child must fail a
  // test, not hang it.
  bool awaitError(const std::string& expected);
  // The child's exit code, or -1 when it did not exit by itself.
  int wait();

 private:
  pid_t pid_ = -1;
  int go_ = -1;
  int errors_ = -1;
};

#endif  // TARNWICK_TESTING_POSIX_CHILD_PROCESS_H_
