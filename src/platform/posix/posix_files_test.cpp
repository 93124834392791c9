// What the emulated machine's files do beyond the contract that every platform
// keeps (platform_files_test.cpp): the Z: rule, host links, Windows' own
// wildcard rules and path limits where Wine is more lenient.
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

// The DOS rules of the name part (windows_names_test.cpp), where Wine
// departs from Windows; a wildcard in the folder part finds nothing.
TEST_F(PosixFilesTest, PatternsFollowWindowsRulesInTheNamePartOnly) {
  for (const char* name : {"README", "a.txt", "ab", "abc"}) write(name, "");
  using Names = std::vector<std::string>;
  EXPECT_EQ(names(path("*")), names(path("*.*")));
  EXPECT_EQ((Names{"README"}), names(path("readme.*")));
  EXPECT_EQ((Names{"ab", "abc"}), names(path("ab?")));
  EXPECT_EQ((Names{}), names(path("a?txt")));
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

// msvcrt's _stat as Windows has it: blanks at the end are ignored, "C:"
// alone and a name below a file fail, the roots answer.
TEST_F(PosixFilesTest, StatusFollowsTheRuntimeRules) {
  write("dir\\file.txt", "12345");
  Platform::FileStatus status;
  EXPECT_TRUE(Platform::fileStatus(path("dir\\file.txt  "), &status));
  EXPECT_FALSE(Platform::fileStatus(path("dir\\file.txt\\x"), &status));
  EXPECT_FALSE(Platform::fileStatus("C:", &status));
  EXPECT_FALSE(Platform::fileStatus("Q:\\", &status));
  EXPECT_TRUE(Platform::fileStatus("C:\\", &status));
  EXPECT_TRUE(status.directory);
  EXPECT_TRUE(Platform::fileStatus("c:/", &status));
  ASSERT_TRUE(Platform::setCurrentDirectory(machine_.root()));
  EXPECT_TRUE(Platform::fileStatus("\\", &status));
  EXPECT_TRUE(Platform::fileStatus("dir\\file.txt", &status));
}

TEST_F(PosixFilesTest, CopyRefusesWhatCopyFileRefuses) {
  write("src.txt", "new");
  machine_.makeDirectory(path("dir"));
  EXPECT_FALSE(Platform::copyFile(path("src.txt"), path("src.txt")));
  EXPECT_FALSE(Platform::copyFile(path("src.txt"), path("bad|name")));
  EXPECT_FALSE(Platform::copyFile(path("src.txt"), path("dir\\")));
  EXPECT_EQ((std::vector<std::string>{".", "..", "dir", "src.txt"}), names());
}

// The emulation checks the read-only attribute itself, so that it holds for
// root too; a read-only folder is not removed either.
TEST_F(PosixFilesTest, ReadOnlyIsRespectedEvenAsRoot) {
  machine_.makeDirectory(path("lockeddir"));
  machine_.setReadOnly(path("lockeddir"), true);
  EXPECT_FALSE(Platform::removeDirectory(path("lockeddir")));
  EXPECT_TRUE(exists("lockeddir"));
  machine_.setReadOnly(path("lockeddir"), false);
  EXPECT_TRUE(Platform::removeDirectory(path("lockeddir")));
}

TEST_F(PosixFilesTest, RootsAndDrivesThatDoNotExistAreNeverChanged) {
  EXPECT_FALSE(Platform::removeDirectory("C:\\"));
  EXPECT_FALSE(Platform::deleteFile("C:\\"));
  EXPECT_FALSE(Platform::createDirectory("Q:\\x"));
  // Nothing climbs above the root, not even the ".." that "..." leaves.
  EXPECT_FALSE(Platform::createDirectory("C:\\...\\x"));
  EXPECT_TRUE(Platform::createDirectory("C:\\..\\x."));
  EXPECT_TRUE(hostExists(Posix::Machine::instance().folder() + "/drive_c/x"));
  EXPECT_FALSE(hostExists(Posix::Machine::instance().folder() + "/x"));
}

// A link is an entry of its own: removed itself, never followed, also when
// a tree that holds it is deleted.
TEST_F(PosixFilesTest, LinksAreRemovedThemselvesAndNeverFollowed) {
  write("target\\keep.txt", "keep");
  write("file.txt", "file");
  write("tree\\own.txt", "own");
  for (const char* tree : {"", "tree\\"}) {
    ASSERT_EQ(0, symlink(host("target").c_str(), host(tree + std::string("dirlink")).c_str()));
    ASSERT_EQ(0, symlink(host("file.txt").c_str(), host(tree + std::string("filelink")).c_str()));
  }
  EXPECT_TRUE(Platform::removeDirectory(path("dirlink")));
  EXPECT_TRUE(Platform::deleteFile(path("filelink")));
  FileSys::deleteFiles(path("tree"), true);
  for (const char* gone : {"dirlink", "filelink", "tree"}) EXPECT_FALSE(exists(gone)) << gone;
  EXPECT_EQ("keep", read("target\\keep.txt"));
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

// Every call refuses a path whose full form does not fit MAX_PATH, as the
// ANSI calls do on Windows (Wine is more lenient).
TEST_F(PosixFilesTest, EveryCallRefusesWhatDoesNotFitMaxPath) {
  const std::string longPath = path(std::string(Platform::kMaxPath - path("").size(), 'b'));
  ASSERT_EQ(Platform::kMaxPath, longPath.size());
  Platform::FileStatus status;
  write("f.txt", "x");
  EXPECT_FALSE(Platform::createDirectory(longPath));
  EXPECT_FALSE(Platform::appendText(longPath, "x"));
  EXPECT_FALSE(Platform::fileStatus(longPath, &status));
  EXPECT_FALSE(Platform::copyFile(path("f.txt"), longPath));
  EXPECT_EQ(nullptr, Platform::openForReading(longPath));
  EXPECT_EQ(nullptr, Platform::openForReading(path("f.txt\\")));
}

// A resource that the file's end cuts off is found but cannot be read.
TEST_F(PosixFilesTest, ACutOffVersionResourceCannotBeRead) {
  const std::string image = PeImage::versionedDll(1, 2);
  write("cut.dll", image.substr(0, PeImage::kVersionData + 10));
  std::unique_ptr<Platform::ReadableFile> file = Platform::openReadable(path("cut.dll"));
  ASSERT_NE(nullptr, file);
  ASSERT_NE(0u, file->versionInfoSize());
  std::vector<unsigned char> data;
  EXPECT_FALSE(file->readVersionInfo(92, &data));
}

}  // namespace
