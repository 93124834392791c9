#ifndef TARNWICK_CHECK_ALIAS_USAGE_H_
#define TARNWICK_CHECK_ALIAS_USAGE_H_

#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "alias/alias_table.h"

// Which aliases a script defines and uses, and which references name an
// alias that is not (yet) defined where they stand: the source of the
// warnings about aliases that are never used, never defined, or defined
// only further down.
class AliasUsage : public AliasTable::Observer {
 public:
  // Where warnings go: the line (1-based), the column (0 for none), the
  // line as written and the message.
  using Report = std::function<void(int line, int column, const std::string& text,
                                    const std::string& message)>;
  explicit AliasUsage(Report report) : report_(std::move(report)) {}

  // An alias line at `line` defined `name`. `watched` is false for a
  // definition nobody is expected to use (one that replaced a failed line).
  void defined(const std::string& name, int line, const std::string& text, bool watched);
  void aliasUsed(std::string_view name) override;
  // `name` was referred to at `line` while it was not defined, so the
  // reference stayed as written. A deferred one (in the value of a static
  // alias) is meant to be expanded wherever that alias is used, so a later
  // definition is no mistake there.
  void undefinedReference(const std::string& name, int line, int column, const std::string& text,
                          bool deferred);
  // Reports what is still open at the end of the script; `table` holds
  // every name defined.
  void finish(const AliasTable& table);

 private:
  struct Definition {
    int line = 0;
    std::string text;
    bool used = false;
    bool watched = true;
  };
  struct Reference {
    int line = 0;
    int column = 0;
    std::string text;
    bool deferred = false;
  };

  void reportUnused(const std::string& name, const Definition& definition, int redefinedAt);

  Report report_;
  std::unordered_map<std::string, Definition> definitions_;
  std::map<std::string, std::vector<Reference>> undefined_;
};

// The names that the substituted `text` refers to: every '<' with the first
// '>' after it, as substitution looks for them, keeping only those that
// look like alias names (not empty, no blank, control character or '<'),
// so that text such as "a < b > c" raises no warning. After substitution
// every one of them is undefined.
std::vector<std::string> referencedNames(const std::string& text);

#endif  // TARNWICK_CHECK_ALIAS_USAGE_H_
