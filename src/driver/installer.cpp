#include "driver/installer.h"

#include <cstdio>
#include <exception>
#include <new>

#include "actions/file_sys.h"
#include "driver/command_line.h"
#include "driver/reporter.h"
#include "driver/throwable.h"
#include "engine/script_engine.h"
#include "platform/platform_files.h"
#include "platform/platform_system.h"
#include "script/utils.h"
#include "system/system.h"

namespace {

const char kUsage[] = "Usage: install [-silent] [-errlog <filename>] <script file>";
const char kSuccess[] = "Software successfully installed!";
const long kComOk = 0;
const long kComAlreadyInitialized = 1;

bool comInitialized = false;

void startUp() {
  std::set_new_handler(outOfMemory);
  allocateMessageBuffer();
  System::initialize();
  long result = Platform::comInitialize();
  if (result == kComOk) {
    comInitialized = true;
  } else if (result == kComAlreadyInitialized) {
    comInitialized = false;
  } else {
    throw ShellLinksException("Unable to initiailize COM in ShellLinks.");
  }
}

void shutDown() {
  if (comInitialized) Platform::comUninitialize();
  comInitialized = false;
  releaseMessageBuffer();
}

// The log lives in the folder "Drelmont" of Program Files; the setting of
// -errlog is a file name inside it, not a path of its own.
void setUpErrorLog(const CommandLine& commandLine, Reporter* reporter) {
  const std::string folder = System::programFilesDirectory() + "\\Drelmont";
  FileSys::createDirectory(folder, false);
  reporter->setLogFileName(folder + "\\" + commandLine.getSetting("-errlog"));
}

int exitCode(const Reporter& reporter) {
  if (reporter.fatalCount() > 0) return 2;
  if (reporter.warningCount() > 0) return 1;
  return 0;
}

void install(const std::string& argumentText, Reporter* reporter) {
  CommandLine commandLine;
  commandLine.parse(argumentText);
  if (commandLine.scriptPath().empty()) throw Exception(kUsage);
  const bool silent = commandLine.hasOption("-silent");
  if (silent) reporter->setMode(Reporter::Silent);

  startUp();
  if (commandLine.hasOption("-errlog")) setUpErrorLog(commandLine, reporter);
  // From here on every relative path resolves against the installer's own
  // folder; a failure leaves the run where it was started.
  Platform::setCurrentDirectory(Utils::appendSeparator(System::runningDirectory()));

  ScriptEngine engine;
  engine.load(commandLine.scriptPath());
  engine.run(*reporter);
  shutDown();
  if (!silent) Platform::messageBox(kSuccess, kMessageBoxCaption, Platform::kMessageBoxInformation);
}

}  // namespace

int runInstaller(const std::string& argumentText) {
  Reporter reporter(Reporter::Interactive, "");
  try {
    install(argumentText, &reporter);
  } catch (const Exception& exception) {
    reporter.fatalError(exception.message());
  }
  Platform::finishRun();
  return exitCode(reporter);
}

namespace {

int reportEscapedError(const char* message) {
  std::fflush(stdout);
  std::fputs(message, stderr);
  std::fputs("\n", stderr);
  Platform::finishRun();
  return 2;
}

}  // namespace

int runInstallerProcess(const std::function<std::string()>& argumentText) {
  try {
    return runInstaller(argumentText());
  } catch (const MemError& error) {
    return reportEscapedError(error.message().c_str());
  } catch (const std::bad_alloc&) {
    // Before start-up has installed the out-of-memory handler the runtime
    // throws its own bad_alloc; it is the same failure with the same message.
    return reportEscapedError("Unable to allocate memory.");
  } catch (const std::exception& error) {
    return reportEscapedError(error.what());
  }
}
