#ifndef TARNWICK_ACTIONS_REGISTRY_H_
#define TARNWICK_ACTIONS_REGISTRY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform_registry.h"

// Reading and changing the registry through key paths such as
// "HKEY_LOCAL_MACHINE\Software\Example" and values in their text forms.
// Every failure throws RegistryException; every key opened is closed before
// an operation returns.
namespace Registry {

// Creates the key and any missing keys above it; an existing key is no
// error. Throws "Unable to create new key: " + key.
void createKey(const std::string& key);
// Deletes the key with its subkeys and values; a missing key is no error.
// A root key alone is refused with "Unable to delete key: " + key before
// anything below it is touched. On the NT family the subkeys are deleted
// here first; on the others the platform takes them along.
void deleteKey(const std::string& key);
// True when the key can be opened; never throws.
bool keyExists(const std::string& key);
// True when the key can be opened and the value queried.
bool valueExists(const std::string& key, const std::string& name);
// The value in its text form; `type` (when given) receives its type. Throws
// "Unable to get registry value: [" + key + "]:" + name, or "Unsupported
// type for the registry value: ..." for a type other than REG_SZ,
// REG_DWORD and REG_BINARY.
std::string getValueText(const std::string& key, const std::string& name, uint32_t* type = nullptr);
// Stores the value converted from its text form (registry_text.h) in an
// existing key; a malformed text throws before the key is opened. Throws
// "Unable to set registry value: [" + key + "]:" + name when the write is
// refused or `type` is none of the three text-form types.
void setValue(const std::string& key, const std::string& name, uint32_t type,
              const std::string& text);
// Deletes the value; a missing value (or key) is no error. Throws "Unable
// to delete registry value: [" + key + "]:" + name when refused.
void deleteValue(const std::string& key, const std::string& name);

// Opens the key with the rights asked for. Throws "Unknown root key
// encountered: " + root name or "Unable to open registry key: " + key.
Platform::RegHandle openKey(const std::string& key, uint32_t access);
// Closes the handle and clears it (also when the platform refuses, which
// throws "Unable to close registry key.").
void closeKey(Platform::RegHandle* key);

// Whether the open key has at least one subkey. Throws "Unable to determine
// if key has subkeys." when the count cannot be read.
bool keyHasSubkeys(Platform::RegHandle key);
// Deletes every subkey of the open key, depth first. Throws "Unable to
// delete subkeys." when one cannot be enumerated, opened or deleted; the
// subkeys deleted until then stay deleted.
void deleteSubkeys(Platform::RegHandle key);

}  // namespace Registry

#endif  // TARNWICK_ACTIONS_REGISTRY_H_
