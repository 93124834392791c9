#include "check/check_command.h"

#include <memory>
#include <optional>

#include "check/finding_writer.h"
#include "check/script_checker.h"
#include "platform/known_systems.h"
#include "platform/platform_host.h"
#include "script/line_reader.h"
#include "system/system.h"
#include "tarnwick_version.h"

namespace {

const char kUsage[] =
    "usage: tarnwick-check [--format text|json] [--os NAME] [--installer FOLDER] SCRIPT...\n"
    "       tarnwick-check --help | --version\n";
const char kOsNames[] = "win95, win98, winme, nt40, win2k, winxp, win7, win10, unknown";

struct Request {
  OutputFormat format = OutputFormat::kText;
  std::optional<OsType> os;
  std::string installerFolder;  // empty: each script's own folder
  std::vector<std::string> scripts;
  bool help = false;
  bool version = false;
};

struct UsageError {
  std::string reason;
};

void write(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

// "--name value" or "--name=value": the value, taking the next argument
// when needed.
std::string optionValue(const std::vector<std::string>& arguments, size_t* index,
                        const std::string& name) {
  const std::string& argument = arguments[*index];
  if (argument.size() > name.size() && argument[name.size()] == '=') {
    return argument.substr(name.size() + 1);
  }
  if (*index + 1 >= arguments.size()) throw UsageError{name + " needs a value"};
  return arguments[++*index];
}

bool isOption(const std::string& argument, const std::string& name) {
  return argument == name || argument.compare(0, name.size() + 1, name + "=") == 0;
}

Request parse(const std::vector<std::string>& arguments) {
  Request request;
  bool optionsEnded = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
      request.scripts.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--help" || argument == "-h") {
      request.help = true;
    } else if (argument == "--version") {
      request.version = true;
    } else if (isOption(argument, "--format")) {
      const std::string format = optionValue(arguments, &i, "--format");
      if (format != "text" && format != "json") {
        throw UsageError{"unknown format: " + format + " (text or json)"};
      }
      request.format = format == "json" ? OutputFormat::kJson : OutputFormat::kText;
    } else if (isOption(argument, "--os")) {
      const std::string name = optionValue(arguments, &i, "--os");
      const Platform::KnownSystem* system = Platform::findKnownSystem(name);
      if (system == nullptr) {
        throw UsageError{"unknown OS: " + name + " (one of " + kOsNames + ")"};
      }
      request.os = System::classify(system->version);
    } else if (isOption(argument, "--installer")) {
      const std::string folder = optionValue(arguments, &i, "--installer");
      // The folder of a file in it is the folder itself.
      if (!Platform::installerFolderOf(folder + "/setup", &request.installerFolder)) {
        throw UsageError{"no such folder: " + folder};
      }
    } else {
      throw UsageError{"unknown option: " + argument};
    }
  }
  if (!request.help && !request.version && request.scripts.empty())
    throw UsageError{"no script given"};
  return request;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The findings of one script.
Findings checkScript(const std::string& path, const Request& request) {
  Findings findings;
  std::unique_ptr<std::FILE, FileCloser> file(Platform::openHostFile(path));
  CheckSettings settings;
  settings.installerFolder = request.installerFolder;
  if (!file || (settings.installerFolder.empty() &&
                !Platform::installerFolderOf(path, &settings.installerFolder))) {
    Finding finding;
    finding.severity = Severity::kError;
    finding.stage = Stage::kReading;
    finding.message = "Unable to open file: " + path;
    findings.add(finding);
    return findings;
  }
  settings.os = request.os;
  settings.findBesideScript = Platform::findOnHost;
  LineReader reader(file.get(), path);
  ScriptChecker(settings, &findings).check(&reader);
  return findings;
}

}  // namespace

int runCheckCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err) {
  Request request;
  try {
    request = parse(arguments);
  } catch (const UsageError& error) {
    write(err, "tarnwick-check: " + error.reason + "\n" + kUsage);
    return 2;
  }
  if (request.help) {
    write(out, kUsage);
    return 0;
  }
  if (request.version) {
    write(out, "tarnwick-check " TARNWICK_VERSION "\n");
    return 0;
  }
  int errors = 0;
  int warnings = 0;
  for (const std::string& script : request.scripts) {
    const Findings findings = checkScript(script, request);
    for (const Finding& finding : findings.sorted()) {
      write(out, formatFinding(script, finding, request.format));
    }
    errors += findings.errors();
    warnings += findings.warnings();
  }
  std::fflush(out);
  write(err, summaryOf(errors, warnings) + "\n");
  if (errors > 0) return 2;
  return warnings > 0 ? 1 : 0;
}
