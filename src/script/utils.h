#ifndef TARNWICK_SCRIPT_UTILS_H_
#define TARNWICK_SCRIPT_UTILS_H_

#include <string>
#include <string_view>
#include <vector>

// String and path helpers shared by every component. All work on byte
// strings: whitespace is space, tab, LF, VT, FF and CR only, and only A-Z
// change case; bytes of 0x80 and above are never touched.
namespace Utils {

bool isWhitespace(char c);

std::string trimLeft(const std::string& text);
std::string trimRight(const std::string& text);
std::string trim(const std::string& text);
// trim without copying, for text that is split again before a part is kept.
std::string_view trimmedView(std::string_view text);

// Removes one double quote at each end where present.
std::string stripQuotes(const std::string& text);

// Splits at the first (splitFirst) or last (splitLast) occurrence of
// `separator`. Without one, left is the whole text, right is empty and the
// result is false.
bool splitFirst(const std::string& text, char separator, std::string* left, std::string* right);
bool splitLast(const std::string& text, char separator, std::string* left, std::string* right);

// The items of a list such as "a & b" or "1, 0, &&", untrimmed and in order:
// the text between one separator and the next. An empty text has no items,
// a separator at the very end adds none, and two separators in a row make
// an empty item. Linear in the length of the text, however many items.
std::vector<std::string> splitItems(const std::string& text, char separator);

std::string toLower(const std::string& text);

// Drops one trailing '\' or '/'.
std::string stripTrailingSeparator(const std::string& text);

// Appends '\' unless the text is empty or already ends in '\' or '/'.
std::string appendSeparator(const std::string& text);

// The absolute form of `path` (the current directory for an empty path).
// Throws UtilsException "Unable to determine full path: " + path when the
// path cannot be resolved or its absolute form does not fit MAX_PATH (259
// characters and the terminator).
std::string fullPath(const std::string& path);

// fullPath as it comes out with `currentDirectory` (a full path) for the
// process's current directory, by the platform's rules but without asking
// it: for tools that predict the installer's paths without running it.
// Throws as fullPath does, also for a path holding a NUL, which no platform
// call sees whole.
std::string fullPathFrom(const std::string& path, const std::string& currentDirectory);

// Drive and directory part of `path`, ending in a separator; empty for a
// bare name. Throws as fullPath does.
std::string directoryOf(const std::string& path);

}  // namespace Utils

#endif  // TARNWICK_SCRIPT_UTILS_H_
