// The file operations on the real Windows API and the C runtime (msvcrt).
// Each function is one call, or the few calls one operation needs, with
// the result turned into success or failure; nothing here reports.
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>

#include <cstring>

#include "platform/platform_files.h"
#include "platform/windows_text.h"

namespace Platform {

namespace {

static_assert(kMaxPath == MAX_PATH, "the seam's path limit is Windows' own");

// The runtime's status query with a 64-bit size. The msvcrt.dll of
// Windows 95, 98 and 2000 has only _stati64 (32-bit times), which the
// headers call _stat32i64; 64-bit Windows has _stat64.
#ifdef _WIN64
using StatBuffer = struct _stat64;
int statPath(const char* path, StatBuffer* buffer) { return _stat64(path, buffer); }
#else
using StatBuffer = struct _stat32i64;
int statPath(const char* path, StatBuffer* buffer) { return _stat32i64(path, buffer); }
#endif

// The API sees a path only up to its first NUL. A path with a NUL inside is
// refused, so that no call acts on a shorter path than the one its caller
// reports (deleting "C:\App" for "C:\App<NUL>\old").
bool hasNul(const std::string& path) { return path.find('\0') != std::string::npos; }

// A handle closed by `Close` (FindClose, CloseHandle) on every path.
template <BOOL(WINAPI* Close)(HANDLE)>
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (valid()) Close(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

using FindHandle = ScopedHandle<FindClose>;
using FileHandle = ScopedHandle<CloseHandle>;

FoundEntry toFoundEntry(const WIN32_FIND_DATAA& data) {
  FoundEntry entry;
  entry.name = data.cFileName;
  entry.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry.link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  return entry;
}

// True for a trailing separator that is not the whole of a root ("\",
// "C:\"): the runtime's status query refuses those, and so do we, whatever
// the runtime version at hand does.
bool hasNonRootTrailingSeparator(const std::string& path) {
  if (path.empty() || !WindowsText::isSeparator(path.back())) return false;
  std::string rest = path.substr(0, path.size() - 1);
  return !rest.empty() && !(rest.size() == 2 && rest[1] == ':');
}

bool hasWildcard(const std::string& path) { return path.find_first_of("*?") != std::string::npos; }

// Windows refuses to write into a read-only file. Wine leaves that check to
// the host, which lets root write anyway; asking first makes both agree.
bool isReadOnlyFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
         !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The starts of the files the version functions may find a resource in:
// executables of every kind ("MZ"). Some versions of them also read through
// LZ-compressed files ("SZDD") and, under Wine, host libraries (ELF,
// Mach-O): those are left to them too.
const char* const kVersionedSignatures[] = {"MZ",
                                            "SZDD",
                                            "\x7f"
                                            "ELF",
                                            "\xce\xfa\xed\xfe",
                                            "\xcf\xfa\xed\xfe",
                                            "\xfe\xed\xfa\xce",
                                            "\xfe\xed\xfa\xcf"};

// Whether the version functions could find a resource in the file: it
// starts with a signature they read. A file that cannot be read here is left
// to them. GetFileVersionInfoSizeA loads the file as an image to look, which
// under Wine takes most of the time a copy takes, for nothing, on any other
// file.
bool mayHoldVersionResource(const std::string& path) {
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return true;
  char start[4] = {};
  DWORD count = 0;
  if (!ReadFile(file.get(), start, sizeof start, &count, nullptr)) return true;
  for (const char* signature : kVersionedSignatures) {
    const size_t length = std::strlen(signature);
    if (count >= length && std::memcmp(start, signature, length) == 0) return true;
  }
  return false;
}

// A file the calls name by its path: the version functions and CopyFileA
// open it themselves.
class Win32ReadableFile : public ReadableFile {
 public:
  Win32ReadableFile(const std::string& path, const FileStatus& status)
      : path_(path), status_(status) {}

  const FileStatus& status() const override { return status_; }

  uint32_t versionInfoSize() override {
    if (!mayHoldVersionResource(path_)) return 0;
    DWORD ignored = 0;
    return GetFileVersionInfoSizeA(path_.c_str(), &ignored);
  }

  bool readVersionInfo(uint32_t size, std::vector<unsigned char>* data) override {
    if (size == 0) return false;
    data->assign(size, 0);
    return GetFileVersionInfoA(path_.c_str(), 0, size, data->data()) != 0;
  }

  bool copyTo(const std::string& to, const PathStatus& known) override {
    if (hasNul(to)) return false;
    // What the status said spares asking for the attributes again.
    const bool readOnly =
        known.exists ? known.status.readOnly && !known.status.directory : isReadOnlyFile(to);
    return !readOnly && CopyFileA(path_.c_str(), to.c_str(), FALSE) != 0;
  }

 private:
  std::string path_;
  FileStatus status_;
};

}  // namespace

bool fullPathName(const std::string& path, std::string* full) {
  if (hasNul(path)) return false;
  char buffer[kMaxPath];
  DWORD length = GetFullPathNameA(path.c_str(), kMaxPath, buffer, nullptr);
  // A result of the capacity or more is the size the path would need.
  if (length == 0 || length >= kMaxPath) return false;
  full->assign(buffer, length);
  return true;
}

bool setCurrentDirectory(const std::string& path) {
  return !hasNul(path) && SetCurrentDirectoryA(path.c_str()) != 0;
}

bool fileStatus(const std::string& path, FileStatus* status) {
  if (hasNul(path) || hasNonRootTrailingSeparator(path) || hasWildcard(path)) return false;
  StatBuffer info;
  if (statPath(path.c_str(), &info) != 0) return false;
  status->directory = (info.st_mode & _S_IFMT) == _S_IFDIR;
  status->regular = (info.st_mode & _S_IFMT) == _S_IFREG;
  status->readOnly = (info.st_mode & _S_IWRITE) == 0;
  status->size = info.st_size;
  status->modified = info.st_mtime;
  return true;
}

bool lookUpPath(const std::string& path, PathStatus* result) {
  *result = PathStatus();
  result->exists = fileStatus(path, &result->status);
  return result->exists;
}

bool createDirectory(const std::string& path) {
  return !hasNul(path) && CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool createDirectory(const std::string& path, const PathStatus& known) {
  return !known.exists && createDirectory(path);
}

bool copyFile(const std::string& from, const std::string& to) {
  if (hasNul(from) || hasNul(to) || isReadOnlyFile(to)) return false;
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool deleteFile(const std::string& path) { return !hasNul(path) && DeleteFileA(path.c_str()) != 0; }

bool removeDirectory(const std::string& path) {
  return !hasNul(path) && RemoveDirectoryA(path.c_str()) != 0;
}

std::vector<FoundEntry> findFiles(const std::string& pattern) {
  std::vector<FoundEntry> entries;
  if (hasNul(pattern)) return entries;
  WIN32_FIND_DATAA data;
  FindHandle find(FindFirstFileA(pattern.c_str(), &data));
  if (!find.valid()) return entries;
  do {
    entries.push_back(toFoundEntry(data));
  } while (FindNextFileA(find.get(), &data));
  return entries;
}

std::unique_ptr<ReadableFile> openReadable(const std::string& path) {
  FileStatus status;
  if (!fileStatus(path, &status) || !status.regular) return nullptr;
  return std::make_unique<Win32ReadableFile>(path, status);
}

bool queryFileVersion(const std::vector<unsigned char>& data, uint32_t* mostSignificant,
                      uint32_t* leastSignificant) {
  // The block starts with its own length; one that claims more than we
  // hold is not a version block, and the query would read past its end.
  if (data.size() < 6 || data[0] + (data[1] << 8) > static_cast<int>(data.size())) return false;
  // The query only reads, but its block parameter is not const in every
  // header version; a private copy keeps the caller's data untouched.
  std::vector<unsigned char> block(data);
  void* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\", &fixed, &length)) return false;
  if (fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO)) return false;
  const VS_FIXEDFILEINFO* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  if (info->dwSignature != 0xFEEF04BD) return false;
  *mostSignificant = info->dwFileVersionMS;
  *leastSignificant = info->dwFileVersionLS;
  return true;
}

std::FILE* openForReading(const std::string& path) {
  if (hasNul(path)) return nullptr;
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return nullptr;
  }
  return std::fopen(path.c_str(), "rb");
}

bool appendText(const std::string& path, const std::string& text) {
  if (hasNul(path) || isReadOnlyFile(path)) return false;
  std::FILE* file = std::fopen(path.c_str(), "a+");
  if (file == nullptr) return false;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  return true;
}

}  // namespace Platform
