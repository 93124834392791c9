#include "platform/posix/registry_store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "actions/registry.h"
#include "driver/throwable.h"
#include "platform/posix/machine.h"
#include "platform/posix/regedit_file.h"
#include "platform/posix/registry_journal.h"
#include "system/system.h"
#include "testing/posix/child_process.h"
#include "testing/scratch_machine.h"

namespace Posix {
namespace {

using Bytes = std::vector<unsigned char>;
using Platform::RegHandle;

const RegHandle kLm = Platform::kHkeyLocalMachine;
const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";

Bytes sz(const std::string& text) {
  Bytes data(text.begin(), text.end());
  data.push_back(0);
  return data;
}

Bytes dword(uint32_t value) {
  return {Bytes::value_type(value), Bytes::value_type(value >> 8), Bytes::value_type(value >> 16),
          Bytes::value_type(value >> 24)};
}

std::string readHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void writeHostFile(const std::string& path, const std::string& content, bool append = false) {
  std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  out << content;
}

bool hostFileExists(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0;
}

// Each test works on the registry files of its own scratch machine through
// stores it opens and closes itself (never two at once: the second would
// wait for the first's lock).
class RegistryStoreTest : public ::testing::Test {
 protected:
  RegistryStoreTest() {
    flushRegistry();
    folder_ = Machine::instance().folder();
    nt_.userName = "tester";
    nt_.provisionNew = true;
    win98_ = nt_;
    win98_.dynData = true;
    win98_.deletesSubtrees = true;
  }

  std::unique_ptr<RegistryStore> open(const RegistryLayout& layout) {
    return std::unique_ptr<RegistryStore>(new RegistryStore(folder_, layout));
  }
  std::unique_ptr<RegistryStore> open() { return open(nt_); }

  std::string file(const std::string& name) const { return folder_ + "/" + name; }

  static RegHandle create(RegistryStore& store, RegHandle root, const std::string& path) {
    RegHandle handle = 0;
    EXPECT_EQ(0, store.createKey(root, path, kKeyAllAccess, &handle)) << path;
    return handle;
  }

  static void set(RegistryStore& store, RegHandle root, const std::string& path,
                  const std::string& name, uint32_t type, const Bytes& data) {
    RegHandle handle = create(store, root, path);
    EXPECT_EQ(0, store.setValue(handle, name, type, data)) << path << " " << name;
    store.closeKey(handle);
  }

  // The value's type and data, or nothing when the key or value is missing.
  static bool get(RegistryStore& store, RegHandle root, const std::string& path,
                  const std::string& name, uint32_t* type, Bytes* data) {
    RegHandle handle = 0;
    if (store.openKey(root, path, Platform::kKeyQueryValue, &handle) != 0) return false;
    bool found = store.queryValue(handle, name, type, data) == 0;
    store.closeKey(handle);
    return found;
  }

  static bool has(RegistryStore& store, RegHandle root, const std::string& path) {
    RegHandle handle = 0;
    if (store.openKey(root, path, Platform::kKeyQueryValue, &handle) != 0) return false;
    store.closeKey(handle);
    return true;
  }

  static std::vector<std::string> subkeys(RegistryStore& store, RegHandle root,
                                          const std::string& path) {
    RegHandle handle = 0;
    std::vector<std::string> names;
    if (store.openKey(root, path, Platform::kKeyEnumerateSubKeys, &handle) != 0) return names;
    std::string name;
    while (store.enumKey(handle, static_cast<uint32_t>(names.size()), &name) == 0) {
      names.push_back(name);
    }
    store.closeKey(handle);
    return names;
  }

