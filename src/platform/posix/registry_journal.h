#ifndef TARNWICK_PLATFORM_POSIX_REGISTRY_JOURNAL_H_
#define TARNWICK_PLATFORM_POSIX_REGISTRY_JOURNAL_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The framing of the registry journal: each change is one record,
//   '#' <payload length, decimal> ' ' <CRC-32 of the payload, 8 hex digits> LF <payload>
// appended with a single write, so that a process killed at any moment
// leaves at most its last record torn. A torn last record (cut short, or
// with a wrong checksum and nothing after it) is dropped; a damaged record
// with records after it makes the whole journal corrupt.
namespace Posix {

uint32_t crc32(const std::string& bytes);

std::string journalRecord(const std::string& payload);

struct JournalContents {
  std::vector<std::string> payloads;
  size_t validLength = 0;  // bytes up to the end of the last good record
  bool tornTail = false;
  bool corrupt = false;  // a damaged record before the end, at byte validLength
};

JournalContents readJournal(const std::string& bytes);

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_REGISTRY_JOURNAL_H_
