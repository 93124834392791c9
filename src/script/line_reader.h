#ifndef TARNWICK_SCRIPT_LINE_READER_H_
#define TARNWICK_SCRIPT_LINE_READER_H_

#include <cstdio>
#include <string>
#include <vector>

// The raw lines of an open script file, read the way a text-mode stream
// gives them, the same on every platform: LF ends a line, a CR directly
// before it is dropped, Ctrl-Z ends the file. The end met after a LF gives
// one last empty line; an empty file gives none. Lines may be of any length:
// they are collected across as many reads as they need, whatever size the
// file claimed when it was opened.
class LineReader {
 public:
  // Reads `file`, which stays owned by the caller; `fileName` names it in
  // messages.
  LineReader(std::FILE* file, const std::string& fileName);
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next raw line into `line`; false at the end of the file (and on
  // every call after). Throws ScriptFileException "Unable to read file: " +
  // fileName when reading fails: the rest of an installation must never be
  // skipped silently.
  bool nextLine(std::string* line);

 private:
  bool endOfFileMet(const std::string& line);
  // Refills the read buffer; false at the end of the file.
  bool fillBuffer();

  std::FILE* file_;
  std::string fileName_;
  bool ended_ = false;
  bool anyLineRead_ = false;
  std::vector<char> buffer_;
  size_t bufferPosition_ = 0;
  size_t bufferEnd_ = 0;
};

#endif  // TARNWICK_SCRIPT_LINE_READER_H_
