#include "actions/file_sys.h"

#include "driver/throwable.h"
#include "platform/platform_files.h"
#include "script/utils.h"

namespace FileSys {

bool FileCalls::lookUpPath(const std::string& path, Platform::PathStatus* result) {
  return Platform::lookUpPath(path, result);
}

bool FileCalls::createDirectory(const std::string& path, const Platform::PathStatus& known) {
  return Platform::createDirectory(path, known);
}

std::vector<Platform::FoundEntry> FileCalls::findFiles(const std::string& pattern) {
  return Platform::findFiles(pattern);
}

std::unique_ptr<Platform::ReadableFile> FileCalls::openReadable(const std::string& path) {
  return Platform::openReadable(path);
}

bool FileCalls::deleteFile(const std::string& path) { return Platform::deleteFile(path); }

bool FileCalls::removeDirectory(const std::string& path) { return Platform::removeDirectory(path); }

FileCalls& platformCalls() {
  static FileCalls calls;
  return calls;
}

namespace {

bool statusOf(const std::string& path, Platform::FileStatus* status, FileCalls& calls) {
  Platform::PathStatus found;
  if (!calls.lookUpPath(path, &found)) return false;
  *status = found.status;
  return true;
}

// The paths of a tree operation's failed entries, each after a tab, with no
// other separator.
std::string failureList(const char* header, const std::vector<std::string>& paths) {
  std::string message = header;
  for (const std::string& path : paths) message += "\t" + path;
  return message;
}

// Where whole-path creation starts: past the drive ("C:"), or past the
// share of a UNC path ("\\server\share"), which cannot be created either.
size_t firstCreatablePrefix(const std::string& full) {
  if (full.compare(0, 2, "\\\\") == 0) {
    size_t server = full.find('\\', 2);
    if (server == std::string::npos) return std::string::npos;
    return full.find('\\', server + 1);
  }
  return full.find('\\');
}

bool isWildcardName(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (c != '*' && c != '?' && c != '.') return false;
  }
  return true;
}

// Whether a recursive deletion of `full` would reach every entry of a drive
// (or UNC share): its root itself, or a pattern that matches every name in
// the root ("C:\*", "\*.*"). One empty alias must not wipe a disk.
bool reachesWholeDrive(const std::string& full) {
  std::string directory;
  std::string name;
  Utils::splitLast(full, '\\', &directory, &name);
  if (!name.empty() && !isWildcardName(name)) return false;
  if (directory.size() == 2 && directory[1] == ':') return true;
  return directory.compare(0, 2, "\\\\") == 0 &&
         directory.find('\\', directory.find('\\', 2) + 1) == std::string::npos;
}

const char kNotDeletedHeader[] = "The following directories/files could not be deleted:\n";

// The version in an opened file's resource of `size` bytes; throws the
// messages of getFileVersion for `path`.
FileVersion versionOf(Platform::ReadableFile& file, uint32_t size, const std::string& path) {
  std::vector<unsigned char> data;
  if (size == 0 || !file.readVersionInfo(size, &data)) {
    throw FileSysException("Unable to determine file version information: " + path);
  }
  FileVersion version;
  if (!Platform::queryFileVersion(data, &version.mostSignificant, &version.leastSignificant)) {
    throw FileSysException("Unable to determine file version: " + path);
  }
  return version;
}

// The update rule for a source, opened (null when it could not be), and an
// existing target whose status the caller has.
bool sourceIsNewer(Platform::ReadableFile* source, const std::string& sourcePath,
                   const std::string& targetPath, const Platform::FileStatus& target,
                   FileCalls& calls) {
  // The target's resource is looked at only when the source has one: a
  // version-less source is decided by dates whatever the target holds.
  const uint32_t sourceSize = source != nullptr ? source->versionInfoSize() : 0;
  if (sourceSize != 0) {
    std::unique_ptr<Platform::ReadableFile> targetFile = calls.openReadable(targetPath);
    const uint32_t targetSize = targetFile ? targetFile->versionInfoSize() : 0;
    if (targetSize != 0) {
      const FileVersion sourceVersion = versionOf(*source, sourceSize, sourcePath);
      const FileVersion targetVersion = versionOf(*targetFile, targetSize, targetPath);
      if (sourceVersion.mostSignificant != targetVersion.mostSignificant) {
        return sourceVersion.mostSignificant > targetVersion.mostSignificant;
      }
      return sourceVersion.leastSignificant > targetVersion.leastSignificant;
    }
  }
  const int64_t sourceDate =
      source != nullptr ? source->status().modified : getFileDate(sourcePath, calls);
  return sourceDate > target.modified;
}

}  // namespace

