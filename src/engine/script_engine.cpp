#include "engine/script_engine.h"

#include <string>

#include "alias/alias_line.h"
#include "driver/reporter.h"
#include "driver/throwable.h"
#include "platform/platform_files.h"
#include "platform/platform_registry.h"
#include "script/options_table.h"
#include "script/section_header.h"
#include "script/utils.h"
#include "system/system.h"

namespace {

const char kDebugFile[] = "debug.out";

struct OsRestriction {
  const char* name;
  bool accepts[4];  // by OsType: Windows95, Windows98, WindowsNT, UnknownOs
};

const OsRestriction kOsRestrictions[] = {
    {"Win32", {true, true, true, false}},        {"Windows 95", {true, false, false, false}},
    {"Windows 98", {false, true, false, false}}, {"Windows 9x", {true, true, false, false}},
    {"Windows NT", {false, false, true, false}},
};

}  // namespace

ScriptEngine::ScriptEngine(Actions& actions) : actions_(actions) {}

void ScriptEngine::load(const std::string& path) {
  scriptFile_.init(path);
  packageName_ = "unspecified";
  osRestriction_ = "Win32";
  debug_ = false;
  readPackageInformation();
  checkOsRestriction();
}

// Honoured only as the first section. Its header, and the header that ends
// it, are consumed here; every later line knows its own section.
void ScriptEngine::readPackageInformation() {
  const SectionHeader* header = nextSectionHeader();
  if (header == nullptr || header->name() != "package information") return;
  while (ScriptLine* line = nextSignificantLine()) {
    if (line->kind() != Instruction) return;
    setPackageParameter(static_cast<const NameValueLine&>(*line));
  }
}

void ScriptEngine::setPackageParameter(const NameValueLine& line) {
  const std::string& name = line.name();
  if (name == "package_name") {
    packageName_ = Utils::stripQuotes(line.value());
  } else if (name == "os") {
    osRestriction_ = line.value();
  } else if (name == "debug") {
    std::string setting = Utils::toLower(line.value());
    if (setting == "yes") {
      debug_ = true;
    } else if (setting == "no") {
      debug_ = false;
    } else {
      throw ScriptEngineException("Unrecognized debug setting: " + setting);
    }
  } else {
    throw ScriptEngineException("Unrecognized product information parameter: " + name);
  }
}

void ScriptEngine::checkOsRestriction() const {
  for (const OsRestriction& restriction : kOsRestrictions) {
    if (osRestriction_ != restriction.name) continue;
    if (!restriction.accepts[System::osType()]) {
      throw ScriptEngineException("This script must be run under the following OS: " +
                                  osRestriction_);
    }
    return;
  }
  throw ScriptEngineException("Unrecognized os restriction: " + osRestriction_);
}

ScriptLine* ScriptEngine::nextSignificantLine() {
  while (ScriptLine* line = scriptFile_.nextLine()) {
    if (debug_) traceLine(*line);
    if (line->kind() != Blank && line->kind() != Comment) return line;
  }
  return nullptr;
}

const SectionHeader* ScriptEngine::nextSectionHeader() {
  while (ScriptLine* line = nextSignificantLine()) {
    if (line->kind() == Header) return static_cast<const SectionHeader*>(line);
  }
  return nullptr;
}

const InstructionLine* ScriptEngine::nextInstructionLine() {
  while (ScriptLine* line = nextSignificantLine()) {
    if (line->kind() == Instruction) return static_cast<const InstructionLine*>(line);
  }
  return nullptr;
}

// The line is written as data, whatever bytes it holds.
void ScriptEngine::traceLine(const ScriptLine& line) const {
  std::string trace = "Line " + std::to_string(line.lineNumber()) + ": " + line.text() + "\n";
  if (line.kind() == Alias) {
    trace += "Evaluated: " + static_cast<const AliasLine&>(line).evaluatedValue() + "\n";
  }
  if (!Platform::appendText(kDebugFile, trace)) {
    throw ScriptEngineException("Unable to open debug file: debug.out");
  }
}

