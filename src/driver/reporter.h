#ifndef TARNWICK_DRIVER_REPORTER_H_
#define TARNWICK_DRIVER_REPORTER_H_

#include <cstdint>
#include <string>

// The caption of every message box the installer shows: the reports' and
// the success box at the end of a run.
const char kMessageBoxCaption[] = "Tarnwick Installer";

// The one channel for warnings and fatal errors: counts them, appends them
// to the error log when there is one, echoes them to standard output and,
// unless silent, shows each in a message box.
class Reporter {
 public:
  enum Mode : uint8_t { Silent = 0, Interactive = 1 };

  Reporter(Mode mode, const std::string& logFileName);

  void setMode(Mode mode) { mode_ = mode; }
  void setLogFileName(const std::string& path) { logFileName_ = path; }

  void warning(const std::string& message);
  void fatalError(const std::string& message);

  int32_t warningCount() const { return warningCount_; }
  int32_t fatalCount() const { return fatalCount_; }

 private:
  void write(const std::string& text);
  void showMessage(const std::string& text);

  Mode mode_;
  std::string logFileName_;
  int32_t warningCount_ = 0;
  int32_t fatalCount_ = 0;
};

#endif  // TARNWICK_DRIVER_REPORTER_H_
