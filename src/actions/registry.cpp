// Placeholder until this component is built; every call fails.
#include "actions/registry.h"

#include "driver/throwable.h"

namespace Registry {

void createKey(const std::string&) { throw RegistryException("not built yet"); }
void deleteKey(const std::string&) { throw RegistryException("not built yet"); }
bool keyExists(const std::string&) { return false; }
bool valueExists(const std::string&, const std::string&) { return false; }
std::string getValueText(const std::string&, const std::string&, uint32_t*) { throw RegistryException("not built yet"); }
void setValue(const std::string&, const std::string&, uint32_t, const std::string&) { throw RegistryException("not built yet"); }
void deleteValue(const std::string&, const std::string&) { throw RegistryException("not built yet"); }
Platform::RegHandle openKey(const std::string&, uint32_t) { throw RegistryException("not built yet"); }
void closeKey(Platform::RegHandle*) {}

}  // namespace Registry
