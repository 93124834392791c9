#ifndef TARNWICK_PLATFORM_PLATFORM_HOST_H_
#define TARNWICK_PLATFORM_PLATFORM_HOST_H_

#include <cstdio>
#include <string>

// What a program that only reads scripts may ask of the host: a script file
// named on its command line, the folder an installer placed beside that
// script would run in, what lies beside it, and text for the outside world.
// None of these opens the emulated machine (which would provision it) or
// changes anything; none throws.
namespace Platform {

// Opens a file named as on the command line for reading bytes: null when it
// is missing, is a directory or cannot be read. The caller closes it with
// std::fclose. On POSIX, as for the installer, '\' separates too where the
// path does not name a file as written.
std::FILE* openHostFile(const std::string& path);

// The folder holding the file `path` (named as on the command line) as an
// installer copied into that folder reports its own: a full Windows path
// without a trailing separator ("Z:\home\me\pkg" on POSIX, whose host is
// drive Z:). False when it cannot be determined.
bool installerFolderOf(const std::string& path, std::string* folder);

enum class HostMatch { kFound, kMissing, kUnknown };

// Whether the full Windows path `pattern` names something the way the
// installer's copy looks for its source: an existing file or folder (no
// wildcard, no trailing separator), or else at least one entry other than
// "." and ".." among FindFirstFileA's matches. kUnknown where this host
// cannot look (on POSIX, any drive but Z:).
HostMatch findOnHost(const std::string& pattern);

// `ansi`, in code page 1252, as UTF-8 (for script text).
std::string ansiToUtf8(const std::string& ansi);

// A file name as the host spells it (as on a command line), as UTF-8: on
// POSIX it is UTF-8 already (bytes that are not are taken as code page
// 1252), on Win32 it is in code page 1252.
std::string hostNameToUtf8(const std::string& name);

}  // namespace Platform

#endif  // TARNWICK_PLATFORM_PLATFORM_HOST_H_
