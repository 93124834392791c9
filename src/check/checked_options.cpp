#include "check/checked_options.h"

#include <vector>

#include "check/unknown_values.h"
#include "driver/throwable.h"
#include "script/script_line.h"
#include "script/utils.h"

namespace {

unsigned bitOf(OptionId id) { return 1u << static_cast<int>(id); }

// The option a pair names, when its name is one; none otherwise (the
// parser then reports the name).
std::optional<OptionId> optionNamed(const std::string& name) {
  try {
    return OptionsTable::lookupOption(Utils::trim(name));
  } catch (const Exception&) {
    return std::nullopt;
  }
}

}  // namespace

CheckedOptions::CheckedOptions(const std::string& text) {
  if (!UnknownValues::any(text)) {
    parsable_ = text;
    return;
  }
  if (UnknownValues::anyOpaque(text)) {
    // A value that may hold '&', '=' or '?' decides what the pairs are.
    allUnknown_ = true;
    return;
  }
  // The pairs as the parser walks them ('&' separates; one at the very end
  // adds nothing), which no plain or truth value holds.
  std::vector<std::string> kept;
  size_t position = 0;
  while (position < text.size()) {
    size_t ampersand = text.find('&', position);
    size_t end = ampersand == std::string::npos ? text.size() : ampersand;
    std::string pair = text.substr(position, end - position);
    position = ampersand == std::string::npos ? end : ampersand + 1;
    if (!UnknownValues::any(pair) || !setAside(pair)) {
      if (std::optional<OptionId> id = optionNamed(pair.substr(0, pair.find('=')))) {
        unknownOptions_ &= ~bitOf(*id);
        if (*id == OptionId::cond) condIsTruth_ = false;
      }
      kept.push_back(std::move(pair));
    }
  }
  for (size_t i = 0; i < kept.size(); ++i) parsable_ += (i > 0 ? "&" : "") + kept[i];
  // An empty last pair must stay one for the parser, which drops a final '&'.
  if (!kept.empty() && kept.back().empty()) parsable_ += "&";
}

// A pair with an unknown value is set aside (true) when only its setting is
// unknown: the option's setting is then the machine's. Without '=' the pair
// is malformed whatever the value is, and a name that is no option is
// reported as it is: both stay for the parser. With an unknown name it
// could be any option.
bool CheckedOptions::setAside(const std::string& pair) {
  const size_t equals = pair.find('=');
  if (equals == std::string::npos) return false;
  const std::string name = pair.substr(0, equals);
  if (UnknownValues::any(name)) {
    allUnknown_ = true;
    return true;
  }
  std::optional<OptionId> id = optionNamed(name);
  if (!id) return false;
  unknownOptions_ |= bitOf(*id);
  if (*id == OptionId::cond) {
    condIsTruth_ = UnknownValues::isTruth(Utils::trim(pair.substr(equals + 1)));
  }
  return true;
}

CheckedOptions CheckedOptions::unknown() {
  CheckedOptions options;
  options.allUnknown_ = true;
  return options;
}

bool CheckedOptions::setsUnknown(OptionId id) const { return (unknownOptions_ & bitOf(id)) != 0; }

bool CheckedOptions::isUnknown(OptionId id) const {
  return allUnknown_ || (unknownOptions_ & bitOf(id)) != 0;
}

EffectiveOptions::EffectiveOptions(const OptionedLine& line, const CheckedOptions& lineOptions,
                                   const OptionedLine* header, const CheckedOptions* headerOptions)
    : line_(line), lineOptions_(lineOptions), header_(header), headerOptions_(headerOptions) {}

EffectiveOptions::Source EffectiveOptions::sourceOf(OptionId id) const {
  // An unknown setting is the last one given for its option: a known pair
  // after it clears it.
  if (lineOptions_.isUnknown(id)) return Source::kUnknown;
  if (line_.options().isDefined(id)) return Source::kLine;
  if (headerOptions_ != nullptr && headerOptions_->isUnknown(id)) return Source::kUnknown;
  if (header_ == nullptr) return Source::kDefault;
  if (header_->options().isDefined(id)) return Source::kHeader;
  return Source::kDefault;
}

std::optional<int> EffectiveOptions::constant(OptionId id) const {
  switch (sourceOf(id)) {
    case Source::kLine:
      return line_.options().constSetting(id);
    case Source::kHeader:
      return header_->options().constSetting(id);
    case Source::kDefault:
      return OptionsTable::defaultConstSetting(id);
    case Source::kUnknown:
      break;
  }
  return std::nullopt;
}

std::optional<std::string> EffectiveOptions::text(OptionId id) const {
  switch (sourceOf(id)) {
    case Source::kLine:
      return line_.options().stringSetting(id);
    case Source::kHeader:
      return header_->options().stringSetting(id);
    case Source::kDefault:
      return OptionsTable::defaultStringSetting(id);
    case Source::kUnknown:
      break;
  }
  return std::nullopt;
}

Truth EffectiveOptions::cond() const {
  std::optional<int> code = constant(OptionId::cond);
  if (!code) return Truth::kMaybe;
  return *code == SettingCode::kCondTrue ? Truth::kTrue : Truth::kFalse;
}
