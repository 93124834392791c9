#include "platform/posix/host_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "testing/scratch_machine.h"

namespace Posix {
namespace {

class ReplaceFileTest : public ::testing::Test {
 protected:
  ReplaceFileTest() : folder_(machine_.hostPath(machine_.root())), path_(folder_ + "/file") {
    std::ofstream(path_) << "old";
  }

  std::string content() const {
    std::ifstream in(path_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::vector<std::string> names() const {
    std::vector<std::string> found;
    DIR* listing = opendir(folder_.c_str());
    while (dirent* entry = readdir(listing)) {
      if (entry->d_name[0] != '.' || entry->d_name[1] > '.') found.push_back(entry->d_name);
    }
    closedir(listing);
    return found;
  }

  ScratchMachine machine_;
  std::string folder_;
  std::string path_;
};

// The mode is the one asked for, also where the umask (022 as a rule) would
// take bits away.
TEST_F(ReplaceFileTest, TheNewFileTakesThePlaceAndTheModeOfTheOld) {
  for (mode_t mode : {0640, 0666, 0444}) {
    for (const char* temporary : {".new-XXXXXX", "file.new"}) {
      ASSERT_EQ(0, replaceFile(path_, temporary, mode, true,
                               [](int fd) { return writeAll(fd, std::string("new")); }));
      EXPECT_EQ("new", content());
      struct stat status;
      ASSERT_EQ(0, stat(path_.c_str(), &status));
      EXPECT_EQ(mode, status.st_mode & 0777) << temporary;
      EXPECT_EQ(std::vector<std::string>{"file"}, names()) << temporary;
    }
  }
}

TEST_F(ReplaceFileTest, AFailedWriteLeavesTheOldFileAndNothingElse) {
  for (const char* temporary : {".new-XXXXXX", "file.new"}) {
    const int error = replaceFile(path_, temporary, 0644, false, [](int fd) {
      writeAll(fd, std::string("half"));
      errno = ENOSPC;
      return false;
    });
    EXPECT_EQ(ENOSPC, error);
    EXPECT_EQ("old", content());
    EXPECT_EQ(std::vector<std::string>{"file"}, names()) << temporary;
  }
  EXPECT_EQ(ENOENT,
            replaceFile(folder_ + "/missing/file", "x.new", 0644, false, [](int) { return true; }));
}

// copy_file_range stood in for by a function that fails as told after
// letting `allowed` bytes through.
int refusal = 0;
size_t allowed = 0;
int rangeCalls = 0;
ssize_t refusingCopyRange(int in, off64_t* inOffset, int out, off64_t* outOffset, size_t length,
                          unsigned int flags) {
  ++rangeCalls;
  if (allowed > 0) {
    ssize_t copied =
        copy_file_range(in, inOffset, out, outOffset, std::min(length, allowed), flags);
    if (copied > 0) allowed -= static_cast<size_t>(copied);
    return copied;
  }
  if (refusal == 0) return 0;
  errno = refusal;
  return -1;
}

class CopyFileDataTest : public ::testing::Test {
 protected:
  CopyFileDataTest() : folder_(machine_.hostPath(machine_.root())) {
    content_.resize(200000);
    for (size_t i = 0; i < content_.size(); ++i) content_[i] = static_cast<char>(i * 7 % 251);
    std::ofstream(folder_ + "/from", std::ios::binary) << content_;
    rangeCalls = 0;
  }

  // Copies `from` into a new file with `copyRange`; its content, or "failed".
  std::string copyWith(CopyRange copyRange, uint64_t size, const std::string& from) {
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = open((folder_ + "/to").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool copied = copyFileData(in, out, size, copyRange);
    error_ = errno;
    // The positions were not used: the same opening may be copied again.
    EXPECT_EQ(0, lseek(in, 0, SEEK_CUR));
    close(in);
    close(out);
    if (!copied) return "failed";
    std::ifstream copy(folder_ + "/to", std::ios::binary);
    std::stringstream text;
    text << copy.rdbuf();
    return text.str();
  }
  std::string copyWith(CopyRange copyRange) {
    return copyWith(copyRange, content_.size(), folder_ + "/from");
  }

  ScratchMachine machine_;
  std::string folder_;
  std::string content_;
  int error_ = 0;
};

TEST_F(CopyFileDataTest, TheKernelCopiesInPlace) {
  EXPECT_EQ(content_, copyWith(::copy_file_range));
}

TEST_F(CopyFileDataTest, ReadAndWriteTakeOverWhereTheKernelRefuses) {
  for (int error : {EXDEV, ENOSYS, EINVAL, EOPNOTSUPP}) {
    refusal = error;
    allowed = 0;
    EXPECT_EQ(content_, copyWith(refusingCopyRange)) << error;
    // Refused after a part went: the rest follows from where it stopped.
    allowed = 70000;
    EXPECT_EQ(content_, copyWith(refusingCopyRange)) << error;
  }
}

TEST_F(CopyFileDataTest, AShortCopyIsCarriedOnToTheEnd) {
  refusal = 0;
  allowed = 1000;
  EXPECT_EQ(content_, copyWith(refusingCopyRange));
  // A file whose status gives no size is read to its end.
  EXPECT_NE("", copyWith(::copy_file_range, 0, "/proc/self/status"));
}

TEST_F(CopyFileDataTest, ReadingOrWritingFailuresAreReported) {
  refusal = ENOSPC;
  allowed = 0;
  EXPECT_EQ("failed", copyWith(refusingCopyRange));
  EXPECT_EQ(ENOSPC, error_);
  EXPECT_EQ(1, rangeCalls);
}

TEST(HostPathTest, ParentAndJoinKeepTheRootWhole) {
  EXPECT_EQ("/a", hostParentOf("/a/b"));
  EXPECT_EQ("/", hostParentOf("/a"));
  EXPECT_EQ(".", hostParentOf("a"));
  EXPECT_EQ("/a", joinHostPath("/", "a"));
  EXPECT_EQ("/a/b", joinHostPath("/a", "b"));
}

}  // namespace
}  // namespace Posix
