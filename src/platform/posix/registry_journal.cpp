#include "platform/posix/registry_journal.h"

#include <cstdio>

#include "platform/windows_text.h"

namespace Posix {

namespace {

const size_t kLongestHeader = 32;

// Parses "#<length> <crc>" exactly; false for anything else.
bool parseHeader(const std::string& header, size_t* length, uint32_t* crc) {
  if (header.size() < 11 || header[0] != '#') return false;
  size_t blank = header.find(' ');
  if (blank == std::string::npos || blank == 1 || blank > 11 || header.size() != blank + 9) {
    return false;
  }
  *length = 0;
  for (size_t i = 1; i < blank; ++i) {
    if (header[i] < '0' || header[i] > '9') return false;
    *length = *length * 10 + size_t(header[i] - '0');
  }
  *crc = 0;
  for (size_t i = blank + 1; i < header.size(); ++i) {
    int digit = WindowsText::hexDigitValue(header[i]);
    if (digit < 0) return false;
    *crc = (*crc << 4) | uint32_t(digit);
  }
  return true;
}

}  // namespace

namespace {

// The CRC of each byte value, for the byte-at-a-time form of the checksum:
// every registry change computes one over its whole record.
struct CrcTable {
  uint32_t entries[256];
  constexpr CrcTable() : entries() {
    for (uint32_t byte = 0; byte < 256; ++byte) {
      uint32_t crc = byte;
      for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
      entries[byte] = crc;
    }
  }
};

constexpr CrcTable kCrcTable;

}  // namespace

uint32_t crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) crc = (crc >> 8) ^ kCrcTable.entries[(crc ^ byte) & 0xFFu];
  return ~crc;
}

// "#<length> <crc>\n" and the payload, formatted by hand: one record per
// registry change.
std::string journalRecord(const std::string& payload) {
  char digits[24];
  size_t count = 0;
  for (size_t length = payload.size(); count == 0 || length > 0; length /= 10) {
    digits[count++] = static_cast<char>('0' + length % 10);
  }
  std::string record;
  record.reserve(count + 11 + payload.size());
  record += '#';
  while (count > 0) record += digits[--count];
  record += ' ';
  const uint32_t crc = crc32(payload);
  for (int shift = 28; shift >= 0; shift -= 4) record += "0123456789abcdef"[(crc >> shift) & 0xF];
  record += '\n';
  record += payload;
  return record;
}

JournalContents readJournal(const std::string& bytes) {
  JournalContents contents;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t lineEnd = bytes.find('\n', at);
    if (lineEnd == std::string::npos || lineEnd - at > kLongestHeader) {
      // No complete header: a record cut short, unless more follows.
      bool tail = lineEnd == std::string::npos;
      (tail ? contents.tornTail : contents.corrupt) = true;
      return contents;
    }
    size_t length = 0;
    uint32_t crc = 0;
    if (!parseHeader(bytes.substr(at, lineEnd - at), &length, &crc)) {
      contents.corrupt = true;
      return contents;
    }
    size_t start = lineEnd + 1;
    if (length > bytes.size() - start) {
      contents.tornTail = true;
      return contents;
    }
    std::string payload = bytes.substr(start, length);
    if (crc32(payload) != crc) {
      (start + length == bytes.size() ? contents.tornTail : contents.corrupt) = true;
      return contents;
    }
    contents.payloads.push_back(payload);
    at = start + length;
    contents.validLength = at;
  }
  return contents;
}

}  // namespace Posix
