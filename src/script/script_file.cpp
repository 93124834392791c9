#include "script/script_file.h"

#include "alias/predefined_aliases.h"
#include "driver/throwable.h"
#include "platform/platform_files.h"
#include "system/system.h"

ScriptFile::ScriptFile() = default;

ScriptFile::~ScriptFile() = default;

void ScriptFile::init(const std::string& path) {
  if (reader_) throw ScriptFileException("Attempt to initialize script file more than once.");
  fileName_ = path;
  std::unique_ptr<std::FILE, FileCloser> file(Platform::openForReading(path));
  if (!file) throw ScriptFileException("Unable to open file: " + path);
  Platform::FileStatus status;
  if (!Platform::fileStatus(path, &status)) {
    throw ScriptFileException("Unable to access file: " + path);
  }
  // The size is not trusted for reading (a pipe or a growing file has none
  // worth the name): lines are collected in a string that grows as needed.
  file_ = std::move(file);
  reader_ = std::make_unique<LineReader>(file_.get(), path);
  definePredefinedAliases();
  currentSection_.reset();
}

ScriptLine* ScriptFile::nextLine() {
  if (!reader_ || !reader_->nextLine(&rawLine_)) return nullptr;
  ++linesRead_;
  ScriptLine* line = classifyLine(substituteAliases(rawLine_), linesMade_ + 1);
  ++linesMade_;
  return line;
}

const std::string& ScriptFile::substituteAliases(const std::string& line) {
  if (!aliasTable_.substituteAliases(line, &substituted_)) return line;
  return substituted_;
}

ScriptLine* ScriptFile::classifyLine(const std::string& text, int lineNumber) {
  if (isBlankLine(text)) {
    blank_.parse(text, lineNumber, currentSection_.get());
    return &blank_;
  }
  if (isCommentLine(text)) {
    comment_.parse(text, lineNumber, currentSection_.get());
    return &comment_;
  }
  if (isSectionHeaderLine(text)) {
    if (!nextSection_) nextSection_ = std::make_unique<SectionHeader>();
    nextSection_->parse(text, lineNumber);
    // Made current only once it is set up whole. The header it replaces is
    // set up again for the header after it: the lines of its section are
    // gone by then.
    std::swap(currentSection_, nextSection_);
    return currentSection_.get();
  }
  if (isInstructionLine(text, currentSection_.get())) {
    requireSection(text, currentSection_.get());
    instruction_.parse(text, lineNumber, currentSection_.get());
    return &instruction_;
  }
  alias_.parse(text, lineNumber, currentSection_.get());
  aliasTable_.define(alias_.name(), alias_.evaluatedValue());
  return &alias_;
}

void ScriptFile::definePredefinedAliases() {
  for (const auto& [name, value] : predefinedAliases(System::allFacts()))
    aliasTable_.define(name, value);
}
