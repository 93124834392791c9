#include "platform/posix/windows_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace Posix {
namespace WindowsNames {
namespace {

// Paths made full as if the current directory were C:\scratch.
std::string full(const std::string& path) {
  std::string result;
  EXPECT_TRUE(fullPath(path, "C:\\scratch", &result)) << path;
  return result;
}

TEST(WindowsNamesTest, FullPathFollowsWindowsRules) {
  const std::pair<const char*, const char*> paths[] = {
      {"a/b", "C:\\scratch\\a\\b"},
      {"\\x", "C:\\x"},
      {"C:x", "C:\\scratch\\x"},
      {"Z:x", "Z:\\x"},
      {"C:\\a\\\\b\\", "C:\\a\\b\\"},
      {"C:\\a\\b\\..", "C:\\a"},
      {"C:\\a\\b\\..\\", "C:\\a\\"},
      {"C:\\..\\..\\", "C:\\"},
      {"C:\\..", "C:\\"},
      {".", "C:\\scratch"},
      {"..", "C:\\"},
      {"c:\\a\\b", "c:\\a\\b"},
      {"C:\\a/b", "C:\\a\\b"},
      {"C:\\a\\.\\b", "C:\\a\\b"},
  };
  for (const auto& path : paths) EXPECT_EQ(path.second, full(path.first)) << path.first;
  std::string unused;
  EXPECT_FALSE(fullPath("", "C:\\scratch", &unused));
  EXPECT_FALSE(fullPath(std::string("C:\\a\0b", 6), "C:\\scratch", &unused));
}

// What GetFullPathNameA makes of dots and blanks at the ends of names, as
// Wine 8 answers: an inner name loses one final dot and keeps its blanks,
// the whole path loses its final dots and blanks.
TEST(WindowsNamesTest, DotsAndBlanksEndingNamesGoAsGetFullPathNameDropsThem) {
  const std::pair<const char*, const char*> paths[] = {
      {"C:\\dt\\trail.\\inner", "C:\\dt\\trail\\inner"},
      {"C:\\dt\\trail..\\x", "C:\\dt\\trail.\\x"},
      {"C:\\dt\\trail \\x", "C:\\dt\\trail \\x"},
      {"C:\\a.\\", "C:\\a\\"},
      {"C:\\a\\b. \\c", "C:\\a\\b. \\c"},
      {"C:\\a\\b .\\c", "C:\\a\\b \\c"},
      {"C:\\a\\ \\b", "C:\\a\\ \\b"},
      {"C:\\a\\name. . ", "C:\\a\\name"},
      {"C:\\a\\ . ", "C:\\a\\"},
      {"C:\\a\\. ", "C:\\a\\"},
      {"C:\\.. ", "C:\\"},
      {"C:\\a\\..\\..\\b.", "C:\\b"},
      {"C:\\a\\.\\.\\b\\.", "C:\\a\\b"},
      {"C:\\a\\x.\\..\\y", "C:\\a\\y"},
      {"C:\\a\\b\\...", "C:\\a\\b\\"},
      {"C:\\a\\....\\b", "C:\\a\\...\\b"},
      {"C:\\a\\.. \\b", "C:\\a\\.. \\b"},
      {"C:\\a\\ ..\\b", "C:\\a\\ .\\b"},
      // Three dots leave a name "..", which names nothing (HostMapping
      // refuses it); resolved once more it climbs.
      {"C:\\a\\...\\b", "C:\\a\\..\\b"},
      {"C:\\...\\b", "C:\\..\\b"},
      {"C:\\a\\...\\..\\b", "C:\\a\\b"},
  };
  for (const auto& path : paths) EXPECT_EQ(path.second, full(path.first)) << path.first;
}

// A path already in full form is returned as it is (a shortcut), and every
// full path stays what it is when made full again.
TEST(WindowsNamesTest, FullPathOfAFullPathIsItself) {
  for (const char* path : {"C:\\", "c:\\a\\b", "C:\\a\\b\\", "C:\\a.\\b", "C:\\a.\\", "C:\\a.b",
                           "Z:\\x y\\z", "C:\\a\\\\b", "C:\\a\\.\\b", "C:\\a\\..\\b", "C:\\a/b",
                           "C:\\a\\b.", "C:\\a\\b ", "C:\\a\\...", "C:\\..", "C:\\.\\", "C:a"}) {
    const std::string once = full(path);
    EXPECT_EQ(once, full(once)) << path;
  }
}

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
