#include "platform/posix/windows_names.h"

#include <algorithm>
#include <vector>

#include "platform/windows_text.h"

namespace Posix {
namespace WindowsNames {

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
    const std::string name = path.substr(start, end - start);
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

// FindFirstFileA's matching, memoised over (pattern position, name
// position) so that a pattern of many stars costs polynomial time.
class WildcardMatcher {
 public:
  WildcardMatcher(const std::string& pattern, const std::string& name)
      : pattern_(pattern), name_(name), memo_((pattern.size() + 1) * (name.size() + 1), 0) {}

  bool matches() { return match(0, 0); }

 private:
  bool match(size_t p, size_t n) {
    char& known = memo_[p * (name_.size() + 1) + n];
    if (known == 0) known = compute(p, n) ? 1 : 2;
    return known == 1;
  }

  bool compute(size_t p, size_t n) {
    const bool nameEnded = n == name_.size();
    if (p == pattern_.size()) return nameEnded;
    const char c = pattern_[p];
    if (c == '*') return match(p + 1, n) || (!nameEnded && match(p, n + 1));
    if (c == '?') {
      // At a dot or at the end '?' matches nothing; it never takes the dot.
      if (nameEnded || name_[n] == '.') return match(p + 1, n);
      return match(p + 1, n + 1);
    }
    if (c == '.' && p + 1 < pattern_.size() && (pattern_[p + 1] == '*' || pattern_[p + 1] == '?')) {
      if (nameEnded) return match(p + 1, n);
      return name_[n] == '.' && match(p + 1, n + 1);
    }
    return !nameEnded && toUpper(c) == toUpper(name_[n]) && match(p + 1, n + 1);
  }

  const std::string& pattern_;
  const std::string& name_;
  std::vector<char> memo_;
};

}  // namespace

bool fullPath(const std::string& path, const std::string& currentDirectory, std::string* full) {
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

bool isValidNewPath(const std::string& full) {
  for (size_t i = 2; i < full.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(full[i]);
    if (c < 0x20 || std::string("<>:\"|?*").find(static_cast<char>(c)) != std::string::npos) {
      return false;
    }
  }
  return true;
}

bool matchesWildcard(const std::string& pattern, const std::string& name) {
  return WildcardMatcher(pattern, name).matches();
}

std::string folded(const std::string& name) {
  std::string result = name;
  for (char& c : result) c = toUpper(c);
  return result;
}

bool lessInFolderOrder(const std::string& a, const std::string& b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    const unsigned char x = static_cast<unsigned char>(toUpper(a[i]));
    const unsigned char y = static_cast<unsigned char>(toUpper(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

}  // namespace WindowsNames
}  // namespace Posix
