#include "platform/posix/registry_store.h"

#include <errno.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include "platform/posix/machine.h"
#include "platform/posix/registry_journal.h"

namespace Posix {

namespace {

using Platform::RegHandle;

const uint32_t kKeyCreateSubKey = 0x0004;
const size_t kLongestKeyName = 255;
const size_t kLongestValueName = 16383;

// Made when needed, never before main: the first allocation that fails must
// be reported like any other.
KeyNames currentVersionPath() { return {"Software", "Microsoft", "Windows", "CurrentVersion"}; }
const char kProgramFilesDir[] = "C:\\Program Files";

// Names that the file could not carry back are refused when keys are made.
bool isValidNewKeyName(const std::string& name) {
  return name.size() <= kLongestKeyName &&
         name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

std::string joined(const KeyNames& names, size_t from) {
  std::string path;
  for (size_t i = from; i < names.size(); ++i) {
    if (!path.empty()) path += '\\';
    path += names[i];
  }
  return path;
}

bool isPredefined(RegHandle handle) {
  return handle >= Platform::kHkeyClassesRoot && handle <= Platform::kHkeyDynData;
}

const char kFileUnusable[] = "; the registry cannot be used until the file is repaired";
const char kJournalUnusable[] = "; the registry cannot be used until the journal is repaired";

}  // namespace

RegistryStore::RegistryStore(const std::string& folder, const RegistryLayout& layout)
    : folder_(folder),
      layout_(layout),
      files_(folder),
      tree_(layout.userName),
      performance_(std::make_shared<RegistryKey>()) {
  performance_->name = "HKEY_PERFORMANCE_DATA";
  performance_->readOnly = true;
  if (!files_.lock()) state_ = kReadOnly;
  load();
}

// --- Opening -----------------------------------------------------------

// Loads registry.reg, replays what the journal adds, and folds both into a
// new registry.reg when the journal held anything, so that the journal
// starts empty. Should the fold fail, the journal (cut after its last good
// record) still holds everything and takes the next changes.
void RegistryStore::load() {
  off_t validLength = 0;
  bool replayed = false;
  if (!loadFile() || !replayJournal(&validLength, &replayed)) return;
  if (tree_.ensureViews()) dirty_ = true;
  if (state_ != kNormal) return;
  if (!files_.openJournal(validLength)) {
    state_ = kReadOnly;
    return;
  }
  if (dirty_ || replayed) flush();
}

// A missing file is a machine without a registry yet: a new one gets the
// provisioned values.
bool RegistryStore::loadFile() {
  std::string text;
  int error = files_.readRegistry(&text);
  if (error == ENOENT) {
    if (layout_.provisionNew) {
      RegistryValue value{
          Platform::kRegSz,
          std::vector<unsigned char>(kProgramFilesDir, kProgramFilesDir + sizeof kProgramFilesDir)};
      RegistryTree::ensurePath(tree_.machine(), currentVersionPath())->values["ProgramFilesDir"] =
          std::move(value);
      // Every user of Windows has this key from the first logon.
      tree_.ensureViews();
      RegistryTree::ensurePath(tree_.currentUser(), currentVersionPath());
    }
    dirty_ = true;
    return true;
  }
  if (error != 0) {
    fail("Unable to read the registry file " + files_.registryPath() + ": " + std::strerror(error) +
         kFileUnusable);
    return false;
  }
  int line = 0;
  std::string reason;
  if (!applyText(text, true, &line, &reason)) {
    fail("Unreadable registry file " + files_.registryPath() + ", line " + std::to_string(line) +
         ": " + reason + kFileUnusable);
    return false;
  }
  return true;
}

bool RegistryStore::replayJournal(off_t* validLength, bool* replayed) {
  std::string bytes;
  int error = files_.readJournal(&bytes);
  if (error == ENOENT) return true;
  if (error != 0) {
    fail("Unable to read the registry journal " + files_.journalPath() + ": " +
         std::strerror(error) + kJournalUnusable);
    return false;
  }
  JournalContents contents = readJournal(bytes);
  if (contents.corrupt) {
    fail("Unreadable registry journal " + files_.journalPath() + ", byte " +
         std::to_string(contents.validLength) + ": a damaged record" + kJournalUnusable);
    return false;
  }
  for (size_t i = 0; i < contents.payloads.size(); ++i) {
    int line = 0;
    std::string reason;
    if (!applyText(contents.payloads[i], false, &line, &reason)) {
      fail("Unreadable registry journal " + files_.journalPath() + ", record " +
           std::to_string(i + 1) + ": " + reason + kJournalUnusable);
      return false;
    }
  }
  *validLength = static_cast<off_t>(contents.validLength);
  *replayed = !bytes.empty();
  return true;
}

bool RegistryStore::applyText(const std::string& text, bool withHeader, int* line,
                              std::string* reason) {
  std::vector<RegeditChange> changes;
  RegeditError error;
  if (!parseRegedit(text, withHeader, &changes, &error)) {
    *line = error.line;
    *reason = error.reason;
    return false;
  }
  for (const RegeditChange& change : changes) {
    if (!tree_.apply(change, reason)) {
      *line = change.line;
      return false;
    }
  }
  return true;
}

void RegistryStore::fail(const std::string& diagnostic) {
  state_ = kFailed;
  std::fprintf(stderr, "%s\n", diagnostic.c_str());
}

// --- Handles -------------------------------------------------------------

// The key a predefined handle stands for; null for a root this system
// lacks.
KeyPointer RegistryStore::rootKey(RegHandle handle) const {
  switch (handle) {
    case Platform::kHkeyLocalMachine:
      return tree_.machine();
    case Platform::kHkeyUsers:
      return tree_.users();
    case Platform::kHkeyClassesRoot:
      return tree_.classesRoot();
    case Platform::kHkeyCurrentConfig:
      return tree_.currentConfig();
    case Platform::kHkeyCurrentUser:
      return tree_.currentUser();
    case Platform::kHkeyPerformanceData:
      return performance_;
    case Platform::kHkeyDynData:
      return layout_.dynData ? tree_.dynData() : nullptr;
    default:
      return nullptr;
  }
}

long RegistryStore::resolve(RegHandle handle, Handle* result) const {
  if (state_ == kFailed) return kErrorRegistryCorrupt;
  if (isPredefined(handle)) {
    result->key = rootKey(handle);
    result->access = kKeyAllAccess;
    return result->key ? Platform::kErrorSuccess : kErrorInvalidHandle;
  }
  auto found = handles_.find(handle);
  if (found == handles_.end()) return kErrorInvalidHandle;
  *result = found->second;
  return result->key->deleted ? kErrorKeyDeleted : Platform::kErrorSuccess;
}

long RegistryStore::resolveWithRights(RegHandle handle, uint32_t access, Handle* result) const {
  long status = resolve(handle, result);
  if (status != Platform::kErrorSuccess) return status;
  return (result->access & access) == access ? Platform::kErrorSuccess
                                             : Platform::kErrorAccessDenied;
}

long RegistryStore::resolveForChange(RegHandle handle, uint32_t access, Handle* result) const {
  long status = resolveWithRights(handle, access, result);
  if (status != Platform::kErrorSuccess) return status;
  if (result->key->readOnly || state_ != kNormal) return Platform::kErrorAccessDenied;
  return Platform::kErrorSuccess;
}

long RegistryStore::resolvePath(RegHandle parent, const std::string& subkey, Handle* base,
                                KeyNames* names) const {
  long status = resolve(parent, base);
  if (status != Platform::kErrorSuccess) return status;
  return splitSubkeyPath(subkey, names) ? Platform::kErrorSuccess : kErrorBadPathname;
}

long RegistryStore::findKey(RegHandle parent, const std::string& subkey, KeyPointer* key) const {
  Handle base;
  long status = resolve(parent, &base);
  if (status != Platform::kErrorSuccess) return status;
  if (!findSubkeyPath(base.key, subkey, key)) return kErrorBadPathname;
  return *key ? Platform::kErrorSuccess : Platform::kErrorFileNotFound;
}

RegHandle RegistryStore::newHandle(const KeyPointer& key, uint32_t access) {
  RegHandle handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = Handle{key, access};
  return handle;
}

// Appends the change to the journal in one write; a change that could not
// be written is not made.
long RegistryStore::record(RegeditChange::Kind kind, const std::string& key,
                           const std::string& name, uint32_t type,
                           const std::vector<unsigned char>& data) {
  if (state_ != kNormal) return Platform::kErrorAccessDenied;
  std::string text;
  appendRegeditChange(kind, key, name, type, data, &text);
  if (!files_.append(journalRecord(text))) return kErrorRegistryIoFailed;
  return Platform::kErrorSuccess;
}

// Makes the keys `names` from `existing` on below `key`, which has none of
// them yet, when `parent` may have subkeys made and the names can be kept.
long RegistryStore::createBelow(RegHandle parent, KeyPointer* key, const KeyNames& names,
                                size_t existing) {
  Handle base;
  long status = resolveForChange(parent, kKeyCreateSubKey, &base);
  if (status != Platform::kErrorSuccess) return status;
  for (size_t i = existing; i < names.size(); ++i) {
    if (!isValidNewKeyName(names[i])) return kErrorInvalidParameter;
  }
  if (RegistryTree::depthOf(**key) + names.size() - existing > kDeepestKey) {
    return kErrorInvalidParameter;
  }
  const KeyNames missing(names.begin() + existing, names.end());
  status = record(RegeditChange::kCreateKey,
                  RegistryTree::pathOf(**key) + "\\" + joined(names, existing));
  if (status != Platform::kErrorSuccess) return status;
  *key = RegistryTree::ensurePath(*key, missing);
  return Platform::kErrorSuccess;
}

// --- The registry calls --------------------------------------------------

long RegistryStore::createKey(RegHandle parent, const std::string& subkey, uint32_t access,
                              RegHandle* result) {
  Handle base;
  KeyNames names;
  long status = resolvePath(parent, subkey, &base, &names);
  if (status != Platform::kErrorSuccess) return status;
  KeyPointer key = base.key;
  size_t existing = 0;
  for (; existing < names.size(); ++existing) {
    auto found = key->subkeys.find(names[existing]);
    if (found == key->subkeys.end()) break;
    key = found->second;
  }
  if (existing < names.size()) {
    status = createBelow(parent, &key, names, existing);
    if (status != Platform::kErrorSuccess) return status;
  }
  *result = newHandle(key, access);
  return Platform::kErrorSuccess;
}

long RegistryStore::openKey(RegHandle parent, const std::string& subkey, uint32_t access,
                            RegHandle* result) {
  KeyPointer key;
  long status = findKey(parent, subkey, &key);
  if (status != Platform::kErrorSuccess) return status;
  *result = newHandle(key, access);
  return Platform::kErrorSuccess;
}

// Neither this nor what it calls allocates (see closeRegistryKey).
long RegistryStore::closeKey(RegHandle key) {
  if (isPredefined(key)) return Platform::kErrorSuccess;
  return handles_.erase(key) == 1 ? Platform::kErrorSuccess : kErrorInvalidHandle;
}

// On the NT family a key with subkeys is refused; on 95/98 it goes with its
// whole subtree.
long RegistryStore::deleteKey(RegHandle parent, const std::string& subkey) {
  KeyPointer key;
  long status = findKey(parent, subkey, &key);
  if (status != Platform::kErrorSuccess) return status;
  if (key->parent == nullptr || key->pinned || key->readOnly || state_ != kNormal) {
    return Platform::kErrorAccessDenied;
  }
  if (!key->subkeys.empty() && !layout_.deletesSubtrees) return Platform::kErrorAccessDenied;
  status = record(RegeditChange::kDeleteKey, RegistryTree::pathOf(*key));
  if (status != Platform::kErrorSuccess) return status;
  RegistryTree::detach(key);
  return Platform::kErrorSuccess;
}

long RegistryStore::enumKey(RegHandle key, uint32_t index, std::string* name) {
  Handle handle;
  long status = resolveWithRights(key, Platform::kKeyEnumerateSubKeys, &handle);
  if (status != Platform::kErrorSuccess) return status;
  if (index >= handle.key->subkeys.size()) return Platform::kErrorNoMoreItems;
  auto entry = handle.key->subkeys.begin();
  std::advance(entry, index);
  *name = entry->first;
  return Platform::kErrorSuccess;
}

long RegistryStore::querySubkeyCount(RegHandle key, uint32_t* count) {
  Handle handle;
  long status = resolveWithRights(key, Platform::kKeyQueryValue, &handle);
  if (status != Platform::kErrorSuccess) return status;
  *count = static_cast<uint32_t>(handle.key->subkeys.size());
  return Platform::kErrorSuccess;
}

long RegistryStore::queryValue(RegHandle key, const std::string& name, uint32_t* type,
                               std::vector<unsigned char>* data) {
  Handle handle;
  long status = resolveWithRights(key, Platform::kKeyQueryValue, &handle);
  if (status != Platform::kErrorSuccess) return status;
  auto found = handle.key->values.find(name);
  if (found == handle.key->values.end()) return Platform::kErrorFileNotFound;
  if (type != nullptr) *type = found->second.type;
  if (data != nullptr) *data = found->second.data;
  return Platform::kErrorSuccess;
}

long RegistryStore::setValue(RegHandle key, const std::string& name, uint32_t type,
                             const std::vector<unsigned char>& data) {
  Handle handle;
  long status = resolveForChange(key, Platform::kKeySetValue, &handle);
  if (status != Platform::kErrorSuccess) return status;
  if (name.size() > kLongestValueName) return kErrorInvalidParameter;
  status = record(RegeditChange::kSetValue, RegistryTree::pathOf(*handle.key), name, type, data);
  if (status != Platform::kErrorSuccess) return status;
  // Made whole before it is entered: a failed allocation changes nothing.
  RegistryValue value{type, data};
  handle.key->values[name] = std::move(value);
  return Platform::kErrorSuccess;
}

long RegistryStore::deleteValue(RegHandle key, const std::string& name) {
  Handle handle;
  long status = resolveForChange(key, Platform::kKeySetValue, &handle);
  if (status != Platform::kErrorSuccess) return status;
  auto found = handle.key->values.find(name);
  if (found == handle.key->values.end()) return Platform::kErrorFileNotFound;
  status = record(RegeditChange::kDeleteValue, RegistryTree::pathOf(*handle.key), name);
  if (status != Platform::kErrorSuccess) return status;
  handle.key->values.erase(found);
  return Platform::kErrorSuccess;
}

bool RegistryStore::flush() {
  if (state_ != kNormal) return false;
  if (!dirty_ && files_.journalSize() == 0) return true;
  if (!files_.replaceRegistry(text())) return false;
  dirty_ = false;
  return true;
}

// --- The machine's store -------------------------------------------------

RegistryStore& registryStore() { return Machine::instance().registry(); }

long closeRegistryKey(RegHandle key) {
  const Machine* machine = Machine::existing();
  RegistryStore* store = machine != nullptr ? machine->registryIfOpen() : nullptr;
  if (store != nullptr) return store->closeKey(key);
  return isPredefined(key) ? Platform::kErrorSuccess : kErrorInvalidHandle;
}

void flushRegistry() {
  if (Machine* machine = Machine::existing()) machine->releaseRegistry();
}

}  // namespace Posix
