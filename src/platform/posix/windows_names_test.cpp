#include "platform/posix/windows_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace Posix {
namespace WindowsNames {
namespace {

TEST(WindowsNamesTest, NewNamesCannotHoldWhatWindowsRefuses) {
  EXPECT_TRUE(isValidNewPath("C:\\a b\\c.d-e_f\xe9"));
  for (const char* bad : {"C:\\a<b", "C:\\a>b", "C:\\a:b", "C:\\a\"b", "C:\\a|b", "C:\\a?b",
                          "C:\\a*b", "C:\\a\tb", "C:\\a\x1f"}) {
    EXPECT_FALSE(isValidNewPath(bad)) << bad;
  }
}

// Windows is the reference. Known differences of Wine 8: "ab?" finds only
// "abc" (Windows also "ab"), "a?txt" finds "a.txt" ('?' takes the dot).
TEST(WindowsNamesTest, WildcardsMatchAsFindFirstFileDoes) {
  const std::vector<std::string> names = {"README", "a.txt", "B.TXT", "a.txt.bak", "ab", "abc"};
  auto matching = [&](const std::string& pattern) {
    std::vector<std::string> found;
    for (const std::string& name : names) {
      if (matchesWildcard(pattern, name)) found.push_back(name);
    }
    return found;
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ(names, matching("*"));
  EXPECT_EQ(names, matching("*.*"));
  EXPECT_EQ((Names{"a.txt", "B.TXT"}), matching("*.TXT"));
  EXPECT_EQ((Names{"a.txt", "B.TXT"}), matching("*.tx?"));
  EXPECT_EQ((Names{"ab", "abc"}), matching("ab?"));
  EXPECT_EQ((Names{"README"}), matching("readme.*"));
  EXPECT_EQ((Names{"ab"}), matching("a?"));
  EXPECT_EQ((Names{}), matching("a?txt"));
  EXPECT_EQ((Names{}), matching(""));
  // Many stars cost polynomial time, not exponential.
  EXPECT_FALSE(matchesWildcard(std::string(60, '*') + "x", std::string(200, 'a')));
}

TEST(WindowsNamesTest, FolderOrderIgnoresCaseAndNeverTies) {
  std::vector<std::string> names = {"b", "_", "B", "a", "A", "ab", "\xe9"};
  std::sort(names.begin(), names.end(), lessInFolderOrder);
  EXPECT_EQ((std::vector<std::string>{"A", "a", "ab", "B", "b", "_", "\xe9"}), names);
  EXPECT_EQ(folded("Ab_c\xe9"), folded("aB_C\xe9"));
  EXPECT_EQ("AB_C\xe9", folded("aB_c\xe9"));
}

}  // namespace
}  // namespace WindowsNames
}  // namespace Posix
