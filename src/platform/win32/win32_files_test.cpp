// What the Windows file operations report, on real folders: the contract
// the file-system actions rely on where Windows behaves in its own way.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/platform_files.h"
#include "platform/platform_system.h"
#include "testing/scratch_machine.h"

namespace Platform {
namespace {

class Win32FilesTest : public ::testing::Test {
 protected:
  ScratchMachine machine_;
};

const FoundEntry* findEntry(const std::vector<FoundEntry>& entries, const std::string& name) {
  for (const FoundEntry& entry : entries) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

TEST_F(Win32FilesTest, FindFilesReportsDirectoriesAndDots) {
  machine_.makeDirectory(machine_.path("sub"));
  machine_.writeFile(machine_.path("a.txt"), "a");

  std::vector<FoundEntry> entries = findFiles(machine_.path("*"));

  ASSERT_EQ(entries.size(), 4u);
  ASSERT_NE(findEntry(entries, "."), nullptr);
  ASSERT_NE(findEntry(entries, ".."), nullptr);
  const FoundEntry* sub = findEntry(entries, "sub");
  ASSERT_NE(sub, nullptr);
  EXPECT_TRUE(sub->directory);
  EXPECT_FALSE(sub->link);
  const FoundEntry* file = findEntry(entries, "a.txt");
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(file->directory);
  EXPECT_FALSE(file->link);
}

// A directory link must be reported as a link, so that recursive
// operations remove it instead of walking into it; removing it leaves its
// target alone.
TEST_F(Win32FilesTest, FindFilesReportsDirectoryLinks) {
  machine_.makeDirectory(machine_.path("target"));
  machine_.writeFile(machine_.path("target\\kept.txt"), "kept");
  const DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  CreateSymbolicLinkA(machine_.path("link").c_str(), machine_.path("target").c_str(),
                      SYMBOLIC_LINK_FLAG_DIRECTORY | kUnprivileged);
  // Without the privilege (or under Wine, which only pretends) there is no link.
  if (!machine_.exists(machine_.path("link"))) GTEST_SKIP() << "no symbolic links here";

  std::vector<FoundEntry> entries = findFiles(machine_.path("link"));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_TRUE(entries[0].directory);
  EXPECT_TRUE(entries[0].link);

  EXPECT_TRUE(removeDirectory(machine_.path("link")));
  EXPECT_EQ(machine_.readFile(machine_.path("target\\kept.txt")), "kept");
}

TEST_F(Win32FilesTest, FindFilesGivesNothingForNoMatchOrMissingDirectory) {
  EXPECT_TRUE(findFiles(machine_.path("*.none")).empty());
  EXPECT_TRUE(findFiles(machine_.path("missing\\*")).empty());
}

TEST_F(Win32FilesTest, FileStatusOfFilesAndDirectories) {
  machine_.writeFile(machine_.path("f.bin"), "12345");
  machine_.setModified(machine_.path("f.bin"), 1000000000);
  machine_.makeDirectory(machine_.path("d"));

  FileStatus status;
  ASSERT_TRUE(fileStatus(machine_.path("f.bin"), &status));
  EXPECT_TRUE(status.regular);
  EXPECT_FALSE(status.directory);
  EXPECT_EQ(status.size, 5);
  EXPECT_EQ(status.modified, 1000000000);

  ASSERT_TRUE(fileStatus(machine_.path("d"), &status));
  EXPECT_TRUE(status.directory);
  EXPECT_FALSE(status.regular);
}

TEST_F(Win32FilesTest, FileStatusRefusesTrailingSeparatorsWildcardsAndMissingPaths) {
  machine_.makeDirectory(machine_.path("d"));
  FileStatus status;
  EXPECT_FALSE(fileStatus(machine_.path("d\\"), &status));
  EXPECT_FALSE(fileStatus(machine_.path("d/"), &status));
  EXPECT_FALSE(fileStatus(machine_.path("?"), &status));
  EXPECT_FALSE(fileStatus(machine_.path("*"), &status));
  EXPECT_FALSE(fileStatus(machine_.path("missing"), &status));
  // A drive root keeps its separator.
  std::string drive = machine_.root().substr(0, 2);
  ASSERT_TRUE(fileStatus(drive + "\\", &status));
  EXPECT_TRUE(status.directory);
}

TEST_F(Win32FilesTest, FullPathNameResolvesAndRefusesOverlongResults) {
  std::string full;
  ASSERT_TRUE(fullPathName(machine_.path("a\\.\\b\\..\\c/d.txt"), &full));
  EXPECT_EQ(full, machine_.path("a\\c\\d.txt"));

  std::string longName(259 - 3, 'x');
  ASSERT_TRUE(fullPathName("C:\\" + longName, &full));
  EXPECT_EQ(full.size(), 259u);
  EXPECT_FALSE(fullPathName("C:\\" + longName + "y", &full));
}

TEST_F(Win32FilesTest, CopyFileOverwritesKeepsTheDateAndFailsOntoReadOnly) {
  machine_.writeFile(machine_.path("from"), "new");
  machine_.setModified(machine_.path("from"), 1200000000);
  machine_.writeFile(machine_.path("to"), "old content");

  ASSERT_TRUE(copyFile(machine_.path("from"), machine_.path("to")));
  EXPECT_EQ(machine_.readFile(machine_.path("to")), "new");
  FileStatus status;
  ASSERT_TRUE(fileStatus(machine_.path("to"), &status));
  EXPECT_EQ(status.modified, 1200000000);

  machine_.setReadOnly(machine_.path("to"), true);
  machine_.writeFile(machine_.path("from"), "newer");
  EXPECT_FALSE(copyFile(machine_.path("from"), machine_.path("to")));
  EXPECT_EQ(machine_.readFile(machine_.path("to")), "new");
  EXPECT_FALSE(copyFile(machine_.path("missing"), machine_.path("other")));
}

TEST_F(Win32FilesTest, DeletionRefusesReadOnlyFilesAndFullDirectories) {
  machine_.makeDirectory(machine_.path("d"));
  machine_.writeFile(machine_.path("d\\f"), "x");
  machine_.setReadOnly(machine_.path("d\\f"), true);

  EXPECT_FALSE(deleteFile(machine_.path("d\\f")));
  EXPECT_FALSE(deleteFile(machine_.path("d")));
  EXPECT_FALSE(removeDirectory(machine_.path("d")));

  machine_.setReadOnly(machine_.path("d\\f"), false);
  EXPECT_TRUE(deleteFile(machine_.path("d\\f")));
  EXPECT_TRUE(removeDirectory(machine_.path("d")));
  EXPECT_FALSE(machine_.exists(machine_.path("d")));
}

// The API would act on the part before the NUL, a path nobody asked for.
TEST_F(Win32FilesTest, PathsWithANulInsideAreRefused) {
  machine_.makeDirectory(machine_.path("d"));
  machine_.writeFile(machine_.path("d\\f"), "x");
  const std::string nul("\0x", 2);
  std::string full;
  FileStatus status;

  EXPECT_FALSE(fullPathName(machine_.path("d") + nul, &full));
  EXPECT_FALSE(fileStatus(machine_.path("d") + nul, &status));
  EXPECT_TRUE(findFiles(machine_.path("d") + nul).empty());
  EXPECT_FALSE(deleteFile(machine_.path("d\\f") + nul));
  EXPECT_FALSE(copyFile(machine_.path("d\\f"), machine_.path("d\\f") + nul));
  EXPECT_FALSE(appendText(machine_.path("d\\f") + nul, "y"));
  EXPECT_EQ(machine_.readFile(machine_.path("d\\f")), "x");
  EXPECT_FALSE(removeDirectory(machine_.path("d") + nul));
  EXPECT_TRUE(machine_.exists(machine_.path("d")));
}

TEST_F(Win32FilesTest, CreateDirectoryNeedsTheParentAndFailsWhenPresent) {
  EXPECT_TRUE(createDirectory(machine_.path("d")));
  EXPECT_FALSE(createDirectory(machine_.path("d")));
  EXPECT_FALSE(createDirectory(machine_.path("x\\y")));
}

TEST_F(Win32FilesTest, AppendTextWritesCarriageReturnLineFeeds) {
  ASSERT_TRUE(appendText(machine_.path("log.txt"), "one\n"));
  ASSERT_TRUE(appendText(machine_.path("log.txt"), "two\n\n"));
  EXPECT_EQ(machine_.readFile(machine_.path("log.txt")), "one\r\ntwo\r\n\r\n");
  EXPECT_FALSE(appendText(machine_.path("missing\\log.txt"), "x"));
  machine_.setReadOnly(machine_.path("log.txt"), true);
  EXPECT_FALSE(appendText(machine_.path("log.txt"), "three\n"));
  EXPECT_EQ(machine_.readFile(machine_.path("log.txt")), "one\r\ntwo\r\n\r\n");
}

TEST_F(Win32FilesTest, OpenForReadingGivesBytesAndRefusesDirectories) {
  machine_.writeFile(machine_.path("s.txt"), "a\r\nb");
  std::FILE* file = openForReading(machine_.path("s.txt"));
  ASSERT_NE(file, nullptr);
  char buffer[8] = {};
  EXPECT_EQ(std::fread(buffer, 1, sizeof(buffer), file), 4u);
  std::fclose(file);
  EXPECT_EQ(std::string(buffer), "a\r\nb");

  machine_.makeDirectory(machine_.path("d"));
  EXPECT_EQ(openForReading(machine_.path("d")), nullptr);
  EXPECT_EQ(openForReading(machine_.path("missing")), nullptr);
}

TEST_F(Win32FilesTest, VersionInformationOfASystemLibraryAndOfATextFile) {
  machine_.writeFile(machine_.path("plain.txt"), "no resources here");
  EXPECT_EQ(fileVersionInfoSize(machine_.path("plain.txt")), 0u);

  std::string system;
  ASSERT_TRUE(systemDirectory(&system));
  std::string library = system + "\\kernel32.dll";
  uint32_t size = fileVersionInfoSize(library);
  ASSERT_GT(size, 0u);
  std::vector<unsigned char> data;
  ASSERT_TRUE(readFileVersionInfo(library, size, &data));
  uint32_t most = 0;
  uint32_t least = 0;
  ASSERT_TRUE(queryFileVersion(data, &most, &least));
  EXPECT_GE(most >> 16, 5u);  // every NT kernel32 is 5.x or later

  std::vector<unsigned char> noFixedInfo(64, 0);
  noFixedInfo[0] = 64;
  EXPECT_FALSE(queryFileVersion(noFixedInfo, &most, &least));
  std::vector<unsigned char> overlong(64, 0xAB);
  EXPECT_FALSE(queryFileVersion(overlong, &most, &least));
  EXPECT_FALSE(queryFileVersion({}, &most, &least));
}

}  // namespace
}  // namespace Platform
