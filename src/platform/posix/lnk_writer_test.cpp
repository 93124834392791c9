#include "platform/posix/lnk_writer.h"

#include <gtest/gtest.h>

namespace Posix {
namespace {

uint32_t read16(const std::string& bytes, size_t offset) {
  return static_cast<unsigned char>(bytes.at(offset)) |
         static_cast<unsigned char>(bytes.at(offset + 1)) << 8;
}

uint32_t read32(const std::string& bytes, size_t offset) {
  return read16(bytes, offset) | read16(bytes, offset + 2) << 16;
}

uint64_t read64(const std::string& bytes, size_t offset) {
  return read32(bytes, offset) | static_cast<uint64_t>(read32(bytes, offset + 4)) << 32;
}

// The target "C:\app\prog.exe": a folder and a 1234-byte file last
// written 2000-01-02 03:04:06 UTC.
LnkContent appTarget() {
  LnkContent content;
  content.targetPath = "C:\\app\\prog.exe";
  LnkPathItem folder;
  folder.name = "app";
  folder.directory = true;
  LnkPathItem file;
  file.name = "prog.exe";
  file.size = 1234;
  file.modified = 946782246;
  content.items = {folder, file};
  return content;
}

std::string build(const LnkContent& content) {
  std::string bytes;
  EXPECT_TRUE(buildLnk(content, &bytes));
  return bytes;
}

// Offset of the link info: after the header and the counted id list.
size_t linkInfoOffset(const std::string& bytes) { return 0x4C + 2 + read16(bytes, 0x4C); }

TEST(LnkWriterTest, HeaderHoldsSizeClassIdFlagsAndTargetFacts) {
  LnkContent content = appTarget();
  content.iconLocation = "C:\\app\\app.ico";
  const std::string bytes = build(content);

  EXPECT_EQ(0x4Cu, read32(bytes, 0));
  const std::string clsid("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  EXPECT_EQ(clsid, bytes.substr(4, 16));
  EXPECT_EQ(0xC3u, read32(bytes, 0x14));  // id list, link info, icon, unicode
  EXPECT_EQ(0x20u, read32(bytes, 0x18));  // archive: a file
  EXPECT_EQ(0u, read64(bytes, 0x1C));
  EXPECT_EQ(0u, read64(bytes, 0x24));
  EXPECT_EQ((946782246ULL + 11644473600ULL) * 10000000ULL, read64(bytes, 0x2C));
  EXPECT_EQ(1234u, read32(bytes, 0x34));
  EXPECT_EQ(0u, read32(bytes, 0x38));  // icon index
  EXPECT_EQ(1u, read32(bytes, 0x3C));  // show normal
  EXPECT_EQ(std::string(12, '\0'), bytes.substr(0x40, 12));
}

TEST(LnkWriterTest, FlagsFollowWhatIsPresent) {
  EXPECT_EQ(0x83u, read32(build(appTarget()), 0x14));

  LnkContent empty;
  const std::string bytes = build(empty);
  EXPECT_EQ(0x80u, read32(bytes, 0x14));
  EXPECT_EQ(0u, read32(bytes, 0x18));
  EXPECT_EQ(0x4Cu + 4, bytes.size());  // header and the terminal block only

  LnkContent folder = appTarget();
  folder.items.pop_back();
  folder.targetPath = "C:\\app";
  EXPECT_EQ(0x10u, read32(build(folder), 0x18));
}

TEST(LnkWriterTest, IdListLeadsFromMyComputerThroughTheDriveToTheFile) {
  const std::string bytes = build(appTarget());
  size_t at = 0x4C + 2;
  const size_t end = at + read16(bytes, 0x4C);

  ASSERT_EQ(0x14u, read16(bytes, at));
  EXPECT_EQ('\x1F', bytes[at + 2]);
  EXPECT_EQ(std::string("\xE0\x4F\xD0\x20\xEA\x3A\x69\x10\xA2\xD8\x08\x00\x2B\x30\x30\x9D", 16),
            bytes.substr(at + 4, 16));
  at += 0x14;

  ASSERT_EQ(0x19u, read16(bytes, at));
  EXPECT_EQ('\x2F', bytes[at + 2]);
  EXPECT_EQ(std::string("C:\\\0", 4), bytes.substr(at + 3, 4));
  at += 0x19;

  const uint32_t folderSize = read16(bytes, at);
  EXPECT_EQ(0u, folderSize % 2);
  EXPECT_EQ('\x31', bytes[at + 2]);
  EXPECT_EQ(0x10u, read16(bytes, at + 12));
  EXPECT_EQ(std::string("app\0\0", 5), bytes.substr(at + 14, 5));
  at += folderSize;

  const uint32_t fileSize = read16(bytes, at);
  EXPECT_EQ('\x32', bytes[at + 2]);
  EXPECT_EQ(1234u, read32(bytes, at + 4));
  EXPECT_EQ((20u << 9) | (1u << 5) | 2u, read16(bytes, at + 8));   // 2000-01-02
  EXPECT_EQ((3u << 11) | (4u << 5) | 3u, read16(bytes, at + 10));  // 03:04:06
  EXPECT_EQ(0x20u, read16(bytes, at + 12));
  EXPECT_EQ(std::string("prog.exe\0\0", 10), bytes.substr(at + 14, 10));
  at += fileSize;

  EXPECT_EQ(0u, read16(bytes, at));  // the terminating empty item
  EXPECT_EQ(end, at + 2);
}

TEST(LnkWriterTest, LinkInfoHoldsVolumeIdAndLocalBasePathAtItsOffsets) {
  const std::string bytes = build(appTarget());
  const size_t info = linkInfoOffset(bytes);
  const std::string path = "C:\\app\\prog.exe";

  EXPECT_EQ(0x1Cu, read32(bytes, info + 4));   // header size
  EXPECT_EQ(1u, read32(bytes, info + 8));      // volume id and local base path
  EXPECT_EQ(0x1Cu, read32(bytes, info + 12));  // volume id offset
  const uint32_t basePath = read32(bytes, info + 16);
  EXPECT_EQ(0u, read32(bytes, info + 20));  // no network location
  const uint32_t suffix = read32(bytes, info + 24);
  const uint32_t total = read32(bytes, info);

  const size_t volume = info + 0x1C;
  const uint32_t volumeSize = read32(bytes, volume);
  EXPECT_GT(volumeSize, 0x10u);
  EXPECT_EQ(3u, read32(bytes, volume + 4));  // fixed drive
  EXPECT_EQ(0x10u, read32(bytes, volume + 12));
  EXPECT_EQ('\0', bytes[volume + 0x10]);  // empty label

  EXPECT_EQ(0x1Cu + volumeSize, basePath);
  EXPECT_EQ(path + '\0', bytes.substr(info + basePath, path.size() + 1));
  EXPECT_EQ(basePath + path.size() + 1, suffix);
  EXPECT_EQ('\0', bytes[info + suffix]);
  EXPECT_EQ(suffix + 1, total);
  // Without icon: the terminal block follows right after.
  EXPECT_EQ(info + total + 4, bytes.size());
  EXPECT_EQ(0u, read32(bytes, info + total));
}

TEST(LnkWriterTest, IconLocationIsACountedUtf16StringThroughCodePage1252) {
  LnkContent content = appTarget();
  content.iconLocation = "C:\\\x80\xE9\x81.ico";
  const std::string bytes = build(content);
  const size_t icon = linkInfoOffset(bytes) + read32(bytes, linkInfoOffset(bytes));

  ASSERT_EQ(10u, read16(bytes, icon));
  EXPECT_EQ(u'C', read16(bytes, icon + 2));
  EXPECT_EQ(0x20ACu, read16(bytes, icon + 2 + 2 * 3));  // euro sign
  EXPECT_EQ(0x00E9u, read16(bytes, icon + 2 + 2 * 4));  // e acute
  EXPECT_EQ(0x0081u, read16(bytes, icon + 2 + 2 * 5));  // undefined: kept as its value
  EXPECT_EQ(u'o', read16(bytes, icon + 2 + 2 * 9));
  EXPECT_EQ(icon + 2 + 20 + 4, bytes.size());
  EXPECT_EQ(0u, read32(bytes, icon + 22));
}

TEST(LnkWriterTest, RefusesWhatTheFormatCannotHold) {
  std::string bytes = "untouched";
  LnkContent unc;
  unc.targetPath = "\\\\server\\share\\app.exe";
  EXPECT_FALSE(buildLnk(unc, &bytes));
  LnkContent relative;
  relative.targetPath = "app.exe";
  EXPECT_FALSE(buildLnk(relative, &bytes));
  LnkContent longIcon = appTarget();
  longIcon.iconLocation.assign(0x10000, 'x');
  EXPECT_FALSE(buildLnk(longIcon, &bytes));
  EXPECT_EQ("untouched", bytes);
}

TEST(LnkWriterTest, DriveRootTargetHasNoFileItems) {
  LnkContent root;
  root.targetPath = "D:\\";
  const std::string bytes = build(root);
  EXPECT_EQ(0x10u, read32(bytes, 0x18));
  EXPECT_EQ(0x14u + 0x19u + 2u, read16(bytes, 0x4C));
  EXPECT_EQ('D', bytes[0x4C + 2 + 0x14 + 3]);
}

}  // namespace
}  // namespace Posix
