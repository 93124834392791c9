#include <dirent.h>
#include <gtest/gtest.h>

#include "platform/platform_shell_link.h"
#include "platform/platform_system.h"
#include "platform/posix/machine.h"
#include "testing/scratch_machine.h"

namespace {

long hresult(uint32_t value) { return static_cast<long>(static_cast<int32_t>(value)); }
const long kPathNotFound = hresult(0x80070003);
const long kAccessDenied = hresult(0x80070005);

std::vector<std::string> hostNames(const std::string& hostFolder) {
  std::vector<std::string> names;
  DIR* dir = opendir(hostFolder.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  return names;
}

class PosixShellLinkTest : public ::testing::Test {
 protected:
  PosixShellLinkTest() : link_(Platform::createShellLink()) {
    machine_.writeFile(machine_.path("app.exe"), "MZ");
  }

  long save(const std::string& path) {
    std::u16string wide;
    EXPECT_TRUE(Platform::toWide(path, 260, &wide));
    return link_->save(wide);
  }

  ScratchMachine machine_;
  std::unique_ptr<Platform::ShellLink> link_;
};

// As Wine answers (platform_shell_link_test.cpp has what every platform
// answers): an empty target clears the path, a file named as a folder and a
// drive that does not exist are not there; a relative target is looked up
// from the current directory.
TEST_F(PosixShellLinkTest, SetPathAnswersWhetherTheTargetExists) {
  ASSERT_TRUE(link_);
  EXPECT_EQ(0, link_->setPath(""));
  EXPECT_EQ(1, link_->setPath(machine_.path("app.exe\\")));
  EXPECT_EQ(1, link_->setPath("Q:\\app.exe"));

  ASSERT_TRUE(Posix::Machine::instance().setCurrentDirectory(machine_.root()));
  EXPECT_EQ(0, link_->setPath("app.exe"));
  EXPECT_EQ(1, link_->setPath("other.exe"));
}

TEST_F(PosixShellLinkTest, SetPathTakesQuotesAroundTheWholeTargetOnly) {
  EXPECT_EQ(0, link_->setPath("\"" + machine_.path("app.exe") + "\""));
  EXPECT_EQ(1, link_->setPath(machine_.path("\"app.exe")));
  EXPECT_EQ(1, link_->setPath("\""));
}

// What the current directory does not hold is searched for, as Wine's
// SetPath does, and the link then names what was found.
TEST_F(PosixShellLinkTest, RelativeTargetIsFoundAlongTheSearchPath) {
  std::string system;
  ASSERT_TRUE(Platform::systemDirectory(&system));
  machine_.makeDirectory(system);
  machine_.writeFile(system + "\\tool.exe", "MZ");
  ASSERT_TRUE(Posix::Machine::instance().setCurrentDirectory(machine_.root()));

  EXPECT_EQ(0, link_->setPath("tool.exe"));
  EXPECT_EQ(0, save(machine_.path("Tool.lnk")));
  EXPECT_NE(std::string::npos,
            machine_.readFile(machine_.path("Tool.lnk")).find(system + "\\tool.exe"));

  const std::string lastFolder = system.substr(system.find_last_of('\\') + 1);
  EXPECT_EQ(0, link_->setPath(lastFolder + "\\tool.exe"));  // from the Windows folder
  EXPECT_EQ(1, link_->setPath("other.exe"));
}

TEST_F(PosixShellLinkTest, SaveFailsAsWindowsDoesWhereNoFileCanBeWritten) {
  ASSERT_EQ(0, link_->setPath(machine_.path("app.exe")));
  EXPECT_EQ(kPathNotFound, save(machine_.path("Groups\\App.lnk")));

  machine_.makeDirectory(machine_.path("Folder"));
  EXPECT_EQ(kAccessDenied, save(machine_.path("Folder")));

  // Read-only is the missing owner write bit, refused even for root.
  const std::string readOnly = machine_.path("ReadOnly.lnk");
  machine_.writeFile(readOnly, "keep");
  machine_.setReadOnly(readOnly, true);
  EXPECT_EQ(kAccessDenied, save(readOnly));
  machine_.setReadOnly(readOnly, false);
  EXPECT_EQ("keep", machine_.readFile(readOnly));
}

// The scratch folder seen through Z: lies outside the installer's folder,
// so the emulation refuses to write there.
TEST_F(PosixShellLinkTest, SaveOnTheReadOnlyPartOfZIsRefused) {
  ASSERT_EQ(0, link_->setPath(machine_.path("app.exe")));
  std::string throughZ = "Z:" + machine_.hostPath(machine_.root()) + "/ViaZ.lnk";
  for (char& c : throughZ) {
    if (c == '/') c = '\\';
  }
  EXPECT_EQ(kAccessDenied, save(throughZ));
  EXPECT_FALSE(machine_.exists(machine_.path("ViaZ.lnk")));
}

TEST_F(PosixShellLinkTest, SaveReplacesTheFileAndLeavesNoTemporaryFile) {
  const std::string link = machine_.path("App.lnk");
  ASSERT_EQ(0, link_->setPath(machine_.path("app.exe")));
  EXPECT_EQ(0, save(link));
  ASSERT_EQ(0, link_->setIconLocation(machine_.path("app.ico"), 0));
  EXPECT_EQ(0, save(link));

  const std::string bytes = machine_.readFile(link);
  ASSERT_GE(bytes.size(), 0x18u);
  EXPECT_EQ(0xC3, static_cast<unsigned char>(bytes[0x14]));
  std::vector<std::string> names = hostNames(machine_.hostPath(machine_.root()));
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"App.lnk", "app.exe"}), names);
}

TEST_F(PosixShellLinkTest, LinkNameWithCodePage1252BytesIsSavedUnderThatName) {
  const std::string link = machine_.path("Caf\xE9 \x80.lnk");
  ASSERT_EQ(0, link_->setPath(machine_.path("app.exe")));
  EXPECT_EQ(0, save(link));
  EXPECT_TRUE(machine_.exists(link));
}

}  // namespace
