#ifndef TARNWICK_PLATFORM_POSIX_CODE_PAGE_H_
#define TARNWICK_PLATFORM_POSIX_CODE_PAGE_H_

#include <string>
#include <string_view>

// The ANSI code page of the emulated machine, 1252. Its five unassigned
// bytes map to the control characters of the same value, as Windows does.
namespace Posix {

char32_t ansiToUnicode(unsigned char byte);
// The byte for a character, or '?' when code page 1252 has none.
unsigned char unicodeToAnsi(char32_t character);

std::string ansiToUtf8(const std::string& ansi);
// The same, appended to `out`.
void appendAnsiAsUtf8(std::string_view ansi, std::string* out);
// Invalid UTF-8 bytes are taken as code page 1252 bytes of their own.
std::string utf8ToAnsi(const std::string& utf8);
std::u16string ansiToUtf16(const std::string& ansi);

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_CODE_PAGE_H_
