// Runs arbitrary bytes as an installation script, from loading through
// every action to the end of the run, on a throw-away emulated machine.
//
// Each input gets a new machine (fuzz/fuzz_machine.h, which also says why
// nothing outside it can be reached). After the run the registry must still
// be a whole REGEDIT4 file. TARNWICK_OS=win95 (or win98, winme) fuzzes the
// 95/98/ME machine instead of Windows 10.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/reporter.h"
#include "driver/throwable.h"
#include "engine/script_engine.h"
#include "fuzz/fuzz_machine.h"
#include "platform/platform_system.h"
#include "platform/posix/regedit_file.h"

namespace {

void checkRegistryFile() {
  const std::string text =
      FuzzMachine::readHostFile(FuzzMachine::state().machineFolder + "/registry.reg");
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
  FuzzMachine::initialize("run");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzMachine::newMachine(data, size);
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
  FuzzMachine::returnToStartFolder();
  return 0;
}
