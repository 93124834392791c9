#include "script/line_reader.h"

#include <cstring>

#include "driver/throwable.h"

namespace {

// Bytes fetched from the file per read.
const size_t kReadChunk = 64 * 1024;

// Ctrl-Z ends a text file.
const char kEndOfFile = '\x1a';

}  // namespace

LineReader::LineReader(std::FILE* file, const std::string& fileName)
    : file_(file), fileName_(fileName), buffer_(kReadChunk) {}

bool LineReader::nextLine(std::string* line) {
  line->clear();
  if (ended_) return false;
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
bool LineReader::endOfFileMet(const std::string& line) {
  ended_ = true;
  if (!anyLineRead_ && line.empty()) return false;
  anyLineRead_ = true;
  return true;
}

bool LineReader::fillBuffer() {
  bufferPosition_ = 0;
  // An end met by an earlier read is not final: a file still being written
  // may have grown since.
  std::clearerr(file_);
  bufferEnd_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  if (bufferEnd_ > 0) return true;
  if (std::ferror(file_)) throw ScriptFileException("Unable to read file: " + fileName_);
  return false;
}
