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

// The host path of a Windows path whose full form fits MAX_PATH, as the
// ANSI calls require.
bool hostPathOf(const std::string& path, std::string* host) {
  std::string full;
  return fullPathName(path, &full) && machine().hostPath(full, host);
}

// stat() of the path's host form as written. Success means the path exists
// as written, and so maps to that host path: most queries need no look-up.
bool statAsWritten(const std::string& path, struct stat* status) {
  std::string full;
  std::string host;
  return fullPathName(path, &full) && machine().writtenHostPath(full, &host) &&
         stat(host.c_str(), status) == 0;
}

// The full Windows path and host path of something the caller is about to
// create, overwrite or delete: false when the Z: rule or the name forbids it.
bool writableTarget(const std::string& path, std::string* full, std::string* host) {
  if (path.empty() || hasWildcard(path)) return false;
  return fullPathName(path, full) && Posix::WindowsNames::isValidNewPath(*full) &&
         machine().isWritable(*full) && machine().hostPath(*full, host);
}

// Windows' read-only attribute: the owner's write bit is missing.
bool isReadOnly(const struct stat& status) { return (status.st_mode & S_IWUSR) == 0; }

bool lstatOf(const std::string& host, struct stat* status) {
  return lstat(host.c_str(), status) == 0;
}

