#include "check/findings.h"

#include <algorithm>

void Findings::add(Finding finding) {
  if (finding.severity == Severity::kError) ++errors_;
  findings_.push_back(std::move(finding));
}

std::vector<Finding> Findings::sorted() const {
  std::vector<Finding> result = findings_;
  std::stable_sort(result.begin(), result.end(), [](const Finding& a, const Finding& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  });
  return result;
}
