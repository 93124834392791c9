#include "actions/file_sys.h"

#include "driver/throwable.h"
#include "platform/platform_files.h"
#include "script/utils.h"

namespace FileSys {

namespace {

bool statusOf(const std::string& path, Platform::FileStatus* status) {
  return Platform::fileStatus(path, status);
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

}  // namespace

void checkRecursiveDeletion(const std::string& full) {
  if (reachesWholeDrive(full)) throw FileSysException(failureList(kNotDeletedHeader, {full}));
}

bool pathExists(const std::string& path) {
  Platform::FileStatus status;
  return statusOf(path, &status);
}

bool isRegularFile(const std::string& path) {
  Platform::FileStatus status;
  return statusOf(path, &status) && status.regular;
}

bool isDirectory(const std::string& path) {
  Platform::FileStatus status;
  return statusOf(path, &status) && status.directory;
}

void createDirectory(const std::string& path, bool singleLevel) {
  if (singleLevel) {
    if (pathExists(path)) return;
    if (!Platform::createDirectory(path)) {
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
    createDirectory(full.substr(0, separator), true);
  }
  // A full path ending in '\' named its last directory in the loop already;
  // testing it again with the separator would fail the status query.
  if (full.back() != '\\') createDirectory(full, true);
}

void collectEntries(const std::string& path, std::vector<FileEntry>* list, int depthLimit) {
  std::deque<FileEntry> queue;
  if (isRegularFile(path)) {
    queue.push_back({path, File, 0, false});
  } else if (isDirectory(path)) {
    queue.push_back({path, Directory, 0, false});
  } else {
    expandPattern(path, &queue, 0);
  }
  while (!queue.empty()) {
    const FileEntry& entry = queue.front();
    if (depthLimit != -1 && entry.depth > depthLimit) break;
    // A link found in the tree is an entry of its own; what it points to
    // is never part of the tree.
    if (entry.entryType == Directory && !entry.link) {
      expandPattern(Utils::appendSeparator(entry.path) + "*", &queue, entry.depth + 1);
    }
    list->push_back(queue.front());
    queue.pop_front();
  }
}

void expandPattern(const std::string& pattern, std::deque<FileEntry>* queue, int depth) {
  const std::string directory = Utils::directoryOf(pattern);
  for (const Platform::FoundEntry& found : Platform::findFiles(pattern)) {
    if (found.name == "." || found.name == "..") continue;
    queue->push_back(
        {directory + found.name, found.directory ? Directory : File, depth, found.link});
  }
}

void copyFiles(const std::string& source, const std::string& target) {
  const std::string fullSource = Utils::fullPath(source);
  const std::string fullTarget = Utils::stripTrailingSeparator(Utils::fullPath(target));
  std::vector<FileEntry> entries;
  collectEntries(fullSource, &entries, -1);

  const std::string base = Utils::directoryOf(fullSource);
  std::vector<std::string> failed;
  for (const FileEntry& entry : entries) {
    const std::string relative =
        entry.path.compare(0, base.size(), base) == 0 ? entry.path.substr(base.size()) : entry.path;
    try {
      if (entry.entryType == Directory) {
        // A linked directory is not copied: its content lies outside the tree.
        if (entry.link) throw FileSysException("Unable to create directory: " + entry.path);
        createDirectory(fullTarget + "\\" + relative, true);
      } else if (isDirectory(fullTarget)) {
        copyFile(entry, fullTarget + "\\" + relative);
      } else {
        copyFile(entry, fullTarget);
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

void copyFile(const FileEntry& source, const std::string& destination) {
  if (pathExists(destination) && !isNewer(source.path, destination)) return;
  if (!Platform::copyFile(source.path, destination)) {
    throw FileSysException("Unable to copy file " + source.path + " to " + destination);
  }
}

bool isNewer(const std::string& source, const std::string& target) {
  // The target's resource is looked at only when the source has one: a
  // version-less source is decided by dates whatever the target holds.
  const bool bothHaveVersion =
      Platform::fileVersionInfoSize(source) != 0 && Platform::fileVersionInfoSize(target) != 0;
  if (bothHaveVersion) {
    const FileVersion sourceVersion = getFileVersion(source);
    const FileVersion targetVersion = getFileVersion(target);
    if (sourceVersion.mostSignificant != targetVersion.mostSignificant) {
      return sourceVersion.mostSignificant > targetVersion.mostSignificant;
    }
    return sourceVersion.leastSignificant > targetVersion.leastSignificant;
  }
  return getFileDate(source) > getFileDate(target);
}

FileVersion getFileVersion(const std::string& path) {
  const uint32_t size = Platform::fileVersionInfoSize(path);
  std::vector<unsigned char> data;
  if (size == 0 || !Platform::readFileVersionInfo(path, size, &data)) {
    throw FileSysException("Unable to determine file version information: " + path);
  }
  FileVersion version;
  if (!Platform::queryFileVersion(data, &version.mostSignificant, &version.leastSignificant)) {
    throw FileSysException("Unable to determine file version: " + path);
  }
  return version;
}

int64_t getFileDate(const std::string& path) {
  Platform::FileStatus status;
  if (!statusOf(path, &status)) throw FileSysException("Unable to determine file's date: " + path);
  return status.modified;
}

void deleteFiles(const std::string& path, bool recursive) {
  const std::string full = Utils::fullPath(path);
  if (recursive) checkRecursiveDeletion(full);

  std::vector<FileEntry> entries;
  collectEntries(full, &entries, recursive ? -1 : 0);
  std::vector<std::string> failed;
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    try {
      if (entry->entryType == Directory) {
        deleteDirectory(entry->path);
      } else {
        deleteFile(entry->path);
      }
    } catch (const Exception&) {
      failed.push_back(entry->path);
    }
  }
  if (!failed.empty()) throw FileSysException(failureList(kNotDeletedHeader, failed));
}

void deleteFile(const std::string& path) {
  if (!Platform::deleteFile(path)) throw FileSysException("Unable to delete file: " + path);
}

void deleteDirectory(const std::string& path) {
  if (!Platform::removeDirectory(path)) {
    throw FileSysException("Unable to delete directory: " + path);
  }
}

}  // namespace FileSys
