#ifndef TARNWICK_ACTIONS_FILE_SYS_H_
#define TARNWICK_ACTIONS_FILE_SYS_H_

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform_files.h"

// The installer's file-system work: creating directories, copying under the
// update rule (version first, then date), deleting files and trees. Every
// failure throws FileSysException with a complete message; the tree
// operations collect the failed paths and throw one list at the end.
//
// Each decision asks the platform once about each path it needs: a file's
// copy looks up its destination once and opens its source once, for the
// version, the date and the bytes.
namespace FileSys {

// The platform calls FileSys makes (platform/platform_files.h), behind one
// interface so that a test can watch them pass, counting them or making one
// fail, as leveldb's EnvWrapper does. Each of these forwards to the platform.
class FileCalls {
 public:
  virtual ~FileCalls() = default;
  virtual bool lookUpPath(const std::string& path, Platform::PathStatus* result);
  virtual bool createDirectory(const std::string& path, const Platform::PathStatus& known);
  virtual std::vector<Platform::FoundEntry> findFiles(const std::string& pattern);
  virtual std::unique_ptr<Platform::ReadableFile> openReadable(const std::string& path);
  virtual bool deleteFile(const std::string& path);
  virtual bool removeDirectory(const std::string& path);
};

// The calls that reach this process's platform.
FileCalls& platformCalls();

enum EntryType { File = 0, Directory = 1 };

struct FileEntry {
  std::string path;
  int entryType = File;
  int depth = 0;
  // Found by enumeration as a symbolic link or junction: never descended.
  bool link = false;
};

bool pathExists(const std::string& path, FileCalls& calls = platformCalls());
bool isRegularFile(const std::string& path, FileCalls& calls = platformCalls());
bool isDirectory(const std::string& path, FileCalls& calls = platformCalls());

void createDirectory(const std::string& path, bool singleLevel, FileCalls& calls = platformCalls());

void copyFiles(const std::string& source, const std::string& target,
               FileCalls& calls = platformCalls());
void copyFile(const FileEntry& source, const std::string& destination,
              FileCalls& calls = platformCalls());
bool isNewer(const std::string& source, const std::string& target,
             FileCalls& calls = platformCalls());

struct FileVersion {
  uint32_t mostSignificant = 0;
  uint32_t leastSignificant = 0;
};
FileVersion getFileVersion(const std::string& path, FileCalls& calls = platformCalls());
int64_t getFileDate(const std::string& path, FileCalls& calls = platformCalls());

void deleteFiles(const std::string& path, bool recursive, FileCalls& calls = platformCalls());
// Refuses a recursive deletion of the full path `full` that would reach
// every entry of a drive (or UNC share): its root itself, or a pattern
// matching every name in the root ("C:\*", "C:\*.*"). Throws the failure
// list of deleteFiles naming `full`.
void checkRecursiveDeletion(const std::string& full);
void deleteFile(const std::string& path, FileCalls& calls = platformCalls());
void deleteDirectory(const std::string& path, FileCalls& calls = platformCalls());

// Breadth first; depthLimit -1 is unlimited, 0 only what the path names.
void collectEntries(const std::string& path, std::vector<FileEntry>* list, int depthLimit,
                    FileCalls& calls = platformCalls());
void expandPattern(const std::string& pattern, std::deque<FileEntry>* queue, int depth,
                   FileCalls& calls = platformCalls());

}  // namespace FileSys

#endif  // TARNWICK_ACTIONS_FILE_SYS_H_
