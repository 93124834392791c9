// The registry calls on a private key below HKEY_CURRENT_USER\Software,
// removed again when each test ends.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/platform_registry.h"

namespace Platform {
namespace {

class Win32RegistryTest : public ::testing::Test {
 protected:
  Win32RegistryTest()
      : keyPath_("Software\\TarnwickRegistryTest-" + std::to_string(GetCurrentProcessId())) {}
  ~Win32RegistryTest() override { RegDeleteTreeA(HKEY_CURRENT_USER, keyPath_.c_str()); }

  RegHandle createTestKey(const std::string& below = "") {
    RegHandle key = 0;
    std::string path = below.empty() ? keyPath_ : keyPath_ + "\\" + below;
    EXPECT_EQ(regCreateKey(kHkeyCurrentUser, path, &key), kErrorSuccess);
    return key;
  }

  std::string keyPath_;
};

TEST_F(Win32RegistryTest, RootKeysOpenFromTheirThirtyTwoBitValues) {
  RegHandle key = 0;
  ASSERT_EQ(regOpenKey(kHkeyLocalMachine, "Software", kKeyQueryValue, &key), kErrorSuccess);
  EXPECT_EQ(regCloseKey(key), kErrorSuccess);
  ASSERT_EQ(regOpenKey(kHkeyCurrentUser, "", kKeyQueryValue, &key), kErrorSuccess);
  EXPECT_EQ(regCloseKey(key), kErrorSuccess);
  EXPECT_EQ(regOpenKey(kHkeyCurrentUser, "Software\\TarnwickNoSuchKey", kKeyQueryValue, &key),
            kErrorFileNotFound);
}

TEST_F(Win32RegistryTest, CreateMakesMissingLevelsAndCountsSubkeys) {
  regCloseKey(createTestKey("a\\b"));
  RegHandle key = 0;
  ASSERT_EQ(regOpenKey(kHkeyCurrentUser, keyPath_, kKeyQueryValue | kKeyEnumerateSubKeys, &key),
            kErrorSuccess);
  uint32_t count = 99;
  EXPECT_EQ(regQuerySubkeyCount(key, &count), kErrorSuccess);
  EXPECT_EQ(count, 1u);
  std::string name;
  EXPECT_EQ(regEnumKey(key, 0, &name), kErrorSuccess);
  EXPECT_EQ(name, "a");
  EXPECT_EQ(regEnumKey(key, 1, &name), kErrorNoMoreItems);
  regCloseKey(key);
}

TEST_F(Win32RegistryTest, PathsWithEmptyKeyNamesAreRefused) {
  regCloseKey(createTestKey());
  const long kErrorBadPathname = 161;
  RegHandle key = 0;
  EXPECT_EQ(regCreateKey(kHkeyCurrentUser, keyPath_ + "\\\\x", &key), kErrorBadPathname);
  EXPECT_EQ(regCreateKey(kHkeyCurrentUser, "\\" + keyPath_, &key), kErrorBadPathname);
  EXPECT_EQ(regOpenKey(kHkeyCurrentUser, keyPath_ + "\\\\", kKeyQueryValue, &key),
            kErrorBadPathname);
  EXPECT_EQ(regDeleteKey(kHkeyCurrentUser, keyPath_ + "\\\\x"), kErrorBadPathname);
  ASSERT_EQ(regOpenKey(kHkeyCurrentUser, keyPath_ + "\\", kKeyQueryValue, &key), kErrorSuccess);
  regCloseKey(key);
}

// The API would act on the part before the NUL: the parent key, or another
// value.
TEST_F(Win32RegistryTest, NamesWithANulInsideAreRefused) {
  regCloseKey(createTestKey("child"));
  const std::string nul("\0x", 2);
  RegHandle key = 0;
  EXPECT_NE(regOpenKey(kHkeyCurrentUser, keyPath_ + nul, kKeyQueryValue, &key), kErrorSuccess);
  EXPECT_NE(regDeleteKey(kHkeyCurrentUser, keyPath_ + "\\child" + nul), kErrorSuccess);
  EXPECT_EQ(regOpenKey(kHkeyCurrentUser, keyPath_ + "\\child", kKeyQueryValue, &key),
            kErrorSuccess);
  regCloseKey(key);

  ASSERT_EQ(regOpenKey(kHkeyCurrentUser, keyPath_, kKeySetValue | kKeyQueryValue, &key),
            kErrorSuccess);
  EXPECT_NE(regSetValue(key, "v" + nul, kRegSz, {'x', 0}), kErrorSuccess);
  EXPECT_EQ(regQueryValue(key, "v", nullptr, nullptr), kErrorFileNotFound);
  regCloseKey(key);
}

TEST_F(Win32RegistryTest, DeleteKeyRefusesSubkeysOnTheNtFamily) {
  regCloseKey(createTestKey("a\\b"));
  RegHandle key = 0;
  ASSERT_EQ(regOpenKey(kHkeyCurrentUser, keyPath_, kKeyQueryValue, &key), kErrorSuccess);
  EXPECT_NE(regDeleteKey(key, "a"), kErrorSuccess);
  EXPECT_EQ(regDeleteKey(key, "a\\b"), kErrorSuccess);
  EXPECT_EQ(regDeleteKey(key, "a"), kErrorSuccess);
  uint32_t count = 99;
  EXPECT_EQ(regQuerySubkeyCount(key, &count), kErrorSuccess);
  EXPECT_EQ(count, 0u);
  regCloseKey(key);
}

TEST_F(Win32RegistryTest, ValuesRoundTripWithTheirTypes) {
  regCloseKey(createTestKey());
  RegHandle key = 0;
  ASSERT_EQ(regOpenKey(kHkeyCurrentUser, keyPath_, kKeySetValue | kKeyQueryValue, &key),
            kErrorSuccess);
  const std::vector<unsigned char> text = {'h', 'i', 0};
  const std::vector<unsigned char> number = {0xff, 0, 0, 0};
  EXPECT_EQ(regSetValue(key, "", kRegSz, text), kErrorSuccess);
  EXPECT_EQ(regSetValue(key, "n", kRegDword, number), kErrorSuccess);
  EXPECT_EQ(regSetValue(key, "empty", kRegBinary, {}), kErrorSuccess);

  uint32_t type = 0;
  std::vector<unsigned char> data;
  EXPECT_EQ(regQueryValue(key, "", &type, &data), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(data, text);
  EXPECT_EQ(regQueryValue(key, "n", &type, &data), kErrorSuccess);
  EXPECT_EQ(type, kRegDword);
  EXPECT_EQ(data, number);
  EXPECT_EQ(regQueryValue(key, "empty", &type, &data), kErrorSuccess);
  EXPECT_EQ(type, kRegBinary);
  EXPECT_TRUE(data.empty());
  EXPECT_EQ(regQueryValue(key, "n", &type, nullptr), kErrorSuccess);

  EXPECT_EQ(regDeleteValue(key, "n"), kErrorSuccess);
  EXPECT_EQ(regQueryValue(key, "n", &type, nullptr), kErrorFileNotFound);
  EXPECT_EQ(regDeleteValue(key, "n"), kErrorFileNotFound);
  regCloseKey(key);
}

TEST_F(Win32RegistryTest, CreatedKeysAreOpenedForQueryingOnly) {
  RegHandle key = createTestKey();
  EXPECT_EQ(regSetValue(key, "x", kRegSz, {'x', 0}), kErrorAccessDenied);
  regCloseKey(key);
}

}  // namespace
}  // namespace Platform
