#ifndef TARNWICK_PLATFORM_POSIX_MACHINE_H_
#define TARNWICK_PLATFORM_POSIX_MACHINE_H_

#include <string>
#include <vector>

#include "platform/platform_system.h"
#include "platform/posix/folder_listings.h"

namespace Posix {

// The Windows machine emulated in a host folder: drive C: is
// <machine>/drive_c, drive Z: is the host's '/', writable only inside the
// installer's own folder. Paths are Windows paths; components are matched
// case-insensitively as on Windows and new names are created as written.
class Machine {
 public:
  // The machine of this process, opened (and provisioned when new) on first
  // use from $TARNWICK_MACHINE, $XDG_DATA_HOME or ~/.local/share.
  static Machine& instance();

  // Tests: forget the current machine so that the next instance() opens the
  // one the environment names now.
  static void reset();

  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // Host path of the machine folder.
  const std::string& folder() const { return folder_; }

  // True when this process created and provisioned the machine folder.
  bool provisionedNow() const { return provisionedNow_; }

  // False when $TARNWICK_OS names no known system.
  bool osVersion(Platform::OsVersion* version) const;
  // True for the 95/98/ME family and for "unknown": they share one layout.
  bool isWindows9xLayout() const { return windows9x_; }
  // The account name: getpwuid, else $USER, else "user".
  const std::string& userName() const { return user_; }

  // The current directory, as a full Windows path.
  const std::string& currentDirectory() const { return current_; }
  // Changes the current directory (and the host process's, so programs run
  // there). False when the directory does not exist.
  bool setCurrentDirectory(const std::string& path);

  // The path made full against the current directory, as
  // WindowsNames::fullPath does it (GetFullPathNameA without the limit).
  bool fullPath(const std::string& path, std::string* full) const;

  // Host path of a Windows path (made full first). Existing components are
  // looked up case-insensitively; the missing rest is kept as written. Names
  // are code page 1252 on the Windows side and UTF-8 on the host
  // (posix/code_page.h). False when the drive does not exist.
  bool hostPath(const std::string& path, std::string* host) const;

  // The host path with every component taken as written, without the
  // look-up: what hostPath gives whenever this path exists. Lets a caller
  // that queries the path anyway try it first. False when the drive does
  // not exist.
  bool writtenHostPath(const std::string& path, std::string* host) const;

  // Whether the emulation lets the path be created, overwritten or deleted:
  // anything on C:, and on Z: only inside the installer's folder.
  bool isWritable(const std::string& path) const;

  // The installer's executable as a Windows path (Z:\... or C:\... when it
  // lives inside the machine folder).
  const std::string& moduleFileName() const { return module_; }

  // The Windows path that shows a host path: C:\... inside the machine's
  // drive, Z:\... anywhere else.
  std::string windowsPathOf(const std::string& hostPath) const;

  // The installer itself has just created or removed a host path: the
  // folder listings used for case-insensitive look-up follow the change.
  void noteAdded(const std::string& hostPath) const { listings_.added(hostPath); }
  void noteRemoved(const std::string& hostPath) const { listings_.removed(hostPath); }
  // Anything may have changed (a program ran): list folders afresh.
  void forgetListings() const { listings_.clear(); }

 private:
  Machine();
  void provision();
  // The entry of the host folder whose name equals `name` ignoring case
  // (the first in case-insensitive order when several do); empty for none.
  std::string matchIgnoringCase(const std::string& hostParent, const std::string& name) const;
  // The host folder of the path's drive and its components below it, in
  // host encoding. False when the drive does not exist.
  bool hostComponents(const std::string& path, std::string* root,
                      std::vector<std::string>* names) const;

  std::string folder_;
  bool provisionedNow_ = false;
  std::string os_;
  bool windows9x_ = false;
  std::string user_;
  std::string current_;
  std::string module_;
  std::string installerHostDir_;
  mutable FolderListings listings_;
};

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_MACHINE_H_
