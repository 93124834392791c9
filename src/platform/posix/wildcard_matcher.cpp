#include "platform/posix/wildcard_matcher.h"

#include <vector>

namespace Posix {

namespace {

// Memoised over (pattern position, name position): '*' would otherwise try
// every split again and again.
class WildcardMatcher {
 public:
  WildcardMatcher(const std::string& pattern, const std::string& name)
      : pattern_(pattern), name_(name), memo_((pattern.size() + 1) * (name.size() + 1), 0) {}

  bool matches() { return match(0, 0); }

 private:
  static char fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

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
    return !nameEnded && fold(c) == fold(name_[n]) && match(p + 1, n + 1);
  }

  const std::string& pattern_;
  const std::string& name_;
  std::vector<char> memo_;
};

}  // namespace

bool matchesWildcard(const std::string& pattern, const std::string& name) {
  return WildcardMatcher(pattern, name).matches();
}

}  // namespace Posix
