#ifndef TARNWICK_PLATFORM_WINDOWS_PATH_H_
#define TARNWICK_PLATFORM_WINDOWS_PATH_H_

#include <string>

// The rules of GetFullPathNameA, as plain string work: the emulated machine
// resolves its paths with them, and a checker that must not open any machine
// predicts with them what the installer's paths resolve to.
namespace Platform {

// The full form of `path` against `currentDirectory` (itself a full path):
// '/' becomes '\', separators collapse, "." and ".." resolve without
// climbing above the root, an inner name ending in a dot loses that one dot
// ("trail.\x" is "trail\x") and keeps its blanks, dots and blanks go at the
// end of the whole path; relative, drive-relative ("C:x") and root-relative
// ("\x") forms take the current directory's drive and folders as Windows
// does, and "\\server" paths keep their two leading separators. There is no
// length limit here (MAX_PATH is the caller's). False for an empty path and
// for one with a NUL inside.
bool resolveFullPath(const std::string& path, const std::string& currentDirectory,
                     std::string* full);

}  // namespace Platform

#endif  // TARNWICK_PLATFORM_WINDOWS_PATH_H_
