#ifndef TARNWICK_PLATFORM_POSIX_REGISTRY_TREE_H_
#define TARNWICK_PLATFORM_POSIX_REGISTRY_TREE_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/regedit_file.h"

// The keys and values of an emulated registry in memory, and their REGEDIT4
// text. HKEY_LOCAL_MACHINE, HKEY_USERS and HKEY_DYN_DATA hold the data; the
// other roots are views of keys inside them. Names are matched ignoring A-Z
// case and keep the case they were first written in.
namespace Posix {

// The order of key and value names, as the registry lists subkeys: A-Z
// read as lower case (so '_' comes before the letters), and names that
// differ only in case are one name.
struct RegistryNameOrder {
  using is_transparent = void;  // names are looked up without copying them
  bool operator()(std::string_view a, std::string_view b) const;
};

struct RegistryValue {
  uint32_t type = 0;
  std::vector<unsigned char> data;
};

struct RegistryKey {
  std::string name;
  RegistryKey* parent = nullptr;  // null for a root
  bool deleted = false;           // removed from the tree; handles on it fail
  bool pinned = false;            // a root alias shows it (or a key below it): never deleted
  bool readOnly = false;
  std::map<std::string, std::shared_ptr<RegistryKey>, RegistryNameOrder> subkeys;
  std::map<std::string, RegistryValue, RegistryNameOrder> values;
};

using KeyPointer = std::shared_ptr<RegistryKey>;
using KeyNames = std::vector<std::string>;

// As on Windows, keys nest at most this deep below their root; deeper paths
// are refused, so that no file can make the tree too deep to walk.
const size_t kDeepestKey = 512;

class RegistryTree {
 public:
  // `userName` names the key of HKEY_USERS that HKEY_CURRENT_USER shows.
  explicit RegistryTree(const std::string& userName);

  const KeyPointer& machine() const { return machine_; }
  const KeyPointer& users() const { return users_; }
  const KeyPointer& dynData() const { return dynData_; }
  // The keys the root aliases show (made by ensureViews).
  KeyPointer classesRoot() const { return findPath(machine_, classesPath()); }
  KeyPointer currentConfig() const { return findPath(machine_, configPath()); }
  KeyPointer currentUser() const { return findPath(users_, {userName_}); }

  // Makes the keys the aliases show where missing and pins them and the
  // keys above them. True when a key had to be made.
  bool ensureViews();

  // Applies one change read from a registry file or journal. False with a
  // reason when its key path names no key of this registry.
  bool apply(const RegeditChange& change, std::string* reason);

  // The whole registry as a REGEDIT4 file: every key (so empty keys are
  // kept), parents before children, in name order.
  std::string text() const;

  static KeyPointer ensurePath(const KeyPointer& from, const KeyNames& names);
  static KeyPointer findPath(const KeyPointer& from, const KeyNames& names);
  // Removes the key from its parent and marks it and its subtree deleted.
  static void detach(const KeyPointer& key);
  // The key's full path, root name first.
  static std::string pathOf(const RegistryKey& key);
  // How many keys lie between the key and its root (0 for a root).
  static size_t depthOf(const RegistryKey& key);

  static const KeyNames& classesPath();
  static const KeyNames& configPath();

 private:
  bool resolve(const std::string& path, KeyPointer* root, KeyNames* names) const;
  void appendText(const RegistryKey& key, std::string* text) const;

  std::string userName_;
  KeyPointer machine_;
  KeyPointer users_;
  KeyPointer dynData_;
};

// Splits a subkey path as the registry functions take it: no leading '\',
// no empty name, one trailing '\' tolerated; the empty path names no key
// below. False for a path that breaks these rules.
bool splitSubkeyPath(const std::string& path, KeyNames* names);

// The key below `from` that a subkey path names, the path read as
// splitSubkeyPath reads it but without copying its names: false for a path
// that breaks its rules, else true with *key null when a name is missing.
bool findSubkeyPath(const KeyPointer& from, std::string_view path, KeyPointer* key);

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_REGISTRY_TREE_H_
