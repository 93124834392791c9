// Placeholder until this component is built; every call fails.
#include "actions/shell_links.h"

#include "driver/throwable.h"

namespace ShellLinks {

void createLink(const std::string& link, const std::string&, const std::string&) { throw ShellLinksException("Unable to create link:" + link); }

}  // namespace ShellLinks
