// Placeholder until this component is built; every call fails.
#include "platform/platform_files.h"


namespace Platform {

bool fullPathName(const std::string&, std::string*) { return false; }
bool setCurrentDirectory(const std::string&) { return false; }
bool fileStatus(const std::string&, FileStatus*) { return false; }
bool createDirectory(const std::string&) { return false; }
bool copyFile(const std::string&, const std::string&) { return false; }
bool deleteFile(const std::string&) { return false; }
bool removeDirectory(const std::string&) { return false; }
std::vector<FoundEntry> findFiles(const std::string&) { return {}; }
uint32_t fileVersionInfoSize(const std::string&) { return 0; }
bool readFileVersionInfo(const std::string&, uint32_t, std::vector<unsigned char>*) { return false; }
bool queryFileVersion(const std::vector<unsigned char>&, uint32_t*, uint32_t*) { return false; }
std::FILE* openForReading(const std::string&) { return nullptr; }
bool appendText(const std::string&, const std::string&) { return false; }

}  // namespace Platform
