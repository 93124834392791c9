#include "script/script_file.h"

#include <cstring>

#include "alias/alias_line.h"
#include "driver/throwable.h"
#include "platform/platform_files.h"
#include "script/section_header.h"
#include "system/system.h"

namespace {

// Bytes fetched from the file per read; lines may be of any length and are
// collected across as many reads as they need.
const size_t kReadChunk = 64 * 1024;

// Ctrl-Z ends a text file.
const char kEndOfFile = '\x1a';

const char* osName(OsType type) {
  switch (type) {
    case Windows95:
      return "Windows 95";
    case Windows98:
      return "Windows 98";
    case WindowsNT:
      return "Windows NT";
    default:
      return "unknown";
  }
}

}  // namespace

ScriptFile::ScriptFile() = default;

ScriptFile::~ScriptFile() = default;

void ScriptFile::init(const std::string& path) {
  if (initialized_) throw ScriptFileException("Attempt to initialize script file more than once.");
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
  buffer_.resize(kReadChunk);
  initialized_ = true;
  definePredefinedAliases();
  currentSection_ = nullptr;
}

ScriptLine* ScriptFile::nextLine() {
  if (!readRawLine(&rawLine_)) return nullptr;
  std::string text = substituteAliases(rawLine_);
  int lineNumber = static_cast<int>(lines_.size()) + 1;
  std::unique_ptr<ScriptLine> line = classifyLine(text, lineNumber);
  lines_.push_back(std::move(line));
  ScriptLine* added = lines_.back().get();
  // Made current only once the header is safely owned by lines_.
  if (added->kind() == Header) currentSection_ = static_cast<const SectionHeader*>(added);
  return added;
}

// Text-mode reading done on the bytes, the same on every platform: LF ends
// a line, a CR directly before it is dropped, Ctrl-Z ends the file. The end
// met after a LF gives one last empty line; an empty file gives none.
bool ScriptFile::readRawLine(std::string* line) {
  line->clear();
  if (!initialized_ || ended_) return false;
  for (;;) {
    if (bufferPosition_ == bufferEnd_ && !fillBuffer()) {
      return endOfFileMet(*line);
    }
    const char* start = buffer_.data() + bufferPosition_;
    size_t available = bufferEnd_ - bufferPosition_;
    const char* lineFeed = static_cast<const char*>(std::memchr(start, '\n', available));
    size_t scanned = lineFeed != nullptr ? static_cast<size_t>(lineFeed - start) : available;
    const char* endMark = static_cast<const char*>(std::memchr(start, kEndOfFile, scanned));
    if (endMark != nullptr) {
      line->append(start, endMark);
      return endOfFileMet(*line);
    }
    line->append(start, scanned);
    if (lineFeed == nullptr) {
      bufferPosition_ = bufferEnd_;
      continue;
    }
    bufferPosition_ += scanned + 1;
    if (!line->empty() && line->back() == '\r') line->pop_back();
    anyLineRead_ = true;
    return true;
  }
}

// The characters read before the end form the last line; only a file
// without any byte before its end has no line at all.
bool ScriptFile::endOfFileMet(const std::string& line) {
  ended_ = true;
  if (!anyLineRead_ && line.empty()) return false;
  anyLineRead_ = true;
  return true;
}

bool ScriptFile::fillBuffer() {
  bufferPosition_ = 0;
  // An end met by an earlier read is not final: a file still being written
  // may have grown since.
  std::clearerr(file_.get());
  bufferEnd_ = std::fread(buffer_.data(), 1, buffer_.size(), file_.get());
  if (bufferEnd_ > 0) return true;
  // A read error must not pass for the end of the script: the rest of the
  // installation would silently be skipped.
  if (std::ferror(file_.get())) throw ScriptFileException("Unable to read file: " + fileName_);
  return false;
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
    if (currentSection_ == nullptr) {
      throw ScriptFileException("All instruction lines must be contained within a section: " +
                                text);
    }
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
  aliasTable_.define("INSTALLER", System::runningDirectory());
  aliasTable_.define("WIN", System::windowsDirectory());
  aliasTable_.define("WINSYS", System::systemDirectory());
  aliasTable_.define("PROGFILES", System::programFilesDirectory());
  aliasTable_.define("DESKTOP", System::desktopDirectory());
  aliasTable_.define("STARTMENU", System::startMenuDirectory());
  aliasTable_.define("PROGRAMS", System::programsDirectory());
  aliasTable_.define("SHARED_DESKTOP", System::sharedDesktopDirectory());
  aliasTable_.define("SHARED_STARTMENU", System::sharedStartMenuDirectory());
  aliasTable_.define("SHARED_PROGRAMS", System::sharedProgramsDirectory());
  aliasTable_.define("OS", osName(System::osType()));
}
