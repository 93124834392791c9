#include "check/unknown_values.h"

#include <gtest/gtest.h>

namespace {

TEST(UnknownValuesTest, PlaceholdersAreShownAsTheirReferences) {
  UnknownValues unknowns;
  const std::string have = unknowns.make(UnknownValues::kTruth, "<HAVE>");
  const std::string dir = unknowns.make(UnknownValues::kPlain, "<PROGFILES>");
  EXPECT_NE(have, dir);
  EXPECT_EQ("<HAVE>,!", unknowns.render(have + ",!"));
  EXPECT_EQ("<PROGFILES>\\App and <HAVE>", unknowns.render(dir + "\\App and " + have));
  EXPECT_EQ("plain text", unknowns.render("plain text"));
  EXPECT_EQ("\x01\\App and \x01", UnknownValues::shortened(dir + "\\App and " + have));
}

// No placeholder may move a split of the line or form a reference.
TEST(UnknownValuesTest, PlaceholdersHoldNoSyntax) {
  UnknownValues unknowns;
  for (UnknownValues::Kind kind :
       {UnknownValues::kTruth, UnknownValues::kPlain, UnknownValues::kOpaque}) {
    const std::string placeholder = unknowns.make(kind, "<X>");
    EXPECT_EQ(std::string::npos, placeholder.find_first_of("<>?=&,;:[] \t\"\\"));
  }
}

TEST(UnknownValuesTest, KindsAreToldApart) {
  UnknownValues unknowns;
  const std::string truth = unknowns.make(UnknownValues::kTruth, "<T>");
  const std::string plain = unknowns.make(UnknownValues::kPlain, "<P>");
  const std::string opaque = unknowns.make(UnknownValues::kOpaque, "<O>");
  EXPECT_TRUE(UnknownValues::isTruth(truth));
  EXPECT_FALSE(UnknownValues::isTruth(truth + "1"));
  EXPECT_FALSE(UnknownValues::isTruth(plain));
  EXPECT_FALSE(UnknownValues::anyOpaque(truth + plain));
  EXPECT_TRUE(UnknownValues::anyOpaque("a" + opaque));
  EXPECT_EQ(1u, UnknownValues::firstOpaque("a" + opaque + "b"));
  EXPECT_TRUE(UnknownValues::anyButTruth(truth + plain));
  EXPECT_FALSE(UnknownValues::anyButTruth(truth + "," + truth));
  EXPECT_EQ(std::vector<std::string>({truth}), UnknownValues::truths(truth + "," + truth + ",&&"));
  EXPECT_EQ(UnknownValues::kOpaque, UnknownValues::derivedKind(plain + opaque));
  EXPECT_EQ(UnknownValues::kPlain, UnknownValues::derivedKind(plain + truth));
}

// A script may hold the mark byte itself: it is taken for a value that may
// be anything, which only ever silences checks.
TEST(UnknownValuesTest, StrayMarksCountAsOpaque) {
  EXPECT_TRUE(
      UnknownValues::any("a\x01"
                         "b"));
  EXPECT_TRUE(
      UnknownValues::anyOpaque("a\x01"
                               "b"));
  EXPECT_TRUE(
      UnknownValues::anyOpaque("\x01\x03"
                               "12"));
  EXPECT_FALSE(UnknownValues::isTruth("\x01\x03\x02"));
  UnknownValues unknowns;
  EXPECT_EQ(
      "\x01\x03"
      "7\x02",
      unknowns.render("\x01\x03"
                      "7\x02"));
}

}  // namespace
