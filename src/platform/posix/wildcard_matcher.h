#ifndef TARNWICK_PLATFORM_POSIX_WILDCARD_MATCHER_H_
#define TARNWICK_PLATFORM_POSIX_WILDCARD_MATCHER_H_

#include <string>

namespace Posix {

// Wildcard matching of FindFirstFileA, case-insensitive: '*' matches any run;
// '?' one character other than a dot, or none at a dot or at the end; a '.'
// followed by '*' or '?' also matches the end of the name, so "*.*" matches
// "README". Windows' 8.3 short names are not matched.
bool matchesWildcard(const std::string& pattern, const std::string& name);

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_WILDCARD_MATCHER_H_
