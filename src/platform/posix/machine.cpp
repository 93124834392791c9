#include "platform/posix/machine.h"

#include <dirent.h>
#include <ftw.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/posix/code_page.h"
#include "platform/posix/host_io.h"
#include "platform/posix/test_hooks.h"
#include "platform/posix/windows_names.h"
#include "platform/windows_text.h"

namespace Posix {

namespace {

struct KnownOs {
  const char* name;
  Platform::OsVersion version;
};

const KnownOs kKnownOs[] = {
    {"win95", {1, 4, 0}}, {"win98", {1, 4, 10}}, {"winme", {1, 4, 90}},
    {"nt40", {2, 4, 0}},  {"win2k", {2, 5, 0}},  {"winxp", {2, 5, 1}},
    {"win7", {2, 6, 1}},  {"win10", {2, 10, 0}}, {"unknown", {0, 0, 0}},
};

const KnownOs* findOs(const std::string& name) {
  for (const KnownOs& os : kKnownOs) {
    if (name == os.name) return &os;
  }
  return nullptr;
}

std::unique_ptr<Machine>& current() {
  static std::unique_ptr<Machine> machine;
  return machine;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Made absolute at once: the process changes its directory during a run.
std::string machineFolder() {
  std::string folder = environment("TARNWICK_MACHINE");
  if (folder.empty()) {
    std::string data = environment("XDG_DATA_HOME");
    if (data.empty()) data = environment("HOME") + "/.local/share";
    folder = data + "/tarnwick/machine";
  }
  if (folder[0] != '/') {
    char* cwd = getcwd(nullptr, 0);
    folder = std::string(cwd != nullptr ? cwd : "") + "/" + folder;
    std::free(cwd);
  }
  return folder;
}

std::string accountName() {
  if (const passwd* entry = getpwuid(getuid())) {
    if (entry->pw_name != nullptr && entry->pw_name[0] != '\0') return entry->pw_name;
  }
  std::string user = environment("USER");
  return user.empty() ? "user" : user;
}

bool existsOnHost(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0;
}

// The size of a file, or -1 when it does not exist.
off_t hostFileSize(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0 ? status.st_size : -1;
}

int removeHostEntry(const char* path, const struct stat*, int, struct FTW*) {
  return ::remove(path);
}

// Removes a folder this process made and everything in it, never following
// a link out of it.
void removeHostTree(const std::string& path) {
  if (existsOnHost(path)) nftw(path.c_str(), removeHostEntry, 16, FTW_DEPTH | FTW_PHYS);
}

bool isDirectoryOnHost(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

void makeHostDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0755);
    if (slash == std::string::npos) break;
  }
}

std::string hostExecutable() {
  std::vector<char> buffer(4096);
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return "";
  return std::string(buffer.data(), static_cast<size_t>(length));
}

// Whether `path` lies strictly inside `folder` (both host paths without a
// trailing slash).
bool isStrictlyInside(const std::string& path, const std::string& folder) {
  if (folder == "/") return path.size() > 1;
  return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
         path[folder.size()] == '/';
}

// The existing part of a host path with its links resolved, and the rest
// appended, so that a link cannot carry a write outside the folder it lies in.
std::string resolveExistingPart(const std::string& path) {
  std::string existing = path;
  std::string rest;
  while (existing != "/") {
    char* real = realpath(existing.c_str(), nullptr);
    if (real != nullptr) {
      std::string resolved(real);
      std::free(real);
      return resolved == "/" ? "/" + rest : resolved + (rest.empty() ? "" : "/" + rest);
    }
    size_t slash = existing.rfind('/');
    std::string name = existing.substr(slash + 1);
    rest = rest.empty() ? name : name + "/" + rest;
    existing = slash == 0 ? "/" : existing.substr(0, slash);
  }
  return "/" + rest;
}

}  // namespace

Machine& Machine::instance() {
  std::unique_ptr<Machine>& machine = current();
  if (!machine) machine.reset(new Machine());
  return *machine;
}

void Machine::reset() { current().reset(); }

Machine::Machine() {
  folder_ = machineFolder();
  while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
  os_ = environment("TARNWICK_OS");
  if (os_.empty()) os_ = "win10";
  const KnownOs* os = findOs(os_);
  windows9x_ = os != nullptr && os->version.platformId != 2;
  user_ = accountName();
  if (!isDirectoryOnHost(folder_ + "/drive_c")) provision();
  // A machine whose first run ended (killed, say) before its registry was
  // ever written is still new: its registry gets the provisioned values.
  if (!existsOnHost(folder_ + "/registry.reg") &&
      hostFileSize(folder_ + "/registry.journal") <= 0) {
    provisionedNow_ = true;
  }

  std::string executable = hostExecutable();
  // Without its own path the installer has no folder: nothing on Z: is
  // writable then.
  if (!executable.empty()) installerHostDir_ = hostParentOf(executable);
  module_ = windowsPathOf(executable);

  std::unique_ptr<char, void (*)(void*)> cwd(getcwd(nullptr, 0), std::free);
  current_ = windowsPathOf(cwd != nullptr ? cwd.get() : "/");
}

