#include "actions/shell_links.h"

#include "driver/throwable.h"
#include "platform/platform_files.h"
#include "platform/platform_shell_link.h"

namespace ShellLinks {

// The platform object releases its interfaces (IPersistFile first, then the
// shell link) when it goes out of scope, so every throw below leaves nothing
// behind. Only S_OK counts as success for SetPath and SetIconLocation: a
// target that does not exist answers S_FALSE and is refused here. Every
// failing result of Save is refused, not only E_FAIL, so that a link that
// was not written is never reported as made.
void createLink(const std::string& link, const std::string& target, const std::string& icon) {
  const std::string failure = "Unable to create link:" + link;
  std::unique_ptr<Platform::ShellLink> shellLink = Platform::createShellLink();
  if (!shellLink) throw ShellLinksException(failure);
  if (shellLink->setPath(target) != 0) throw ShellLinksException(failure);
  if (!icon.empty() && shellLink->setIconLocation(icon, 0) != 0) {
    throw ShellLinksException(failure);
  }
  if (!shellLink->queryPersistFile()) throw ShellLinksException(failure);
  if (shellLink->save(linkFilePath(link)) < 0) throw ShellLinksException(failure);
}

std::u16string linkFilePath(const std::string& link) {
  std::u16string widePath;
  if (!Platform::toWide(link, Platform::kMaxPath, &widePath)) {
    throw ShellLinksException("Unable to create link:" + link);
  }
  return widePath;
}

}  // namespace ShellLinks
