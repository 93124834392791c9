#include "check/script_checker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "check/findings.h"
#include "script/line_reader.h"

namespace {

const char kInstaller[] = "Z:\\media\\pkg";

class ScriptCheckerTest : public ::testing::Test {
 protected:
  // Checks `script` and returns its findings as "line: severity: message".
  std::vector<std::string> check(const std::string& script,
                                 std::optional<OsType> os = std::nullopt) {
    findings_ = Findings();
    std::FILE* file = std::tmpfile();
    EXPECT_NE(nullptr, file);
    if (file == nullptr) return {};
    std::fwrite(script.data(), 1, script.size(), file);
    std::rewind(file);
    CheckSettings settings;
    settings.installerFolder = kInstaller;
    settings.os = os;
    settings.findBesideScript = [this](const std::string& path) {
      auto found = media_.find(path);
      return found == media_.end() ? Platform::HostMatch::kUnknown : found->second;
    };
    LineReader reader(file, "setup.txt");
    ScriptChecker(settings, &findings_).check(&reader);
    std::fclose(file);
    std::vector<std::string> lines;
    for (const Finding& finding : findings_.sorted()) {
      const std::string column = finding.column > 0 ? ":" + std::to_string(finding.column) : "";
      lines.push_back(std::to_string(finding.line) + column + ": " +
                      (finding.severity == Severity::kError ? "error" : "warning") + ": " +
                      finding.message);
    }
    return lines;
  }

  // The one finding of `script`, or a note that there is not exactly one.
  std::string only(const std::string& script, std::optional<OsType> os = std::nullopt) {
    std::vector<std::string> lines = check(script, os);
    if (lines.size() == 1) return lines[0];
    std::string all = std::to_string(lines.size()) + " findings:";
    for (const std::string& line : lines) all += "\n  " + line;
    return all;
  }

