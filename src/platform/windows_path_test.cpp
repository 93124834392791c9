#include "platform/windows_path.h"

#include <gtest/gtest.h>

namespace Platform {
namespace {

std::string full(const std::string& path, const std::string& current = "Z:\\media\\pkg") {
  std::string result;
  EXPECT_TRUE(resolveFullPath(path, current, &result)) << path;
  return result;
}

// The rules stand alone: no machine and no current directory of the
// process, only the one passed in.
TEST(WindowsPathTest, RelativeFormsTakeTheGivenCurrentDirectory) {
  EXPECT_EQ("Z:\\media\\pkg\\files\\a.txt", full("files\\a.txt"));
  EXPECT_EQ("Z:\\media\\pkg\\files\\a.txt", full("files/./a.txt"));
  EXPECT_EQ("Z:\\media\\other", full("..\\other"));
  EXPECT_EQ("Z:\\x", full("\\x"));
  EXPECT_EQ("Z:\\media\\pkg\\x", full("Z:x"));
  EXPECT_EQ("C:\\x", full("C:x"));
  EXPECT_EQ("Z:\\media\\pkg", full("."));
  EXPECT_EQ("C:\\a\\", full("C:\\a\\b\\..\\"));
  EXPECT_EQ("C:\\a\\name", full("C:\\a\\name. . "));
  EXPECT_EQ("C:\\", full("C:\\..\\..", "C:\\"));
}

TEST(WindowsPathTest, UncPathsKeepTheirLeadingSeparators) {
  EXPECT_EQ("\\\\server\\share\\x", full("\\\\server\\share\\x"));
  EXPECT_EQ("\\\\server\\share\\x", full("//server/share/./x"));
}

TEST(WindowsPathTest, EmptyPathHasNoFullForm) {
  std::string unused;
  EXPECT_FALSE(resolveFullPath("", "C:\\", &unused));
}

// Paths made full as if the current directory were C:\scratch.
std::string fullInScratch(const std::string& path) { return full(path, "C:\\scratch"); }

TEST(WindowsPathTest, FullPathFollowsWindowsRules) {
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
  for (const auto& path : paths) EXPECT_EQ(path.second, fullInScratch(path.first)) << path.first;
  std::string unused;
  EXPECT_FALSE(resolveFullPath("", "C:\\scratch", &unused));
  EXPECT_FALSE(resolveFullPath(std::string("C:\\a\0b", 6), "C:\\scratch", &unused));
}

// What GetFullPathNameA makes of dots and blanks at the ends of names, as
// Wine 8 answers: an inner name loses one final dot and keeps its blanks,
// the whole path loses its final dots and blanks.
TEST(WindowsPathTest, DotsAndBlanksEndingNamesGoAsGetFullPathNameDropsThem) {
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
      // Three dots leave a name "..", which names nothing (the emulated
      // machine refuses it); resolved once more it climbs.
      {"C:\\a\\...\\b", "C:\\a\\..\\b"},
      {"C:\\...\\b", "C:\\..\\b"},
      {"C:\\a\\...\\..\\b", "C:\\a\\b"},
  };
  for (const auto& path : paths) EXPECT_EQ(path.second, fullInScratch(path.first)) << path.first;
}

// A path already in full form is returned as it is (a shortcut), and every
// full path stays what it is when made full again.
TEST(WindowsPathTest, FullPathOfAFullPathIsItself) {
  for (const char* path : {"C:\\", "c:\\a\\b", "C:\\a\\b\\", "C:\\a.\\b", "C:\\a.\\", "C:\\a.b",
                           "Z:\\x y\\z", "C:\\a\\\\b", "C:\\a\\.\\b", "C:\\a\\..\\b", "C:\\a/b",
                           "C:\\a\\b.", "C:\\a\\b ", "C:\\a\\...", "C:\\..", "C:\\.\\", "C:a"}) {
    const std::string once = fullInScratch(path);
    EXPECT_EQ(once, fullInScratch(once)) << path;
  }
}

}  // namespace
}  // namespace Platform
