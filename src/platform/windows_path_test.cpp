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

}  // namespace
}  // namespace Platform
