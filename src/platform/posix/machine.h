#ifndef TARNWICK_PLATFORM_POSIX_MACHINE_H_
#define TARNWICK_PLATFORM_POSIX_MACHINE_H_

#include <memory>
#include <string>

#include "platform/platform_system.h"
#include "platform/posix/host_mapping.h"

namespace Posix {

class RegistryStore;

// The Windows machine emulated in a host folder, as the environment names
// it ($TARNWICK_MACHINE, $TARNWICK_OS, the account): its paths, resolved
// against its current directory (platform/windows_path.h) and mapped to the host
// (host_mapping.h), the rule that keeps writes on Z: inside the installer's
// folder (z_drive_rule.h), and its registry, opened on first use.
class Machine {
 public:
  // The machine of this process, opened (and provisioned when new) on first
  // use from $TARNWICK_MACHINE, $XDG_DATA_HOME or ~/.local/share.
  static Machine& instance();
  // The machine of this process if one is open, else null; opens nothing.
  static Machine* existing();

  // Forgets the current machine (its registry is closed without another
  // fold) so that the next instance() opens the one the environment names
  // now. For tests and fuzzers that make many machines.
  static void reset();

  // Confines this process to its machine folders, for every machine it
  // opens from now on: drive Z: does not exist and "run programs" lines run
  // nothing, so that no script can reach the host. For runs of untrusted
  // scripts (the whole-run fuzzer); the installer never asks for it.
  static void setConfined(bool confined);
  static bool confined();

  ~Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // Host path of the machine folder.
  const std::string& folder() const { return folder_; }

  // True when the machine is new: this process made its drive, or its
  // registry was never written.
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
  // Platform::resolveFullPath does it (GetFullPathNameA without the limit).
  bool fullPath(const std::string& path, std::string* full) const;

  // The calls below take a full path, as fullPath made it, and never make
  // it full again: a path is resolved once per platform call, as Windows
  // does it (a name ".." left by resolving "..." must not climb then).

  // Host path of a full path; see HostMapping. False when the path has no
  // host path.
  bool hostPath(const std::string& full, std::string* host) const;
  // The host path as written, without the case-insensitive look-up.
  bool writtenHostPath(const std::string& full, std::string* host) const;

  // hostPath and the stat of what is there, in one look-up; see
  // HostMapping::locate.
  bool locate(const std::string& full, std::string* host, struct stat* status, bool* found) const {
    return mapping_.locate(full, host, status, found);
  }

  // Whether the emulation lets the path be created, overwritten or deleted:
  // anything on C:, and on Z: only inside the installer's folder. `host` is
  // the path's host path when the caller has it already.
  bool isWritable(const std::string& full) const;
  bool isWritable(const std::string& full, const std::string& host) const;

  // The installer's executable as a Windows path (Z:\... or C:\... when it
  // lives inside the machine folder).
  const std::string& moduleFileName() const { return module_; }

  // The Windows path that shows a host path.
  std::string windowsPathOf(const std::string& hostPath) const {
    return mapping_.windowsPathOf(hostPath);
  }

  // The installer itself has just created or removed a host path: the
  // folder listings used for case-insensitive look-up follow the change.
  void noteAdded(const std::string& hostPath) const { mapping_.listings().added(hostPath); }
  // The same for a folder the installer has just made, which is empty.
  void noteFolderMade(const std::string& hostPath) const {
    mapping_.listings().added(hostPath);
    mapping_.listings().made(hostPath);
  }
  void noteRemoved(const std::string& hostPath) const;
  // Anything may have changed (a program ran): list folders afresh.
  void forgetListings() const { mapping_.listings().clear(); }

  // The machine's registry, opened (locked and loaded) on first use and
  // kept for the run. Only the run itself can remove the machine folder
  // while it holds the registry (a deletion through Z:; programs run only
  // once the registry is let go), so after a deletion the lock's descriptor
  // is asked whether its file is still there, and the registry is opened
  // anew when it is not.
  RegistryStore& registry();
  // The registry if it is open, else null; opens nothing.
  RegistryStore* registryIfOpen() const { return registry_.get(); }
  // Makes every registry change durable and lets the registry go (its lock
  // is released); the next registry() opens it again.
  void releaseRegistry();

 private:
  Machine();

  std::string folder_;
  std::string os_;
  bool windows9x_ = false;
  std::string user_;
  bool provisionedNow_ = false;
  std::string current_;
  std::string module_;
  std::string installerFolder_;  // host path; empty when unknown
  HostMapping mapping_;
  std::unique_ptr<RegistryStore> registry_;
  mutable bool removedSinceRegistryChecked_ = false;
};

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_MACHINE_H_
