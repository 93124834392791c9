#include "driver/reporter.h"

#include <gtest/gtest.h>

#include "testing/scratch_machine.h"

namespace {

class ReporterTest : public ::testing::Test {
 protected:
  ScratchMachine machine_;
};

TEST_F(ReporterTest, CountsEveryReportAndAppendsEntriesWithCrLf) {
  std::string log = machine_.path("install.log");
  Reporter reporter(Reporter::Silent, log);
  testing::internal::CaptureStdout();
  reporter.warning("first");
  reporter.fatalError("");
  reporter.warning("100% done\nsecond line");
  std::string out = testing::internal::GetCapturedStdout();

  EXPECT_EQ(2, reporter.warningCount());
  EXPECT_EQ(1, reporter.fatalCount());
  EXPECT_EQ("Warning:\nfirst\n\nFatal Error:\n\n\nWarning:\n100% done\nsecond line\n\n", out);
  EXPECT_EQ(
      "Warning:\r\nfirst\r\n\r\nFatal Error:\r\n\r\n\r\nWarning:\r\n100% done\r\nsecond "
      "line\r\n\r\n",
      machine_.readFile(log));
}

TEST_F(ReporterTest, SecondRunAppendsToTheSameLog) {
  std::string log = machine_.path("install.log");
  testing::internal::CaptureStdout();
  Reporter(Reporter::Silent, log).warning("one");
  Reporter(Reporter::Silent, log).warning("two");
  testing::internal::GetCapturedStdout();
  EXPECT_EQ("Warning:\r\none\r\n\r\nWarning:\r\ntwo\r\n\r\n", machine_.readFile(log));
}

TEST_F(ReporterTest, UnopenableLogCostsOnlyTheLogEntry) {
  std::string log = machine_.path("missing\\folder\\install.log");
  Reporter reporter(Reporter::Silent, log);
  testing::internal::CaptureStdout();
  reporter.fatalError("boom");
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(1, reporter.fatalCount());
  EXPECT_EQ("Unable to open logfile: " + log + "\nFatal Error:\nboom\n\n", out);
}

}  // namespace
