#include "platform/posix/registry_store.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/posix/machine.h"
#include "platform/posix/registry_journal.h"

namespace Posix {

namespace {

using Platform::RegHandle;

const uint32_t kKeyCreateSubKey = 0x0004;
const uint32_t kKeyAllAccess = 0xF003F;
const size_t kLongestKeyName = 255;
const size_t kLongestValueName = 16383;

const std::vector<std::string> kClassesPath = {"Software", "Classes"};
const std::vector<std::string> kConfigPath = {"System", "CurrentControlSet", "Hardware Profiles",
                                              "Current"};
const std::vector<std::string> kCurrentVersionPath = {"Software", "Microsoft", "Windows",
                                                      "CurrentVersion"};
const char kProgramFilesDir[] = "C:\\Program Files";

char foldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string describeErrno() { return std::strerror(errno); }

// A subkey path as the registry functions take it: no leading '\', no empty
// component, one trailing '\' tolerated; empty names the key itself.
long subkeyComponents(const std::string& subkey, std::vector<std::string>* components) {
  components->clear();
  if (subkey.empty()) return Platform::kErrorSuccess;
  if (subkey[0] == '\\') return kErrorBadPathname;
  std::string path = subkey.back() == '\\' ? subkey.substr(0, subkey.size() - 1) : subkey;
  size_t start = 0;
  for (;;) {
    size_t separator = path.find('\\', start);
    std::string name = path.substr(start, separator == std::string::npos ? std::string::npos
                                                                          : separator - start);
    if (name.empty()) return kErrorBadPathname;
    components->push_back(name);
    if (separator == std::string::npos) return Platform::kErrorSuccess;
    start = separator + 1;
  }
}

// Names that the file could not carry back are refused when keys are made.
bool isValidNewKeyName(const std::string& name) {
  return name.size() <= kLongestKeyName && name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

std::string joined(const std::vector<std::string>& components, size_t from) {
  std::string path;
  for (size_t i = from; i < components.size(); ++i) {
    if (!path.empty()) path += '\\';
    path += components[i];
  }
  return path;
}

// 0 read, ENOENT for a missing file, another errno value for a failure.
int readWholeFile(const std::string& path, std::string* text) {
  text->clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  char buffer[65536];
  for (;;) {
    ssize_t count = read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      int error = count < 0 ? errno : 0;
      close(fd);
      return error;
    }
    text->append(buffer, static_cast<size_t>(count));
  }
}

bool writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t count = write(fd, text.data() + done, text.size() - done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    done += static_cast<size_t>(count);
  }
  return true;
}

bool syncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

bool isPredefined(RegHandle handle) {
  return handle >= Platform::kHkeyClassesRoot && handle <= Platform::kHkeyDynData;
}

int64_t changeTime(const struct stat& status) {
  return int64_t(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec;
}

}  // namespace

bool RegistryStore::LessIgnoringCase::operator()(const std::string& a, const std::string& b) const {
  size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    unsigned char x = static_cast<unsigned char>(foldCase(a[i]));
    unsigned char y = static_cast<unsigned char>(foldCase(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

RegistryStore::RegistryStore(const std::string& folder, const RegistryLayout& layout)
    : folder_(folder), layout_(layout) {
  machine_ = std::make_shared<Key>();
  machine_->name = "HKEY_LOCAL_MACHINE";
  users_ = std::make_shared<Key>();
  users_->name = "HKEY_USERS";
  dynData_ = std::make_shared<Key>();
  dynData_->name = "HKEY_DYN_DATA";
  performance_ = std::make_shared<Key>();
  performance_->name = "HKEY_PERFORMANCE_DATA";
  performance_->readOnly = true;
  lock();
  load();
}

RegistryStore::~RegistryStore() {
  for (auto& entry : handles_) entry.second.key.reset();
  if (journalFd_ >= 0) {
    // The journal is only removed while the lock is held, when empty.
    if (journalSize_ == 0 && lockFd_ >= 0) unlink((folder_ + "/registry.journal").c_str());
    close(journalFd_);
  }
  if (lockFd_ >= 0) close(lockFd_);
}

// --- Opening -----------------------------------------------------------

void RegistryStore::lock() {
  std::string path = folder_ + "/registry.lock";
  lockFd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lockFd_ < 0) {
    std::fprintf(stderr, "The registry of %s is read-only: cannot open %s: %s\n", folder_.c_str(),
                 path.c_str(), describeErrno().c_str());
    state_ = kReadOnly;
    return;
  }
  if (flock(lockFd_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    std::fprintf(stderr, "Waiting for another installer to finish with the registry of %s...\n",
                 folder_.c_str());
    while (flock(lockFd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  struct stat status;
  if (fstat(lockFd_, &status) == 0) {
    lockDevice_ = status.st_dev;
    lockInode_ = status.st_ino;
    lockChanged_ = changeTime(status);
  }
}

// Loads registry.reg, replays what the journal adds, and folds both into a
// new registry.reg when the journal held anything, so that the journal
// starts empty. Should the fold fail, the journal (cut after its last good
// record) still holds everything and takes the next changes.
void RegistryStore::load() {
  bool replayed = false;
  if (!loadFile() || !replayJournal(&replayed)) return;
  ensureSkeleton();
  if (state_ != kNormal) return;
  if (!openJournal()) {
    state_ = kReadOnly;
    return;
  }
  if (dirty_ || replayed) flush();
}

bool RegistryStore::loadFile() {
  std::string path = folder_ + "/registry.reg";
  std::string text;
  int error = readWholeFile(path, &text);
  if (error == ENOENT) {
    if (layout_.provisionNew) {
      Value& value = ensurePath(machine_, kCurrentVersionPath)->values["ProgramFilesDir"];
      value.type = Platform::kRegSz;
      value.data.assign(kProgramFilesDir, kProgramFilesDir + sizeof kProgramFilesDir);
    }
    dirty_ = true;
    return true;
  }
  if (error != 0) {
    fail("Unable to read the registry file " + path + ": " + std::strerror(error));
    return false;
  }
  std::vector<RegeditChange> changes;
  RegeditError parseError;
  std::string reason;
  if (!parseRegedit(text, true, &changes, &parseError)) {
    fail("Unreadable registry file " + path + ", line " + std::to_string(parseError.line) + ": " +
         parseError.reason + "; the registry cannot be used until the file is repaired");
    return false;
  }
  for (const RegeditChange& change : changes) {
    if (!applyChange(change, &reason)) {
      fail("Unreadable registry file " + path + ", line " + std::to_string(change.line) + ": " +
           reason + "; the registry cannot be used until the file is repaired");
      return false;
    }
  }
  return true;
}

bool RegistryStore::replayJournal(bool* replayed) {
  std::string path = folder_ + "/registry.journal";
  std::string bytes;
  int error = readWholeFile(path, &bytes);
  if (error == ENOENT) return true;
  if (error != 0) {
    fail("Unable to read the registry journal " + path + ": " + std::strerror(error));
    return false;
  }
  JournalContents contents = readJournal(bytes);
  if (contents.corrupt) {
    fail("Unreadable registry journal " + path + ", byte " + std::to_string(contents.validLength) +
         ": a damaged record; the registry cannot be used until the journal is repaired");
    return false;
  }
  for (size_t i = 0; i < contents.payloads.size(); ++i) {
    std::vector<RegeditChange> changes;
    RegeditError parseError;
    std::string reason = "";
    bool ok = parseRegedit(contents.payloads[i], false, &changes, &parseError);
    if (!ok) reason = parseError.reason;
    for (size_t c = 0; ok && c < changes.size(); ++c) ok = applyChange(changes[c], &reason);
    if (!ok) {
      fail("Unreadable registry journal " + path + ", record " + std::to_string(i + 1) + ": " +
           reason + "; the registry cannot be used until the journal is repaired");
      return false;
    }
  }
  journalSize_ = static_cast<off_t>(contents.validLength);
  *replayed = !bytes.empty();
  return true;
}

// The keys the root aliases show must exist, and are never deleted.
void RegistryStore::ensureSkeleton() {
  const std::pair<std::shared_ptr<Key>, std::vector<std::string>> skeleton[] = {
      {machine_, kClassesPath}, {machine_, kConfigPath}, {users_, {layout_.userName}}};
  for (const auto& entry : skeleton) {
    std::shared_ptr<Key> key = entry.first;
    for (const std::string& name : entry.second) {
      auto found = key->subkeys.find(name);
      if (found == key->subkeys.end()) {
        dirty_ = true;
        key = ensurePath(key, {name});
      } else {
        key = found->second;
      }
      key->pinned = true;
    }
  }
}

// A torn record left by a killed process is cut off before anything is
// appended after it.
bool RegistryStore::openJournal() {
  std::string path = folder_ + "/registry.journal";
  journalFd_ = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (journalFd_ < 0) {
    std::fprintf(stderr, "The registry of %s is read-only: cannot open %s: %s\n", folder_.c_str(),
                 path.c_str(), describeErrno().c_str());
    return false;
  }
  struct stat status;
  if (fstat(journalFd_, &status) != 0) return false;
  return status.st_size == journalSize_ || ftruncate(journalFd_, journalSize_) == 0;
}

void RegistryStore::fail(const std::string& diagnostic) {
  state_ = kFailed;
  std::fprintf(stderr, "%s\n", diagnostic.c_str());
}

bool RegistryStore::stillOpenedOnDisk() const {
  if (lockFd_ < 0) return true;
  struct stat status;
  if (stat((folder_ + "/registry.lock").c_str(), &status) != 0) return false;
  return status.st_dev == lockDevice_ && status.st_ino == lockInode_ &&
         changeTime(status) == lockChanged_;
}

// --- The tree ------------------------------------------------------------

// Resolves a full key path of the file or the journal: the root name, then
// components, none of them empty.
bool RegistryStore::resolveRootPath(const std::string& path, std::shared_ptr<Key>* root,
                                    std::vector<std::string>* components) const {
  size_t separator = path.find('\\');
  std::string rootName = path.substr(0, separator);
  components->clear();
  if (rootName == "HKEY_LOCAL_MACHINE") {
    *root = machine_;
  } else if (rootName == "HKEY_USERS") {
    *root = users_;
  } else if (rootName == "HKEY_DYN_DATA") {
    *root = dynData_;
  } else if (rootName == "HKEY_CLASSES_ROOT") {
    *root = machine_;
    *components = kClassesPath;
  } else if (rootName == "HKEY_CURRENT_USER") {
    *root = users_;
    *components = {layout_.userName};
  } else if (rootName == "HKEY_CURRENT_CONFIG") {
    *root = machine_;
    *components = kConfigPath;
  } else {
    return false;
  }
  if (separator == std::string::npos) return true;
  std::vector<std::string> rest;
  if (subkeyComponents(path.substr(separator + 1), &rest) != Platform::kErrorSuccess ||
      path.back() == '\\') {
    return false;
  }
  components->insert(components->end(), rest.begin(), rest.end());
  return true;
}

bool RegistryStore::applyChange(const RegeditChange& change, std::string* reason) {
  std::shared_ptr<Key> root;
  std::vector<std::string> components;
  if (!resolveRootPath(change.key, &root, &components)) {
    *reason = "not a key of this registry: " + change.key;
    return false;
  }
  switch (change.kind) {
    case RegeditChange::kCreateKey:
      ensurePath(root, components);
      return true;
    case RegeditChange::kDeleteKey: {
      if (components.empty()) {
        *reason = "a root key cannot be deleted: " + change.key;
        return false;
      }
      std::shared_ptr<Key> key = findPath(root, components);
      if (key) detach(key);
      return true;
    }
    case RegeditChange::kSetValue: {
      Value& value = ensurePath(root, components)->values[change.name];
      value.type = change.type;
      value.data = change.data;
      return true;
    }
    case RegeditChange::kDeleteValue: {
      std::shared_ptr<Key> key = findPath(root, components);
      if (key) key->values.erase(change.name);
      return true;
    }
  }
  return false;
}

std::shared_ptr<RegistryStore::Key> RegistryStore::ensurePath(
    const std::shared_ptr<Key>& from, const std::vector<std::string>& components) {
  std::shared_ptr<Key> key = from;
  for (const std::string& name : components) {
    std::shared_ptr<Key>& child = key->subkeys[name];
    if (!child) {
      child = std::make_shared<Key>();
      child->name = name;
      child->parent = key.get();
    }
    key = child;
  }
  return key;
}

std::shared_ptr<RegistryStore::Key> RegistryStore::findPath(
    const std::shared_ptr<Key>& from, const std::vector<std::string>& components) const {
  std::shared_ptr<Key> key = from;
  for (const std::string& name : components) {
    auto found = key->subkeys.find(name);
    if (found == key->subkeys.end()) return nullptr;
    key = found->second;
  }
  return key;
}

namespace {

template <typename KeyType>
void markDeleted(KeyType* key) {
  key->deleted = true;
  for (auto& entry : key->subkeys) markDeleted(entry.second.get());
}

}  // namespace

// Handles still open on the key or below it now answer kErrorKeyDeleted.
void RegistryStore::detach(const std::shared_ptr<Key>& key) {
  markDeleted(key.get());
  key->parent->subkeys.erase(key->name);
}

std::string RegistryStore::pathOf(const Key& key) const {
  if (key.parent == nullptr) return key.name;
  return pathOf(*key.parent) + "\\" + key.name;
}

// --- Handles -------------------------------------------------------------

long RegistryStore::resolve(RegHandle handle, Handle* result) const {
  if (state_ == kFailed) return kErrorRegistryCorrupt;
  result->access = kKeyAllAccess;
  switch (handle) {
    case Platform::kHkeyLocalMachine: result->key = machine_; return Platform::kErrorSuccess;
    case Platform::kHkeyUsers: result->key = users_; return Platform::kErrorSuccess;
    case Platform::kHkeyClassesRoot: result->key = findPath(machine_, kClassesPath); break;
    case Platform::kHkeyCurrentConfig: result->key = findPath(machine_, kConfigPath); break;
    case Platform::kHkeyCurrentUser: result->key = findPath(users_, {layout_.userName}); break;
    case Platform::kHkeyPerformanceData: result->key = performance_; break;
    case Platform::kHkeyDynData:
      if (!layout_.dynData) return kErrorInvalidHandle;
      result->key = dynData_;
      break;
    default: {
      auto found = handles_.find(handle);
      if (found == handles_.end()) return kErrorInvalidHandle;
      *result = found->second;
      if (result->key->deleted) return kErrorKeyDeleted;
    }
  }
  return result->key ? Platform::kErrorSuccess : kErrorInvalidHandle;
}

long RegistryStore::resolveForChange(RegHandle handle, uint32_t access, Handle* result) const {
  long status = resolve(handle, result);
  if (status != Platform::kErrorSuccess) return status;
  if ((result->access & access) != access || result->key->readOnly || state_ != kNormal) {
    return Platform::kErrorAccessDenied;
  }
  return Platform::kErrorSuccess;
}

RegHandle RegistryStore::newHandle(const std::shared_ptr<Key>& key, uint32_t access) {
  RegHandle handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = Handle{key, access};
  return handle;
}

// Appends the change to the journal in one write; a failed or short write
// is cut off again, and the change is then not made.
long RegistryStore::record(const RegeditChange& change) {
  if (state_ != kNormal || journalFd_ < 0) return Platform::kErrorAccessDenied;
  std::string bytes = journalRecord(regeditChangeText(change));
  ssize_t written = write(journalFd_, bytes.data(), bytes.size());
  if (written != static_cast<ssize_t>(bytes.size())) {
    if (ftruncate(journalFd_, journalSize_) != 0) state_ = kReadOnly;
    return kErrorRegistryIoFailed;
  }
  journalSize_ += written;
  return Platform::kErrorSuccess;
}

// --- The registry calls --------------------------------------------------

long RegistryStore::createKey(RegHandle parent, const std::string& subkey, RegHandle* result) {
  Handle base;
  std::vector<std::string> components;
  long status = resolve(parent, &base);
  if (status == Platform::kErrorSuccess) status = subkeyComponents(subkey, &components);
  if (status != Platform::kErrorSuccess) return status;

  std::shared_ptr<Key> key = base.key;
  size_t existing = 0;
  for (; existing < components.size(); ++existing) {
    auto found = key->subkeys.find(components[existing]);
    if (found == key->subkeys.end()) break;
    key = found->second;
  }
  if (existing < components.size()) {
    status = resolveForChange(parent, kKeyCreateSubKey, &base);
    if (status != Platform::kErrorSuccess) return status;
    for (size_t i = existing; i < components.size(); ++i) {
      if (!isValidNewKeyName(components[i])) return kErrorInvalidParameter;
    }
    RegeditChange change;
    change.kind = RegeditChange::kCreateKey;
    change.key = pathOf(*key) + "\\" + joined(components, existing);
    status = record(change);
    if (status != Platform::kErrorSuccess) return status;
    key = ensurePath(key, std::vector<std::string>(components.begin() + existing, components.end()));
  }
  *result = newHandle(key, kKeyAllAccess);
  return Platform::kErrorSuccess;
}

long RegistryStore::openKey(RegHandle parent, const std::string& subkey, uint32_t access,
                            RegHandle* result) {
  Handle base;
  std::vector<std::string> components;
  long status = resolve(parent, &base);
  if (status == Platform::kErrorSuccess) status = subkeyComponents(subkey, &components);
  if (status != Platform::kErrorSuccess) return status;
  std::shared_ptr<Key> key = findPath(base.key, components);
  if (!key) return Platform::kErrorFileNotFound;
  *result = newHandle(key, access);
  return Platform::kErrorSuccess;
}

long RegistryStore::closeKey(RegHandle key) {
  if (isPredefined(key)) return Platform::kErrorSuccess;
  return handles_.erase(key) == 1 ? Platform::kErrorSuccess : kErrorInvalidHandle;
}

// On the NT family a key with subkeys is refused; on 95/98 it goes with its
// whole subtree. Root keys and the keys the aliases show are never deleted.
long RegistryStore::deleteKey(RegHandle parent, const std::string& subkey) {
  Handle base;
  std::vector<std::string> components;
  long status = resolve(parent, &base);
  if (status == Platform::kErrorSuccess) status = subkeyComponents(subkey, &components);
  if (status != Platform::kErrorSuccess) return status;
  std::shared_ptr<Key> key = findPath(base.key, components);
  if (!key) return Platform::kErrorFileNotFound;
  if (key->parent == nullptr || key->pinned || key->readOnly || state_ != kNormal) {
    return Platform::kErrorAccessDenied;
  }
  if (!key->subkeys.empty() && !layout_.deletesSubtrees) return Platform::kErrorAccessDenied;
  RegeditChange change;
  change.kind = RegeditChange::kDeleteKey;
  change.key = pathOf(*key);
  status = record(change);
  if (status != Platform::kErrorSuccess) return status;
  detach(key);
  return Platform::kErrorSuccess;
}

long RegistryStore::enumKey(RegHandle key, uint32_t index, std::string* name) {
  Handle handle;
  long status = resolve(key, &handle);
  if (status != Platform::kErrorSuccess) return status;
  if ((handle.access & Platform::kKeyEnumerateSubKeys) == 0) return Platform::kErrorAccessDenied;
  if (index >= handle.key->subkeys.size()) return Platform::kErrorNoMoreItems;
  auto entry = handle.key->subkeys.begin();
  std::advance(entry, index);
  *name = entry->first;
  return Platform::kErrorSuccess;
}

long RegistryStore::querySubkeyCount(RegHandle key, uint32_t* count) {
  Handle handle;
  long status = resolve(key, &handle);
  if (status != Platform::kErrorSuccess) return status;
  if ((handle.access & Platform::kKeyQueryValue) == 0) return Platform::kErrorAccessDenied;
  *count = static_cast<uint32_t>(handle.key->subkeys.size());
  return Platform::kErrorSuccess;
}

long RegistryStore::queryValue(RegHandle key, const std::string& name, uint32_t* type,
                               std::vector<unsigned char>* data) {
  Handle handle;
  long status = resolve(key, &handle);
  if (status != Platform::kErrorSuccess) return status;
  if ((handle.access & Platform::kKeyQueryValue) == 0) return Platform::kErrorAccessDenied;
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
  RegeditChange change;
  change.kind = RegeditChange::kSetValue;
  change.key = pathOf(*handle.key);
  change.name = name;
  change.type = type;
  change.data = data;
  status = record(change);
  if (status != Platform::kErrorSuccess) return status;
  Value& value = handle.key->values[name];
  value.type = type;
  value.data = data;
  return Platform::kErrorSuccess;
}

long RegistryStore::deleteValue(RegHandle key, const std::string& name) {
  Handle handle;
  long status = resolveForChange(key, Platform::kKeySetValue, &handle);
  if (status != Platform::kErrorSuccess) return status;
  auto found = handle.key->values.find(name);
  if (found == handle.key->values.end()) return Platform::kErrorFileNotFound;
  RegeditChange change;
  change.kind = RegeditChange::kDeleteValue;
  change.key = pathOf(*handle.key);
  change.name = name;
  status = record(change);
  if (status != Platform::kErrorSuccess) return status;
  handle.key->values.erase(found);
  return Platform::kErrorSuccess;
}

// --- Writing the file ----------------------------------------------------

void RegistryStore::appendKeyText(const Key& key, std::string* text) const {
  if (key.parent != nullptr || !key.values.empty()) {
    *text += "\r\n" + regeditKeyLine(pathOf(key));
    for (const auto& entry : key.values) {
      *text += regeditValueLine(entry.first, entry.second.type, entry.second.data);
    }
  }
  for (const auto& entry : key.subkeys) appendKeyText(*entry.second, text);
}

std::string RegistryStore::text() const {
  std::string text = regeditHeader();
  appendKeyText(*machine_, &text);
  appendKeyText(*users_, &text);
  appendKeyText(*dynData_, &text);
  return text;
}

// The new file is complete and on disk before it replaces the old one, so
// registry.reg is never seen half-written.
bool RegistryStore::writeFileAtomically(const std::string& text) {
  std::string path = folder_ + "/registry.reg";
  std::string temporary = path + ".new";
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool ok = fd >= 0 && writeAll(fd, text) && fsync(fd) == 0;
  int error = errno;
  if (fd >= 0 && close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(temporary.c_str());
    std::fprintf(stderr, "Unable to write the registry file %s: %s; the changes are kept in %s\n",
                 path.c_str(), std::strerror(error), (folder_ + "/registry.journal").c_str());
    return false;
  }
  syncFolder(folder_);
  return true;
}

bool RegistryStore::flush() {
  if (state_ != kNormal) return false;
  if (!dirty_ && journalSize_ == 0) return true;
  if (!writeFileAtomically(text())) return false;
  dirty_ = false;
  if (ftruncate(journalFd_, 0) == 0) journalSize_ = 0;
  return true;
}

// --- The machine's store -------------------------------------------------

namespace {

std::unique_ptr<RegistryStore>& currentStore() {
  static std::unique_ptr<RegistryStore> store;
  return store;
}

RegistryLayout layoutOf(const Machine& machine) {
  RegistryLayout layout;
  layout.userName = machine.userName();
  Platform::OsVersion version;
  layout.dynData = machine.osVersion(&version) && version.platformId == 1;
  layout.deletesSubtrees = machine.isWindows9xLayout();
  layout.provisionNew = machine.provisionedNow();
  return layout;
}

}  // namespace

RegistryStore& registryStore() {
  Machine& machine = Machine::instance();
  RegistryLayout layout = layoutOf(machine);
  std::unique_ptr<RegistryStore>& store = currentStore();
  if (store && (store->folder() != machine.folder() || !(store->layout() == layout) ||
                !store->stillOpenedOnDisk())) {
    store.reset();
  }
  if (!store) store.reset(new RegistryStore(machine.folder(), layout));
  return *store;
}

void flushRegistry() {
  std::unique_ptr<RegistryStore>& store = currentStore();
  if (store && store->stillOpenedOnDisk()) store->flush();
  store.reset();
}

}  // namespace Posix
