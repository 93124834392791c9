#include "check/option_advice.h"

#include "script/options_table.h"

std::vector<OptionAdvice> optionsWithoutEffect(const OptionsTable& own, const CheckedOptions& given,
                                               OptionPlace place, std::optional<int> sectionType,
                                               const std::string* sectionName) {
  std::vector<OptionAdvice> advice;
  auto noEffect = [&](OptionId id, const char* name, const char* reason) {
    if (own.isDefined(id) || given.setsUnknown(id)) {
      advice.push_back({name, std::string("Option ") + name + " has no effect here: " + reason});
    }
  };
  const bool aliases = place == OptionPlace::kAliasLine || place == OptionPlace::kAliasesHeader;
  const bool package = place == OptionPlace::kPackageLine || place == OptionPlace::kPackageHeader;
  if (!aliases) noEffect(OptionId::alias_type, "alias_type", "only alias lines have a type");
  if (aliases) {
    noEffect(OptionId::cond, "cond", "alias lines are evaluated whatever their condition");
    noEffect(OptionId::err_type, "err_type", "a failing alias line always ends the run");
  }
  if (package) {
    noEffect(OptionId::cond, "cond", "package information is read whatever its condition");
    noEffect(OptionId::err_type, "err_type",
             "a failing package information line always ends the run");
  }
  if (place == OptionPlace::kAliasLine || place == OptionPlace::kPackageLine) {
    noEffect(OptionId::section_type, "section_type", "these lines are never executed");
  }
  // The options only some sections read.
  bool readsLinkIcon = false;
  bool readsRegvalType = false;
  bool readsDeleteRecurse = false;
  if (place == OptionPlace::kHeader || place == OptionPlace::kLine) {
    const bool predefined = sectionType == SettingCode::kPredefined;
    if (!sectionType || (predefined && sectionName == nullptr)) return advice;
    readsLinkIcon = predefined && *sectionName == "create links";
    readsRegvalType = *sectionType == SettingCode::kCreateRegvals;
    readsDeleteRecurse =
        predefined && *sectionName == "delete files, directories, and program groups";
  }
  if (!readsLinkIcon) {
    noEffect(OptionId::link_icon, "link_icon", "only lines of the create links section make links");
  }
  if (!readsRegvalType) {
    noEffect(OptionId::regval_type, "regval_type",
             "only lines of create_regvals sections store values");
  }
  if (!readsDeleteRecurse) {
    noEffect(OptionId::delete_recurse, "delete_recurse",
             "only lines of the delete files, directories, and program groups section delete");
  }
  return advice;
}
