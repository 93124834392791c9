#ifndef TARNWICK_CHECK_FINDINGS_H_
#define TARNWICK_CHECK_FINDINGS_H_

#include <string>
#include <vector>

enum class Severity { kError, kWarning };

// When the installer would meet the problem: while reading the line (a
// failure then ends the run whatever err_type says), while running it
// (err_type decides), or never (the checker's own advice).
enum class Stage { kReading, kRunning, kAdvice };

// One problem found in a script, at a line.
struct Finding {
  int line = 0;    // 1-based; 0 for the file as a whole
  int column = 0;  // 1-based byte in the line as written; 0 when none helps
  Severity severity = Severity::kError;
  Stage stage = Stage::kAdvice;
  // For kRunning: false when the line may not run at all (its cond depends
  // on the machine, or debug mode may be on).
  bool certainToRun = true;
  std::string message;
  std::string text;  // the line as written in the script
};

// The findings of one script, in the order found; sorted() gives them by
// position.
class Findings {
 public:
  void add(Finding finding);
  // By line, then column; findings at one place keep the order found.
  std::vector<Finding> sorted() const;
  const std::vector<Finding>& all() const { return findings_; }
  int errors() const { return errors_; }
  int warnings() const { return static_cast<int>(findings_.size()) - errors_; }

 private:
  std::vector<Finding> findings_;
  int errors_ = 0;
};

#endif  // TARNWICK_CHECK_FINDINGS_H_