void ScriptEngine::run(Reporter& reporter) {
  while (const InstructionLine* line = nextInstructionLine()) {
    if (debug_) continue;
    if (line->constOption(OptionId::cond) != SettingCode::kCondTrue) continue;
    try {
      executeLine(*line);
    } catch (const Exception& exception) {
      handleError(*line, exception.message(), reporter);
    }
  }
}

void ScriptEngine::executeLine(const InstructionLine& line) {
  int sectionType = line.constOption(OptionId::section_type);
  switch (sectionType) {
    case SettingCode::kPredefined:
      executePredefined(line);
      break;
    case SettingCode::kCreateRegvals:
      createRegistryValue(line);
      break;
    case SettingCode::kDeleteRegvals:
      deleteRegistryValue(line);
      break;
    default:
      throw ScriptEngineException(
          formatMessage("Unrecognized section_type setting encountered: %d", sectionType));
  }
}

void ScriptEngine::executePredefined(const InstructionLine& line) {
  if (line.section() == nullptr) {
    throw ScriptEngineException("Expected current line to be contained in a section.");
  }
  const std::string& section = line.section()->name();
  if (section == "create directories and program groups") {
    actions_.createDirectory(line.value());
  } else if (section == "copy files") {
    actions_.copyFiles(line.value(), line.name());
  } else if (section == "delete files, directories, and program groups") {
    int recurse = line.constOption(OptionId::delete_recurse);
    if (recurse != SettingCode::kRecurseYes && recurse != SettingCode::kRecurseNo) {
      throw ScriptEngineException(
          formatMessage("Unrecognized delete_recurse setting encountered: %d", recurse));
    }
    actions_.deleteFiles(line.value(), recurse == SettingCode::kRecurseYes);
  } else if (section == "create links") {
    actions_.createLink(line.name(), line.value(), line.stringOption(OptionId::link_icon));
  } else if (section == "create registry keys") {
    actions_.createKey(line.value());
  } else if (section == "delete registry keys") {
    actions_.deleteKey(line.value());
  } else if (section == "run programs") {
    runProgram(line.value());
  } else {
    throw ScriptEngineException("Unrecognized predefined section encountered: " + section);
  }
}

void ScriptEngine::createRegistryValue(const InstructionLine& line) {
  int regvalType = line.constOption(OptionId::regval_type);
  uint32_t type;
  switch (regvalType) {
    case SettingCode::kSz:
      type = Platform::kRegSz;
      break;
    case SettingCode::kDword:
      type = Platform::kRegDword;
      break;
    case SettingCode::kBinary:
      type = Platform::kRegBinary;
      break;
    default:
      throw ScriptEngineException(
          formatMessage("Unrecognized regval_type setting encountered: %d", regvalType));
  }
  actions_.setValue(line.section()->name(), line.name(), type, line.value());
}

// "@" names the key's default value, whose name is empty.
void ScriptEngine::deleteRegistryValue(const InstructionLine& line) {
  const std::string name = line.value() == "@" ? "" : line.value();
  actions_.deleteValue(line.section()->name(), name);
}

void ScriptEngine::runProgram(const std::string& command) { actions_.runProgram(command); }

void ScriptEngine::handleError(const InstructionLine& line, const std::string& message,
                               Reporter& reporter) {
  int errType = line.constOption(OptionId::err_type);
  switch (errType) {
    case SettingCode::kIgnore:
      return;
    case SettingCode::kWarning:
      reporter.warning(message);
      return;
    case SettingCode::kFatal:
      reporter.fatalError(message);
      throw ScriptEngineException("Terminating execution of script due to fatal exception...");
    default:
      throw ScriptEngineException(
          formatMessage("Unrecognized err_type setting encountered: %d", errType));
  }
}
