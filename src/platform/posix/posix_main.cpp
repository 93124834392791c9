#include <exception>
#include <new>
#include <string>

#include "driver/installer.h"
#include "driver/throwable.h"

// The installer's entry on POSIX: the arguments are joined by single blanks
// into the argument text a Windows program would receive.
int main(int argc, char** argv) {
  try {
    // Joining allocates, so it too runs inside the guard.
    std::string argumentText;
    for (int i = 1; i < argc; ++i) {
      if (i > 1) argumentText += ' ';
      argumentText += argv[i];
    }
    return runInstaller(argumentText);
  } catch (const MemError& error) {
    return reportEscapedError(error.message().c_str());
  } catch (const std::bad_alloc&) {
    // Before start-up has installed the out-of-memory handler the runtime
    // throws its own bad_alloc; it is the same failure with the same message.
    return reportEscapedError("Unable to allocate memory.");
  } catch (const std::exception& error) {
    // Anything else that escapes is still a failure, never a success.
    return reportEscapedError(error.what());
  }
}
