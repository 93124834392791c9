#ifndef TARNWICK_PLATFORM_PLATFORM_REGISTRY_H_
#define TARNWICK_PLATFORM_PLATFORM_REGISTRY_H_

#include <cstdint>
#include <string>
#include <vector>

// The registry calls the installer makes, with Win32's handles, types and
// result codes: each returns 0 (ERROR_SUCCESS) or a Win32 error code.
namespace Platform {

using RegHandle = std::uintptr_t;

// The predefined root keys, with their Win32 handle values.
const RegHandle kHkeyClassesRoot = 0x80000000u;
const RegHandle kHkeyCurrentUser = 0x80000001u;
const RegHandle kHkeyLocalMachine = 0x80000002u;
const RegHandle kHkeyUsers = 0x80000003u;
const RegHandle kHkeyPerformanceData = 0x80000004u;
const RegHandle kHkeyCurrentConfig = 0x80000005u;
const RegHandle kHkeyDynData = 0x80000006u;

const uint32_t kKeyQueryValue = 0x0001;
const uint32_t kKeySetValue = 0x0002;
const uint32_t kKeyEnumerateSubKeys = 0x0008;

const uint32_t kRegSz = 1;
const uint32_t kRegBinary = 3;
const uint32_t kRegDword = 4;

const long kErrorSuccess = 0;
const long kErrorFileNotFound = 2;
const long kErrorAccessDenied = 5;
const long kErrorNoMoreItems = 259;

// RegCreateKeyExA: creates missing keys on the way.
long regCreateKey(RegHandle parent, const std::string& subkey, RegHandle* result);
// RegOpenKeyExA.
long regOpenKey(RegHandle parent, const std::string& subkey, uint32_t access, RegHandle* result);
// RegCloseKey.
long regCloseKey(RegHandle key);
// RegDeleteKeyA: on the NT family a key with subkeys is refused; on 95/98 it
// goes with its whole subtree.
long regDeleteKey(RegHandle parent, const std::string& subkey);
// RegEnumKeyA: kErrorNoMoreItems past the last subkey.
long regEnumKey(RegHandle key, uint32_t index, std::string* name);
// RegQueryInfoKeyA, the number of subkeys only.
long regQuerySubkeyCount(RegHandle key, uint32_t* count);
// RegQueryValueExA. With `data` null only the type and size are asked for.
long regQueryValue(RegHandle key, const std::string& name, uint32_t* type,
                   std::vector<unsigned char>* data);
// RegSetValueExA.
long regSetValue(RegHandle key, const std::string& name, uint32_t type,
                 const std::vector<unsigned char>& data);
// RegDeleteValueA.
long regDeleteValue(RegHandle key, const std::string& name);

}  // namespace Platform

#endif  // TARNWICK_PLATFORM_PLATFORM_REGISTRY_H_
