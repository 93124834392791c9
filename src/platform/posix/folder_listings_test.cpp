#include "platform/posix/folder_listings.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "testing/scratch_machine.h"

namespace Posix {
namespace {

class FolderListingsTest : public ::testing::Test {
 protected:
  FolderListingsTest() : folder_(machine_.hostPath(machine_.root())) {}

  void makeFile(const std::string& name) {
    int fd = open((folder_ + "/" + name).c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    close(fd);
  }

  // Gives the folder the modification time it had when `saved` was taken,
  // as a change within one clock tick would leave it.
  void keepTime(const struct stat& saved) {
    const struct timespec times[2] = {saved.st_atim, saved.st_mtim};
    ASSERT_EQ(0, utimensat(AT_FDCWD, folder_.c_str(), times, 0));
  }

  ScratchMachine machine_;
  std::string folder_;
  FolderListings listings_;
};

TEST_F(FolderListingsTest, FindsNamesWhateverTheirCaseAndSeesOthersChanges) {
  makeFile("ReadMe.txt");
  EXPECT_EQ("ReadMe.txt", listings_.match(folder_, "README.TXT"));
  EXPECT_EQ("", listings_.match(folder_, "other.txt"));

  struct timespec later = {2000000000, 0};
  const struct timespec times[2] = {later, later};
  makeFile("Other.TXT");
  ASSERT_EQ(0, utimensat(AT_FDCWD, folder_.c_str(), times, 0));
  EXPECT_EQ("Other.TXT", listings_.match(folder_, "other.txt"));
}

TEST_F(FolderListingsTest, OwnChangesAreKnownWithoutListingAgain) {
  EXPECT_EQ("", listings_.match(folder_, "new.txt"));
  struct stat before;
  ASSERT_EQ(0, stat(folder_.c_str(), &before));

  makeFile("New.txt");
  keepTime(before);
  listings_.added(folder_ + "/New.txt");
  EXPECT_EQ("New.txt", listings_.match(folder_, "NEW.TXT"));

  ASSERT_EQ(0, unlink((folder_ + "/New.txt").c_str()));
  keepTime(before);
  listings_.removed(folder_ + "/New.txt");
  EXPECT_EQ("", listings_.match(folder_, "new.txt"));
}

TEST_F(FolderListingsTest, FirstNameInCaseInsensitiveOrderWins) {
  makeFile("abc");
  makeFile("ABC");
  EXPECT_EQ("ABC", listings_.match(folder_, "Abc"));
}

}  // namespace
}  // namespace Posix
