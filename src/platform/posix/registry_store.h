#ifndef TARNWICK_PLATFORM_POSIX_REGISTRY_STORE_H_
#define TARNWICK_PLATFORM_POSIX_REGISTRY_STORE_H_

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform_registry.h"
#include "platform/posix/regedit_file.h"

// The registry of an emulated machine, with the calls and result codes of
// the Win32 registry functions.
//
// Keys: HKEY_LOCAL_MACHINE, HKEY_USERS and (95/98/ME) HKEY_DYN_DATA hold the
// data; HKEY_CLASSES_ROOT shows HKEY_LOCAL_MACHINE\Software\Classes,
// HKEY_CURRENT_USER shows HKEY_USERS\<user>, HKEY_CURRENT_CONFIG shows
// HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware Profiles\Current;
// HKEY_PERFORMANCE_DATA is empty and refuses changes. Key and value names are
// matched ignoring A-Z case and keep the case they were first written in;
// subkeys are enumerated in that case-insensitive order.
//
// Disk: <machine>/registry.reg holds the registry as REGEDIT4 text. Every
// change is first appended to <machine>/registry.journal (one record, one
// write), so that a completed change survives the process being killed;
// flush() folds the journal into a new registry.reg that replaces the old
// one by rename, and a load replays what a killed process left. A store
// holds an exclusive lock on <machine>/registry.lock from its opening to its
// destruction, so that installers sharing a machine take turns.
//
// A registry.reg or journal that cannot be read makes the store unusable
// (every call fails with kErrorRegistryCorrupt) and is never overwritten.
namespace Posix {

const long kErrorInvalidHandle = 6;
const long kErrorInvalidParameter = 87;
const long kErrorBadPathname = 161;
const long kErrorRegistryCorrupt = 1015;
const long kErrorRegistryIoFailed = 1016;
const long kErrorKeyDeleted = 1018;

struct RegistryLayout {
  std::string userName;          // HKEY_CURRENT_USER is HKEY_USERS\<userName>
  bool dynData = false;          // HKEY_DYN_DATA exists (95/98/ME)
  bool deletesSubtrees = false;  // deleting a key takes its subkeys along (95/98/ME)
  bool provisionNew = false;     // a missing registry.reg starts with the provisioned values

  bool operator==(const RegistryLayout& other) const {
    return userName == other.userName && dynData == other.dynData &&
           deletesSubtrees == other.deletesSubtrees && provisionNew == other.provisionNew;
  }
};

class RegistryStore {
 public:
  // Locks, loads and (after a crash) repairs the registry of the machine in
  // `folder`. Problems are written to standard error and leave the store
  // unusable or read-only; the constructor never throws for them.
  RegistryStore(const std::string& folder, const RegistryLayout& layout);
  // Closes the files and releases the lock; changes not yet folded stay in
  // the journal for the next load.
  ~RegistryStore();
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  long createKey(Platform::RegHandle parent, const std::string& subkey,
                 Platform::RegHandle* result);
  long openKey(Platform::RegHandle parent, const std::string& subkey, uint32_t access,
               Platform::RegHandle* result);
  long closeKey(Platform::RegHandle key);
  long deleteKey(Platform::RegHandle parent, const std::string& subkey);
  long enumKey(Platform::RegHandle key, uint32_t index, std::string* name);
  long querySubkeyCount(Platform::RegHandle key, uint32_t* count);
  long queryValue(Platform::RegHandle key, const std::string& name, uint32_t* type,
                  std::vector<unsigned char>* data);
  long setValue(Platform::RegHandle key, const std::string& name, uint32_t type,
                const std::vector<unsigned char>& data);
  long deleteValue(Platform::RegHandle key, const std::string& name);

  // Folds the journal into registry.reg and makes it durable (fsync of the
  // file and its folder). False when that failed; the journal then still
  // holds every change.
  bool flush();

  bool usable() const { return state_ != kFailed; }
  const std::string& folder() const { return folder_; }
  const RegistryLayout& layout() const { return layout_; }
  // Whether the files this store opened are still the machine's files (the
  // folder may have been removed and made anew).
  bool stillOpenedOnDisk() const;

  // The whole registry as REGEDIT4 text, as flush() writes it.
  std::string text() const;

 private:
  struct Value {
    uint32_t type = 0;
    std::vector<unsigned char> data;
  };
  struct LessIgnoringCase {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  struct Key {
    std::string name;
    Key* parent = nullptr;
    bool deleted = false;
    bool pinned = false;  // shown through a root alias (or above one): never deleted
    bool readOnly = false;
    std::map<std::string, std::shared_ptr<Key>, LessIgnoringCase> subkeys;
    std::map<std::string, Value, LessIgnoringCase> values;
  };
  struct Handle {
    std::shared_ptr<Key> key;
    uint32_t access = 0;
  };
  enum State { kNormal, kReadOnly, kFailed };

  void lock();
  void load();
  bool loadFile();
  bool replayJournal(bool* replayed);
  void ensureSkeleton();
  bool openJournal();
  void fail(const std::string& diagnostic);

  bool applyChange(const RegeditChange& change, std::string* reason);
  bool resolveRootPath(const std::string& path, std::shared_ptr<Key>* root,
                       std::vector<std::string>* components) const;
  std::shared_ptr<Key> ensurePath(const std::shared_ptr<Key>& from,
                                  const std::vector<std::string>& components);
  std::shared_ptr<Key> findPath(const std::shared_ptr<Key>& from,
                                const std::vector<std::string>& components) const;
  void detach(const std::shared_ptr<Key>& key);
  std::string pathOf(const Key& key) const;

  long resolve(Platform::RegHandle handle, Handle* result) const;
  long resolveForChange(Platform::RegHandle handle, uint32_t access, Handle* result) const;
  Platform::RegHandle newHandle(const std::shared_ptr<Key>& key, uint32_t access);
  long record(const RegeditChange& change);
  bool writeFileAtomically(const std::string& text);
  void appendKeyText(const Key& key, std::string* text) const;

  std::string folder_;
  RegistryLayout layout_;
  State state_ = kNormal;
  bool dirty_ = false;  // the file lacks something the memory holds
  int lockFd_ = -1;
  int journalFd_ = -1;
  off_t journalSize_ = 0;
  dev_t lockDevice_ = 0;
  ino_t lockInode_ = 0;
  int64_t lockChanged_ = 0;

  std::shared_ptr<Key> machine_;
  std::shared_ptr<Key> users_;
  std::shared_ptr<Key> dynData_;
  std::shared_ptr<Key> performance_;
  std::map<Platform::RegHandle, Handle> handles_;
  Platform::RegHandle nextHandle_ = 0x1000;
};

// The store of the machine this process works on (Posix::Machine), opened on
// first use and opened anew when the machine changes.
RegistryStore& registryStore();

// Makes every registry change of the run durable and lets the registry go
// (the lock is released); the next registry call opens it again. Called when
// a run ends and before another program runs, which may itself be an
// installer that needs the registry.
void flushRegistry();

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_REGISTRY_STORE_H_
