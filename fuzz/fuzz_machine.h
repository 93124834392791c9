// A throw-away emulated machine for the fuzz targets that run whole scripts
// (whole_run_fuzz, check_fuzz): one temporary folder per fuzzing process,
// and for every input a new machine whose installer folder C:\fuzz holds the
// script and a small payload.
//
// Safety: drive Z: (the host) is switched off and "run programs" lines do
// nothing (Posix::Machine::setConfined), and the installer's folder lies
// inside the machine, so a script can reach nothing outside the temporary
// folder, however it is written and even when the fuzzer runs as root.
#ifndef TARNWICK_FUZZ_FUZZ_MACHINE_H_
#define TARNWICK_FUZZ_FUZZ_MACHINE_H_

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform_files.h"
#include "platform/posix/machine.h"
#include "platform/posix/registry_store.h"
#include "system/system.h"

namespace FuzzMachine {

struct State {
  std::string tag;  // part of the temporary folder's name, checked before removal
  std::string temporaryFolder;
  std::string machineFolder;
  std::string startFolder;  // the fuzzer's own current directory
  OsType osType = WindowsNT;
};

inline State& state() {
  static State current;
  return current;
}

inline int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
  // A read-only folder (made by the payload) must be writable to be emptied.
  chmod(path, 0755);
  return ::remove(path);
}

inline void removeTree(const std::string& folder) {
  if (folder.find("/tarnwick-fuzz-" + state().tag + "-") == std::string::npos) std::abort();
  nftw(folder.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

inline void removeTemporaryFolder() { removeTree(state().temporaryFolder); }

inline void writeHostFile(const std::string& path, const std::string& content) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (!content.empty() && std::fwrite(content.data(), 1, content.size(), file) != content.size()) {
    std::abort();
  }
  std::fclose(file);
}

inline std::string readHostFile(const std::string& path) {
  std::string text;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return text;
  char buffer[4096];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
  std::fclose(file);
  return text;
}

// A memory file system when there is one: every run syncs its registry.
inline std::string makeTemporaryFolder(const std::string& tag) {
  struct stat status;
  const bool shm = stat("/dev/shm", &status) == 0 && S_ISDIR(status.st_mode);
  std::string pattern =
      (shm ? "/dev/shm" : "/tmp") + std::string("/tarnwick-fuzz-") + tag + "-XXXXXX";
  char* folder = mkdtemp(&pattern[0]);
  if (folder == nullptr) {
    pattern = "/tmp/tarnwick-fuzz-" + tag + "-XXXXXX";
    folder = mkdtemp(&pattern[0]);
  }
  if (folder == nullptr) std::abort();
  return folder;
}

// TARNWICK_OS=win95, win98 or winme fuzzes the 95/98/ME machine; anything
// else Windows 10.
inline OsType osTypeFromEnvironment() {
  const char* os = std::getenv("TARNWICK_OS");
  const std::string name = os != nullptr ? os : "";
  if (name == "win95") return Windows95;
  if (name == "win98" || name == "winme") return Windows98;
  unsetenv("TARNWICK_OS");
  return WindowsNT;
}

// Called once per fuzzing process, from LLVMFuzzerInitialize.
inline void initialize(const std::string& tag) {
  Posix::Machine::setConfined(true);
  State& current = state();
  current.tag = tag;
  current.temporaryFolder = makeTemporaryFolder(tag);
  current.machineFolder = current.temporaryFolder + "/machine";
  char* cwd = getcwd(nullptr, 0);
  if (cwd == nullptr) std::abort();
  current.startFolder = cwd;
  std::free(cwd);
  std::atexit(removeTemporaryFolder);
  setenv("TARNWICK_MACHINE", current.machineFolder.c_str(), 1);
  current.osType = osTypeFromEnvironment();
  // The reporter echoes every report on standard output.
  int null = open("/dev/null", O_WRONLY);
  if (null < 0 || dup2(null, 1) < 0) std::abort();
  close(null);
}

// The facts System::initialize would find on this machine (it cannot run
// here: it takes the installer's folder from the fuzzer's own path).
inline void setFacts(const Posix::Machine& machine) {
  const std::string user = machine.userName();
  System::Facts facts;
  facts.runningDirectory = "C:\\fuzz";
  facts.programFilesDirectory = "C:\\Program Files";
  if (machine.isWindows9xLayout()) {
    facts.osType = state().osType;
    facts.windowsDirectory = "C:\\WINDOWS";
    facts.systemDirectory = "C:\\WINDOWS\\SYSTEM";
    facts.desktopDirectory = facts.sharedDesktopDirectory = "C:\\WINDOWS\\Desktop";
    facts.startMenuDirectory = facts.sharedStartMenuDirectory = "C:\\WINDOWS\\Start Menu";
    facts.programsDirectory = facts.sharedProgramsDirectory = "C:\\WINDOWS\\Start Menu\\Programs";
  } else {
    facts.osType = WindowsNT;
    facts.windowsDirectory = "C:\\windows";
    facts.systemDirectory = "C:\\windows\\system32";
    facts.desktopDirectory = "C:\\users\\" + user + "\\Desktop";
    facts.startMenuDirectory = "C:\\users\\" + user + "\\Start Menu";
    facts.programsDirectory = "C:\\users\\" + user + "\\Start Menu\\Programs";
    facts.sharedDesktopDirectory = "C:\\users\\Public\\Desktop";
    facts.sharedStartMenuDirectory = "C:\\ProgramData\\Start Menu";
    facts.sharedProgramsDirectory = "C:\\ProgramData\\Start Menu\\Programs";
  }
  System::setFactsForTesting(facts);
}

// A new machine whose installer folder C:\fuzz holds the script, two text
// files, a folder and a read-only file, made the current directory.
inline void newMachine(const uint8_t* data, size_t size) {
  Posix::flushRegistry();
  removeTree(state().machineFolder);
  Posix::Machine::reset();
  Posix::Machine& machine = Posix::Machine::instance();
  const std::string fuzz = machine.folder() + "/drive_c/fuzz";
  if (mkdir(fuzz.c_str(), 0755) != 0 || mkdir((fuzz + "/files").c_str(), 0755) != 0) {
    std::abort();
  }
  writeHostFile(fuzz + "/script.txt", std::string(reinterpret_cast<const char*>(data), size));
  writeHostFile(fuzz + "/a.txt", "a\n");
  writeHostFile(fuzz + "/files/b.dll", "MZ not really\n");
  writeHostFile(fuzz + "/files/locked.txt", "read-only\n");
  chmod((fuzz + "/files/locked.txt").c_str(), 0444);
  setFacts(machine);
  if (!Platform::setCurrentDirectory("C:\\fuzz\\")) std::abort();
}

// The run moved into the installer's folder; libFuzzer's relative paths
// (corpus, artifacts) are the fuzzer's.
inline void returnToStartFolder() {
  if (chdir(state().startFolder.c_str()) != 0) std::abort();
}

}  // namespace FuzzMachine

#endif  // TARNWICK_FUZZ_FUZZ_MACHINE_H_
