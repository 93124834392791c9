#ifndef TARNWICK_CHECK_CHECKED_OPTIONS_H_
#define TARNWICK_CHECK_CHECKED_OPTIONS_H_

#include <optional>
#include <string>

#include "script/options_table.h"

class OptionedLine;

// The option list of one line as far as it is known before the target
// machine is: pairs whose setting holds a value only the machine knows are
// set aside (their option's setting is unknown), and the rest goes to the
// installer's own parser, which validates it with its own messages.
class CheckedOptions {
 public:
  CheckedOptions() = default;
  // Reads `text`, the trimmed list after a line's last '?'.
  explicit CheckedOptions(const std::string& text);
  // The options of a line whose option list could not be read at all.
  static CheckedOptions unknown();

  // The list without the pairs set aside.
  const std::string& parsableText() const { return parsable_; }
  // True when the line sets the option to an unknown value (or when the
  // list's very structure is unknown).
  bool isUnknown(OptionId id) const;
  // True when the line names the option and sets it to an unknown value.
  bool setsUnknown(OptionId id) const;
  bool setsAnyUnknown() const { return unknownOptions_ != 0; }
  // True when cond is set to exactly one unknown truth, "1" or "0".
  bool condIsTruth() const { return condIsTruth_; }

 private:
  bool setAside(const std::string& pair);

  std::string parsable_;
  unsigned unknownOptions_ = 0;  // bit per OptionId
  bool allUnknown_ = false;
  bool condIsTruth_ = false;
};

// Whether a line runs, as far as its cond tells.
enum class Truth { kTrue, kFalse, kMaybe };

// A line's effective settings, as far as they are known: its own options,
// then its section header's, then the defaults.
class EffectiveOptions {
 public:
  // `header` and `headerOptions` are null for a line outside any section;
  // `header` alone is null for one in a section whose header could not be
  // read, whose options are then unknown.
  EffectiveOptions(const OptionedLine& line, const CheckedOptions& lineOptions,
                   const OptionedLine* header, const CheckedOptions* headerOptions);

  // The setting code of a constant option; none when it is unknown.
  std::optional<int> constant(OptionId id) const;
  // The text of a string option; none when it is unknown.
  std::optional<std::string> text(OptionId id) const;
  Truth cond() const;

 private:
  enum class Source { kLine, kHeader, kDefault, kUnknown };
  Source sourceOf(OptionId id) const;

  const OptionedLine& line_;
  const CheckedOptions& lineOptions_;
  const OptionedLine* header_;
  const CheckedOptions* headerOptions_;
};

#endif  // TARNWICK_CHECK_CHECKED_OPTIONS_H_
