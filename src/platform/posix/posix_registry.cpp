// Placeholder until this component is built; every call fails.
#include "platform/platform_registry.h"


namespace Platform {

long regCreateKey(RegHandle, const std::string&, RegHandle*) { return kErrorAccessDenied; }
long regOpenKey(RegHandle, const std::string&, uint32_t, RegHandle*) { return kErrorFileNotFound; }
long regCloseKey(RegHandle) { return kErrorSuccess; }
long regDeleteKey(RegHandle, const std::string&) { return kErrorAccessDenied; }
long regEnumKey(RegHandle, uint32_t, std::string*) { return kErrorNoMoreItems; }
long regQuerySubkeyCount(RegHandle, uint32_t*) { return kErrorAccessDenied; }
long regQueryValue(RegHandle, const std::string&, uint32_t*, std::vector<unsigned char>*) { return kErrorFileNotFound; }
long regSetValue(RegHandle, const std::string&, uint32_t, const std::vector<unsigned char>&) { return kErrorAccessDenied; }
long regDeleteValue(RegHandle, const std::string&) { return kErrorFileNotFound; }

}  // namespace Platform
