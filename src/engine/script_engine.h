#ifndef TARNWICK_ENGINE_SCRIPT_ENGINE_H_
#define TARNWICK_ENGINE_SCRIPT_ENGINE_H_

#include <string>

#include "engine/actions.h"
#include "engine/package_information.h"
#include "script/script_file.h"

class InstructionLine;
class NameValueLine;
class Reporter;
class ScriptLine;
class SectionHeader;

// Executes an installation script in one pass: the package information
// first, then every instruction line whose condition holds, each failure
// handled by the line's err_type. In debug mode every line read is traced to
// "debug.out" and nothing is executed.
class ScriptEngine {
 public:
  explicit ScriptEngine(Actions& actions = machineActions());
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  // Opens the script, reads the package information and enforces the OS
  // restriction; throws.
  void load(const std::string& path);
  // Executes the rest of the script; throws to end the run.
  void run(Reporter& reporter);

  const std::string& packageName() const { return package_.packageName; }
  const std::string& osRestriction() const { return package_.osRestriction; }
  bool debug() const { return package_.debug; }
  // The number of the last line read: after a run ended on a fatal error,
  // the line it ended on.
  int linesRead() const { return scriptFile_.linesRead(); }

 private:
  void readPackageInformation();

  ScriptLine* nextSignificantLine();
  const SectionHeader* nextSectionHeader();
  const InstructionLine* nextInstructionLine();
  void traceLine(const ScriptLine& line) const;

  void executeLine(const InstructionLine& line);
  void executePredefined(const InstructionLine& line);
  void deleteFiles(const InstructionLine& line);
  void createRegistryValue(const InstructionLine& line);
  void deleteRegistryValue(const InstructionLine& line);
  void runProgram(const std::string& command);
  void handleError(const InstructionLine& line, const std::string& message, Reporter& reporter);

  Actions& actions_;
  PackageInformation package_;
  ScriptFile scriptFile_;
};

#endif  // TARNWICK_ENGINE_SCRIPT_ENGINE_H_
