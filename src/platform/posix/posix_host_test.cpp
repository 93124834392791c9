#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "check/check_command.h"
#include "platform/platform_host.h"
#include "platform/posix/machine.h"
#include "testing/scratch_machine.h"

namespace Platform {
namespace {

// A host folder of the scratch machine, seen through drive Z: as the
// checker sees media: nothing here may open or create the machine.
class PosixHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_.makeDirectory(machine_.path("media"));
    machine_.makeDirectory(machine_.path("media\\Files"));
    machine_.writeFile(machine_.path("media\\setup.txt"), "[copy files]\n");
    machine_.writeFile(machine_.path("media\\Files\\Read Me.TXT"), "x");
    host_ = machine_.hostPath(machine_.path("media"));
    folder_ = "Z:" + host_;
    for (char& c : folder_) {
      if (c == '/') c = '\\';
    }
  }

  ScratchMachine machine_;
  std::string host_;    // the media folder on the host
  std::string folder_;  // the same as a Z: path
};

TEST_F(PosixHostTest, InstallerFolderIsTheScriptsFolderOnDriveZ) {
  std::string folder;
  ASSERT_TRUE(installerFolderOf(host_ + "/setup.txt", &folder));
  EXPECT_EQ(folder_, folder);
  ASSERT_TRUE(installerFolderOf(host_ + "/Files/../setup.txt", &folder));
  EXPECT_EQ(folder_, folder);
  EXPECT_FALSE(installerFolderOf(host_ + "/missing/setup.txt", &folder));
}

TEST_F(PosixHostTest, NamesAreFoundWhateverTheirCase) {
  EXPECT_EQ(HostMatch::kFound, findOnHost(folder_ + "\\files\\read me.txt"));
  EXPECT_EQ(HostMatch::kFound, findOnHost(folder_ + "\\FILES"));
  EXPECT_EQ(HostMatch::kMissing, findOnHost(folder_ + "\\files\\readme.txt"));
  EXPECT_EQ(HostMatch::kMissing, findOnHost(folder_ + "\\nothing\\read me.txt"));
}

TEST_F(PosixHostTest, WildcardsMatchAsFindFirstFile) {
  EXPECT_EQ(HostMatch::kFound, findOnHost(folder_ + "\\files\\*.txt"));
  EXPECT_EQ(HostMatch::kFound, findOnHost(folder_ + "\\files\\read?me.*"));
  EXPECT_EQ(HostMatch::kMissing, findOnHost(folder_ + "\\files\\*.dll"));
  // A folder named with a trailing separator is neither a file nor a
  // pattern the copy can expand.
  EXPECT_EQ(HostMatch::kMissing, findOnHost(folder_ + "\\files\\"));
  EXPECT_EQ(HostMatch::kMissing, findOnHost(folder_ + "\\fil*\\read me.txt"));
}

TEST_F(PosixHostTest, OtherDrivesAreUnknownHere) {
  EXPECT_EQ(HostMatch::kUnknown, findOnHost("C:\\Program Files"));
}

TEST_F(PosixHostTest, ScriptOpensAsWrittenButNotAFolder) {
  std::FILE* file = openHostFile(host_ + "/setup.txt");
  ASSERT_NE(nullptr, file);
  std::fclose(file);
  EXPECT_EQ(nullptr, openHostFile(host_));
  EXPECT_EQ(nullptr, openHostFile(host_ + "/SETUP.TXT"));
}

TEST_F(PosixHostTest, TextBecomesUtf8FromCodePage1252) {
  EXPECT_EQ("caf\xc3\xa9 \xe2\x82\xac", ansiToUtf8("caf\xe9 \x80"));
}

// The checker reads the script and what lies beside it, and nothing else:
// a machine folder that does not exist yet is not made.
TEST_F(PosixHostTest, CheckingAScriptLeavesTheMachineAlone) {
  machine_.writeFile(machine_.path("media\\all.txt"),
                     "[package information]\nos = Win32\n[aliases]\n"
                     "R = [HKEY_CURRENT_USER\\Software\\X]:V ? alias_type=registry\n"
                     "E = <PROGFILES>\\x ? alias_type=pathexists\n"
                     "[copy files]\n<PROGFILES>\\x = files\\*.txt\n"
                     "[create links]\n<DESKTOP>\\x.lnk = <R>\n[run programs]\necho <E>\n");
  const std::string saved = std::getenv("TARNWICK_MACHINE");
  const std::string untouched = host_ + "/no-machine";
  setenv("TARNWICK_MACHINE", untouched.c_str(), 1);
  Posix::Machine::reset();
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  EXPECT_EQ(0, runCheckCommand({host_ + "/all.txt"}, out, err));
  std::fclose(out);
  std::fclose(err);
  struct stat status;
  EXPECT_NE(0, stat(untouched.c_str(), &status));
  setenv("TARNWICK_MACHINE", saved.c_str(), 1);
  Posix::Machine::reset();
}

}  // namespace
}  // namespace Platform
