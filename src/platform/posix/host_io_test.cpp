#include "platform/posix/host_io.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST_F(ReplaceFileTest, TheNewFileTakesThePlaceAndTheModeOfTheOld) {
  for (const char* temporary : {".new-XXXXXX", "file.new"}) {
    ASSERT_EQ(0, replaceFile(path_, temporary, 0640, true,
                             [](int fd) { return writeAll(fd, std::string("new")); }));
    EXPECT_EQ("new", content());
    struct stat status;
    ASSERT_EQ(0, stat(path_.c_str(), &status));
    EXPECT_EQ(0640u, status.st_mode & 0777);
    EXPECT_EQ(std::vector<std::string>{"file"}, names()) << temporary;
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

TEST(HostPathTest, ParentAndJoinKeepTheRootWhole) {
  EXPECT_EQ("/a", hostParentOf("/a/b"));
  EXPECT_EQ("/", hostParentOf("/a"));
  EXPECT_EQ(".", hostParentOf("a"));
  EXPECT_EQ("/a", joinHostPath("/", "a"));
  EXPECT_EQ("/a/b", joinHostPath("/a", "b"));
}

}  // namespace
}  // namespace Posix
