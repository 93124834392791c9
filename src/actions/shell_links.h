#ifndef TARNWICK_ACTIONS_SHELL_LINKS_H_
#define TARNWICK_ACTIONS_SHELL_LINKS_H_

#include <string>

namespace ShellLinks {

// Writes a shortcut at `link` pointing at `target`, with `icon` (index 0)
// when it is not empty. Throws ShellLinksException "Unable to create link:"
// + link on any failure.
void createLink(const std::string& link, const std::string& target, const std::string& icon);

// The link file's path as the shell-link object saves it (wide, at most
// MAX_PATH units with the terminator). Throws ShellLinksException "Unable to
// create link:" + link when it does not fit.
std::u16string linkFilePath(const std::string& link);

}  // namespace ShellLinks

#endif  // TARNWICK_ACTIONS_SHELL_LINKS_H_
