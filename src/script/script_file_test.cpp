#include "script/script_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <vector>

#include "alias/alias_line.h"
#include "driver/throwable.h"
#include "script/section_header.h"
#include "system/system.h"
#include "testing/scratch_machine.h"

namespace {

class ScriptFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    System::Facts facts;
    facts.osType = WindowsNT;
    facts.runningDirectory = "Z:\\media";
    facts.windowsDirectory = "C:\\windows";
    facts.systemDirectory = "C:\\windows\\system32";
    facts.programFilesDirectory = "C:\\Program Files";
    facts.desktopDirectory = "C:\\users\\me\\Desktop";
    facts.startMenuDirectory = "C:\\users\\me\\Start Menu";
    facts.programsDirectory = "C:\\users\\me\\Start Menu\\Programs";
    facts.sharedDesktopDirectory = "C:\\users\\Public\\Desktop";
    facts.sharedStartMenuDirectory = "C:\\ProgramData\\Start Menu";
    facts.sharedProgramsDirectory = "C:\\ProgramData\\Start Menu\\Programs";
    System::setFactsForTesting(facts);
  }

  // Opens a script holding `content`.
  void open(const std::string& content) {
    path_ = machine_.path("setup.txt");
    machine_.writeFile(path_, content);
    script_.init(path_);
  }

  // Texts of all lines up to the end.
  std::vector<std::string> readTexts() {
    std::vector<std::string> texts;
    while (ScriptLine* line = script_.nextLine()) {
      EXPECT_EQ(static_cast<int>(texts.size()) + 1, line->lineNumber());
      texts.push_back(line->text());
    }
    return texts;
  }

  // The message of the exception that the next line throws.
  template <typename Thrown>
  std::string nextLineFailure() {
    try {
      script_.nextLine();
    } catch (const Thrown& e) {
      return e.message();
    }
    return "(no exception)";
  }

  using Texts = std::vector<std::string>;

  ScratchMachine machine_;
  std::string path_;
  ScriptFile script_;
};

TEST_F(ScriptFileTest, MissingFileIsReportedWithThePathAsPassed) {
  std::string path = machine_.path("no\\such.txt");
  try {
    script_.init(path);
    FAIL();
  } catch (const ScriptFileException& e) {
    EXPECT_EQ("Unable to open file: " + path, e.message());
  }
  machine_.makeDirectory(machine_.path("dir"));
  EXPECT_THROW(script_.init(machine_.path("dir")), ScriptFileException);
}

TEST_F(ScriptFileTest, SecondInitFailsAndKeepsTheFirstFile) {
  open("[x]\n");
  machine_.writeFile(machine_.path("other.txt"), "[y]\n");
  try {
    script_.init(machine_.path("other.txt"));
    FAIL();
  } catch (const ScriptFileException& e) {
    EXPECT_EQ("Attempt to initialize script file more than once.", e.message());
  }
  EXPECT_EQ((Texts{"[x]", ""}), readTexts());
}

TEST_F(ScriptFileTest, EmptyFileHasNoLines) {
  open("");
  EXPECT_EQ(nullptr, script_.nextLine());
  EXPECT_EQ(nullptr, script_.nextLine());
}

TEST_F(ScriptFileTest, LastLineWithoutLineFeedEndsTheScript) {
  open(";a\n;b");
  EXPECT_EQ((Texts{";a", ";b"}), readTexts());
  EXPECT_EQ(nullptr, script_.nextLine());
}

TEST_F(ScriptFileTest, TrailingLineFeedGivesOneEmptyBlankLine) {
  open("[x]\na\n");
  ASSERT_NE(nullptr, script_.nextLine());
  ASSERT_NE(nullptr, script_.nextLine());
  ScriptLine* last = script_.nextLine();
  ASSERT_NE(nullptr, last);
  EXPECT_EQ(Blank, last->kind());
  EXPECT_EQ("", last->text());
  EXPECT_EQ(3, last->lineNumber());
  EXPECT_EQ(nullptr, script_.nextLine());
}

