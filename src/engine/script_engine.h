#ifndef TARNWICK_ENGINE_SCRIPT_ENGINE_H_
#define TARNWICK_ENGINE_SCRIPT_ENGINE_H_

#include <string>

#include "engine/actions.h"
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

  const std::string& packageName() const { return packageName_; }
  const std::string& osRestriction() const { return osRestriction_; }
  bool debug() const { return debug_; }

 private:
  void readPackageInformation();
  void setPackageParameter(const NameValueLine& line);
  void checkOsRestriction() const;

  ScriptLine* nextSignificantLine();
  const SectionHeader* nextSectionHeader();
  const InstructionLine* nextInstructionLine();
  void traceLine(const ScriptLine& line) const;

  void executeLine(const InstructionLine& line);
  void executePredefined(const InstructionLine& line);
  void createRegistryValue(const InstructionLine& line);
  void deleteRegistryValue(const InstructionLine& line);
  void runProgram(const std::string& command);
  void handleError(const InstructionLine& line, const std::string& message, Reporter& reporter);

  Actions& actions_;
  std::string packageName_;
  std::string osRestriction_;
  bool debug_ = false;
  ScriptFile scriptFile_;
};

#endif  // TARNWICK_ENGINE_SCRIPT_ENGINE_H_
