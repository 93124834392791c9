#ifndef TARNWICK_ACTIONS_REGISTRY_TEXT_H_
#define TARNWICK_ACTIONS_REGISTRY_TEXT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform_registry.h"

// The parts of Registry that do not touch the registry: key paths, the
// root-name table and the text forms of values.
namespace Registry {

// Splits a key path at its first '\' into the root key name and the subkey
// path; a path without '\' is all root key name with an empty subkey path.
void splitKeyPath(const std::string& key, std::string* root, std::string* subkey);

// The platform key of one of the seven root key names (compared exactly,
// case included). Throws RegistryException
// "Unknown root key encountered: " + name for any other name.
Platform::RegHandle rootKey(const std::string& name);

// True for one of the seven root key names.
bool isRootKeyName(const std::string& name);

// Refuses to delete a root key itself (one of the seven names alone, or
// followed by separators only): one empty alias must not wipe a whole hive.
// Throws RegistryException "Unable to delete key: " + key.
void checkKeyDeletion(const std::string& key);

// The text form of a REG_SZ, REG_DWORD or REG_BINARY value: the string up to
// its first NUL in double quotes, eight lowercase hexadecimal digits, or
// comma-separated two-digit bytes. Returns false for any other type.
bool toText(uint32_t type, const std::vector<unsigned char>& data, std::string* text);

// The data a text form stands for (the inverse of toText). Throws
// RegistryException "Malformed DWORD string: " + text or
// "Malformed binary string: " + text. Returns false for a type other than
// the three above.
bool fromText(uint32_t type, const std::string& text, std::vector<unsigned char>* data);

}  // namespace Registry

#endif  // TARNWICK_ACTIONS_REGISTRY_TEXT_H_
