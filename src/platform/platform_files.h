#ifndef TARNWICK_PLATFORM_PLATFORM_FILES_H_
#define TARNWICK_PLATFORM_PLATFORM_FILES_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
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
  bool readOnly = false;  // FILE_ATTRIBUTE_READONLY
  int64_t size = 0;
  int64_t modified = 0;  // seconds since 1970
};

// The runtime's _stat: fails for a missing path, for a path with a trailing
// separator other than a drive root, and for wildcards.
bool fileStatus(const std::string& path, FileStatus* status);

// A path's status as one look-up found it, kept so that the call that acts
// on the path next need not look for it again: one decision asks the
// platform once. It tells of the path as it was; the caller looks again
// once anything may have changed the path (its own changes included).
struct PathStatus {
  bool exists = false;  // fileStatus succeeded
  FileStatus status;    // when it exists
  // Where the platform found the path (on the emulated machine, its host
  // path). Callers only hand it back.
  std::string location;
};

// fileStatus(path), keeping what the look-up found. Returns `exists`.
bool lookUpPath(const std::string& path, PathStatus* result);

// CreateDirectoryA with default security: fails when the path exists or its
// parent is missing.
bool createDirectory(const std::string& path);
// The same for a path that lookUpPath has just described as `known`.
bool createDirectory(const std::string& path, const PathStatus& known);

// CopyFileA(from, to, FALSE): overwrites an existing destination (unless it is
// read-only) and keeps the source's modification time. A new file appears
// whole under the destination's name or not at all.
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

// A file opened for reading once, for everything that copying it under the
// update rule needs: its status, its version resource and its bytes.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;

  // Its status when it was opened.
  virtual const FileStatus& status() const = 0;

  // GetFileVersionInfoSizeA: 0 when the file has no version resource. A
  // file that does not start as an executable does ("MZ") has none; Win32
  // answers it without the version functions, which load the file as an
  // image to look.
  virtual uint32_t versionInfoSize() = 0;

  // GetFileVersionInfoA with `size` bytes: false when the resource cannot be
  // read whole.
  virtual bool readVersionInfo(uint32_t size, std::vector<unsigned char>* data) = 0;

  // copyFile(this file, to), where lookUpPath(to) has just given `known`.
  virtual bool copyTo(const std::string& to, const PathStatus& known) = 0;
};

// Opens a regular file for reading: null when the path is missing, names
// something else or (POSIX) cannot be read. Win32 opens the file for each
// call that reads it, so there a file that cannot be read fails those calls.
std::unique_ptr<ReadableFile> openReadable(const std::string& path);

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
