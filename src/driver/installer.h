#ifndef TARNWICK_DRIVER_INSTALLER_H_
#define TARNWICK_DRIVER_INSTALLER_H_

#include <functional>
#include <string>

// Carries out one installation from the argument text (the arguments after
// the program name, as one string) to the process exit code: 0 clean, 1
// warnings only, 2 a fatal error.
int runInstaller(const std::string& argumentText);

// The process entry's whole work: runInstaller on the argument text that
// `argumentText` makes (inside the guard, since making it allocates), and
// whatever escapes the run (an Error such as MemError, the runtime's own
// bad_alloc before start-up, any other C++ error) ends with its message on
// standard error and exit code 2, never as a success.
int runInstallerProcess(const std::function<std::string()>& argumentText);

#endif  // TARNWICK_DRIVER_INSTALLER_H_
