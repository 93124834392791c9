// The registry calls over the machine's emulated registry (registry_store.h).
#include "platform/platform_registry.h"
#include "platform/posix/registry_store.h"

namespace Platform {

namespace {

// The A functions see names up to their first NUL, as C strings.
std::string cString(const std::string& text) { return text.substr(0, text.find('\0')); }

}  // namespace

long regCreateKey(RegHandle parent, const std::string& subkey, RegHandle* result) {
  return Posix::registryStore().createKey(parent, cString(subkey), result);
}

long regOpenKey(RegHandle parent, const std::string& subkey, uint32_t access, RegHandle* result) {
  return Posix::registryStore().openKey(parent, cString(subkey), access, result);
}

long regCloseKey(RegHandle key) { return Posix::closeRegistryKey(key); }

long regDeleteKey(RegHandle parent, const std::string& subkey) {
  return Posix::registryStore().deleteKey(parent, cString(subkey));
}

long regEnumKey(RegHandle key, uint32_t index, std::string* name) {
  return Posix::registryStore().enumKey(key, index, name);
}

long regQuerySubkeyCount(RegHandle key, uint32_t* count) {
  return Posix::registryStore().querySubkeyCount(key, count);
}

long regQueryValue(RegHandle key, const std::string& name, uint32_t* type,
                   std::vector<unsigned char>* data) {
  return Posix::registryStore().queryValue(key, cString(name), type, data);
}

long regSetValue(RegHandle key, const std::string& name, uint32_t type,
                 const std::vector<unsigned char>& data) {
  return Posix::registryStore().setValue(key, cString(name), type, data);
}

long regDeleteValue(RegHandle key, const std::string& name) {
  return Posix::registryStore().deleteValue(key, cString(name));
}

}  // namespace Platform
