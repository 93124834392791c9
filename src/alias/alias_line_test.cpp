#include "alias/alias_line.h"

#include <gtest/gtest.h>

#include <memory>

#include "actions/registry.h"
#include "driver/throwable.h"
#include "script/section_header.h"
#include "testing/scratch_machine.h"

namespace {

class AliasLineTest : public ::testing::Test {
 protected:
  // The evaluated value of `text` read in the section `aliases_`.
  std::string evaluate(const std::string& text) {
    AliasLine line;
    line.parse(text, 2, &aliases_);
    return line.evaluatedValue();
  }

  template <typename Thrown>
  std::string failure(const std::string& text) {
    try {
      evaluate(text);
    } catch (const Thrown& e) {
      return e.message();
    }
    return "(no exception)";
  }

  void SetUp() override { aliases_.parse("[aliases]", 1); }

  SectionHeader aliases_;
};

TEST_F(AliasLineTest, StaticIsTheDefaultAndKeepsTheTrimmedSetting) {
  AliasLine line;
  line.parse("  APPDIR =  C:\\Program Files\\App  ", 7, &aliases_);
  EXPECT_EQ(Alias, line.kind());
  EXPECT_EQ("APPDIR", line.name());
  EXPECT_EQ("C:\\Program Files\\App", line.evaluatedValue());
  EXPECT_EQ(7, line.lineNumber());
  EXPECT_EQ(&aliases_, line.section());
  EXPECT_EQ("a=b", evaluate("X = a=b ? alias_type = STATIC"));
}

TEST_F(AliasLineTest, LineWithoutEqualsDefinesTheEmptyName) {
  AliasLine line;
  line.parse("just a value", 2, &aliases_);
  EXPECT_EQ("", line.name());
  EXPECT_EQ("just a value", line.evaluatedValue());
}

TEST_F(AliasLineTest, MakepathCleansUpThePath) {
  EXPECT_EQ("C:\\Program Files\\App",
            evaluate("P = \"C:\\Program Files\\App\\\" ; old?alias_type=makepath"));
  EXPECT_EQ("C:\\x", evaluate("P = \" C:\\x/ \"?alias_type=makepath"));
  EXPECT_EQ("C:\\x\\", evaluate("P = C:\\x\\\\?alias_type=makepath"));
  EXPECT_EQ("", evaluate("P = ;only a comment?alias_type=makepath"));
}

TEST_F(AliasLineTest, TolowerFoldsOnlyAsciiLetters) {
  EXPECT_EQ("program files \xC4\xD6", evaluate("L = Program FILES \xC4\xD6 ?alias_type=tolower"));
}

TEST_F(AliasLineTest, CompareNeedsAllItemsEqual) {
  EXPECT_EQ("1", evaluate("C = a, a ,a ?alias_type=compare"));
  EXPECT_EQ("0", evaluate("C = a,A ?alias_type=compare"));
  EXPECT_EQ("1", evaluate("C = a,a, ?alias_type=compare"));
  EXPECT_EQ("0", evaluate("C = a,a, , ?alias_type=compare"));
  EXPECT_EQ("1", evaluate("C = single ?alias_type=compare"));
  EXPECT_EQ("1", evaluate("C = ?alias_type=compare"));
  EXPECT_EQ("0", evaluate("C = 1.0,1.0,1.1,1.1 ?alias_type=compare"));
}

TEST_F(AliasLineTest, BooleanEvaluatesThePostfixSetting) {
  EXPECT_EQ("1", evaluate("B = 1,0,|| ?alias_type=boolean"));
  EXPECT_EQ("0", evaluate("B = 1,! ?alias_type=boolean"));
  EXPECT_EQ("Two operands required for &&",
            failure<PostfixEvaluatorException>("B = 1,&& ?alias_type=boolean"));
}

TEST_F(AliasLineTest, TypeMayComeFromTheSectionHeader) {
  SectionHeader lowering;
  lowering.parse("[aliases]?alias_type=tolower", 1);
  AliasLine line;
  line.parse("X = ABC", 2, &lowering);
  EXPECT_EQ("abc", line.evaluatedValue());
  AliasLine own;
  own.parse("X = ABC?alias_type=static", 3, &lowering);
  EXPECT_EQ("ABC", own.evaluatedValue());
}

TEST_F(AliasLineTest, QuestionMarkInSettingSplitsOffOptions) {
  EXPECT_EQ("Malformed option name=setting pair: b", failure<OptionsTableException>("P = a?b"));
  EXPECT_EQ("a?b", evaluate("P = a?b?"));
}

TEST_F(AliasLineTest, RegistryLocationSplitsAtLastColon) {
  std::string key;
  std::string name;
  AliasLine::parseRegistryLocation(" [HKEY_LOCAL_MACHINE\\Software\\App] : Version ", &key, &name);
  EXPECT_EQ("HKEY_LOCAL_MACHINE\\Software\\App", key);
  EXPECT_EQ("Version", name);
  AliasLine::parseRegistryLocation("[HKEY_CURRENT_USER\\A:B]:", &key, &name);
  EXPECT_EQ("HKEY_CURRENT_USER\\A:B", key);
  EXPECT_EQ("", name);
  AliasLine::parseRegistryLocation("[ spaced ]", &key, &name);
  EXPECT_EQ(" spaced ", key);
  AliasLine::parseRegistryLocation("[]", &key, &name);
  EXPECT_EQ("", key);
}

TEST_F(AliasLineTest, RegistryLocationNeedsBrackets) {
  EXPECT_EQ("Registry key is missing surrounding []: HKEY_CURRENT_USER\\Software\\X",
            failure<AliasLineException>("R = HKEY_CURRENT_USER\\Software\\X ?alias_type=registry"));
  // The ':' inside the brackets splits the key when no value name follows.
  EXPECT_EQ("Registry key is missing surrounding []: [HKEY_CURRENT_USER\\A",
            failure<AliasLineException>("R = [HKEY_CURRENT_USER\\A:B] ?alias_type=regvalexists"));
  EXPECT_EQ("Registry key is missing surrounding []: [",
            failure<AliasLineException>("R = [ ?alias_type=regkeyexists"));
}

TEST_F(AliasLineTest, RegkeyexistsRefusesAValueName) {
  EXPECT_EQ("Only the registry key should be specified: [HKEY_CURRENT_USER\\Software\\X]:Name",
            failure<AliasLineException>(
                "K = [HKEY_CURRENT_USER\\Software\\X]:Name ?alias_type=regkeyexists"));
}

TEST_F(AliasLineTest, UnknownRootsAndEmptyKeysAreAbsent) {
  ScratchMachine machine;
  EXPECT_EQ("0", evaluate("K = [] ?alias_type=regkeyexists"));
  EXPECT_EQ("0", evaluate("K = []:x ?alias_type=regvalexists"));
  EXPECT_EQ("", evaluate("K = [HKEY_NOWHERE\\A]:x ?alias_type=registry"));
  EXPECT_EQ("0", evaluate("K = [HKEY_NOWHERE\\A] ?alias_type=regkeyexists"));
}

TEST_F(AliasLineTest, PathexistsTestsFilesAndDirectories) {
  ScratchMachine machine;
  machine.writeFile(machine.path("file.txt"), "x");
  machine.makeDirectory(machine.path("dir"));
  EXPECT_EQ("1", evaluate("E = " + machine.path("file.txt") + " ?alias_type=pathexists"));
  EXPECT_EQ("1", evaluate("E = " + machine.path("dir") + " ?alias_type=pathexists"));
  EXPECT_EQ("0", evaluate("E = " + machine.path("missing") + " ?alias_type=pathexists"));
  // Used as written: quotes are part of the path.
  EXPECT_EQ("0", evaluate("E = \"" + machine.path("file.txt") + "\" ?alias_type=pathexists"));
}

}  // namespace

