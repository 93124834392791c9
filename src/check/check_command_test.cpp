#include "check/check_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tarnwick_version.h"
#include "testing/scratch_machine.h"

namespace {

class CheckCommandTest : public ::testing::Test {
 protected:
  // Runs the command; its output and error text go to out_ and err_.
  int run(const std::vector<std::string>& arguments) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_TRUE(out != nullptr && err != nullptr);
    const int code = runCheckCommand(arguments, out, err);
    out_ = contents(out);
    err_ = contents(err);
    return code;
  }

  static std::string contents(std::FILE* file) {
    std::string text;
    std::rewind(file);
    char buffer[4096];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
    std::fclose(file);
    return text;
  }

  // A script in the scratch folder; its host path.
  std::string script(const std::string& name, const std::string& content) {
    const std::string path = machine_.path(name);
    machine_.writeFile(path, content);
    return machine_.hostPath(path);
  }

  ScratchMachine machine_;
  std::string out_;
  std::string err_;
};

TEST_F(CheckCommandTest, ExitCodeTellsWhatWasFound) {
  EXPECT_EQ(0, run({script("clean.txt", "[run programs]\necho x\n")}));
  EXPECT_EQ("", out_);
  EXPECT_EQ("no errors, no warnings\n", err_);
  EXPECT_EQ(1, run({script("warns.txt", "[aliases]\nA = 1\n")}));
  EXPECT_EQ(2, run({script("fails.txt", "x\n")}));
  EXPECT_EQ("1 error, no warnings\n", err_);
}

TEST_F(CheckCommandTest, EveryScriptIsCheckedAndNamedAsGiven) {
  const std::string first = script("first.txt", "[aliases]\nA = 1\n");
  const std::string missing = machine_.hostPath(machine_.path("missing.txt"));
  EXPECT_EQ(2, run({"--format", "text", first, missing}));
  EXPECT_EQ(first + ":2: warning: Alias A is never used\n    A = 1\n" + missing +
                ": error: Unable to open file: " + missing + "\n",
            out_);
  EXPECT_EQ("1 error, 1 warning\n", err_);
}

TEST_F(CheckCommandTest, JsonAndOsAreChosenOnTheCommandLine) {
  const std::string path =
      script("os.txt", "[package information]\nos = Windows NT\n[run programs]\necho\n");
  EXPECT_EQ(0, run({path}));
  EXPECT_EQ(2, run({"--format=json", "--os", "win98", path}));
  std::string escaped;  // a Windows path's separators are escaped in JSON
  for (char c : path) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  EXPECT_EQ("{\"file\":\"" + escaped +
                "\",\"line\":2,\"severity\":\"error\",\"message\":\"This script must be run "
                "under the following OS: Windows NT\",\"text\":\"os = Windows NT\"}\n",
            out_);
}

TEST_F(CheckCommandTest, UsageErrorsExitWithTwo) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{},
                                             {"--format", "xml", "a.txt"},
                                             {"--os", "win31", "a.txt"},
                                             {"--os"},
                                             {"--bogus", "a.txt"}}) {
    EXPECT_EQ(2, run(arguments));
    EXPECT_EQ("", out_);
    EXPECT_NE(std::string::npos, err_.find("usage: tarnwick-check")) << err_;
  }
  EXPECT_EQ(0, run({"--help"}));
  EXPECT_EQ(0u, out_.find("usage: tarnwick-check"));
  EXPECT_NE(std::string::npos, out_.find("--version")) << out_;
}

TEST_F(CheckCommandTest, VersionIsTheProjectsAndNeedsNoScript) {
  EXPECT_EQ(0, run({"--version"}));
  EXPECT_EQ("tarnwick-check " TARNWICK_VERSION "\n", out_);
  EXPECT_EQ("", err_);
  // It stops before checking anything, as --help does.
  EXPECT_EQ(0, run({"--version", "missing-script.txt"}));
  EXPECT_EQ("tarnwick-check " TARNWICK_VERSION "\n", out_);
}

}  // namespace
