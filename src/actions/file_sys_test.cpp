#include "actions/file_sys.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "driver/throwable.h"
#include "testing/pe_image.h"
#include "testing/scratch_machine.h"

namespace {

const char kCopyHeader[] = "The following directories/files could not be copied:\n";
const char kDeleteHeader[] = "The following directories/files could not be deleted:\n";

class FileSysTest : public testing::Test {
 protected:
  std::string path(const std::string& relative) const { return machine_.path(relative); }

  void write(const std::string& relative, const std::string& content, int64_t modified = 1000000) {
    const size_t separator = relative.rfind('\\');
    if (separator != std::string::npos) mkdir(relative.substr(0, separator));
    machine_.writeFile(path(relative), content);
    machine_.setModified(path(relative), modified);
  }

  // A DLL with the given version; `marker` makes its bytes tell it apart.
  void writeDll(const std::string& relative, uint32_t most, uint32_t least, int64_t modified,
                const std::string& marker) {
    write(relative, PeImage::versionedDll(most, least) + marker, modified);
  }

  std::string read(const std::string& relative) const { return machine_.readFile(path(relative)); }
  bool exists(const std::string& relative) const { return machine_.exists(path(relative)); }
  void mkdir(const std::string& relative) { machine_.makeDirectory(path(relative)); }

  // The message FileSys throws, or "" when it throws nothing.
  template <typename Action>
  static std::string messageOf(Action action) {
    try {
      action();
    } catch (const FileSysException& error) {
      return error.message();
    }
    return "";
  }

  std::vector<std::string> collect(const std::string& relative, int limit) const {
    std::vector<FileSys::FileEntry> entries;
    FileSys::collectEntries(path(relative), &entries, limit);
    std::vector<std::string> described;
    const size_t prefix = machine_.root().size() + 1;
    for (const FileSys::FileEntry& entry : entries) {
      described.push_back(entry.path.substr(prefix) + (entry.entryType ? "/" : "") + ":" +
                          std::to_string(entry.depth));
    }
    return described;
  }

