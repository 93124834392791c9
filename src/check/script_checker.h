#ifndef TARNWICK_CHECK_SCRIPT_CHECKER_H_
#define TARNWICK_CHECK_SCRIPT_CHECKER_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "alias/alias_table.h"
#include "check/alias_usage.h"
#include "check/checked_options.h"
#include "check/findings.h"
#include "check/load_check.h"
#include "check/option_advice.h"
#include "check/run_checks.h"
#include "check/unknown_values.h"
#include "engine/section_dispatch.h"
#include "platform/platform_host.h"
#include "script/line_reader.h"
#include "script/section_header.h"
#include "system/system.h"

// What the checker knows of the place a script will run in.
struct CheckSettings {
  // <INSTALLER>: the folder the installer runs in and relative paths
  // resolve against, a full Windows path without a trailing separator.
  std::string installerFolder;
  // The OS type the script is checked for; none: every OS type.
  std::optional<OsType> os;
  // Whether a full path beside the script names anything (for the copy
  // source warning); unset: never asked.
  std::function<Platform::HostMatch(const std::string&)> findBesideScript;
};

// Checks an installation script without running it: every line is read,
// substituted, classified and parsed by the installer's own code, alias
// lines are evaluated as far as the machine is not needed, and every
// instruction line is checked as if it ran, whatever its cond, with the
// rules its action applies. What only the target machine knows is an unknown
// value, and nothing that depends on one is reported. Executes nothing and
// keeps no line but the current section's header.
class ScriptChecker {
 public:
  ScriptChecker(const CheckSettings& settings, Findings* findings);
  ScriptChecker(const ScriptChecker&) = delete;
  ScriptChecker& operator=(const ScriptChecker&) = delete;

  // Checks every line `reader` gives, then what stays open at the end. A
  // failure to read is an error of the file, after which the lines read so
  // far are still concluded.
  void check(LineReader* reader);

 private:
  enum class Phase { kStart, kPackageInformation, kRun };

  // The section the current line is in.
  struct Section {
    std::unique_ptr<SectionHeader> header;  // null: none yet, or unreadable
    CheckedOptions options;
    bool started = false;    // a header was met (even an unreadable one)
    bool nameKnown = false;  // the name is the one the installer sees
    // What the name makes a predefined section (looked up once).
    PredefinedSection predefined = PredefinedSection::kUnrecognized;
    bool aliases = false;     // its lines are alias lines (a guess when unreadable)
    bool neverRuns = false;   // its own cond is always "0"
    bool lineMayRun = false;  // some line of it overrides that
    int line = 0;
    std::string text;
  };

  // How far a line's split into body and options is known.
  struct Form {
    bool known = false;  // false: a value of the machine after its last '?'
    CheckedOptions options;
    std::string rebuilt;  // the line with the options set aside; empty: as it is
    // The line as the parser gets it.
    const std::string& parsable(const std::string& text) const {
      return rebuilt.empty() ? text : rebuilt;
    }
  };

  void checkLine(const std::string& raw);
  const std::string* substitute(const std::string& raw, std::string* substituted);
  bool nonTerminationIsCertain(const std::string& raw) const;
  Form formOf(const std::string& text) const;

  void checkHeader(const std::string& text);
  void enterSection(Section next);
  void endSection();
  void checkInstruction(const std::string& text);
  void checkPackageParameter(const NameValueLine& line, const CheckedOptions& given,
                             const std::string& name, const std::string& value);
  void runInstruction(const EffectiveOptions& options, std::optional<int> sectionType,
                      const std::string& name, const std::string& value);
  void checkAliasLine(const std::string& text);
  void defineUnknownAlias(const std::string& text, const Form& form, bool watched);
  void defineUnsubstitutedAlias(const std::string& raw);
  void define(const std::string& name, const std::string& value, bool watched);

  void endLoad(int line, const std::string& text);
  void defineOsFacts();

  // Options given where nothing reads them.
  void adviseOptions(const OptionedLine& line, const CheckedOptions& given, OptionPlace place,
                     std::optional<int> sectionType);
  void noteUndefinedReferences(const std::string& text, bool deferred);

  void report(Severity severity, Stage stage, const std::string& message, int column = 0,
              bool certainToRun = true);
  void reportAt(int line, const std::string& text, Severity severity, Stage stage,
                const std::string& message, int column = 0, bool certainToRun = true);
  void readError(const std::string& message) { report(Severity::kError, Stage::kReading, message); }
  void advise(const std::string& message, int column = 0) {
    report(Severity::kWarning, Stage::kAdvice, message, column);
  }

  CheckSettings settings_;
  Findings* findings_;
  RunChecks run_;
  UnknownValues unknowns_;
  AliasTable table_;
  AliasUsage usage_;

  int lineNumber_ = 0;
  const std::string* raw_ = nullptr;  // the current line as written

  Phase phase_ = Phase::kStart;
  LoadCheck load_;

  Section section_;
};

#endif  // TARNWICK_CHECK_SCRIPT_CHECKER_H_
