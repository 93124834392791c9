// The registry calls on the real Windows API. Handles travel as RegHandle
// and result codes are Win32's own.
#include <windows.h>

#include "platform/platform_registry.h"

namespace Platform {

namespace {

// The predefined keys are sign-extended 32-bit values (0xFFFFFFFF80000000
// on 64-bit Windows); RegHandle keeps their 32-bit form, so those are
// mapped here. Every other handle is the HKEY the system gave us.
HKEY toHkey(RegHandle handle) {
  switch (handle) {
    case kHkeyClassesRoot:
      return HKEY_CLASSES_ROOT;
    case kHkeyCurrentUser:
      return HKEY_CURRENT_USER;
    case kHkeyLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case kHkeyUsers:
      return HKEY_USERS;
    case kHkeyPerformanceData:
      return HKEY_PERFORMANCE_DATA;
    case kHkeyCurrentConfig:
      return HKEY_CURRENT_CONFIG;
    case kHkeyDynData:
      return HKEY_DYN_DATA;
    default:
      return reinterpret_cast<HKEY>(handle);
  }
}

RegHandle toHandle(HKEY key) { return reinterpret_cast<RegHandle>(key); }

// The API sees a name only up to its first NUL: a name with a NUL inside is
// refused, so that no call acts on a shorter path than its caller reports
// (emptying "Software" for "Software<NUL>\old").
bool hasNul(const std::string& name) { return name.find('\0') != std::string::npos; }

// Key names are never empty, so a subkey path may neither start with '\'
// nor hold two in a row (one at the end is tolerated). Windows refuses such
// paths only when the key is not in its cache and Wine quietly collapses
// the separators; refusing them here gives one answer everywhere.
bool isMalformedSubkey(const std::string& subkey) {
  return (!subkey.empty() && subkey[0] == '\\') || subkey.find("\\\\") != std::string::npos ||
         hasNul(subkey);
}

// The type and size of a value, without its data.
long querySize(HKEY key, const std::string& name, DWORD* type, DWORD* size) {
  return RegQueryValueExA(key, name.c_str(), nullptr, type, nullptr, size);
}

// Reads the data of a value whose size was `size` a moment ago. A value that
// grew in between is read again with a larger buffer; the attempts are
// bounded, since some keys (HKEY_PERFORMANCE_DATA) never report a size
// that is enough.
long readData(HKEY key, const std::string& name, DWORD* type, DWORD size,
              std::vector<unsigned char>* data) {
  const int kAttempts = 8;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    data->assign(size, 0);
    // Never a null buffer: that would be a size query again.
    BYTE none = 0;
    DWORD read = size;
    long status =
        RegQueryValueExA(key, name.c_str(), nullptr, type, size ? data->data() : &none, &read);
    if (status != ERROR_MORE_DATA) {
      if (status == ERROR_SUCCESS) data->resize(read);
      return status;
    }
    size = read > size ? read : size * 2 + 256;
  }
  return ERROR_MORE_DATA;
}

}  // namespace

long regCreateKey(RegHandle parent, const std::string& subkey, RegHandle* result) {
  if (isMalformedSubkey(subkey)) return ERROR_BAD_PATHNAME;
  HKEY key = nullptr;
  long status = RegCreateKeyExA(toHkey(parent), subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_QUERY_VALUE, nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS) *result = toHandle(key);
  return status;
}

long regOpenKey(RegHandle parent, const std::string& subkey, uint32_t access, RegHandle* result) {
  if (isMalformedSubkey(subkey)) return ERROR_BAD_PATHNAME;
  HKEY key = nullptr;
  long status = RegOpenKeyExA(toHkey(parent), subkey.c_str(), 0, access, &key);
  if (status == ERROR_SUCCESS) *result = toHandle(key);
  return status;
}

long regCloseKey(RegHandle key) { return RegCloseKey(toHkey(key)); }

long regDeleteKey(RegHandle parent, const std::string& subkey) {
  if (isMalformedSubkey(subkey)) return ERROR_BAD_PATHNAME;
  return RegDeleteKeyA(toHkey(parent), subkey.c_str());
}

long regEnumKey(RegHandle key, uint32_t index, std::string* name) {
  char buffer[MAX_PATH + 1];  // 261: the longest key name and its terminator
  long status = RegEnumKeyA(toHkey(key), index, buffer, sizeof(buffer));
  if (status == ERROR_SUCCESS) name->assign(buffer);
  return status;
}

long regQuerySubkeyCount(RegHandle key, uint32_t* count) {
  DWORD subkeys = 0;
  long status = RegQueryInfoKeyA(toHkey(key), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) *count = subkeys;
  return status;
}

long regQueryValue(RegHandle key, const std::string& name, uint32_t* type,
                   std::vector<unsigned char>* data) {
  if (hasNul(name)) return ERROR_INVALID_PARAMETER;
  HKEY hkey = toHkey(key);
  DWORD valueType = REG_NONE;
  DWORD size = 0;
  long status = querySize(hkey, name, &valueType, &size);
  if (status == ERROR_SUCCESS && data != nullptr)
    status = readData(hkey, name, &valueType, size, data);
  if (status == ERROR_SUCCESS && type != nullptr) *type = valueType;
  return status;
}

long regSetValue(RegHandle key, const std::string& name, uint32_t type,
                 const std::vector<unsigned char>& data) {
  if (hasNul(name)) return ERROR_INVALID_PARAMETER;
  return RegSetValueExA(toHkey(key), name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                        static_cast<DWORD>(data.size()));
}

long regDeleteValue(RegHandle key, const std::string& name) {
  if (hasNul(name)) return ERROR_INVALID_PARAMETER;
  return RegDeleteValueA(toHkey(key), name.c_str());
}

}  // namespace Platform
