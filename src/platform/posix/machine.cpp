#include "platform/posix/machine.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/known_systems.h"
#include "platform/posix/host_io.h"
#include "platform/posix/machine_provisioning.h"
#include "platform/posix/registry_store.h"
#include "platform/posix/z_drive_rule.h"
#include "platform/windows_path.h"
#include "platform/windows_text.h"

namespace Posix {

namespace {

bool confinedProcess = false;

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
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// A program the run starts (another installer, say) runs in the installer's
// folder, where a relative $TARNWICK_MACHINE would name another machine: it
// is given the folder this process resolved. (setenv fails only for want of
// memory; the programs then see the variable as it was.)
void passOnToPrograms(const std::string& folder) { setenv("TARNWICK_MACHINE", folder.c_str(), 1); }

std::string systemName() {
  std::string name = environment("TARNWICK_OS");
  return name.empty() ? Platform::defaultSystemName() : name;
}

std::string accountName() {
  if (const passwd* entry = getpwuid(getuid())) {
    if (entry->pw_name != nullptr && entry->pw_name[0] != '\0') return entry->pw_name;
  }
  std::string user = environment("USER");
  return user.empty() ? "user" : user;
}

// The installer's own executable, links resolved; empty when unknown.
std::string hostExecutable() {
  std::vector<char> buffer(4096);
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return "";
  return std::string(buffer.data(), static_cast<size_t>(length));
}

std::string hostCurrentDirectory() {
  std::unique_ptr<char, void (*)(void*)> cwd(getcwd(nullptr, 0), std::free);
  return cwd != nullptr ? cwd.get() : "/";
}

}  // namespace

Machine& Machine::instance() {
  std::unique_ptr<Machine>& machine = current();
  if (!machine) machine.reset(new Machine());
  return *machine;
}

Machine* Machine::existing() { return current().get(); }

void Machine::reset() { current().reset(); }

void Machine::setConfined(bool confined) { confinedProcess = confined; }

bool Machine::confined() { return confinedProcess; }

Machine::Machine()
    : folder_(machineFolder()),
      os_(systemName()),
      windows9x_(Platform::hasWindows9xLayout(os_)),
      user_(accountName()),
      mapping_(folder_) {
  passOnToPrograms(folder_);
  if (confinedProcess) mapping_.hideHostDrive();
  const bool made = provisionDrive(folder_, windows9x_, user_);
  provisionedNow_ = made || registryNeverWritten(folder_);
  const std::string executable = hostExecutable();
  if (!executable.empty()) installerFolder_ = hostParentOf(executable);
  module_ = windowsPathOf(executable);
  current_ = windowsPathOf(hostCurrentDirectory());
}

Machine::~Machine() = default;

bool Machine::osVersion(Platform::OsVersion* version) const {
  const Platform::KnownSystem* system = Platform::findKnownSystem(os_);
  if (system == nullptr) return false;
  *version = system->version;
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
  return Platform::resolveFullPath(path, current_, full);
}

bool Machine::hostPath(const std::string& full, std::string* host) const {
  return mapping_.hostPath(full, host);
}

bool Machine::writtenHostPath(const std::string& full, std::string* host) const {
  return mapping_.writtenHostPath(full, host);
}

bool Machine::isWritable(const std::string& full) const {
  std::string host;
  // Drive C: is writable throughout: only a path it cannot map is refused.
  if (WindowsText::toUpper(full[0]) == 'C') return mapping_.writtenHostPath(full, &host);
  return mapping_.hostPath(full, &host) && isWritable(full, host);
}

bool Machine::isWritable(const std::string& full, const std::string& host) const {
  return WindowsText::toUpper(full[0]) == 'C' || isInsideInstallerFolder(host, installerFolder_);
}

void Machine::noteRemoved(const std::string& hostPath) const {
  mapping_.listings().removed(hostPath);
  removedSinceRegistryChecked_ = true;
}

RegistryStore& Machine::registry() {
  if (registry_ && removedSinceRegistryChecked_ && !registry_->stillOpenedOnDisk()) {
    registry_.reset();
  }
  removedSinceRegistryChecked_ = false;
  if (!registry_) {
    RegistryLayout layout;
    layout.userName = user_;
    Platform::OsVersion version;
    layout.dynData = osVersion(&version) && version.platformId == 1;
    layout.deletesSubtrees = windows9x_;
    layout.provisionNew = provisionedNow_;
    registry_.reset(new RegistryStore(folder_, layout));
  }
  return *registry_;
}

void Machine::releaseRegistry() {
  if (registry_ && registry_->stillOpenedOnDisk()) registry_->flush();
  registry_.reset();
}

}  // namespace Posix
