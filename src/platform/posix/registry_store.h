#ifndef TARNWICK_PLATFORM_POSIX_REGISTRY_STORE_H_
#define TARNWICK_PLATFORM_POSIX_REGISTRY_STORE_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/platform_registry.h"
#include "platform/posix/registry_files.h"
#include "platform/posix/registry_tree.h"

// The registry of an emulated machine, with the calls and result codes of
// the Win32 registry functions.
//
// Keys: HKEY_LOCAL_MACHINE, HKEY_USERS and (95/98/ME) HKEY_DYN_DATA hold the
// data; HKEY_CLASSES_ROOT shows HKEY_LOCAL_MACHINE\Software\Classes,
// HKEY_CURRENT_USER shows HKEY_USERS\<user>, HKEY_CURRENT_CONFIG shows
// HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware Profiles\Current;
// HKEY_PERFORMANCE_DATA is empty and refuses changes. Key and value names are
// matched ignoring A-Z case and keep the case they were first written in;
// subkeys are enumerated in that case-insensitive order. Root keys and the
// keys the aliases show are never deleted.
//
// Disk (registry_files.h): registry.reg holds the registry as REGEDIT4
// text. Every change is first appended to the journal (one record, one
// write), so that a completed change survives the process being killed;
// flush() folds the journal into a new registry.reg, and a load replays what
// a killed process left. A store holds the machine's registry lock from its
// opening to its destruction, so that installers sharing a machine take
// turns.
//
// A registry.reg or journal that cannot be read makes the store unusable
// (every call fails with kErrorRegistryCorrupt) and is never overwritten.
namespace Posix {

const uint32_t kKeyAllAccess = 0xF003F;

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
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  // The key's handle has the rights `access` (RegCreateKeyExA's samDesired).
  long createKey(Platform::RegHandle parent, const std::string& subkey, uint32_t access,
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
  // holds every change. Changes not folded when the store is destroyed stay
  // in the journal for the next load.
  bool flush();

  bool usable() const { return state_ != kFailed; }
  const std::string& folder() const { return folder_; }
  const RegistryLayout& layout() const { return layout_; }
  bool stillOpenedOnDisk() const { return files_.stillOpenedOnDisk(); }
  // The whole registry as REGEDIT4 text, as flush() writes it.
  std::string text() const { return tree_.text(); }

 private:
  struct Handle {
    KeyPointer key;
    uint32_t access = 0;
  };
  enum State { kNormal, kReadOnly, kFailed };

  void load();
  bool loadFile();
  bool replayJournal(off_t* validLength, bool* replayed);
  bool applyText(const std::string& text, bool withHeader, int* line, std::string* reason);
  void fail(const std::string& diagnostic);

  KeyPointer rootKey(Platform::RegHandle handle) const;
  long resolve(Platform::RegHandle handle, Handle* result) const;
  // The handle's key when the handle has the rights `access`; for a change
  // also when the key and the store take changes.
  long resolveWithRights(Platform::RegHandle handle, uint32_t access, Handle* result) const;
  long resolveForChange(Platform::RegHandle handle, uint32_t access, Handle* result) const;
  // The key a handle stands for and the names of a subkey path below it.
  long resolvePath(Platform::RegHandle parent, const std::string& subkey, Handle* base,
                   KeyNames* names) const;
  long findKey(Platform::RegHandle parent, const std::string& subkey, KeyPointer* key) const;
  Platform::RegHandle newHandle(const KeyPointer& key, uint32_t access);
  long record(RegeditChange::Kind kind, const std::string& key,
              const std::string& name = std::string(), uint32_t type = 0,
              const std::vector<unsigned char>& data = std::vector<unsigned char>());
  long createBelow(Platform::RegHandle parent, KeyPointer* key, const KeyNames& names,
                   size_t existing);

  std::string folder_;
  RegistryLayout layout_;
  State state_ = kNormal;
  bool dirty_ = false;  // the file lacks something the memory holds
  RegistryFiles files_;
  RegistryTree tree_;
  KeyPointer performance_;
  std::map<Platform::RegHandle, Handle> handles_;
  Platform::RegHandle nextHandle_ = 0x1000;
};

// The store of the machine this process works on: Machine::registry().
RegistryStore& registryStore();

// Closes a handle of the store opened last, opening and checking nothing:
// it allocates no memory, so that it cannot fail in the destructors that
// close keys while a failure (out of memory, say) unwinds.
long closeRegistryKey(Platform::RegHandle key);

// Makes every registry change of the run durable and lets the registry go
// (the lock is released); the next registry call opens it again. Called when
// a run ends and before another program runs, which may itself be an
// installer that needs the registry. Machine::releaseRegistry().
void flushRegistry();

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_REGISTRY_STORE_H_