// writableTarget for an entry about to be deleted, with its lstat: false
// also when it does not exist. An entry found as written needs no look-up.
bool existingWritableTarget(const std::string& path, std::string* full, std::string* host,
                            struct stat* status) {
  if (path.empty() || hasWildcard(path)) return false;
  if (!fullPathName(path, full) || !Posix::WindowsNames::isValidNewPath(*full) ||
      !machine().isWritable(*full)) {
    return false;
  }
  if (machine().writtenHostPath(*full, host) && lstatOf(*host, status)) return true;
  return machine().hostPath(*full, host) && lstatOf(*host, status);
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

bool copyContent(int from, int to) {
  char buffer[65536];
  while (true) {
    ssize_t got = read(from, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    if (!Posix::writeAll(to, buffer, static_cast<size_t>(got))) return false;
  }
}

// The machine's folder listings follow what the installer itself changes.
bool noteAdded(bool done, const std::string& host) {
  if (done) machine().noteAdded(host);
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
  return Posix::replaceFile(to, ".tarnwick-copy-XXXXXX", sourceStatus.st_mode & 0777, false,
                            [&](int target) {
                              return copyContent(source, target) && futimens(target, times) == 0;
                            }) == 0;
}

bool sortsBefore(const FoundEntry& a, const FoundEntry& b) {
  // "." and ".." come first, as NTFS reports them.
  const bool aDot = a.name == "." || a.name == "..";
  const bool bDot = b.name == "." || b.name == "..";
  if (aDot != bDot) return aDot;
  return Posix::WindowsNames::lessInFolderOrder(a.name, b.name);
}

// Locates a version resource through the machine: false when the file is
// missing or holds none.
bool findResource(const std::string& path, std::unique_ptr<PeVersion::FileSource>* file,
                  PeVersion::Resource* resource) {
  if (hasWildcard(path) || endsInSeparator(path)) return false;
  // A file that opens as written is the one the look-up would find.
  std::string full;
  std::string host;
  if (fullPathName(path, &full) && machine().writtenHostPath(full, &host)) {
    file->reset(new PeVersion::FileSource(host));
  }
  if (!*file || !(*file)->isOpen()) {
    if (!hostPathOf(path, &host)) return false;
    file->reset(new PeVersion::FileSource(host));
  }
  return (*file)->isOpen() && PeVersion::findVersionResource(**file, resource);
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

bool fileStatus(const std::string& path, FileStatus* status) {
  // msvcrt's _stat: blanks at the end are ignored for these checks; "C:"
  // alone fails and so does a trailing separator, except on a root.
  size_t length = path.size();
  while (length > 0 && path[length - 1] == ' ') --length;
  if (length == 0 || hasWildcard(path)) return false;
  if (length == 2 && path[1] == ':') return false;
  if (length >= 2 && path[length - 2] != ':' && WindowsText::isSeparator(path[length - 1]))
    return false;

  std::string host;
  struct stat hostStatus;
  if (!statAsWritten(path, &hostStatus) &&
      (!hostPathOf(path, &host) || stat(host.c_str(), &hostStatus) != 0)) {
    return false;
  }
  status->directory = S_ISDIR(hostStatus.st_mode);
  status->regular = S_ISREG(hostStatus.st_mode);
  status->size = static_cast<int64_t>(hostStatus.st_size);
  status->modified = static_cast<int64_t>(hostStatus.st_mtime);
  return true;
}

bool createDirectory(const std::string& path) {
  std::string full;
  std::string host;
  if (!writableTarget(path, &full, &host)) return false;
  return noteAdded(mkdir(host.c_str(), 0777) == 0, host);
}

bool copyFile(const std::string& from, const std::string& to) {
  std::string source;
  std::string full;
  std::string target;
  if (hasWildcard(from) || endsInSeparator(from) || !hostPathOf(from, &source)) return false;
  if (endsInSeparator(to) || !writableTarget(to, &full, &target)) return false;

  FileDescriptor input(open(source.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat sourceStatus;
  if (input.get() < 0 || fstat(input.get(), &sourceStatus) != 0 || !S_ISREG(sourceStatus.st_mode)) {
    return false;
  }
  struct stat targetStatus;
  if (stat(target.c_str(), &targetStatus) == 0) {
    // Not onto a directory, a read-only file or the source itself.
    if (!S_ISREG(targetStatus.st_mode) || isReadOnly(targetStatus)) return false;
    if (targetStatus.st_dev == sourceStatus.st_dev && targetStatus.st_ino == sourceStatus.st_ino) {
      return false;
    }
  }
  return noteAdded(replaceWithCopy(input.get(), sourceStatus, target), target);
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
bool describeEntry(const std::string& folder, const dirent& entry, FoundEntry* item) {
  if (entry.d_type == DT_REG || entry.d_type == DT_DIR) {
    item->directory = entry.d_type == DT_DIR;
    return true;
  }
  struct stat status;
  const std::string host = Posix::joinHostPath(folder, entry.d_name);
  if (lstat(host.c_str(), &status) != 0) return false;
  item->link = S_ISLNK(status.st_mode);
  if (item->link && stat(host.c_str(), &status) != 0) status.st_mode = 0;
  item->directory = S_ISDIR(status.st_mode);
  return true;
}

}  // namespace

std::vector<FoundEntry> findFiles(const std::string& pattern) {
  std::string directory;
  std::string namePattern;
  std::string host;
  splitPattern(pattern, &directory, &namePattern);
  if (namePattern.empty() || hasWildcard(directory) || !hostPathOf(directory, &host)) return {};

  std::vector<FoundEntry> found;
  std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(host.c_str()), closedir);
  if (!listing) return {};
  while (const dirent* entry = readdir(listing.get())) {
    FoundEntry item;
    item.name = Posix::utf8ToAnsi(entry->d_name);
    if (Posix::WindowsNames::matchesWildcard(namePattern, item.name) &&
        describeEntry(host, *entry, &item)) {
      found.push_back(std::move(item));
    }
  }
  std::sort(found.begin(), found.end(), sortsBefore);
  return found;
}

uint32_t fileVersionInfoSize(const std::string& path) {
  std::unique_ptr<PeVersion::FileSource> file;
  PeVersion::Resource resource;
  if (!findResource(path, &file, &resource)) return 0;
  return resource.size;
}

bool readFileVersionInfo(const std::string& path, uint32_t size, std::vector<unsigned char>* data) {
  std::unique_ptr<PeVersion::FileSource> file;
  PeVersion::Resource resource;
  return findResource(path, &file, &resource) &&
         PeVersion::readVersionResource(*file, resource, size, data);
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
