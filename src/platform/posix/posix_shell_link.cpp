// Placeholder until this component is built; every call fails.
#include "platform/platform_shell_link.h"


namespace Platform {

std::unique_ptr<ShellLink> createShellLink() { return nullptr; }
bool toWide(const std::string&, size_t, std::u16string*) { return false; }

}  // namespace Platform
