#include "platform/posix/regedit_file.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "platform/platform_registry.h"
#include "platform/windows_text.h"

namespace Posix {

namespace {

using Platform::kRegBinary;
using Platform::kRegDword;
using Platform::kRegSz;
const size_t kWrapColumn = 76;

const char kBlanks[] = " \t";

// REGEDIT4 files are trimmed of blanks and tabs only.
std::string trimBlanks(const std::string& text) {
  const size_t begin = text.find_first_not_of(kBlanks);
  if (begin == std::string::npos) return std::string();
  return text.substr(begin, text.find_last_not_of(kBlanks) - begin + 1);
}

bool startsWith(const std::string& text, size_t at, const char* prefix) {
  return text.compare(at, std::string(prefix).size(), prefix) == 0;
}

// Splits at CR LF, CR or LF.
std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Reads the quoted string that starts at text[*at] == '"'; leaves *at after
// the closing quote. \\ and \" are the format's escapes; \r, \n and \0 are
// read as regedit under Wine reads them; any other backslash stays as it is.
bool readQuoted(const std::string& text, size_t* at, std::string* result) {
  result->clear();
  for (size_t i = *at + 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      *at = i + 1;
      return true;
    }
    if (c == '\\' && i + 1 < text.size()) {
      char next = text[++i];
      switch (next) {
        case '\\':
          *result += '\\';
          break;
        case '"':
          *result += '"';
          break;
        case 'r':
          *result += '\r';
          break;
        case 'n':
          *result += '\n';
          break;
        case '0':
          *result += '\0';
          break;
        default:
          *result += '\\';
          *result += next;
          break;
      }
      continue;
    }
    *result += c;
  }
  return false;
}

bool readHexList(const std::string& list, std::vector<unsigned char>* data) {
  data->clear();
  std::string text = trimBlanks(list);
  if (text.empty()) return true;
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    std::string token = trimBlanks(
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    bool last = comma == std::string::npos;
    if (token.empty()) return last && start > 0;  // only a trailing comma may be empty
    if (token.size() > 2) return false;
    int value = 0;
    for (char c : token) {
      int digit = WindowsText::hexDigitValue(c);
      if (digit < 0) return false;
      value = value * 16 + digit;
    }
    data->push_back(static_cast<unsigned char>(value));
    if (last) return true;
    start = comma + 1;
  }
}

class Parser {
 public:
  Parser(const std::string& text, std::vector<RegeditChange>* changes, RegeditError* error)
      : lines_(splitLines(text)), changes_(changes), error_(error) {}

  bool parse(bool withHeader) {
    if (withHeader && (lines_.empty() || trimBlanks(lines_[0]) != "REGEDIT4")) {
      return fail(1, "the first line is not REGEDIT4");
    }
    for (next_ = withHeader ? 1 : 0; next_ < lines_.size();) {
      size_t number = next_ + 1;
      std::string line = trimBlanks(lines_[next_++]);
      if (line.empty() || line[0] == ';') continue;
      bool ok = line[0] == '['                       ? parseKeyLine(line, number)
                : (line[0] == '"' || line[0] == '@') ? parseValueLine(line, number)
                                                     : fail(number, "expected [KEY] or a value");
      if (!ok) return false;
    }
    return true;
  }

 private:
  bool fail(size_t line, const std::string& reason) {
    error_->line = static_cast<int>(line);
    error_->reason = reason;
    return false;
  }

  // The key name runs to the last ']' of the line, so a name may hold ']'.
  bool parseKeyLine(const std::string& line, size_t number) {
    if (line.back() != ']') return fail(number, "a key line does not end in ']'");
    std::string key = line.substr(1, line.size() - 2);
    RegeditChange change;
    change.line = static_cast<int>(number);
    if (!key.empty() && key[0] == '-') {
      change.kind = RegeditChange::kDeleteKey;
      key.erase(0, 1);
    }
    if (key.empty()) return fail(number, "a key line names no key");
    change.key = key;
    currentKey_ = change.kind == RegeditChange::kCreateKey ? key : std::string();
    changes_->push_back(change);
    return true;
  }