TEST_F(ScriptFileTest, CarriageReturnIsDroppedOnlyBeforeLineFeed) {
  open(";a\r\n;b\rc\r\r\n\r");
  EXPECT_EQ((Texts{";a", ";b\rc\r", "\r"}), readTexts());
}

TEST_F(ScriptFileTest, CtrlZEndsTheScript) {
  open(
      ";a\r\n;b\x1a"
      "c\nd\n");
  EXPECT_EQ((Texts{";a", ";b"}), readTexts());
}

TEST_F(ScriptFileTest, CtrlZAfterLineFeedGivesTheEmptyLastLine) {
  open(";a\n\x1a");
  EXPECT_EQ((Texts{";a", ""}), readTexts());
}

TEST_F(ScriptFileTest, FileStartingWithCtrlZHasNoLines) {
  open("\x1a[x]\n");
  EXPECT_EQ(nullptr, script_.nextLine());
}

TEST_F(ScriptFileTest, BytesAreKeptAsTheyAre) {
  std::string line("\xE9t\xE9 \0 \x80\xFF", 9);
  open("; " + line + "\n");
  EXPECT_EQ((Texts{"; " + line, ""}), readTexts());
}

TEST_F(ScriptFileTest, LongLinesAreReadWhole) {
  std::string longLine = "; " + std::string(200000, 'x');
  std::string other = "; " + std::string(70000, 'y') + "\r";
  open(longLine + "\n" + other + "\n;z");
  Texts texts = readTexts();
  ASSERT_EQ(3u, texts.size());
  EXPECT_TRUE(longLine == texts[0]) << texts[0].size();
  EXPECT_TRUE(other.substr(0, other.size() - 1) == texts[1]) << texts[1].size();
  EXPECT_EQ(";z", texts[2]);
}

// The carriage return of a CR LF may end one read of the file and the line
// feed begin the next.
TEST_F(ScriptFileTest, CarriageReturnAtTheEdgeOfAReadIsDropped) {
  std::string first(64 * 1024 - 1, 'a');
  open(";" + first.substr(1) + "\r\n;b\r\n");
  Texts texts = readTexts();
  ASSERT_EQ(3u, texts.size());
  EXPECT_TRUE(";" + first.substr(1) == texts[0]) << texts[0].size();
  EXPECT_EQ(";b", texts[1]);
}

// The size at open says nothing about how long the script is.
TEST_F(ScriptFileTest, FileGrowingWhileReadIsReadToItsEnd) {
  std::string filler = "; " + std::string(100000, 'f');
  open("; first\n" + filler + "\n");
  ASSERT_NE(nullptr, script_.nextLine());
  {
    std::ofstream out(machine_.hostPath(path_), std::ios::binary | std::ios::app);
    out << "; " << std::string(100000, 'g') << "\n";
  }
  ScriptLine* line = script_.nextLine();
  ASSERT_NE(nullptr, line);
  EXPECT_TRUE(line->text() == filler);
  line = script_.nextLine();
  ASSERT_NE(nullptr, line);
  EXPECT_TRUE(line->text() == "; " + std::string(100000, 'g')) << line->text().size();
}

// A line is read while it is the latest: the next one may take its object.
TEST_F(ScriptFileTest, LinesAreNumberedAndClassified) {
  open("; one\n; two\n[Copy Files]?err_type=warning\n a = b ? cond=0\n\t\n");
  ScriptLine* line = script_.nextLine();
  EXPECT_EQ(Comment, line->kind());
  EXPECT_EQ(nullptr, line->section());
  script_.nextLine();
  line = script_.nextLine();
  ASSERT_EQ(Header, line->kind());
  auto* header = static_cast<SectionHeader*>(line);
  EXPECT_EQ("copy files", header->name());
  line = script_.nextLine();
  ASSERT_EQ(Instruction, line->kind());
  auto* instruction = static_cast<InstructionLine*>(line);
  EXPECT_EQ(4, instruction->lineNumber());
  EXPECT_EQ(" a = b ? cond=0", instruction->text());
  EXPECT_EQ(header, instruction->section());
  EXPECT_EQ("a", instruction->name());
  EXPECT_EQ("b", instruction->value());
  EXPECT_EQ(SettingCode::kCondFalse, instruction->constOption(OptionId::cond));
  EXPECT_EQ(SettingCode::kWarning, instruction->constOption(OptionId::err_type));
  line = script_.nextLine();
  EXPECT_EQ(Blank, line->kind());
  EXPECT_EQ(header, line->section());
  EXPECT_EQ(6, script_.nextLine()->lineNumber());
  EXPECT_EQ(nullptr, script_.nextLine());
}

