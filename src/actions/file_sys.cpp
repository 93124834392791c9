// Placeholder until this component is built; every call fails.
#include "actions/file_sys.h"

#include "driver/throwable.h"

namespace FileSys {

bool pathExists(const std::string&) { return false; }
bool isRegularFile(const std::string&) { return false; }
bool isDirectory(const std::string&) { return false; }
void createDirectory(const std::string&, bool) { throw FileSysException("not built yet"); }
void copyFiles(const std::string&, const std::string&) { throw FileSysException("not built yet"); }
void copyFile(const FileEntry&, const std::string&) { throw FileSysException("not built yet"); }
bool isNewer(const std::string&, const std::string&) { return false; }
FileVersion getFileVersion(const std::string&) { return {}; }
int64_t getFileDate(const std::string&) { return 0; }
void deleteFiles(const std::string&, bool) { throw FileSysException("not built yet"); }
void deleteFile(const std::string&) { throw FileSysException("not built yet"); }
void deleteDirectory(const std::string&) { throw FileSysException("not built yet"); }
void collectEntries(const std::string&, std::vector<FileEntry>*, int) {}
void expandPattern(const std::string&, std::deque<FileEntry>*, int) {}

}  // namespace FileSys
