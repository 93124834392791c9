#include "testing/scratch_machine.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/posix/machine.h"

namespace {

std::string temporaryBase() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

// Removes a folder this class made, never following links out of it.
void removeTree(const std::string& folder) {
  if (folder.find("/tarnwick-test-") == std::string::npos) return;
  nftw(folder.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string savedDirectory() {
  char* cwd = getcwd(nullptr, 0);
  std::string result = cwd != nullptr ? cwd : "/";
  std::free(cwd);
  return result;
}

std::string& originalDirectory() {
  static std::string directory = savedDirectory();
  return directory;
}

}  // namespace

bool ScratchMachine::emulated() { return true; }

// The machine reads $TARNWICK_OS when it opens; the variable is given back
// its value at once.
ScratchMachine::ScratchMachine(const std::string& system) : registryKey_("Software\\Scratch") {
  originalDirectory();
  std::string pattern = temporaryBase() + "/tarnwick-test-XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) throw std::runtime_error("cannot make a temporary folder");
  hostFolder_ = pattern;
  setenv("TARNWICK_MACHINE", (hostFolder_ + "/machine").c_str(), 1);
  const char* saved = std::getenv("TARNWICK_OS");
  const std::string savedSystem = saved != nullptr ? saved : "";
  if (!system.empty()) setenv("TARNWICK_OS", system.c_str(), 1);
  Posix::Machine::reset();
  Posix::Machine::instance();
  if (!system.empty() && saved == nullptr) unsetenv("TARNWICK_OS");
  if (!system.empty() && saved != nullptr) setenv("TARNWICK_OS", savedSystem.c_str(), 1);
  root_ = "C:\\scratch";
  makeDirectory(root_);
}

ScratchMachine::~ScratchMachine() {
  if (chdir(originalDirectory().c_str()) != 0) {
    // Nothing to do: the next test starts from wherever it is.
  }
  Posix::Machine::reset();
  removeTree(hostFolder_);
}

std::string ScratchMachine::path(const std::string& relative) const {
  return root_ + "\\" + relative;
}

std::string ScratchMachine::hostPath(const std::string& path) const {
  std::string host;
  std::string full;
  if (!Posix::Machine::instance().fullPath(path, &full) ||
      !Posix::Machine::instance().hostPath(full, &host))
    throw std::runtime_error("no host path: " + path);
  return host;
}

void ScratchMachine::writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(hostPath(path), std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ScratchMachine::readFile(const std::string& path) const {
  std::ifstream in(hostPath(path), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void ScratchMachine::makeDirectory(const std::string& path) {
  std::string host = hostPath(path);
  for (size_t slash = host.find('/', 1);; slash = host.find('/', slash + 1)) {
    mkdir(host.substr(0, slash).c_str(), 0755);
    if (slash == std::string::npos) break;
  }
}

bool ScratchMachine::exists(const std::string& path) const {
  struct stat status;
  return lstat(hostPath(path).c_str(), &status) == 0;
}

void ScratchMachine::setModified(const std::string& path, int64_t secondsSince1970) {
  struct utimbuf times;
  times.actime = static_cast<time_t>(secondsSince1970);
  times.modtime = static_cast<time_t>(secondsSince1970);
  utime(hostPath(path).c_str(), &times);
}

void ScratchMachine::setReadOnly(const std::string& path, bool readOnly) {
  std::string host = hostPath(path);
  struct stat status;
  if (stat(host.c_str(), &status) != 0) return;
  chmod(host.c_str(), readOnly ? (status.st_mode & ~0222) : (status.st_mode | 0200));
}
