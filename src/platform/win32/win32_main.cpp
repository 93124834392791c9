#include <windows.h>

#include "driver/installer.h"
#include "driver/throwable.h"

// The installer's entry on Windows: a GUI program whose argument text is
// the command line after the program name, as the system hands it over.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int) {
  try {
    return runInstaller(lpCmdLine != nullptr ? lpCmdLine : "");
  } catch (const MemError& error) {
    return reportEscapedError(error.message().c_str());
  }
}
