#include "platform/posix/windows_names.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/windows_text.h"

namespace Posix {
namespace WindowsNames {

namespace {

using WindowsText::toUpper;

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

bool isValidNewPath(const std::string& full) {
  for (size_t i = 2; i < full.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(full[i]);
    if (c < 0x20 ||
        std::string_view("<>:\"|?*").find(static_cast<char>(c)) != std::string_view::npos) {
      return false;
    }
  }
  return true;
}

bool matchesWildcard(const std::string& pattern, const std::string& name) {
  // What every listing of a whole folder asks, once per entry.
  if (pattern == "*") return true;
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
