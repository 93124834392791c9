#ifndef TARNWICK_PLATFORM_POSIX_MACHINE_LOCK_H_
#define TARNWICK_PLATFORM_POSIX_MACHINE_LOCK_H_

#include <string>

namespace Posix {

// The lock of a machine folder, the file registry.lock in it: an installer
// holds it while it uses the machine's registry and while it provisions a
// new machine, so that installers sharing a machine take turns. The system
// releases it when the process ends, however it ends; the descriptor is
// close-on-exec, so that a program the installer runs never holds it on.
class MachineLock {
 public:
  explicit MachineLock(const std::string& folder);
  // Releases the lock.
  ~MachineLock();
  MachineLock(const MachineLock&) = delete;
  MachineLock& operator=(const MachineLock&) = delete;

  std::string path() const { return folder_ + "/registry.lock"; }

  // Takes the lock, waiting while another process holds it; when it has to
  // wait it first writes `waitingNote` and a line end to standard error.
  // False, with errno set, when the lock file cannot be opened.
  bool acquire(const std::string& waitingNote);
  bool held() const { return fd_ >= 0; }

  // Whether the locked file is still in the machine folder: false once it
  // was removed (with the folder, say, for a new machine in its place).
  // True while the lock is not held. Asks the descriptor, not the path.
  bool stillInPlace() const;

 private:
  std::string folder_;
  int fd_ = -1;
};

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_MACHINE_LOCK_H_
