#include <exception>
#include <string>

#include "driver/installer.h"
#include "driver/throwable.h"

// The installer's entry on POSIX: the arguments are joined by single blanks
// into the argument text a Windows program would receive.
int main(int argc, char** argv) {
  std::string argumentText;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) argumentText += ' ';
    argumentText += argv[i];
  }
  try {
    return runInstaller(argumentText);
  } catch (const MemError& error) {
    return reportEscapedError(error.message().c_str());
  } catch (const std::exception& error) {
    // Anything else that escapes is still a failure, never a success.
    return reportEscapedError(error.what());
  }
}
