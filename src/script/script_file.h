#ifndef TARNWICK_SCRIPT_SCRIPT_FILE_H_
#define TARNWICK_SCRIPT_SCRIPT_FILE_H_

#include <cstdio>
#include <memory>
#include <string>

#include "alias/alias_line.h"
#include "alias/alias_table.h"
#include "script/line_reader.h"
#include "script/script_line.h"
#include "script/section_header.h"

// The installation script while it runs: read lazily, one line per
// nextLine, each line substituted and classified. Owns the line objects it
// hands out and the alias table, which starts with the predefined aliases and
// gains an entry per alias line read.
//
// Memory does not grow with the script: nothing reads a line again once the
// next one is asked for, so a line is kept only until then, and its object is
// set up again for a later line of its kind. The header of the current
// section is kept while its section lasts, as every line of it refers to it.
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
  // after). The line is valid until the next call; its section header as
  // long as the line is. Throws whatever substitution, classification and
  // alias evaluation throw, and ScriptFileException "Unable to read file: "
  // + path when reading fails.
  ScriptLine* nextLine();

  // How many lines have been read, the one being classified included: after
  // a line failed, its number.
  int linesRead() const { return linesRead_; }

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  // The line with its aliases substituted: `line` itself when it holds no
  // reference, else substituted_.
  const std::string& substituteAliases(const std::string& line);
  ScriptLine* classifyLine(const std::string& text, int lineNumber);
  void definePredefinedAliases();

  std::string fileName_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::unique_ptr<LineReader> reader_;  // exists once init has succeeded
  std::string rawLine_;                 // the line being read, kept to reuse its storage
  std::string substituted_;             // the same for its substituted text
  int linesRead_ = 0;
  int linesMade_ = 0;
  AliasTable aliasTable_;
  // One object per kind of line, set up for each line of that kind.
  BlankLine blank_;
  CommentLine comment_;
  InstructionLine instruction_;
  AliasLine alias_;
  // The current section's header, and one to set the next header up in.
  std::unique_ptr<SectionHeader> currentSection_;
  std::unique_ptr<SectionHeader> nextSection_;
};

#endif  // TARNWICK_SCRIPT_SCRIPT_FILE_H_
