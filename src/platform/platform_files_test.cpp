// The contract of platform_files.h, one suite for every platform: it runs on
// the emulated machine (POSIX) and on the real API (Win32, under Wine).
// What only one platform does is tested in posix/ and win32/.
#include "platform/platform_files.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/platform_system.h"
#include "testing/pe_image.h"
#include "testing/scratch_machine.h"

namespace Platform {
namespace {

using Names = std::vector<std::string>;

class PlatformFilesTest : public ::testing::Test {
 protected:
  // A test may change the current directory; the folder it leaves must not
  // stay the process's (Windows cannot remove a current directory).
  PlatformFilesTest() { fullPathName(".", &start_); }
  ~PlatformFilesTest() override { setCurrentDirectory(start_); }

  std::string path(const std::string& relative) const { return machine_.path(relative); }
  void write(const std::string& relative, const std::string& content) {
    machine_.writeFile(path(relative), content);
  }
  std::string read(const std::string& relative) const { return machine_.readFile(path(relative)); }

  Names names(const std::string& pattern) const {
    Names found;
    for (const FoundEntry& entry : findFiles(pattern)) found.push_back(entry.name);
    return found;
  }

  ScratchMachine machine_;
  std::string start_;
};

TEST_F(PlatformFilesTest, FindFilesListsDotsFoldersAndFilesInNameOrder) {
  machine_.makeDirectory(path("sub"));
  write("B.txt", "b");
  write("a.txt", "a");

  const std::vector<FoundEntry> entries = findFiles(path("*"));
  Names found;
  for (const FoundEntry& entry : entries) {
    found.push_back(entry.name);
    EXPECT_EQ(entry.name == "." || entry.name == ".." || entry.name == "sub", entry.directory)
        << entry.name;
    EXPECT_FALSE(entry.link) << entry.name;
  }
  EXPECT_EQ((Names{".", "..", "a.txt", "B.txt", "sub"}), found);
  EXPECT_EQ((Names{"a.txt", "B.txt"}), names(path("*.TXT")));
  EXPECT_EQ((Names{"B.txt"}), names(path("b.txt")));
}

TEST_F(PlatformFilesTest, FindFilesListsAFolderNamedInAnotherCase) {
  machine_.makeDirectory(path("Tree"));
  machine_.makeDirectory(path("Tree\\Leaf"));
  write("Tree\\Leaf\\a.txt", "a");
  EXPECT_EQ((Names{"a.txt"}), names(path("tree\\LEAF\\*.txt")));
  EXPECT_EQ((Names{"a.txt"}), names(path("Tree\\leaf\\*.txt")));
  EXPECT_EQ(Names{}, names(path("Tree\\Leaf\\A.TXT\\*")));  // a file is no folder
}

TEST_F(PlatformFilesTest, FindFilesGivesNothingForNoMatchAMissingFolderOrNoName) {
  write("a.txt", "a");
  EXPECT_EQ(Names{}, names(path("*.none")));
  EXPECT_EQ(Names{}, names(path("missing\\*")));
  EXPECT_EQ(Names{}, names(path("")));  // the pattern ends in a separator
}

TEST_F(PlatformFilesTest, FileStatusOfFilesAndFoldersWhateverTheirCase) {
  machine_.makeDirectory(path("Dir"));
  write("Dir\\File.bin", "12345");
  machine_.setModified(path("Dir\\File.bin"), 1000000000);

  FileStatus status;
  ASSERT_TRUE(fileStatus(path("DIR\\file.BIN"), &status));
  EXPECT_TRUE(status.regular);
  EXPECT_FALSE(status.directory);
  EXPECT_EQ(5, status.size);
  EXPECT_EQ(1000000000, status.modified);
  ASSERT_TRUE(fileStatus(path("dir"), &status));
  EXPECT_TRUE(status.directory);
  EXPECT_FALSE(status.regular);
}

TEST_F(PlatformFilesTest, FileStatusRefusesTrailingSeparatorsWildcardsAndMissingPaths) {
  machine_.makeDirectory(path("d"));
  FileStatus status;
  EXPECT_FALSE(fileStatus(path("d\\"), &status));
  EXPECT_FALSE(fileStatus(path("d/"), &status));
  EXPECT_FALSE(fileStatus(path("?"), &status));
  EXPECT_FALSE(fileStatus(path("*"), &status));
  EXPECT_FALSE(fileStatus(path("missing"), &status));
  EXPECT_FALSE(fileStatus("", &status));
  // A drive root keeps its separator.
  ASSERT_TRUE(fileStatus(machine_.root().substr(0, 2) + "\\", &status));
  EXPECT_TRUE(status.directory);
}

// Dots and blanks go at the end of the whole path only; an inner name ending
// in a dot loses that one dot, and keeps its blanks.
TEST_F(PlatformFilesTest, FullPathNameResolvesAsGetFullPathNameDoes) {
  const std::pair<const char*, const char*> paths[] = {
      {"a\\.\\b\\..\\c/d.txt", "a\\c\\d.txt"},
      {"a\\\\b\\", "a\\b\\"},
      {"a\\name. . ", "a\\name"},
      {"trail.\\inner", "trail\\inner"},
      {"trail..\\x", "trail.\\x"},
      {"blank \\x", "blank \\x"},
      {"x.\\", "x\\"},
  };
  std::string full;
  for (const auto& relative : paths) {
    ASSERT_TRUE(fullPathName(path(relative.first), &full)) << relative.first;
    EXPECT_EQ(path(relative.second), full) << relative.first;
  }
  machine_.makeDirectory(path("sub"));
  ASSERT_TRUE(setCurrentDirectory(path("sub")));
  ASSERT_TRUE(fullPathName("rel\\x", &full));
  EXPECT_EQ(path("sub\\rel\\x"), full);
  ASSERT_TRUE(fullPathName("..", &full));
  EXPECT_EQ(machine_.root(), full);
  EXPECT_FALSE(fullPathName("", &full));
  EXPECT_FALSE(setCurrentDirectory(path("missing")));
}

TEST_F(PlatformFilesTest, FullPathNameHoldsAtMost259Characters) {
  std::string full;
  ASSERT_TRUE(fullPathName("C:\\" + std::string(256, 'a'), &full));
  EXPECT_EQ(259u, full.size());
  EXPECT_TRUE(fitsMaxPath(full));
  EXPECT_FALSE(fullPathName("C:\\" + std::string(257, 'a'), &full));
  EXPECT_FALSE(fitsMaxPath(std::string(kMaxPath, 'a')));
}

TEST_F(PlatformFilesTest, CreateDirectoryNeedsTheParentAndRefusesWhatExists) {
  EXPECT_TRUE(createDirectory(path("New")));
  EXPECT_FALSE(createDirectory(path("NEW")));
  EXPECT_FALSE(createDirectory(path("missing\\child")));
  EXPECT_FALSE(createDirectory(path("what?")));
  EXPECT_FALSE(createDirectory(path("a<b")));
  EXPECT_TRUE(createDirectory(path("trailing\\")));
  EXPECT_TRUE(machine_.exists(path("trailing")));
}

// A name ending in a dot is made without it, and a path through it finds
// that folder again: C:\x\trail.\inner is C:\x\trail\inner.
TEST_F(PlatformFilesTest, ANameEndingInADotIsTheNameWithoutIt) {
  EXPECT_TRUE(createDirectory(path("trail.")));
  EXPECT_TRUE(machine_.exists(path("trail")));
  EXPECT_TRUE(createDirectory(path("trail.\\inner")));
  EXPECT_TRUE(machine_.exists(path("trail\\inner")));
  write("trail\\inner\\f.txt", "f");
  FileStatus status;
  EXPECT_TRUE(fileStatus(path("trail.\\inner.\\f.txt"), &status));
  EXPECT_EQ((Names{"f.txt"}), names(path("trail.\\inner\\*.txt")));
  EXPECT_TRUE(copyFile(path("trail.\\inner\\f.txt"), path("trail.\\g.txt")));
  EXPECT_EQ("f", read("trail\\g.txt"));
  EXPECT_TRUE(deleteFile(path("trail.\\g.txt")));
  EXPECT_FALSE(machine_.exists(path("trail\\g.txt")));
}

TEST_F(PlatformFilesTest, CopyFileOverwritesKeepsTheDateAndRefusesReadOnlyTargets) {
  write("from", "new");
  machine_.setModified(path("from"), 1200000000);
  write("to", "old content");
  ASSERT_TRUE(copyFile(path("from"), path("TO")));
  EXPECT_EQ("new", read("to"));
  FileStatus status;
  ASSERT_TRUE(fileStatus(path("to"), &status));
  EXPECT_EQ(1200000000, status.modified);

  machine_.setReadOnly(path("to"), true);
  write("from", "newer");
  EXPECT_FALSE(copyFile(path("from"), path("to")));
  EXPECT_EQ("new", read("to"));
  machine_.setReadOnly(path("to"), false);
  machine_.makeDirectory(path("dir"));
  EXPECT_FALSE(copyFile(path("missing"), path("other")));
  EXPECT_FALSE(copyFile(path("dir"), path("other")));
  EXPECT_FALSE(copyFile(path("from"), path("dir")));
  EXPECT_FALSE(copyFile(path("from"), path("none\\copy")));
  EXPECT_EQ((Names{".", "..", "dir", "from", "to"}), names(path("*")));
}

TEST_F(PlatformFilesTest, DeletionRefusesReadOnlyFilesAndFullFolders) {
  machine_.makeDirectory(path("d"));
  write("d\\f", "x");
  machine_.setReadOnly(path("d\\f"), true);
  EXPECT_FALSE(deleteFile(path("d\\f")));
  EXPECT_FALSE(deleteFile(path("d")));
  EXPECT_FALSE(removeDirectory(path("d")));
  EXPECT_FALSE(removeDirectory(path("d\\f")));

  machine_.setReadOnly(path("d\\f"), false);
  EXPECT_TRUE(deleteFile(path("D\\F")));
  EXPECT_TRUE(removeDirectory(path("D")));
  EXPECT_FALSE(machine_.exists(path("d")));
  EXPECT_FALSE(removeDirectory(path("d")));
  EXPECT_FALSE(deleteFile(path("d")));
}

// The calls would act on the part before the NUL, a path nobody asked for.
TEST_F(PlatformFilesTest, PathsWithANulInsideAreRefused) {
  machine_.makeDirectory(path("d"));
  write("d\\f", "x");
  const std::string nul("\0x", 2);
  std::string full;
  FileStatus status;
  EXPECT_FALSE(fullPathName(path("d") + nul, &full));
  EXPECT_FALSE(fileStatus(path("d") + nul, &status));
  EXPECT_TRUE(findFiles(path("d") + nul).empty());
  EXPECT_FALSE(deleteFile(path("d\\f") + nul));
  EXPECT_FALSE(copyFile(path("d\\f"), path("d\\f") + nul));
  EXPECT_FALSE(appendText(path("d\\f") + nul, "y"));
  EXPECT_EQ(nullptr, openForReading(path("d\\f") + nul));
  EXPECT_EQ("x", read("d\\f"));
  EXPECT_FALSE(removeDirectory(path("d") + nul));
  EXPECT_FALSE(createDirectory(path("e") + nul));
  EXPECT_TRUE(machine_.exists(path("d")));
  EXPECT_FALSE(machine_.exists(path("e")));
}

TEST_F(PlatformFilesTest, AppendTextWritesCarriageReturnLineFeeds) {
  ASSERT_TRUE(appendText(path("log.txt"), "one\n"));
  ASSERT_TRUE(appendText(path("LOG.TXT"), "two\n\nthree"));
  EXPECT_EQ("one\r\ntwo\r\n\r\nthree", read("log.txt"));
  EXPECT_FALSE(appendText(path("missing\\log.txt"), "x"));
  machine_.makeDirectory(path("dir"));
  EXPECT_FALSE(appendText(path("dir"), "x"));
  machine_.setReadOnly(path("log.txt"), true);
  EXPECT_FALSE(appendText(path("log.txt"), "four\n"));
  EXPECT_EQ("one\r\ntwo\r\n\r\nthree", read("log.txt"));
  machine_.setReadOnly(path("log.txt"), false);
}

TEST_F(PlatformFilesTest, OpenForReadingGivesBytesAndRefusesFolders) {
  write("s.txt", "a\r\nb");
  std::FILE* file = openForReading(path("S.TXT"));
  ASSERT_NE(nullptr, file);
  char buffer[8] = {};
  EXPECT_EQ(4u, std::fread(buffer, 1, sizeof buffer, file));
  std::fclose(file);
  EXPECT_EQ("a\r\nb", std::string(buffer));
  machine_.makeDirectory(path("d"));
  EXPECT_EQ(nullptr, openForReading(path("d")));
  EXPECT_EQ(nullptr, openForReading(path("missing")));
}

TEST_F(PlatformFilesTest, VersionInformationIsReadFromTheFile) {
  write("v.dll", PeImage::versionedDll(0x00050006, 0x00070008));
  write("plain.txt", "no resources here");
  write("short.txt", "M");
  write("empty.txt", "");
  machine_.makeDirectory(path("dir.dll"));
  for (const char* name : {"plain.txt", "short.txt", "empty.txt"}) {
    std::unique_ptr<ReadableFile> file = openReadable(path(name));
    ASSERT_NE(nullptr, file) << name;
    EXPECT_EQ(0u, file->versionInfoSize()) << name;
    std::vector<unsigned char> data;
    EXPECT_FALSE(file->readVersionInfo(64, &data)) << name;
  }
  EXPECT_EQ(nullptr, openReadable(path("missing.dll")));
  EXPECT_EQ(nullptr, openReadable(path("dir.dll")));

  std::unique_ptr<ReadableFile> versioned = openReadable(path("V.DLL"));
  ASSERT_NE(nullptr, versioned);
  const uint32_t size = versioned->versionInfoSize();
  ASSERT_NE(0u, size);
  std::vector<unsigned char> data;
  ASSERT_TRUE(versioned->readVersionInfo(size, &data));
  uint32_t most = 0;
  uint32_t least = 0;
  ASSERT_TRUE(queryFileVersion(data, &most, &least));
  EXPECT_EQ(0x00050006u, most);
  EXPECT_EQ(0x00070008u, least);

  std::vector<unsigned char> noFixedInfo(64, 0);
  noFixedInfo[0] = 64;
  EXPECT_FALSE(queryFileVersion(noFixedInfo, &most, &least));
  EXPECT_FALSE(queryFileVersion(std::vector<unsigned char>(64, 0xAB), &most, &least));
  EXPECT_FALSE(queryFileVersion({}, &most, &least));
}

// The look-up that a decision makes once: what fileStatus says, kept for
// the call that acts on the path next.
TEST_F(PlatformFilesTest, LookUpPathTellsWhatFileStatusTells) {
  machine_.makeDirectory(path("Dir"));
  write("Dir\\File.txt", "12345");
  machine_.setModified(path("Dir\\File.txt"), 1100000000);
  machine_.setReadOnly(path("Dir\\File.txt"), true);

  PathStatus found;
  ASSERT_TRUE(lookUpPath(path("dir\\FILE.TXT"), &found));
  EXPECT_TRUE(found.exists);
  EXPECT_TRUE(found.status.regular);
  EXPECT_TRUE(found.status.readOnly);
  EXPECT_EQ(5, found.status.size);
  EXPECT_EQ(1100000000, found.status.modified);
  FileStatus status;
  ASSERT_TRUE(fileStatus(path("dir\\FILE.TXT"), &status));
  EXPECT_TRUE(status.readOnly);
  machine_.setReadOnly(path("Dir\\File.txt"), false);
  ASSERT_TRUE(fileStatus(path("dir\\FILE.TXT"), &status));
  EXPECT_FALSE(status.readOnly);

  ASSERT_TRUE(lookUpPath(path("DIR"), &found));
  EXPECT_TRUE(found.status.directory);
  EXPECT_FALSE(lookUpPath(path("dir\\new.txt"), &found));
  EXPECT_FALSE(found.exists);
  EXPECT_FALSE(lookUpPath(path("dir\\"), &found));
  EXPECT_FALSE(lookUpPath(path("*.txt"), &found));
}

TEST_F(PlatformFilesTest, CreateDirectoryWithTheKnownStatusActsAsWithout) {
  machine_.makeDirectory(path("Old"));
  PathStatus known;
  lookUpPath(path("OLD"), &known);
  EXPECT_FALSE(createDirectory(path("OLD"), known));
  lookUpPath(path("old\\New"), &known);
  EXPECT_TRUE(createDirectory(path("old\\New"), known));
  EXPECT_TRUE(machine_.exists(path("Old\\New")));
  lookUpPath(path("missing\\child"), &known);
  EXPECT_FALSE(createDirectory(path("missing\\child"), known));
  lookUpPath(path("bad|name"), &known);
  EXPECT_FALSE(createDirectory(path("bad|name"), known));
  lookUpPath(path("trailing\\"), &known);
  EXPECT_TRUE(createDirectory(path("trailing\\"), known));
  EXPECT_TRUE(machine_.exists(path("trailing")));
  // A folder made a moment ago takes files whatever case names them.
  ASSERT_TRUE(appendText(path("OLD\\NEW\\f.txt"), "f"));
  EXPECT_EQ((Names{".", "..", "f.txt"}), names(path("old\\new\\*")));
  EXPECT_EQ((Names{".", "..", "New"}), names(path("old\\*")));
}

TEST_F(PlatformFilesTest, CopyToWithTheKnownStatusActsAsCopyFile) {
  write("from.txt", "new");
  machine_.setModified(path("from.txt"), 1300000000);
  write("To.txt", "old");
  machine_.setReadOnly(path("To.txt"), true);
  machine_.makeDirectory(path("dir"));
  std::unique_ptr<ReadableFile> source = openReadable(path("FROM.TXT"));
  ASSERT_NE(nullptr, source);
  EXPECT_TRUE(source->status().regular);
  EXPECT_EQ(1300000000, source->status().modified);

  PathStatus known;
  lookUpPath(path("to.txt"), &known);
  EXPECT_FALSE(source->copyTo(path("to.txt"), known));
  EXPECT_EQ("old", read("To.txt"));
  machine_.setReadOnly(path("To.txt"), false);
  lookUpPath(path("to.txt"), &known);
  EXPECT_TRUE(source->copyTo(path("to.txt"), known));
  EXPECT_EQ("new", read("To.txt"));
  FileStatus status;
  ASSERT_TRUE(fileStatus(path("to.txt"), &status));
  EXPECT_EQ(1300000000, status.modified);

  lookUpPath(path("dir\\copy.txt"), &known);
  EXPECT_TRUE(source->copyTo(path("dir\\copy.txt"), known));
  EXPECT_EQ("new", read("dir\\copy.txt"));
  lookUpPath(path("dir"), &known);
  EXPECT_FALSE(source->copyTo(path("dir"), known));
  lookUpPath(path("none\\copy.txt"), &known);
  EXPECT_FALSE(source->copyTo(path("none\\copy.txt"), known));
  lookUpPath(path("dir\\"), &known);
  EXPECT_FALSE(source->copyTo(path("dir\\"), known));
  EXPECT_EQ((Names{".", "..", "copy.txt"}), names(path("dir\\*")));
}

// A large file goes whole, also when it is copied twice from one opening.
TEST_F(PlatformFilesTest, CopiesAreWholeAndRepeatable) {
  std::string big(3 * 1024 * 1024 + 17, 'x');
  for (size_t i = 0; i < big.size(); i += 4093) big[i] = static_cast<char>('a' + i % 26);
  write("big.bin", big);
  std::unique_ptr<ReadableFile> source = openReadable(path("big.bin"));
  ASSERT_NE(nullptr, source);
  for (const char* name : {"one.bin", "two.bin"}) {
    PathStatus known;
    lookUpPath(path(name), &known);
    ASSERT_TRUE(source->copyTo(path(name), known)) << name;
    EXPECT_EQ(big, read(name)) << name;
  }
}

}  // namespace
}  // namespace Platform
