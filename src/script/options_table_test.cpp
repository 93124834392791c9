#include "script/options_table.h"

#include <gtest/gtest.h>

#include "driver/throwable.h"

namespace {

// The message of the OptionsTableException that `parse` throws for `list`.
std::string parseFailure(const std::string& list) {
  OptionsTable table;
  try {
    table.parseOptions(list);
  } catch (const OptionsTableException& e) {
    return e.message();
  }
  return "(no exception)";
}

TEST(OptionsTableTest, EmptyOrBlankListDefinesNothing) {
  for (const char* list : {"", "   \t "}) {
    OptionsTable table;
    table.parseOptions(list);
    for (int id = 0; id <= 6; ++id) EXPECT_FALSE(table.isDefined(static_cast<OptionId>(id)));
  }
}

TEST(OptionsTableTest, NamesAndSettingsMatchIgnoringCaseAndSurroundingBlanks) {
  OptionsTable table;
  table.parseOptions(" ERR_TYPE = Warning & Section_Type=CREATE_REGVALS&cond=0 ");
  EXPECT_EQ(SettingCode::kWarning, table.constSetting(OptionId::err_type));
  EXPECT_EQ(SettingCode::kCreateRegvals, table.constSetting(OptionId::section_type));
  EXPECT_EQ(SettingCode::kCondFalse, table.constSetting(OptionId::cond));
  EXPECT_FALSE(table.isDefined(OptionId::alias_type));
}

TEST(OptionsTableTest, EverySettingHasTheCodeOfItsPosition) {
  const char* aliasTypes[] = {"static",       "registry", "makepath", "pathexists", "regkeyexists",
                              "regvalexists", "tolower",  "compare",  "boolean"};
  for (int code = 0; code < 9; ++code) {
    EXPECT_EQ(code, OptionsTable::parseSetting(OptionId::alias_type, aliasTypes[code]));
  }
  EXPECT_EQ(SettingCode::kCondTrue, OptionsTable::parseSetting(OptionId::cond, "1"));
  EXPECT_EQ(SettingCode::kIgnore, OptionsTable::parseSetting(OptionId::err_type, "ignore"));
  EXPECT_EQ(SettingCode::kFatal, OptionsTable::parseSetting(OptionId::err_type, "FATAL"));
  EXPECT_EQ(SettingCode::kDeleteRegvals,
            OptionsTable::parseSetting(OptionId::section_type, "delete_regvals"));
  EXPECT_EQ(SettingCode::kBinary, OptionsTable::parseSetting(OptionId::regval_type, "binary"));
  EXPECT_EQ(SettingCode::kDword, OptionsTable::parseSetting(OptionId::regval_type, "Dword"));
  EXPECT_EQ(SettingCode::kRecurseYes, OptionsTable::parseSetting(OptionId::delete_recurse, "yes"));
  EXPECT_EQ(SettingCode::kRecurseNo, OptionsTable::parseSetting(OptionId::delete_recurse, "no"));
}

TEST(OptionsTableTest, LaterPairReplacesEarlierOne) {
  OptionsTable table;
  table.parseOptions("cond=1&cond=0");
  EXPECT_EQ(SettingCode::kCondFalse, table.constSetting(OptionId::cond));
}

TEST(OptionsTableTest, ParsingAgainClearsEarlierOptions) {
  OptionsTable table;
  table.parseOptions("cond=0&link_icon=x");
  table.parseOptions("err_type=ignore");
  EXPECT_FALSE(table.isDefined(OptionId::cond));
  EXPECT_FALSE(table.isDefined(OptionId::link_icon));
  EXPECT_TRUE(table.isDefined(OptionId::err_type));
}

TEST(OptionsTableTest, LinkIconKeepsItsTextWithCaseAndLaterEquals) {
  OptionsTable table;
  table.parseOptions("link_icon= C:\\Icons\\App.ico=2 ");
  EXPECT_EQ("C:\\Icons\\App.ico=2", table.stringSetting(OptionId::link_icon));
  table.parseOptions("link_icon=");
  ASSERT_TRUE(table.isDefined(OptionId::link_icon));
  EXPECT_EQ("", table.stringSetting(OptionId::link_icon));
}

TEST(OptionsTableTest, TrailingAmpersandIsAcceptedButEmptyPairsAreNot) {
  OptionsTable table;
  table.parseOptions("cond=0&");
  EXPECT_EQ(SettingCode::kCondFalse, table.constSetting(OptionId::cond));
  EXPECT_EQ("Malformed option name=setting pair: ", parseFailure("cond=0&&err_type=ignore"));
  EXPECT_EQ("Malformed option name=setting pair: ", parseFailure("&cond=0"));
  EXPECT_EQ("Malformed option name=setting pair:  cond", parseFailure("err_type=fatal& cond "));
}

TEST(OptionsTableTest, UnknownNamesAreQuotedAsWritten) {
  EXPECT_EQ("Unrecognized option name: Foo", parseFailure(" Foo =1"));
  EXPECT_EQ("Unrecognized option name: ", parseFailure("=1"));
}

TEST(OptionsTableTest, BadSettingsAreQuotedLowerCased) {
  EXPECT_EQ("Unrecognized alias_type setting: regkey", parseFailure("alias_type=RegKey"));
  EXPECT_EQ("Unrecognized cond setting: true", parseFailure("cond=TRUE"));
  EXPECT_EQ("Unrecognized err_type setting: bogus", parseFailure("err_type=Bogus"));
  EXPECT_EQ("Unrecognized err_type setting: ", parseFailure("err_type="));
  EXPECT_EQ("Unrecognized err_type setting: warning]", parseFailure("err_type=warning]"));
  EXPECT_EQ("Unrecognized section_type setting: create regvals",
            parseFailure("section_type=create regvals"));
  EXPECT_EQ("Unrecognized regval_type setting: expand_sz", parseFailure("regval_type=EXPAND_SZ"));
  EXPECT_EQ("Unrecognized delete_recurse setting: true", parseFailure("delete_recurse=true"));
}

TEST(OptionsTableTest, DefaultsOfEveryOption) {
  EXPECT_EQ(SettingCode::kStatic, OptionsTable::defaultConstSetting(OptionId::alias_type));
  EXPECT_EQ(SettingCode::kCondTrue, OptionsTable::defaultConstSetting(OptionId::cond));
  EXPECT_EQ(SettingCode::kFatal, OptionsTable::defaultConstSetting(OptionId::err_type));
  EXPECT_EQ(SettingCode::kPredefined, OptionsTable::defaultConstSetting(OptionId::section_type));
  EXPECT_EQ(SettingCode::kSz, OptionsTable::defaultConstSetting(OptionId::regval_type));
  EXPECT_EQ(SettingCode::kRecurseNo, OptionsTable::defaultConstSetting(OptionId::delete_recurse));
  EXPECT_EQ("", OptionsTable::defaultStringSetting(OptionId::link_icon));
}

TEST(OptionsTableTest, LookupOptionNamesTheSevenOptions) {
  EXPECT_EQ(OptionId::alias_type, OptionsTable::lookupOption("ALIAS_TYPE"));
  EXPECT_EQ(OptionId::delete_recurse, OptionsTable::lookupOption("delete_recurse"));
  EXPECT_EQ(OptionId::link_icon, OptionsTable::lookupOption("Link_Icon"));
  EXPECT_TRUE(OptionsTable::isStringOption(OptionId::link_icon));
  EXPECT_FALSE(OptionsTable::isConstantOption(OptionId::link_icon));
  EXPECT_TRUE(OptionsTable::isConstantOption(OptionId::regval_type));
  EXPECT_FALSE(OptionsTable::isConstantOption(static_cast<OptionId>(7)));
  EXPECT_FALSE(OptionsTable::isStringOption(static_cast<OptionId>(-1)));
}

// These guard against an inconsistent caller; they carry the id as a number.
TEST(OptionsTableTest, MisuseIsReportedWithTheOptionNumber) {
  OptionsTable table;
  table.parseOptions("link_icon=x");
  auto message = [](auto call) {
    try {
      call();
    } catch (const OptionsTableException& e) {
      return e.message();
    }
    return std::string("(no exception)");
  };
  EXPECT_EQ("Attempt to get setting of undefined const option: 1",
            message([&] { table.constSetting(OptionId::cond); }));
  EXPECT_EQ("Attempt to get setting of undefined const option: 3",
            message([&] { table.constSetting(OptionId::link_icon); }));
  EXPECT_EQ("Attempt to get setting of undefined string option: 2",
            message([&] { table.stringSetting(OptionId::err_type); }));
  EXPECT_EQ("Unable to determine default value for constant option: 3",
            message([] { OptionsTable::defaultConstSetting(OptionId::link_icon); }));
  EXPECT_EQ("Unable to determine default value for constant option: 9",
            message([] { OptionsTable::defaultConstSetting(static_cast<OptionId>(9)); }));
  EXPECT_EQ("Unable to determine default value for string option: 0",
            message([] { OptionsTable::defaultStringSetting(OptionId::alias_type); }));
  EXPECT_EQ("Unrecognized constant option name: 3",
            message([] { OptionsTable::parseSetting(OptionId::link_icon, "x"); }));
}

}  // namespace