  using Lines = std::vector<std::string>;
  Findings findings_;
  std::map<std::string, Platform::HostMatch> media_;
};

TEST_F(ScriptCheckerTest, CorrectScriptChecksClean) {
  media_["Z:\\media\\pkg\\files\\app.exe"] = Platform::HostMatch::kFound;
  EXPECT_EQ(Lines(),
            check("; a package\n"
                  "[package information]\n"
                  "package_name = \"App\"\n"
                  "os = Win32\n"
                  "[aliases]\n"
                  "APPDIR = \"<PROGFILES>\\App\\\" ; old ? alias_type=makepath\n"
                  "HAVEOLD = [HKEY_LOCAL_MACHINE\\Software\\App] ? alias_type=regkeyexists\n"
                  "FIRST = <HAVEOLD>, ! ? alias_type=boolean\n"
                  "[create directories and program groups]\n"
                  "<APPDIR>\n"
                  "[copy files] ? err_type=warning\n"
                  "<APPDIR> = files\\app.exe\n"
                  "[create links]\n"
                  "<PROGRAMS>\\App.lnk = <APPDIR>\\app.exe ? link_icon=<APPDIR>\\app.exe\n"
                  "[HKEY_LOCAL_MACHINE\\Software\\App] ? section_type=create_regvals\n"
                  "Version = 00010002 ? regval_type=dword\n"
                  "[run programs] ? cond=<FIRST>\n"
                  "echo first> first.txt\n"));
}

// A failure while reading ends the run whatever err_type says.
TEST_F(ScriptCheckerTest, ReadErrorsAreErrorsWhateverErrType) {
  EXPECT_EQ(Lines({"1: error: All instruction lines must be contained within a section: x = y",
                   "2: error: Malformed section header: [copy files",
                   "3: error: Unrecognized err_type setting: loud",
                   "5: error: Two operands required for &&",
                   "7: error: Alias substitution does not terminate: M = <B><L>"}),
            check("x = y\n"
                  "[copy files\n"
                  "[copy files] ? err_type=ignore&err_type=loud\n"
                  "[aliases]\n"
                  "B = 1,&& ? alias_type=boolean\n"
                  "L = <L>\n"
                  "M = <B><L>\n"
                  "[create directories and program groups] ? cond=<M>\n"));
}

TEST_F(ScriptCheckerTest, RunFailuresFollowErrTypeAndCond) {
  EXPECT_EQ(
      Lines({"2: error: Malformed DWORD string: 12xyz", "3: warning: Malformed DWORD string: 12xyz",
             "4: warning: Malformed DWORD string: 12xyz",
             "5: warning: Malformed DWORD string: 12xyz"}),
      check("[HKEY_CURRENT_USER\\Software\\App] ? section_type=create_regvals&"
            "regval_type=dword\n"
            "A = 12xyz\n"
            "B = 12xyz ? err_type=warning\n"
            "C = 12xyz ? err_type=ignore\n"
            "D = 12xyz ? cond=0\n"));
}

// Lines in sections that never run on the author's machine fail at a
// customer's: they are checked all the same, at their lines.
TEST_F(ScriptCheckerTest, MistakesInSectionsThatMayNotRunAreFound) {
  EXPECT_EQ(Lines({"4: error: Unknown root key encountered: HKEY_LOCAL_MASHINE",
                   "5: warning: Section never runs: its cond is always 0",
                   "6: warning: Malformed binary string: 0g"}),
            check("[aliases]\n"
                  "ON95 = <OS>, Windows 95 ? alias_type=compare\n"
                  "[HKEY_LOCAL_MASHINE\\Software\\App] ? section_type=create_regvals&cond=<ON95>\n"
                  "V = 1\n"
                  "[HKEY_CURRENT_USER\\Software\\App] ? section_type=create_regvals&cond=0\n"
                  "Signature = 0g ? regval_type=binary\n"));
  // The first is an error because the line may run; it may also not.
  ASSERT_EQ(3u, findings_.all().size());
  EXPECT_EQ(Stage::kRunning, findings_.all()[0].stage);
  EXPECT_FALSE(findings_.all()[0].certainToRun);
}

// What only the machine knows raises no error, whatever it could be.
TEST_F(ScriptCheckerTest, ValuesOfTheMachineRaiseNoErrors) {
  EXPECT_EQ(Lines(), check("[aliases]\n"
                           "OLD = [HKEY_CURRENT_USER\\Software\\App]:Count ? alias_type=registry\n"
                           "DIR = [HKEY_CURRENT_USER\\Software\\App]:Dir ? alias_type=registry\n"
                           "HAVE = <DIR>\\app.exe ? alias_type=pathexists\n"
                           "[HKEY_CURRENT_USER\\Software\\App] ? section_type=create_regvals&"
                           "cond=<HAVE>\n"
                           "Count = <OLD> ? regval_type=dword\n"
                           "Bytes = <OLD> ? regval_type=binary\n"
                           "[<DIR>] ? section_type=create_regvals\n"
                           "x = y\n"
                           "[create directories and program groups]\n"
                           "<DIR>\\" +
                           std::string(300, 'd') +
                           "\n"
                           "<PROGFILES>\\" +
                           std::string(250, 'd') + "\n"));
}

// A value read from the registry may hold '?', '=' or '&': where it could
// move the split of a line, nothing of that line is checked.
TEST_F(ScriptCheckerTest, RegistryValuesThatCouldSplitALineLeaveItUnchecked) {
  EXPECT_EQ(Lines({"4: error: Unrecognized option name: bogus"}),
            check("[aliases]\n"
                  "R = [HKEY_CURRENT_USER\\Software\\App]:Text ? alias_type=registry\n"
                  "[run programs]\n"
                  "echo <R> ? bogus=1\n"
                  "echo x ? bogus=<R>\n"
                  "echo x ? bogus=1&link_icon=<R>\n"
                  "echo x ? link_icon=<R>&bogus=1?\n"));
}

TEST_F(ScriptCheckerTest, TruthsOfTheMachineAreOneOrZero) {
  EXPECT_EQ(Lines({"3: error: Malformed postfix expression: <A>,<A>",
                   "4: error: Unknown expression element: <PROGFILES>",
                   "9: error: Unable to delete key: HKEY_CURRENT_USER"}),
            check("[aliases]\n"
                  "A = [HKEY_CURRENT_USER\\Software\\App] ? alias_type=regkeyexists\n"
                  "B = <A>,<A> ? alias_type=boolean\n"
                  "C = <PROGFILES>,1,&& ? alias_type=boolean\n"
                  "ALWAYS = <A>,<A>,!,|| ? alias_type=boolean\n"
                  "MAYBE = <A>,<A>,&& ? alias_type=boolean\n"
                  "[delete registry keys] ? cond=<MAYBE>\n"
                  "HKEY_CURRENT_USER\\Software\\App\n"
                  "HKEY_CURRENT_USER ? cond=<ALWAYS>\n"));
  ASSERT_EQ(3u, findings_.sorted().size());
  EXPECT_TRUE(findings_.sorted()[2].certainToRun);
}

TEST_F(ScriptCheckerTest, OsTellsTheOsFacts) {
  const std::string script =
      "[aliases]\n"
      "SAME = <PROGRAMS>, <SHARED_PROGRAMS> ? alias_type=compare\n"
      "IS98 = <OS>, Windows 98 ? alias_type=compare\n"
      "[HKEY_CURRENT_USER\\Software\\App] ? section_type=create_regvals\n"
      "Same = <SAME>&<IS98> ? regval_type=dword\n";
  EXPECT_EQ(Lines(), check(script));
  EXPECT_EQ("5: error: Malformed DWORD string: 1&1", only(script, Windows98));
  // On NT the shared folders are others: the value is unknown.
  EXPECT_EQ(Lines(), check(script, WindowsNT));
}

TEST_F(ScriptCheckerTest, OsRestrictionIsEnforcedForTheOsChecked) {
  const std::string script =
      "[package information]\nos = Windows 9x\n[aliases]\nX = <OS>\n"
      "[run programs]\necho <X>\n";
  EXPECT_EQ(Lines(), check(script));
  EXPECT_EQ("2: error: This script must be run under the following OS: Windows 9x",
            only(script, WindowsNT));
  EXPECT_EQ("2: error: Unrecognized os restriction: Windows XP",
            only("[package information]\nos = Windows XP\n"));
  // Without package information the script still needs a known family.
  EXPECT_EQ("1: error: This script must be run under the following OS: Win32",
            only("[run programs]\n", UnknownOs));
  // What the restriction accepts is what the rest of the script sees.
  EXPECT_EQ("6: error: Malformed DWORD string: Windows NT",
            only("[package information]\nos = Windows NT\n"
                 "[HKEY_CURRENT_USER\\Software\\App] ? section_type=create_regvals\n"
                 "x = 00000001 ? regval_type=dword\n"
                 "y = 00000002 ? regval_type=dword\n"
                 "z = <OS> ? regval_type=dword\n"));
}

TEST_F(ScriptCheckerTest, PackageInformation) {
  EXPECT_EQ(Lines({"2: error: Unrecognized product information parameter: Package_Name",
                   "3:22: warning: Option cond has no effect here: package information is read "
                   "whatever its condition",
                   "4: warning: debug = yes: the installer only traces the script to debug.out "
                   "and installs nothing"}),
            check("[package information]\n"
                  "Package_Name = App\n"
                  "package_name = App ? cond=0\n"
                  "debug = Yes\n"));
  EXPECT_EQ(Lines({"2: warning: Package information is read only as the first section: here its "
                   "lines fail as an unrecognized predefined section",
                   "3: error: Unrecognized predefined section encountered: package information"}),
            check("[run programs]\n[package information]\npackage_name = App\n"));
}

TEST_F(ScriptCheckerTest, AliasWarnings) {
  EXPECT_EQ(Lines({"2:1: warning: Alias <LATER> is defined only further down, on line 5: here "
                   "the reference stays as written",
                   "4:5: warning: Alias <installer> is not defined: the reference stays as "
                   "written (names are case-sensitive: <INSTALLER> is defined)",
                   "6: warning: Alias X is redefined on line 7 before it is ever used",
                   "8: warning: Alias UNUSED is never used",
                   "12:18: warning: Alias <b> is not defined: the reference stays as written"}),
            check("[run programs]\n"
                  "<LATER>\\setup.exe\n"
                  "[aliases]\n"
                  "A = <installer>\\x\n"
                  "LATER = <A>\n"
                  "X = 1\n"
                  "X = 2\n"
                  "UNUSED = <X>\n"
                  "DEFERRED = <SOON>\n"
                  "SOON = 1\n"
                  "[run programs]\n"
                  "echo <DEFERRED> a<b> c < d > e\n"));
}

TEST_F(ScriptCheckerTest, OptionsWithoutEffectAreNamed) {
  EXPECT_EQ(
      Lines({"2:9: warning: Option cond has no effect here: alias lines are evaluated whatever "
             "their condition",
             "3:16: warning: Option link_icon has no effect here: only lines of the create links "
             "section make links",
             "4:12: warning: Option regval_type has no effect here: only lines of "
             "create_regvals sections store values",
             "4:30: warning: Option delete_recurse has no effect here: only lines of the delete "
             "files, directories, and program groups section delete",
             "5:14: warning: Option alias_type has no effect here: only alias lines have a type"}),
      check("[aliases]\n"
            "A = 1 ? cond=0\n"
            "[copy files] ? link_icon=x.ico\n"
            "C:\\x = a ? regval_type=dword&delete_recurse=yes\n"
            "C:\\y = <A> ? alias_type=static\n"
            "[create links] ? link_icon=x.ico\n"
            "[HKEY_CURRENT_USER\\x] ? section_type=create_regvals&regval_type=dword\n"
            "[delete files, directories, and program groups] ? delete_recurse=yes\n"));
}

TEST_F(ScriptCheckerTest, RegistryKeysAndValues) {
  EXPECT_EQ(Lines({"2: error: Unknown root key encountered: HKEY_LOCAL",
                   "3: error: Unknown root key encountered: hkey_current_user",
                   "5: error: Unable to delete key: HKEY_LOCAL_MACHINE\\",
                   "6: warning: Unknown root key HKCU: the installer finds no key to delete here "
                   "and reports nothing",
                   "7: warning: Unknown root key HKLM: the installer finds no value to delete "
                   "here and reports nothing",
                   "10: error: Malformed DWORD string: 1f",
                   "11: error: Unknown root key encountered: Software"}),
            check("[create registry keys]\n"
                  "HKEY_LOCAL\\Software\\App\n"
                  "hkey_current_user\\Software\\App\n"
                  "[delete registry keys]\n"
                  "HKEY_LOCAL_MACHINE\\\n"
                  "HKCU\\Software\\App\n"
                  "[HKLM\\Software\\App] ? section_type=delete_regvals\n"
                  "x\n"
                  "[Software\\App] ? section_type=create_regvals\n"
                  "Count = 1f ? regval_type=dword\n"
                  "Name = App\n"));
}

TEST_F(ScriptCheckerTest, PathsResolveAgainstTheInstallersFolder) {
  const std::string deep(250, 'd');
  EXPECT_EQ(Lines({"2: error: Unable to determine full path: " + deep,
                   "4: error: The following directories/files could not be deleted:\n\tC:\\",
                   "6: error: Unable to create link:" + std::string(260, 'l')}),
            check("[create directories and program groups]\n" + deep + "\n" +
                  "[delete files, directories, and program groups]\n"
                  "C:\\.. ? delete_recurse=yes\n"
                  "[create links]\n" +
                  std::string(260, 'l') + " = C:\\app.exe\n"));
}

// After a header that cannot be read, its lines are not held to the
// section before it.
TEST_F(ScriptCheckerTest, LinesOfAnUnreadableHeaderAreNotTakenForTheSectionBefore) {
  EXPECT_EQ(Lines({"3: error: Malformed section header: [copy files"}),
            check("[create registry keys]\n"
                  "HKEY_CURRENT_USER\\App\n"
                  "[copy files\n"
                  "C:\\App = files\n"));
  // Its alias lines still define their names, with values nobody knows.
  EXPECT_EQ(Lines({"1: error: Malformed section header: [aliases"}),
            check("[aliases\n"
                  "A = 1\n"
                  "[HKEY_CURRENT_USER\\App] ? section_type=create_regvals\n"
                  "x = <A> ? regval_type=dword\n"));
}

TEST_F(ScriptCheckerTest, CopySourcesBesideTheScript) {
  media_["Z:\\media\\pkg\\files\\a.txt"] = Platform::HostMatch::kFound;
  media_["Z:\\media\\pkg\\files\\b.txt"] = Platform::HostMatch::kMissing;
  media_["Z:\\media\\pkg\\files\\*.dll"] = Platform::HostMatch::kMissing;
  media_["Z:\\media\\pkg\\files\\optional.txt"] = Platform::HostMatch::kMissing;
  EXPECT_EQ(Lines({"5: warning: Copy source does not exist beside the script: files\\b.txt",
                   "6: warning: Copy source matches nothing beside the script: "
                   "Z:\\media\\pkg\\files\\*.dll"}),
            check("[aliases]\n"
                  "HAVE = files\\optional.txt ? alias_type=pathexists\n"
                  "[copy files]\n"
                  "C:\\App = files\\a.txt\n"
                  "C:\\App = files\\b.txt\n"
                  "C:\\App = <INSTALLER>\\files\\*.dll\n"
                  "C:\\App = C:\\elsewhere\\c.txt\n"
                  "C:\\App = files\\optional.txt ? cond=<HAVE>\n"));
}

}  // namespace
