#ifndef TARNWICK_PLATFORM_POSIX_REGISTRY_FILES_H_
#define TARNWICK_PLATFORM_POSIX_REGISTRY_FILES_H_

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "platform/posix/machine_lock.h"

// The files of a machine's registry in its folder: registry.reg (the whole
// registry, only ever replaced by rename), registry.journal (changes since,
// appended one record per write) and registry.lock (held while the registry
// is in use). Failures are returned; what they mean is the store's to say.
namespace Posix {

class RegistryFiles {
 public:
  explicit RegistryFiles(const std::string& folder);
  // Closes the files, releasing the lock; an empty journal is removed first.
  ~RegistryFiles();
  RegistryFiles(const RegistryFiles&) = delete;
  RegistryFiles& operator=(const RegistryFiles&) = delete;

  std::string registryPath() const { return folder_ + "/registry.reg"; }
  std::string journalPath() const { return folder_ + "/registry.journal"; }

  // Takes the machine's lock, waiting for another holder and saying so once
  // on standard error. False (said on standard error) when the lock file
  // cannot be opened.
  bool lock();
  // Whether the lock file this object holds is still in the machine folder
  // (the folder may have been removed and made anew since).
  bool stillOpenedOnDisk() const { return lock_.stillInPlace(); }

  // 0 when read, ENOENT for a missing file, another errno value otherwise.
  int readRegistry(std::string* text) const;
  int readJournal(std::string* bytes) const;

  // Opens the journal for appending, cut to `validLength` bytes (a torn
  // last record goes). False when it cannot be opened or cut.
  bool openJournal(off_t validLength);
  off_t journalSize() const { return journalSize_; }
  // Appends one record with one write; a short write is cut off again.
  // False when the record was not written whole.
  bool append(const std::string& record);
  // Writes `text` as a new registry.reg, on disk before it replaces the old
  // one; then empties the journal. False (with a line on standard error)
  // when the file could not be replaced; the journal is then kept, and
  // synced to disk in its place.
  bool replaceRegistry(const std::string& text);

 private:
  std::string folder_;
  MachineLock lock_;
  int journalFd_ = -1;
  off_t journalSize_ = 0;
};

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_REGISTRY_FILES_H_
