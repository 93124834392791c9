#include "check/run_checks.h"

#include <algorithm>
#include <vector>

#include "actions/file_sys.h"
#include "actions/registry_text.h"
#include "actions/shell_links.h"
#include "check/unknown_values.h"
#include "driver/throwable.h"
#include "script/options_table.h"
#include "script/utils.h"

namespace {

// MAX_PATH without the terminator: the longest full path that resolves.
const size_t kMaxFullPath = 259;

// The root key name of a key path, when no value of the machine is in it.
bool knownRoot(const std::string& key, std::string* root) {
  std::string subkey;
  Registry::splitKeyPath(key, root, &subkey);
  return !UnknownValues::any(*root);
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && Utils::toLower(a) == Utils::toLower(b);
}

}  // namespace

void RunChecks::check(const Instruction& line, const Advise& advise) const {
  switch (line.sectionType) {
    case SettingCode::kPredefined:
      checkPredefined(line, advise);
      break;
    case SettingCode::kCreateRegvals:
      if (line.section == nullptr) break;
      setValue(*line.section,
               line.regvalType ? std::optional<uint32_t>(registryValueType(*line.regvalType))
                               : std::nullopt,
               *line.value);
      break;
    default:
      break;
  }
}

void RunChecks::checkPredefined(const Instruction& line, const Advise& advise) const {
  if (line.section == nullptr) return;
  const PredefinedSection section = line.predefined == PredefinedSection::kUnrecognized
                                        ? requirePredefinedSection(*line.section)
                                        : line.predefined;
  switch (section) {
    case PredefinedSection::kCreateDirectories:
      createDirectories(*line.value);
      break;
    case PredefinedSection::kCopyFiles:
      copyFiles(*line.value, *line.name);
      // A missing source is no failure: nothing is copied and nothing said.
      if (line.certainToRun) adviseMissingSource(*line.value, advise);
      break;
    case PredefinedSection::kDeleteFiles:
      deleteFiles(*line.value, line.deleteRecurse ? std::optional<bool>(*line.deleteRecurse ==
                                                                        SettingCode::kRecurseYes)
                                                  : std::nullopt);
      break;
    case PredefinedSection::kCreateLinks:
      createLink(*line.name);
      break;
    case PredefinedSection::kCreateRegistryKeys:
      createKey(*line.value);
      break;
    case PredefinedSection::kDeleteRegistryKeys: {
      deleteKey(*line.value);
      const std::string root = unknownRootKey(*line.value);
      if (!root.empty()) {
        advise("Unknown root key " + root +
               ": the installer finds no key to delete here and reports nothing");
      }
      break;
    }
    case PredefinedSection::kRunPrograms:
    case PredefinedSection::kUnrecognized:
      break;
  }
}

void RunChecks::adviseMissingSource(const std::string& source, const Advise& advise) const {
  if (!findBeside_) return;
  const std::string full = sourceBesideInstaller(source);
  if (full.empty() || findBeside_(full) != Platform::HostMatch::kMissing) return;
  const bool pattern = source.find_first_of("*?") != std::string::npos;
  advise((pattern ? "Copy source matches nothing beside the script: "
                  : "Copy source does not exist beside the script: ") +
         source);
}

std::string RunChecks::fullPath(const std::string& path) const {
  if (UnknownValues::any(path)) return std::string();
  return Utils::fullPathFrom(path, installerFolder_);
}

// Resolving never makes a path longer than the current directory, a
// separator and the path, nor longer than the path and a drive's "C:": a
// path within both bounds resolves whatever it holds, and most do, so most
// need not be resolved at all.
void RunChecks::checkResolves(const std::string& path) const {
  const size_t longest = std::max(installerFolder_.size() + 1, size_t{2}) + path.size();
  if (longest > kMaxFullPath || path.find('\0') != std::string::npos) fullPath(path);
}

void RunChecks::createDirectories(const std::string& path) const { checkResolves(path); }

// copyFiles makes both full before it looks at either.
void RunChecks::copyFiles(const std::string& source, const std::string& target) const {
  checkResolves(source);
  checkResolves(target);
}

void RunChecks::deleteFiles(const std::string& path, std::optional<bool> recursive) const {
  const std::string full = fullPath(path);
  if (!full.empty() && recursive.value_or(false)) FileSys::checkRecursiveDeletion(full);
}

void RunChecks::createLink(const std::string& link) const {
  if (!UnknownValues::any(link)) ShellLinks::linkFilePath(link);
}

void RunChecks::createKey(const std::string& key) const {
  std::string root;
  if (knownRoot(key, &root)) Registry::rootKey(root);
}

void RunChecks::deleteKey(const std::string& key) const {
  std::string root;
  if (knownRoot(key, &root)) Registry::checkKeyDeletion(key);
}

// The text is converted before the key is opened.
void RunChecks::setValue(const std::string& key, std::optional<uint32_t> type,
                         const std::string& text) const {
  if (type && !UnknownValues::any(text)) {
    std::vector<unsigned char> data;
    Registry::fromText(*type, text, &data);
  }
  createKey(key);
}

std::string RunChecks::unknownRootKey(const std::string& key) {
  std::string root;
  if (knownRoot(key, &root) && !Registry::isRootKeyName(root)) return root;
  return std::string();
}

std::string RunChecks::sourceBesideInstaller(const std::string& source) const {
  std::string full;
  try {
    full = fullPath(source);
  } catch (const Exception&) {
    return std::string();
  }
  const std::string folder = installerFolder_ + "\\";
  if (full.size() <= folder.size() || !equalsIgnoringCase(full.substr(0, folder.size()), folder)) {
    return std::string();
  }
  return full;
}
