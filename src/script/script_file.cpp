#include "script/script_file.h"

#include "alias/alias_line.h"
#include "alias/predefined_aliases.h"
#include "driver/throwable.h"
#include "platform/platform_files.h"
#include "script/section_header.h"
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
  currentSection_ = nullptr;
}

ScriptLine* ScriptFile::nextLine() {
  if (!reader_ || !reader_->nextLine(&rawLine_)) return nullptr;
  ++linesRead_;
  std::string text = substituteAliases(rawLine_);
  int lineNumber = static_cast<int>(lines_.size()) + 1;
  std::unique_ptr<ScriptLine> line = classifyLine(text, lineNumber);
  lines_.push_back(std::move(line));
  ScriptLine* added = lines_.back().get();
  // Made current only once the header is safely owned by lines_.
  if (added->kind() == Header) currentSection_ = static_cast<const SectionHeader*>(added);
  return added;
}

std::string ScriptFile::substituteAliases(const std::string& line) const {
  return aliasTable_.substituteAliases(line);
}

std::unique_ptr<ScriptLine> ScriptFile::classifyLine(const std::string& text, int lineNumber) {
  if (isBlankLine(text)) return std::make_unique<BlankLine>(text, lineNumber, currentSection_);
  if (isCommentLine(text)) return std::make_unique<CommentLine>(text, lineNumber, currentSection_);
  if (isSectionHeaderLine(text)) {
    auto header = std::make_unique<SectionHeader>();
    header->parse(text, lineNumber);
    return header;
  }
  if (isInstructionLine(text, currentSection_)) {
    requireSection(text, currentSection_);
    auto instruction = std::make_unique<InstructionLine>();
    instruction->parse(text, lineNumber, currentSection_);
    return instruction;
  }
  auto alias = std::make_unique<AliasLine>();
  alias->parse(text, lineNumber, currentSection_);
  aliasTable_.define(alias->name(), alias->evaluatedValue());
  return alias;
}

void ScriptFile::definePredefinedAliases() {
  for (const auto& [name, value] : predefinedAliases(System::allFacts()))
    aliasTable_.define(name, value);
}