  ScratchMachine machine_;
};

TEST_F(FileSysTest, StatusQueriesTellFilesFromDirectories) {
  write("file.txt", "x");
  mkdir("dir");
  EXPECT_TRUE(FileSys::pathExists(path("file.txt")));
  EXPECT_TRUE(FileSys::isRegularFile(path("FILE.TXT")));
  EXPECT_FALSE(FileSys::isDirectory(path("file.txt")));
  EXPECT_TRUE(FileSys::isDirectory(path("dir")));
  EXPECT_FALSE(FileSys::isRegularFile(path("dir")));
  EXPECT_FALSE(FileSys::pathExists(path("missing")));
  // As the runtime's status query: a trailing separator or a wildcard fails.
  EXPECT_FALSE(FileSys::pathExists(path("dir") + "\\"));
  EXPECT_FALSE(FileSys::pathExists(path("*.txt")));
}

TEST_F(FileSysTest, WholePathCreationMakesEveryMissingLevel) {
  mkdir("a");
  FileSys::createDirectory(path("a\\b\\c"), false);
  EXPECT_TRUE(FileSys::isDirectory(path("a\\b")));
  EXPECT_TRUE(FileSys::isDirectory(path("a\\b\\c")));
  EXPECT_EQ("", messageOf([&] { FileSys::createDirectory(path("a\\b\\c"), false); }));
  EXPECT_EQ("", messageOf([&] { FileSys::createDirectory(path("A\\B"), true); }));
}

TEST_F(FileSysTest, WholePathCreationAcceptsATrailingSeparator) {
  FileSys::createDirectory(path("App\\Data\\"), false);
  EXPECT_TRUE(FileSys::isDirectory(path("App\\Data")));
  EXPECT_EQ("", messageOf([&] { FileSys::createDirectory(path("App\\Data\\"), false); }));
}

TEST_F(FileSysTest, CreationFailuresNameTheLevelThatFailed) {
  write("file", "x");
  EXPECT_EQ("Unable to create directory: " + path("file\\sub"),
            messageOf([&] { FileSys::createDirectory(path("file\\sub\\deeper"), false); }));
  EXPECT_EQ("Unable to create directory: " + path("none\\sub"),
            messageOf([&] { FileSys::createDirectory(path("none\\sub"), true); }));
  // A single level that exists as a file is left alone.
  EXPECT_EQ("", messageOf([&] { FileSys::createDirectory(path("file"), true); }));
}

TEST_F(FileSysTest, CollectionIsBreadthFirstWithEveryDirectoryBeforeItsContent) {
  write("src\\b.txt", "b");
  write("src\\a.txt", "a");
  write("src\\sub\\c.txt", "c");
  write("src\\sub\\deep\\d.txt", "d");
  mkdir("src\\empty");
  EXPECT_EQ((std::vector<std::string>{"src/:0", "src\\a.txt:1", "src\\b.txt:1", "src\\empty/:1",
                                      "src\\sub/:1", "src\\sub\\c.txt:2", "src\\sub\\deep/:2",
                                      "src\\sub\\deep\\d.txt:3"}),
            collect("src", -1));
  EXPECT_EQ((std::vector<std::string>{"src/:0"}), collect("src", 0));
  EXPECT_EQ((std::vector<std::string>{"src/:0", "src\\a.txt:1", "src\\b.txt:1", "src\\empty/:1",
                                      "src\\sub/:1"}),
            collect("src", 1));
  EXPECT_EQ((std::vector<std::string>{"src\\a.txt:0"}), collect("src\\a.txt", -1));
}

TEST_F(FileSysTest, PatternFiltersOnlyItsOwnLevel) {
  write("src\\a.dll", "a");
  write("src\\B.DLL", "b");
  write("src\\c.txt", "c");
  write("src\\lib.dll\\inner.txt", "i");
  EXPECT_EQ((std::vector<std::string>{"src\\a.dll:0", "src\\B.DLL:0", "src\\lib.dll/:0",
                                      "src\\lib.dll\\inner.txt:1"}),
            collect("src\\*.dll", -1));
  EXPECT_EQ((std::vector<std::string>{}), collect("src\\*.exe", -1));
  EXPECT_EQ((std::vector<std::string>{}), collect("missing\\*", -1));
}

TEST_F(FileSysTest, FileIsCopiedIntoADirectoryOrOntoANewName) {
  write("src\\a.txt", "alpha", 1234567);
  mkdir("dst");
  FileSys::copyFiles(path("src\\a.txt"), path("dst"));
  EXPECT_EQ("alpha", read("dst\\a.txt"));
  EXPECT_EQ(1234567, FileSys::getFileDate(path("dst\\a.txt")));  // the copy keeps the time

  FileSys::copyFiles(path("src\\a.txt"), path("dst\\renamed.txt"));
  EXPECT_EQ("alpha", read("dst\\renamed.txt"));

  write("src\\b.txt", "beta");
  FileSys::copyFiles(path("src\\b.txt"), path("dst") + "\\");
  EXPECT_EQ("beta", read("dst\\b.txt"));
}

TEST_F(FileSysTest, DirectoryIsCopiedWithItsWholeTree) {
  write("src\\a.txt", "a");
  write("src\\sub\\c.txt", "c");
  mkdir("src\\empty");
  mkdir("dst");
  FileSys::copyFiles(path("src"), path("dst"));
  EXPECT_EQ("a", read("dst\\src\\a.txt"));
  EXPECT_EQ("c", read("dst\\src\\sub\\c.txt"));
  EXPECT_TRUE(FileSys::isDirectory(path("dst\\src\\empty")));
  // Again, onto what is there now: nothing is newer, nothing fails.
  EXPECT_EQ("", messageOf([&] { FileSys::copyFiles(path("src"), path("dst")); }));
}

TEST_F(FileSysTest, PatternCopiesEachMatchIntoTheTarget) {
  write("src\\a.dll", "a");
  write("src\\b.txt", "b");
  write("src\\lib.dll\\inner.txt", "i");
  mkdir("dst");
  FileSys::copyFiles(path("src\\*.dll"), path("dst"));
  EXPECT_EQ("a", read("dst\\a.dll"));
  EXPECT_EQ("i", read("dst\\lib.dll\\inner.txt"));
  EXPECT_FALSE(exists("dst\\b.txt"));
  EXPECT_EQ("", messageOf([&] { FileSys::copyFiles(path("src\\*.none"), path("dst")); }));
}

TEST_F(FileSysTest, DirectoryOntoAMissingTargetListsEveryDirectory) {
  write("src\\a.txt", "a", 1000);
  write("src\\sub\\c.txt", "c", 2000);
  mkdir("dst");
  EXPECT_EQ(std::string(kCopyHeader) + "\t" + path("src") + "\t" + path("src\\sub"),
            messageOf([&] { FileSys::copyFiles(path("src"), path("dst\\single")); }));
  // Every file went to the target path itself; the newer one won.
  EXPECT_EQ("c", read("dst\\single"));
}

TEST_F(FileSysTest, FailedCopiesAreListedWithTabsAndNoOtherSeparator) {
  write("src\\a.dll", "new a", 2000);
  write("src\\b.dll", "new b", 2000);
  write("dst\\a.dll", "old a", 1000);
  write("dst\\b.dll", "old b", 1000);
  machine_.setReadOnly(path("dst\\a.dll"), true);
  machine_.setReadOnly(path("dst\\b.dll"), true);
  EXPECT_EQ(std::string(kCopyHeader) + "\t" + path("src\\a.dll") + "\t" + path("src\\b.dll"),
            messageOf([&] { FileSys::copyFiles(path("src\\*.dll"), path("dst")); }));
  EXPECT_EQ("old a", read("dst\\a.dll"));
  machine_.setReadOnly(path("dst\\a.dll"), false);
  machine_.setReadOnly(path("dst\\b.dll"), false);
}

TEST_F(FileSysTest, CopyFileFailureNamesBothPaths) {
  write("src\\a.txt", "a");
  FileSys::FileEntry entry{path("src\\a.txt"), FileSys::File, 0, false};
  EXPECT_EQ("Unable to copy file " + path("src\\a.txt") + " to " + path("none\\a.txt"),
            messageOf([&] { FileSys::copyFile(entry, path("none\\a.txt")); }));
}

TEST_F(FileSysTest, EqualVersionsKeepTheTargetWhateverTheDates) {
  writeDll("src.dll", 1, 2, 9000, "source");
  writeDll("dst.dll", 1, 2, 1000, "target");
  EXPECT_FALSE(FileSys::isNewer(path("src.dll"), path("dst.dll")));
  FileSys::copyFile({path("src.dll"), FileSys::File, 0, false}, path("dst.dll"));
  EXPECT_EQ("target", read("dst.dll").substr(read("dst.dll").size() - 6));
}

TEST_F(FileSysTest, VersionsCompareAsTwoUnsignedHalves) {
  struct Case {
    uint32_t sourceMost, sourceLeast, targetMost, targetLeast;
    bool newer;
  };
  const Case cases[] = {
      {2, 0, 1, 0xFFFFFFFF, true}, {0x80000000, 0, 0x7FFFFFFF, 9, true},
      {1, 0x80000000, 1, 5, true}, {1, 5, 1, 5, false},
      {1, 4, 1, 5, false},         {1, 0xFFFFFFFF, 2, 0, false},
  };
  for (const Case& c : cases) {
    writeDll("src.dll", c.sourceMost, c.sourceLeast, 1000, "");
    writeDll("dst.dll", c.targetMost, c.targetLeast, 5000, "");
    EXPECT_EQ(c.newer, FileSys::isNewer(path("src.dll"), path("dst.dll")))
        << c.sourceMost << "." << c.sourceLeast << " vs " << c.targetMost << "." << c.targetLeast;
  }
  FileSys::FileVersion version = FileSys::getFileVersion(path("src.dll"));
  EXPECT_EQ(1u, version.mostSignificant);
  EXPECT_EQ(0xFFFFFFFFu, version.leastSignificant);
}

TEST_F(FileSysTest, WithoutVersionOnEitherSideTheDatesDecide) {
  writeDll("versioned.dll", 5, 0, 2000, "");
  write("plain.txt", "x", 1000);
  EXPECT_TRUE(FileSys::isNewer(path("versioned.dll"), path("plain.txt")));
  EXPECT_FALSE(FileSys::isNewer(path("plain.txt"), path("versioned.dll")));
  write("same.txt", "y", 2000);
  EXPECT_FALSE(FileSys::isNewer(path("same.txt"), path("versioned.dll")));
  EXPECT_FALSE(FileSys::isNewer(path("versioned.dll"), path("same.txt")));
}

TEST_F(FileSysTest, VersionAndDateFailuresHaveTheirOwnMessages) {
  write("plain.txt", "x");
  EXPECT_EQ("Unable to determine file version information: " + path("plain.txt"),
            messageOf([&] { FileSys::getFileVersion(path("plain.txt")); }));
  std::string badBlock = PeImage::versionBlock(1, 2);
  PeImage::put32(&badBlock, 40, 0x12345678);
  write("bad.dll", PeImage::dllWithVersionData(badBlock));
  EXPECT_EQ("Unable to determine file version: " + path("bad.dll"),
            messageOf([&] { FileSys::getFileVersion(path("bad.dll")); }));
  EXPECT_EQ("Unable to determine file's date: " + path("missing.txt"),
            messageOf([&] { FileSys::getFileDate(path("missing.txt")); }));
}

TEST_F(FileSysTest, UnreadableVersionListsTheSourceAsNotCopied) {
  std::string badBlock = PeImage::versionBlock(1, 2);
  PeImage::put32(&badBlock, 40, 0x12345678);
  write("src\\bad.dll", PeImage::dllWithVersionData(badBlock), 5000);
  writeDll("dst\\bad.dll", 1, 0, 1000, "");
  EXPECT_EQ(std::string(kCopyHeader) + "\t" + path("src\\bad.dll"),
            messageOf([&] { FileSys::copyFiles(path("src\\bad.dll"), path("dst")); }));
}

// Passes every call to the platform and counts them by path (leveldb's
// EnvWrapper): a decision must ask about each path once. A path named in
// `unreadable` cannot be opened, as a file without read permission.
class CountingCalls : public FileSys::FileCalls {
 public:
  bool lookUpPath(const std::string& path, Platform::PathStatus* result) override {
    ++lookUps[path];
    return FileCalls::lookUpPath(path, result);
  }
  bool createDirectory(const std::string& path, const Platform::PathStatus& known) override {
    ++made[path];
    return FileCalls::createDirectory(path, known);
  }
  std::unique_ptr<Platform::ReadableFile> openReadable(const std::string& path) override {
    ++opens[path];
    return unreadable.count(path) ? nullptr : FileCalls::openReadable(path);
  }

