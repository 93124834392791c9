#ifndef TARNWICK_PLATFORM_PLATFORM_SYSTEM_H_
#define TARNWICK_PLATFORM_PLATFORM_SYSTEM_H_

#include <string>

// Facts about the machine and the process, the user interface and the
// command interpreter, one function per Win32 call they stand for. Failures
// are returned, never thrown.
namespace Platform {

struct OsVersion {
  unsigned long platformId = 0;  // 1 Windows 95/98/ME, 2 NT family
  unsigned long major = 0;
  unsigned long minor = 0;
};

// GetVersionExA.
bool osVersion(OsVersion* version);

// GetModuleFileNameA for the installer's own module into kMaxPath bytes
// (platform_files.h): false when the call fails or the path does not fit.
bool moduleFileName(std::string* path);

// GetWindowsDirectoryA / GetSystemDirectoryA into kMaxPath bytes.
bool windowsDirectory(std::string* path);
bool systemDirectory(std::string* path);

// SHGetSpecialFolderLocation / SHGetPathFromIDListA / SHGetMalloc->Free.
// A ShellItem is the platform's item id list, owned by the caller until it
// is passed to freeShellItem.
struct ShellItem;
bool specialFolderLocation(int csidl, ShellItem** item);
bool pathFromShellItem(ShellItem* item, std::string* path);
bool freeShellItem(ShellItem* item);

// CoInitialize / CoUninitialize. Results as HRESULT: 0 S_OK, 1 S_FALSE.
long comInitialize();
void comUninitialize();

// MessageBoxA with no owner window; returns when the box is closed.
const unsigned kMessageBoxError = 0x42010;       // MB_OK|MB_ICONERROR|MB_TASKMODAL|MB_TOPMOST
const unsigned kMessageBoxInformation = 0x2040;  // MB_OK|MB_ICONINFORMATION|MB_TASKMODAL
void messageBox(const std::string& text, const std::string& caption, unsigned type);

// The runtime's system(): runs `command` through the command interpreter in
// the current directory and waits for it. Nothing is reported.
void runCommand(const std::string& command);

// Makes every change the run made durable (the registry reaches the disk).
// Called once when the run ends, whatever its outcome.
void finishRun();

}  // namespace Platform

#endif  // TARNWICK_PLATFORM_PLATFORM_SYSTEM_H_