namespace {

class AliasLineRegistryTest : public AliasLineTest {
 protected:
  void SetUp() override {
    AliasLineTest::SetUp();
    Registry::createKey(kKey);
    Registry::setValue(kKey, "Text", Platform::kRegSz, "1.0");
    Registry::setValue(kKey, "Count", Platform::kRegDword, "0000001f");
    Registry::setValue(kKey, "", Platform::kRegSz, "default");
  }

  static constexpr const char* kKey = "HKEY_CURRENT_USER\\Software\\TarnwickAliasTest";
  ScratchMachine machine_;
};

TEST_F(AliasLineRegistryTest, RegistryReadsTheValueTextOrNothing) {
  std::string location = std::string("[") + kKey + "]";
  EXPECT_EQ("\"1.0\"", evaluate("V = " + location + ":Text ?alias_type=registry"));
  EXPECT_EQ("0000001f", evaluate("V = " + location + ": Count ?alias_type=registry"));
  EXPECT_EQ("\"default\"", evaluate("V = " + location + " ?alias_type=registry"));
  EXPECT_EQ("", evaluate("V = " + location + ":Missing ?alias_type=registry"));
  EXPECT_EQ("", evaluate("V = [HKEY_CURRENT_USER\\Software\\Nope]:Text ?alias_type=registry"));
}

TEST_F(AliasLineRegistryTest, ExistenceTestsGiveOneOrZero) {
  std::string location = std::string("[") + kKey + "]";
  EXPECT_EQ("1", evaluate("K = " + location + " ?alias_type=regkeyexists"));
  EXPECT_EQ("1", evaluate("K = " + location + ": ?alias_type=regkeyexists"));
  EXPECT_EQ("0", evaluate("K = [HKEY_CURRENT_USER\\Software\\Nope] ?alias_type=regkeyexists"));
  EXPECT_EQ("1", evaluate("K = " + location + ":Text ?alias_type=regvalexists"));
  EXPECT_EQ("0", evaluate("K = " + location + ":text2 ?alias_type=regvalexists"));
}

}  // namespace
