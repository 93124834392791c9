#include "platform/posix/host_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace Posix {

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

}  // namespace Posix
