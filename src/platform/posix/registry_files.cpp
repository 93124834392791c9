#include "platform/posix/registry_files.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/posix/host_io.h"

namespace Posix {

namespace {

// 0 read, ENOENT for a missing file, another errno value for a failure.
int readWholeFile(const std::string& path, std::string* text) {
  text->clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  char buffer[65536];
  for (;;) {
    ssize_t count = read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      int error = count < 0 ? errno : 0;
      close(fd);
      return error;
    }
    text->append(buffer, static_cast<size_t>(count));
  }
}

}  // namespace

RegistryFiles::RegistryFiles(const std::string& folder) : folder_(folder), lock_(folder) {}

RegistryFiles::~RegistryFiles() {
  if (journalFd_ >= 0) {
    // Only while the lock is held may the journal go. Building its path may
    // fail for want of memory; an empty journal left behind is harmless, an
    // exception out of a destructor is not.
    if (journalSize_ == 0 && lock_.held()) {
      try {
        unlink(journalPath().c_str());
      } catch (const std::bad_alloc&) {
      }
    }
    close(journalFd_);
  }
}

// Every descriptor is close-on-exec: a program the installer runs must not
// hold the lock or the journal on after the installer has ended.
bool RegistryFiles::lock() {
  if (lock_.acquire("Waiting for another installer to finish with the registry of " + folder_ +
                    "...")) {
    return true;
  }
  const int error = errno;
  std::fprintf(stderr, "The registry of %s is read-only: cannot open %s: %s\n", folder_.c_str(),
               lock_.path().c_str(), std::strerror(error));
  return false;
}

int RegistryFiles::readRegistry(std::string* text) const {
  return readWholeFile(registryPath(), text);
}

int RegistryFiles::readJournal(std::string* bytes) const {
  return readWholeFile(journalPath(), bytes);
}

bool RegistryFiles::openJournal(off_t validLength) {
  journalFd_ = open(journalPath().c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (journalFd_ < 0) {
    std::fprintf(stderr, "The registry of %s is read-only: cannot open %s: %s\n", folder_.c_str(),
                 journalPath().c_str(), std::strerror(errno));
    return false;
  }
  struct stat status;
  if (fstat(journalFd_, &status) != 0) return false;
  if (status.st_size != validLength && ftruncate(journalFd_, validLength) != 0) return false;
  journalSize_ = validLength;
  return true;
}

bool RegistryFiles::append(const std::string& record) {
  if (journalFd_ < 0) return false;
  ssize_t written = write(journalFd_, record.data(), record.size());
  if (written == static_cast<ssize_t>(record.size())) {
    journalSize_ += written;
    return true;
  }
  if (written > 0 && ftruncate(journalFd_, journalSize_) != 0) {
    // The torn record stays; the next load drops it as a torn tail, and no
    // record may follow it: no more appends.
    close(journalFd_);
    journalFd_ = -1;
  }
  return false;
}

// The new file has a fixed name: only the holder of the lock writes it, and
// a run killed while writing it leaves nothing that piles up.
bool RegistryFiles::replaceRegistry(const std::string& text) {
  const std::string path = registryPath();
  const int error =
      replaceFile(path, "registry.reg.new", 0644, true, [&](int fd) { return writeAll(fd, text); });
  if (error != 0) {
    // The changes are then made durable where they are.
    if (journalFd_ >= 0) fsync(journalFd_);
    std::fprintf(stderr, "Unable to write the registry file %s: %s; the changes are kept in %s\n",
                 path.c_str(), std::strerror(error), journalPath().c_str());
    return false;
  }
  if (journalFd_ >= 0 && ftruncate(journalFd_, 0) == 0) journalSize_ = 0;
  return true;
}

}  // namespace Posix
