#ifndef TARNWICK_PLATFORM_POSIX_HOST_IO_H_
#define TARNWICK_PLATFORM_POSIX_HOST_IO_H_

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

// Small operations on host paths and descriptors that the emulated machine
// needs in several places. Paths here are host paths ('/'-separated, UTF-8);
// nothing here knows about Windows paths.
namespace Posix {

// Writes every byte to `fd`, going on after short writes and interrupted
// calls. False when a write fails.
bool writeAll(int fd, const char* data, size_t length);
inline bool writeAll(int fd, const std::string& bytes) {
  return writeAll(fd, bytes.data(), bytes.size());
}

// The folder that holds `path`: "/" for an entry of the root, "." for a
// bare name.
std::string hostParentOf(const std::string& path);

// `folder` + "/" + `name`, without doubling the root's slash.
std::string joinHostPath(const std::string& folder, const std::string& name);

// Replaces the file at `path` with a new one that `write` fills, so that
// `path` is at every moment either the old file or the whole new one: the
// new file is made beside it as `temporaryName` (a mkstemp pattern ending in
// "XXXXXX", or a fixed name for a caller that holds a lock on the folder),
// filled, given `mode`, made durable when `durable` says so (the file before
// the rename, the folder after it) and renamed over `path`. `write` returns
// false with errno set when it fails. Returns 0, or the errno of the step
// that failed; the new file is then removed and `path` left as it was.
int replaceFile(const std::string& path, const std::string& temporaryName, mode_t mode,
                bool durable, const std::function<bool(int fd)>& write);

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_HOST_IO_H_
