#ifndef TARNWICK_PLATFORM_PLATFORM_FILES_H_
#define TARNWICK_PLATFORM_PLATFORM_FILES_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// File operations the installer needs, one function per Win32 or runtime
// call it stands for. Every path is a Windows path (drive letters, '\' or
// '/'). Each call returns success or failure the way the Win32 call does;
// no call throws and none reports anything: the callers own the messages.
//
// win32/ forwards to the real API; posix/ works on the emulated machine.
namespace Platform {

// MAX_PATH: the bytes of a path buffer of the ANSI calls, the terminator
// included. A path fits when it is shorter; every call that hands back or
// resolves a path refuses one that does not fit.
const size_t kMaxPath = 260;
inline bool fitsMaxPath(const std::string& path) { return path.size() < kMaxPath; }

// GetFullPathNameA into a buffer of kMaxPath bytes: false when the path
// cannot be resolved or its absolute form does not fit.
bool fullPathName(const std::string& path, std::string* full);

// SetCurrentDirectoryA.
bool setCurrentDirectory(const std::string& path);

struct FileStatus {
  bool directory = false;
  bool regular = false;
  int64_t size = 0;
  int64_t modified = 0;  // seconds since 1970
};

// The runtime's _stat: fails for a missing path, for a path with a trailing
// separator other than a drive root, and for wildcards.
bool fileStatus(const std::string& path, FileStatus* status);

// CreateDirectoryA with default security: fails when the path exists or its
// parent is missing.
bool createDirectory(const std::string& path);

// CopyFileA(from, to, FALSE): overwrites an existing destination (unless it is
// read-only) and keeps the source's modification time.
bool copyFile(const std::string& from, const std::string& to);

// DeleteFileA: fails for directories and read-only files. A symbolic link is
// removed itself.
bool deleteFile(const std::string& path);

// RemoveDirectoryA: fails unless the directory is empty. A directory link
// (symbolic link or junction) is removed itself, never what it points to.
bool removeDirectory(const std::string& path);

struct FoundEntry {
  std::string name;
  bool directory = false;  // FILE_ATTRIBUTE_DIRECTORY
  bool link = false;       // FILE_ATTRIBUTE_REPARSE_POINT
};

// FindFirstFileA / FindNextFileA / FindClose over `pattern`: every match, in
// the order the platform reports them, "." and ".." included when they
// match. An empty result when nothing matches or the directory is missing.
std::vector<FoundEntry> findFiles(const std::string& pattern);

// GetFileVersionInfoSizeA: 0 when the file has no version resource.
uint32_t fileVersionInfoSize(const std::string& path);

// GetFileVersionInfoA with `size` bytes: false when the resource cannot be
// read whole.
bool readFileVersionInfo(const std::string& path, uint32_t size, std::vector<unsigned char>* data);

// VerQueryValueA(data, "\\"): the file version of VS_FIXEDFILEINFO; false
// when the block is missing or its signature is not 0xFEEF04BD.
bool queryFileVersion(const std::vector<unsigned char>& data, uint32_t* mostSignificant,
                      uint32_t* leastSignificant);

// Opens a file for reading bytes ("rb"): null when the path is missing, is a
// directory, or cannot be read. The caller closes it with std::fclose.
std::FILE* openForReading(const std::string& path);

// Appends `text` to a file opened in text mode ("a+": created when missing,
// every line feed stored as CR LF). False when the file cannot be opened.
bool appendText(const std::string& path, const std::string& text);

}  // namespace Platform

#endif  // TARNWICK_PLATFORM_PLATFORM_FILES_H_