  ScratchMachine machine_;
  std::string folder_;
  RegistryLayout nt_;
  RegistryLayout win98_;
};

TEST_F(RegistryStoreTest, ANewMachineStartsWithTheProgramFilesFolderAndTheUsersSoftwareKey) {
  auto store = open();
  uint32_t type = 0;
  Bytes data;
  ASSERT_TRUE(get(*store, kLm, kCurrentVersion, "ProgramFilesDir", &type, &data));
  EXPECT_EQ(Platform::kRegSz, type);
  EXPECT_EQ(sz("C:\\Program Files"), data);
  EXPECT_TRUE(has(*store, Platform::kHkeyCurrentUser, kCurrentVersion));

  std::string text = readHostFile(file("registry.reg"));
  EXPECT_EQ(0u, text.find("REGEDIT4\r\n"));
  EXPECT_NE(std::string::npos,
            text.find("\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\r\n"
                      "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\r\n"));
}

TEST_F(RegistryStoreTest, AnExistingMachineIsUsedAsItIs) {
  writeHostFile(file("registry.reg"), "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Vendor]\r\n");
  auto store = open();
  uint32_t type = 0;
  Bytes data;
  EXPECT_TRUE(has(*store, kLm, "Software\\Vendor"));
  EXPECT_FALSE(get(*store, kLm, kCurrentVersion, "ProgramFilesDir", &type, &data));
  store.reset();

  unlink(file("registry.reg").c_str());
  RegistryLayout existing = nt_;
  existing.provisionNew = false;
  store = open(existing);
  EXPECT_FALSE(get(*store, kLm, kCurrentVersion, "ProgramFilesDir", &type, &data));
  EXPECT_TRUE(has(*store, Platform::kHkeyCurrentUser, ""));
  EXPECT_FALSE(has(*store, Platform::kHkeyCurrentUser, "Software"));
}

TEST_F(RegistryStoreTest, NamesIgnoreCaseKeepTheirFirstCaseAndEnumerateInOrder) {
  auto store = open();
  store->closeKey(create(*store, kLm, "Software\\Test\\MixedCase"));
  store->closeKey(create(*store, kLm, "SOFTWARE\\TEST\\MIXEDCASE\\inner"));
  store->closeKey(create(*store, kLm, "Software\\Test\\b"));
  store->closeKey(create(*store, kLm, "Software\\Test\\A"));
  store->closeKey(create(*store, kLm, "Software\\Test\\_"));
  EXPECT_EQ(std::vector<std::string>({"_", "A", "b", "MixedCase"}),
            subkeys(*store, kLm, "software\\test"));

  set(*store, kLm, "Software\\Test", "Value", Platform::kRegSz, sz("1"));
  set(*store, kLm, "Software\\Test", "VALUE", Platform::kRegSz, sz("2"));
  uint32_t type = 0;
  Bytes data;
  ASSERT_TRUE(get(*store, kLm, "software\\test", "value", &type, &data));
  EXPECT_EQ(sz("2"), data);
  EXPECT_NE(std::string::npos, store->text().find("\"Value\"=\"2\""));
}

TEST_F(RegistryStoreTest, PathsAndHandlesFailAsTheRegistryFunctionsDo) {
  auto store = open();
  RegHandle handle = 0;
  EXPECT_EQ(Platform::kErrorFileNotFound, store->openKey(kLm, "Software\\Missing", 1, &handle));
  EXPECT_EQ(kErrorBadPathname, store->createKey(kLm, "\\Software\\X", kKeyAllAccess, &handle));
  EXPECT_EQ(kErrorBadPathname, store->createKey(kLm, "Software\\\\X", kKeyAllAccess, &handle));
  EXPECT_EQ(kErrorInvalidParameter,
            store->createKey(kLm, "Software\\a\rb", kKeyAllAccess, &handle));
  EXPECT_EQ(kErrorInvalidParameter,
            store->createKey(kLm, "Software\\" + std::string(256, 'k'), kKeyAllAccess, &handle));
  std::string deep = "Software";
  for (size_t depth = 1; depth < kDeepestKey; ++depth) deep += "\\k";
  store->closeKey(create(*store, kLm, deep));
  EXPECT_EQ(kErrorInvalidParameter,
            store->createKey(kLm, deep + "\\deeper", kKeyAllAccess, &handle));
  store->closeKey(create(*store, kLm, "Software\\Trailing\\"));
  EXPECT_TRUE(has(*store, kLm, "Software\\Trailing"));
  EXPECT_EQ(kErrorInvalidHandle, store->closeKey(0x4321));
  EXPECT_EQ(kErrorInvalidHandle, store->queryValue(0x4321, "", nullptr, nullptr));
}

TEST_F(RegistryStoreTest, HandlesOnlyDoWhatTheirAccessRightsAllow) {
  auto store = open();
  set(*store, kLm, "Software\\Test\\Sub", "v", Platform::kRegSz, sz("x"));
  RegHandle query = 0;
  RegHandle change = 0;
  ASSERT_EQ(0, store->openKey(kLm, "Software\\Test", Platform::kKeyQueryValue, &query));
  ASSERT_EQ(0, store->openKey(kLm, "Software\\Test", Platform::kKeySetValue, &change));
  std::string name;
  uint32_t count = 0;
  EXPECT_EQ(Platform::kErrorAccessDenied, store->setValue(query, "v", 1, sz("y")));
  EXPECT_EQ(Platform::kErrorAccessDenied, store->deleteValue(query, "v"));
  EXPECT_EQ(Platform::kErrorAccessDenied, store->enumKey(query, 0, &name));
  EXPECT_EQ(Platform::kErrorAccessDenied, store->queryValue(change, "v", nullptr, nullptr));
  EXPECT_EQ(Platform::kErrorAccessDenied, store->querySubkeyCount(change, &count));
  RegHandle created = 0;
  EXPECT_EQ(Platform::kErrorAccessDenied, store->createKey(query, "New", kKeyAllAccess, &created));
  EXPECT_EQ(0, store->setValue(change, "v", 1, sz("y")));
  EXPECT_EQ(0, store->querySubkeyCount(query, &count));
  EXPECT_EQ(1u, count);
  EXPECT_EQ(0, store->closeKey(query));
  EXPECT_EQ(0, store->closeKey(change));
  EXPECT_EQ(kErrorInvalidHandle, store->closeKey(change));
}

TEST_F(RegistryStoreTest, TheNtFamilyRefusesToDeleteAKeyWithSubkeys) {
  auto store = open();
  store->closeKey(create(*store, kLm, "Software\\Tree\\Leaf"));
  EXPECT_EQ(Platform::kErrorAccessDenied, store->deleteKey(kLm, "Software\\Tree"));
  EXPECT_TRUE(has(*store, kLm, "Software\\Tree\\Leaf"));
  RegHandle tree = create(*store, kLm, "Software\\Tree");
  EXPECT_EQ(0, store->deleteKey(tree, "LEAF"));
  EXPECT_EQ(0, store->deleteKey(kLm, "Software\\Tree"));
  EXPECT_EQ(kErrorKeyDeleted, store->queryValue(tree, "", nullptr, nullptr));
  EXPECT_EQ(0, store->closeKey(tree));
  EXPECT_EQ(Platform::kErrorFileNotFound, store->deleteKey(kLm, "Software\\Tree"));
}

TEST_F(RegistryStoreTest, The95FamilyDeletesTheWholeSubtree) {
  auto store = open(win98_);
  set(*store, kLm, "Software\\Tree\\a\\b", "v", 1, sz("x"));
  RegHandle inner = create(*store, kLm, "Software\\Tree\\a\\b");
  EXPECT_EQ(0, store->deleteKey(kLm, "Software\\Tree"));
  EXPECT_FALSE(has(*store, kLm, "Software\\Tree"));
  EXPECT_EQ(kErrorKeyDeleted, store->setValue(inner, "v", 1, sz("y")));
  store->closeKey(inner);
  store->flush();
  store.reset();
  store = open(win98_);
  EXPECT_FALSE(has(*store, kLm, "Software\\Tree"));
}

TEST_F(RegistryStoreTest, RootsAndTheKeysTheAliasesShowAreNeverDeleted) {
  for (const RegistryLayout& layout : {nt_, win98_}) {
    auto store = open(layout);
    EXPECT_EQ(Platform::kErrorAccessDenied, store->deleteKey(kLm, ""));
    EXPECT_EQ(Platform::kErrorAccessDenied, store->deleteKey(Platform::kHkeyUsers, ""));
    EXPECT_EQ(Platform::kErrorAccessDenied, store->deleteKey(Platform::kHkeyCurrentUser, ""));
    EXPECT_EQ(Platform::kErrorAccessDenied, store->deleteKey(Platform::kHkeyUsers, "Tester"));
    EXPECT_EQ(Platform::kErrorAccessDenied, store->deleteKey(kLm, "Software\\Classes"));
    EXPECT_EQ(Platform::kErrorAccessDenied,
              store->deleteKey(kLm, "System\\CurrentControlSet\\Hardware Profiles\\Current"));
    if (layout.deletesSubtrees) {
      EXPECT_EQ(Platform::kErrorAccessDenied, store->deleteKey(kLm, "Software"));
      EXPECT_TRUE(has(*store, kLm, kCurrentVersion));
    }
  }
}

TEST_F(RegistryStoreTest, AliasedRootsShowTheirKeys) {
  auto store = open();
  set(*store, Platform::kHkeyCurrentUser, "Software\\App", "v", 1, sz("user"));
  set(*store, Platform::kHkeyClassesRoot, ".txt", "", 1, sz("txtfile"));
  set(*store, Platform::kHkeyCurrentConfig, "Display", "v", 1, sz("config"));
  uint32_t type = 0;
  Bytes data;
  EXPECT_TRUE(get(*store, Platform::kHkeyUsers, "tester\\Software\\App", "v", &type, &data));
  EXPECT_TRUE(get(*store, kLm, "Software\\Classes\\.TXT", "", &type, &data));
  EXPECT_EQ(sz("txtfile"), data);
  EXPECT_TRUE(get(*store, kLm, "System\\CurrentControlSet\\Hardware Profiles\\Current\\Display",
                  "v", &type, &data));
  EXPECT_NE(std::string::npos, store->text().find("[HKEY_USERS\\tester\\Software\\App]"));
}

TEST_F(RegistryStoreTest, PerformanceDataIsEmptyAndRefusesChanges) {
  auto store = open();
  const RegHandle performance = Platform::kHkeyPerformanceData;
  RegHandle handle = 0;
  EXPECT_EQ(Platform::kErrorAccessDenied,
            store->createKey(performance, "New", kKeyAllAccess, &handle));
  EXPECT_EQ(Platform::kErrorAccessDenied, store->setValue(performance, "v", 1, sz("x")));
  ASSERT_EQ(0, store->openKey(performance, "", Platform::kKeySetValue, &handle));
  EXPECT_EQ(Platform::kErrorAccessDenied, store->setValue(handle, "v", 1, sz("x")));
  store->closeKey(handle);
  EXPECT_TRUE(subkeys(*store, performance, "").empty());
}

TEST_F(RegistryStoreTest, DynamicDataExistsOnThe95FamilyOnly) {
  auto store = open();
  RegHandle handle = 0;
  EXPECT_EQ(kErrorInvalidHandle, store->openKey(Platform::kHkeyDynData, "", 1, &handle));
  EXPECT_EQ(kErrorInvalidHandle,
            store->createKey(Platform::kHkeyDynData, "x", kKeyAllAccess, &handle));
  store.reset();

  store = open(win98_);
  set(*store, Platform::kHkeyDynData, "PerfStats", "v", 4, dword(7));
  store->flush();
  store.reset();
  store = open(win98_);
  uint32_t type = 0;
  Bytes data;
  EXPECT_TRUE(get(*store, Platform::kHkeyDynData, "PerfStats", "v", &type, &data));
  EXPECT_EQ(dword(7), data);
}

TEST_F(RegistryStoreTest, EveryValueSurvivesTheFileWithItsTypeAndData) {
  const std::string quoteName = "quote\"back\\slash";
  const struct {
    std::string name;
    uint32_t type;
    Bytes data;
  } values[] = {
      {"", 1, sz("default")},
      {"path", 1, sz("C:\\Program Files\\\"App\"")},
      {"latin", 1, sz("caf\xe9")},
      {"empty string", 1, sz("")},
      {"no nul", 1, {'a', 'b'}},
      {"no data", 1, {}},
      {"inner nul", 1, {'a', 0, 'b', 0}},
      {"lines", 1, sz("one\r\ntwo\nthree")},
      {"dword", 4, dword(0x1f)},
      {"short dword", 4, {1, 2}},
      {"binary", 3, {0x0a, 0xff}},
      {"empty binary", 3, {}},
      {"long binary", 3, Bytes(300, 0xab)},
      {"expand", 2, sz("%SystemRoot%\\x")},
      {"multi", 7, {'a', 0, 'b', 0, 0}},
      {"none", 0, {}},
      {"qword", 11, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"odd type", 0x12345, {9}},
      {quoteName, 1, sz("q")},
      {"line\nname\r", 1, sz("n")},
  };
  auto store = open();
  for (const auto& value : values)
    set(*store, kLm, "Software\\Kinds", value.name, value.type, value.data);
  std::string before = store->text();
  EXPECT_TRUE(store->flush());
  store.reset();

  std::string text = readHostFile(file("registry.reg"));
  EXPECT_EQ(before, text);
  EXPECT_NE(std::string::npos, text.find("\r\n@=\"default\"\r\n"));
  EXPECT_NE(std::string::npos,
            text.find("\r\n\"path\"=\"C:\\\\Program Files\\\\\\\"App\\\"\"\r\n"));
  EXPECT_NE(std::string::npos, text.find("\r\n\"dword\"=dword:0000001f\r\n"));
  EXPECT_NE(std::string::npos, text.find("\r\n\"binary\"=hex:0a,ff\r\n"));
  EXPECT_NE(std::string::npos, text.find("\r\n\"multi\"=hex(7):61,00,62,00,00\r\n"));
  EXPECT_NE(std::string::npos, text.find("\r\n\"qword\"=hex(b):01,02,03,04,05,06,07,08\r\n"));
  EXPECT_NE(std::string::npos, text.find("\r\n\"no nul\"=hex(1):61,62\r\n"));
  EXPECT_NE(std::string::npos, text.find(",\\\r\n  ab,"));

  store = open();
  for (const auto& value : values) {
    uint32_t type = 0;
    Bytes data;
    ASSERT_TRUE(get(*store, kLm, "Software\\Kinds", value.name, &type, &data)) << value.name;
    EXPECT_EQ(value.type, type) << value.name;
    EXPECT_EQ(value.data, data) << value.name;
  }
  EXPECT_EQ(before, store->text());
}

TEST_F(RegistryStoreTest, TheJournalKeepsChangesUntilTheyAreFolded) {
  auto store = open();
  set(*store, kLm, "Software\\App", "kept", 4, dword(1));
  store->closeKey(create(*store, kLm, "Software\\App\\Gone"));
  EXPECT_EQ(0, store->deleteKey(kLm, "Software\\App\\Gone"));
  store.reset();  // as if killed: nothing folded
  EXPECT_EQ(std::string::npos, readHostFile(file("registry.reg")).find("kept"));
  EXPECT_NE(std::string::npos, readHostFile(file("registry.journal")).find("kept"));

  store = open();
  uint32_t type = 0;
  Bytes data;
  EXPECT_TRUE(get(*store, kLm, "Software\\App", "kept", &type, &data));
  EXPECT_FALSE(has(*store, kLm, "Software\\App\\Gone"));
  // Loading folded the journal into the file.
  EXPECT_NE(std::string::npos, readHostFile(file("registry.reg")).find("\"kept\"=dword:00000001"));
  EXPECT_EQ("", readHostFile(file("registry.journal")));
  store.reset();
  EXPECT_FALSE(hostFileExists(file("registry.journal")));
}

TEST_F(RegistryStoreTest, AFlushThatCannotWriteTheFileKeepsTheJournal) {
  auto store = open();
  set(*store, kLm, "Software\\App", "kept", 4, dword(1));
  ASSERT_EQ(0, mkdir(file("registry.reg.new").c_str(), 0755));  // the new file cannot be made
  testing::internal::CaptureStderr();
  EXPECT_FALSE(store->flush());
  std::string diagnostic = testing::internal::GetCapturedStderr();
  EXPECT_EQ(0u,
            diagnostic.find("Unable to write the registry file " + file("registry.reg") + ": "));
  EXPECT_NE(std::string::npos,
            diagnostic.find("; the changes are kept in " + file("registry.journal")));
  store.reset();
  rmdir(file("registry.reg.new").c_str());

  store = open();
  uint32_t type = 0;
  Bytes data;
  EXPECT_TRUE(get(*store, kLm, "Software\\App", "kept", &type, &data));
}

TEST_F(RegistryStoreTest, ATornLastRecordIsDroppedAndCutOff) {
  auto store = open();
  set(*store, kLm, "Software\\App", "first", 4, dword(1));
  store.reset();
  std::string torn =
      journalRecord("[HKEY_LOCAL_MACHINE\\Software\\App]\r\n\"torn\"=dword:00000002\r\n");
  writeHostFile(file("registry.journal"), torn.substr(0, torn.size() - 7), true);

  store = open();
  uint32_t type = 0;
  Bytes data;
  EXPECT_TRUE(get(*store, kLm, "Software\\App", "first", &type, &data));
  EXPECT_FALSE(get(*store, kLm, "Software\\App", "torn", &type, &data));
  set(*store, kLm, "Software\\App", "after", 4, dword(3));
  store.reset();

  store = open();
  EXPECT_TRUE(store->usable());
  EXPECT_TRUE(get(*store, kLm, "Software\\App", "after", &type, &data));
}

TEST_F(RegistryStoreTest, ADamagedRecordBeforeTheEndMakesTheStoreUnusable) {
  open().reset();
  std::string registry = readHostFile(file("registry.reg"));
  std::string damaged = journalRecord("[HKEY_LOCAL_MACHINE\\Software\\A]\r\n");
  damaged[damaged.size() - 5] ^= 1;
  std::string journal = journalRecord("[HKEY_LOCAL_MACHINE\\Software\\Z]\r\n") + damaged +
                        journalRecord("[HKEY_LOCAL_MACHINE\\Software\\B]\r\n");
  writeHostFile(file("registry.journal"), journal);

  testing::internal::CaptureStderr();
  auto store = open();
  std::string diagnostic = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(store->usable());
  EXPECT_EQ("Unreadable registry journal " + file("registry.journal") +
                ", byte 46: a damaged record; the registry cannot be used until the journal is "
                "repaired\n",
            diagnostic);
  RegHandle handle = 0;
  EXPECT_EQ(kErrorRegistryCorrupt, store->openKey(kLm, "", 1, &handle));
  EXPECT_FALSE(store->flush());
  store.reset();
  EXPECT_EQ(registry, readHostFile(file("registry.reg")));
  EXPECT_EQ(journal, readHostFile(file("registry.journal")));
}

TEST_F(RegistryStoreTest, ACorruptFileIsRefusedAndNeverOverwritten) {
  std::string deepKey;
  for (size_t depth = 0; depth <= kDeepestKey; ++depth) deepKey += "\\k";
  const std::pair<std::string, std::string> files[] = {
      {"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\nnonsense\r\n",
       "line 4: expected [KEY] or a value"},
      {"[HKEY_LOCAL_MACHINE\\A]\r\n", "line 1: the first line is not REGEDIT4"},
      {"REGEDIT4\n[HKEY_PERFORMANCE_DATA\\A]\n",
       "line 2: not a key of this registry: HKEY_PERFORMANCE_DATA\\A"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex:0a,\\\r\n",
       "line 3: a hex list continued past the end"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=dword:123456789\r\n",
       "line 3: a malformed dword"},
      {"REGEDIT4\r\n\"v\"=\"x\"\r\n", "line 2: a value outside a key"},
      {"REGEDIT4\r\n[HKEY_USERS" + deepKey + "]\r\n",
       "line 2: a key nested too deep: HKEY_USERS" + deepKey.substr(0, 190) + "..."},
      {"REGEDIT4\r\n[-HKEY_LOCAL_MACHINE]\r\n",
       "line 2: a root key cannot be deleted: HKEY_LOCAL_MACHINE"},
  };
  for (const auto& corrupt : files) {
    writeHostFile(file("registry.reg"), corrupt.first);
    testing::internal::CaptureStderr();
    auto store = open();
    std::string diagnostic = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(store->usable());
    EXPECT_EQ("Unreadable registry file " + file("registry.reg") + ", " + corrupt.second +
                  "; the registry cannot be used until the file is repaired\n",
              diagnostic);
    RegHandle handle = 0;
    EXPECT_EQ(kErrorRegistryCorrupt,
              store->createKey(kLm, "Software\\New", kKeyAllAccess, &handle));
    EXPECT_FALSE(store->flush());
    store.reset();
    EXPECT_EQ(corrupt.first, readHostFile(file("registry.reg")));
  }
}

// A write that the disk refuses (here: the file size limit) fails the call
// and changes nothing, in memory or in the journal.
TEST_F(RegistryStoreTest, AChangeThatCannotBeWrittenIsNotMade) {
  auto store = open();
  set(*store, kLm, "Software\\App", "small", 4, dword(1));
  struct stat status;
  ASSERT_EQ(0, stat(file("registry.journal").c_str(), &status));
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  struct rlimit limit = saved;
  limit.rlim_cur = static_cast<rlim_t>(status.st_size) + 20;
  sighandler_t savedHandler = signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limit);
  RegHandle app = create(*store, kLm, "Software\\App");
  long setResult = store->setValue(app, "large", 3, Bytes(200, 1));
  long deleteResult = store->deleteValue(app, "small");
  RegHandle created = 0;
  long createResult = store->createKey(kLm, "Software\\App\\New\\Key", kKeyAllAccess, &created);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, savedHandler);

