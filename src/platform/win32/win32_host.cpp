// The host as a read-only checker sees it on Windows: the real file system,
// asked through the same calls the installer's copy would make.
#include <windows.h>

#include <vector>

#include "platform/platform_files.h"
#include "platform/platform_host.h"

namespace Platform {

namespace {

const UINT kAnsiCodePage = 1252;

}  // namespace

std::FILE* openHostFile(const std::string& path) {
  if (path.find('\0') != std::string::npos) return nullptr;
  return std::fopen(path.c_str(), "rb");
}

bool installerFolderOf(const std::string& path, std::string* folder) {
  std::string full;
  if (path.empty() || !fullPathName(path, &full)) return false;
  size_t separator = full.find_last_of("\\/");
  if (separator == std::string::npos) return false;
  *folder = full.substr(0, separator);
  return true;
}

HostMatch findOnHost(const std::string& pattern) {
  FileStatus status;
  if (fileStatus(pattern, &status) && (status.regular || status.directory)) {
    return HostMatch::kFound;
  }
  for (const FoundEntry& entry : findFiles(pattern)) {
    if (entry.name != "." && entry.name != "..") return HostMatch::kFound;
  }
  return HostMatch::kMissing;
}

std::string ansiToUtf8(const std::string& ansi) {
  if (ansi.empty()) return ansi;
  const int length = static_cast<int>(ansi.size());
  int wideLength = MultiByteToWideChar(kAnsiCodePage, 0, ansi.data(), length, nullptr, 0);
  std::vector<wchar_t> wide(static_cast<size_t>(wideLength));
  MultiByteToWideChar(kAnsiCodePage, 0, ansi.data(), length, wide.data(), wideLength);
  int utf8Length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(utf8Length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &utf8[0], utf8Length, nullptr, nullptr);
  return utf8;
}

std::string hostNameToUtf8(const std::string& name) { return ansiToUtf8(name); }

}  // namespace Platform
