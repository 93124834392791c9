#include "platform/windows_path.h"

#include <algorithm>
#include <string_view>

namespace Platform {

namespace {

char foldCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether fullPath would return the path unchanged: a drive, a root and
// names, none empty, "." or "..", no '/', and a last name (unless a
// separator ends the path) that does not end in a dot or blank. Paths are
// made full again by every call below the one that made them full first.
bool isFullForm(const std::string& path) {
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return false;
  if (path.find('/') != std::string::npos) return false;
  size_t start = 3;
  while (start < path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    const size_t length = end - start;
    if (length == 0 || path.compare(start, length, ".") == 0 ||
        path.compare(start, length, "..") == 0) {
      return false;
    }
    if (end == path.size() && (path[end - 1] == '.' || path[end - 1] == ' ')) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

// Built in one string, component by component, without copies of the
// components: every path the installer touches goes through here.
bool resolveFullPath(const std::string& path, const std::string& currentDirectory,
                     std::string* full) {
  if (path.empty()) return false;
  if (isFullForm(path)) {
    *full = path;
    return true;
  }
  std::string text = path;
  std::replace(text.begin(), text.end(), '/', '\\');

  std::string root;  // "C:" or "\\server" for UNC paths
  std::string rest;  // the part to resolve below the root
  if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
    root = "\\";
    rest = text.substr(1);
  } else if (text.size() >= 2 && text[1] == ':') {
    root = text.substr(0, 2);
    rest = text.substr(2);
    bool onCurrentDrive =
        currentDirectory.size() >= 2 && foldCase(currentDirectory[0]) == foldCase(root[0]);
    if (rest.empty() || rest[0] != '\\') {
      rest = (onCurrentDrive ? currentDirectory.substr(2) : "") + "\\" + rest;
    }
  } else {
    root = currentDirectory.substr(0, 2);
    rest = text[0] == '\\' ? text : currentDirectory.substr(2) + "\\" + text;
  }

  std::string& result = *full;
  result = root;
  result.reserve(root.size() + rest.size() + 1);
  bool endsInName = false;  // the last component is a name, not "", "." or ".."
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('\\', start);
    if (end == std::string::npos) end = rest.size();
    const std::string_view part(rest.data() + start, end - start);
    endsInName = !part.empty() && part != "." && part != "..";
    if (part == "..") {
      // Never above the root.
      if (result.size() > root.size()) result.resize(result.rfind('\\'));
    } else if (endsInName) {
      result += '\\';
      result.append(part.data(), part.size());
    }
    start = end + 1;
  }
  if (endsInName) {
    // Windows drops trailing dots and blanks of the last name; a name of
    // nothing else goes.
    size_t last = result.rfind('\\');
    size_t kept = result.size();
    while (kept > last + 1 && (result[kept - 1] == '.' || result[kept - 1] == ' ')) --kept;
    result.resize(kept == last + 1 ? last : kept);
  }
  bool trailingSeparator = !rest.empty() && rest.back() == '\\';
  if (result.size() == root.size() || trailingSeparator) result += '\\';
  return true;
}

}  // namespace Platform
