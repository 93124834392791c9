#ifndef TARNWICK_CHECK_CHECK_COMMAND_H_
#define TARNWICK_CHECK_CHECK_COMMAND_H_

#include <cstdio>
#include <string>
#include <vector>

// The program tarnwick-check:
//
//   tarnwick-check [--format text|json] [--os NAME] [--installer FOLDER] SCRIPT...
//   tarnwick-check --help | --version
//
// --installer names the folder the installer will run from (<INSTALLER>,
// against which relative paths resolve) when it is not the script's own.
// Checks each script, writes its findings to `out` sorted by position and a
// summary to `err`. Returns the exit code: 0 nothing found, 1 warnings only,
// 2 at least one error (also for a script that cannot be opened) and for a
// usage error, which is written to `err` with the usage line. --help writes
// the usage, --version the project's version, to `out` and return 0.
int runCheckCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err);

#endif  // TARNWICK_CHECK_CHECK_COMMAND_H_
