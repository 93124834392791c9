#include "platform/posix/host_io.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace Posix {

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The new file of replaceFile: a unique name from a pattern, else the fixed
// name, emptied.
int createNewFile(std::string* path) {
  if (endsWith(*path, "XXXXXX")) return mkostemp(&(*path)[0], O_CLOEXEC);
  return open(path->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
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
  const int fd = createNewFile(&temporary);
  if (fd < 0) return errno;
  bool done = write(fd) && fchmod(fd, mode) == 0 && (!durable || fsync(fd) == 0);
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
