// The contract of platform_shell_link.h, one suite for every platform: the
// emulated shell-link object (POSIX) and the shell's own (Win32, under Wine).
#include "platform/platform_shell_link.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/platform_files.h"
#include "platform/platform_system.h"
#include "testing/scratch_machine.h"

namespace Platform {
namespace {

class PlatformShellLinkTest : public ::testing::Test {
 protected:
  // The program entry starts COM for the run; the tests do it themselves.
  PlatformShellLinkTest() : comStarted_(comInitialize() == 0), link_(createShellLink()) {
    machine_.writeFile(machine_.path("app.exe"), "MZ");
  }
  ~PlatformShellLinkTest() override {
    link_.reset();
    if (comStarted_) comUninitialize();
  }

  long save(const std::string& path) {
    std::u16string wide;
    EXPECT_TRUE(toWide(path, kMaxPath, &wide));
    return link_->save(wide);
  }

  ScratchMachine machine_;
  bool comStarted_;
  std::unique_ptr<ShellLink> link_;
};

TEST_F(PlatformShellLinkTest, SetPathAnswersWhetherTheTargetExists) {
  ASSERT_TRUE(link_);
  EXPECT_EQ(0, link_->setPath(machine_.path("app.exe")));
  EXPECT_EQ(0, link_->setPath(machine_.path("APP.EXE")));
  EXPECT_EQ(0, link_->setPath(machine_.root()));
  EXPECT_EQ(1, link_->setPath(machine_.path("missing.exe")));
  EXPECT_EQ(1, link_->setPath(machine_.path("missing\\app.exe")));
}

TEST_F(PlatformShellLinkTest, ASavedLinkIsAShellLinkFile) {
  ASSERT_TRUE(link_);
  ASSERT_EQ(0, link_->setPath(machine_.path("app.exe")));
  ASSERT_EQ(0, link_->setIconLocation(machine_.path("app.exe"), 0));
  ASSERT_TRUE(link_->queryPersistFile());
  ASSERT_EQ(0, save(machine_.path("App.lnk")));
  const std::string bytes = machine_.readFile(machine_.path("app.lnk"));
  ASSERT_GE(bytes.size(), 0x4Cu);
  EXPECT_EQ(std::string("\x4C\0\0\0\x01\x14\x02\0", 8), bytes.substr(0, 8));
  // Saved again over the first.
  EXPECT_EQ(0, save(machine_.path("App.lnk")));
}

TEST_F(PlatformShellLinkTest, SavingWhereNoFileCanBeMadeFails) {
  ASSERT_TRUE(link_);
  ASSERT_EQ(0, link_->setPath(machine_.path("app.exe")));
  EXPECT_LT(save(machine_.path("missing\\App.lnk")), 0);
  machine_.makeDirectory(machine_.path("folder.lnk"));
  EXPECT_LT(save(machine_.path("folder.lnk")), 0);
  EXPECT_FALSE(machine_.exists(machine_.path("missing")));
}

TEST(PlatformToWideTest, FitsOnlyWithTheTerminator) {
  std::u16string wide = u"untouched";
  EXPECT_TRUE(toWide(std::string(kMaxPath - 1, 'a'), kMaxPath, &wide));
  EXPECT_EQ(std::u16string(kMaxPath - 1, u'a'), wide);
  wide = u"untouched";
  EXPECT_FALSE(toWide(std::string(kMaxPath, 'a'), kMaxPath, &wide));
  EXPECT_EQ(u"untouched", wide);
  EXPECT_TRUE(toWide("", kMaxPath, &wide));
  EXPECT_EQ(u"", wide);
}

}  // namespace
}  // namespace Platform
