// The host as a read-only checker sees it on POSIX: drive Z: is the host's
// '/', as on the emulated machine, but nothing here opens that machine, so a
// machine folder that does not exist yet is never created. Names are looked
// up case-insensitively and matched against wildcards as the machine's own
// file operations do.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/platform_host.h"
#include "platform/posix/code_page.h"
#include "platform/posix/folder_listings.h"
#include "platform/posix/host_io.h"
#include "platform/posix/windows_names.h"

namespace Platform {

namespace {

bool hasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// The entry of `folder` called `name` (UTF-8) whatever its A-Z case, as a
// host path; empty when there is none.
std::string lookUp(Posix::FolderListings* listings, const std::string& folder,
                   const std::string& name) {
  const std::string written = Posix::joinHostPath(folder, name);
  if (Posix::existsOnHost(written)) return written;
  const std::string match = listings->match(folder, name);
  return match.empty() ? std::string() : Posix::joinHostPath(folder, match);
}

// Whether `folder` holds an entry other than "." and ".." that matches the
// wildcard pattern `name` (code page 1252).
bool anyMatch(const std::string& folder, const std::string& name) {
  std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(folder.c_str()), closedir);
  if (!listing) return false;
  while (const dirent* entry = readdir(listing.get())) {
    const std::string found = Posix::utf8ToAnsi(entry->d_name);
    if (found != "." && found != ".." && Posix::WindowsNames::matchesWildcard(name, found))
      return true;
  }
  return false;
}

// The names of a full "Z:\..." path below the root, in code page 1252.
std::vector<std::string> namesBelowRoot(const std::string& full) {
  std::vector<std::string> names;
  size_t start = 3;
  while (start <= full.size()) {
    size_t end = full.find('\\', start);
    if (end == std::string::npos) end = full.size();
    names.push_back(full.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or
// values past U+10FFFF).
bool isUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80                    ? 1
                    : lead >= 0xC2 && lead <= 0xDF ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || i + length > text.size()) return false;
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3F);
    }
    const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < minimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

// A path as on a command line: as the installer does, '\' separates too
// when the path does not name anything as written.
std::string commandLinePath(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) == 0) return path;
  std::string slashed = path;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  return slashed;
}

}  // namespace

std::FILE* openHostFile(const std::string& given) {
  if (given.empty() || given.find('\0') != std::string::npos) return nullptr;
  return Posix::openForReadingBytes(commandLinePath(given));
}

bool installerFolderOf(const std::string& given, std::string* folder) {
  if (given.empty() || given.find('\0') != std::string::npos) return false;
  const std::string path = commandLinePath(given);
  const size_t slash = path.rfind('/');
  const std::string parent =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  std::unique_ptr<char, void (*)(void*)> real(realpath(parent.c_str(), nullptr), std::free);
  if (!real) return false;
  std::string host(real.get());
  std::string windows = "Z:" + Posix::utf8ToAnsi(host == "/" ? "" : host);
  std::replace(windows.begin(), windows.end(), '/', '\\');
  *folder = windows;
  return true;
}

HostMatch findOnHost(const std::string& pattern) {
  if (pattern.size() < 3 || (pattern[0] != 'Z' && pattern[0] != 'z') || pattern[1] != ':' ||
      pattern[2] != '\\') {
    return HostMatch::kUnknown;
  }
  // A root is found; any other path ending in a separator is neither a file
  // nor a pattern the installer can expand.
  if (pattern.size() == 3) return HostMatch::kFound;
  const std::vector<std::string> names = namesBelowRoot(pattern);
  Posix::FolderListings listings;
  std::string folder = "/";
  for (size_t i = 0; i + 1 < names.size(); ++i) {
    if (names[i].empty() || hasWildcard(names[i])) return HostMatch::kMissing;
    folder = lookUp(&listings, folder, Posix::ansiToUtf8(names[i]));
    if (folder.empty()) return HostMatch::kMissing;
  }
  const std::string& last = names.back();
  if (last.empty()) return HostMatch::kMissing;
  if (hasWildcard(last)) return anyMatch(folder, last) ? HostMatch::kFound : HostMatch::kMissing;
  return lookUp(&listings, folder, Posix::ansiToUtf8(last)).empty() ? HostMatch::kMissing
                                                                    : HostMatch::kFound;
}

std::string ansiToUtf8(const std::string& ansi) { return Posix::ansiToUtf8(ansi); }

std::string hostNameToUtf8(const std::string& name) {
  return isUtf8(name) ? name : Posix::ansiToUtf8(name);
}

}  // namespace Platform