  bool parseValueLine(const std::string& line, size_t number) {
    if (currentKey_.empty()) return fail(number, "a value outside a key");
    RegeditChange change;
    change.line = static_cast<int>(number);
    change.key = currentKey_;
    size_t at = line[0] == '@' ? 1 : 0;
    if (at == 0 && !readQuoted(line, &at, &change.name)) {
      return fail(number, "a value name without its closing quote");
    }
    at = std::min(line.find_first_not_of(kBlanks, at), line.size());
    if (at >= line.size() || line[at] != '=') return fail(number, "a value name without '='");
    std::string rest = trimBlanks(line.substr(at + 1));
    if (!parseValueData(rest, &change, number)) return false;
    changes_->push_back(change);
    return true;
  }

  bool parseValueData(const std::string& rest, RegeditChange* change, size_t number) {
    change->kind = RegeditChange::kSetValue;
    if (rest == "-") {
      change->kind = RegeditChange::kDeleteValue;
      return true;
    }
    if (!rest.empty() && rest[0] == '"') return parseString(rest, change, number);
    if (startsWith(rest, 0, "dword:")) return parseDword(rest.substr(6), change, number);
    if (startsWith(rest, 0, "hex")) return parseHex(rest, change, number);
    return fail(number, "a value of unknown form");
  }

  bool parseString(const std::string& rest, RegeditChange* change, size_t number) {
    size_t at = 0;
    std::string text;
    if (!readQuoted(rest, &at, &text)) return fail(number, "a string without its closing quote");
    if (!trimBlanks(rest.substr(at)).empty()) return fail(number, "text after a string");
    change->type = kRegSz;
    change->data.assign(text.begin(), text.end());
    change->data.push_back(0);
    return true;
  }

  bool parseDword(const std::string& digits, RegeditChange* change, size_t number) {
    if (digits.empty() || digits.size() > 8) return fail(number, "a malformed dword");
    uint32_t value = 0;
    for (char c : digits) {
      int digit = WindowsText::hexDigitValue(c);
      if (digit < 0) return fail(number, "a malformed dword");
      value = (value << 4) | uint32_t(digit);
    }
    change->type = kRegDword;
    change->data = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                    static_cast<unsigned char>(value >> 16),
                    static_cast<unsigned char>(value >> 24)};
    return true;
  }

  // hex:list or hex(N):list, the list continuing on the next line after a
  // trailing '\'.
  bool parseHex(const std::string& rest, RegeditChange* change, size_t number) {
    size_t at = 3;
    change->type = kRegBinary;
    if (at < rest.size() && rest[at] == '(') {
      size_t close = rest.find(')', at);
      if (close == std::string::npos || close == at + 1 || close > at + 9) {
        return fail(number, "a malformed hex(N) type");
      }
      change->type = 0;
      for (size_t i = at + 1; i < close; ++i) {
        int digit = WindowsText::hexDigitValue(rest[i]);
        if (digit < 0) return fail(number, "a malformed hex(N) type");
        change->type = (change->type << 4) | uint32_t(digit);
      }
      at = close + 1;
    }
    if (at >= rest.size() || rest[at] != ':') return fail(number, "a value of unknown form");
    std::string list = rest.substr(at + 1);
    while (!list.empty() && list.back() == '\\') {
      list.pop_back();
      if (next_ >= lines_.size()) return fail(number, "a hex list continued past the end");
      list += trimBlanks(lines_[next_++]);
    }
    if (!readHexList(list, &change->data)) return fail(number, "a malformed hex list");
    return true;
  }

  std::vector<std::string> lines_;
  size_t next_ = 0;
  std::string currentKey_;
  std::vector<RegeditChange>* changes_;
  RegeditError* error_;
};

// Written by appending to one string: the journal writes a record for
// every change, and a fold writes every value of the registry.
void appendQuoted(std::string_view text, std::string* out) {
  out->push_back('"');
  for (char c : text) {
    switch (c) {
      case '\\':
        out->append("\\\\");
        break;
      case '"':
        out->append("\\\"");
        break;
      case '\r':
        out->append("\\r");
        break;
      case '\n':
        out->append("\\n");
        break;
      case '\0':
        out->append("\\0");
        break;
      default:
        out->push_back(c);
        break;
    }
  }
  out->push_back('"');
}

void appendNameField(const std::string& name, std::string* out) {
  if (name.empty()) {
    out->push_back('@');
  } else {
    appendQuoted(name, out);
  }
}