// Lines are not kept: the object of a line is set up again for the next of
// its kind, and nothing of the earlier line stays in it. Each line still
// takes its options from the header of its own section.
TEST_F(ScriptFileTest, ALineObjectTakesNothingFromTheLineBefore) {
  open(
      "[aliases]\nA = x ? alias_type=tolower\nB = Y\n"
      "[one] ? err_type=ignore\nfirst = 1 ? cond=0&link_icon=i.ico\nsecond\n"
      "[two]\nthird = 3\n[Three] ? section_type=create_regvals\nfourth = 4\n");
  script_.nextLine();
  ScriptLine* first = script_.nextLine();
  const auto* second = static_cast<const AliasLine*>(script_.nextLine());
  EXPECT_EQ(first, second);
  EXPECT_EQ("B", second->name());
  EXPECT_EQ("Y", second->evaluatedValue());  // static, whatever the line before
  script_.nextLine();
  ScriptLine* line = script_.nextLine();
  line = script_.nextLine();
  auto* instruction = static_cast<InstructionLine*>(line);
  EXPECT_EQ("second", instruction->value());
  EXPECT_EQ("", instruction->name());
  EXPECT_EQ("", instruction->optionText());
  EXPECT_EQ(SettingCode::kCondTrue, instruction->constOption(OptionId::cond));
  EXPECT_EQ("", instruction->stringOption(OptionId::link_icon));
  EXPECT_EQ(SettingCode::kIgnore, instruction->constOption(OptionId::err_type));
  EXPECT_EQ("one", instruction->section()->name());
  for (const char* section : {"two", "Three"}) {
    script_.nextLine();
    instruction = static_cast<InstructionLine*>(script_.nextLine());
    EXPECT_EQ(section, instruction->section()->name());
    EXPECT_EQ(SettingCode::kFatal, instruction->constOption(OptionId::err_type)) << section;
  }
  EXPECT_EQ(SettingCode::kCreateRegvals, instruction->constOption(OptionId::section_type));
}

TEST_F(ScriptFileTest, InstructionBeforeAnyHeaderIsRejected) {
  open("; c\na=b\n");
  script_.nextLine();
  EXPECT_EQ("All instruction lines must be contained within a section: a=b",
            nextLineFailure<ScriptFileException>());
}

TEST_F(ScriptFileTest, AliasLineOutsideAliasesIsAnInstruction) {
  open("[Aliases]\nA = 1\n[run programs]\nA = 1\n");
  script_.nextLine();
  EXPECT_EQ(Alias, script_.nextLine()->kind());
  script_.nextLine();
  EXPECT_EQ(Instruction, script_.nextLine()->kind());
}

TEST_F(ScriptFileTest, AliasesApplyFromTheirLineOn) {
  open("[x]\n<X>\n[aliases]\nX = 1\n<X>\nX = 2\n<X>\n");
  EXPECT_EQ((Texts{"[x]", "<X>", "[aliases]", "X = 1", "1", "X = 2", "2", ""}), readTexts());
}

