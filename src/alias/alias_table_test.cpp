#include "alias/alias_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "driver/throwable.h"

namespace {

std::string substitutionFailure(const AliasTable& table, const std::string& line) {
  try {
    table.substituteAliases(line);
  } catch (const ScriptFileException& e) {
    return e.message();
  }
  return "(no exception)";
}

// Substitution exactly as the rule reads: replace the leftmost defined
// reference, then search again from the start, with the same bounds.
std::string naiveSubstitute(const AliasTable& table, const std::string& line, int maxReplacements,
                            size_t maxLength) {
  std::string text = line;
  size_t limit = std::max(maxLength, line.size());
  int replacements = 0;
  size_t open = 0;
  size_t close = 0;
  while (table.findAliasReference(text, &open, &close)) {
    const std::string* value = table.find(text.substr(open + 1, close - open - 1));
    text.replace(open, close - open + 1, *value);
    if (++replacements > maxReplacements || text.size() > limit) {
      throw ScriptFileException("Alias substitution does not terminate: " + line);
    }
  }
  return text;
}

TEST(AliasTableTest, ReplacesDefinedReferencesCaseSensitively) {
  AliasTable table;
  table.define("APP", "C:\\App");
  EXPECT_EQ("C:\\App\\bin", table.substituteAliases("<APP>\\bin"));
  EXPECT_EQ("<app>\\bin", table.substituteAliases("<app>\\bin"));
  EXPECT_EQ("< APP >", table.substituteAliases("< APP >"));
  EXPECT_EQ("a <b> C:\\App", table.substituteAliases("a <b> <APP>"));
}

TEST(AliasTableTest, DefiningAgainOverwrites) {
  AliasTable table;
  table.define("X", "1");
  table.define("X", "2");
  EXPECT_EQ("2", table.substituteAliases("<X>"));
  EXPECT_EQ(1u, table.entries().size());
}

TEST(AliasTableTest, LessThanInsideBracketsMovesTheScanOn) {
  AliasTable table;
  table.define("APP", "v");
  EXPECT_EQ("<v>", table.substituteAliases("<<APP>>"));
}

TEST(AliasTableTest, UnmatchedBracketsStayAsWritten) {
  AliasTable table;
  table.define("A", "x");
  EXPECT_EQ("> A <", table.substituteAliases("> A <"));
  EXPECT_EQ("<A", table.substituteAliases("<A"));
  EXPECT_EQ("A>", table.substituteAliases("A>"));
}

TEST(AliasTableTest, EmptyNameIsReplacedOnlyWhenDefined) {
  AliasTable table;
  EXPECT_EQ("a<>b", table.substituteAliases("a<>b"));
  table.define("", "E");
  EXPECT_EQ("aEb", table.substituteAliases("a<>b"));
}

TEST(AliasTableTest, ValuesAreSubstitutedAgain) {
  AliasTable table;
  table.define("A", "<B>");
  EXPECT_EQ("<B>", table.substituteAliases("<A>"));
  table.define("B", "x");
  EXPECT_EQ("x", table.substituteAliases("<A>"));
}

TEST(AliasTableTest, ReferencesFormAcrossTheEdgeOfAValue) {
  AliasTable table;
  table.define("A", "<B");
  EXPECT_EQ("<B>", table.substituteAliases("<A>>"));
  table.define("B", "y");
  EXPECT_EQ("y", table.substituteAliases("<A>>"));
  table.define("C", "B>");
  EXPECT_EQ("y", table.substituteAliases("<<C>"));
  // A '<' before the reference pairs with the '>' the value brings.
  table.define("L", "<");
  table.define("R", ">");
  EXPECT_EQ("y", table.substituteAliases("<L>B<R>"));
}

TEST(AliasTableTest, FindsTheLeftmostDefinedReference) {
  AliasTable table;
  table.define("B", "");
  size_t open = 0;
  size_t close = 0;
  ASSERT_TRUE(table.findAliasReference("<a> <<B> <B>", &open, &close));
  EXPECT_EQ(5u, open);
  EXPECT_EQ(7u, close);
  EXPECT_FALSE(table.findAliasReference("<a> <B", &open, &close));
}

TEST(AliasTableTest, SelfReferenceIsStoppedWithTheRawLine) {
  AliasTable table;
  table.define("X", "<X>");
  EXPECT_EQ("Alias substitution does not terminate: a <X> b",
            substitutionFailure(table, "a <X> b"));
  table.define("Y", "<Z>");
  table.define("Z", "<Y>");
  EXPECT_EQ("Alias substitution does not terminate: <Y>", substitutionFailure(table, "<Y>"));
  table.define("D", "<D><D>");  // doubles: stopped by the length bound
  EXPECT_EQ("Alias substitution does not terminate: <D>", substitutionFailure(table, "<D>"));
  table.define("G", "ab<G>");  // grows at each step
  EXPECT_EQ("Alias substitution does not terminate: <G>", substitutionFailure(table, "<G>"));
}

TEST(AliasTableTest, BoundsAllowExactlyTheLimit) {
  AliasTable table(3, 10);
  table.define("A", "a");
  EXPECT_EQ("aaa", table.substituteAliases("<A><A><A>"));
  EXPECT_EQ("Alias substitution does not terminate: <A><A><A><A>",
            substitutionFailure(table, "<A><A><A><A>"));
  table.define("L", "0123456789");
  EXPECT_EQ("0123456789", table.substituteAliases("<L>"));
  EXPECT_EQ("Alias substitution does not terminate: x<L>", substitutionFailure(table, "x<L>"));
  // A raw line longer than the bound is fine as long as it does not grow.
  EXPECT_EQ("0123456789a0123456789", table.substituteAliases("0123456789<A>0123456789"));
  EXPECT_EQ("Alias substitution does not terminate: 0123456789<L>",
            substitutionFailure(table, "0123456789<L>"));
}

TEST(AliasTableTest, ThousandsOfReferencesInOneLine) {
  AliasTable table;
  table.define("PROGFILES", "C:\\Program Files");
  table.define("N", "<PROGFILES>");
  std::string line;
  std::string expected;
  for (int i = 0; i < 4000; ++i) {
    line += i % 2 == 0 ? "<N>;" : "<PROGFILES>;";
    expected += "C:\\Program Files;";
  }
  EXPECT_EQ(expected, table.substituteAliases(line));
}

// Random lines and tables over a small alphabet rich in brackets, compared
// with the literal rule, errors included.
TEST(AliasTableTest, AgreesWithTheLiteralRuleOnRandomInput) {
  const int kMaxReplacementsHere = 60;
  const size_t kMaxLengthHere = 300;
  std::mt19937 random(20261207);
  const std::string alphabet = "<<<>>>abAB ";
  auto randomText = [&](size_t maxLength) {
    std::string text;
    size_t length = random() % (maxLength + 1);
    for (size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    return text;
  };
  const char* names[] = {"", "a", "b", "A", "ab", "a b", "<a", "b<", " "};
  int nonTrivial = 0;
  int stopped = 0;
  for (int round = 0; round < 20000; ++round) {
    AliasTable table(kMaxReplacementsHere, kMaxLengthHere);
    int definitions = static_cast<int>(random() % 6);
    for (int i = 0; i < definitions; ++i) {
      table.define(names[random() % (sizeof(names) / sizeof(names[0]))], randomText(6));
    }
    std::string line = randomText(24);
    std::string expected;
    std::string actual;
    try {
      expected = naiveSubstitute(table, line, kMaxReplacementsHere, kMaxLengthHere);
    } catch (const ScriptFileException& e) {
      expected = "throws " + e.message();
      ++stopped;
    }
    try {
      actual = table.substituteAliases(line);
    } catch (const ScriptFileException& e) {
      actual = "throws " + e.message();
    }
    if (expected != line) ++nonTrivial;
    ASSERT_EQ(expected, actual) << "line: " << line;
  }
  // The generator must exercise both substitution and the bounds.
  EXPECT_GT(nonTrivial, 3000);
  EXPECT_GT(stopped, 100);
}

}  // namespace