// A string holds exactly one NUL, at its end, and no line breaks.
bool isPlainString(const std::vector<unsigned char>& data) {
  if (data.empty() || data.back() != 0) return false;
  for (size_t i = 0; i + 1 < data.size(); ++i) {
    if (data[i] == 0 || data[i] == '\r' || data[i] == '\n') return false;
  }
  return true;
}

// The bytes after `prefix`, which starts the line at `lineStart` of `out`,
// as two hex digits each, separated by commas, the line continued with a
// backslash once it reaches the wrap column.
void appendHexList(const char* prefix, size_t lineStart, const std::vector<unsigned char>& data,
                   std::string* out) {
  static const char kDigits[] = "0123456789abcdef";
  out->append(prefix);
  for (size_t i = 0; i < data.size(); ++i) {
    out->push_back(kDigits[data[i] >> 4]);
    out->push_back(kDigits[data[i] & 0xF]);
    if (i + 1 == data.size()) break;
    out->push_back(',');
    if (out->size() - lineStart >= kWrapColumn) {
      out->append("\\\r\n");
      lineStart = out->size();
      out->append("  ");
    }
  }
  out->append("\r\n");
}

void appendKeyLine(const std::string& key, const char* opening, std::string* out) {
  out->append(opening);
  out->append(key);
  out->append("]\r\n");
}

void appendValueLine(const std::string& name, uint32_t type, const std::vector<unsigned char>& data,
                     std::string* out) {
  const size_t lineStart = out->size();
  appendNameField(name, out);
  out->push_back('=');
  if (type == kRegSz && isPlainString(data)) {
    appendQuoted(std::string_view(reinterpret_cast<const char*>(data.data()), data.size() - 1),
                 out);
    out->append("\r\n");
    return;
  }
  if (type == kRegDword && data.size() == 4) {
    char digits[16];
    uint32_t value =
        data[0] | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
    std::snprintf(digits, sizeof digits, "%08x", value);
    out->append("dword:");
    out->append(digits);
    out->append("\r\n");
    return;
  }
  if (type == kRegBinary) return appendHexList("hex:", lineStart, data, out);
  char prefix[24];
  std::snprintf(prefix, sizeof prefix, "hex(%x):", type);
  appendHexList(prefix, lineStart, data, out);
}

}  // namespace

bool parseRegedit(const std::string& text, bool withHeader, std::vector<RegeditChange>* changes,
                  RegeditError* error) {
  changes->clear();
  return Parser(text, changes, error).parse(withHeader);
}

std::string regeditHeader() { return "REGEDIT4\r\n"; }

std::string regeditKeyLine(const std::string& key) {
  std::string line;
  appendRegeditKeyLine(key, &line);
  return line;
}

void appendRegeditKeyLine(const std::string& key, std::string* out) {
  appendKeyLine(key, "[", out);
}

std::string regeditDeletedKeyLine(const std::string& key) {
  std::string line;
  appendKeyLine(key, "[-", &line);
  return line;
}

std::string regeditValueLine(const std::string& name, uint32_t type,
                             const std::vector<unsigned char>& data) {
  std::string line;
  appendRegeditValueLine(name, type, data, &line);
  return line;
}

void appendRegeditValueLine(const std::string& name, uint32_t type,
                            const std::vector<unsigned char>& data, std::string* out) {
  appendValueLine(name, type, data, out);
}

std::string regeditDeletedValueLine(const std::string& name) {
  std::string line;
  appendNameField(name, &line);
  line.append("=-\r\n");
  return line;
}

std::string regeditChangeText(const RegeditChange& change) {
  std::string text;
  appendRegeditChange(change.kind, change.key, change.name, change.type, change.data, &text);
  return text;
}

void appendRegeditChange(RegeditChange::Kind kind, const std::string& key, const std::string& name,
                         uint32_t type, const std::vector<unsigned char>& data, std::string* out) {
  appendKeyLine(key, kind == RegeditChange::kDeleteKey ? "[-" : "[", out);
  if (kind == RegeditChange::kSetValue) appendValueLine(name, type, data, out);
  if (kind == RegeditChange::kDeleteValue) {
    appendNameField(name, out);
    out->append("=-\r\n");
  }
}

}  // namespace Posix