void checkRecursiveDeletion(const std::string& full) {
  if (reachesWholeDrive(full)) throw FileSysException(failureList(kNotDeletedHeader, {full}));
}

bool pathExists(const std::string& path, FileCalls& calls) {
  Platform::FileStatus status;
  return statusOf(path, &status, calls);
}

bool isRegularFile(const std::string& path, FileCalls& calls) {
  Platform::FileStatus status;
  return statusOf(path, &status, calls) && status.regular;
}

bool isDirectory(const std::string& path, FileCalls& calls) {
  Platform::FileStatus status;
  return statusOf(path, &status, calls) && status.directory;
}

void createDirectory(const std::string& path, bool singleLevel, FileCalls& calls) {
  if (singleLevel) {
    Platform::PathStatus known;
    if (calls.lookUpPath(path, &known)) return;
    if (!calls.createDirectory(path, known)) {
      throw FileSysException("Unable to create directory: " + path);
    }
    return;
  }
  const std::string full = Utils::fullPath(path);
  size_t separator = firstCreatablePrefix(full);
  if (separator == std::string::npos) return;
  while (true) {
    separator = full.find('\\', separator + 1);
    if (separator == std::string::npos) break;
    createDirectory(full.substr(0, separator), true, calls);
  }
  // A full path ending in '\' named its last directory in the loop already;
  // testing it again with the separator would fail the status query.
  if (full.back() != '\\') createDirectory(full, true, calls);
}

void collectEntries(const std::string& path, std::vector<FileEntry>* list, int depthLimit,
                    FileCalls& calls) {
  std::deque<FileEntry> queue;
  Platform::FileStatus status;
  const bool exists = statusOf(path, &status, calls);
  if (exists && status.regular) {
    queue.push_back({path, File, 0, false});
  } else if (exists && status.directory) {
    queue.push_back({path, Directory, 0, false});
  } else {
    expandPattern(path, &queue, 0, calls);
  }
  while (!queue.empty()) {
    const FileEntry& entry = queue.front();
    if (depthLimit != -1 && entry.depth > depthLimit) break;
    // A link found in the tree is an entry of its own; what it points to
    // is never part of the tree.
    if (entry.entryType == Directory && !entry.link) {
      expandPattern(Utils::appendSeparator(entry.path) + "*", &queue, entry.depth + 1, calls);
    }
    list->push_back(std::move(queue.front()));
    queue.pop_front();
  }
}

void expandPattern(const std::string& pattern, std::deque<FileEntry>* queue, int depth,
                   FileCalls& calls) {
  const std::string directory = Utils::directoryOf(pattern);
  for (const Platform::FoundEntry& found : calls.findFiles(pattern)) {
    if (found.name == "." || found.name == "..") continue;
    queue->push_back(
        {directory + found.name, found.directory ? Directory : File, depth, found.link});
  }
}

