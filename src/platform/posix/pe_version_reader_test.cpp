#include "platform/posix/pe_version_reader.h"

#include <dirent.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "testing/pe_image.h"

namespace {

struct Version {
  bool found = false;      // a version resource is there (size not 0)
  bool read = false;       // and could be read
  bool fixedInfo = false;  // and holds valid fixed info
  uint32_t size = 0;
  uint32_t mostSignificant = 0;
  uint32_t leastSignificant = 0;
};

// The three steps as the platform takes them.
Version versionOf(const PeVersion::ByteSource& file) {
  Version version;
  PeVersion::Resource resource;
  version.found = PeVersion::findVersionResource(file, &resource);
  if (!version.found) return version;
  version.size = resource.size;
  std::vector<unsigned char> data;
  version.read = PeVersion::readVersionResource(file, resource, resource.size, &data);
  if (!version.read) return version;
  version.fixedInfo = PeVersion::fixedFileVersion(
      data.data(), data.size(), &version.mostSignificant, &version.leastSignificant);
  return version;
}

Version versionOf(const std::string& bytes) {
  PeVersion::MemorySource source(reinterpret_cast<const unsigned char*>(bytes.data()),
                                 bytes.size());
  return versionOf(source);
}

Version versionOfFile(const std::string& hostPath) {
  PeVersion::FileSource file(hostPath);
  if (!file.isOpen()) return {};
  return versionOf(file);
}

TEST(PeVersionReaderTest, ReadsTheFileVersionOfABuiltImage) {
  Version version = versionOf(PeImage::versionedDll(0x00020003, 0x00040005));
  ASSERT_TRUE(version.fixedInfo);
  EXPECT_EQ(92u, version.size);
  EXPECT_EQ(0x00020003u, version.mostSignificant);
  EXPECT_EQ(0x00040005u, version.leastSignificant);
}

TEST(PeVersionReaderTest, FilesThatAreNotPeHaveNoVersion) {
  EXPECT_FALSE(versionOf(std::string()).found);
  EXPECT_FALSE(versionOf(std::string("MZ")).found);
  EXPECT_FALSE(versionOf(std::string("just some text\r\n")).found);
  // A DOS program: "MZ" without a PE header where e_lfanew points.
  std::string dos(0x80, '\0');
  dos.replace(0, 2, "MZ");
  PeImage::put32(&dos, 0x3C, 0x40);
  dos.replace(0x40, 2, "NE");
  EXPECT_FALSE(versionOf(dos).found);
}

TEST(PeVersionReaderTest, BrokenHeadersMeanNoVersion) {
  const std::string good = PeImage::versionedDll(1, 2);
  std::string farHeader = good;
  PeImage::put32(&farHeader, 0x3C, 0xFFFFFFF0u);
  EXPECT_FALSE(versionOf(farHeader).found);

  std::string badMagic = good;
  badMagic[PeImage::kPeHeaderOffset + 24] = 0x0C;
  EXPECT_FALSE(versionOf(badMagic).found);

  std::string fewDirectories = good;
  PeImage::put32(&fewDirectories, PeImage::kPeHeaderOffset + 24 + 92, 2);
  EXPECT_FALSE(versionOf(fewDirectories).found);

  std::string noResources = good;
  PeImage::put32(&noResources, PeImage::kPeHeaderOffset + 24 + 116, 0);
  EXPECT_FALSE(versionOf(noResources).found);

  std::string manySections = good;  // the table runs off the end of the file
  manySections[PeImage::kPeHeaderOffset + 6] = '\xFF';
  manySections[PeImage::kPeHeaderOffset + 7] = '\xFF';
  PeImage::put32(&manySections, PeImage::kPeHeaderOffset + 24 + 112, 0x7FFF0000);
  EXPECT_FALSE(versionOf(manySections).found);
}

TEST(PeVersionReaderTest, ResourceTreeWithoutVersionMeansNoVersion) {
  std::string otherType = PeImage::versionedDll(1, 2);
  otherType[0x200 + 16] = 3;  // RT_ICON instead of RT_VERSION
  EXPECT_FALSE(versionOf(otherType).found);

  std::string otherName = PeImage::versionedDll(1, 2);
  otherName[0x218 + 16] = 2;
  EXPECT_FALSE(versionOf(otherName).found);

  std::string leafAtTypeLevel = PeImage::versionedDll(1, 2);
  PeImage::put32(&leafAtTypeLevel, 0x200 + 20, 0x48);  // no subdirectory bit
  EXPECT_FALSE(versionOf(leafAtTypeLevel).found);

  std::string directoryOffFile = PeImage::versionedDll(1, 2);
  PeImage::put32(&directoryOffFile, 0x218 + 20, 0xFFFFFFFFu);
  EXPECT_FALSE(versionOf(directoryOffFile).found);

  std::string hugeEntryCount = PeImage::versionedDll(1, 2);
  hugeEntryCount[0x200 + 12] = '\xFF';
  hugeEntryCount[0x200 + 13] = '\xFF';
  EXPECT_FALSE(versionOf(hugeEntryCount).found);
}

TEST(PeVersionReaderTest, ResourceOutsideTheFileIsFoundButCannotBeRead) {
  const std::string good = PeImage::versionedDll(1, 2);

  std::string cutOff = good.substr(0, PeImage::kVersionData + 50);
  Version version = versionOf(cutOff);
  EXPECT_TRUE(version.found);
  EXPECT_EQ(92u, version.size);
  EXPECT_FALSE(version.read);

  std::string tooLong = good;
  PeImage::put32(&tooLong, PeImage::kResourceDataEntry + 4, 0xFFFFFFF0u);
  version = versionOf(tooLong);
  EXPECT_TRUE(version.found);
  EXPECT_FALSE(version.read);

  std::string unmapped = good;
  PeImage::put32(&unmapped, PeImage::kResourceDataEntry, 0x90000000u);
  version = versionOf(unmapped);
  EXPECT_TRUE(version.found);
  EXPECT_FALSE(version.read);
}

TEST(PeVersionReaderTest, ResourceWithoutValidFixedInfoFailsTheQuery) {
  std::string block = PeImage::versionBlock(1, 2);
  std::string badSignature = block;
  PeImage::put32(&badSignature, 40, 0xFEEF04BC);
  Version version = versionOf(PeImage::dllWithVersionData(badSignature));
  EXPECT_TRUE(version.read);
  EXPECT_FALSE(version.fixedInfo);

  std::string noValue = block;
  noValue[2] = 0;
  EXPECT_FALSE(versionOf(PeImage::dllWithVersionData(noValue)).fixedInfo);

  std::string shortLength = block;
  shortLength[0] = 60;  // the block ends inside the fixed info
  EXPECT_FALSE(versionOf(PeImage::dllWithVersionData(shortLength)).fixedInfo);

  std::string endlessKey(64, 'A');  // no terminating NUL in the key
  endlessKey[0] = 64;
  endlessKey[1] = 0;
  EXPECT_FALSE(versionOf(PeImage::dllWithVersionData(endlessKey)).fixedInfo);

  EXPECT_FALSE(versionOf(PeImage::dllWithVersionData(std::string(4, '\0'))).fixedInfo);
}

TEST(PeVersionReaderTest, ShortReadBufferTakesTheStartAndLongOneIsZeroFilled) {
  const std::string image = PeImage::versionedDll(7, 8);
  PeVersion::MemorySource source(reinterpret_cast<const unsigned char*>(image.data()),
                                 image.size());
  PeVersion::Resource resource;
  ASSERT_TRUE(PeVersion::findVersionResource(source, &resource));
  std::vector<unsigned char> data;
  ASSERT_TRUE(PeVersion::readVersionResource(source, resource, 200, &data));
  ASSERT_EQ(200u, data.size());
  EXPECT_EQ(0, data[150]);
  ASSERT_TRUE(PeVersion::readVersionResource(source, resource, 10, &data));
  EXPECT_EQ(10u, data.size());
  EXPECT_FALSE(PeVersion::readVersionResource(source, resource, 0, &data));
}

// Every prefix of a good image, and every single byte set to 0xFF, is read
// without a crash (the sanitizer builds catch what a plain run would not).
TEST(PeVersionReaderTest, EveryCutAndEveryCorruptedByteIsHandled) {
  const std::string image = PeImage::versionedDll(1, 2);
  for (size_t length = 0; length <= image.size(); ++length) versionOf(image.substr(0, length));
  for (size_t i = 0; i < image.size(); ++i) {
    std::string corrupted = image;
    corrupted[i] = '\xFF';
    versionOf(corrupted);
  }
}

// DLLs built with the MinGW resource compiler and linker, once per run.
class MingwDllTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (std::system("command -v x86_64-w64-mingw32-windres >/dev/null 2>&1 && "
                    "command -v x86_64-w64-mingw32-gcc >/dev/null 2>&1") != 0) {
      return;
    }
    std::string pattern = "/tmp/tarnwick-test-pe-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr) return;
    folder_ = new std::string(pattern);
    build("versioned", "FILEVERSION 3,10,65535,7\n PRODUCTVERSION 1,0,0,0\n");
    build("large", "FILEVERSION 65535,65535,65535,65535\n");
    build("plain", nullptr);
  }

  static void TearDownTestSuite() {
    if (folder_ == nullptr) return;
    nftw(
        folder_->c_str(),
        [](const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }, 8,
        FTW_DEPTH | FTW_PHYS);
    delete folder_;
    folder_ = nullptr;
  }

  // Builds <name>.dll, with a VERSIONINFO resource when `fixedInfo` is given.
  static void build(const std::string& name, const char* fixedInfo) {
    const std::string base = *folder_ + "/" + name;
    std::ofstream(base + ".c") << "int __stdcall DllMain(void* h, unsigned r, void* p)"
                                  " { (void)h; (void)r; (void)p; return 1; }\n";
    std::string objects = base + ".c";
    if (fixedInfo != nullptr) {
      std::ofstream(base + ".rc")
          << "1 VERSIONINFO\n " << fixedInfo
          << "BEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n  BLOCK \"040904b0\"\n  BEGIN\n"
             "   VALUE \"FileVersion\", \"test\"\n  END\n END\n"
             " BLOCK \"VarFileInfo\"\n BEGIN\n  VALUE \"Translation\", 0x409, 1200\n END\nEND\n";
      std::string windres =
          "x86_64-w64-mingw32-windres " + base + ".rc -O coff -o " + base + ".res.o 2>/dev/null";
      if (std::system(windres.c_str()) != 0) return;
      objects += " " + base + ".res.o";
    }
    std::string link =
        "x86_64-w64-mingw32-gcc -shared -nostdlib -o " + base + ".dll " + objects + " 2>/dev/null";
    if (std::system(link.c_str()) != 0) return;
  }

  void SetUp() override {
    if (folder_ == nullptr) GTEST_SKIP() << "MinGW tools are missing";
  }

  static std::string dll(const std::string& name) { return *folder_ + "/" + name + ".dll"; }

  static std::string* folder_;
};

