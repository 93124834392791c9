#ifndef TARNWICK_PLATFORM_POSIX_WINDOWS_NAMES_H_
#define TARNWICK_PLATFORM_POSIX_WINDOWS_NAMES_H_

#include <string>

// The rules Windows applies to names, as the emulated machine follows them
// (full-path resolution is Platform::resolveFullPath): the names a new entry
// may have, wildcard matching (FindFirstFileA) and the order of a
// folder's names (NTFS). Functions of their arguments only: nothing here
// looks at the host.
namespace Posix {
namespace WindowsNames {

// Whether Windows could hold a new entry of this full path: none of
// <>:"|?* and no control characters after the drive.
bool isValidNewPath(const std::string& full);

// FindFirstFileA's match of one name against a pattern, ignoring A-Z case:
// '*' matches any run; '?' one character other than a dot, or none at a dot
// or at the end; a '.' followed by '*' or '?' also matches the end of the
// name, so "*.*" matches "README". Windows' 8.3 short names are not matched.
bool matchesWildcard(const std::string& pattern, const std::string& name);

// The name with A-Z as upper case: names equal ignoring case fold alike.
std::string folded(const std::string& name);

// The order in which NTFS lists a folder: A-Z read as upper case, and names
// equal ignoring case in byte order, so that distinct names never tie.
bool lessInFolderOrder(const std::string& a, const std::string& b);

}  // namespace WindowsNames
}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_WINDOWS_NAMES_H_