  EXPECT_EQ(kErrorRegistryIoFailed, setResult);
  EXPECT_EQ(kErrorRegistryIoFailed, deleteResult);
  EXPECT_EQ(kErrorRegistryIoFailed, createResult);
  EXPECT_FALSE(store->queryValue(app, "large", nullptr, nullptr) == 0);
  EXPECT_TRUE(store->queryValue(app, "small", nullptr, nullptr) == 0);
  EXPECT_FALSE(has(*store, kLm, "Software\\App\\New"));
  store->closeKey(app);
  store.reset();
  store = open();
  EXPECT_TRUE(store->usable());
  EXPECT_TRUE(has(*store, kLm, "Software\\App"));
  EXPECT_FALSE(has(*store, kLm, "Software\\App\\New"));
}

TEST_F(RegistryStoreTest, ASecondInstallerWaitsAndNeitherLosesItsChanges) {
  ChildProcess child([this] {
    RegistryStore store(folder_, nt_);
    RegHandle handle = 0;
    return store.createKey(kLm, "Software\\Shared", kKeyAllAccess, &handle) == 0 &&
                   store.setValue(handle, "child", 4, dword(2)) == 0 && store.flush()
               ? 0
               : 4;
  });
  auto store = open();
  child.go();
  EXPECT_TRUE(child.awaitError("Waiting for another installer to finish with the registry of " +
                               folder_ + "...\n"));
  set(*store, kLm, "Software\\Shared", "parent", 4, dword(1));
  EXPECT_TRUE(store->flush());
  store.reset();
  EXPECT_EQ(0, child.wait());

  store = open();
  uint32_t type = 0;
  Bytes data;
  EXPECT_TRUE(get(*store, kLm, "Software\\Shared", "parent", &type, &data));
  EXPECT_TRUE(get(*store, kLm, "Software\\Shared", "child", &type, &data));
}

