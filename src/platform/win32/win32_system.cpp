// Facts about the machine and the process, message boxes and the command
// interpreter, on the real Windows API.
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform_files.h"
#include "platform/platform_system.h"

namespace Platform {

namespace {

// The item id list travels as the opaque ShellItem; it is never
// dereferenced as anything but an ITEMIDLIST.
LPITEMIDLIST toItemIdList(ShellItem* item) { return reinterpret_cast<LPITEMIDLIST>(item); }
ShellItem* toShellItem(LPITEMIDLIST list) { return reinterpret_cast<ShellItem*>(list); }

// A directory query of the GetWindowsDirectoryA kind: 0 is a failure, and
// a result of the capacity or more is the size the path would need.
template <typename Query>
bool directoryQuery(Query query, std::string* path) {
  char buffer[kMaxPath];
  UINT length = query(buffer, kMaxPath);
  if (length == 0 || length >= kMaxPath) return false;
  path->assign(buffer, length);
  return true;
}

}  // namespace

bool osVersion(OsVersion* version) {
  OSVERSIONINFOA info;
  ZeroMemory(&info, sizeof(info));
  static_assert(sizeof(info) == 148, "OSVERSIONINFOA is 148 bytes");
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return false;
  version->platformId = info.dwPlatformId;
  version->major = info.dwMajorVersion;
  version->minor = info.dwMinorVersion;
  return true;
}

bool moduleFileName(std::string* path) {
  char buffer[kMaxPath];
  // A full buffer means the path was cut (XP does not even terminate it).
  DWORD length = GetModuleFileNameA(nullptr, buffer, kMaxPath);
  if (length == 0 || length >= kMaxPath) return false;
  path->assign(buffer, length);
  return true;
}

bool windowsDirectory(std::string* path) { return directoryQuery(GetWindowsDirectoryA, path); }

bool systemDirectory(std::string* path) { return directoryQuery(GetSystemDirectoryA, path); }

bool specialFolderLocation(int csidl, ShellItem** item) {
  LPITEMIDLIST list = nullptr;
  if (SHGetSpecialFolderLocation(nullptr, csidl, &list) != S_OK) return false;
  *item = toShellItem(list);
  return true;
}

bool pathFromShellItem(ShellItem* item, std::string* path) {
  char buffer[kMaxPath];
  if (!SHGetPathFromIDListA(toItemIdList(item), buffer)) return false;
  path->assign(buffer);
  return true;
}

bool freeShellItem(ShellItem* item) {
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr) return false;
  allocator->Free(toItemIdList(item));
  allocator->Release();
  return true;
}

long comInitialize() { return CoInitialize(nullptr); }

void comUninitialize() { CoUninitialize(); }

// Standard output is flushed first, so that what was written before the
// box appears before it, also when it goes to a file.
void messageBox(const std::string& text, const std::string& caption, unsigned type) {
  std::fflush(stdout);
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), type);
}

// Flushes standard output first, as for a box. A command with a NUL inside
// is not run: the interpreter would see only the part before it.
void runCommand(const std::string& command) {
  if (command.find('\0') != std::string::npos) return;
  std::fflush(stdout);
  std::system(command.c_str());
}

// Windows writes the registry to disk by itself; files are closed after
// every write.
void finishRun() {}

}  // namespace Platform
