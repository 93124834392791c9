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
// The machine and its safety: fuzz/fuzz_machine.h.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "check/findings.h"
#include "check/script_checker.h"
#include "driver/reporter.h"
#include "driver/throwable.h"
#include "engine/script_engine.h"
#include "fuzz/fuzz_machine.h"
#include "platform/platform_system.h"
#include "script/line_reader.h"

namespace {

Findings check(const uint8_t* data, size_t size) {
  Findings findings;
  CheckSettings settings;
  settings.installerFolder = "C:\\fuzz";
  settings.os = FuzzMachine::state().osType;
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
  FuzzMachine::initialize("check");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Findings findings = check(data, size);
  FuzzMachine::newMachine(data, size);
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
  FuzzMachine::returnToStartFolder();
  holdToTheRun(findings, linesRead, fatal);
  return 0;
}
