#ifndef TARNWICK_PLATFORM_POSIX_HOST_IO_H_
#define TARNWICK_PLATFORM_POSIX_HOST_IO_H_

#include <cstddef>
#include <cstdio>
#include <string>

namespace Posix {

// Writes every byte to `fd`, going on after short writes and interrupted
// calls. False when a write fails.
bool writeAll(int fd, const char* data, size_t length);
inline bool writeAll(int fd, const std::string& bytes) {
  return writeAll(fd, bytes.data(), bytes.size());
}

// Opens a host file for reading bytes; null when it cannot be opened or is a
// directory (which fopen would open on POSIX). Close it with std::fclose.
std::FILE* openForReadingBytes(const std::string& host);

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_HOST_IO_H_