// One counter from the child; false at its end, or after ten seconds
// without one (a stalled child must fail the test, not hang it).
bool readReport(int fd, int* value) {
  struct pollfd ready = {fd, POLLIN, 0};
  if (poll(&ready, 1, 10000) <= 0) return false;
  return read(fd, value, sizeof *value) == sizeof *value;
}

// The child makes changes without end, folding now and then, and reports
// each completed change on a pipe; it is killed at some point. Every change
// it reported must be there, in a registry that loads.
void runUntilKilled(const std::string& folder, const RegistryLayout& layout, int start,
                    int report) {
  RegistryStore store(folder, layout);
  for (int i = start;; ++i) {
    RegHandle key = 0;
    std::string path = "Software\\Kill\\K" + std::to_string(i / 100);
    if (store.createKey(kLm, path, kKeyAllAccess, &key) != 0 ||
        store.setValue(key, "v" + std::to_string(i), 4, dword(i)) != 0) {
      _exit(5);
    }
    store.closeKey(key);
    if (i % 7 == 0 && store.deleteKey(kLm, path + "\\gone") != Platform::kErrorFileNotFound)
      _exit(6);
    if (i % 50 == 49 && !store.flush()) _exit(7);
    if (write(report, &i, sizeof i) != sizeof i) _exit(8);
  }
}

