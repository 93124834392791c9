// The registry calls over the machine's emulated registry (registry_store.h).
#include "platform/platform_registry.h"
#include "platform/posix/registry_store.h"

namespace Platform {

namespace {

// The A functions see names only up to their first NUL. A name with a NUL
// inside is refused, as the Win32 platform does, so that no call acts on a
// shorter name than its caller reports (emptying "Software" for
// "Software<NUL>\old").
bool hasNul(const std::string& name) { return name.find('\0') != std::string::npos; }

}  // namespace

long regCreateKey(RegHandle parent, const std::string& subkey, RegHandle* result) {
  if (hasNul(subkey)) return Posix::kErrorInvalidParameter;
  // As the Win32 platform asks RegCreateKeyExA: the key is opened for querying.
  return Posix::registryStore().createKey(parent, subkey, kKeyQueryValue, result);
}

long regOpenKey(RegHandle parent, const std::string& subkey, uint32_t access, RegHandle* result) {
  if (hasNul(subkey)) return Posix::kErrorInvalidParameter;
  return Posix::registryStore().openKey(parent, subkey, access, result);
}

long regCloseKey(RegHandle key) { return Posix::closeRegistryKey(key); }

long regDeleteKey(RegHandle parent, const std::string& subkey) {
  if (hasNul(subkey)) return Posix::kErrorInvalidParameter;
  return Posix::registryStore().deleteKey(parent, subkey);
}

long regEnumKey(RegHandle key, uint32_t index, std::string* name) {
  return Posix::registryStore().enumKey(key, index, name);
}

long regQuerySubkeyCount(RegHandle key, uint32_t* count) {
  return Posix::registryStore().querySubkeyCount(key, count);
}

long regQueryValue(RegHandle key, const std::string& name, uint32_t* type,
                   std::vector<unsigned char>* data) {
  if (hasNul(name)) return Posix::kErrorInvalidParameter;
  return Posix::registryStore().queryValue(key, name, type, data);
}

long regSetValue(RegHandle key, const std::string& name, uint32_t type,
                 const std::vector<unsigned char>& data) {
  if (hasNul(name)) return Posix::kErrorInvalidParameter;
  return Posix::registryStore().setValue(key, name, type, data);
}

long regDeleteValue(RegHandle key, const std::string& name) {
  if (hasNul(name)) return Posix::kErrorInvalidParameter;
  return Posix::registryStore().deleteValue(key, name);
}

}  // namespace Platform
