#include "actions/registry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "actions/registry_text.h"
#include "driver/throwable.h"
#include "system/system.h"
#include "testing/scratch_machine.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string messageOf(void (*action)(const std::string&), const std::string& argument) {
  try {
    action(argument);
  } catch (const RegistryException& e) {
    return e.message();
  }
  return "(no exception)";
}

Bytes fromText(uint32_t type, const std::string& text) {
  Bytes data;
  EXPECT_TRUE(Registry::fromText(type, text, &data));
  return data;
}

std::string malformed(uint32_t type, const std::string& text) {
  try {
    Bytes data;
    Registry::fromText(type, text, &data);
  } catch (const RegistryException& e) {
    return e.message();
  }
  return "(accepted)";
}

std::string toText(uint32_t type, const Bytes& data) {
  std::string text;
  EXPECT_TRUE(Registry::toText(type, data, &text));
  return text;
}

TEST(RegistryTextTest, ReadingGivesQuotedStringsEightDigitDwordsAndCommaSeparatedBytes) {
  EXPECT_EQ("\"abc\"", toText(Platform::kRegSz, {'a', 'b', 'c', 0}));
  EXPECT_EQ("\"ab\"", toText(Platform::kRegSz, {'a', 'b', 0, 'c', 0}));
  EXPECT_EQ("\"ab\"", toText(Platform::kRegSz, {'a', 'b'}));
  EXPECT_EQ("\"\"", toText(Platform::kRegSz, {}));
  EXPECT_EQ("000000ff", toText(Platform::kRegDword, {0xff, 0, 0, 0}));
  EXPECT_EQ("ffffffff", toText(Platform::kRegDword, {0xff, 0xff, 0xff, 0xff}));
  EXPECT_EQ("12345678", toText(Platform::kRegDword, {0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ("0000ff01", toText(Platform::kRegDword, {0x01, 0xff}));  // short data reads as padded
  EXPECT_EQ("0a,ff", toText(Platform::kRegBinary, {0x0a, 0xff}));
  EXPECT_EQ("00", toText(Platform::kRegBinary, {0}));
  EXPECT_EQ("", toText(Platform::kRegBinary, {}));

  std::string text;
  EXPECT_FALSE(Registry::toText(2, {'x', 0}, &text));
  EXPECT_FALSE(Registry::toText(7, {0, 0}, &text));
}

TEST(RegistryTextTest, StringsLoseOneQuoteAtEachEndAndGainANul) {
  EXPECT_EQ(Bytes({'a', 'b', 0}), fromText(Platform::kRegSz, "\"ab\""));
  EXPECT_EQ(Bytes({'a', 'b', 0}), fromText(Platform::kRegSz, "ab"));
  EXPECT_EQ(Bytes({'"', 'a', 0}), fromText(Platform::kRegSz, "\"\"a\""));
  EXPECT_EQ(Bytes({0}), fromText(Platform::kRegSz, ""));
  EXPECT_EQ(Bytes({0}), fromText(Platform::kRegSz, "\""));
}

TEST(RegistryTextTest, DwordTextsAreExactlyEightHexDigits) {
  EXPECT_EQ(Bytes({31, 0, 0, 0}), fromText(Platform::kRegDword, "0000001F"));
  EXPECT_EQ(Bytes({31, 0, 0, 0}), fromText(Platform::kRegDword, "0000001f"));
  EXPECT_EQ(Bytes({0xff, 0xff, 0xff, 0xff}), fromText(Platform::kRegDword, "ffffffff"));
  EXPECT_EQ(Bytes({0x78, 0x56, 0x34, 0x12}), fromText(Platform::kRegDword, "12345678"));

  EXPECT_EQ("Malformed DWORD string: 1234567", malformed(Platform::kRegDword, "1234567"));
  EXPECT_EQ("Malformed DWORD string: 123456789", malformed(Platform::kRegDword, "123456789"));
  EXPECT_EQ("Malformed DWORD string: 0000001g", malformed(Platform::kRegDword, "0000001g"));
  EXPECT_EQ("Malformed DWORD string:  000001f", malformed(Platform::kRegDword, " 000001f"));
  EXPECT_EQ("Malformed DWORD string: 0x00001f", malformed(Platform::kRegDword, "0x00001f"));
  EXPECT_EQ("Malformed DWORD string: -0000001", malformed(Platform::kRegDword, "-0000001"));
  EXPECT_EQ("Malformed DWORD string: ", malformed(Platform::kRegDword, ""));
}

TEST(RegistryTextTest, BinaryTextsOfAnyNumberOfBytesAreAccepted) {
  EXPECT_EQ(Bytes({0x0a}), fromText(Platform::kRegBinary, "0a"));
  EXPECT_EQ(Bytes({0x0a, 0xff}), fromText(Platform::kRegBinary, "0a,ff"));
  EXPECT_EQ(Bytes({0x0a, 0xff, 0x10}), fromText(Platform::kRegBinary, "0a,ff,10"));
  EXPECT_EQ(Bytes({0x0a, 0xff}), fromText(Platform::kRegBinary, "0A,FF"));
  EXPECT_EQ(Bytes({0x0a}), fromText(Platform::kRegBinary, "0a,"));
  EXPECT_EQ(Bytes({0x0a, 0xff}), fromText(Platform::kRegBinary, "0a,ff,"));
  EXPECT_EQ(Bytes({}), fromText(Platform::kRegBinary, ""));
}

TEST(RegistryTextTest, BinaryTextsWithBadPairsOrLengthsAreMalformed) {
  EXPECT_EQ("Malformed binary string: 0g", malformed(Platform::kRegBinary, "0g"));
  EXPECT_EQ("Malformed binary string: 0a,fg", malformed(Platform::kRegBinary, "0a,fg"));
  EXPECT_EQ("Malformed binary string:  a", malformed(Platform::kRegBinary, " a"));
  EXPECT_EQ("Malformed binary string: a", malformed(Platform::kRegBinary, "a"));
  EXPECT_EQ("Malformed binary string: 0a,f", malformed(Platform::kRegBinary, "0a,f"));
  EXPECT_EQ("Malformed binary string: 0a,ff,,", malformed(Platform::kRegBinary, "0a,ff,,"));
  EXPECT_EQ("Malformed binary string: 0a,ff,1", malformed(Platform::kRegBinary, "0a,ff,1"));
}

TEST(RegistryTextTest, EveryTextReadBackStoresTheSameData) {
  const std::pair<uint32_t, Bytes> values[] = {
      {Platform::kRegSz, {'C', ':', '\\', 'x', ' ', 'y', 0}},
      {Platform::kRegDword, {0, 0x80, 0x7f, 0xff}},
      {Platform::kRegBinary, {0x00}},
      {Platform::kRegBinary, {0x01, 0xfe}},
      {Platform::kRegBinary, {0xde, 0xad, 0xbe, 0xef, 0x00, 0x7f}},
  };
  for (const auto& value : values) {
    EXPECT_EQ(value.second, fromText(value.first, toText(value.first, value.second)));
  }
}

TEST(RegistryTextTest, KeyPathsSplitAtTheFirstBackslash) {
  std::string root;
  std::string subkey;
  Registry::splitKeyPath("HKEY_LOCAL_MACHINE\\Software\\Example", &root, &subkey);
  EXPECT_EQ("HKEY_LOCAL_MACHINE", root);
  EXPECT_EQ("Software\\Example", subkey);
  Registry::splitKeyPath("HKEY_LOCAL_MACHINE", &root, &subkey);
  EXPECT_EQ("HKEY_LOCAL_MACHINE", root);
  EXPECT_EQ("", subkey);
  Registry::splitKeyPath("HKEY_USERS\\", &root, &subkey);
  EXPECT_EQ("HKEY_USERS", root);
  EXPECT_EQ("", subkey);
}

TEST(RegistryTextTest, TheSevenRootNamesMatchExactly) {
  EXPECT_EQ(Platform::kHkeyClassesRoot, Registry::rootKey("HKEY_CLASSES_ROOT"));
  EXPECT_EQ(Platform::kHkeyCurrentConfig, Registry::rootKey("HKEY_CURRENT_CONFIG"));
  EXPECT_EQ(Platform::kHkeyCurrentUser, Registry::rootKey("HKEY_CURRENT_USER"));
  EXPECT_EQ(Platform::kHkeyLocalMachine, Registry::rootKey("HKEY_LOCAL_MACHINE"));
  EXPECT_EQ(Platform::kHkeyUsers, Registry::rootKey("HKEY_USERS"));
  EXPECT_EQ(Platform::kHkeyPerformanceData, Registry::rootKey("HKEY_PERFORMANCE_DATA"));
  EXPECT_EQ(Platform::kHkeyDynData, Registry::rootKey("HKEY_DYN_DATA"));

  for (const char* name : {"hkey_local_machine", "HKLM", "HKEY_LOCAL_MACHINE ", ""}) {
    try {
      Registry::rootKey(name);
      ADD_FAILURE() << name;
    } catch (const RegistryException& e) {
      EXPECT_EQ(std::string("Unknown root key encountered: ") + name, e.message());
    }
  }
}

// The operations run against the platform's registry: the emulated one on
// POSIX, the real one (under Wine) on Win32, inside a key of their own.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    System::Facts facts;
    facts.osType = WindowsNT;
    System::setFactsForTesting(facts);
    key_ = "HKEY_CURRENT_USER\\Software\\TarnwickRegistryTest";
    Registry::createKey(key_);
  }
  void TearDown() override {
    try {
      Registry::deleteKey(key_);
    } catch (const Exception&) {
    }
  }

  std::string key(const std::string& relative) const { return key_ + "\\" + relative; }

  ScratchMachine machine_;
  std::string key_;
};

TEST_F(RegistryTest, CreatingMakesMissingKeysOnTheWayAndAnExistingKeyIsNoError) {
  Registry::createKey(key("a\\b\\c"));
  EXPECT_TRUE(Registry::keyExists(key("a")));
  EXPECT_TRUE(Registry::keyExists(key("a\\b\\c")));
  Registry::createKey(key("a\\b\\c"));
  EXPECT_TRUE(Registry::keyExists(key("A\\B\\C")));
  EXPECT_TRUE(Registry::keyExists("HKEY_CURRENT_USER"));
}

TEST_F(RegistryTest, OpeningFailsWithTheRootOrTheWholeKeyPath) {
  EXPECT_EQ("Unknown root key encountered: hkey_current_user",
            messageOf(Registry::createKey, "hkey_current_user\\Software"));
  EXPECT_FALSE(Registry::keyExists("hkey_current_user\\Software"));
  try {
    Registry::openKey(key("missing"), Platform::kKeyQueryValue);
    ADD_FAILURE();
  } catch (const RegistryException& e) {
    EXPECT_EQ("Unable to open registry key: " + key("missing"), e.message());
  }
  EXPECT_EQ("Unable to create new key: " + key_ + "\\\\x",
            messageOf(Registry::createKey, key_ + "\\\\x"));
}

TEST_F(RegistryTest, ClosingClearsTheHandleAndAFailedCloseSaysSo) {
  Platform::RegHandle handle = Registry::openKey(key_, Platform::kKeyQueryValue);
  Registry::closeKey(&handle);
  EXPECT_EQ(0u, handle);
  handle = 0x7654320;
  try {
    Registry::closeKey(&handle);
    ADD_FAILURE();
  } catch (const RegistryException& e) {
    EXPECT_EQ("Unable to close registry key.", e.message());
  }
  EXPECT_EQ(0u, handle);
}

TEST_F(RegistryTest, AHandleTheRegistryDoesNotKnowFailsTheSubkeyOperations) {
  const Platform::RegHandle bogus = 0x7654320;
  try {
    Registry::keyHasSubkeys(bogus);
    ADD_FAILURE();
  } catch (const RegistryException& e) {
    EXPECT_EQ("Unable to determine if key has subkeys.", e.message());
  }
  try {
    Registry::deleteSubkeys(bogus);
    ADD_FAILURE();
  } catch (const RegistryException& e) {
    EXPECT_EQ("Unable to delete subkeys.", e.message());
  }
}

TEST_F(RegistryTest, SubkeysAreCountedAndDeletedThroughAnOpenKey) {
  Registry::createKey(key("parent\\a\\x"));
  Registry::createKey(key("parent\\b"));
  Platform::RegHandle handle =
      Registry::openKey(key("parent"), Platform::kKeyQueryValue | Platform::kKeyEnumerateSubKeys);
  EXPECT_TRUE(Registry::keyHasSubkeys(handle));
  Registry::deleteSubkeys(handle);
  EXPECT_FALSE(Registry::keyHasSubkeys(handle));
  Registry::closeKey(&handle);
  EXPECT_TRUE(Registry::keyExists(key("parent")));
  EXPECT_FALSE(Registry::keyExists(key("parent\\a")));
}

TEST_F(RegistryTest, ValuesAreStoredAndReadInTheirTextForms) {
  Registry::setValue(key_, "s", Platform::kRegSz, "\"C:\\Program Files\\App\"");
  Registry::setValue(key_, "d", Platform::kRegDword, "000000FF");
  Registry::setValue(key_, "b", Platform::kRegBinary, "0a,ff,10");
  Registry::setValue(key_, "", Platform::kRegSz, "default");

  uint32_t type = 0;
  EXPECT_EQ("\"C:\\Program Files\\App\"", Registry::getValueText(key_, "s", &type));
  EXPECT_EQ(Platform::kRegSz, type);
  EXPECT_EQ("000000ff", Registry::getValueText(key_, "d", &type));
  EXPECT_EQ(Platform::kRegDword, type);
  EXPECT_EQ("0a,ff,10", Registry::getValueText(key_, "b", &type));
  EXPECT_EQ(Platform::kRegBinary, type);
  EXPECT_EQ("\"default\"", Registry::getValueText(key_, ""));
  EXPECT_EQ("\"C:\\Program Files\\App\"", Registry::getValueText(key_, "S"));

  // Writing back what was read stores the same value.
  Registry::setValue(key_, "s", Platform::kRegSz, Registry::getValueText(key_, "s"));
  EXPECT_EQ("\"C:\\Program Files\\App\"", Registry::getValueText(key_, "s"));
}

TEST_F(RegistryTest, ExistenceTestsNeverThrow) {
  Registry::setValue(key_, "v", Platform::kRegSz, "x");
  EXPECT_TRUE(Registry::valueExists(key_, "v"));
  EXPECT_FALSE(Registry::valueExists(key_, "w"));
  EXPECT_FALSE(Registry::valueExists(key_, ""));
  EXPECT_FALSE(Registry::valueExists(key("missing"), "v"));
  EXPECT_FALSE(Registry::valueExists("NO_SUCH_ROOT\\x", "v"));
  EXPECT_FALSE(Registry::keyExists(key("missing")));
  EXPECT_FALSE(Registry::keyExists("NO_SUCH_ROOT"));
}

TEST_F(RegistryTest, ReadingAMissingOrUnsupportedValueFailsWithKeyAndName) {
  try {
    Registry::getValueText(key_, "missing");
    ADD_FAILURE();
  } catch (const RegistryException& e) {
    EXPECT_EQ("Unable to get registry value: [" + key_ + "]:missing", e.message());
  }
  try {
    Registry::getValueText(key_, "");
    ADD_FAILURE();
  } catch (const RegistryException& e) {
    EXPECT_EQ("Unable to get registry value: [" + key_ + "]:", e.message());
  }
  Platform::RegHandle handle = Registry::openKey(key_, Platform::kKeySetValue);
  ASSERT_EQ(Platform::kErrorSuccess, Platform::regSetValue(handle, "x", 2, {'%', 'a', '%', 0}));
  Registry::closeKey(&handle);
  try {
    Registry::getValueText(key_, "x");
    ADD_FAILURE();
  } catch (const RegistryException& e) {
    EXPECT_EQ("Unsupported type for the registry value: [" + key_ + "]:x", e.message());
  }
}

TEST_F(RegistryTest, StoringInAMissingKeyFailsWithoutCreatingIt) {
  try {
    Registry::setValue(key("missing"), "v", Platform::kRegSz, "x");
    ADD_FAILURE();
  } catch (const RegistryException& e) {
    EXPECT_EQ("Unable to open registry key: " + key("missing"), e.message());
  }
  EXPECT_FALSE(Registry::keyExists(key("missing")));
}

TEST_F(RegistryTest, AMalformedTextLeavesTheRegistryUntouched) {
  Registry::setValue(key_, "d", Platform::kRegDword, "00000001");
  EXPECT_THROW(Registry::setValue(key_, "d", Platform::kRegDword, "0000001"), RegistryException);
  EXPECT_THROW(Registry::setValue(key_, "b", Platform::kRegBinary, "0g"), RegistryException);
  EXPECT_EQ("00000001", Registry::getValueText(key_, "d"));
  EXPECT_FALSE(Registry::valueExists(key_, "b"));
  try {
    Registry::setValue(key_, "x", 2, "%PATH%");
    ADD_FAILURE();
  } catch (const RegistryException& e) {
    EXPECT_EQ("Unable to set registry value: [" + key_ + "]:x", e.message());
  }
  EXPECT_FALSE(Registry::valueExists(key_, "x"));
  // Malformed texts are refused before the key is even opened.
  try {
    Registry::setValue(key("missing"), "d", Platform::kRegDword, "xyz");
    ADD_FAILURE();
  } catch (const RegistryException& e) {
    EXPECT_EQ("Malformed DWORD string: xyz", e.message());
  }
}

TEST_F(RegistryTest, DeletingWhatDoesNotExistDoesNothing) {
  Registry::deleteKey(key("missing"));
  Registry::deleteKey(key("missing\\deeper"));
  Registry::deleteValue(key_, "missing");
  Registry::deleteValue(key("missing"), "v");
  Registry::deleteKey("NO_SUCH_ROOT\\x");
  EXPECT_TRUE(Registry::keyExists(key_));
}

TEST_F(RegistryTest, DeletingAValueLeavesTheOthers) {
  Registry::setValue(key_, "a", Platform::kRegSz, "1");
  Registry::setValue(key_, "b", Platform::kRegSz, "2");
  Registry::setValue(key_, "", Platform::kRegSz, "3");
  Registry::deleteValue(key_, "A");
  Registry::deleteValue(key_, "");
  EXPECT_FALSE(Registry::valueExists(key_, "a"));
  EXPECT_FALSE(Registry::valueExists(key_, ""));
  EXPECT_TRUE(Registry::valueExists(key_, "b"));
}

TEST_F(RegistryTest, DeletingAKeyTakesItsSubkeysAndValuesAlong) {
  Registry::createKey(key("tree\\a\\deep\\deeper"));
  Registry::createKey(key("tree\\b"));
  Registry::setValue(key("tree\\a\\deep"), "v", Platform::kRegSz, "x");
  Registry::setValue(key("tree"), "v", Platform::kRegSz, "x");
  Registry::createKey(key("treetop"));

  Registry::deleteKey(key("TREE"));
  EXPECT_FALSE(Registry::keyExists(key("tree")));
  EXPECT_TRUE(Registry::keyExists(key("treetop")));
  Registry::createKey(key("tree"));
  EXPECT_FALSE(Registry::valueExists(key("tree"), "v"));
}

TEST_F(RegistryTest, ARootKeyIsNeverDeleted) {
  Registry::setValue(key_, "keep", Platform::kRegSz, "x");
  for (const std::string root :
       {"HKEY_CURRENT_USER", "HKEY_CURRENT_USER\\", "HKEY_CURRENT_USER\\\\", "HKEY_LOCAL_MACHINE",
        "HKEY_CLASSES_ROOT", "HKEY_USERS"}) {
    EXPECT_EQ("Unable to delete key: " + root, messageOf(Registry::deleteKey, root));
  }
  EXPECT_TRUE(Registry::valueExists(key_, "keep"));
}

TEST_F(RegistryTest, TheProgramFilesFolderIsReadFromTheMachine) {
  std::string text = Registry::getValueText(
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
  EXPECT_EQ('"', text.front());
  EXPECT_NE(std::string::npos, text.find(":\\"));
}

// The registry calls would act on the part of a name before a NUL.
TEST_F(RegistryTest, NamesWithANulInsideNameNothing) {
  const std::string nul(1, '\0');
  Registry::createKey(key("keep"));
  Registry::setValue(key_, "v", Platform::kRegSz, "x");
  // Deleting names nothing that exists, so it does nothing; creating fails.
  Registry::deleteKey(key("keep") + nul + "\\old");
  Registry::deleteValue(key_, "v" + nul + "old");
  EXPECT_THROW(Registry::createKey(key("keep") + nul + "\\new"), RegistryException);
  EXPECT_THROW(Registry::setValue(key_, "v" + nul + "new", Platform::kRegSz, "y"),
               RegistryException);
  EXPECT_TRUE(Registry::keyExists(key("keep")));
  EXPECT_EQ("\"x\"", Registry::getValueText(key_, "v"));
}

// Which side removes the subkeys depends on the OS family: the installer on
// the NT family, the platform on 95/98. Each family the machine can be (all
// of them where it is emulated, the running one elsewhere) deletes a whole
// tree, inside a key of the test's own.
class RegistryFamilyTest : public ::testing::Test {
 protected:
  void useSystem(const std::string& system, OsType type) {
    machine_.reset();
    machine_.reset(new ScratchMachine(system));
    key_ = "HKEY_CURRENT_USER\\" + machine_->registryKey();
    useFamily(type);
  }
  static void useFamily(OsType type) {
    System::Facts facts;
    facts.osType = type;
    System::setFactsForTesting(facts);
  }

  std::unique_ptr<ScratchMachine> machine_;
  std::string key_;
};

TEST_F(RegistryFamilyTest, EveryFamilyDeletesWholeTrees) {
  const std::pair<const char*, OsType> families[] = {
      {"", WindowsNT}, {"win98", Windows98}, {"win95", Windows95}};
  for (const auto& family : families) {
    if (*family.first != '\0' && !ScratchMachine::emulated()) continue;
    useSystem(family.first, family.second);
    Registry::createKey(key_ + "\\App\\a\\b");
    Registry::setValue(key_ + "\\App\\a", "v", Platform::kRegSz, "x");
    Registry::deleteKey(key_ + "\\App");
    EXPECT_FALSE(Registry::keyExists(key_ + "\\App")) << family.first;
    EXPECT_TRUE(Registry::keyExists(key_)) << family.first;
  }
}

// A system the installer takes for 95 leaves the subkeys to the platform,
// which refuses on the NT family.
TEST_F(RegistryFamilyTest, AFamilyTheSystemIsNotLeavesTheSubkeysInPlace) {
  useSystem("", WindowsNT);
  Registry::createKey(key_ + "\\App\\Sub");
  useFamily(Windows95);
  EXPECT_EQ("Unable to delete key: " + key_ + "\\App",
            messageOf(Registry::deleteKey, key_ + "\\App"));
  EXPECT_TRUE(Registry::keyExists(key_ + "\\App\\Sub"));
}

TEST_F(RegistryFamilyTest, KeysNoneMayMakeOrChangeSayWhatFailed) {
  useSystem("", WindowsNT);
  EXPECT_EQ("Unable to create new key: HKEY_PERFORMANCE_DATA\\App",
            messageOf(Registry::createKey, "HKEY_PERFORMANCE_DATA\\App"));
  try {
    Registry::setValue("HKEY_PERFORMANCE_DATA", "v", Platform::kRegSz, "x");
    ADD_FAILURE();
  } catch (const RegistryException& e) {
    EXPECT_EQ("Unable to set registry value: [HKEY_PERFORMANCE_DATA]:v", e.message());
  }
}

// Keys the root aliases show are kept by the emulated registry, whatever a
// script asks; a real registry is not the place to try that.
TEST_F(RegistryFamilyTest, TheKeysTheRootsShowAreNeverDeleted) {
  if (!ScratchMachine::emulated()) GTEST_SKIP() << "only on an emulated machine";
  useSystem("", WindowsNT);
  EXPECT_EQ("Unable to delete subkeys.",
            messageOf(Registry::deleteKey, "HKEY_LOCAL_MACHINE\\System"));
  EXPECT_TRUE(Registry::keyExists("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet"));
  useFamily(Windows95);
  EXPECT_EQ("Unable to delete key: HKEY_LOCAL_MACHINE\\Software\\Classes",
            messageOf(Registry::deleteKey, "HKEY_LOCAL_MACHINE\\Software\\Classes"));
}

}  // namespace
