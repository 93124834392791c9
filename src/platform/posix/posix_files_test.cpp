#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "actions/file_sys.h"
#include "driver/throwable.h"
#include "platform/platform_files.h"
#include "platform/posix/machine.h"
#include "testing/pe_image.h"
#include "testing/scratch_machine.h"

namespace {

class PosixFilesTest : public testing::Test {
 protected:
  std::string path(const std::string& relative) const { return machine_.path(relative); }
  std::string host(const std::string& relative) const { return machine_.hostPath(path(relative)); }

  void write(const std::string& relative, const std::string& content) {
    const size_t separator = relative.rfind('\\');
    if (separator != std::string::npos) machine_.makeDirectory(path(relative.substr(0, separator)));
    machine_.writeFile(path(relative), content);
  }
  std::string read(const std::string& relative) const { return machine_.readFile(path(relative)); }
  bool exists(const std::string& relative) const { return machine_.exists(path(relative)); }

  std::vector<std::string> names(const std::string& pattern) const {
    std::vector<std::string> found;
    for (const Platform::FoundEntry& entry : Platform::findFiles(pattern)) {
      found.push_back(entry.name);
    }
    return found;
  }

  // Names of the scratch folder that are not the test's own: left-over
  // temporary copies would show here.
  std::vector<std::string> names() const { return names(path("*")); }

  ScratchMachine machine_;
};

// A host folder outside the installer's folder, reached through Z:.
class HostFolder {
 public:
  HostFolder() {
    std::string pattern = "/tmp/tarnwick-test-host-XXXXXX";
    if (mkdtemp(&pattern[0]) != nullptr) folder_ = pattern;
  }
  ~HostFolder() {
    unlink((folder_ + "/keep.txt").c_str());
    rmdir((folder_ + "/sub").c_str());
    rmdir(folder_.c_str());
  }
  const std::string& folder() const { return folder_; }
  std::string windows(const std::string& name) const {
    return Posix::Machine::instance().windowsPathOf(folder_ + "/" + name);
  }

