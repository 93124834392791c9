#ifndef TARNWICK_PLATFORM_POSIX_HOST_MAPPING_H_
#define TARNWICK_PLATFORM_POSIX_HOST_MAPPING_H_

#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/posix/folder_listings.h"

namespace Posix {

// Where the Windows paths of a machine lie on the host: drive C: is
// <machine>/drive_c, drive Z: is the host's '/', and no other drive exists.
// Components that exist are found whatever their A-Z case, as on Windows;
// the missing rest is kept as written. Names are code page 1252 on the
// Windows side and UTF-8 on the host (code_page.h).
//
// Every path given here is full (Platform::resolveFullPath). A name "." or
// ".." left in one (resolving "C:\a\...\b" gives "C:\a\..\b") names
// nothing on Windows and must never climb on the host: such a path has no
// host path.
class HostMapping {
 public:
  explicit HostMapping(const std::string& machineFolder);

  // Drive Z: stops existing: its paths fail as those of a missing drive.
  void hideHostDrive() { hostDriveHidden_ = true; }

  // The host path of a full Windows path, found ignoring case. False when
  // the drive does not exist.
  bool hostPath(const std::string& full, std::string* host) const;

  // The host path with every component taken as written, without the
  // look-up: what hostPath gives whenever this path exists. Lets a caller
  // that queries the path anyway try it first.
  bool writtenHostPath(const std::string& full, std::string* host) const;

  // hostPath and, when something is there, its stat (links followed) in
  // *status, with *found saying which: one look-up for both. Costs one
  // status query for a path that exists as written, and one more (the
  // folder's, whose listing answers) for a new name in an existing folder.
  bool locate(const std::string& full, std::string* host, struct stat* status, bool* found) const;

  // The Windows path that shows a host path: C:\... inside the machine's
  // drive, Z:\... anywhere else.
  std::string windowsPathOf(const std::string& hostPath) const;

  // The listings of the folders looked into, for the machine to keep in
  // step with what changes.
  FolderListings& listings() const { return listings_; }

 private:
  // The host folder of the path's drive; false when the drive does not
  // exist.
  bool driveFolder(const std::string& full, std::string* root) const;
  // That folder and the names below it, in host encoding. False when the
  // drive does not exist or a name can name nothing on the host.
  bool hostComponents(const std::string& full, std::string* root,
                      std::vector<std::string>* names) const;

  std::string driveC_;
  bool hostDriveHidden_ = false;
  mutable FolderListings listings_;
};

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_HOST_MAPPING_H_
