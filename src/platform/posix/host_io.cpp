#include "platform/posix/host_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace Posix {

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The permission bits that new files lose: read once, as nothing in the
// installer changes them.
mode_t processUmask() {
  static const mode_t mask = [] {
    mode_t old = umask(0);
    umask(old);
    return old;
  }();
  return mask;
}

// Letters for the unique names of new files; not secret (O_EXCL keeps a
// guessed name from being used against us), only unlikely to collide.
char nameLetter() {
  static uint64_t state = [] {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<uint64_t>(getpid()) << 32 ^ static_cast<uint64_t>(now.tv_nsec) ^
           static_cast<uint64_t>(now.tv_sec) ^ 0x9E3779B97F4A7C15ull;
  }();
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  return letters[state % (sizeof letters - 1)];
}

// The new file of replaceFile, made with `mode` as far as the umask lets it
// (*modeSet then): a unique name from a pattern, tried until one is free, or
// the fixed name, emptied (an old file of that name keeps its own mode).
int createNewFile(std::string* path, mode_t mode, bool* modeSet) {
  if (!endsWith(*path, "XXXXXX")) {
    *modeSet = false;
    return open(path->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  }
  *modeSet = (mode & ~processUmask()) == mode;
  const size_t start = path->size() - 6;
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (size_t i = start; i < path->size(); ++i) (*path)[i] = nameLetter();
    int fd = open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// copy_file_range's refusals that leave the copy to read and write.
bool copyRangeRefused(int error) {
  return error == ENOSYS || error == EXDEV || error == EINVAL || error == EOPNOTSUPP ||
         error == EPERM || error == EBADF || error == ETXTBSY;
}

// Copies from `offset` of `from` to the same offset of `to` until the end
// of `from`.
bool copyToEnd(int from, int to, off_t offset) {
  char buffer[65536];
  while (true) {
    ssize_t got = pread(from, buffer, sizeof buffer, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      ssize_t written = pwrite(to, buffer + done, static_cast<size_t>(got - done), offset + done);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      done += written;
    }
    offset += got;
  }
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

bool syncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

}  // namespace

bool writeAll(int fd, const char* data, size_t length) {
  while (length > 0) {
    ssize_t written = write(fd, data, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    length -= static_cast<size_t>(written);
  }
  return true;
}

bool copyFileData(int from, int to, uint64_t size, CopyRange copyRange) {
  off64_t in = 0;
  off64_t out = 0;
  uint64_t left = size;
  while (left > 0) {
    ssize_t copied = copyRange(from, &in, to, &out, left, 0);
    if (copied < 0 && errno == EINTR) continue;
    if (copied < 0 && !copyRangeRefused(errno)) return false;
    // Refused or short: read and write carry on where it stopped.
    if (copied <= 0) return copyToEnd(from, to, in);
    left -= std::min(static_cast<uint64_t>(copied), left);
  }
  // A status without a size says nothing of the content.
  return size > 0 || copyToEnd(from, to, 0);
}

std::FILE* openForReadingBytes(const std::string& host) {
  std::FILE* file = std::fopen(host.c_str(), "rb");
  if (file == nullptr) return nullptr;
  struct stat status;
  if (fstat(fileno(file), &status) != 0 || S_ISDIR(status.st_mode)) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

bool listHostFolder(const std::string& folder,
                    const std::function<void(const char* name, unsigned char type)>& each) {
  // getdents64 straight: opendir would ask the folder's status first.
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  alignas(8) char buffer[32768];
  bool listed = true;
  while (true) {
    ssize_t got = getdents64(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      listed = got == 0;
      break;
    }
    for (ssize_t at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
      try {
        each(entry->d_name, entry->d_type);
      } catch (...) {
        close(fd);
        throw;
      }
      at += entry->d_reclen;
    }
  }
  close(fd);
  return listed;
}

std::string hostParentOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string joinHostPath(const std::string& folder, const std::string& name) {
  return folder + (folder == "/" ? "" : "/") + name;
}

bool isInsideHostFolder(const std::string& path, const std::string& folder) {
  if (folder == "/") return path.size() > 1 && path[0] == '/';
  return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
         path[folder.size()] == '/';
}

bool existsOnHost(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0;
}

bool isDirectoryOnHost(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

off_t hostFileSize(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0 ? status.st_size : -1;
}

void makeHostDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0755);
    if (slash == std::string::npos) break;
  }
}

void removeHostTree(const std::string& path) {
  if (existsOnHost(path)) nftw(path.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

int replaceFile(const std::string& path, const std::string& temporaryName, mode_t mode,
                bool durable, const std::function<bool(int fd)>& write) {
  const std::string folder = hostParentOf(path);
  std::string temporary = joinHostPath(folder, temporaryName);
  bool modeSet = false;
  const int fd = createNewFile(&temporary, mode, &modeSet);
  if (fd < 0) return errno;
  bool done = write(fd) && (modeSet || fchmod(fd, mode) == 0) && (!durable || fsync(fd) == 0);
  int error = errno;
  if (close(fd) != 0 && done) {
    done = false;
    error = errno;
  }
  if (done && rename(temporary.c_str(), path.c_str()) != 0) {
    done = false;
    error = errno;
  }
  if (!done) {
    unlink(temporary.c_str());
    return error != 0 ? error : EIO;
  }
  if (durable) syncFolder(folder);
  return 0;
}

}  // namespace Posix
