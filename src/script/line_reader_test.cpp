#include "script/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Every raw line of `content`, as a reader of an open file gives them.
std::vector<std::string> linesOf(const std::string& content) {
  std::FILE* file = std::tmpfile();
  EXPECT_NE(nullptr, file);
  if (file == nullptr) return {};
  std::fwrite(content.data(), 1, content.size(), file);
  std::rewind(file);
  LineReader reader(file, "setup.txt");
  std::vector<std::string> lines;
  std::string line;
  while (reader.nextLine(&line)) lines.push_back(line);
  EXPECT_FALSE(reader.nextLine(&line));
  std::fclose(file);
  return lines;
}

using Lines = std::vector<std::string>;

// The reader works on any open file, so a checker reads a script exactly as
// the installer does.
TEST(LineReaderTest, ReadsLinesAsTextModeWouldOnEveryPlatform) {
  EXPECT_EQ(Lines(), linesOf(""));
  EXPECT_EQ(Lines({"a", "b"}), linesOf("a\r\nb"));
  EXPECT_EQ(Lines({"a", "b", ""}), linesOf("a\nb\n"));
  EXPECT_EQ(Lines({"a\rb", "c"}), linesOf("a\rb\nc"));
  EXPECT_EQ(Lines({"a", "b"}), linesOf("a\nb\x1a"
                                       "c\n"));
  EXPECT_EQ(Lines({std::string(200000, 'x'), ""}), linesOf(std::string(200000, 'x') + "\n"));
}

}  // namespace
