#ifndef TARNWICK_PLATFORM_POSIX_HOST_IO_H_
#define TARNWICK_PLATFORM_POSIX_HOST_IO_H_

#include <cstddef>
#include <string>

namespace Posix {

// Writes every byte to `fd`, going on after short writes and interrupted
// calls. False when a write fails.
bool writeAll(int fd, const char* data, size_t length);
inline bool writeAll(int fd, const std::string& bytes) {
  return writeAll(fd, bytes.data(), bytes.size());
}

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_HOST_IO_H_
