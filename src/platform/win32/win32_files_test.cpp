// What only the Windows file operations show, beyond the contract that every
// platform keeps (platform_files_test.cpp): directory links and the version
// resources of the system's own files.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform_files.h"
#include "platform/platform_system.h"
#include "testing/pe_image.h"
#include "testing/scratch_machine.h"

namespace Platform {
namespace {

class Win32FilesTest : public ::testing::Test {
 protected:
  ScratchMachine machine_;
};

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

// A real system library, as Windows ships it.
TEST_F(Win32FilesTest, VersionInformationOfASystemLibrary) {
  std::string system;
  ASSERT_TRUE(systemDirectory(&system));
  std::string library = system + "\\kernel32.dll";
  std::unique_ptr<ReadableFile> file = openReadable(library);
  ASSERT_NE(nullptr, file);
  uint32_t size = file->versionInfoSize();
  ASSERT_GT(size, 0u);
  std::vector<unsigned char> data;
  ASSERT_TRUE(file->readVersionInfo(size, &data));
  uint32_t most = 0;
  uint32_t least = 0;
  ASSERT_TRUE(queryFileVersion(data, &most, &least));
  EXPECT_GE(most >> 16, 5u);  // every NT kernel32 is 5.x or later
}

// An LZ-compressed file ("SZDD", as COMPRESS.EXE writes it) of literals only.
std::string lzCompressed(const std::string& bytes) {
  std::string file(
      "SZDD\x88\xf0\x27\x33"
      "A",
      9);
  file += '\0';
  for (int shift = 0; shift < 32; shift += 8) file += static_cast<char>(bytes.size() >> shift);
  for (size_t at = 0; at < bytes.size(); at += 8) file += '\xff' + bytes.substr(at, 8);
  return file;
}

// The version functions are spared only what they would find nothing in:
// every file gets the answer GetFileVersionInfoSizeA itself gives.
TEST_F(Win32FilesTest, VersionSizeIsWhatTheVersionFunctionsSay) {
  const std::string dll = PeImage::versionedDll(0x00010002, 0x00030004);
  const std::pair<const char*, std::string> files[] = {
      {"v.dll", dll},
      {"v.dl_", lzCompressed(dll)},
      {"plain.txt", "plain text"},
      {"mz.bin", "MZ" + std::string(200, 'x')},
      {"empty.bin", ""},
      {"z.bin", "Z"},
  };
  for (const auto& file : files) {
    const std::string path = machine_.path(file.first);
    machine_.writeFile(path, file.second);
    std::unique_ptr<ReadableFile> readable = openReadable(path);
    ASSERT_NE(nullptr, readable) << file.first;
    DWORD ignored = 0;
    EXPECT_EQ(GetFileVersionInfoSizeA(path.c_str(), &ignored), readable->versionInfoSize())
        << file.first;
  }
}

}  // namespace
}  // namespace Platform
