#include "script/utils.h"

#include "driver/throwable.h"
#include "platform/platform_files.h"
#include "platform/windows_path.h"
#include "platform/windows_text.h"

namespace Utils {

bool isWhitespace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string trimLeft(const std::string& text) {
  size_t start = 0;
  while (start < text.size() && isWhitespace(text[start])) ++start;
  return text.substr(start);
}

std::string trimRight(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && isWhitespace(text[end - 1])) --end;
  return text.substr(0, end);
}

std::string trim(const std::string& text) { return std::string(trimmedView(text)); }

std::string_view trimmedView(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && isWhitespace(text[begin])) ++begin;
  while (end > begin && isWhitespace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string stripQuotes(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  if (end > 0 && text[0] == '"') begin = 1;
  if (end > begin && text[end - 1] == '"') --end;
  return text.substr(begin, end - begin);
}

namespace {

bool splitAt(const std::string& text, size_t position, std::string* left, std::string* right) {
  if (position == std::string::npos) {
    *left = text;
    right->clear();
    return false;
  }
  std::string before = text.substr(0, position);
  std::string after = text.substr(position + 1);
  *left = std::move(before);
  *right = std::move(after);
  return true;
}

}  // namespace

bool splitFirst(const std::string& text, char separator, std::string* left, std::string* right) {
  return splitAt(text, text.find(separator), left, right);
}

bool splitLast(const std::string& text, char separator, std::string* left, std::string* right) {
  return splitAt(text, text.rfind(separator), left, right);
}

std::vector<std::string> splitItems(const std::string& text, char separator) {
  std::vector<std::string> items;
  size_t position = 0;
  while (position < text.size()) {
    size_t end = text.find(separator, position);
    if (end == std::string::npos) end = text.size();
    items.push_back(text.substr(position, end - position));
    position = end + 1;
  }
  return items;
}

std::string toLower(const std::string& text) {
  std::string result = text;
  for (char& c : result) c = WindowsText::toLower(c);
  return result;
}

std::string stripTrailingSeparator(const std::string& text) {
  if (!text.empty() && WindowsText::isSeparator(text.back()))
    return text.substr(0, text.size() - 1);
  return text;
}

std::string appendSeparator(const std::string& text) {
  if (text.empty() || WindowsText::isSeparator(text.back())) return text;
  return text + "\\";
}

namespace {

[[noreturn]] void throwUnresolvable(const std::string& path) {
  throw UtilsException("Unable to determine full path: " + path);
}

}  // namespace

std::string fullPath(const std::string& path) {
  std::string full;
  if (!Platform::fullPathName(path.empty() ? "." : path, &full) || !Platform::fitsMaxPath(full)) {
    throwUnresolvable(path);
  }
  return full;
}

std::string fullPathFrom(const std::string& path, const std::string& currentDirectory) {
  std::string full;
  if (!Platform::resolveFullPath(path.empty() ? "." : path, currentDirectory, &full) ||
      !Platform::fitsMaxPath(full)) {
    throwUnresolvable(path);
  }
  return full;
}

std::string directoryOf(const std::string& path) {
  fullPath(path);
  size_t drive = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  size_t lastSeparator = path.find_last_of("\\/");
  if (lastSeparator == std::string::npos || lastSeparator < drive) return path.substr(0, drive);
  return path.substr(0, lastSeparator + 1);
}

}  // namespace Utils