TEST_F(RegistryStoreTest, EveryCompletedChangeSurvivesAKill) {
  int next = 0;
  for (int round = 0; round < 3; ++round) {
    int reports[2];
    ASSERT_EQ(0, pipe(reports));
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(reports[0]);
      runUntilKilled(folder_, nt_, next, reports[1]);
    }
    close(reports[1]);
    int last = -1;
    int reported = 0;
    const int stopAt = next + 300 + 137 * round;
    while (readReport(reports[0], &reported)) {
      last = reported;
      if (last >= stopAt) kill(child, SIGKILL);
    }
    kill(child, SIGKILL);  // in case it stalled
    close(reports[0]);
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    ASSERT_GE(last, stopAt);

    std::vector<RegeditChange> changes;
    RegeditError error;
    EXPECT_TRUE(parseRegedit(readHostFile(file("registry.reg")), true, &changes, &error))
        << error.line << ": " << error.reason;
    auto store = open();
    ASSERT_TRUE(store->usable());
    for (int i = 0; i <= last; ++i) {
      uint32_t type = 0;
      Bytes data;
      ASSERT_TRUE(get(*store, kLm, "Software\\Kill\\K" + std::to_string(i / 100),
                      "v" + std::to_string(i), &type, &data))
          << i << " of " << last;
      ASSERT_EQ(dword(i), data);
    }
    next = last + 1;
  }
}

