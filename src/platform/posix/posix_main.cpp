#include <string>

#include "driver/installer.h"

// The installer's entry on POSIX: the arguments are joined by single blanks
// into the argument text a Windows program would receive.
int main(int argc, char** argv) {
  return runInstallerProcess([argc, argv] {
    std::string argumentText;
    for (int i = 1; i < argc; ++i) {
      if (i > 1) argumentText += ' ';
      argumentText += argv[i];
    }
    return argumentText;
  });
}
