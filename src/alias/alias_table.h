#ifndef TARNWICK_ALIAS_ALIAS_TABLE_H_
#define TARNWICK_ALIAS_ALIAS_TABLE_H_

#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// The aliases of one script: names (any bytes, matched exactly) with their
// values, and the textual substitution of references, a name between '<'
// and '>', in every line read.
class AliasTable {
 public:
  // Substitution gives up on a line after more than this many replacements,
  // or when the line grows past this many bytes (or past its own length, if
  // longer): only an alias that refers to itself gets there.
  static constexpr int kMaxReplacements = 10000;
  static constexpr size_t kMaxSubstitutedLength = 1024 * 1024;

  // Tests may choose smaller bounds.
  explicit AliasTable(int maxReplacements = kMaxReplacements,
                      size_t maxSubstitutedLength = kMaxSubstitutedLength)
      : maxReplacements_(maxReplacements), maxSubstitutedLength_(maxSubstitutedLength) {}
  // The index refers into the entries.
  AliasTable(const AliasTable&) = delete;
  AliasTable& operator=(const AliasTable&) = delete;

  // Told the name of every alias that a substitution replaces, for tools
  // that report aliases nobody uses.
  class Observer {
   public:
    virtual ~Observer() = default;
    virtual void aliasUsed(std::string_view name) = 0;
  };
  // `observer` (not owned) is told from now on; null for none.
  void setObserver(Observer* observer) { observer_ = observer; }

  // Insert or overwrite; entries are never removed.
  void define(const std::string& name, const std::string& value);
  // The value of `name`, or null when it is not defined.
  const std::string* find(std::string_view name) const;
  const std::map<std::string, std::string, std::less<>>& entries() const { return entries_; }

  // The leftmost reference in `text` whose name is defined: for each '<' in
  // turn, the name runs to the first '>' after it. Positions of the '<' and
  // the '>' go to `open` and `close`.
  bool findAliasReference(const std::string& text, size_t* open, size_t* close) const;

  // `line` with the leftmost defined reference replaced by its value, again
  // and again from the start of the new text, until none is left. So values
  // may hold references themselves, and a reference may be formed across the
  // edge of a value. Undefined references stay as written. Throws
  // ScriptFileException "Alias substitution does not terminate: " + line
  // when a bound above is crossed.
  std::string substituteAliases(const std::string& line) const;
  // The same into `out` (whose storage is reused): false, with `out`
  // untouched, when the line holds no '<' and so is its own substitution.
  bool substituteAliases(const std::string& line, std::string* out) const;

 private:
  struct Substitution;

  int maxReplacements_;
  size_t maxSubstitutedLength_;
  std::map<std::string, std::string, std::less<>> entries_;
  // The entries by name, for the look-ups of substitution (a line with
  // twenty references makes twenty): names and values stay where the map
  // put them. A plain value holds neither '<' nor '>': it can form no
  // reference, so substitution puts it in place without reading it again.
  struct Indexed {
    const std::string* value;
    bool plain;
  };
  // Open addressing with linear probing, at most half full: a look-up is a
  // hash, a mask and usually one comparison, with no node to chase. A slot
  // whose name has no data is free (a defined name, even "", has data).
  struct Slot {
    std::string_view name;
    size_t hash = 0;
    Indexed entry{nullptr, false};
  };
  static size_t hashName(std::string_view name);
  // The slot that holds `name`, or the free slot where it would go.
  size_t slotOf(std::string_view name, size_t hash) const;
  const Indexed* lookUp(std::string_view name) const;
  void index(std::string_view name, Indexed entry);
  std::vector<Slot> slots_;
  size_t indexed_ = 0;
  // Lengths of the defined names, longest last: lets the search for a
  // reference ending at a '>' try only the places where a name could start.
  std::set<size_t> nameLengths_;
  Observer* observer_ = nullptr;
};

#endif  // TARNWICK_ALIAS_ALIAS_TABLE_H_
