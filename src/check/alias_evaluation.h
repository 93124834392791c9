#ifndef TARNWICK_CHECK_ALIAS_EVALUATION_H_
#define TARNWICK_CHECK_ALIAS_EVALUATION_H_

#include <optional>
#include <string>

#include "check/unknown_values.h"

// An alias line evaluated as the installer evaluates it, by the same rules,
// but without the machine: what only the machine can tell (a registry value,
// whether a path or key exists) becomes an unknown value, and so does
// whatever is computed from one unless the result is the same whatever the
// machine holds.
namespace AliasEvaluation {

struct Result {
  std::string value;  // placeholders for what is unknown
  // A mistake the installer does not report, for a warning: a registry
  // test of a key under no known root key, which is never there.
  std::string unknownRootKey;
};

// Evaluates `setting` by the alias_type code `type` (none: the type itself
// is unknown). Unknown values made here are shown as `display`. Throws the
// installer's own exception for a failure that happens whatever the
// machine holds.
Result evaluate(std::optional<int> type, const std::string& setting, const std::string& display,
                UnknownValues* unknowns);

}  // namespace AliasEvaluation

#endif  // TARNWICK_CHECK_ALIAS_EVALUATION_H_
