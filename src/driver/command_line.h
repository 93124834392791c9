#ifndef TARNWICK_DRIVER_COMMAND_LINE_H_
#define TARNWICK_DRIVER_COMMAND_LINE_H_

#include <map>
#include <string>

// The installer's arguments: install [-silent] [-errlog <filename>] <script>.
// Tokens are separated by blanks only; there is no quoting.
class CommandLine {
 public:
  // Fills the script path and the options; throws CommandLineException.
  void parse(const std::string& text);

  const std::string& scriptPath() const { return scriptPath_; }
  bool hasOption(const std::string& name) const;
  // Throws CommandLineException when the option was not given.
  const std::string& getSetting(const std::string& name) const;

 private:
  std::string scriptPath_;
  std::map<std::string, std::string> options_;
};

#endif  // TARNWICK_DRIVER_COMMAND_LINE_H_
