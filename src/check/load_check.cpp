#include "check/load_check.h"

#include "check/unknown_values.h"
#include "driver/throwable.h"

namespace {

const OsType kOsTypes[] = {Windows95, Windows98, WindowsNT, UnknownOs};

}  // namespace

LoadCheck::LoadCheck(std::optional<OsType> os) : osTypes_(os ? bitOf(*os) : 0xF) {}

void LoadCheck::parameter(const std::string& name, const std::string& value, int line,
                          const std::string& text) {
  if (UnknownValues::any(name)) return;
  const bool unknown = UnknownValues::any(value);
  if (name == "os") {
    restrictionUnknown_ = unknown;
    restrictionLine_ = line;
    restrictionText_ = text;
    if (unknown) return;
  } else if (name == "debug") {
    debugLine_ = line;
    debugText_ = text;
    debugUnknown_ = unknown;
    if (unknown) return;
  }
  package_.setParameter(name, value);
}

bool LoadCheck::end(int line, const std::string& text, const Report& report) {
  if (package_.debug && !debugUnknown_) {
    report(debugLine_, debugText_, Severity::kWarning, Stage::kAdvice,
           "debug = yes: the installer only traces the script to debug.out and installs "
           "nothing");
  }
  if (restrictionUnknown_) return false;
  // Reported where the restriction is written, when it is.
  const int where = restrictionLine_ != 0 ? restrictionLine_ : line;
  const std::string& whereText = restrictionLine_ != 0 ? restrictionText_ : text;
  unsigned accepted = 0;
  try {
    for (OsType os : kOsTypes) {
      if (mayRunUnder(os) && osRestrictionAccepts(package_.osRestriction, os)) {
        accepted |= bitOf(os);
      }
    }
    for (OsType os : kOsTypes) {
      if (accepted == 0 && mayRunUnder(os)) checkOsRestriction(package_.osRestriction, os);
    }
  } catch (const Exception& exception) {
    report(where, whereText, Severity::kError, Stage::kReading, exception.message());
    return false;
  }
  const bool changed = accepted != osTypes_;
  osTypes_ = accepted;
  return changed;
}

std::optional<OsType> LoadCheck::onlyOsType() const {
  std::optional<OsType> only;
  for (OsType os : kOsTypes) {
    if (!mayRunUnder(os)) continue;
    if (only) return std::nullopt;
    only = os;
  }
  return only;
}