// The machine's registry as a run uses it, through the registry actions:
// what a disk that refuses the write does to them, and what a flush leaves.
class MachineRegistryTest : public ::testing::Test {
 protected:
  MachineRegistryTest() {
    System::Facts facts;
    facts.osType = WindowsNT;
    System::setFactsForTesting(facts);
  }
  ~MachineRegistryTest() override { flushRegistry(); }

  ScratchMachine machine_;
};

TEST_F(MachineRegistryTest, ChangesTheDiskRefusesSayWhatFailed) {
  const std::string key = "HKEY_CURRENT_USER\\Software\\App";
  Registry::createKey(key + "\\Leaf");
  Registry::setValue(key, "v", Platform::kRegSz, "x");

  struct stat status;
  ASSERT_EQ(0, stat((Machine::instance().folder() + "/registry.journal").c_str(), &status));
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  struct rlimit limit = saved;
  limit.rlim_cur = static_cast<rlim_t>(status.st_size);
  sighandler_t savedHandler = signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limit);
  std::string messages[4];
  try {
    Registry::deleteValue(key, "v");
  } catch (const RegistryException& e) {
    messages[0] = e.message();
  }
  try {
    Registry::setValue(key, "w", Platform::kRegDword, "00000001");
  } catch (const RegistryException& e) {
    messages[1] = e.message();
  }
  try {
    Registry::createKey(key + "\\New");
  } catch (const RegistryException& e) {
    messages[2] = e.message();
  }
  try {
    Registry::deleteKey(key + "\\Leaf");
  } catch (const RegistryException& e) {
    messages[3] = e.message();
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, savedHandler);

  EXPECT_EQ("Unable to delete registry value: [" + key + "]:v", messages[0]);
  EXPECT_EQ("Unable to set registry value: [" + key + "]:w", messages[1]);
  EXPECT_EQ("Unable to create new key: " + key + "\\New", messages[2]);
  EXPECT_EQ("Unable to delete key: " + key + "\\Leaf", messages[3]);
  EXPECT_TRUE(Registry::valueExists(key, "v"));
  EXPECT_TRUE(Registry::keyExists(key + "\\Leaf"));
}

TEST_F(MachineRegistryTest, FlushingWritesTheWholeRegistryAndLetsItGo) {
  Registry::setValue("HKEY_CURRENT_USER", "v", Platform::kRegSz, "x");
  flushRegistry();
  const std::string folder = Machine::instance().folder();
  EXPECT_FALSE(hostFileExists(folder + "/registry.journal"));
  EXPECT_NE(std::string::npos, readHostFile(folder + "/registry.reg")
                                   .find("\r\n[HKEY_USERS\\" + Machine::instance().userName() +
                                         "]\r\n\"v\"=\"x\"\r\n"));
  // The next call opens the registry again.
  EXPECT_EQ("\"x\"", Registry::getValueText("HKEY_CURRENT_USER", "v"));
}

}  // namespace
}  // namespace Posix