std::string* MingwDllTest::folder_ = nullptr;

TEST_F(MingwDllTest, ReadsTheVersionGivenToTheResourceCompiler) {
  Version version = versionOfFile(dll("versioned"));
  ASSERT_TRUE(version.fixedInfo);
  EXPECT_EQ(0x0003000Au, version.mostSignificant);
  EXPECT_EQ(0xFFFF0007u, version.leastSignificant);

  version = versionOfFile(dll("large"));
  ASSERT_TRUE(version.fixedInfo);
  EXPECT_EQ(0xFFFFFFFFu, version.mostSignificant);
  EXPECT_EQ(0xFFFFFFFFu, version.leastSignificant);
}

TEST_F(MingwDllTest, DllWithoutVersionResourceHasNone) {
  PeVersion::FileSource file(dll("plain"));
  ASSERT_TRUE(file.isOpen());
  EXPECT_FALSE(versionOfFile(dll("plain")).found);
}

TEST(PeVersionReaderTest, WineDllsHaveReadableVersions) {
  const std::string folder = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) GTEST_SKIP() << "Wine's DLLs are not installed";
  int checked = 0;
  int withVersion = 0;
  while (const dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".dll") != 0) continue;
    Version version = versionOfFile(folder + "/" + name);
    ++checked;
    if (!version.found) continue;
    ++withVersion;
    EXPECT_TRUE(version.fixedInfo) << name;
    if (checked >= 60) break;
  }
  closedir(listing);
  EXPECT_GT(withVersion, 0);

  // kernel32 carries a version of its own, a Windows one (major 5 and up).
  Version kernel = versionOfFile(folder + "/kernel32.dll");
  if (kernel.found) {
    ASSERT_TRUE(kernel.fixedInfo);
    EXPECT_GE(kernel.mostSignificant >> 16, 5u);
  }
}

TEST(PeVersionReaderTest, FileSourceRefusesDirectoriesAndMissingFiles) {
  EXPECT_FALSE(PeVersion::FileSource("/").isOpen());
  EXPECT_FALSE(PeVersion::FileSource("/nonexistent/tarnwick/file.dll").isOpen());
}

}  // namespace
