#include "check/alias_usage.h"

#include "script/utils.h"

namespace {

bool looksLikeAliasName(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == ' ' || c == '<' || c == 0x7f) return false;
  }
  return true;
}

// A defined name equal to `name` but for its A-Z case, for a hint.
std::string sameIgnoringCase(const std::string& name, const AliasTable& table) {
  const std::string folded = Utils::toLower(name);
  for (const auto& entry : table.entries()) {
    if (Utils::toLower(entry.first) == folded) return entry.first;
  }
  return std::string();
}

}  // namespace

void AliasUsage::defined(const std::string& name, int line, const std::string& text, bool watched) {
  auto previous = definitions_.find(name);
  if (previous != definitions_.end()) reportUnused(name, previous->second, line);
  definitions_[name] = Definition{line, text, false, watched};

  auto pending = undefined_.find(name);
  if (pending == undefined_.end()) return;
  for (const Reference& reference : pending->second) {
    if (reference.deferred) continue;
    // That warning says it all: no second one that the alias is not used.
    definitions_[name].used = true;
    report_(reference.line, reference.column, reference.text,
            "Alias <" + name + "> is defined only further down, on line " + std::to_string(line) +
                ": here the reference stays as written");
  }
  undefined_.erase(pending);
}

void AliasUsage::aliasUsed(std::string_view name) {
  auto found = definitions_.find(std::string(name));
  if (found != definitions_.end()) found->second.used = true;
}

void AliasUsage::undefinedReference(const std::string& name, int line, int column,
                                    const std::string& text, bool deferred) {
  undefined_[name].push_back(Reference{line, column, text, deferred});
}

void AliasUsage::finish(const AliasTable& table) {
  for (const auto& [name, references] : undefined_) {
    std::string message = "Alias <" + name + "> is not defined: the reference stays as written";
    const std::string similar = sameIgnoringCase(name, table);
    if (!similar.empty()) message += " (names are case-sensitive: <" + similar + "> is defined)";
    for (const Reference& reference : references) {
      report_(reference.line, reference.column, reference.text, message);
    }
  }
  undefined_.clear();
  for (const auto& [name, definition] : definitions_) reportUnused(name, definition, 0);
  definitions_.clear();
}

void AliasUsage::reportUnused(const std::string& name, const Definition& definition,
                              int redefinedAt) {
  // The empty name is only ever defined by mistake, which is said where.
  if (definition.used || !definition.watched || name.empty()) return;
  if (redefinedAt == 0) {
    report_(definition.line, 0, definition.text, "Alias " + name + " is never used");
  } else {
    report_(definition.line, 0, definition.text,
            "Alias " + name + " is redefined on line " + std::to_string(redefinedAt) +
                " before it is ever used");
  }
}

std::vector<std::string> referencedNames(const std::string& text) {
  std::vector<std::string> names;
  size_t open = text.find('<');
  while (open != std::string::npos) {
    size_t close = text.find('>', open + 1);
    if (close == std::string::npos) break;
    std::string name = text.substr(open + 1, close - open - 1);
    if (looksLikeAliasName(name)) names.push_back(std::move(name));
    open = text.find('<', open + 1);
  }
  return names;
}
