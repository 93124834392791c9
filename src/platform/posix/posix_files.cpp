// The file operations on the emulated machine. Windows paths are mapped to
// host paths by Posix::Machine (case-insensitive lookup, drives, the Z: rule);
// everything Windows refuses on its own (read-only files, names it cannot
// hold, a file in place of a directory) is checked here, so that it holds
// even when the installer runs as root.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/platform_files.h"
#include "platform/posix/code_page.h"
#include "platform/posix/host_io.h"
#include "platform/posix/machine.h"
#include "platform/posix/pe_version_reader.h"
#include "platform/posix/windows_names.h"
#include "platform/windows_text.h"

namespace Platform {

namespace {

Posix::Machine& machine() { return Posix::Machine::instance(); }

bool hasWildcard(const std::string& path) { return path.find_first_of("*?") != std::string::npos; }

bool endsInSeparator(const std::string& path) {
  return !path.empty() && WindowsText::isSeparator(path.back());
}

// A drive root, in full form ("C:\").
bool isRoot(const std::string& full) {
  return full.size() == 3 && full[1] == ':' && WindowsText::isSeparator(full[2]);
}

// Windows' read-only attribute: the owner's write bit is missing.
bool isReadOnly(const struct stat& status) { return (status.st_mode & S_IWUSR) == 0; }

// The host path of a Windows path whose full form fits MAX_PATH, as the
// ANSI calls require.
bool hostPathOf(const std::string& path, std::string* host) {
  std::string full;
  return fullPathName(path, &full) && machine().hostPath(full, host);
}

// The path's full form and where it lies, with the status of what is there
// (*found): false when the runtime's status query refuses the path as
// written (msvcrt's _stat: blanks at the end are ignored for these checks;
// "C:" alone fails and so does a trailing separator, except on a root) or
// it has no host path.
bool locateForStatus(const std::string& path, std::string* host, struct stat* status, bool* found) {
  size_t length = path.size();
  while (length > 0 && path[length - 1] == ' ') --length;
  if (length == 0 || hasWildcard(path)) return false;
  if (length == 2 && path[1] == ':') return false;
  if (length >= 2 && path[length - 2] != ':' && WindowsText::isSeparator(path[length - 1])) {
    return false;
  }
  std::string full;
  return fullPathName(path, &full) && machine().locate(full, host, status, found);
}

void describe(const struct stat& host, FileStatus* status) {
  status->directory = S_ISDIR(host.st_mode);
  status->regular = S_ISREG(host.st_mode);
  status->readOnly = isReadOnly(host);
  status->size = static_cast<int64_t>(host.st_size);
  status->modified = static_cast<int64_t>(host.st_mtime);
}

// The full Windows path and host path of something the caller is about to
// create, overwrite or delete: false when the Z: rule or the name forbids it.
bool writableTarget(const std::string& path, std::string* full, std::string* host) {
  if (path.empty() || hasWildcard(path)) return false;
  return fullPathName(path, full) && Posix::WindowsNames::isValidNewPath(*full) &&
         machine().hostPath(*full, host) && machine().isWritable(*full, *host);
}

// writableTarget for a path that lookUpPath has found at `host`.
bool writableKnownTarget(const std::string& path, const std::string& host) {
  std::string full;
  return !path.empty() && !hasWildcard(path) && fullPathName(path, &full) &&
         Posix::WindowsNames::isValidNewPath(full) && machine().isWritable(full, host);
}

bool lstatOf(const std::string& host, struct stat* status) {
  return lstat(host.c_str(), status) == 0;
}

// writableTarget for an entry about to be deleted, with its lstat: false
// also when it does not exist. An entry found as written needs no look-up.
bool existingWritableTarget(const std::string& path, std::string* full, std::string* host,
                            struct stat* status) {
  if (path.empty() || hasWildcard(path)) return false;
  if (!fullPathName(path, full) || !Posix::WindowsNames::isValidNewPath(*full)) return false;
  const bool exists = (machine().writtenHostPath(*full, host) && lstatOf(*host, status)) ||
                      (machine().hostPath(*full, host) && lstatOf(*host, status));
  return exists && machine().isWritable(*full, *host);
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, reporting whether the data reached the file.
  bool closeChecked() {
    int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

// The machine's folder listings follow what the installer itself changes.
bool noteAdded(bool done, const std::string& host) {
  if (done) machine().noteAdded(host);
  return done;
}

bool noteFolderMade(bool done, const std::string& host) {
  if (done) machine().noteFolderMade(host);
  return done;
}

bool noteRemoved(bool done, const std::string& host) {
  if (done) machine().noteRemoved(host);
  return done;
}

// A failed copy never leaves a half file in place of the old one. Copies are
// not synced one by one: that would make copying a tree many times slower.
bool replaceWithCopy(int source, const struct stat& sourceStatus, const std::string& to) {
  const struct timespec times[2] = {sourceStatus.st_atim, sourceStatus.st_mtim};
  const uint64_t size = static_cast<uint64_t>(sourceStatus.st_size);
  return Posix::replaceFile(
             to, ".tarnwick-copy-XXXXXX", sourceStatus.st_mode & 0777, false, [&](int target) {
               return Posix::copyFileData(source, target, size) && futimens(target, times) == 0;
             }) == 0;
}

// A regular file opened once: its descriptor, its status and where it lies.
class PosixReadableFile : public ReadableFile {
 public:
  PosixReadableFile(int fd, const struct stat& status, const std::string& host)
      : fd_(fd),
        hostStatus_(status),
        host_(host),
        bytes_(fd, static_cast<uint64_t>(status.st_size)) {
    describe(status, &status_);
  }

  const FileStatus& status() const override { return status_; }

  uint32_t versionInfoSize() override {
    resourceFound_ = PeVersion::findVersionResource(bytes_, &resource_);
    return resourceFound_ ? resource_.size : 0;
  }

  bool readVersionInfo(uint32_t size, std::vector<unsigned char>* data) override {
    if (!resourceFound_ && versionInfoSize() == 0) return false;
    return PeVersion::readVersionResource(bytes_, resource_, size, data);
  }

  bool copyTo(const std::string& to, const PathStatus& known) override {
    if (known.location.empty()) return copyToPath(to);
    if (endsInSeparator(to) || !writableKnownTarget(to, known.location)) return false;
    // Not onto a directory, a read-only file or the source itself.
    if (known.exists && (!known.status.regular || known.status.readOnly)) return false;
    if (known.location == host_) return false;
    return noteAdded(replaceWithCopy(fd_.get(), hostStatus_, known.location), known.location);
  }

 private:
  // copyTo for a path that lookUpPath could not describe ("C:" alone, say):
  // looked up here.
  bool copyToPath(const std::string& to) {
    std::string full;
    PathStatus known;
    if (endsInSeparator(to) || !writableTarget(to, &full, &known.location)) return false;
    struct stat status;
    known.exists = stat(known.location.c_str(), &status) == 0;
    if (known.exists) describe(status, &known.status);
    return copyTo(to, known);
  }

  FileDescriptor fd_;
  struct stat hostStatus_;
  std::string host_;
  FileStatus status_;
  PeVersion::FileSource bytes_;
  PeVersion::Resource resource_;
  bool resourceFound_ = false;
};

// Opens the file at `host` for reading without waiting (a FIFO would block
// a plain open): -1 unless it is a regular file, with errno ENOENT or
// ENOTDIR when nothing is there.
int openRegularFile(const std::string& host, struct stat* status) {
  const int fd = open(host.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (fstat(fd, status) != 0 || !S_ISREG(status->st_mode)) {
    close(fd);
    errno = EISDIR;
    return -1;
  }
  return fd;
}

bool isDotName(const std::string& name) {
  return !name.empty() && name.size() <= 2 && name[0] == '.' && name.back() == '.';
}

bool sortsBefore(const FoundEntry& a, const FoundEntry& b) {
  // "." and ".." come first, as NTFS reports them.
  const bool aDot = isDotName(a.name);
  const bool bDot = isDotName(b.name);
  if (aDot != bDot) return aDot;
  return Posix::WindowsNames::lessInFolderOrder(a.name, b.name);
}

}  // namespace

bool fullPathName(const std::string& path, std::string* full) {
  std::string result;
  if (path.empty() || !machine().fullPath(path, &result) || !fitsMaxPath(result)) return false;
  *full = result;
  return true;
}

bool setCurrentDirectory(const std::string& path) {
  return !path.empty() && machine().setCurrentDirectory(path);
}

bool lookUpPath(const std::string& path, PathStatus* result) {
  *result = PathStatus();
  struct stat status;
  if (!locateForStatus(path, &result->location, &status, &result->exists)) {
    result->location.clear();
    return false;
  }
  if (result->exists) describe(status, &result->status);
  return result->exists;
}

bool fileStatus(const std::string& path, FileStatus* status) {
  PathStatus found;
  if (!lookUpPath(path, &found)) return false;
  *status = found.status;
  return true;
}

bool createDirectory(const std::string& path) {
  std::string full;
  std::string host;
  if (!writableTarget(path, &full, &host)) return false;
  return noteFolderMade(mkdir(host.c_str(), 0777) == 0, host);
}

bool createDirectory(const std::string& path, const PathStatus& known) {
  if (known.location.empty()) return createDirectory(path);
  if (known.exists || !writableKnownTarget(path, known.location)) return false;
  return noteFolderMade(mkdir(known.location.c_str(), 0777) == 0, known.location);
}

bool copyFile(const std::string& from, const std::string& to) {
  std::unique_ptr<ReadableFile> source = openReadable(from);
  if (!source) return false;
  PathStatus known;
  lookUpPath(to, &known);
  return source->copyTo(to, known);
}

std::unique_ptr<ReadableFile> openReadable(const std::string& path) {
  std::string full;
  std::string host;
  if (hasWildcard(path) || endsInSeparator(path) || !fullPathName(path, &full)) return nullptr;
  struct stat status;
  // A file that opens as written is the one the look-up would find.
  int fd = machine().writtenHostPath(full, &host) ? openRegularFile(host, &status) : -1;
  if (fd < 0 && (errno == ENOENT || errno == ENOTDIR) && machine().hostPath(full, &host)) {
    fd = openRegularFile(host, &status);
  }
  if (fd < 0) return nullptr;
  return std::make_unique<PosixReadableFile>(fd, status, host);
}

bool deleteFile(const std::string& path) {
  std::string full;
  std::string host;
  struct stat status;
  if (!existingWritableTarget(path, &full, &host, &status) || isRoot(full)) return false;
  if (!S_ISLNK(status.st_mode) && (S_ISDIR(status.st_mode) || isReadOnly(status))) return false;
  return noteRemoved(unlink(host.c_str()) == 0, host);
}

bool removeDirectory(const std::string& path) {
  std::string full;
  std::string host;
  struct stat status;
  if (!existingWritableTarget(path, &full, &host, &status) || isRoot(full)) return false;
  if (S_ISLNK(status.st_mode)) return noteRemoved(unlink(host.c_str()) == 0, host);
  if (!S_ISDIR(status.st_mode) || isReadOnly(status)) return false;
  return noteRemoved(rmdir(host.c_str()) == 0, host);
}

namespace {

// Splits a pattern into its directory, everything up to the last separator
// (or the drive), and the name part matched against each name in it.
void splitPattern(const std::string& pattern, std::string* directory, std::string* names) {
  const size_t split = pattern.find_last_of("\\/");
  const size_t drive = pattern.size() >= 2 && pattern[1] == ':' ? 2 : 0;
  if (split == std::string::npos || split < drive) {
    *directory = pattern.substr(0, drive) + ".";
    *names = pattern.substr(drive);
  } else {
    *directory = pattern.substr(0, split + 1);
    *names = pattern.substr(split + 1);
  }
}

// Whether the entry is a folder or a link. The listing's own type spares a
// status query for plain files and folders; links and file systems that
// give no type are queried. False when the entry has gone meanwhile.
bool describeEntry(const std::string& folder, const char* name, unsigned char type,
                   FoundEntry* item) {
  if (type == DT_REG || type == DT_DIR) {
    item->directory = type == DT_DIR;
    return true;
  }
  struct stat status;
  const std::string host = Posix::joinHostPath(folder, name);
  if (lstat(host.c_str(), &status) != 0) return false;
  item->link = S_ISLNK(status.st_mode);
  if (item->link && stat(host.c_str(), &status) != 0) status.st_mode = 0;
  item->directory = S_ISDIR(status.st_mode);
  return true;
}

// The entries of the host folder whose names match; false when it cannot be
// listed.
bool listMatches(const std::string& folder, const std::string& namePattern,
                 std::vector<FoundEntry>* found) {
  found->clear();
  return Posix::listHostFolder(folder, [&](const char* name, unsigned char type) {
    FoundEntry item;
    item.name = Posix::utf8ToAnsi(name);
    if (Posix::WindowsNames::matchesWildcard(namePattern, item.name) &&
        describeEntry(folder, name, type, &item)) {
      found->push_back(std::move(item));
    }
  });
}

}  // namespace

std::vector<FoundEntry> findFiles(const std::string& pattern) {
  std::string directory;
  std::string namePattern;
  std::string full;
  std::string host;
  splitPattern(pattern, &directory, &namePattern);
  if (namePattern.empty() || hasWildcard(directory) || !fullPathName(directory, &full)) return {};
  // A folder that lists as written is the one the look-up would find.
  std::vector<FoundEntry> found;
  bool listed = machine().writtenHostPath(full, &host) && listMatches(host, namePattern, &found);
  if (!listed && (errno == ENOENT || errno == ENOTDIR) && machine().hostPath(full, &host)) {
    listed = listMatches(host, namePattern, &found);
  }
  if (!listed) return {};
  std::sort(found.begin(), found.end(), sortsBefore);
  return found;
}

bool queryFileVersion(const std::vector<unsigned char>& data, uint32_t* mostSignificant,
                      uint32_t* leastSignificant) {
  return PeVersion::fixedFileVersion(data.data(), data.size(), mostSignificant, leastSignificant);
}

std::FILE* openForReading(const std::string& path) {
  std::string host;
  if (hasWildcard(path) || endsInSeparator(path) || !hostPathOf(path, &host)) return nullptr;
  return Posix::openForReadingBytes(host);
}

bool appendText(const std::string& path, const std::string& text) {
  std::string full;
  std::string host;
  if (endsInSeparator(path) || !writableTarget(path, &full, &host)) return false;
  struct stat status;
  const bool exists = stat(host.c_str(), &status) == 0;
  if (exists && (!S_ISREG(status.st_mode) || isReadOnly(status))) return false;
  std::string stored;
  stored.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') stored += '\r';
    stored += c;
  }
  FileDescriptor file(open(host.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (file.get() < 0) return false;
  if (!exists) machine().noteAdded(host);
  return Posix::writeAll(file.get(), stored.data(), stored.size()) && file.closeChecked();
}

}  // namespace Platform
