#include "engine/script_engine.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "driver/reporter.h"
#include "driver/throwable.h"
#include "platform/platform_files.h"
#include "system/system.h"
#include "testing/scratch_machine.h"

namespace {

// Records every action as one line of text; a path naming "fail" throws.
class RecordingActions : public Actions {
 public:
  void createDirectory(const std::string& path) override { record("mkdir " + path); }
  void copyFiles(const std::string& source, const std::string& target) override {
    record("copy " + source + " -> " + target);
  }
  void deleteFiles(const std::string& path, bool recursive) override {
    record(std::string(recursive ? "rmtree " : "delete ") + path);
  }
  void createLink(const std::string& link, const std::string& target,
                  const std::string& icon) override {
    record("link " + link + " -> " + target + " icon " + icon);
  }
  void createKey(const std::string& key) override { record("key " + key); }
  void deleteKey(const std::string& key) override { record("delkey " + key); }
  void setValue(const std::string& key, const std::string& name, uint32_t type,
                const std::string& text) override {
    record("set [" + key + "]:" + name + " type " + std::to_string(type) + " " + text);
  }
  void deleteValue(const std::string& key, const std::string& name) override {
    record("delval [" + key + "]:" + name);
  }
  void runProgram(const std::string& command) override { record("run " + command); }

  std::vector<std::string> done;

 private:
  void record(const std::string& what) {
    done.push_back(what);
    if (what.find("fail") != std::string::npos) throw FileSysException("failed: " + what);
  }
};

class ScriptEngineTest : public ::testing::Test {
 protected:
  ScriptEngineTest() : reporter_(Reporter::Silent, "") { useOs(WindowsNT); }

  void useOs(OsType os) {
    System::Facts facts;
    facts.osType = os;
    System::setFactsForTesting(facts);
  }

  // Loads and runs `script`; returns the message of an Exception that ended
  // the run, or "" when it ran to the end. Standard output is kept in out_.
  std::string run(const std::string& script) {
    machine_.writeFile(machine_.path("setup.txt"), script);
    engine_ = std::make_unique<ScriptEngine>(actions_);
    testing::internal::CaptureStdout();
    std::string ended;
    try {
      engine_->load(machine_.path("setup.txt"));
      engine_->run(reporter_);
    } catch (const Exception& exception) {
      ended = exception.message();
    }
    out_ = testing::internal::GetCapturedStdout();
    return ended;
  }

