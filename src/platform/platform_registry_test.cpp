// The contract of platform_registry.h, one suite for every platform: on the
// emulated machine's registry (POSIX) and on the real one (Win32, under
// Wine), inside a key of the test's own below HKEY_CURRENT_USER.
#include "platform/platform_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/scratch_machine.h"

namespace Platform {
namespace {

using Bytes = std::vector<unsigned char>;

const long kErrorBadPathname = 161;

class PlatformRegistryTest : public ::testing::Test {
 protected:
  PlatformRegistryTest() : key_(machine_.registryKey()) {}

  RegHandle create(const std::string& below = "") {
    RegHandle key = 0;
    EXPECT_EQ(kErrorSuccess, regCreateKey(kHkeyCurrentUser, path(below), &key)) << below;
    return key;
  }
  RegHandle open(const std::string& below, uint32_t access) {
    RegHandle key = 0;
    EXPECT_EQ(kErrorSuccess, regOpenKey(kHkeyCurrentUser, path(below), access, &key)) << below;
    return key;
  }
  std::string path(const std::string& below) const {
    return below.empty() ? key_ : key_ + "\\" + below;
  }

  ScratchMachine machine_;
  const std::string key_;
};

TEST_F(PlatformRegistryTest, RootKeysOpenAndMissingKeysAreNotFound) {
  RegHandle key = 0;
  ASSERT_EQ(kErrorSuccess, regOpenKey(kHkeyLocalMachine, "Software", kKeyQueryValue, &key));
  EXPECT_EQ(kErrorSuccess, regCloseKey(key));
  ASSERT_EQ(kErrorSuccess, regOpenKey(kHkeyCurrentUser, "", kKeyQueryValue, &key));
  EXPECT_EQ(kErrorSuccess, regCloseKey(key));
  EXPECT_EQ(kErrorFileNotFound,
            regOpenKey(kHkeyCurrentUser, path("missing"), kKeyQueryValue, &key));
  EXPECT_EQ(kErrorSuccess, regCloseKey(kHkeyCurrentUser));
}

TEST_F(PlatformRegistryTest, CreateMakesMissingLevelsAndOpensForQuerying) {
  RegHandle created = create("a\\b");
  EXPECT_EQ(kErrorAccessDenied, regSetValue(created, "x", kRegSz, {'x', 0}));
  EXPECT_EQ(kErrorFileNotFound, regQueryValue(created, "x", nullptr, nullptr));
  regCloseKey(created);
  regCloseKey(create("A\\B"));  // an existing key, whatever its case

  RegHandle key = open("", kKeyQueryValue | kKeyEnumerateSubKeys);
  uint32_t count = 99;
  EXPECT_EQ(kErrorSuccess, regQuerySubkeyCount(key, &count));
  EXPECT_EQ(1u, count);
  std::string name;
  EXPECT_EQ(kErrorSuccess, regEnumKey(key, 0, &name));
  EXPECT_EQ("a", name);
  EXPECT_EQ(kErrorNoMoreItems, regEnumKey(key, 1, &name));
  regCloseKey(key);
}

TEST_F(PlatformRegistryTest, PathsWithEmptyKeyNamesAreRefused) {
  regCloseKey(create());
  RegHandle key = 0;
  EXPECT_EQ(kErrorBadPathname, regCreateKey(kHkeyCurrentUser, key_ + "\\\\x", &key));
  EXPECT_EQ(kErrorBadPathname, regCreateKey(kHkeyCurrentUser, "\\" + key_, &key));
  EXPECT_EQ(kErrorBadPathname, regOpenKey(kHkeyCurrentUser, key_ + "\\\\", kKeyQueryValue, &key));
  EXPECT_EQ(kErrorBadPathname, regDeleteKey(kHkeyCurrentUser, key_ + "\\\\x"));
  ASSERT_EQ(kErrorSuccess, regOpenKey(kHkeyCurrentUser, key_ + "\\", kKeyQueryValue, &key));
  regCloseKey(key);
}

// The calls would act on the part before the NUL: the parent key, or
// another value.
TEST_F(PlatformRegistryTest, NamesWithANulInsideAreRefused) {
  regCloseKey(create("child"));
  const std::string nul("\0x", 2);
  RegHandle key = 0;
  EXPECT_NE(kErrorSuccess, regOpenKey(kHkeyCurrentUser, key_ + nul, kKeyQueryValue, &key));
  EXPECT_NE(kErrorSuccess, regCreateKey(kHkeyCurrentUser, path("other") + nul, &key));
  EXPECT_NE(kErrorSuccess, regDeleteKey(kHkeyCurrentUser, path("child") + nul));
  regCloseKey(open("child", kKeyQueryValue));

  key = open("", kKeySetValue | kKeyQueryValue);
  EXPECT_EQ(kErrorSuccess, regSetValue(key, "v", kRegSz, {'x', 0}));
  EXPECT_NE(kErrorSuccess, regSetValue(key, "w" + nul, kRegSz, {'x', 0}));
  EXPECT_NE(kErrorSuccess, regQueryValue(key, "v" + nul, nullptr, nullptr));
  EXPECT_NE(kErrorSuccess, regDeleteValue(key, "v" + nul));
  EXPECT_EQ(kErrorFileNotFound, regQueryValue(key, "w", nullptr, nullptr));
  EXPECT_EQ(kErrorSuccess, regQueryValue(key, "v", nullptr, nullptr));
  regCloseKey(key);
}

// The NT family, which the tests run as on every platform.
TEST_F(PlatformRegistryTest, DeleteKeyRefusesAKeyWithSubkeys) {
  regCloseKey(create("a\\b"));
  RegHandle key = open("", kKeyQueryValue);
  EXPECT_NE(kErrorSuccess, regDeleteKey(key, "a"));
  EXPECT_EQ(kErrorSuccess, regDeleteKey(key, "A\\B"));
  EXPECT_EQ(kErrorSuccess, regDeleteKey(key, "a"));
  EXPECT_EQ(kErrorFileNotFound, regDeleteKey(key, "a"));
  uint32_t count = 99;
  EXPECT_EQ(kErrorSuccess, regQuerySubkeyCount(key, &count));
  EXPECT_EQ(0u, count);
  regCloseKey(key);
}

TEST_F(PlatformRegistryTest, ValuesKeepTheirTypesAndData) {
  regCloseKey(create());
  RegHandle key = open("", kKeySetValue | kKeyQueryValue);
  const Bytes text = {'h', 'i', 0};
  const Bytes number = {0xff, 0, 0, 0};
  EXPECT_EQ(kErrorSuccess, regSetValue(key, "", kRegSz, text));
  EXPECT_EQ(kErrorSuccess, regSetValue(key, "Number", kRegDword, number));
  EXPECT_EQ(kErrorSuccess, regSetValue(key, "empty", kRegBinary, {}));

  uint32_t type = 0;
  Bytes data;
  EXPECT_EQ(kErrorSuccess, regQueryValue(key, "", &type, &data));
  EXPECT_EQ(kRegSz, type);
  EXPECT_EQ(text, data);
  EXPECT_EQ(kErrorSuccess, regQueryValue(key, "NUMBER", &type, &data));
  EXPECT_EQ(kRegDword, type);
  EXPECT_EQ(number, data);
  EXPECT_EQ(kErrorSuccess, regQueryValue(key, "empty", &type, &data));
  EXPECT_EQ(kRegBinary, type);
  EXPECT_TRUE(data.empty());
  type = 0;
  EXPECT_EQ(kErrorSuccess, regQueryValue(key, "number", &type, nullptr));
  EXPECT_EQ(kRegDword, type);

  EXPECT_EQ(kErrorSuccess, regDeleteValue(key, "number"));
  EXPECT_EQ(kErrorFileNotFound, regQueryValue(key, "Number", &type, nullptr));
  EXPECT_EQ(kErrorFileNotFound, regDeleteValue(key, "Number"));
  regCloseKey(key);
}

TEST_F(PlatformRegistryTest, HandlesOnlyDoWhatTheirRightsAllow) {
  regCloseKey(create("sub"));
  RegHandle query = open("", kKeyQueryValue);
  EXPECT_EQ(kErrorAccessDenied, regSetValue(query, "v", kRegSz, {'x', 0}));
  EXPECT_EQ(kErrorAccessDenied, regDeleteValue(query, "v"));
  std::string name;
  EXPECT_EQ(kErrorAccessDenied, regEnumKey(query, 0, &name));
  regCloseKey(query);
  RegHandle change = open("", kKeySetValue);
  EXPECT_EQ(kErrorSuccess, regSetValue(change, "v", kRegSz, {'x', 0}));
  EXPECT_EQ(kErrorAccessDenied, regQueryValue(change, "v", nullptr, nullptr));
  regCloseKey(change);
}

}  // namespace
}  // namespace Platform
