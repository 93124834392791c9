#include <windows.h>

#include <string>

#include "driver/installer.h"

// The installer's entry on Windows: a GUI program whose argument text is
// the command line after the program name, as the system hands it over.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int) {
  return runInstallerProcess(
      [lpCmdLine] { return std::string(lpCmdLine != nullptr ? lpCmdLine : ""); });
}
