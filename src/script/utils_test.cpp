#include "script/utils.h"

#include <gtest/gtest.h>

#include "driver/throwable.h"
#include "testing/scratch_machine.h"

namespace {

TEST(UtilsTest, TrimTakesTheSixWhitespaceCharactersOnly) {
  EXPECT_EQ("", Utils::trim(" \t\r\n\v\f "));
  EXPECT_EQ("a b", Utils::trim("\t a b \r"));
  EXPECT_EQ("\xA0x\xA0", Utils::trim(" \xA0x\xA0 "));
  EXPECT_EQ("x ", Utils::trimLeft("  x "));
  EXPECT_EQ("  x", Utils::trimRight("  x \n"));
}

TEST(UtilsTest, StripQuotesHandlesEachEndOnItsOwn) {
  EXPECT_EQ("abc", Utils::stripQuotes("\"abc\""));
  EXPECT_EQ("", Utils::stripQuotes("\""));
  EXPECT_EQ("", Utils::stripQuotes("\"\""));
  EXPECT_EQ("abc", Utils::stripQuotes("abc\""));
  EXPECT_EQ("abc", Utils::stripQuotes("\"abc"));
  EXPECT_EQ("a\"b", Utils::stripQuotes("a\"b"));
  EXPECT_EQ("\"x\"", Utils::stripQuotes("\"\"x\"\""));
}

TEST(UtilsTest, SplitAtFirstAndLast) {
  std::string left, right;
  EXPECT_TRUE(Utils::splitFirst("a=b=c", '=', &left, &right));
  EXPECT_EQ("a", left);
  EXPECT_EQ("b=c", right);
  EXPECT_TRUE(Utils::splitLast("a?b?c", '?', &left, &right));
  EXPECT_EQ("a?b", left);
  EXPECT_EQ("c", right);
  EXPECT_TRUE(Utils::splitFirst("a=", '=', &left, &right));
  EXPECT_EQ("", right);
  EXPECT_FALSE(Utils::splitFirst("abc", '=', &left, &right));
  EXPECT_EQ("abc", left);
  EXPECT_EQ("", right);

  // The parts may be the text itself.
  std::string rest = "x y z";
  EXPECT_TRUE(Utils::splitFirst(rest, ' ', &left, &rest));
  EXPECT_EQ("x", left);
  EXPECT_EQ("y z", rest);
}

TEST(UtilsTest, SplitItemsKeepsEmptyItemsButNoneAfterAFinalSeparator) {
  using Items = std::vector<std::string>;
  EXPECT_EQ(Items(), Utils::splitItems("", ','));
  EXPECT_EQ(Items({"a"}), Utils::splitItems("a", ','));
  EXPECT_EQ(Items({"a"}), Utils::splitItems("a,", ','));
  EXPECT_EQ(Items({"", "a"}), Utils::splitItems(",a", ','));
  EXPECT_EQ(Items({"a", "", " b "}), Utils::splitItems("a,, b ", ','));
  EXPECT_EQ(Items({"a", ""}), Utils::splitItems("a,,", ','));
  EXPECT_EQ(Items({"x=1", "y=2"}), Utils::splitItems("x=1&y=2", '&'));
}

TEST(UtilsTest, ToLowerFoldsAsciiLettersOnly) {
  EXPECT_EQ("abc_def1", Utils::toLower("ABC_Def1"));
  EXPECT_EQ("\xC9t\xC9", Utils::toLower("\xC9T\xC9"));
}

TEST(UtilsTest, Separators) {
  EXPECT_EQ("C:\\dir", Utils::stripTrailingSeparator("C:\\dir\\"));
  EXPECT_EQ("C:", Utils::stripTrailingSeparator("C:\\"));
  EXPECT_EQ("C:\\dir\\", Utils::stripTrailingSeparator("C:\\dir\\\\"));
  EXPECT_EQ("a", Utils::stripTrailingSeparator("a/"));
  EXPECT_EQ("", Utils::stripTrailingSeparator(""));
  EXPECT_EQ("C:\\dir\\", Utils::appendSeparator("C:\\dir"));
  EXPECT_EQ("C:\\dir/", Utils::appendSeparator("C:\\dir/"));
  EXPECT_EQ("", Utils::appendSeparator(""));
}

class UtilsPathTest : public ::testing::Test {
 protected:
  ScratchMachine machine_;
};

TEST_F(UtilsPathTest, DirectoryOfKeepsTheArgumentsOwnForm) {
  EXPECT_EQ("C:\\a\\b\\", Utils::directoryOf("C:\\a\\b\\c.txt"));
  EXPECT_EQ("C:\\a\\b\\", Utils::directoryOf("C:\\a\\b\\"));
  EXPECT_EQ("C:/a/", Utils::directoryOf("C:/a/b"));
  EXPECT_EQ("C:\\", Utils::directoryOf("C:\\setup.exe"));
  EXPECT_EQ("", Utils::directoryOf("setup.exe"));
  EXPECT_EQ("C:", Utils::directoryOf("C:setup.exe"));
}

TEST_F(UtilsPathTest, FullPathResolvesDotsAndRefusesLongResults) {
  EXPECT_EQ("C:\\a\\c", Utils::fullPath("C:\\a\\b\\..\\.\\c"));
  EXPECT_EQ("C:\\", Utils::fullPath("C:\\..\\.."));
  std::string longName(300, 'x');
  try {
    Utils::fullPath("C:\\" + longName);
    FAIL();
  } catch (const UtilsException& exception) {
    EXPECT_EQ("Unable to determine full path: C:\\" + longName, exception.message());
  }
  std::string fits(256, 'x');
  EXPECT_EQ("C:\\" + fits, Utils::fullPath("C:\\" + fits));
  EXPECT_THROW(Utils::directoryOf("C:\\" + longName + "\\a"), UtilsException);
}

}  // namespace
