#include "platform/posix/machine_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace Posix {

MachineLock::MachineLock(const std::string& folder) : folder_(folder) {}

MachineLock::~MachineLock() {
  if (fd_ >= 0) close(fd_);
}

bool MachineLock::acquire(const std::string& waitingNote) {
  fd_ = open(path().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) return false;
  if (flock(fd_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    std::fprintf(stderr, "%s\n", waitingNote.c_str());
    while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  return true;
}

bool MachineLock::stillInPlace() const {
  struct stat status;
  return fd_ < 0 || (fstat(fd_, &status) == 0 && status.st_nlink > 0);
}

}  // namespace Posix
