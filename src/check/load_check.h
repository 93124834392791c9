#ifndef TARNWICK_CHECK_LOAD_CHECK_H_
#define TARNWICK_CHECK_LOAD_CHECK_H_

#include <functional>
#include <optional>
#include <string>

#include "check/findings.h"
#include "engine/package_information.h"
#include "system/system.h"

// The installer's load as far as it can be followed without the machine:
// the parameters of the package information, and the OS restriction it
// enforces where that section ends, which leaves the OS types the rest of
// the script may run under. A parameter whose value only the machine knows
// leaves what it sets unknown.
class LoadCheck {
 public:
  // Where a finding goes: line, the line as written, severity, stage,
  // message.
  using Report = std::function<void(int, const std::string&, Severity, Stage, const std::string&)>;

  // The script may run under `os` only; none: under every OS type.
  explicit LoadCheck(std::optional<OsType> os);

  // One line of the package information, at `line` written as `text`.
  // Throws what the installer throws for it.
  void parameter(const std::string& name, const std::string& value, int line,
                 const std::string& text);
  // The load ends at `line` (0: at the end of the script): reports a
  // restriction that fails and debug mode left on, and narrows the OS types
  // to those the restriction accepts. True when they changed.
  bool end(int line, const std::string& text, const Report& report);

  bool mayRunUnder(OsType os) const { return (osTypes_ & bitOf(os)) != 0; }
  // The one OS type left, if only one is.
  std::optional<OsType> onlyOsType() const;
  bool debugMayBeOn() const { return package_.debug || debugUnknown_; }

 private:
  static unsigned bitOf(OsType os) { return 1u << os; }

  unsigned osTypes_;
  PackageInformation package_;
  bool restrictionUnknown_ = false;
  bool debugUnknown_ = false;
  int restrictionLine_ = 0;
  std::string restrictionText_;
  int debugLine_ = 0;
  std::string debugText_;
};

#endif  // TARNWICK_CHECK_LOAD_CHECK_H_
