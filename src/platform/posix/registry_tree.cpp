#include "platform/posix/registry_tree.h"

#include <algorithm>
#include <cstring>

#include "platform/windows_text.h"

namespace Posix {

namespace {

KeyPointer newRoot(const char* name) {
  KeyPointer root = std::make_shared<RegistryKey>();
  root->name = name;
  return root;
}

// A key path as a diagnostic shows it: a hostile file's may be very long.
std::string shown(const std::string& path) {
  const size_t longest = 200;
  return path.size() <= longest ? path : path.substr(0, longest) + "...";
}

void markDeleted(RegistryKey* key) {
  key->deleted = true;
  for (auto& entry : key->subkeys) markDeleted(entry.second.get());
}

}  // namespace

bool RegistryNameOrder::operator()(std::string_view a, std::string_view b) const {
  size_t common = std::min(a.size(), b.size());
  // Equal bytes are equal in any case: the start that names in one key tend
  // to share is passed over eight bytes at a time, without folding.
  size_t i = 0;
  for (uint64_t x, y; i + 8 <= common; i += 8) {
    std::memcpy(&x, a.data() + i, 8);
    std::memcpy(&y, b.data() + i, 8);
    if (x != y) break;
  }
  for (; i < common; ++i) {
    if (a[i] == b[i]) continue;
    unsigned char x = static_cast<unsigned char>(WindowsText::toLower(a[i]));
    unsigned char y = static_cast<unsigned char>(WindowsText::toLower(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

bool splitSubkeyPath(const std::string& path, KeyNames* names) {
  names->clear();
  if (path.empty()) return true;
  if (path[0] == '\\') return false;
  std::string rest = path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
  size_t start = 0;
  for (;;) {
    size_t separator = rest.find('\\', start);
    std::string name =
        rest.substr(start, separator == std::string::npos ? std::string::npos : separator - start);
    if (name.empty()) return false;
    names->push_back(name);
    if (separator == std::string::npos) return true;
    start = separator + 1;
  }
}

bool findSubkeyPath(const KeyPointer& from, std::string_view path, KeyPointer* key) {
  *key = from;
  if (path.empty()) return true;
  if (path[0] == '\\') return false;
  if (path.back() == '\\') path.remove_suffix(1);
  for (;;) {
    const size_t separator = path.find('\\');
    const std::string_view name = path.substr(0, separator);
    if (name.empty()) return false;
    // The rest of the path is checked also past a missing name.
    if (*key) {
      auto found = (*key)->subkeys.find(name);
      *key = found == (*key)->subkeys.end() ? nullptr : found->second;
    }
    if (separator == std::string_view::npos) return true;
    path.remove_prefix(separator + 1);
  }
}

const KeyNames& RegistryTree::classesPath() {
  static const KeyNames path = {"Software", "Classes"};
  return path;
}

const KeyNames& RegistryTree::configPath() {
  static const KeyNames path = {"System", "CurrentControlSet", "Hardware Profiles", "Current"};
  return path;
}

RegistryTree::RegistryTree(const std::string& userName)
    : userName_(userName),
      machine_(newRoot("HKEY_LOCAL_MACHINE")),
      users_(newRoot("HKEY_USERS")),
      dynData_(newRoot("HKEY_DYN_DATA")) {}

bool RegistryTree::ensureViews() {
  const std::pair<KeyPointer, KeyNames> views[] = {
      {machine_, classesPath()}, {machine_, configPath()}, {users_, {userName_}}};
  bool made = false;
  for (const auto& view : views) {
    KeyPointer key = view.first;
    for (const std::string& name : view.second) {
      if (key->subkeys.count(name) == 0) made = true;
      key = ensurePath(key, {name});
      key->pinned = true;
    }
  }
  return made;
}

// A full key path as a file writes it: a root name, then names, none empty.
// The alias roots resolve to the keys they show.
bool RegistryTree::resolve(const std::string& path, KeyPointer* root, KeyNames* names) const {
  size_t separator = path.find('\\');
  std::string rootName = path.substr(0, separator);
  names->clear();
  if (rootName == "HKEY_LOCAL_MACHINE") {
    *root = machine_;
  } else if (rootName == "HKEY_USERS") {
    *root = users_;
  } else if (rootName == "HKEY_DYN_DATA") {
    *root = dynData_;
  } else if (rootName == "HKEY_CLASSES_ROOT") {
    *root = machine_;
    *names = classesPath();
  } else if (rootName == "HKEY_CURRENT_USER") {
    *root = users_;
    *names = {userName_};
  } else if (rootName == "HKEY_CURRENT_CONFIG") {
    *root = machine_;
    *names = configPath();
  } else {
    return false;
  }
  if (separator == std::string::npos) return true;
  KeyNames rest;
  if (!splitSubkeyPath(path.substr(separator + 1), &rest) || path.back() == '\\') return false;
  names->insert(names->end(), rest.begin(), rest.end());
  return true;
}

bool RegistryTree::apply(const RegeditChange& change, std::string* reason) {
  KeyPointer root;
  KeyNames names;
  if (!resolve(change.key, &root, &names)) {
    *reason = "not a key of this registry: " + shown(change.key);
    return false;
  }
  if (names.size() > kDeepestKey) {
    *reason = "a key nested too deep: " + shown(change.key);
    return false;
  }
  switch (change.kind) {
    case RegeditChange::kCreateKey:
      ensurePath(root, names);
      return true;
    case RegeditChange::kDeleteKey: {
      if (names.empty()) {
        *reason = "a root key cannot be deleted: " + shown(change.key);
        return false;
      }
      KeyPointer key = findPath(root, names);
      if (key) detach(key);
      return true;
    }
    case RegeditChange::kSetValue: {
      RegistryValue value{change.type, change.data};
      ensurePath(root, names)->values[change.name] = std::move(value);
      return true;
    }
    case RegeditChange::kDeleteValue: {
      KeyPointer key = findPath(root, names);
      if (key) key->values.erase(change.name);
      return true;
    }
  }
  return false;
}

// A key is entered into its parent only once it is whole: an allocation
// that fails half-way must leave no empty entry behind, which every later
// walk of the tree would trip over.
KeyPointer RegistryTree::ensurePath(const KeyPointer& from, const KeyNames& names) {
  KeyPointer key = from;
  for (const std::string& name : names) {
    auto found = key->subkeys.find(name);
    if (found == key->subkeys.end()) {
      KeyPointer child = std::make_shared<RegistryKey>();
      child->name = name;
      child->parent = key.get();
      found = key->subkeys.emplace(name, std::move(child)).first;
    }
    key = found->second;
  }
  return key;
}

KeyPointer RegistryTree::findPath(const KeyPointer& from, const KeyNames& names) {
  KeyPointer key = from;
  for (const std::string& name : names) {
    auto found = key->subkeys.find(name);
    if (found == key->subkeys.end()) return nullptr;
    key = found->second;
  }
  return key;
}

// Handles still open on the key or below it see it deleted.
void RegistryTree::detach(const KeyPointer& key) {
  markDeleted(key.get());
  key->parent->subkeys.erase(key->name);
}

std::string RegistryTree::pathOf(const RegistryKey& key) {
  if (key.parent == nullptr) return key.name;
  return pathOf(*key.parent) + "\\" + key.name;
}

size_t RegistryTree::depthOf(const RegistryKey& key) {
  size_t depth = 0;
  for (const RegistryKey* above = key.parent; above != nullptr; above = above->parent) ++depth;
  return depth;
}

void RegistryTree::appendText(const RegistryKey& key, std::string* text) const {
  if (key.parent != nullptr || !key.values.empty()) {
    *text += "\r\n";
    appendRegeditKeyLine(pathOf(key), text);
    for (const auto& entry : key.values) {
      appendRegeditValueLine(entry.first, entry.second.type, entry.second.data, text);
    }
  }
  for (const auto& entry : key.subkeys) appendText(*entry.second, text);
}

std::string RegistryTree::text() const {
  std::string text = regeditHeader();
  appendText(*machine_, &text);
  appendText(*users_, &text);
  appendText(*dynData_, &text);
  return text;
}

}  // namespace Posix
