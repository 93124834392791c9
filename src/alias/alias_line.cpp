#include "alias/alias_line.h"

#include "actions/file_sys.h"
#include "actions/registry.h"
#include "alias/postfix_evaluator.h"
#include "driver/throwable.h"
#include "script/utils.h"

namespace {

const char* truth(bool value) { return value ? "1" : "0"; }

std::string registryValue(const std::string& setting) {
  std::string key;
  std::string valueName;
  AliasLine::parseRegistryLocation(setting, &key, &valueName);
  // A missing key or value, or an unknown root, gives the empty value.
  if (!Registry::valueExists(key, valueName)) return std::string();
  return Registry::getValueText(key, valueName);
}

std::string makePath(const std::string& setting) {
  std::string path;
  std::string comment;
  Utils::splitFirst(setting, ';', &path, &comment);
  path = Utils::trim(Utils::stripQuotes(Utils::trim(path)));
  return Utils::stripTrailingSeparator(path);
}

bool registryKeyExists(const std::string& setting) {
  return Registry::keyExists(AliasLine::registryKeyOf(setting));
}

bool registryValueExists(const std::string& setting) {
  std::string key;
  std::string valueName;
  AliasLine::parseRegistryLocation(setting, &key, &valueName);
  return Registry::valueExists(key, valueName);
}

// True when all comma-separated items, trimmed, are equal. A ',' at the very
// end adds no item; blanks between two commas make an empty one.
bool allItemsEqual(const std::string& setting) {
  const std::vector<std::string> items = Utils::splitItems(setting, ',');
  if (items.empty()) return true;
  const std::string first = Utils::trim(items.front());
  for (const std::string& item : items) {
    if (Utils::trim(item) != first) return false;
  }
  return true;
}

}  // namespace

void AliasLine::parse(const std::string& text, int lineNumber, const SectionHeader* section) {
  parseForm(text, lineNumber, section);
  evaluate();
}

void AliasLine::parseForm(const std::string& text, int lineNumber, const SectionHeader* section) {
  evaluatedValue_.clear();
  parseNameValue(text, lineNumber, section);
}

void AliasLine::evaluate() {
  const std::string& setting = value();
  int type = constOption(OptionId::alias_type);
  switch (type) {
    case SettingCode::kStatic:
      evaluatedValue_ = setting;
      break;
    case SettingCode::kRegistry:
      evaluatedValue_ = registryValue(setting);
      break;
    case SettingCode::kMakepath:
      evaluatedValue_ = makePath(setting);
      break;
    case SettingCode::kPathexists:
      evaluatedValue_ = truth(FileSys::pathExists(setting));
      break;
    case SettingCode::kRegkeyexists:
      evaluatedValue_ = truth(registryKeyExists(setting));
      break;
    case SettingCode::kRegvalexists:
      evaluatedValue_ = truth(registryValueExists(setting));
      break;
    case SettingCode::kTolower:
      evaluatedValue_ = Utils::toLower(setting);
      break;
    case SettingCode::kCompare:
      evaluatedValue_ = truth(allItemsEqual(setting));
      break;
    case SettingCode::kBoolean:
      evaluatedValue_ = truth(PostfixEvaluator().evaluate(setting));
      break;
    default:
      // The options table produces no other code; this guards against an
      // inconsistent table.
      throw AliasLineException(
          formatMessage("Unrecognized alias_type setting encountered: %d", type));
  }
}

void AliasLine::parseRegistryLocation(const std::string& setting, std::string* key,
                                      std::string* valueName) {
  std::string keyPart;
  std::string namePart;
  Utils::splitLast(setting, ':', &keyPart, &namePart);
  keyPart = Utils::trim(keyPart);
  namePart = Utils::trim(namePart);
  if (keyPart.size() < 2 || keyPart.front() != '[' || keyPart.back() != ']') {
    throw AliasLineException("Registry key is missing surrounding []: " + keyPart);
  }
  *key = keyPart.substr(1, keyPart.size() - 2);
  *valueName = namePart;
}

std::string AliasLine::registryKeyOf(const std::string& setting) {
  std::string key;
  std::string valueName;
  parseRegistryLocation(setting, &key, &valueName);
  if (!valueName.empty()) {
    throw AliasLineException("Only the registry key should be specified: " + setting);
  }
  return key;
}

std::string AliasLine::makePath(const std::string& setting) { return ::makePath(setting); }

bool AliasLine::itemsAllEqual(const std::string& setting) { return allItemsEqual(setting); }