  ScratchMachine machine_;
  RecordingActions actions_;
  Reporter reporter_;
  std::unique_ptr<ScriptEngine> engine_;
  std::string out_;
};

TEST_F(ScriptEngineTest, ScriptWithoutSectionsDoesNothing) {
  EXPECT_EQ("", run("; nothing here\n\n"));
  EXPECT_TRUE(actions_.done.empty());
  EXPECT_EQ("unspecified", engine_->packageName());
  EXPECT_EQ("Win32", engine_->osRestriction());
}

TEST_F(ScriptEngineTest, PackageInformationIsReadFromTheFirstSectionOnly) {
  EXPECT_EQ("", run("[Package Information]\npackage_name = \"Sample\"\nos = Windows NT\n"
                    "[create directories and program groups]\nC:\\App\n"));
  EXPECT_EQ("Sample", engine_->packageName());
  EXPECT_EQ("Windows NT", engine_->osRestriction());
  EXPECT_EQ(std::vector<std::string>{"mkdir C:\\App"}, actions_.done);
}

TEST_F(ScriptEngineTest, PackageInformationErrorsAreFatal) {
  EXPECT_EQ("Unrecognized product information parameter: Package_Name",
            run("[package information]\nPackage_Name = x\n"));
  EXPECT_EQ("Unrecognized debug setting: maybe", run("[package information]\ndebug = MAYBE\n"));
}

// A run that ends on a fatal error tells the line it ended on.
TEST_F(ScriptEngineTest, LinesReadEndAtTheLineThatFailed) {
  run("[aliases]\nA = 1\nB = 1,&& ? alias_type=boolean\nC = 1\n");
  EXPECT_EQ(3, engine_->linesRead());
  run("[run programs]\necho\n[install files]\nx\ny\n");
  EXPECT_EQ(4, engine_->linesRead());
}

TEST_F(ScriptEngineTest, PackageInformationInALaterSectionIsAnUnknownSection) {
  EXPECT_EQ("Terminating execution of script due to fatal exception...",
            run("[run programs]\necho\n[package information]\nos = Win32\n"));
  EXPECT_EQ("Fatal Error:\nUnrecognized predefined section encountered: package information\n\n",
            out_);
}

TEST_F(ScriptEngineTest, OsRestrictionTable) {
  struct Case {
    OsType os;
    const char* restriction;
    bool accepted;
  } cases[] = {
      {Windows95, "Win32", true},       {Windows98, "Win32", true},
      {WindowsNT, "Win32", true},       {UnknownOs, "Win32", false},
      {Windows95, "Windows 95", true},  {Windows98, "Windows 95", false},
      {Windows98, "Windows 98", true},  {Windows95, "Windows 98", false},
      {Windows95, "Windows 9x", true},  {Windows98, "Windows 9x", true},
      {WindowsNT, "Windows 9x", false}, {WindowsNT, "Windows NT", true},
      {Windows98, "Windows NT", false}, {UnknownOs, "Windows NT", false},
  };
  for (const Case& c : cases) {
    useOs(c.os);
    std::string ended = run(std::string("[package information]\nos = ") + c.restriction + "\n");
    EXPECT_EQ(c.accepted
                  ? ""
                  : std::string("This script must be run under the following OS: ") + c.restriction,
              ended)
        << c.restriction << " on " << c.os;
  }
  useOs(WindowsNT);
  EXPECT_EQ("Unrecognized os restriction: win32", run("[package information]\nos = win32\n"));
}

TEST_F(ScriptEngineTest, UnknownOsFailsWithoutPackageInformation) {
  useOs(UnknownOs);
  EXPECT_EQ("This script must be run under the following OS: Win32", run("[run programs]\nx\n"));
  EXPECT_TRUE(actions_.done.empty());
}

TEST_F(ScriptEngineTest, DispatchesEachPredefinedSection) {
  EXPECT_EQ("", run("[create directories and program groups]\nC:\\App\n"
                    "[copy files]\nC:\\App = src\\*.dll\n"
                    "[delete files, directories, and program groups]\nC:\\Old\n"
                    "C:\\Tree ? delete_recurse=yes\n"
                    "[create links]\nC:\\App\\a.lnk = C:\\App\\a.exe\n"
                    "C:\\App\\b.lnk = C:\\App\\b.exe ? link_icon=C:\\App\\B.ico\n"
                    "[create registry keys]\nHKEY_CURRENT_USER\\Software\\X\n"
                    "[delete registry keys]\nHKEY_CURRENT_USER\\Software\\Y\n"
                    "[run programs]\necho done> ran.txt\n= a=b ?\n"));
  std::vector<std::string> expected = {
      "mkdir C:\\App",
      "copy src\\*.dll -> C:\\App",
      "delete C:\\Old",
      "rmtree C:\\Tree",
      "link C:\\App\\a.lnk -> C:\\App\\a.exe icon ",
      "link C:\\App\\b.lnk -> C:\\App\\b.exe icon C:\\App\\B.ico",
      "key HKEY_CURRENT_USER\\Software\\X",
      "delkey HKEY_CURRENT_USER\\Software\\Y",
      "run echo done> ran.txt",
      "run a=b",
  };
  EXPECT_EQ(expected, actions_.done);
}

TEST_F(ScriptEngineTest, RegistryValueSections) {
  EXPECT_EQ("", run("[HKEY_CURRENT_USER\\Software\\Mixed Case]?section_type=create_regvals\n"
                    "Name = \"text\"\n"
                    "Count = 0000001f ? regval_type=dword\n"
                    "Data = 0a,ff ? regval_type=binary\n"
                    "default text\n"
                    "@ = at\n"
                    "[HKEY_CURRENT_USER\\Software\\Mixed Case]?section_type=delete_regvals\n"
                    "Name\n@\n"));
  std::vector<std::string> expected = {
      "set [HKEY_CURRENT_USER\\Software\\Mixed Case]:Name type 1 \"text\"",
      "set [HKEY_CURRENT_USER\\Software\\Mixed Case]:Count type 4 0000001f",
      "set [HKEY_CURRENT_USER\\Software\\Mixed Case]:Data type 3 0a,ff",
      "set [HKEY_CURRENT_USER\\Software\\Mixed Case]: type 1 default text",
      "set [HKEY_CURRENT_USER\\Software\\Mixed Case]:@ type 1 at",
      "delval [HKEY_CURRENT_USER\\Software\\Mixed Case]:Name",
      "delval [HKEY_CURRENT_USER\\Software\\Mixed Case]:",
  };
  EXPECT_EQ(expected, actions_.done);
}

TEST_F(ScriptEngineTest, CondSkipsLinesAndLinesMayOverrideTheirSection) {
  EXPECT_EQ("",
            run("[run programs]?cond=0\none\ntwo?cond=1\n[run programs]\nthree\nfour ? cond=0\n"));
  EXPECT_EQ((std::vector<std::string>{"run two", "run three"}), actions_.done);
}

TEST_F(ScriptEngineTest, ErrTypeDecidesWhatAFailureMeans) {
  EXPECT_EQ("", run("[run programs]?err_type=warning\nfail one\nnext\nfail two?err_type=ignore\n"));
  EXPECT_EQ(1, reporter_.warningCount());
  EXPECT_EQ(0, reporter_.fatalCount());
  EXPECT_EQ("Warning:\nfailed: run fail one\n\n", out_);
  EXPECT_EQ(3u, actions_.done.size());
}

TEST_F(ScriptEngineTest, FatalFailureEndsTheRun) {
  EXPECT_EQ("Terminating execution of script due to fatal exception...",
            run("[run programs]\nfail\nnever\n"));
  EXPECT_EQ(1, reporter_.fatalCount());
  EXPECT_EQ(std::vector<std::string>{"run fail"}, actions_.done);
}

TEST_F(ScriptEngineTest, UnknownPredefinedSectionFollowsErrType) {
  EXPECT_EQ("", run("[install files]?err_type=warning\nx\n"));
  EXPECT_EQ("Warning:\nUnrecognized predefined section encountered: install files\n\n", out_);
}

TEST_F(ScriptEngineTest, ReadingErrorsAreFatalWhateverErrType) {
  EXPECT_EQ("Unrecognized err_type setting: bogus",
            run("[run programs]?err_type=ignore\nok\nbad?err_type=bogus\n"));
  EXPECT_EQ(std::vector<std::string>{"run ok"}, actions_.done);
}

TEST_F(ScriptEngineTest, DebugModeTracesEveryLineAndExecutesNothing) {
  // The trace goes to the current directory.
  ASSERT_TRUE(Platform::setCurrentDirectory(machine_.root()));
  EXPECT_EQ("", run("[package information]\ndebug = YES\n; note\n\n[aliases]\nA = x\n"
                    "[run programs]\n<A>\n"));
  EXPECT_TRUE(actions_.done.empty());
  EXPECT_TRUE(engine_->debug());
  EXPECT_EQ(
      "Line 3: ; note\r\nLine 4: \r\nLine 5: [aliases]\r\nLine 6: A = x\r\nEvaluated: x\r\n"
      "Line 7: [run programs]\r\nLine 8: x\r\nLine 9: \r\n",
      machine_.readFile(machine_.path("debug.out")));
}

// The engine keeps no line past the next one, and the script file keeps only
// the latest and its header: a long script with many sections runs each line
// by its own section's settings, and its failures read as before.
TEST_F(ScriptEngineTest, EveryLineRunsByItsOwnSectionInALongScript) {
  std::string script;
  std::vector<std::string> expected;
  std::string warnings;
  for (int section = 0; section < 300; ++section) {
    const bool warn = section % 2 == 0;
    script += warn ? "[run programs] ? err_type=warning\n" : "[run programs] ? err_type=ignore\n";
    script += "; section " + std::to_string(section) + "\n";
    for (int line = 0; line < 3; ++line) {
      const std::string command = "fail " + std::to_string(section) + "." + std::to_string(line);
      script += command + (line == 2 ? " ? cond=0" : "") + "\n";
      if (line == 2) continue;
      expected.push_back("run " + command);
      if (warn) warnings += "Warning:\nfailed: run " + command + "\n\n";
    }
  }
  EXPECT_EQ("", run(script));
  EXPECT_EQ(expected, actions_.done);
  EXPECT_EQ(warnings, out_);
  EXPECT_EQ(300 * 5 + 1, engine_->linesRead());
}

}  // namespace
