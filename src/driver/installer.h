#ifndef TARNWICK_DRIVER_INSTALLER_H_
#define TARNWICK_DRIVER_INSTALLER_H_

#include <string>

// Carries out one installation from the argument text (the arguments after
// the program name, as one string) to the process exit code: 0 clean, 1
// warnings only, 2 a fatal error.
int runInstaller(const std::string& argumentText);

// What the process entry does with an Error that escaped the run: writes its
// message to standard error and answers exit code 2.
int reportEscapedError(const char* message);

#endif  // TARNWICK_DRIVER_INSTALLER_H_