// The drive is made whole under another name and then renamed into place,
// so that a run killed half-way never leaves a drive that lacks folders.
void Machine::provision() {
  const std::string c = folder_ + "/drive_c.new";
  removeHostTree(c);
  std::vector<std::string> folders;
  if (windows9x_) {
    folders = {"/WINDOWS/SYSTEM", "/WINDOWS/Desktop", "/WINDOWS/Start Menu/Programs"};
  } else {
    const std::string home = "/users/" + ansiToUtf8(user_);
    folders = {"/windows/system32", home + "/Desktop",
               home + "/AppData/Roaming/Microsoft/Windows/Start Menu/Programs",
               "/users/Public/Desktop", "/ProgramData/Microsoft/Windows/Start Menu/Programs"};
  }
  folders.push_back("/Program Files");
  for (const std::string& folder : folders) makeHostDirectories(c + folder);
  rename(c.c_str(), (folder_ + "/drive_c").c_str());
  provisionedNow_ = true;
}

bool Machine::osVersion(Platform::OsVersion* version) const {
  const KnownOs* os = findOs(os_);
  if (os == nullptr) return false;
  *version = os->version;
  return true;
}

bool Machine::setCurrentDirectory(const std::string& path) {
  std::string full;
  std::string host;
  if (!fullPath(path, &full) || !hostPath(full, &host) || !isDirectoryOnHost(host)) return false;
  if (chdir(host.c_str()) != 0) return false;
  if (full.size() > 3 && WindowsText::isSeparator(full.back())) full.pop_back();
  current_ = full;
  return true;
}

bool Machine::fullPath(const std::string& path, std::string* full) const {
  return WindowsNames::fullPath(path, current_, full);
}

std::string Machine::matchIgnoringCase(const std::string& hostParent,
                                       const std::string& name) const {
  return listings_.match(hostParent, name);
}

bool Machine::hostComponents(const std::string& path, std::string* root,
                             std::vector<std::string>* names) const {
  std::string full;
  if (!fullPath(path, &full) || full.size() < 3 || full[1] != ':') return false;
  char drive = WindowsText::toUpper(full[0]);
  if (drive == 'C') {
    *root = folder_ + "/drive_c";
  } else if (drive == 'Z' && !TestHooks::hostDriveDisabled()) {
    *root = "/";
  } else {
    return false;
  }
  names->clear();
  size_t start = 3;
  while (start < full.size()) {
    size_t end = full.find('\\', start);
    if (end == std::string::npos) end = full.size();
    names->push_back(ansiToUtf8(full.substr(start, end - start)));
    start = end + 1;
  }
  return true;
}

bool Machine::writtenHostPath(const std::string& path, std::string* host) const {
  std::string result;
  std::vector<std::string> names;
  if (!hostComponents(path, &result, &names)) return false;
  for (const std::string& name : names) result = joinHostPath(result, name);
  *host = result;
  return true;
}

bool Machine::hostPath(const std::string& path, std::string* host) const {
  std::string root;
  std::vector<std::string> names;
  if (!hostComponents(path, &root, &names)) return false;
  // The path as written, and where each of its prefixes ends in it.
  std::string exact = root;
  std::vector<size_t> ends;
  for (const std::string& name : names) {
    exact = joinHostPath(exact, name);
    ends.push_back(exact.size());
  }
  // The longest prefix that exists as written needs no case-insensitive
  // look-up: each of its components is found as written. Usually that is the
  // whole path, or all of it but a new last name, so this costs one or two
  // status queries instead of two per component.
  size_t known = names.size();
  struct stat status;
  while (known > 0 && lstat(exact.substr(0, ends[known - 1]).c_str(), &status) != 0) --known;
  std::string result = known > 0 ? exact.substr(0, ends[known - 1]) : root;
  bool missing = false;
  for (size_t i = known; i < names.size(); ++i) {
    const std::string written = joinHostPath(result, names[i]);
    // The name after the known prefix is missing as written; the names
    // below a differently cased one may exist as written.
    if (missing || (i > known && lstat(written.c_str(), &status) == 0)) {
      result = written;
      continue;
    }
    const std::string match = matchIgnoringCase(result, names[i]);
    missing = match.empty();
    result = missing ? written : joinHostPath(result, match);
  }
  *host = result;
  return true;
}

bool Machine::isWritable(const std::string& path) const {
  std::string full;
  std::string host;
  if (!fullPath(path, &full)) return false;
  // Drive C: is writable throughout.
  if (WindowsText::toUpper(full[0]) == 'C' && full[1] == ':') return true;
  if (installerHostDir_.empty() || !hostPath(full, &host)) return false;
  return isStrictlyInside(resolveExistingPart(host), resolveExistingPart(installerHostDir_));
}

std::string Machine::windowsPathOf(const std::string& hostPath) const {
  const std::string drive = folder_ + "/drive_c";
  std::string rest;
  std::string prefix;
  if (hostPath == drive || isStrictlyInside(hostPath, drive)) {
    prefix = "C:";
    rest = hostPath.substr(drive.size());
  } else {
    prefix = "Z:";
    rest = hostPath == "/" ? "" : hostPath;
  }
  std::string windows = prefix + utf8ToAnsi(rest);
  std::replace(windows.begin(), windows.end(), '/', '\\');
  if (windows.size() == 2) windows += "\\";
  return windows;
}

}  // namespace Posix
