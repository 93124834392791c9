#ifndef TARNWICK_CHECK_FINDING_WRITER_H_
#define TARNWICK_CHECK_FINDING_WRITER_H_

#include <string>

#include "check/findings.h"

enum class OutputFormat { kText, kJson };

// One finding as the checker prints it, ending in a line feed.
//
// Text, as compilers write: "setup.txt:12: error: Malformed DWORD string:
// 12xyz" (a column after the line where one helps, no line number for the
// file as a whole), then the line as written, indented by four blanks.
//
// JSON: one object on one line, {"file", "line", "column" (only when
// known), "severity", "message", "text"}; script text (code page 1252) and
// the file name (as the host spells it) are written as UTF-8, with every
// control character escaped.
std::string formatFinding(const std::string& file, const Finding& finding, OutputFormat format);

// "2 errors, 1 warning", "no errors, no warnings".
std::string summaryOf(int errors, int warnings);

#endif  // TARNWICK_CHECK_FINDING_WRITER_H_
