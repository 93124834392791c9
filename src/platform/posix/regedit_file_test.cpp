#include "platform/posix/regedit_file.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/posix/registry_journal.h"

namespace Posix {
namespace {

using Bytes = std::vector<unsigned char>;

std::vector<RegeditChange> parsed(const std::string& text, bool withHeader = true) {
  std::vector<RegeditChange> changes;
  RegeditError error;
  EXPECT_TRUE(parseRegedit(text, withHeader, &changes, &error))
      << error.line << ": " << error.reason;
  return changes;
}

std::string failure(const std::string& text) {
  std::vector<RegeditChange> changes;
  RegeditError error;
  if (parseRegedit(text, true, &changes, &error)) return "(parsed)";
  return std::to_string(error.line) + ": " + error.reason;
}

TEST(RegeditFileTest, ReadsEveryLineFormInOrder) {
  std::vector<RegeditChange> changes = parsed(
      "REGEDIT4\r\n"
      "; a comment\n"
      "\r"
      "[HKEY_LOCAL_MACHINE\\Software\\A]\r\n"
      "@=\"default\"\r\n"
      "\"path\" = \"C:\\\\x\\\"y\\\"\"\n"
      "\"d\"=dword:1f\r\n"
      "\"b\"=hex:0a,FF,\\\r\n"
      "  7,\\\n"
      "  10\r\n"
      "\"m\"=hex(7):61,00,00\r\n"
      "\"e\"=hex(2):\r\n"
      "\"gone\"=-\r\n"
      "[-HKEY_LOCAL_MACHINE\\Software\\B]\r\n");
  ASSERT_EQ(9u, changes.size());
  EXPECT_EQ(RegeditChange::kCreateKey, changes[0].kind);
  EXPECT_EQ("HKEY_LOCAL_MACHINE\\Software\\A", changes[0].key);
  EXPECT_EQ(4, changes[0].line);
  EXPECT_EQ("", changes[1].name);
  EXPECT_EQ(Bytes({'d', 'e', 'f', 'a', 'u', 'l', 't', 0}), changes[1].data);
  EXPECT_EQ("path", changes[2].name);
  EXPECT_EQ(Bytes({'C', ':', '\\', 'x', '"', 'y', '"', 0}), changes[2].data);
  EXPECT_EQ(4u, changes[3].type);
  EXPECT_EQ(Bytes({0x1f, 0, 0, 0}), changes[3].data);
  EXPECT_EQ(3u, changes[4].type);
  EXPECT_EQ(Bytes({0x0a, 0xff, 0x07, 0x10}), changes[4].data);
  EXPECT_EQ(7u, changes[5].type);
  EXPECT_EQ(11, changes[5].line);
  EXPECT_EQ(2u, changes[6].type);
  EXPECT_TRUE(changes[6].data.empty());
  EXPECT_EQ(RegeditChange::kDeleteValue, changes[7].kind);
  EXPECT_EQ("HKEY_LOCAL_MACHINE\\Software\\A", changes[7].key);
  EXPECT_EQ(RegeditChange::kDeleteKey, changes[8].kind);
  EXPECT_EQ("HKEY_LOCAL_MACHINE\\Software\\B", changes[8].key);
}

TEST(RegeditFileTest, MalformedLinesAreReportedWithTheirNumbers) {
  const std::string key = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n";
  EXPECT_EQ("1: the first line is not REGEDIT4", failure(""));
  EXPECT_EQ("1: the first line is not REGEDIT4",
            failure("Windows Registry Editor Version 5.00\r\n"));
  EXPECT_EQ("2: a key line does not end in ']'", failure("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A\r\n"));
  EXPECT_EQ("2: a key line names no key", failure("REGEDIT4\r\n[]\r\n"));
  EXPECT_EQ("2: a key line names no key", failure("REGEDIT4\r\n[-]\r\n"));
  EXPECT_EQ("2: expected [KEY] or a value", failure("REGEDIT4\r\nname=value\r\n"));
  EXPECT_EQ("2: a value outside a key", failure("REGEDIT4\r\n@=\"x\"\r\n"));
  EXPECT_EQ("3: a value name without its closing quote", failure(key + "\"v\\\"=1\r\n"));
  EXPECT_EQ("3: a value name without '='", failure(key + "\"v\" \"x\"\r\n"));
  EXPECT_EQ("3: a value of unknown form", failure(key + "\"v\"=text\r\n"));
  EXPECT_EQ("3: a value of unknown form", failure(key + "\"v\"=hex(2)0a\r\n"));
  EXPECT_EQ("3: a string without its closing quote", failure(key + "\"v\"=\"x\r\n"));
  EXPECT_EQ("3: text after a string", failure(key + "\"v\"=\"x\" y\r\n"));
  EXPECT_EQ("3: a malformed dword", failure(key + "\"v\"=dword:\r\n"));
  EXPECT_EQ("3: a malformed dword", failure(key + "\"v\"=dword:0000000g\r\n"));
  EXPECT_EQ("3: a malformed hex(N) type", failure(key + "\"v\"=hex():00\r\n"));
  EXPECT_EQ("3: a malformed hex(N) type", failure(key + "\"v\"=hex(123456789):00\r\n"));
  EXPECT_EQ("3: a malformed hex list", failure(key + "\"v\"=hex:0g\r\n"));
  EXPECT_EQ("3: a malformed hex list", failure(key + "\"v\"=hex:100\r\n"));
  EXPECT_EQ("3: a malformed hex list", failure(key + "\"v\"=hex:0a,,0b\r\n"));
  EXPECT_EQ("3: a malformed hex list", failure(key + "\"v\"=hex:,\r\n"));
  EXPECT_EQ("4: a value outside a key",
            failure("REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\A]\r\n\r\n\"v\"=-\r\n"));
}

TEST(RegeditFileTest, WrittenValuesUseTheFormsRegeditReads) {
  EXPECT_EQ("@=\"a\\\\b\\\"c\"\r\n", regeditValueLine("", 1, {'a', '\\', 'b', '"', 'c', 0}));
  EXPECT_EQ("\"d\"=dword:ffffffff\r\n", regeditValueLine("d", 4, {0xff, 0xff, 0xff, 0xff}));
  EXPECT_EQ("\"d\"=hex(4):ff\r\n", regeditValueLine("d", 4, {0xff}));
  EXPECT_EQ("\"b\"=hex:\r\n", regeditValueLine("b", 3, {}));
  EXPECT_EQ("\"s\"=hex(1):\r\n", regeditValueLine("s", 1, {}));
  EXPECT_EQ("\"s\"=hex(1):61,0d,0a,00\r\n", regeditValueLine("s", 1, {'a', '\r', '\n', 0}));
  EXPECT_EQ("\"n\\r\\n\\0\"=-\r\n", regeditDeletedValueLine(std::string("n\r\n\0", 4)));
  std::string wrapped = regeditValueLine("long", 3, Bytes(40, 0x11));
  EXPECT_EQ(0u, wrapped.find("\"long\"=hex:11,11,"));
  for (size_t start = 0, end; (end = wrapped.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    EXPECT_LE(end - start, 80u);
  }
}

// Whatever a change holds, the text written for it reads back as the same
// change.
TEST(RegeditFileTest, EveryWrittenChangeReadsBackUnchanged) {
  std::mt19937 random(12345);
  auto randomBytes = [&random](size_t most) {
    Bytes bytes(random() % (most + 1));
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(random() % 256);
    return bytes;
  };
  const uint32_t types[] = {0, 1, 2, 3, 4, 7, 11, 0xffffffffu};
  for (int i = 0; i < 500; ++i) {
    RegeditChange change;
    change.kind = RegeditChange::kSetValue;
    change.key = "HKEY_LOCAL_MACHINE\\Soft]ware\\K " + std::to_string(i);
    Bytes name = randomBytes(12);
    change.name.assign(name.begin(), name.end());
    change.type = types[random() % 8];
    change.data = randomBytes(i % 3 == 0 ? 200 : 6);
    if (i % 4 == 0 && change.type == 1) change.data.push_back(0);

    std::vector<RegeditChange> changes = parsed(regeditHeader() + regeditChangeText(change));
    ASSERT_EQ(2u, changes.size()) << i;
    EXPECT_EQ(change.key, changes[1].key);
    EXPECT_EQ(change.name, changes[1].name) << i;
    EXPECT_EQ(change.type, changes[1].type) << i;
    EXPECT_EQ(change.data, changes[1].data) << i;
  }
}

TEST(RegistryJournalTest, RecordsReadBackInOrder) {
  std::string journal = journalRecord("one") + journalRecord("") + journalRecord("three\nlines\n");
  JournalContents contents = readJournal(journal);
  EXPECT_EQ(std::vector<std::string>({"one", "", "three\nlines\n"}), contents.payloads);
  EXPECT_EQ(journal.size(), contents.validLength);
  EXPECT_FALSE(contents.tornTail);
  EXPECT_FALSE(contents.corrupt);
  EXPECT_EQ("#3 7a6c86f1\none", journalRecord("one"));
  EXPECT_EQ(0xCBF43926u, crc32("123456789"));  // the check value of CRC-32
}

TEST(RegistryJournalTest, ARecordCutAnywhereIsATornTail) {
  std::string first = journalRecord("[HKEY_LOCAL_MACHINE\\A]\r\n");
  std::string last = journalRecord("[HKEY_LOCAL_MACHINE\\B]\r\n\"v\"=dword:00000001\r\n");
  for (size_t cut = 1; cut < last.size(); ++cut) {
    JournalContents contents = readJournal(first + last.substr(0, cut));
    EXPECT_EQ(1u, contents.payloads.size()) << cut;
    EXPECT_EQ(first.size(), contents.validLength) << cut;
    EXPECT_TRUE(contents.tornTail) << cut;
    EXPECT_FALSE(contents.corrupt) << cut;
  }
  std::string garbled = last;
  garbled[garbled.size() - 3] = 'x';
  EXPECT_TRUE(readJournal(first + garbled).tornTail);
  EXPECT_TRUE(readJournal(first + std::string(100, '\0')).tornTail);
}

TEST(RegistryJournalTest, DamageBeforeTheLastRecordIsCorruption) {
  std::string good = journalRecord("[HKEY_LOCAL_MACHINE\\A]\r\n");
  std::string garbled = good;
  garbled[garbled.size() - 3] = 'x';
  JournalContents contents = readJournal(good + garbled + good);
  EXPECT_TRUE(contents.corrupt);
  EXPECT_EQ(good.size(), contents.validLength);
  EXPECT_TRUE(readJournal(good + "#zz 00000000\n" + good).corrupt);
  EXPECT_TRUE(readJournal("garbage\n" + good).corrupt);
}

}  // namespace
}  // namespace Posix
