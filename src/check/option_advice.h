#ifndef TARNWICK_CHECK_OPTION_ADVICE_H_
#define TARNWICK_CHECK_OPTION_ADVICE_H_

#include <optional>
#include <string>
#include <vector>

#include "check/checked_options.h"

class OptionsTable;

// Where an option list stands.
enum class OptionPlace { kAliasesHeader, kPackageHeader, kHeader, kAliasLine, kPackageLine, kLine };

struct OptionAdvice {
  const char* option;   // its name, as the vocabulary writes it
  std::string message;  // "Option <name> has no effect here: <why>"
};

// The options a line gives (in `own`, or set to unknown values in `given`)
// that nothing reads where the line stands. For a header or instruction line
// `sectionType` is the type its lines run with and `sectionName` the name of
// its section (null when unknown); where either is unknown, every option may
// be read.
std::vector<OptionAdvice> optionsWithoutEffect(const OptionsTable& own, const CheckedOptions& given,
                                               OptionPlace place, std::optional<int> sectionType,
                                               const std::string* sectionName);

#endif  // TARNWICK_CHECK_OPTION_ADVICE_H_
