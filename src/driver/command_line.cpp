#include "driver/command_line.h"

#include "driver/throwable.h"
#include "script/utils.h"

namespace {

// Takes the next blank-separated token off the front of `rest`.
std::string nextToken(std::string* rest) {
  std::string token;
  Utils::splitFirst(*rest, ' ', &token, rest);
  *rest = Utils::trimLeft(*rest);
  return token;
}

}  // namespace

void CommandLine::parse(const std::string& text) {
  std::string rest = Utils::trimLeft(text);
  while (!rest.empty()) {
    std::string token = nextToken(&rest);
    if (token == "-silent") {
      options_[token] = "";
    } else if (token == "-errlog") {
      if (rest.empty()) throw CommandLineException("Option is missing setting: " + token);
      options_[token] = nextToken(&rest);
    } else if (!scriptPath_.empty()) {
      throw CommandLineException("Attempt to specify more than one script path: " + scriptPath_ +
                                 ", " + token);
    } else {
      scriptPath_ = token;
    }
  }
}

bool CommandLine::hasOption(const std::string& name) const { return options_.count(name) != 0; }

const std::string& CommandLine::getSetting(const std::string& name) const {
  auto option = options_.find(name);
  if (option == options_.end()) {
    throw CommandLineException("Attempt to retrieve setting for undefined option: " + name);
  }
  return option->second;
}
