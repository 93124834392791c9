#ifndef TARNWICK_PLATFORM_POSIX_Z_DRIVE_RULE_H_
#define TARNWICK_PLATFORM_POSIX_Z_DRIVE_RULE_H_

#include <string>

namespace Posix {

// The rule that keeps a script from damaging the host through drive Z:
// there an entry may be created, overwritten or deleted only strictly inside
// the installer's own folder. Both host paths are judged with the links in
// their existing part resolved, so that a link cannot carry a write out of
// the folder it lies in.
bool isInsideInstallerFolder(const std::string& hostPath, const std::string& installerFolder);

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_Z_DRIVE_RULE_H_
