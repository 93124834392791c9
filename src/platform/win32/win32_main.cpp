#include <windows.h>

#include <exception>
#include <new>

#include "driver/installer.h"
#include "driver/throwable.h"

// The installer's entry on Windows: a GUI program whose argument text is
// the command line after the program name, as the system hands it over.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int) {
  try {
    return runInstaller(lpCmdLine != nullptr ? lpCmdLine : "");
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
