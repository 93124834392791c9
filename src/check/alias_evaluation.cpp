#include "check/alias_evaluation.h"

#include <vector>

#include "actions/registry_text.h"
#include "alias/alias_line.h"
#include "alias/postfix_evaluator.h"
#include "driver/throwable.h"
#include "script/options_table.h"
#include "script/utils.h"

namespace AliasEvaluation {

namespace {

// Beyond this many distinct unknown truths a boolean expression's value is
// not worked out (2^n evaluations); whether it fails is still known.
const size_t kMaxTruthsEnumerated = 8;

const char* truth(bool value) { return value ? "1" : "0"; }

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The root key name of a key path, when no value of the machine can change
// it.
bool knownRootName(const std::string& key, std::string* root) {
  std::string subkey;
  Registry::splitKeyPath(key, root, &subkey);
  return !UnknownValues::any(*root);
}

// A registry location's key path, checked by the installer's rule. A value
// of the machine after the location's last known ':' (a folder may hold
// ':') could move the split: the location is then left unchecked.
bool registryLocation(const std::string& setting, bool keyOnly, std::string* key) {
  if (UnknownValues::anyOpaque(setting)) return false;
  const size_t lastColon = setting.rfind(':');
  const size_t lastValue = UnknownValues::lastNonTruth(setting);
  if (lastValue != std::string::npos && (lastColon == std::string::npos || lastValue > lastColon)) {
    return false;
  }
  if (keyOnly) {
    *key = AliasLine::registryKeyOf(setting);
  } else {
    std::string valueName;
    AliasLine::parseRegistryLocation(setting, key, &valueName);
  }
  return true;
}

std::string unknownRootOf(const std::string& key) {
  std::string root;
  if (knownRootName(key, &root) && !Registry::isRootKeyName(root)) return root;
  return std::string();
}

// A registry test: the location must be well formed; the answer is the
// machine's.
Result registryTest(const std::string& setting, bool keyOnly, UnknownValues::Kind kind,
                    const std::string& display, UnknownValues* unknowns) {
  Result result;
  std::string key;
  if (registryLocation(setting, keyOnly, &key)) result.unknownRootKey = unknownRootOf(key);
  result.value = unknowns->make(kind, display);
  return result;
}

// Items equal as written stay equal whatever the values in them are (a
// plain value holds no ','); anything else may go either way.
std::string compare(const std::string& setting, const std::string& display,
                    UnknownValues* unknowns) {
  if (!UnknownValues::any(setting)) return truth(AliasLine::itemsAllEqual(setting));
  if (!UnknownValues::anyOpaque(setting) && AliasLine::itemsAllEqual(setting)) return "1";
  return unknowns->make(UnknownValues::kTruth, display);
}

// The expression with its unknown truths set as `bits` says.
std::string assigned(const std::string& expression, const std::vector<std::string>& truths,
                     unsigned bits) {
  std::string text = expression;
  for (size_t i = 0; i < truths.size(); ++i) {
    text = replaceAll(text, truths[i], (bits >> i) & 1 ? "1" : "0");
  }
  return text;
}

// The evaluator's message about `standIn` as it reads about `expression`:
// the whole expression or one element of it, at the message's end.
std::string requote(const std::string& message, const std::string& standIn,
                    const std::string& expression) {
  if (!standIn.empty() && message.size() >= standIn.size() &&
      message.compare(message.size() - standIn.size(), standIn.size(), standIn) == 0) {
    return message.substr(0, message.size() - standIn.size()) + expression;
  }
  // Elements line up: no value holds ','.
  size_t standInStart = 0;
  size_t start = 0;
  while (standInStart <= standIn.size() && start <= expression.size()) {
    size_t standInEnd = std::min(standIn.find(',', standInStart), standIn.size());
    size_t end = std::min(expression.find(',', start), expression.size());
    const std::string element =
        Utils::trim(standIn.substr(standInStart, standInEnd - standInStart));
    if (!element.empty() && message.size() > element.size() &&
        message.compare(message.size() - element.size(), element.size(), element) == 0 &&
        UnknownValues::any(expression.substr(start, end - start))) {
      return message.substr(0, message.size() - element.size()) +
             Utils::trim(expression.substr(start, end - start));
    }
    standInStart = standInEnd + 1;
    start = end + 1;
  }
  return message;
}

// Whether an expression fails, and where, does not depend on the values of
// its operands: only on which elements are operands. So one evaluation with
// every unknown truth at "1" finds every failure; an element holding another
// value of the machine is never an operand and fails as it does there.
std::string boolean(const std::string& setting, const std::string& display,
                    UnknownValues* unknowns) {
  if (!UnknownValues::any(setting)) return truth(PostfixEvaluator().evaluate(setting));
  if (UnknownValues::anyOpaque(setting)) return unknowns->make(UnknownValues::kTruth, display);
  const std::vector<std::string> truths = UnknownValues::truths(setting);
  const std::string allOnes = assigned(setting, truths, ~0u);
  bool first;
  try {
    first = PostfixEvaluator().evaluate(allOnes);
  } catch (const PostfixEvaluatorException& exception) {
    throw PostfixEvaluatorException(requote(exception.message(), allOnes, setting));
  }
  if (truths.size() > kMaxTruthsEnumerated) return unknowns->make(UnknownValues::kTruth, display);
  for (unsigned bits = 0; bits < (1u << truths.size()); ++bits) {
    if (PostfixEvaluator().evaluate(assigned(setting, truths, bits)) != first) {
      return unknowns->make(UnknownValues::kTruth, display);
    }
  }
  return truth(first);
}

// A value made from the setting: itself when it holds no unknown value,
// else a new one (a changed value is no longer the same value).
std::string derived(const std::string& setting, const std::string& made, const std::string& display,
                    UnknownValues* unknowns) {
  if (!UnknownValues::any(setting)) return made;
  return unknowns->make(UnknownValues::derivedKind(setting), display);
}

}  // namespace

Result evaluate(std::optional<int> type, const std::string& setting, const std::string& display,
                UnknownValues* unknowns) {
  Result result;
  if (!type) {
    result.value = unknowns->make(UnknownValues::kOpaque, display);
    return result;
  }
  switch (*type) {
    case SettingCode::kStatic:
      result.value = setting;
      break;
    case SettingCode::kRegistry:
      return registryTest(setting, false, UnknownValues::kOpaque, display, unknowns);
    case SettingCode::kMakepath:
      // Cleaning up trims, unquotes and cuts at ';' only where a plain value
      // cannot be: the placeholders stay the values they stand for.
      result.value = UnknownValues::anyOpaque(setting)
                         ? unknowns->make(UnknownValues::kOpaque, display)
                         : AliasLine::makePath(setting);
      break;
    case SettingCode::kPathexists:
      result.value = unknowns->make(UnknownValues::kTruth, display);
      break;
    case SettingCode::kRegkeyexists:
      return registryTest(setting, true, UnknownValues::kTruth, display, unknowns);
    case SettingCode::kRegvalexists:
      return registryTest(setting, false, UnknownValues::kTruth, display, unknowns);
    case SettingCode::kTolower:
      result.value = derived(setting, Utils::toLower(setting), display, unknowns);
      break;
    case SettingCode::kCompare:
      result.value = compare(setting, display, unknowns);
      break;
    case SettingCode::kBoolean:
      result.value = boolean(setting, display, unknowns);
      break;
    default:
      result.value = unknowns->make(UnknownValues::kOpaque, display);
      break;
  }
  return result;
}

}  // namespace AliasEvaluation
