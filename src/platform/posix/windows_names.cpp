#include "platform/posix/windows_names.h"

#include <algorithm>
#include <vector>

#include "platform/windows_text.h"

namespace Posix {
namespace WindowsNames {

namespace {

using WindowsText::toUpper;

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

// The part below the root with separators collapsed, "." and ".." resolved
// and the trailing dots and blanks of the last name gone.
std::string collapse(const std::string& rest) {
  std::vector<std::string> parts;
  bool endsInName = false;  // the last component is a name, not "", "." or ".."
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('\\', start);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(start, end - start);
    endsInName = !part.empty() && part != "." && part != "..";
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (endsInName) {
      parts.push_back(part);
    }
    start = end + 1;
  }
  if (endsInName) {
    std::string& last = parts.back();
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
    if (last.empty()) parts.pop_back();
  }
  std::string result;
  for (const std::string& part : parts) result += "\\" + part;
  if (parts.empty() || rest.back() == '\\') result += "\\";
  return result;
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
