#include "check/finding_writer.h"

#include <gtest/gtest.h>

namespace {

Finding finding(int line, int column, Severity severity, const std::string& message,
                const std::string& text) {
  Finding result;
  result.line = line;
  result.column = column;
  result.severity = severity;
  result.message = message;
  result.text = text;
  return result;
}

TEST(FindingWriterTest, TextIsCompilerStyleWithTheLineBelow) {
  EXPECT_EQ(
      "setup.txt:12: error: Malformed DWORD string: 12xyz\n    V = 12xyz\n",
      formatFinding("setup.txt",
                    finding(12, 0, Severity::kError, "Malformed DWORD string: 12xyz", "V = 12xyz"),
                    OutputFormat::kText));
  EXPECT_EQ(
      "setup.txt:3:7: warning: w\n    x\n",
      formatFinding("setup.txt", finding(3, 7, Severity::kWarning, "w", "x"), OutputFormat::kText));
  EXPECT_EQ("missing.txt: error: Unable to open file: missing.txt\n",
            formatFinding("missing.txt",
                          finding(0, 0, Severity::kError, "Unable to open file: missing.txt", ""),
                          OutputFormat::kText));
}

// Script text is code page 1252; JSON needs UTF-8 and escaped controls.
TEST(FindingWriterTest, JsonIsOneEscapedObjectPerLine) {
  EXPECT_EQ(
      "{\"file\":\"dir\\\\setup.txt\",\"line\":2,\"column\":4,\"severity\":\"warning\","
      "\"message\":\"a \\\"b\\\"\\n\\tc\",\"text\":\"caf\xc3\xa9 \xe2\x82\xac\\u0001\\r\"}\n",
      formatFinding("dir\\setup.txt",
                    finding(2, 4, Severity::kWarning, "a \"b\"\n\tc", "caf\xe9 \x80\x01\r"),
                    OutputFormat::kJson));
  EXPECT_EQ(
      "{\"file\":\"s.txt\",\"line\":0,\"severity\":\"error\",\"message\":\"m\",\"text\":\"\"}\n",
      formatFinding("s.txt", finding(0, 0, Severity::kError, "m", ""), OutputFormat::kJson));
}

TEST(FindingWriterTest, SummaryCountsInWords) {
  EXPECT_EQ("no errors, no warnings", summaryOf(0, 0));
  EXPECT_EQ("1 error, 2 warnings", summaryOf(1, 2));
  EXPECT_EQ("2 errors, 1 warning", summaryOf(2, 1));
}

}  // namespace
