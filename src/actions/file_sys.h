#ifndef TARNWICK_ACTIONS_FILE_SYS_H_
#define TARNWICK_ACTIONS_FILE_SYS_H_

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// The installer's file-system work: creating directories, copying under the
// update rule (version first, then date), deleting files and trees. Every
// failure throws FileSysException with a complete message; the tree
// operations collect the failed paths and throw one list at the end.
namespace FileSys {

enum EntryType { File = 0, Directory = 1 };

struct FileEntry {
  std::string path;
  int entryType = File;
  int depth = 0;
  // Found by enumeration as a symbolic link or junction: never descended.
  bool link = false;
};

bool pathExists(const std::string& path);
bool isRegularFile(const std::string& path);
bool isDirectory(const std::string& path);

void createDirectory(const std::string& path, bool singleLevel);

void copyFiles(const std::string& source, const std::string& target);
void copyFile(const FileEntry& source, const std::string& destination);
bool isNewer(const std::string& source, const std::string& target);

struct FileVersion {
  uint32_t mostSignificant = 0;
  uint32_t leastSignificant = 0;
};
FileVersion getFileVersion(const std::string& path);
int64_t getFileDate(const std::string& path);

void deleteFiles(const std::string& path, bool recursive);
// Refuses a recursive deletion of the full path `full` that would reach
// every entry of a drive (or UNC share): its root itself, or a pattern
// matching every name in the root ("C:\*", "C:\*.*"). Throws the failure
// list of deleteFiles naming `full`.
void checkRecursiveDeletion(const std::string& full);
void deleteFile(const std::string& path);
void deleteDirectory(const std::string& path);

// Breadth first; depthLimit -1 is unlimited, 0 only what the path names.
void collectEntries(const std::string& path, std::vector<FileEntry>* list, int depthLimit);
void expandPattern(const std::string& pattern, std::deque<FileEntry>* queue, int depth);

}  // namespace FileSys

#endif  // TARNWICK_ACTIONS_FILE_SYS_H_
