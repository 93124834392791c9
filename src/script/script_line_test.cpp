#include "script/script_line.h"

#include <gtest/gtest.h>

#include <memory>

#include "driver/throwable.h"
#include "script/section_header.h"

namespace {

std::unique_ptr<SectionHeader> header(const std::string& text) {
  auto result = std::make_unique<SectionHeader>();
  result->parse(text, 1);
  return result;
}

std::unique_ptr<InstructionLine> instruction(const std::string& text,
                                             const SectionHeader* section) {
  auto result = std::make_unique<InstructionLine>();
  result->parse(text, 2, section);
  return result;
}

template <typename Thrown, typename Call>
std::string failure(Call call) {
  try {
    call();
  } catch (const Thrown& e) {
    return e.message();
  }
  return "(no exception)";
}

TEST(ScriptLineTest, LineTestsFollowTheFirstNonBlankCharacter) {
  EXPECT_TRUE(isBlankLine(""));
  EXPECT_TRUE(isBlankLine("\t\t \r\v\f"));
  EXPECT_FALSE(isBlankLine("\xA0"));  // a non-breaking space is text
  EXPECT_TRUE(isCommentLine("   ; note"));
  EXPECT_FALSE(isCommentLine("x ; note"));
  EXPECT_TRUE(isSectionHeaderLine(" [x"));
  EXPECT_TRUE(isSectionHeaderLine("[]"));
  EXPECT_FALSE(isSectionHeaderLine("  [  "));  // too short once trimmed
}

TEST(ScriptLineTest, OnlyTheSectionNamedAliasesHoldsAliasLines) {
  auto aliases = header("[Aliases]");
  auto other = header("[copy files]");
  auto registry = header("[Aliases]?section_type=create_regvals");
  EXPECT_TRUE(isAliasLine("A=1", aliases.get()));
  EXPECT_FALSE(isInstructionLine("A=1", aliases.get()));
  EXPECT_TRUE(isInstructionLine("A=1", other.get()));
  EXPECT_TRUE(isInstructionLine("A=1", nullptr));
  EXPECT_FALSE(isAliasLine("A=1", nullptr));
  EXPECT_TRUE(isInstructionLine("A=1", registry.get()));  // keeps its case: "Aliases"
  EXPECT_FALSE(isAliasLine("; c", aliases.get()));
  EXPECT_TRUE(isAliasLine("[", aliases.get()));  // too short for a header
}

TEST(ScriptLineTest, HeaderNameIsTrimmedAndLowerCasedWhenPredefined) {
  auto predefined = header("  [ Copy Files ]  ");
  EXPECT_EQ(Header, predefined->kind());
  EXPECT_EQ("copy files", predefined->name());
  EXPECT_EQ("  [ Copy Files ]  ", predefined->text());
  EXPECT_EQ(nullptr, predefined->section());
  EXPECT_EQ("Software\\X", header("[Software\\X]?section_type=create_regvals")->name());
  EXPECT_EQ("Software\\Y", header("[Software\\Y]?section_type=delete_regvals")->name());
  EXPECT_EQ("", header("[]")->name());
  EXPECT_EQ("x", header("[x] ?err_type=warning")->name());
}

TEST(ScriptLineTest, MalformedHeadersQuoteTheWholeLine) {
  EXPECT_EQ("Malformed section header: [copy files",
            failure<SectionHeaderException>([] { header("[copy files"); }));
  EXPECT_EQ("Malformed section header: [x]err_type=warning",
            failure<SectionHeaderException>([] { header("[x]err_type=warning"); }));
  EXPECT_EQ("Malformed section header:  [x?",
            failure<SectionHeaderException>([] { header(" [x?"); }));
}

TEST(ScriptLineTest, HeaderOptionErrorWinsOverBracketError) {
  EXPECT_EQ("Unrecognized err_type setting: warning]",
            failure<OptionsTableException>([] { header("[copy files?err_type=warning]"); }));
}

TEST(ScriptLineTest, InstructionSplitsAtLastQuestionMarkThenFirstEquals) {
  auto section = header("[copy files]");
  auto line = instruction(" x = a?b? ", section.get());
  EXPECT_EQ(Instruction, line->kind());
  EXPECT_EQ("x = a?b", line->body());
  EXPECT_EQ("", line->optionText());
  EXPECT_EQ("x", line->name());
  EXPECT_EQ("a?b", line->value());
  EXPECT_EQ(section.get(), line->section());
  EXPECT_EQ(2, line->lineNumber());

  auto equals = instruction("a=b=c ? cond=0", section.get());
  EXPECT_EQ("a", equals->name());
  EXPECT_EQ("b=c", equals->value());
  EXPECT_EQ("cond=0", equals->optionText());
}

TEST(ScriptLineTest, InstructionWithoutEqualsHasEmptyName) {
  auto section = header("[copy files]");
  auto line = instruction("x ; note", section.get());
  EXPECT_EQ("", line->name());
  EXPECT_EQ("x ; note", line->value());
}

TEST(ScriptLineTest, EffectiveOptionComesFromLineThenSectionThenDefault) {
  auto plain = header("[copy files]");
  auto warning = header("[copy files]?err_type=warning&link_icon=S.ico");
  EXPECT_EQ(SettingCode::kFatal, instruction("a=b", plain.get())->constOption(OptionId::err_type));
  EXPECT_EQ(SettingCode::kWarning,
            instruction("a=b", warning.get())->constOption(OptionId::err_type));
  EXPECT_EQ(SettingCode::kIgnore,
            instruction("a=b?err_type=ignore", warning.get())->constOption(OptionId::err_type));
  EXPECT_EQ(SettingCode::kCondTrue, instruction("a=b", warning.get())->constOption(OptionId::cond));
  EXPECT_EQ("S.ico", instruction("a=b", warning.get())->stringOption(OptionId::link_icon));
  EXPECT_EQ("L.ico",
            instruction("a=b?link_icon=L.ico", warning.get())->stringOption(OptionId::link_icon));
  EXPECT_EQ("", instruction("a=b", plain.get())->stringOption(OptionId::link_icon));
  EXPECT_EQ(SettingCode::kRecurseNo,
            instruction("a=b", nullptr)->constOption(OptionId::delete_recurse));
}

TEST(ScriptLineTest, BlankAndCommentLinesKeepTextNumberAndSection) {
  auto section = header("[x]");
  BlankLine blank("\t", 3, section.get());
  CommentLine comment(" ;c", 4, nullptr);
  EXPECT_EQ(Blank, blank.kind());
  EXPECT_EQ("\t", blank.text());
  EXPECT_EQ(3, blank.lineNumber());
  EXPECT_EQ(section.get(), blank.section());
  EXPECT_EQ(Comment, comment.kind());
  EXPECT_EQ(nullptr, comment.section());
}

}  // namespace
