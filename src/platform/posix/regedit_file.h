#ifndef TARNWICK_PLATFORM_POSIX_REGEDIT_FILE_H_
#define TARNWICK_PLATFORM_POSIX_REGEDIT_FILE_H_

#include <cstdint>
#include <string>
#include <vector>

// REGEDIT4 text, the form in which the emulated registry is kept on disk and
// which regedit imports: a "REGEDIT4" line, "[KEY]" and "[-KEY]" lines,
// value lines ("name"= or @= followed by "text", dword:, hex:, hex(N): or -),
// ';' comments. Lines end in CR LF when written; CR, LF or CR LF are read.
namespace Posix {

struct RegeditChange {
  enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue };
  Kind kind = kCreateKey;
  int line = 0;      // where the change starts, for diagnostics
  std::string key;   // the full key path as written, root name included
  std::string name;  // value name; empty for the default value
  uint32_t type = 0;
  std::vector<unsigned char> data;
};

struct RegeditError {
  int line = 0;
  std::string reason;
};

// Parses REGEDIT4 text into the changes it describes, in order. With
// `withHeader` the text must start with the "REGEDIT4" line. Returns false
// and fills `error` at the first line that does not follow the format; the
// text is never trusted further than it parses.
bool parseRegedit(const std::string& text, bool withHeader, std::vector<RegeditChange>* changes,
                  RegeditError* error);

// Writing, each piece ending in CR LF.
std::string regeditHeader();
std::string regeditKeyLine(const std::string& key);
std::string regeditDeletedKeyLine(const std::string& key);
// A string whose data is its text and one NUL (and holds no NUL, CR or LF)
// is written as "text", a four-byte DWORD as dword:, anything else as hex
// bytes, so that every value reads back with its exact type and data.
std::string regeditValueLine(const std::string& name, uint32_t type,
                             const std::vector<unsigned char>& data);
std::string regeditDeletedValueLine(const std::string& name);

// One change as the lines that make it (used for journal records).
std::string regeditChangeText(const RegeditChange& change);

// The same, appended to `out`, for writers that make many.
void appendRegeditKeyLine(const std::string& key, std::string* out);
void appendRegeditValueLine(const std::string& name, uint32_t type,
                            const std::vector<unsigned char>& data, std::string* out);
void appendRegeditChange(RegeditChange::Kind kind, const std::string& key, const std::string& name,
                         uint32_t type, const std::vector<unsigned char>& data, std::string* out);

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_REGEDIT_FILE_H_
