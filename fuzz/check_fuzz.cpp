// Checks arbitrary bytes as an installation script, then runs them with the
// real engine on a throw-away emulated machine (as whole_run_fuzz does) and
// holds the checker to what happened there:
// - the checker never crashes or hangs;
// - it reports no error on a line that the installer read, or ran to the
//   end, without a fatal error: a read-time error on a line read cleanly,
//   or a run-time error (err_type fatal) on a line that certainly ran, is a
//   false alarm and aborts.
// The installer's folder is C:\fuzz on both sides; the checker is told the
// machine's OS family (TARNWICK_OS=win95, win98 or winme for the 95/98/ME
// machine, else Windows 10) and nothing else about the machine.
//
// Safety as in whole_run_fuzz: drive Z: is switched off, "run programs"
// lines do nothing, and everything happens inside the machine folder.

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "check/findings.h"
#include "check/script_checker.h"
#include "driver/reporter.h"
#include "driver/throwable.h"
#include "engine/script_engine.h"
#include "platform/platform_files.h"
#include "platform/platform_system.h"
#include "platform/posix/machine.h"
#include "platform/posix/registry_store.h"
#include "script/line_reader.h"
#include "system/system.h"

namespace {

std::string temporaryFolder;
std::string machineFolder;
std::string startFolder;
OsType osType = WindowsNT;

int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
  chmod(path, 0755);
  return ::remove(path);
}

void removeTree(const std::string& folder) {
  if (folder.find("/tarnwick-fuzz-check-") == std::string::npos) std::abort();
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

void setFacts(const Posix::Machine& machine) {
  const std::string user = machine.userName();
  System::Facts facts;
  facts.runningDirectory = "C:\\fuzz";
  facts.programFilesDirectory = "C:\\Program Files";
  if (machine.isWindows9xLayout()) {
    facts.osType = osType;
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
  setFacts(machine);
  if (!Platform::setCurrentDirectory("C:\\fuzz\\")) std::abort();
}

Findings check(const uint8_t* data, size_t size) {
  Findings findings;
  CheckSettings settings;
  settings.installerFolder = "C:\\fuzz";
  settings.os = osType;
  std::FILE* file = size > 0 ? fmemopen(const_cast<uint8_t*>(data), size, "rb") : nullptr;
  if (size > 0 && file == nullptr) std::abort();
  if (file != nullptr) {
    LineReader reader(file, "script.txt");
    ScriptChecker(settings, &findings).check(&reader);
    std::fclose(file);
  }
  return findings;
}

// The OS restriction is enforced where the package information ends, but
// the checker reports it where the restriction is written.
bool isRestrictionError(const Finding& finding) {
  return finding.message.rfind("This script must be run under the following OS: ", 0) == 0 ||
         finding.message.rfind("Unrecognized os restriction: ", 0) == 0;
}

void holdToTheRun(const Findings& findings, int linesRead, bool fatal) {
  for (const Finding& finding : findings.all()) {
    if (finding.severity != Severity::kError) continue;
    if (isRestrictionError(finding) && fatal) continue;
    // The line the run ended on failed there anyway.
    const bool readCleanly = finding.line < linesRead || (!fatal && finding.line <= linesRead);
    if (!readCleanly) continue;
    const bool falseAlarm = finding.stage == Stage::kReading ||
                            (finding.stage == Stage::kRunning && finding.certainToRun);
    if (falseAlarm) {
      std::fprintf(stderr, "false alarm at line %d (the installer read %d lines, %s): %s\n",
                   finding.line, linesRead, fatal ? "then failed" : "cleanly",
                   finding.message.c_str());
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Posix::Machine::setConfined(true);
  struct stat status;
  const bool shm = stat("/dev/shm", &status) == 0 && S_ISDIR(status.st_mode);
  char pattern[] = "/dev/shm/tarnwick-fuzz-check-XXXXXX";
  char fallback[] = "/tmp/tarnwick-fuzz-check-XXXXXX";
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
  const char* os = std::getenv("TARNWICK_OS");
  const std::string name = os != nullptr ? os : "";
  if (name == "win95") {
    osType = Windows95;
  } else if (name == "win98" || name == "winme") {
    osType = Windows98;
  } else {
    unsetenv("TARNWICK_OS");
  }
  int null = open("/dev/null", O_WRONLY);
  if (null < 0 || dup2(null, 1) < 0) std::abort();
  close(null);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Findings findings = check(data, size);
  newMachine(data, size);
  Reporter reporter(Reporter::Silent, "");
  int linesRead = 0;
  bool fatal = false;
  {
    ScriptEngine engine;
    try {
      engine.load("script.txt");
      engine.run(reporter);
    } catch (const Exception&) {
      fatal = true;
    }
    linesRead = engine.linesRead();
  }
  Platform::finishRun();
  if (chdir(startFolder.c_str()) != 0) std::abort();
  holdToTheRun(findings, linesRead, fatal);
  return 0;
}
