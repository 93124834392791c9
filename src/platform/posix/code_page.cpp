#include "platform/posix/code_page.h"

namespace Posix {

namespace {

// 0x80 to 0x9F; the rest of the page is Latin-1.
const char32_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at `text[*i]`; false (and nothing consumed)
// when the bytes there are not a valid sequence of at most three bytes.
bool decodeUtf8(const std::string& text, size_t* i, char32_t* c) {
  unsigned char lead = static_cast<unsigned char>(text[*i]);
  int length = lead >= 0xE0 && lead < 0xF0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
  if (length == 0 || *i + length > text.size()) return false;
  char32_t value = lead & (length == 2 ? 0x1F : 0x0F);
  for (int k = 1; k < length; ++k) {
    unsigned char next = static_cast<unsigned char>(text[*i + k]);
    if ((next & 0xC0) != 0x80) return false;
    value = (value << 6) | (next & 0x3F);
  }
  if (length == 3 && value < 0x800) return false;
  *c = value;
  *i += length;
  return true;
}

}  // namespace

char32_t ansiToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
  return byte;
}

unsigned char unicodeToAnsi(char32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character < 0x100)) {
    return static_cast<unsigned char>(character);
  }
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == character) return static_cast<unsigned char>(0x80 + i);
  }
  return '?';
}

std::string ansiToUtf8(const std::string& ansi) {
  std::string out;
  out.reserve(ansi.size());
  appendAnsiAsUtf8(ansi, &out);
  return out;
}

void appendAnsiAsUtf8(std::string_view ansi, std::string* out) {
  // Most names are ASCII throughout, which both encodings write alike.
  size_t ascii = 0;
  while (ascii < ansi.size() && static_cast<unsigned char>(ansi[ascii]) < 0x80) ++ascii;
  out->append(ansi.data(), ascii);
  for (char c : ansi.substr(ascii)) appendUtf8(ansiToUnicode(static_cast<unsigned char>(c)), out);
}

std::string utf8ToAnsi(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t c;
    if (static_cast<unsigned char>(utf8[i]) >= 0x80 && decodeUtf8(utf8, &i, &c)) {
      out.push_back(static_cast<char>(unicodeToAnsi(c)));
    } else {
      out.push_back(utf8[i++]);
    }
  }
  return out;
}

std::u16string ansiToUtf16(const std::string& ansi) {
  std::u16string out;
  out.reserve(ansi.size());
  for (char c : ansi)
    out.push_back(static_cast<char16_t>(ansiToUnicode(static_cast<unsigned char>(c))));
  return out;
}

}  // namespace Posix
