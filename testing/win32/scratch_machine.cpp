// The scratch machine on Windows: a new folder under the user's temporary
// folder, removed with its contents when the test ends. The removal never
// leaves that folder: links (reparse points) are removed themselves and
// never followed.
#include "testing/scratch_machine.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>

namespace {

const char kPrefix[] = "tarnwick-test-";

void fail(const std::string& what, const std::string& path) {
  throw std::runtime_error("ScratchMachine: " + what + ": " + path);
}

std::string temporaryFolder() {
  char buffer[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, buffer);
  if (length == 0 || length >= MAX_PATH) fail("no temporary folder", "");
  // The long form, so that paths the system reports compare equal.
  char longBuffer[MAX_PATH];
  DWORD longLength = GetLongPathNameA(buffer, longBuffer, MAX_PATH);
  std::string folder = longLength > 0 && longLength < MAX_PATH ? longBuffer : buffer;
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

// A name no other test (in this process or another) holds.
std::string createUniqueFolder(const std::string& parent) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    char name[64];
    std::snprintf(name, sizeof(name), "%s%lu-%u-%lu", kPrefix, GetCurrentProcessId(), ++counter,
                  GetTickCount());
    std::string folder = parent + "\\" + name;
    if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) fail("cannot create", folder);
  }
  fail("no free name under", parent);
  return "";
}

void clearReadOnly(const std::string& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
}

// Removes what `folder` holds, depth first. A reparse point is removed as
// the entry it is (RemoveDirectoryA on a directory link removes the link),
// so the walk never reaches what a link points to.
void removeContents(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    std::string path = folder + "\\" + name;
    DWORD attributes = data.dwFileAttributes;
    clearReadOnly(path, attributes);
    bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (directory && !link) removeContents(path);
    if (directory) {
      RemoveDirectoryA(path.c_str());
    } else {
      DeleteFileA(path.c_str());
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

bool isAbsolute(const std::string& path) {
  return (path.size() >= 2 && path[1] == ':') ||
         (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

}  // namespace

bool ScratchMachine::emulated() { return false; }

ScratchMachine::ScratchMachine(const std::string& system) {
  if (!system.empty()) fail("the system cannot be chosen on Win32", system);
  hostFolder_ = createUniqueFolder(temporaryFolder());
  root_ = hostFolder_;
  registryKey_ = "Software\\" + root_.substr(root_.find(kPrefix));
}

ScratchMachine::~ScratchMachine() {
  RegDeleteTreeA(HKEY_CURRENT_USER, registryKey_.c_str());
  // Only a folder this object made, by the name it made, is ever removed.
  if (root_.find(kPrefix) == std::string::npos) return;
  DWORD attributes = GetFileAttributesA(root_.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return;
  removeContents(root_);
  RemoveDirectoryA(root_.c_str());
}

std::string ScratchMachine::path(const std::string& relative) const {
  return root_ + "\\" + relative;
}

std::string ScratchMachine::hostPath(const std::string& path) const {
  return isAbsolute(path) ? path : root_ + "\\" + path;
}

void ScratchMachine::writeFile(const std::string& path, const std::string& content) {
  std::FILE* file = std::fopen(hostPath(path).c_str(), "wb");
  if (file == nullptr) fail("cannot write", path);
  size_t written = std::fwrite(content.data(), 1, content.size(), file);
  if (std::fclose(file) != 0 || written != content.size()) fail("cannot write", path);
}

std::string ScratchMachine::readFile(const std::string& path) const {
  std::FILE* file = std::fopen(hostPath(path).c_str(), "rb");
  if (file == nullptr) fail("cannot read", path);
  std::string content;
  char buffer[4096];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof(buffer), file)) > 0) content.append(buffer, count);
  std::fclose(file);
  return content;
}

void ScratchMachine::makeDirectory(const std::string& path) {
  // Every missing level, as a test usually wants a whole path.
  std::string full = hostPath(path);
  for (size_t i = 3; i <= full.size(); ++i) {
    if (i < full.size() && full[i] != '\\' && full[i] != '/') continue;
    std::string level = full.substr(0, i);
    if (GetFileAttributesA(level.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    if (!CreateDirectoryA(level.c_str(), nullptr)) fail("cannot create", level);
  }
}

bool ScratchMachine::exists(const std::string& path) const {
  return GetFileAttributesA(hostPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ScratchMachine::setModified(const std::string& path, int64_t secondsSince1970) {
  // FILE_FLAG_BACKUP_SEMANTICS lets the same call open a directory.
  HANDLE file = CreateFileA(hostPath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) fail("cannot open", path);
  const int64_t kEpochDifference = 11644473600LL;  // 1601 to 1970, in seconds
  ULARGE_INTEGER ticks;
  ticks.QuadPart = static_cast<ULONGLONG>(secondsSince1970 + kEpochDifference) * 10000000ULL;
  FILETIME time;
  time.dwLowDateTime = ticks.LowPart;
  time.dwHighDateTime = ticks.HighPart;
  BOOL done = SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
  if (!done) fail("cannot set the time of", path);
}

void ScratchMachine::setReadOnly(const std::string& path, bool readOnly) {
  std::string host = hostPath(path);
  DWORD attributes = GetFileAttributesA(host.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) fail("cannot find", path);
  attributes =
      readOnly ? attributes | FILE_ATTRIBUTE_READONLY : attributes & ~FILE_ATTRIBUTE_READONLY;
  if (!SetFileAttributesA(host.c_str(), attributes)) fail("cannot set the attributes of", path);
}
