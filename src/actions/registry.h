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

void createKey(const std::string& key);
// Deletes the key with its subkeys and values; a missing key is no error.
void deleteKey(const std::string& key);
bool keyExists(const std::string& key);
bool valueExists(const std::string& key, const std::string& name);
// The value in its text form; `type` (when given) receives its type.
std::string getValueText(const std::string& key, const std::string& name, uint32_t* type = nullptr);
void setValue(const std::string& key, const std::string& name, uint32_t type, const std::string& text);
void deleteValue(const std::string& key, const std::string& name);

Platform::RegHandle openKey(const std::string& key, uint32_t access);
void closeKey(Platform::RegHandle* key);

}  // namespace Registry

#endif  // TARNWICK_ACTIONS_REGISTRY_H_
