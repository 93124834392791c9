#ifndef TARNWICK_SCRIPT_SCRIPT_FILE_H_
#define TARNWICK_SCRIPT_SCRIPT_FILE_H_

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "alias/alias_table.h"
#include "script/line_reader.h"
#include "script/script_line.h"

class SectionHeader;

// The installation script while it runs: read lazily, one line per
// nextLine, each line substituted, classified and kept. Owns every line
// object it hands out (valid until it is destroyed) and the alias table,
// which starts with the predefined aliases and gains an entry per alias line
// read.
class ScriptFile {
 public:
  ScriptFile();
  ~ScriptFile();
  ScriptFile(const ScriptFile&) = delete;
  ScriptFile& operator=(const ScriptFile&) = delete;

  // Opens the script and defines the predefined aliases. Throws
  // ScriptFileException "Unable to open file: " + path, "Unable to access
  // file: " + path, or, on a second successful call, "Attempt to initialize
  // script file more than once.".
  void init(const std::string& path);

  // The next line, or null at the end of the script (and on every call
  // after). Throws whatever substitution, classification and alias
  // evaluation throw, and ScriptFileException "Unable to read file: " + path
  // when reading fails.
  ScriptLine* nextLine();

  // How many lines have been read, the one being classified included: after
  // a line failed, its number.
  int linesRead() const { return linesRead_; }

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  std::string substituteAliases(const std::string& line) const;
  std::unique_ptr<ScriptLine> classifyLine(const std::string& text, int lineNumber);
  void definePredefinedAliases();

  std::string fileName_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::unique_ptr<LineReader> reader_;  // exists once init has succeeded
  std::string rawLine_;                 // the line being read, kept to reuse its storage
  int linesRead_ = 0;
  AliasTable aliasTable_;
  std::vector<std::unique_ptr<ScriptLine>> lines_;
  const SectionHeader* currentSection_ = nullptr;
};

#endif  // TARNWICK_SCRIPT_SCRIPT_FILE_H_
