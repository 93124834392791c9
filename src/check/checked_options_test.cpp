#include "check/checked_options.h"

#include <gtest/gtest.h>

#include "check/unknown_values.h"
#include "driver/throwable.h"
#include "script/section_header.h"

namespace {

class CheckedOptionsTest : public ::testing::Test {
 protected:
  UnknownValues unknowns_;
  std::string truth_ = unknowns_.make(UnknownValues::kTruth, "<T>");
  std::string plain_ = unknowns_.make(UnknownValues::kPlain, "<P>");
  std::string opaque_ = unknowns_.make(UnknownValues::kOpaque, "<O>");
};

TEST_F(CheckedOptionsTest, KnownListsGoToTheParserAsTheyAre) {
  CheckedOptions options("err_type=warning&cond=1&");
  EXPECT_EQ("err_type=warning&cond=1&", options.parsableText());
  EXPECT_FALSE(options.isUnknown(OptionId::cond));
}

TEST_F(CheckedOptionsTest, UnknownSettingsAreSetAside) {
  CheckedOptions options("cond=" + truth_ + "&link_icon=" + plain_ + "\\a.ico&err_type=bogus");
  EXPECT_EQ("err_type=bogus", options.parsableText());
  EXPECT_TRUE(options.isUnknown(OptionId::cond));
  EXPECT_TRUE(options.condIsTruth());
  EXPECT_TRUE(options.isUnknown(OptionId::link_icon));
  EXPECT_FALSE(options.isUnknown(OptionId::err_type));
}

// The last pair for an option decides, as in the parser.
TEST_F(CheckedOptionsTest, LaterPairsDecide) {
  EXPECT_FALSE(CheckedOptions("cond=" + truth_ + "&cond=0").isUnknown(OptionId::cond));
  CheckedOptions later("cond=0&cond=" + plain_);
  EXPECT_TRUE(later.isUnknown(OptionId::cond));
  EXPECT_FALSE(later.condIsTruth());
}

// Whatever the value, these pairs fail in the parser: they stay for it.
TEST_F(CheckedOptionsTest, PairsThatFailAnywayStay) {
  EXPECT_EQ("cond" + plain_, CheckedOptions("cond" + plain_).parsableText());
  EXPECT_EQ("bogus=" + plain_, CheckedOptions("bogus=" + plain_).parsableText());
  // An empty pair stays one, also where a set-aside pair was last.
  EXPECT_EQ("err_type=warning&&",
            CheckedOptions("err_type=warning&&cond=" + truth_).parsableText());
}

TEST_F(CheckedOptionsTest, OpaqueValuesOrUnknownNamesLeaveEveryOptionUnknown) {
  CheckedOptions opaque("link_icon=" + opaque_);
  EXPECT_EQ("", opaque.parsableText());
  EXPECT_TRUE(opaque.isUnknown(OptionId::err_type));
  EXPECT_TRUE(CheckedOptions(plain_ + "=1").isUnknown(OptionId::regval_type));
  EXPECT_TRUE(CheckedOptions::unknown().isUnknown(OptionId::cond));
}

TEST_F(CheckedOptionsTest, EffectiveSettingsComeFromLineThenHeaderThenDefault) {
  SectionHeader header;
  header.parse("[copy files] ? err_type=warning", 1);
  const CheckedOptions headerOptions("err_type=warning&cond=" + truth_);
  InstructionLine line;
  line.parse("a = b ? regval_type=dword", 2, &header);
  const CheckedOptions lineOptions("regval_type=dword");
  const EffectiveOptions options(line, lineOptions, &header, &headerOptions);
  EXPECT_EQ(SettingCode::kDword, options.constant(OptionId::regval_type));
  EXPECT_EQ(SettingCode::kWarning, options.constant(OptionId::err_type));
  EXPECT_EQ(SettingCode::kRecurseNo, options.constant(OptionId::delete_recurse));
  EXPECT_EQ(Truth::kMaybe, options.cond());
  EXPECT_EQ(std::string(), options.text(OptionId::link_icon));

  const CheckedOptions unreadable = CheckedOptions::unknown();
  const EffectiveOptions inUnreadable(line, lineOptions, nullptr, &unreadable);
  EXPECT_EQ(std::nullopt, inUnreadable.constant(OptionId::err_type));
  EXPECT_EQ(SettingCode::kDword, inUnreadable.constant(OptionId::regval_type));
}

}  // namespace
