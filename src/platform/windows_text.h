#ifndef TARNWICK_PLATFORM_WINDOWS_TEXT_H_
#define TARNWICK_PLATFORM_WINDOWS_TEXT_H_

// The byte-level rules of the text the installer handles, one home for
// each, shared by the core and the emulated machine. Text is bytes in the
// ANSI code page: only A-Z change case (bytes of 0x80 and above never do),
// '\' and '/' both separate the components of a Windows path, and
// hexadecimal digits may be written in either case.
namespace WindowsText {

inline char toUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline char toLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool isSeparator(char c) { return c == '\\' || c == '/'; }

// The value of one hexadecimal digit, or -1 for any other byte.
inline int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace WindowsText

#endif  // TARNWICK_PLATFORM_WINDOWS_TEXT_H_
