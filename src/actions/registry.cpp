#include "actions/registry.h"

#include "actions/registry_text.h"
#include "driver/throwable.h"
#include "system/system.h"

namespace Registry {

namespace {

// Owns one open key: the destructor closes it on the paths that leave by an
// exception, where a second failure could not be reported anyway; close()
// is the checked close of the normal path.
class OpenedKey {
 public:
  explicit OpenedKey(Platform::RegHandle handle) : handle_(handle) {}
  OpenedKey(const std::string& key, uint32_t access) : handle_(openKey(key, access)) {}
  ~OpenedKey() {
    if (handle_ != 0) Platform::regCloseKey(handle_);
  }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;

  Platform::RegHandle get() const { return handle_; }
  void close() { closeKey(&handle_); }

 private:
  Platform::RegHandle handle_;
};

std::string valueLabel(const std::string& key, const std::string& name) {
  return "[" + key + "]:" + name;
}

}  // namespace

Platform::RegHandle openKey(const std::string& key, uint32_t access) {
  std::string rootName;
  std::string subkey;
  splitKeyPath(key, &rootName, &subkey);
  Platform::RegHandle root = rootKey(rootName);
  Platform::RegHandle handle = 0;
  if (Platform::regOpenKey(root, subkey, access, &handle) != Platform::kErrorSuccess) {
    throw RegistryException("Unable to open registry key: " + key);
  }
  return handle;
}

void closeKey(Platform::RegHandle* key) {
  Platform::RegHandle handle = *key;
  *key = 0;
  if (Platform::regCloseKey(handle) != Platform::kErrorSuccess) {
    throw RegistryException("Unable to close registry key.");
  }
}

void createKey(const std::string& key) {
  std::string rootName;
  std::string subkey;
  splitKeyPath(key, &rootName, &subkey);
  Platform::RegHandle root = rootKey(rootName);
  Platform::RegHandle handle = 0;
  if (Platform::regCreateKey(root, subkey, &handle) != Platform::kErrorSuccess) {
    throw RegistryException("Unable to create new key: " + key);
  }
  OpenedKey(handle).close();
}

bool keyHasSubkeys(Platform::RegHandle key) {
  uint32_t count = 0;
  if (Platform::regQuerySubkeyCount(key, &count) != Platform::kErrorSuccess) {
    throw RegistryException("Unable to determine if key has subkeys.");
  }
  return count > 0;
}

void deleteSubkeys(Platform::RegHandle key) {
  std::string name;
  for (;;) {
    long result = Platform::regEnumKey(key, 0, &name);
    if (result == Platform::kErrorNoMoreItems) return;
    if (result != Platform::kErrorSuccess) throw RegistryException("Unable to delete subkeys.");

    Platform::RegHandle handle = 0;
    if (Platform::regOpenKey(key, name, Platform::kKeyEnumerateSubKeys, &handle) !=
        Platform::kErrorSuccess) {
      throw RegistryException("Unable to delete subkeys.");
    }
    OpenedKey subkey(handle);
    deleteSubkeys(subkey.get());
    subkey.close();
    if (Platform::regDeleteKey(key, name) != Platform::kErrorSuccess) {
      throw RegistryException("Unable to delete subkeys.");
    }
  }
}

// Deleting a root key is refused before anything below it is touched.
void deleteKey(const std::string& key) {
  checkKeyDeletion(key);
  if (!keyExists(key)) return;

  std::string rootName;
  std::string subkey;
  splitKeyPath(key, &rootName, &subkey);

  OpenedKey opened(key, Platform::kKeyQueryValue | Platform::kKeyEnumerateSubKeys);
  if (System::osType() == WindowsNT && keyHasSubkeys(opened.get())) deleteSubkeys(opened.get());
  opened.close();

  if (Platform::regDeleteKey(rootKey(rootName), subkey) != Platform::kErrorSuccess) {
    throw RegistryException("Unable to delete key: " + key);
  }
}

bool keyExists(const std::string& key) {
  try {
    OpenedKey(key, Platform::kKeyQueryValue).close();
    return true;
  } catch (const Exception&) {
    return false;
  }
}

bool valueExists(const std::string& key, const std::string& name) {
  Platform::RegHandle handle = 0;
  try {
    handle = openKey(key, Platform::kKeyQueryValue);
  } catch (const Exception&) {
    return false;
  }
  OpenedKey opened(handle);
  uint32_t type = 0;
  bool exists =
      Platform::regQueryValue(opened.get(), name, &type, nullptr) == Platform::kErrorSuccess;
  opened.close();
  return exists;
}

std::string getValueText(const std::string& key, const std::string& name, uint32_t* type) {
  OpenedKey opened(key, Platform::kKeyQueryValue);
  uint32_t valueType = 0;
  std::vector<unsigned char> data;
  if (Platform::regQueryValue(opened.get(), name, &valueType, nullptr) != Platform::kErrorSuccess ||
      Platform::regQueryValue(opened.get(), name, &valueType, &data) != Platform::kErrorSuccess) {
    throw RegistryException("Unable to get registry value: " + valueLabel(key, name));
  }
  opened.close();

  std::string text;
  if (!toText(valueType, data, &text)) {
    throw RegistryException("Unsupported type for the registry value: " + valueLabel(key, name));
  }
  if (type != nullptr) *type = valueType;
  return text;
}

// The text is converted before the key is opened, so a malformed text
// leaves the registry untouched.
void setValue(const std::string& key, const std::string& name, uint32_t type,
              const std::string& text) {
  std::vector<unsigned char> data;
  if (!fromText(type, text, &data)) {
    throw RegistryException("Unable to set registry value: " + valueLabel(key, name));
  }
  OpenedKey opened(key, Platform::kKeySetValue);
  if (Platform::regSetValue(opened.get(), name, type, data) != Platform::kErrorSuccess) {
    throw RegistryException("Unable to set registry value: " + valueLabel(key, name));
  }
  opened.close();
}

void deleteValue(const std::string& key, const std::string& name) {
  if (!valueExists(key, name)) return;
  OpenedKey opened(key, Platform::kKeySetValue);
  if (Platform::regDeleteValue(opened.get(), name) != Platform::kErrorSuccess) {
    throw RegistryException("Unable to delete registry value: " + valueLabel(key, name));
  }
  opened.close();
}

}  // namespace Registry
