// Runs arbitrary bytes as an installation script, from loading through
// every action to the end of the run, on a throw-away emulated machine.
//
// Safety: drive Z: (the host) is switched off and "run programs" lines do
// nothing (Posix::Machine::setConfined), and the installer's folder is C:\fuzz inside
// the machine, so a script can reach nothing outside the machine folder,
// however it is written and even when the fuzzer runs as root.
//
// Each input gets a new machine: C:\fuzz holds the script and a small
// payload (two text files, a folder and a read-only file). After the run the
// registry must still be a whole REGEDIT4 file. TARNWICK_OS=win95 (or
// win98, winme) fuzzes the 95/98/ME machine instead of Windows 10.

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/reporter.h"
#include "driver/throwable.h"
#include "engine/script_engine.h"
#include "platform/platform_files.h"
#include "platform/platform_system.h"
#include "platform/posix/machine.h"
#include "platform/posix/regedit_file.h"
#include "platform/posix/registry_store.h"
#include "system/system.h"

namespace {

std::string temporaryFolder;
std::string machineFolder;
std::string startFolder;  // the fuzzer's own current directory

int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
  // A read-only folder (made by the payload) must be writable to be emptied.
  chmod(path, 0755);
  return ::remove(path);
}

void removeTree(const std::string& folder) {
  if (folder.find("/tarnwick-fuzz-run-") == std::string::npos) std::abort();
  nftw(folder.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void removeTemporaryFolder() { removeTree(temporaryFolder); }

void writeHostFile(const std::string& path, const std::string& content) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (!content.empty() && std::fwrite(content.data(), 1, content.size(), file) != content.size()) {
    std::abort();
  }
  std::fclose(file);
}

std::string readHostFile(const std::string& path) {
  std::string text;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return text;
  char buffer[4096];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
  std::fclose(file);
  return text;
}

// The facts System::initialize would find on this machine (it cannot run
// here: it takes the installer's folder from the fuzzer's own path).
void setFacts(const Posix::Machine& machine) {
  const std::string user = machine.userName();
  System::Facts facts;
  if (machine.isWindows9xLayout()) {
    facts.osType = Windows95;
    facts.runningDirectory = "C:\\fuzz";
    facts.windowsDirectory = "C:\\WINDOWS";
    facts.systemDirectory = "C:\\WINDOWS\\SYSTEM";
    facts.programFilesDirectory = "C:\\Program Files";
    facts.desktopDirectory = facts.sharedDesktopDirectory = "C:\\WINDOWS\\Desktop";
    facts.startMenuDirectory = facts.sharedStartMenuDirectory = "C:\\WINDOWS\\Start Menu";
    facts.programsDirectory = facts.sharedProgramsDirectory = "C:\\WINDOWS\\Start Menu\\Programs";
    System::setFactsForTesting(facts);
    return;
  }
  facts.osType = WindowsNT;
  facts.runningDirectory = "C:\\fuzz";
  facts.windowsDirectory = "C:\\windows";
  facts.systemDirectory = "C:\\windows\\system32";
  facts.programFilesDirectory = "C:\\Program Files";
  facts.desktopDirectory = "C:\\users\\" + user + "\\Desktop";
  facts.startMenuDirectory = "C:\\users\\" + user + "\\Start Menu";
  facts.programsDirectory = "C:\\users\\" + user + "\\Start Menu\\Programs";
  facts.sharedDesktopDirectory = "C:\\users\\Public\\Desktop";
  facts.sharedStartMenuDirectory = "C:\\ProgramData\\Start Menu";
  facts.sharedProgramsDirectory = "C:\\ProgramData\\Start Menu\\Programs";
  System::setFactsForTesting(facts);
}

// A new machine with the installer's folder C:\fuzz and its payload.
void newMachine(const uint8_t* data, size_t size) {
  Posix::flushRegistry();
  removeTree(machineFolder);
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

void checkRegistryFile() {
  const std::string text = readHostFile(machineFolder + "/registry.reg");
  if (text.empty()) return;  // no registry change was ever made
  std::vector<Posix::RegeditChange> changes;
  Posix::RegeditError error;
  if (!Posix::parseRegedit(text, true, &changes, &error)) {
    std::fprintf(stderr, "registry.reg unreadable at line %d: %s\n", error.line,
                 error.reason.c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Posix::Machine::setConfined(true);
  // A memory file system when there is one: every run syncs its registry.
  struct stat status;
  const bool shm = stat("/dev/shm", &status) == 0 && S_ISDIR(status.st_mode);
  char pattern[] = "/dev/shm/tarnwick-fuzz-run-XXXXXX";
  char fallback[] = "/tmp/tarnwick-fuzz-run-XXXXXX";
  char* folder = mkdtemp(shm ? pattern : fallback);
  if (folder == nullptr) folder = mkdtemp(fallback);
  if (folder == nullptr) std::abort();
  temporaryFolder = folder;
  machineFolder = temporaryFolder + "/machine";
  char* cwd = getcwd(nullptr, 0);
  if (cwd == nullptr) std::abort();
  startFolder = cwd;
  std::free(cwd);
  std::atexit(removeTemporaryFolder);
  setenv("TARNWICK_MACHINE", machineFolder.c_str(), 1);
  // TARNWICK_OS=win95 (say) fuzzes the 95/98/ME machine; the default is
  // Windows 10.
  const char* os = std::getenv("TARNWICK_OS");
  if (os == nullptr ||
      (std::string(os) != "win95" && std::string(os) != "win98" && std::string(os) != "winme")) {
    unsetenv("TARNWICK_OS");
  }
  // The reporter echoes every report on standard output.
  int null = open("/dev/null", O_WRONLY);
  if (null < 0 || dup2(null, 1) < 0) std::abort();
  close(null);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  newMachine(data, size);
  Reporter reporter(Reporter::Silent, "C:\\Program Files\\Drelmont\\fuzz.log");
  try {
    ScriptEngine engine;
    engine.load("script.txt");
    engine.run(reporter);
  } catch (const Exception& exception) {
    reporter.fatalError(exception.message());
  }
  Platform::finishRun();
  checkRegistryFile();
  // The run moved into the installer's folder; libFuzzer's relative paths
  // (corpus, artifacts) are the fuzzer's.
  if (chdir(startFolder.c_str()) != 0) std::abort();
  return 0;
}