  int all(const std::map<std::string, int>& counts) const {
    int sum = 0;
    for (const auto& entry : counts) sum += entry.second;
    return sum;
  }

  std::map<std::string, int> lookUps, made, opens;
  std::set<std::string> unreadable;
};

TEST_F(FileSysTest, ACopyAsksAboutEachPathOnce) {
  write("src\\a.txt", "a", 2000);
  write("src\\sub\\b.txt", "b", 2000);
  mkdir("dst");
  for (int round = 0; round < 2; ++round) {
    // First into an empty target, then onto the copies, which are up to date.
    CountingCalls calls;
    FileSys::copyFiles(path("src"), path("dst"), calls);
    for (const char* file : {"a.txt", "sub\\b.txt"}) {
      EXPECT_EQ(1, calls.lookUps[path("dst\\src\\") + file]) << file << " round " << round;
      EXPECT_EQ(1, calls.opens[path("src\\") + file]) << file << " round " << round;
    }
    // The target once for the whole tree, not once per file.
    EXPECT_EQ(1, calls.lookUps[path("dst")]);
    EXPECT_EQ(1, calls.lookUps[path("src")]);
    EXPECT_EQ(2, calls.all(calls.opens));
    EXPECT_EQ(round == 0 ? 2 : 0, calls.all(calls.made));
    EXPECT_EQ(6, calls.all(calls.lookUps)) << "round " << round;
  }
  EXPECT_EQ("b", read("dst\\src\\sub\\b.txt"));
}

TEST_F(FileSysTest, AVersionedCopyOpensEachFileOnce) {
  writeDll("src.dll", 2, 0, 1000, "new");
  writeDll("dst.dll", 1, 0, 5000, "old");
  CountingCalls calls;
  FileSys::copyFile({path("src.dll"), FileSys::File, 0, false}, path("dst.dll"), calls);
  EXPECT_EQ("new", read("dst.dll").substr(read("dst.dll").size() - 3));
  EXPECT_EQ((std::map<std::string, int>{{path("src.dll"), 1}, {path("dst.dll"), 1}}), calls.opens);
  EXPECT_EQ((std::map<std::string, int>{{path("dst.dll"), 1}}), calls.lookUps);
}

// A source that cannot be opened has no version: its date decides, asked by
// its path, and only a copy that is due fails.
TEST_F(FileSysTest, AnUnreadableSourceIsDecidedByItsDate) {
  write("src\\old.txt", "old source", 1000);
  write("src\\new.txt", "new source", 9000);
  write("dst\\old.txt", "kept", 5000);
  write("dst\\new.txt", "kept", 5000);
  CountingCalls calls;
  calls.unreadable = {path("src\\old.txt"), path("src\\new.txt")};
  EXPECT_EQ(std::string(kCopyHeader) + "\t" + path("src\\new.txt"),
            messageOf([&] { FileSys::copyFiles(path("src\\*.txt"), path("dst"), calls); }));
  EXPECT_EQ("kept", read("dst\\old.txt"));
  EXPECT_EQ("kept", read("dst\\new.txt"));
  EXPECT_EQ(1, calls.lookUps[path("src\\new.txt")]);
}

// A machine made of a few entries, nothing of it on a disk: drive roots can
// be copied without touching one.
class FakeCalls : public FileSys::FileCalls {
 public:
  class FakeFile : public Platform::ReadableFile {
   public:
    explicit FakeFile(FakeCalls* calls) : calls_(calls) {}
    const Platform::FileStatus& status() const override { return status_; }
    uint32_t versionInfoSize() override { return 0; }
    bool readVersionInfo(uint32_t, std::vector<unsigned char>*) override { return false; }
    bool copyTo(const std::string& to, const Platform::PathStatus&) override {
      calls_->copies.push_back(to);
      return true;
    }