 private:
  std::string folder_;
};

bool hostExists(const std::string& host) {
  struct stat status;
  return lstat(host.c_str(), &status) == 0;
}

// Windows is the reference. Known differences of Wine 8 (which the Win32
// build meets under test): "ab?" finds only "abc" (Windows also "ab"),
// "a?txt" finds "a.txt" ('?' takes the dot), "*." finds every name.
TEST_F(PosixFilesTest, WildcardsMatchAsFindFirstFileDoes) {
  for (const char* name : {"README", "a.txt", "B.TXT", "a.txt.bak", "ab", "abc", "x.y.z"}) {
    write(name, "");
  }
  using Names = std::vector<std::string>;
  EXPECT_EQ((Names{".", "..", "a.txt", "a.txt.bak", "ab", "abc", "B.TXT", "README", "x.y.z"}),
            names(path("*")));
  EXPECT_EQ(names(path("*")), names(path("*.*")));
  EXPECT_EQ((Names{"a.txt", "B.TXT"}), names(path("*.TXT")));
  EXPECT_EQ((Names{"a.txt", "B.TXT"}), names(path("*.tx?")));
  EXPECT_EQ((Names{"ab", "abc"}), names(path("ab?")));
  EXPECT_EQ((Names{"README"}), names(path("readme.*")));
  EXPECT_EQ((Names{"a.txt.bak"}), names(path("*.bak")));
  EXPECT_EQ((Names{"x.y.z"}), names(path("X.?.?")));
  EXPECT_EQ((Names{"ab"}), names(path("a?")));
  EXPECT_EQ((Names{}), names(path("b?")));
  EXPECT_EQ((Names{}), names(path("a?txt")));
  EXPECT_EQ((Names{"B.TXT"}), names(path("b.txt")));
  EXPECT_EQ((Names{}), names(path("")));  // a pattern ending in a separator
  EXPECT_EQ((Names{}), names(path("missing\\*")));
  EXPECT_EQ((Names{}), names(path("*\\*")));
}

TEST_F(PosixFilesTest, EnumerationReportsDirectoriesAndLinks) {
  write("dir\\inner.txt", "");
  write("file.txt", "");
  ASSERT_EQ(0, symlink(host("dir").c_str(), host("linkdir").c_str()));
  ASSERT_EQ(0, symlink(host("file.txt").c_str(), host("linkfile").c_str()));
  ASSERT_EQ(0, symlink("/nonexistent/tarnwick", host("dangling").c_str()));
  std::vector<Platform::FoundEntry> found = Platform::findFiles(path("*"));
  ASSERT_EQ(7u, found.size());
  auto at = [&](const std::string& name) {
    for (const Platform::FoundEntry& entry : found) {
      if (entry.name == name) return entry;
    }
    return Platform::FoundEntry();
  };
  EXPECT_TRUE(at("dir").directory && !at("dir").link);
  EXPECT_TRUE(!at("file.txt").directory && !at("file.txt").link);
  EXPECT_TRUE(at("linkdir").directory && at("linkdir").link);
  EXPECT_TRUE(!at("linkfile").directory && at("linkfile").link);
  EXPECT_TRUE(!at("dangling").directory && at("dangling").link);
}

TEST_F(PosixFilesTest, StatusFollowsTheRuntimeRules) {
  write("dir\\file.txt", "12345");
  machine_.setModified(path("dir\\file.txt"), 1500000000);
  Platform::FileStatus status;
  ASSERT_TRUE(Platform::fileStatus(path("DIR\\FILE.TXT"), &status));
  EXPECT_TRUE(status.regular);
  EXPECT_FALSE(status.directory);
  EXPECT_EQ(5, status.size);
  EXPECT_EQ(1500000000, status.modified);
  ASSERT_TRUE(Platform::fileStatus(path("dir"), &status));
  EXPECT_TRUE(status.directory);

  EXPECT_FALSE(Platform::fileStatus(path("dir\\"), &status));
  EXPECT_FALSE(Platform::fileStatus(path("dir/"), &status));
  EXPECT_FALSE(Platform::fileStatus(path("dir\\*.txt"), &status));
  EXPECT_FALSE(Platform::fileStatus(path("dir\\file.txt\\x"), &status));
  EXPECT_FALSE(Platform::fileStatus("C:", &status));
  EXPECT_FALSE(Platform::fileStatus("", &status));
  EXPECT_FALSE(Platform::fileStatus("Q:\\", &status));
  EXPECT_TRUE(Platform::fileStatus("C:\\", &status));
  EXPECT_TRUE(status.directory);
  EXPECT_TRUE(Platform::fileStatus("c:/", &status));
  ASSERT_TRUE(Platform::setCurrentDirectory(machine_.root()));
  EXPECT_TRUE(Platform::fileStatus("\\", &status));
  EXPECT_TRUE(Platform::fileStatus("dir\\file.txt", &status));
}

TEST_F(PosixFilesTest, CopyOverwritesKeepsTheTimeAndLeavesNothingBehind) {
  write("src.txt", "new content");
  machine_.setModified(path("src.txt"), 1400000000);
  write("dst.txt", "old");
  ASSERT_TRUE(Platform::copyFile(path("src.txt"), path("DST.TXT")));
  EXPECT_EQ("new content", read("dst.txt"));
  Platform::FileStatus status;
  ASSERT_TRUE(Platform::fileStatus(path("dst.txt"), &status));
  EXPECT_EQ(1400000000, status.modified);
  EXPECT_EQ((std::vector<std::string>{".", "..", "dst.txt", "src.txt"}), names());
}

TEST_F(PosixFilesTest, CopyRefusesWhatCopyFileRefuses) {
  write("src.txt", "new");
  write("locked.txt", "old");
  machine_.setReadOnly(path("locked.txt"), true);
  machine_.makeDirectory(path("dir"));
  EXPECT_FALSE(Platform::copyFile(path("src.txt"), path("locked.txt")));
  EXPECT_EQ("old", read("locked.txt"));
  EXPECT_FALSE(Platform::copyFile(path("src.txt"), path("dir")));
  EXPECT_FALSE(Platform::copyFile(path("src.txt"), path("src.txt")));
  EXPECT_FALSE(Platform::copyFile(path("dir"), path("copy")));
  EXPECT_FALSE(Platform::copyFile(path("missing.txt"), path("copy")));
  EXPECT_FALSE(Platform::copyFile(path("src.txt"), path("none\\copy")));
  EXPECT_FALSE(Platform::copyFile(path("src.txt"), path("bad|name")));
  EXPECT_FALSE(Platform::copyFile(path("src.txt"), path("dir\\")));
  EXPECT_EQ((std::vector<std::string>{".", "..", "dir", "locked.txt", "src.txt"}), names());
  machine_.setReadOnly(path("locked.txt"), false);
}

TEST_F(PosixFilesTest, ReadOnlyIsRespectedEvenAsRoot) {
  write("locked.txt", "x");
  machine_.makeDirectory(path("lockeddir"));
  machine_.setReadOnly(path("locked.txt"), true);
  machine_.setReadOnly(path("lockeddir"), true);
  EXPECT_FALSE(Platform::deleteFile(path("locked.txt")));
  EXPECT_FALSE(Platform::removeDirectory(path("lockeddir")));
  EXPECT_FALSE(Platform::appendText(path("locked.txt"), "more"));
  EXPECT_EQ("x", read("locked.txt"));
  EXPECT_TRUE(exists("lockeddir"));
  machine_.setReadOnly(path("locked.txt"), false);
  machine_.setReadOnly(path("lockeddir"), false);
  EXPECT_TRUE(Platform::deleteFile(path("locked.txt")));
  EXPECT_TRUE(Platform::removeDirectory(path("lockeddir")));
}

TEST_F(PosixFilesTest, CreateAndRemoveDirectoriesAsWindowsDoes) {
  EXPECT_TRUE(Platform::createDirectory(path("New")));
  EXPECT_FALSE(Platform::createDirectory(path("NEW")));
  EXPECT_FALSE(Platform::createDirectory(path("missing\\child")));
  EXPECT_FALSE(Platform::createDirectory(path("what?")));
  EXPECT_FALSE(Platform::createDirectory(path("a<b")));
  EXPECT_TRUE(Platform::createDirectory(path("trailing\\")));
  write("New\\file.txt", "");
  EXPECT_FALSE(Platform::removeDirectory(path("new")));
  EXPECT_FALSE(Platform::deleteFile(path("new")));
  EXPECT_FALSE(Platform::removeDirectory(path("new\\file.txt")));
  EXPECT_TRUE(Platform::deleteFile(path("new\\file.txt")));
  EXPECT_TRUE(Platform::removeDirectory(path("new")));
  EXPECT_FALSE(Platform::removeDirectory(path("new")));
  EXPECT_FALSE(Platform::removeDirectory("C:\\"));
  EXPECT_FALSE(Platform::deleteFile("C:\\"));
  EXPECT_FALSE(Platform::createDirectory("Q:\\x"));
}

TEST_F(PosixFilesTest, LinksAreRemovedThemselves) {
  write("target\\keep.txt", "keep");
  write("file.txt", "file");
  ASSERT_EQ(0, symlink(host("target").c_str(), host("dirlink").c_str()));
  ASSERT_EQ(0, symlink(host("file.txt").c_str(), host("filelink").c_str()));
  EXPECT_TRUE(Platform::removeDirectory(path("dirlink")));
  EXPECT_TRUE(Platform::deleteFile(path("filelink")));
  EXPECT_FALSE(exists("dirlink"));
  EXPECT_FALSE(exists("filelink"));
  EXPECT_EQ("keep", read("target\\keep.txt"));
  EXPECT_EQ("file", read("file.txt"));
}

TEST_F(PosixFilesTest, RecursiveDeletionNeverFollowsALinkInTheTree) {
  write("outside\\precious.txt", "precious");
  write("tree\\own.txt", "own");
  write("file.txt", "file");
  ASSERT_EQ(0, symlink(host("outside").c_str(), host("tree\\outlink").c_str()));
  ASSERT_EQ(0, symlink(host("file.txt").c_str(), host("tree\\filelink").c_str()));
  FileSys::deleteFiles(path("tree"), true);
  EXPECT_FALSE(exists("tree"));
  EXPECT_EQ("precious", read("outside\\precious.txt"));
  EXPECT_EQ("file", read("file.txt"));
}

TEST_F(PosixFilesTest, CopyTakesLinkedFilesAndListsLinkedDirectories) {
  write("outside\\inner.txt", "inner");
  write("data.txt", "data");
  write("src\\own.txt", "own");
  ASSERT_EQ(0, symlink(host("outside").c_str(), host("src\\dirlink").c_str()));
  ASSERT_EQ(0, symlink(host("data.txt").c_str(), host("src\\filelink").c_str()));
  machine_.makeDirectory(path("dst"));
  try {
    FileSys::copyFiles(path("src"), path("dst"));
    FAIL() << "no exception";
  } catch (const FileSysException& error) {
    EXPECT_EQ("The following directories/files could not be copied:\n\t" + path("src\\dirlink"),
              error.message());
  }
  EXPECT_EQ("own", read("dst\\src\\own.txt"));
  EXPECT_EQ("data", read("dst\\src\\filelink"));
  struct stat status;
  ASSERT_EQ(0, lstat(host("dst\\src\\filelink").c_str(), &status));
  EXPECT_TRUE(S_ISREG(status.st_mode));
  EXPECT_FALSE(exists("dst\\src\\dirlink"));
}

TEST_F(PosixFilesTest, NamedLinkIsFollowedAsTheNamedPath) {
  write("real\\inner.txt", "inner");
  ASSERT_EQ(0, symlink(host("real").c_str(), host("named").c_str()));
  machine_.makeDirectory(path("dst"));
  FileSys::copyFiles(path("named"), path("dst"));
  EXPECT_EQ("inner", read("dst\\named\\inner.txt"));
}

TEST_F(PosixFilesTest, DriveRootIsNeverDeletedRecursively) {
  write("keep.txt", "keep");
  const char* header = "The following directories/files could not be deleted:\n";
  const std::pair<const char*, const char*> roots[] = {
      {"C:\\", "C:\\"}, {"c:/", "c:\\"}, {"C:\\*", "C:\\*"}, {"C:\\dir\\..", "C:\\"}};
  for (const auto& root : roots) {
    try {
      FileSys::deleteFiles(root.first, true);
      FAIL() << "no exception for " << root.first;
    } catch (const FileSysException& error) {
      EXPECT_EQ(std::string(header) + "\t" + root.second, error.message());
    }
  }
  ASSERT_TRUE(Platform::setCurrentDirectory(machine_.root()));
  try {
    FileSys::deleteFiles("\\", true);
    FAIL() << "no exception";
  } catch (const FileSysException& error) {
    EXPECT_EQ(std::string(header) + "\tC:\\", error.message());
  }
  EXPECT_EQ("keep", read("keep.txt"));
}

TEST(PosixZDriveTest, NothingOutsideTheInstallerFolderCanBeChanged) {
  ScratchMachine machine;
  HostFolder outside;
  ASSERT_FALSE(outside.folder().empty());
  {
    std::FILE* file = std::fopen((outside.folder() + "/keep.txt").c_str(), "w");
    ASSERT_NE(nullptr, file);
    std::fputs("keep", file);
    std::fclose(file);
  }
  const std::string keep = outside.windows("keep.txt");
  ASSERT_EQ("Z:\\", keep.substr(0, 3));
  machine.writeFile(machine.path("src.txt"), "replacement");

  EXPECT_FALSE(Platform::deleteFile(keep));
  EXPECT_FALSE(Platform::copyFile(machine.path("src.txt"), keep));
  EXPECT_FALSE(Platform::appendText(keep, "more"));
  EXPECT_FALSE(Platform::createDirectory(outside.windows("sub")));
  EXPECT_FALSE(
      Platform::removeDirectory(Posix::Machine::instance().windowsPathOf(outside.folder())));
  EXPECT_THROW(
      FileSys::deleteFiles(Posix::Machine::instance().windowsPathOf(outside.folder()), true),
      FileSysException);
  EXPECT_TRUE(hostExists(outside.folder() + "/keep.txt"));
  EXPECT_FALSE(hostExists(outside.folder() + "/sub"));
  Platform::FileStatus status;
  ASSERT_TRUE(Platform::fileStatus(keep, &status));  // reading is allowed
  EXPECT_EQ(4, status.size);
}

TEST(PosixZDriveTest, TheInstallerFolderItselfIsWritable) {
  ScratchMachine machine;
  const std::string module = Posix::Machine::instance().moduleFileName();
  if (module.compare(0, 3, "Z:\\") != 0) GTEST_SKIP() << "the test binary lives on C:";
  const std::string file = module.substr(0, module.rfind('\\')) + "\\tarnwick-zrule-" +
                           std::to_string(getpid()) + ".tmp";
  ASSERT_TRUE(Platform::appendText(file, "x\n"));
  EXPECT_TRUE(Platform::deleteFile(file));
}

TEST_F(PosixFilesTest, AppendedTextGetsCarriageReturns) {
  ASSERT_TRUE(Platform::appendText(path("log.txt"), "one\ntwo\n"));
  ASSERT_TRUE(Platform::appendText(path("LOG.TXT"), "three"));
  EXPECT_EQ("one\r\ntwo\r\nthree", read("log.txt"));
  EXPECT_FALSE(Platform::appendText(path("missing\\log.txt"), "x"));
  machine_.makeDirectory(path("dir"));
  EXPECT_FALSE(Platform::appendText(path("dir"), "x"));
}

TEST_F(PosixFilesTest, OpenForReadingRefusesDirectories) {
  write("file.txt", "a\r\nb");
  std::FILE* file = Platform::openForReading(path("FILE.txt"));
  ASSERT_NE(nullptr, file);
  char buffer[8] = {};
  EXPECT_EQ(4u, std::fread(buffer, 1, sizeof buffer, file));
  EXPECT_EQ("a\r\nb", std::string(buffer));
  std::fclose(file);
  machine_.makeDirectory(path("dir"));
  EXPECT_EQ(nullptr, Platform::openForReading(path("dir")));
  EXPECT_EQ(nullptr, Platform::openForReading(path("missing")));
  EXPECT_EQ(nullptr, Platform::openForReading(path("file.txt\\")));
}

TEST_F(PosixFilesTest, FullPathNameHoldsAtMost259Characters) {
  std::string full;
  const std::string base = "C:\\";
  ASSERT_TRUE(Platform::fullPathName(base + std::string(256, 'a'), &full));
  EXPECT_EQ(259u, full.size());
  EXPECT_FALSE(Platform::fullPathName(base + std::string(257, 'a'), &full));
  EXPECT_FALSE(Platform::fullPathName("", &full));
  // The other calls refuse what does not fit either.
  const std::string longPath = path(std::string(259 - path("").size() + 1, 'b'));
  Platform::FileStatus status;
  EXPECT_FALSE(Platform::createDirectory(longPath));
  EXPECT_FALSE(Platform::appendText(longPath, "x"));
  EXPECT_FALSE(Platform::fileStatus(longPath, &status));
  ASSERT_TRUE(Platform::fullPathName("C:/a//b/./c/../d.", &full));
  EXPECT_EQ("C:\\a\\b\\d", full);
}

TEST_F(PosixFilesTest, CurrentDirectoryAnchorsRelativePaths) {
  write("sub\\file.txt", "x");
  EXPECT_FALSE(Platform::setCurrentDirectory(path("missing")));
  EXPECT_FALSE(Platform::setCurrentDirectory(path("sub\\file.txt")));
  ASSERT_TRUE(Platform::setCurrentDirectory(path("SUB")));
  std::string full;
  ASSERT_TRUE(Platform::fullPathName("file.txt", &full));
  EXPECT_EQ(path("SUB\\file.txt"), full);
  EXPECT_TRUE(FileSys::isRegularFile("file.txt"));
}

TEST_F(PosixFilesTest, VersionResourcesAreReadFromTheFile) {
  write("v.dll", PeImage::versionedDll(0x00050006, 0x00070008));
  write("text.txt", "no version here");
  const std::string image = PeImage::versionedDll(1, 2);
  write("cut.dll", image.substr(0, PeImage::kVersionData + 10));
  machine_.makeDirectory(path("dir.dll"));

  EXPECT_EQ(0u, Platform::fileVersionInfoSize(path("text.txt")));
  EXPECT_EQ(0u, Platform::fileVersionInfoSize(path("missing.dll")));
  EXPECT_EQ(0u, Platform::fileVersionInfoSize(path("dir.dll")));
  const uint32_t size = Platform::fileVersionInfoSize(path("V.DLL"));
  ASSERT_NE(0u, size);
  std::vector<unsigned char> data;
  ASSERT_TRUE(Platform::readFileVersionInfo(path("v.dll"), size, &data));
  uint32_t most = 0;
  uint32_t least = 0;
  ASSERT_TRUE(Platform::queryFileVersion(data, &most, &least));
  EXPECT_EQ(0x00050006u, most);
  EXPECT_EQ(0x00070008u, least);

  ASSERT_NE(0u, Platform::fileVersionInfoSize(path("cut.dll")));
  EXPECT_FALSE(Platform::readFileVersionInfo(path("cut.dll"), 92, &data));
  EXPECT_FALSE(Platform::queryFileVersion(std::vector<unsigned char>(), &most, &least));
}

}  // namespace