TEST_F(ScriptFileTest, AliasValueIsEnteredAfterEvaluation) {
  open("[aliases]\nLOW = MiXeD ?alias_type=tolower\n[x]\n<LOW>\n");
  script_.nextLine();
  auto* alias = static_cast<AliasLine*>(script_.nextLine());
  EXPECT_EQ("mixed", alias->evaluatedValue());
  script_.nextLine();
  EXPECT_EQ("mixed", script_.nextLine()->text());
}

TEST_F(ScriptFileTest, SubstitutedTextDecidesTheKind) {
  open("[aliases]\nH = [copy files]\nC = ;\n<H>\n<C> a comment\n");
  script_.nextLine();
  script_.nextLine();
  script_.nextLine();
  ScriptLine* header = script_.nextLine();
  EXPECT_EQ(Header, header->kind());
  EXPECT_EQ("[copy files]", header->text());
  EXPECT_EQ(Comment, script_.nextLine()->kind());
}

TEST_F(ScriptFileTest, SectionHeaderNameMayComeFromAnAlias) {
  open("[aliases]\nAPPKEY = Software\\App\n[<APPKEY>]?section_type=create_regvals\n");
  script_.nextLine();
  script_.nextLine();
  auto* header = static_cast<SectionHeader*>(script_.nextLine());
  EXPECT_EQ("Software\\App", header->name());
}

TEST_F(ScriptFileTest, ErrorsQuoteTheSubstitutedLine) {
  open("[aliases]\nE = err_type=bad\n[x]\n[<E>\n");
  script_.nextLine();
  script_.nextLine();
  script_.nextLine();
  EXPECT_EQ("Malformed section header: [err_type=bad", nextLineFailure<SectionHeaderException>());
}

TEST_F(ScriptFileTest, NonTerminatingSubstitutionEndsWithTheRawLine) {
  open("[aliases]\nX = <X>\n[x]\na = <X>\n");
  script_.nextLine();
  script_.nextLine();
  script_.nextLine();
  EXPECT_EQ("Alias substitution does not terminate: a = <X>",
            nextLineFailure<ScriptFileException>());
}

TEST_F(ScriptFileTest, PredefinedAliasesComeFromTheSystemFacts) {
  open(
      "[x]\n<INSTALLER>|<WIN>|<WINSYS>|<PROGFILES>\n"
      "<DESKTOP>|<STARTMENU>|<PROGRAMS>\n"
      "<SHARED_DESKTOP>|<SHARED_STARTMENU>|<SHARED_PROGRAMS>\n<OS>|<Installer>\n");
  EXPECT_EQ((Texts{"[x]", "Z:\\media|C:\\windows|C:\\windows\\system32|C:\\Program Files",
                   "C:\\users\\me\\Desktop|C:\\users\\me\\Start Menu|C:\\users\\me\\Start "
                   "Menu\\Programs",
                   "C:\\users\\Public\\Desktop|C:\\ProgramData\\Start Menu|C:\\ProgramData\\Start "
                   "Menu\\Programs",
                   "Windows NT|<Installer>", ""}),
            readTexts());
}

TEST_F(ScriptFileTest, OsAliasNamesEveryFamily) {
  const std::pair<OsType, const char*> families[] = {
      {Windows95, "Windows 95"}, {Windows98, "Windows 98"}, {UnknownOs, "unknown"}};
  for (const auto& family : families) {
    System::Facts facts;
    facts.osType = family.first;
    System::setFactsForTesting(facts);
    std::string path = machine_.path("os.txt");
    machine_.writeFile(path, "[x]\n<OS>");
    ScriptFile script;
    script.init(path);
    script.nextLine();
    EXPECT_EQ(family.second, script.nextLine()->text());
  }
}

TEST_F(ScriptFileTest, ScriptMayRedefineAPredefinedAlias) {
  open("[x]\n<PROGFILES>\n[aliases]\nPROGFILES = D:\\Apps\n[x]\n<PROGFILES>\n");
  EXPECT_EQ((Texts{"[x]", "C:\\Program Files", "[aliases]", "PROGFILES = D:\\Apps", "[x]",
                   "D:\\Apps", ""}),
            readTexts());
}

}  // namespace