void copyFiles(const std::string& source, const std::string& target, FileCalls& calls) {
  const std::string fullSource = Utils::fullPath(source);
  const std::string fullTarget = Utils::stripTrailingSeparator(Utils::fullPath(target));
  std::vector<FileEntry> entries;
  collectEntries(fullSource, &entries, -1, calls);

  // Whether the files go into the target or onto it is asked once: only a
  // directory entry that names the target itself (a copied drive root) can
  // change the answer; copying onto the target leaves it a file.
  bool intoDirectory = isDirectory(fullTarget, calls);
  const std::string base = Utils::directoryOf(fullSource);
  std::vector<std::string> failed;
  for (const FileEntry& entry : entries) {
    const std::string relative =
        entry.path.compare(0, base.size(), base) == 0 ? entry.path.substr(base.size()) : entry.path;
    try {
      if (entry.entryType == Directory) {
        // A linked directory is not copied: its content lies outside the tree.
        if (entry.link) throw FileSysException("Unable to create directory: " + entry.path);
        createDirectory(fullTarget + "\\" + relative, true, calls);
        if (relative.empty()) intoDirectory = isDirectory(fullTarget, calls);
      } else if (intoDirectory) {
        copyFile(entry, fullTarget + "\\" + relative, calls);
      } else {
        copyFile(entry, fullTarget, calls);
      }
    } catch (const Exception&) {
      failed.push_back(entry.path);
    }
  }
  if (!failed.empty()) {
    throw FileSysException(
        failureList("The following directories/files could not be copied:\n", failed));
  }
}

void copyFile(const FileEntry& source, const std::string& destination, FileCalls& calls) {
  Platform::PathStatus target;
  calls.lookUpPath(destination, &target);
  std::unique_ptr<Platform::ReadableFile> file = calls.openReadable(source.path);
  if (target.exists && !sourceIsNewer(file.get(), source.path, destination, target.status, calls)) {
    return;
  }
  if (!file || !file->copyTo(destination, target)) {
    throw FileSysException("Unable to copy file " + source.path + " to " + destination);
  }
}

bool isNewer(const std::string& source, const std::string& target, FileCalls& calls) {
  Platform::PathStatus known;
  calls.lookUpPath(target, &known);
  std::unique_ptr<Platform::ReadableFile> file = calls.openReadable(source);
  if (!known.exists) {
    // The source's date is asked first, and may fail first.
    if (!file) getFileDate(source, calls);
    throw FileSysException("Unable to determine file's date: " + target);
  }
  return sourceIsNewer(file.get(), source, target, known.status, calls);
}

FileVersion getFileVersion(const std::string& path, FileCalls& calls) {
  std::unique_ptr<Platform::ReadableFile> file = calls.openReadable(path);
  const uint32_t size = file ? file->versionInfoSize() : 0;
  if (size == 0) throw FileSysException("Unable to determine file version information: " + path);
  return versionOf(*file, size, path);
}

int64_t getFileDate(const std::string& path, FileCalls& calls) {
  Platform::FileStatus status;
  if (!statusOf(path, &status, calls)) {
    throw FileSysException("Unable to determine file's date: " + path);
  }
  return status.modified;
}

void deleteFiles(const std::string& path, bool recursive, FileCalls& calls) {
  const std::string full = Utils::fullPath(path);
  if (recursive) checkRecursiveDeletion(full);

  std::vector<FileEntry> entries;
  collectEntries(full, &entries, recursive ? -1 : 0, calls);
  std::vector<std::string> failed;
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    try {
      if (entry->entryType == Directory) {
        deleteDirectory(entry->path, calls);
      } else {
        deleteFile(entry->path, calls);
      }
    } catch (const Exception&) {
      failed.push_back(entry->path);
    }
  }
  if (!failed.empty()) throw FileSysException(failureList(kNotDeletedHeader, failed));
}

void deleteFile(const std::string& path, FileCalls& calls) {
  if (!calls.deleteFile(path)) throw FileSysException("Unable to delete file: " + path);
}

void deleteDirectory(const std::string& path, FileCalls& calls) {
  if (!calls.removeDirectory(path)) {
    throw FileSysException("Unable to delete directory: " + path);
  }
}

}  // namespace FileSys
