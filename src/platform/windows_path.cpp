#include "platform/windows_path.h"

#include <algorithm>
#include <string_view>

#include "platform/windows_text.h"

namespace Platform {

namespace {

using WindowsText::toUpper;

// Whether fullPath would return the path unchanged: a drive, a root and
// names, none empty, "." or "..", no '/', no inner name ending in a dot and
// no dot or blank at the very end. Paths are made full again by every call
// below the one that made them full first, so this shortcut pays.
bool isFullForm(const std::string& path) {
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return false;
  if (path.find('/') != std::string::npos) return false;
  if (path.size() > 3 && (path.back() == '.' || path.back() == ' ')) return false;
  size_t start = 3;
  while (start < path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    const std::string_view name(path.data() + start, end - start);
    if (name.empty() || name == "." || name == ".." || (end < path.size() && name.back() == '.')) {
      return false;
    }
    start = end + 1;
  }
  return true;
}

// Splits `text` ('\' separators only) into its root ("C:", or "\" for UNC
// paths) and the part below it, which starts with '\': drive-relative and
// relative forms take their directory from `current`.
void splitRoot(const std::string& text, const std::string& current, std::string* root,
               std::string* rest) {
  if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
    *root = "\\";
    *rest = text.substr(1);
  } else if (text.size() >= 2 && text[1] == ':') {
    *root = text.substr(0, 2);
    *rest = text.substr(2);
    const bool onCurrentDrive = current.size() >= 2 && toUpper(current[0]) == toUpper(text[0]);
    if (rest->empty() || (*rest)[0] != '\\') {
      *rest = (onCurrentDrive ? current.substr(2) : "") + "\\" + *rest;
    }
  } else {
    *root = current.substr(0, 2);
    *rest = text[0] == '\\' ? text : current.substr(2) + "\\" + text;
  }
}

// Where the name before `end` (a separator or the end) starts, in a path
// whose first character is the root's '\\'.
size_t nameStart(const std::string& path, size_t end) {
  while (end > 1 && path[end - 1] != '\\') --end;
  return end;
}

// Resolves a "." or ".." name at `at`, the start of a name: true when it was
// one and the path changed (`at` is then where to go on), false for a name
// that only begins with a dot.
bool resolveDots(std::string* path, size_t* at) {
  auto charAt = [&](size_t i) { return i < path->size() ? (*path)[i] : '\0'; };
  const char next = charAt(*at + 1);
  const char after = next == '.' ? charAt(*at + 2) : '\0';
  size_t from = *at;
  if (next == '\\') {
    path->erase(*at, 2);
  } else if (next == '\0') {
    // A final "." goes with its separator, but never with the root's.
    if (from > 1) --from;
    path->erase(from);
  } else if (next == '.' && (after == '\\' || after == '\0')) {
    // ".." takes the name before it along; a final one its separator too.
    if (from > 1) from = nameStart(*path, from - 1);
    if (after == '\0' && from > 1) --from;
    path->erase(from, after == '\\' ? *at + 3 - from : std::string::npos);
  } else {
    return false;
  }
  *at = from;
  return true;
}

// The part below the root, which starts with its '\\', cleaned up as
// GetFullPathNameA does it (and as Wine does it step by step): separators
// collapse, "." and ".." names resolve without climbing above the root, an
// inner name ending in a dot loses that one dot ("trail.\\x" is "trail\\x",
// "trail..\\x" is "trail.\\x") and keeps its blanks, and dots and blanks go
// at the end of the whole path only.
std::string collapse(const std::string& rest) {
  std::string path;
  for (char c : rest) {
    if (c != '\\' || path.empty() || path.back() != '\\') path += c;
  }
  size_t at = 1;
  while (at < path.size()) {
    if (path[at] == '.' && resolveDots(&path, &at)) continue;
    const size_t end = std::min(path.find('\\', at), path.size());
    if (end == path.size()) break;
    if (end > 1 && path[end - 1] == '.') {
      path.erase(end - 1, 1);
      at = end;
    } else {
      at = end + 1;
    }
  }
  size_t end = path.size();
  while (end > 1 && (path[end - 1] == '.' || path[end - 1] == ' ')) --end;
  path.erase(end);
  return path;
}

}  // namespace

bool resolveFullPath(const std::string& path, const std::string& currentDirectory,
                     std::string* full) {
  // A host call sees a path only up to its first NUL: a path with a NUL
  // inside would act on a shorter path than the one its caller reports
  // (deleting C:\App for C:\App<NUL>\old), so it resolves to nothing.
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  if (isFullForm(path)) {
    *full = path;
    return true;
  }
  std::string text = path;
  std::replace(text.begin(), text.end(), '/', '\\');
  std::string root;
  std::string rest;
  splitRoot(text, currentDirectory, &root, &rest);
  *full = root + collapse(rest);
  return true;
}

}  // namespace Platform