   private:
    FakeCalls* calls_;
    Platform::FileStatus status_;
  };

  bool lookUpPath(const std::string& path, Platform::PathStatus* result) override {
    *result = Platform::PathStatus();
    result->exists = directories.count(path) != 0;
    result->status.directory = result->exists;
    return result->exists;
  }
  bool createDirectory(const std::string& path, const Platform::PathStatus&) override {
    directories.insert(path.back() == '\\' ? path.substr(0, path.size() - 1) : path);
    return true;
  }
  std::vector<Platform::FoundEntry> findFiles(const std::string& pattern) override {
    if (pattern != "C:\\*") return {};
    Platform::FoundEntry file;
    file.name = "f.txt";
    return {file};
  }
  std::unique_ptr<Platform::ReadableFile> openReadable(const std::string&) override {
    return std::make_unique<FakeFile>(this);
  }

  std::set<std::string> directories = {"C:\\"};
  std::vector<std::string> copies;
};

// The target's kind is asked once per copy, and again only after the copy
// itself made the target: copying a drive root into a new folder makes that
// folder from the root's own entry, and the files then go into it.
TEST(FileSysCallsTest, TheTargetMadeByTheCopyTakesTheFiles) {
  FakeCalls calls;
  FileSys::copyFiles("C:\\", "C:\\T", calls);
  EXPECT_EQ((std::set<std::string>{"C:\\", "C:\\T"}), calls.directories);
  EXPECT_EQ((std::vector<std::string>{"C:\\T\\f.txt"}), calls.copies);
}

TEST_F(FileSysTest, NonRecursiveDeletionTakesFilesAndEmptyDirectoriesOnly) {
  write("dir\\f.txt", "f");
  EXPECT_EQ(std::string(kDeleteHeader) + "\t" + path("dir"),
            messageOf([&] { FileSys::deleteFiles(path("dir"), false); }));
  EXPECT_TRUE(exists("dir\\f.txt"));

  write("pat\\a.tmp", "a");
  mkdir("pat\\empty.tmp");
  write("pat\\full.tmp\\x", "x");
  write("pat\\keep.txt", "k");
  EXPECT_EQ(std::string(kDeleteHeader) + "\t" + path("pat\\full.tmp"),
            messageOf([&] { FileSys::deleteFiles(path("pat\\*.tmp"), false); }));
  EXPECT_FALSE(exists("pat\\a.tmp"));
  EXPECT_FALSE(exists("pat\\empty.tmp"));
  EXPECT_TRUE(exists("pat\\full.tmp\\x"));
  EXPECT_TRUE(exists("pat\\keep.txt"));
}

TEST_F(FileSysTest, RecursiveDeletionRemovesTheWholeTree) {
  write("dir\\a.txt", "a");
  write("dir\\sub\\deep\\b.txt", "b");
  write("other.txt", "o");
  FileSys::deleteFiles(path("dir"), true);
  EXPECT_FALSE(exists("dir"));
  EXPECT_TRUE(exists("other.txt"));
  EXPECT_EQ("", messageOf([&] { FileSys::deleteFiles(path("dir"), true); }));
  EXPECT_EQ("", messageOf([&] { FileSys::deleteFiles(path("none\\*.x"), false); }));
}

TEST_F(FileSysTest, ReadOnlyFileIsListedWithEveryDirectoryAboveIt) {
  write("dir\\sub\\locked.txt", "l");
  write("dir\\sub\\free.txt", "f");
  machine_.setReadOnly(path("dir\\sub\\locked.txt"), true);
  EXPECT_EQ(std::string(kDeleteHeader) + "\t" + path("dir\\sub\\locked.txt") + "\t" +
                path("dir\\sub") + "\t" + path("dir"),
            messageOf([&] { FileSys::deleteFiles(path("dir"), true); }));
  EXPECT_TRUE(exists("dir\\sub\\locked.txt"));
  EXPECT_FALSE(exists("dir\\sub\\free.txt"));
  EXPECT_EQ("Unable to delete file: " + path("dir\\sub\\locked.txt"),
            messageOf([&] { FileSys::deleteFile(path("dir\\sub\\locked.txt")); }));
  machine_.setReadOnly(path("dir\\sub\\locked.txt"), false);
}

TEST_F(FileSysTest, SingleDeletionsNameWhatFailed) {
  mkdir("dir");
  write("file.txt", "x");
  EXPECT_EQ("Unable to delete file: " + path("dir"),
            messageOf([&] { FileSys::deleteFile(path("dir")); }));
  EXPECT_EQ("Unable to delete directory: " + path("file.txt"),
            messageOf([&] { FileSys::deleteDirectory(path("file.txt")); }));
  EXPECT_EQ("Unable to delete directory: " + path("missing"),
            messageOf([&] { FileSys::deleteDirectory(path("missing")); }));
}

// Q: exists on neither platform's test machine, so a refusal that went
// missing would find nothing to delete rather than wipe a drive.
TEST_F(FileSysTest, RecursiveDeletionOfAWholeDriveIsRefused) {
  EXPECT_EQ(std::string(kDeleteHeader) + "\tQ:\\",
            messageOf([&] { FileSys::deleteFiles("Q:\\", true); }));
  EXPECT_EQ(std::string(kDeleteHeader) + "\tQ:\\",
            messageOf([&] { FileSys::deleteFiles("Q:\\sub\\..", true); }));
  EXPECT_EQ(std::string(kDeleteHeader) + "\tQ:\\*",
            messageOf([&] { FileSys::deleteFiles("Q:\\*", true); }));
  EXPECT_EQ(std::string(kDeleteHeader) + "\tQ:\\*.*",
            messageOf([&] { FileSys::deleteFiles("Q:/*.*", true); }));
  // Named entries in the root stay deletable.
  EXPECT_EQ("", messageOf([&] { FileSys::deleteFiles("Q:\\setup*.tmp", true); }));
}

TEST_F(FileSysTest, PathThatCannotBeResolvedPropagatesItsOwnFailure) {
  const std::string tooLong = path(std::string(300, 'x'));
  try {
    FileSys::deleteFiles(tooLong, true);
    FAIL() << "no exception";
  } catch (const UtilsException& error) {
    EXPECT_EQ("Unable to determine full path: " + tooLong, error.message());
  }
}

// A host call would see only the part before a NUL and act on a shorter
// path than the script gave (found by the whole-run fuzzer, where
// "C:\fuzz<NUL>..." copied the installer's folder into itself without end).
TEST_F(FileSysTest, PathsWithANulInsideNameNothing) {
  write("App\\keep.txt", "keep");
  const std::string bad = path("App") + std::string(1, '\0') + "\\old";
  EXPECT_THROW(FileSys::deleteFiles(bad, true), Exception);
  EXPECT_THROW(FileSys::copyFiles(path("App"), bad), Exception);
  EXPECT_THROW(FileSys::createDirectory(bad, false), Exception);
  EXPECT_EQ("keep", read("App\\keep.txt"));
  EXPECT_FALSE(exists("App\\App"));
}

}  // namespace
