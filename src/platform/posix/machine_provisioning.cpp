#include "platform/posix/machine_provisioning.h"

#include <cstdio>
#include <vector>

#include "platform/posix/code_page.h"
#include "platform/posix/host_io.h"
#include "platform/posix/machine_lock.h"

namespace Posix {

namespace {

std::vector<std::string> familyFolders(bool windows9xLayout, const std::string& userName) {
  if (windows9xLayout) {
    return {"/WINDOWS/SYSTEM", "/WINDOWS/Desktop", "/WINDOWS/Start Menu/Programs"};
  }
  const std::string home = "/users/" + ansiToUtf8(userName);
  return {"/windows/system32", home + "/Desktop",
          home + "/AppData/Roaming/Microsoft/Windows/Start Menu/Programs", "/users/Public/Desktop",
          "/ProgramData/Microsoft/Windows/Start Menu/Programs"};
}

}  // namespace

bool provisionDrive(const std::string& folder, bool windows9xLayout, const std::string& userName) {
  const std::string drive = folder + "/drive_c";
  if (isDirectoryOnHost(drive)) return false;
  makeHostDirectories(folder);
  // Without a lock file (a folder nobody may write to) the drive is made all
  // the same; making it fails then, and shows when it is used.
  MachineLock lock(folder);
  lock.acquire("Waiting for another installer to finish setting up the machine " + folder + "...");
  if (isDirectoryOnHost(drive)) return false;  // made while this run waited

  const std::string made = folder + "/drive_c.new";
  removeHostTree(made);
  std::vector<std::string> folders = familyFolders(windows9xLayout, userName);
  folders.push_back("/Program Files");
  for (const std::string& below : folders) makeHostDirectories(made + below);
  std::rename(made.c_str(), drive.c_str());
  return true;
}

bool registryNeverWritten(const std::string& folder) {
  return !existsOnHost(folder + "/registry.reg") && hostFileSize(folder + "/registry.journal") <= 0;
}

}  // namespace Posix
