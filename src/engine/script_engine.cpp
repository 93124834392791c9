#include "engine/script_engine.h"

#include <string>

#include "alias/alias_line.h"
#include "driver/reporter.h"
#include "driver/throwable.h"
#include "engine/section_dispatch.h"
#include "platform/platform_files.h"
#include "platform/platform_registry.h"
#include "script/options_table.h"
#include "script/section_header.h"
#include "script/utils.h"
#include "system/system.h"

namespace {

const char kDebugFile[] = "debug.out";

}  // namespace

ScriptEngine::ScriptEngine(Actions& actions) : actions_(actions) {}

void ScriptEngine::load(const std::string& path) {
  scriptFile_.init(path);
  package_ = PackageInformation();
  readPackageInformation();
  checkOsRestriction(package_.osRestriction, System::osType());
}

// Honoured only as the first section. Its header, and the header that ends
// it, are consumed here; every later line knows its own section.
void ScriptEngine::readPackageInformation() {
  const SectionHeader* header = nextSectionHeader();
  if (header == nullptr || header->name() != "package information") return;
  while (ScriptLine* line = nextSignificantLine()) {
    if (line->kind() != Instruction) return;
    const auto& parameter = static_cast<const NameValueLine&>(*line);
    package_.setParameter(parameter.name(), parameter.value());
  }
}

ScriptLine* ScriptEngine::nextSignificantLine() {
  while (ScriptLine* line = scriptFile_.nextLine()) {
    if (package_.debug) traceLine(*line);
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
    if (package_.debug) continue;
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
  switch (requirePredefinedSection(section)) {
    case PredefinedSection::kCreateDirectories:
      actions_.createDirectory(line.value());
      break;
    case PredefinedSection::kCopyFiles:
      actions_.copyFiles(line.value(), line.name());
      break;
    case PredefinedSection::kDeleteFiles:
      deleteFiles(line);
      break;
    case PredefinedSection::kCreateLinks:
      actions_.createLink(line.name(), line.value(), line.stringOption(OptionId::link_icon));
      break;
    case PredefinedSection::kCreateRegistryKeys:
      actions_.createKey(line.value());
      break;
    case PredefinedSection::kDeleteRegistryKeys:
      actions_.deleteKey(line.value());
      break;
    case PredefinedSection::kRunPrograms:
      runProgram(line.value());
      break;
    case PredefinedSection::kUnrecognized:
      break;
  }
}

void ScriptEngine::deleteFiles(const InstructionLine& line) {
  int recurse = line.constOption(OptionId::delete_recurse);
  if (recurse != SettingCode::kRecurseYes && recurse != SettingCode::kRecurseNo) {
    throw ScriptEngineException(
        formatMessage("Unrecognized delete_recurse setting encountered: %d", recurse));
  }
  actions_.deleteFiles(line.value(), recurse == SettingCode::kRecurseYes);
}

void ScriptEngine::createRegistryValue(const InstructionLine& line) {
  uint32_t type = registryValueType(line.constOption(OptionId::regval_type));
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
