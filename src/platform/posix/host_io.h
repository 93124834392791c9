#ifndef TARNWICK_PLATFORM_POSIX_HOST_IO_H_
#define TARNWICK_PLATFORM_POSIX_HOST_IO_H_

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
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

// The signature of copy_file_range(2), so that a test can stand in for it.
using CopyRange = ssize_t (*)(int in, off64_t* inOffset, int out, off64_t* outOffset, size_t length,
                              unsigned int flags);

// Copies the bytes of the file `from` into the new file `to`, both from
// their start (their file positions stay where they are): the `size` bytes
// its status gave, with copy_file_range, which lets the kernel copy in place.
// Where that call refuses (across file systems, or a kernel or file system
// without it) or stops short (a file that shrank, or one whose status gives
// no size, as /proc's files do), read and write carry on to the end of the
// file. False with errno set when reading or writing fails.
bool copyFileData(int from, int to, uint64_t size, CopyRange copyRange = ::copy_file_range);

// Opens a host file for reading bytes; null when it cannot be opened or is a
// directory (which fopen would open on POSIX). Close it with std::fclose.
std::FILE* openForReadingBytes(const std::string& host);

// Calls `each` with the name and dirent type (DT_REG, DT_DIR, DT_LNK,
// DT_UNKNOWN ...) of every entry of a host folder, "." and ".." included, in
// the order the host gives them. False when the folder cannot be listed.
bool listHostFolder(const std::string& folder,
                    const std::function<void(const char* name, unsigned char type)>& each);

// The folder that holds `path`: "/" for an entry of the root, "." for a
// bare name.
std::string hostParentOf(const std::string& path);

// `folder` + "/" + `name`, without doubling the root's slash.
std::string joinHostPath(const std::string& folder, const std::string& name);

// Whether `path` lies strictly inside `folder` (both without a trailing
// slash), judged on the names alone.
bool isInsideHostFolder(const std::string& path, const std::string& folder);

// lstat: the entry itself, a link as a link.
bool existsOnHost(const std::string& path);
// stat: a folder, or a link to one.
bool isDirectoryOnHost(const std::string& path);
// The size of a file (lstat), or -1 when there is none.
off_t hostFileSize(const std::string& path);

// Makes the folder and every missing folder above it (as mkdir -p); what
// fails shows when the folder is used.
void makeHostDirectories(const std::string& path);
// Removes a folder and everything in it, never following a link out of it.
// Only for folders this process made.
void removeHostTree(const std::string& path);

// Replaces the file at `path` with a new one that `write` fills, so that
// `path` is at every moment either the old file or the whole new one: the
// new file is made beside it as `temporaryName` (a mkstemp pattern ending in
// "XXXXXX", or a fixed name for a caller that holds a lock on the folder),
// filled, given `mode` (made with it where the process's umask allows), made durable when `durable`
// says so (the file before the rename, the folder after it) and renamed over `path`. `write`
// returns false with errno set when it fails. Returns 0, or the errno of the step that failed; the
// new file is then removed and `path` left as it was.
int replaceFile(const std::string& path, const std::string& temporaryName, mode_t mode,
                bool durable, const std::function<bool(int fd)>& write);

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_HOST_IO_H_
