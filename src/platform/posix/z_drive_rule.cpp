#include "platform/posix/z_drive_rule.h"

#include <cstdlib>

#include "platform/posix/host_io.h"

namespace Posix {

namespace {

// The existing part of an absolute host path with its links resolved, and
// the rest appended as it is.
std::string resolveExistingPart(const std::string& path) {
  std::string existing = path;
  std::string rest;
  while (existing != "/") {
    char* real = realpath(existing.c_str(), nullptr);
    if (real != nullptr) {
      std::string resolved(real);
      std::free(real);
      return resolved == "/" ? "/" + rest : resolved + (rest.empty() ? "" : "/" + rest);
    }
    size_t slash = existing.rfind('/');
    std::string name = existing.substr(slash + 1);
    rest = rest.empty() ? name : name + "/" + rest;
    existing = slash == 0 ? "/" : existing.substr(0, slash);
  }
  return "/" + rest;
}

}  // namespace

bool isInsideInstallerFolder(const std::string& hostPath, const std::string& installerFolder) {
  // Only absolute paths can be resolved: without a folder of its own the
  // installer may write nowhere on Z:.
  if (hostPath.empty() || hostPath[0] != '/' || installerFolder.empty() ||
      installerFolder[0] != '/') {
    return false;
  }
  return isInsideHostFolder(resolveExistingPart(hostPath), resolveExistingPart(installerFolder));
}

}  // namespace Posix
