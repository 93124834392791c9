#include "driver/reporter.h"

#include <cstdio>

#include "platform/platform_files.h"
#include "platform/platform_system.h"

Reporter::Reporter(Mode mode, const std::string& logFileName)
    : mode_(mode), logFileName_(logFileName) {}

void Reporter::warning(const std::string& message) {
  ++warningCount_;
  write("Warning:\n" + message);
}

void Reporter::fatalError(const std::string& message) {
  ++fatalCount_;
  write("Fatal Error:\n" + message);
}

// Messages are written as data, never used as a format: a '%' in a path
// must reach the reader as it is.
void Reporter::write(const std::string& text) {
  if (!logFileName_.empty() && !Platform::appendText(logFileName_, text + "\n\n")) {
    std::fputs("Unable to open logfile: ", stdout);
    std::fputs(logFileName_.c_str(), stdout);
    std::fputs("\n", stdout);
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputs("\n\n", stdout);
  std::fflush(stdout);
  if (mode_ == Interactive) showMessage(text);
}

void Reporter::showMessage(const std::string& text) {
  Platform::messageBox(text, kMessageBoxCaption, Platform::kMessageBoxError);
}
