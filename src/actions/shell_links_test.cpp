#include "actions/shell_links.h"

#include <gtest/gtest.h>

#include "driver/throwable.h"
#include "platform/platform_shell_link.h"
#include "platform/platform_system.h"
#include "testing/scratch_machine.h"

namespace {

uint32_t read32(const std::string& bytes, size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(bytes.at(offset + i));
  return value;
}

std::string utf16le(const std::string& ascii) {
  std::string out;
  for (char c : ascii) {
    out.push_back(c);
    out.push_back('\0');
  }
  return out;
}

const uint32_t kHasIconLocation = 0x40;

class ShellLinksTest : public ::testing::Test {
 protected:
  // The program entry starts COM for the run; the tests do it themselves.
  ShellLinksTest() : target_(machine_.path("app.exe")) {
    comStarted_ = Platform::comInitialize() == 0;
    machine_.writeFile(target_, "MZ");
  }
  ~ShellLinksTest() override {
    if (comStarted_) Platform::comUninitialize();
  }

  // The message createLink threw, or "" when it did not throw.
  std::string failureOf(const std::string& link, const std::string& target,
                        const std::string& icon = "") {
    try {
      ShellLinks::createLink(link, target, icon);
    } catch (const ShellLinksException& e) {
      return e.message();
    }
    return "";
  }

  bool comStarted_ = false;
  ScratchMachine machine_;
  const std::string target_;
};

TEST_F(ShellLinksTest, LinkNamesTargetAndIconWithIndexZero) {
  const std::string link = machine_.path("App.lnk");
  const std::string icon = machine_.path("app.ico");
  ShellLinks::createLink(link, target_, icon);

  const std::string bytes = machine_.readFile(link);
  ASSERT_GE(bytes.size(), 0x4Cu);
  EXPECT_EQ(0x4Cu, read32(bytes, 0));
  EXPECT_EQ(kHasIconLocation, read32(bytes, 0x14) & kHasIconLocation);
  EXPECT_EQ(0u, read32(bytes, 0x38));
  EXPECT_NE(std::string::npos, bytes.find(target_ + '\0'));  // the link info's local path
  EXPECT_NE(std::string::npos, bytes.find(utf16le(icon)));
}

TEST_F(ShellLinksTest, EmptyIconSetsNoIconLocation) {
  const std::string link = machine_.path("App.lnk");
  ShellLinks::createLink(link, target_, "");

  const std::string bytes = machine_.readFile(link);
  ASSERT_GE(bytes.size(), 0x4Cu);
  EXPECT_EQ(0u, read32(bytes, 0x14) & kHasIconLocation);
  EXPECT_NE(std::string::npos, bytes.find(target_ + '\0'));
}

TEST_F(ShellLinksTest, LinkPathIsUsedAsWrittenWithoutAddingAnExtension) {
  ShellLinks::createLink(machine_.path("Shortcut"), target_, "");
  EXPECT_TRUE(machine_.exists(machine_.path("Shortcut")));
  EXPECT_FALSE(machine_.exists(machine_.path("Shortcut.lnk")));
}

TEST_F(ShellLinksTest, ExistingFileAtTheLinkPathIsReplaced) {
  const std::string link = machine_.path("App.lnk");
  machine_.writeFile(link, "old content");
  ShellLinks::createLink(link, target_, "");
  EXPECT_EQ(0x4Cu, read32(machine_.readFile(link), 0));
}

TEST_F(ShellLinksTest, MissingTargetFailsWithThePathRightAfterTheColon) {
  const std::string link = machine_.path("App.lnk");
  EXPECT_EQ("Unable to create link:" + link, failureOf(link, machine_.path("missing.exe")));
  EXPECT_EQ("Unable to create link:" + link, failureOf(link, "no_such_program_here.exe"));
  EXPECT_FALSE(machine_.exists(link));
}

// Save fails with a path-not-found result, not E_FAIL: it must still be
// reported, since no link was written.
TEST_F(ShellLinksTest, MissingFolderFails) {
  const std::string link = machine_.path("Groups\\App\\App.lnk");
  EXPECT_EQ("Unable to create link:" + link, failureOf(link, target_));
  EXPECT_FALSE(machine_.exists(machine_.path("Groups")));
}

// Known difference: Wine run as root saves over a read-only file, where
// Windows and the emulated machine refuse; that case is pinned in the
// POSIX platform's own tests.
TEST_F(ShellLinksTest, LinkPathThatIsAFolderFails) {
  const std::string folder = machine_.path("Folder");
  machine_.makeDirectory(folder);
  EXPECT_EQ("Unable to create link:" + folder, failureOf(folder, target_));
}

TEST_F(ShellLinksTest, LinkPathWhoseWideFormExceeds260UnitsFails) {
  std::string link = machine_.root() + "\\";
  link.append(260 - link.size() - 4, 'x');
  link += ".lnk";  // 260 characters: 261 units with the terminator
  ASSERT_EQ(260u, link.size());
  EXPECT_EQ("Unable to create link:" + link, failureOf(link, target_));
}

}  // namespace
