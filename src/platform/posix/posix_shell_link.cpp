// The shell-link object on the emulated machine: it checks the target the
// way Wine's IShellLinkA::SetPath does and saves a real .lnk file (see
// lnk_writer.h) through the machine's path mapping.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform_files.h"
#include "platform/platform_shell_link.h"
#include "platform/platform_system.h"
#include "platform/posix/code_page.h"
#include "platform/posix/host_io.h"
#include "platform/posix/lnk_writer.h"
#include "platform/posix/machine.h"
#include "platform/windows_text.h"

namespace Platform {

namespace {

// HRESULTs, negative as they are on Windows whatever the width of long.
long hresult(uint32_t value) { return static_cast<long>(static_cast<int32_t>(value)); }
const long kOk = 0;
const long kFalse = 1;
const long kFail = hresult(0x80004005);          // E_FAIL
const long kPathNotFound = hresult(0x80070003);  // HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)
const long kAccessDenied = hresult(0x80070005);  // HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)
const long kDiskFull = hresult(0x80070070);      // HRESULT_FROM_WIN32(ERROR_DISK_FULL)
const long kInvalidArg = hresult(0x80070057);    // E_INVALIDARG

// The link path back from the UTF-16 the caller made of it: false when a
// character has no code page 1252 byte (which toWide never produces).
bool utf16ToAnsi(const std::u16string& wide, std::string* ansi) {
  std::string out;
  for (char16_t unit : wide) {
    const unsigned char byte = Posix::unicodeToAnsi(unit);
    if (byte == '?' && unit != u'?') return false;
    out.push_back(static_cast<char>(byte));
  }
  *ansi = std::move(out);
  return true;
}

// Splits a full path "X:\a\b" into its components below the root; a
// trailing separator leaves no empty component.
std::vector<std::string> componentsBelowRoot(const std::string& full) {
  std::vector<std::string> parts;
  size_t start = 3;
  while (start < full.size()) {
    size_t end = full.find('\\', start);
    if (end == std::string::npos) end = full.size();
    if (end > start) parts.push_back(full.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// Fills the id-list items of the target from the machine: false when some
// component does not exist (the items are then as complete as they can be).
bool describeTarget(const Posix::Machine& machine, const std::string& full,
                    std::vector<Posix::LnkPathItem>* items) {
  std::string prefix = full.substr(0, 3);
  bool exists = full.size() >= 3 && full[1] == ':' && full[2] == '\\';
  for (const std::string& name : componentsBelowRoot(full)) {
    prefix += (prefix.back() == '\\' ? "" : "\\") + name;
    Posix::LnkPathItem item;
    item.name = name;
    std::string host;
    struct stat status;
    if (exists && machine.hostPath(prefix, &host) && ::stat(host.c_str(), &status) == 0) {
      item.directory = S_ISDIR(status.st_mode);
      item.size = static_cast<uint32_t>(status.st_size);
      item.modified = status.st_mtime;
    } else {
      exists = false;
    }
    items->push_back(item);
  }
  // "X:\dir\file\" names a directory; a file does not satisfy it.
  if (exists && full.size() > 3 && full.back() == '\\' && !items->empty() &&
      !items->back().directory) {
    exists = false;
  }
  if (exists && items->empty()) {
    std::string host;
    struct stat status;
    exists = machine.hostPath(full, &host) && ::stat(host.c_str(), &status) == 0;
  }
  return exists;
}

// Neither "X:..." nor rooted at "\": SearchPath may find it elsewhere.
bool isRelative(const std::string& path) {
  return !(path.size() >= 2 && path[1] == ':') && !WindowsText::isSeparator(path[0]);
}

// SearchPath without a path of its own, for what the current directory did
// not hold: the installer's folder, the system folder, the Windows folder.
bool searchPath(const Posix::Machine& machine, const std::string& relative, std::string* full,
                std::vector<Posix::LnkPathItem>* items) {
  std::vector<std::string> folders;
  const std::string& module = machine.moduleFileName();
  folders.push_back(module.substr(0, module.find_last_of('\\')));
  std::string folder;
  if (Platform::systemDirectory(&folder)) folders.push_back(folder);
  if (Platform::windowsDirectory(&folder)) folders.push_back(folder);
  for (const std::string& candidate : folders) {
    std::string found;
    std::vector<Posix::LnkPathItem> foundItems;
    if (candidate.empty() || !machine.fullPath(candidate + "\\" + relative, &found) ||
        !fitsMaxPath(found)) {
      continue;
    }
    if (describeTarget(machine, found, &foundItems)) {
      *full = found;
      *items = std::move(foundItems);
      return true;
    }
  }
  return false;
}

long errnoResult(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return kAccessDenied;
    case ENOSPC:
    case EDQUOT:
      return kDiskFull;
    default:
      return kFail;
  }
}

// A crash leaves either the old file or the new one, never a torn link.
long writeAtomically(const std::string& hostPath, const std::string& bytes, mode_t mode) {
  const int error = Posix::replaceFile(hostPath, ".tarnwick-lnk-XXXXXX", mode, true,
                                       [&](int fd) { return Posix::writeAll(fd, bytes); });
  if (error != 0) return errnoResult(error);
  Posix::Machine::instance().noteAdded(hostPath);
  return kOk;
}

class PosixShellLink : public ShellLink {
 public:
  long setPath(const std::string& target) override;
  long setIconLocation(const std::string& icon, int index) override;
  bool queryPersistFile() override { return true; }
  long save(const std::u16string& path) override;

 private:
  Posix::LnkContent content_;
};

// As Wine: quotes around the whole target are dropped and any other quote
// refuses it; an empty target clears the path; one that cannot be made a
// full path fails; one that does not exist is kept but answered with
// S_FALSE. A relative target is looked up from the current directory,
// then along the search path.
long PosixShellLink::setPath(const std::string& target) {
  content_.targetPath.clear();
  content_.items.clear();
  std::string path = target;
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
    path = path.substr(1, path.size() - 2);
  }
  if (path.find('"') != std::string::npos) return kFalse;
  if (path.empty()) return kOk;
  const Posix::Machine& machine = Posix::Machine::instance();
  std::string full;
  if (!machine.fullPath(path, &full) || !fitsMaxPath(full)) return kFail;
  std::vector<Posix::LnkPathItem> items;
  bool exists = describeTarget(machine, full, &items);
  if (!exists && isRelative(path)) exists = searchPath(machine, path, &full, &items);
  content_.targetPath = full;
  content_.items = std::move(items);
  return exists ? kOk : kFalse;
}

// The icon is stored as given, without resolving it; only index 0 is
// ever asked for, and the file format has no room for another.
long PosixShellLink::setIconLocation(const std::string& icon, int index) {
  if (index != 0 || icon.size() > 0xFFFF) return kInvalidArg;
  content_.iconLocation = icon;
  return kOk;
}

long PosixShellLink::save(const std::u16string& path) {
  std::string link;
  if (!utf16ToAnsi(path, &link) || link.empty()) return kInvalidArg;
  const Posix::Machine& machine = Posix::Machine::instance();
  std::string full, host;
  if (!machine.fullPath(link, &full)) return kInvalidArg;
  if (!machine.hostPath(full, &host)) return kPathNotFound;
  struct stat status;
  if (::stat(Posix::hostParentOf(host).c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    return kPathNotFound;
  }
  if (!machine.isWritable(full)) return kAccessDenied;
  mode_t mode = 0644;
  if (::lstat(host.c_str(), &status) == 0) {
    // Windows refuses to replace a folder or a read-only file; the owner's
    // write bit is the read-only attribute here, also for root.
    if (S_ISDIR(status.st_mode) || (status.st_mode & S_IWUSR) == 0) return kAccessDenied;
    if (S_ISREG(status.st_mode)) mode = status.st_mode & 07777;
  }
  std::string bytes;
  if (!Posix::buildLnk(content_, &bytes)) return kFail;
  return writeAtomically(host, bytes, mode);
}

}  // namespace

std::unique_ptr<ShellLink> createShellLink() { return std::make_unique<PosixShellLink>(); }

// Code page 1252 has one UTF-16 unit per byte; as with MultiByteToWideChar
// on a NUL-terminated string, conversion stops at the first NUL.
bool toWide(const std::string& text, size_t capacity, std::u16string* wide) {
  const std::string ansi = text.substr(0, text.find('\0'));
  if (ansi.size() + 1 > capacity) return false;
  *wide = Posix::ansiToUtf16(ansi);
  return true;
}

}  // namespace Platform
