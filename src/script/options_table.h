#ifndef TARNWICK_SCRIPT_OPTIONS_TABLE_H_
#define TARNWICK_SCRIPT_OPTIONS_TABLE_H_

#include <string>
#include <string_view>

// The seven options a header, instruction or alias line may carry after its
// last '?'.
enum class OptionId : int {
  alias_type = 0,
  cond = 1,
  err_type = 2,
  link_icon = 3,
  section_type = 4,
  regval_type = 5,
  delete_recurse = 6
};

// Setting codes of the constant options: the position of the setting in the
// option's vocabulary, starting at 0.
namespace SettingCode {
// alias_type
const int kStatic = 0, kRegistry = 1, kMakepath = 2, kPathexists = 3, kRegkeyexists = 4,
          kRegvalexists = 5, kTolower = 6, kCompare = 7, kBoolean = 8;
// cond: the setting "1" is code 0, "0" is code 1.
const int kCondTrue = 0, kCondFalse = 1;
// err_type
const int kIgnore = 0, kWarning = 1, kFatal = 2;
// section_type
const int kPredefined = 0, kCreateRegvals = 1, kDeleteRegvals = 2;
// regval_type
const int kSz = 0, kDword = 1, kBinary = 2;
// delete_recurse
const int kRecurseYes = 0, kRecurseNo = 1;
}  // namespace SettingCode

// The options given on one line, parsed from a list such as
// "err_type=warning&cond=1" and validated against the whole vocabulary.
// Option names and constant settings match case-insensitively (A-Z only);
// a string setting keeps its text. Every failure throws
// OptionsTableException.
class OptionsTable {
 public:
  // Clears the table, then parses `list`: pairs name=setting separated by
  // '&'. A later pair for the same option replaces an earlier one.
  void parseOptions(const std::string& list);

  // True when this line gave the option.
  bool isDefined(OptionId id) const;
  // The setting given on this line; throws when the option was not given.
  int constSetting(OptionId id) const;
  const std::string& stringSetting(OptionId id) const;

  static int defaultConstSetting(OptionId id);
  static std::string defaultStringSetting(OptionId id);

  // The option named `name` (case-insensitive); throws "Unrecognized option
  // name: " + name for any other name.
  static OptionId lookupOption(const std::string& name);
  static bool isConstantOption(OptionId id);
  static bool isStringOption(OptionId id);
  // The code of `setting` (case-insensitive) among the settings of the
  // constant option `id`.
  static int parseSetting(OptionId id, const std::string& setting);

 private:
  static constexpr int kOptionCount = 7;
  static constexpr int kNotGiven = -1;

  void parsePair(std::string_view pair);

  // Flat, as most lines give no option at all and the rest one or two: a
  // setting code per constant option (kNotGiven where the line gives none),
  // and the text of the one string option, link_icon.
  int codes_[kOptionCount] = {kNotGiven, kNotGiven, kNotGiven, kNotGiven,
                              kNotGiven, kNotGiven, kNotGiven};
  bool stringGiven_ = false;
  std::string string_;
};

#endif  // TARNWICK_SCRIPT_OPTIONS_TABLE_H_
