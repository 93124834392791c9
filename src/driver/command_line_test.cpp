#include "driver/command_line.h"

#include <gtest/gtest.h>

#include "driver/throwable.h"

namespace {

std::string parseError(const std::string& text) {
  CommandLine commandLine;
  try {
    commandLine.parse(text);
  } catch (const CommandLineException& exception) {
    return exception.message();
  }
  return "";
}

TEST(CommandLineTest, OptionsAndScriptPathInAnyOrder) {
  for (const char* text :
       {"script.txt -silent", "-silent script.txt", "  -silent   script.txt  "}) {
    CommandLine commandLine;
    commandLine.parse(text);
    EXPECT_EQ("script.txt", commandLine.scriptPath()) << text;
    EXPECT_TRUE(commandLine.hasOption("-silent")) << text;
    EXPECT_EQ("", commandLine.getSetting("-silent"));
    EXPECT_FALSE(commandLine.hasOption("-errlog"));
  }
}

TEST(CommandLineTest, ErrlogTakesTheNextTokenWhateverItIs) {
  CommandLine commandLine;
  commandLine.parse("-errlog -silent x");
  EXPECT_EQ("-silent", commandLine.getSetting("-errlog"));
  EXPECT_FALSE(commandLine.hasOption("-silent"));
  EXPECT_EQ("x", commandLine.scriptPath());
}

TEST(CommandLineTest, LaterOptionReplacesEarlierSetting) {
  CommandLine commandLine;
  commandLine.parse("-errlog x -errlog y -silent -silent a");
  EXPECT_EQ("y", commandLine.getSetting("-errlog"));
  EXPECT_EQ("a", commandLine.scriptPath());
}

TEST(CommandLineTest, EmptyTextGivesNothing) {
  CommandLine commandLine;
  commandLine.parse(" \t\r\n");
  EXPECT_EQ("", commandLine.scriptPath());
  EXPECT_FALSE(commandLine.hasOption("-silent"));
}

TEST(CommandLineTest, OnlyBlanksSeparateTokens) {
  CommandLine commandLine;
  commandLine.parse("-silent\tscript.txt");
  EXPECT_EQ("-silent\tscript.txt", commandLine.scriptPath());
  EXPECT_FALSE(commandLine.hasOption("-silent"));

  CommandLine cased;
  cased.parse("-Silent");
  EXPECT_EQ("-Silent", cased.scriptPath());
}

TEST(CommandLineTest, Errors) {
  EXPECT_EQ("Attempt to specify more than one script path: a, b", parseError("a b"));
  EXPECT_EQ("Attempt to specify more than one script path: \"C:\\My, Files\\s.txt\"",
            parseError("\"C:\\My Files\\s.txt\""));
  EXPECT_EQ("Option is missing setting: -errlog", parseError("a -errlog"));
  EXPECT_EQ("Option is missing setting: -errlog", parseError("a -errlog   "));

  CommandLine commandLine;
  commandLine.parse("a");
  try {
    commandLine.getSetting("-errlog");
    FAIL();
  } catch (const CommandLineException& exception) {
    EXPECT_EQ("Attempt to retrieve setting for undefined option: -errlog", exception.message());
  }
}

}  // namespace
