// Feeds arbitrary bytes through the script reader: raw line reading,
// alias substitution, classification, option parsing and alias evaluation.
// A second, differential check runs the same bytes as an alias table and a
// line through substitution and compares the result with the literal
// "replace the leftmost reference, search again from the start" rule.
//
// Everything happens inside a fresh temporary folder: the emulated machine
// ($TARNWICK_MACHINE) and the script file live there, and the folder is
// removed when the fuzzer exits. Alias evaluation only reads the machine.

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "alias/alias_line.h"
#include "alias/alias_table.h"
#include "driver/throwable.h"
#include "platform/posix/machine.h"
#include "script/script_file.h"
#include "script/section_header.h"
#include "system/system.h"

namespace {

const char* const kScriptPath = "C:\\fuzz\\script.txt";
std::string temporaryFolder;
std::string scriptHostPath;

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

void removeTemporaryFolder() {
  if (temporaryFolder.find("/tarnwick-fuzz-") == std::string::npos) return;
  nftw(temporaryFolder.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void setFacts() {
  System::Facts facts;
  facts.osType = WindowsNT;
  facts.runningDirectory = "C:\\fuzz";
  facts.windowsDirectory = "C:\\windows";
  facts.systemDirectory = "C:\\windows\\system32";
  facts.programFilesDirectory = "C:\\Program Files";
  facts.desktopDirectory = "C:\\users\\fuzz\\Desktop";
  facts.startMenuDirectory = "C:\\users\\fuzz\\Start Menu";
  facts.programsDirectory = "C:\\users\\fuzz\\Start Menu\\Programs";
  facts.sharedDesktopDirectory = "C:\\users\\Public\\Desktop";
  facts.sharedStartMenuDirectory = "C:\\ProgramData\\Start Menu";
  facts.sharedProgramsDirectory = "C:\\ProgramData\\Start Menu\\Programs";
  System::setFactsForTesting(facts);
}

// Reads every line of the script and asks each for what the engine asks.
void readScript(const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(scriptHostPath.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);

  ScriptFile script;
  int expectedNumber = 1;
  try {
    script.init(kScriptPath);
    while (ScriptLine* line = script.nextLine()) {
      if (line->lineNumber() != expectedNumber++) std::abort();
      if (line->kind() == Header) {
        static_cast<const SectionHeader*>(line)->name();
      }
      if (line->kind() == Instruction || line->kind() == Alias || line->kind() == Header) {
        const auto* optioned = static_cast<const OptionedLine*>(line);
        for (int id = 0; id <= 6; ++id) {
          if (id == static_cast<int>(OptionId::link_icon)) {
            optioned->stringOption(OptionId::link_icon);
          } else if (optioned->constOption(static_cast<OptionId>(id)) < 0) {
            std::abort();
          }
        }
      }
      if (line->kind() == Alias) static_cast<const AliasLine*>(line)->evaluatedValue();
    }
  } catch (const Exception&) {
    // Bad scripts are expected; only crashes, hangs and leaks are findings.
  }
}

std::string literalSubstitution(const AliasTable& table, const std::string& line,
                                int maxReplacements, size_t maxLength) {
  std::string text = line;
  size_t limit = maxLength > line.size() ? maxLength : line.size();
  int replacements = 0;
  size_t open = 0;
  size_t close = 0;
  while (table.findAliasReference(text, &open, &close)) {
    text.replace(open, close - open + 1, *table.find(text.substr(open + 1, close - open - 1)));
    if (++replacements > maxReplacements || text.size() > limit) return "(does not terminate)";
  }
  return text;
}

// The bytes as "name=value" lines defining aliases, the last line being the
// one substituted.
void compareSubstitution(const uint8_t* data, size_t size) {
  const int kMaxReplacements = 200;
  const size_t kMaxLength = 4096;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  AliasTable table(kMaxReplacements, kMaxLength);
  size_t start = 0;
  size_t lineFeed;
  while ((lineFeed = bytes.find('\n', start)) != std::string::npos) {
    std::string definition = bytes.substr(start, lineFeed - start);
    size_t equals = definition.find('=');
    if (equals == std::string::npos) {
      table.define(definition, "");
    } else {
      table.define(definition.substr(0, equals), definition.substr(equals + 1));
    }
    start = lineFeed + 1;
  }
  std::string line = bytes.substr(start);
  std::string fast;
  try {
    fast = table.substituteAliases(line);
  } catch (const ScriptFileException&) {
    fast = "(does not terminate)";
  }
  if (fast != literalSubstitution(table, line, kMaxReplacements, kMaxLength)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/tarnwick-fuzz-XXXXXX";
  if (mkdtemp(pattern) == nullptr) std::abort();
  temporaryFolder = pattern;
  std::atexit(removeTemporaryFolder);
  setenv("TARNWICK_MACHINE", (temporaryFolder + "/machine").c_str(), 1);
  Posix::Machine::reset();
  const std::string& machine = Posix::Machine::instance().folder();
  std::string fuzzFolder = machine + "/drive_c/fuzz";
  if (mkdir(fuzzFolder.c_str(), 0755) != 0) std::abort();
  scriptHostPath = fuzzFolder + "/script.txt";
  setFacts();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  readScript(data, size);
  compareSubstitution(data, size);
  return 0;
}
