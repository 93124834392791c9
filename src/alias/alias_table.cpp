#include "alias/alias_table.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "driver/throwable.h"

namespace {

bool holdsBracket(const std::string& text) { return text.find_first_of("<>") != std::string::npos; }

}  // namespace

// FNV-1a: names are short, and a look-up hashes one per reference.
size_t AliasTable::hashName(std::string_view name) {
  uint64_t hash = 14695981039346656037ull;
  for (char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return static_cast<size_t>(hash);
}

namespace {

// Names are short: comparing them in place is cheaper than a call to memcmp.
bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace

size_t AliasTable::slotOf(std::string_view name, size_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.name.data() == nullptr || (slot.hash == hash && sameName(slot.name, name))) return i;
  }
}

const AliasTable::Indexed* AliasTable::lookUp(std::string_view name) const {
  if (slots_.empty()) return nullptr;
  const Slot& slot = slots_[slotOf(name, hashName(name))];
  return slot.name.data() == nullptr ? nullptr : &slot.entry;
}

// For a name not indexed yet. Grows first, into a new table that replaces
// the old only when complete: a failed allocation leaves the index as it was.
void AliasTable::index(std::string_view name, Indexed entry) {
  if (2 * (indexed_ + 1) > slots_.size()) {
    std::vector<Slot> grown(std::max<size_t>(16, 2 * slots_.size()));
    grown.swap(slots_);
    for (const Slot& slot : grown) {
      if (slot.name.data() != nullptr) slots_[slotOf(slot.name, slot.hash)] = slot;
    }
  }
  const size_t hash = hashName(name);
  slots_[slotOf(name, hash)] = Slot{name, hash, entry};
  ++indexed_;
}

void AliasTable::define(const std::string& name, const std::string& value) {
  auto entry = entries_.find(name);
  if (entry == entries_.end()) {
    entry = entries_.emplace(name, value).first;
    try {
      index(entry->first, Indexed{&entry->second, !holdsBracket(value)});
    } catch (...) {
      entries_.erase(entry);  // no entry that the index does not find
      throw;
    }
  } else {
    entry->second = value;
    slots_[slotOf(entry->first, hashName(entry->first))].entry.plain = !holdsBracket(value);
  }
  nameLengths_.insert(name.size());
}

const std::string* AliasTable::find(std::string_view name) const {
  const Indexed* entry = lookUp(name);
  return entry == nullptr ? nullptr : entry->value;
}

bool AliasTable::findAliasReference(const std::string& text, size_t* open, size_t* close) const {
  size_t candidate = text.find('<');
  while (candidate != std::string::npos) {
    size_t end = text.find('>', candidate + 1);
    // Every later '<' lies after this one, so none of them has a '>' either.
    if (end == std::string::npos) return false;
    if (find(std::string_view(text).substr(candidate + 1, end - candidate - 1)) != nullptr) {
      *open = candidate;
      *close = end;
      return true;
    }
    candidate = text.find('<', candidate + 1);
  }
  return false;
}

// Substitution as one left-to-right pass that gives exactly the result of
// "replace the leftmost defined reference, then search again from the
// start".
//
// The text is `out` (final or waiting for a '>') followed by the unread
// input, a stack of segments: the line itself at the bottom, above it the
// unread rest of each value inserted. Every '<' in `out` before its last
// '>' already had its candidate name (up to the first '>' after it) looked
// up and found undefined; that part of the text never changes again, so a
// search from the start would find nothing there. The '<' after the last '>'
// of `out` (the pending opens) all get the next '>' read as their close.
// When it comes, the leftmost pending open whose name is defined is the
// leftmost defined reference of the whole text. Replacing it truncates `out`
// back to that '<' and pushes the value onto the input, so the value's text
// is read next and may close the pending opens before it: references
// formed across a value's edge are found as the restart would find them.
namespace {

// The first '<' or '>' at or after `from`. A plain loop: find_first_of with
// a set searches the set once per character of the text.
size_t findBracket(const std::string& text, size_t from) {
  const char* data = text.data();
  for (size_t i = from; i < text.size(); ++i) {
    // '<' and '>' differ in one bit only.
    if ((data[i] | 2) == '>') return i;
  }
  return std::string::npos;
}

// The text a substitution writes, in a string whose storage grows by
// doubling and is cut to length when the substitution ends, however it ends:
// appending a few bytes is then a copy, not a library call that checks the
// length and may reallocate each time.
class Output {
 public:
  explicit Output(std::string* text) : text_(*text) { text_.resize(text_.capacity()); }
  ~Output() { text_.resize(used_); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void append(const char* data, size_t count) {
    makeRoom(count);
    char* to = &text_[used_];
    // Most pieces are a separator or a short value: a call to memcpy would
    // cost more than the copy.
    if (count <= 16) {
      for (size_t i = 0; i < count; ++i) to[i] = data[i];
    } else {
      std::memcpy(to, data, count);
    }
    used_ += count;
  }
  void append(std::string_view text) { append(text.data(), text.size()); }
  void push_back(char c) {
    makeRoom(1);
    text_[used_++] = c;
  }
  void truncate(size_t size) { used_ = size; }
  size_t size() const { return used_; }
  char operator[](size_t i) const { return text_[i]; }
  std::string_view view() const { return std::string_view(text_.data(), used_); }

 private:
  void makeRoom(size_t count) {
    if (used_ + count > text_.size()) text_.resize(std::max(2 * text_.size(), used_ + count));
  }

  std::string& text_;
  size_t used_ = 0;
};

}  // namespace

struct AliasTable::Substitution {
  struct Segment {
    const std::string* text;
    size_t position;
  };

  Substitution(const AliasTable& table, const std::string& line, std::string* out)
      : table(table),
        line(line),
        out((out->clear(), out)),
        length(line.size()),
        maxLength(std::max(table.maxSubstitutedLength_, line.size())) {
    input.push_back({&line, 0});
  }

  void run() {
    while (!input.empty()) {
      Segment& top = input.back();
      const std::string& text = *top.text;
      size_t mark = findBracket(text, top.position);
      if (mark == std::string::npos) {
        out.append(text.data() + top.position, text.size() - top.position);
        input.pop_back();
        continue;
      }
      out.append(text.data() + top.position, mark - top.position);
      top.position = mark + 1;
      if (text[mark] == '>') {
        closePendingOpens();
      } else if (!pendingOpens.empty() || !closeInPlace(&top, mark)) {
        pendingOpens.push_back(out.size());
        out.push_back('<');
      }
    }
  }

  // The common '<': nothing is pending, and the next bracket of its segment
  // is a '>'. Its name alone decides, looked up where it stands: writing it
  // out to take it back would come to the same. False for any other '<'.
  bool closeInPlace(Segment* top, size_t open) {
    const std::string& text = *top->text;
    const size_t close = findBracket(text, open + 1);
    if (close == std::string::npos || text[close] != '>') return false;
    const std::string_view name(text.data() + open + 1, close - open - 1);
    top->position = close + 1;
    const Indexed* entry = lookUp(name);
    if (entry == nullptr) {
      out.append(text.data() + open, close - open + 1);
      return true;
    }
    if (table.observer_ != nullptr) table.observer_->aliasUsed(name);
    insert(name.size() + 2, *entry);
    return true;
  }

  // A '>' was read: it closes every pending open.
  void closePendingOpens() {
    size_t open = 0;
    const Indexed* entry = findPendingReference(&open);
    if (entry == nullptr) {
      pendingOpens.clear();
      out.push_back('>');
      return;
    }
    if (table.observer_ != nullptr) {
      table.observer_->aliasUsed(out.view().substr(open + 1));
    }
    replace(open, *entry);
  }

  const Indexed* lookUp(std::string_view name) const { return table.lookUp(name); }

  // The entry of the leftmost pending open whose name (the rest of `out`
  // after it) is defined. Tries whichever is fewer: the pending opens, or
  // the places where a name of a defined length would have to start.
  const Indexed* findPendingReference(size_t* open) const {
    if (pendingOpens.empty()) return nullptr;
    std::string_view text = out.view();
    if (pendingOpens.size() <= table.nameLengths_.size()) {
      for (size_t candidate : pendingOpens) {
        if (const Indexed* entry = lookUp(text.substr(candidate + 1))) {
          *open = candidate;
          return entry;
        }
      }
      return nullptr;
    }
    // Longest name first: it starts furthest left.
    for (auto length = table.nameLengths_.rbegin(); length != table.nameLengths_.rend(); ++length) {
      if (*length + 1 > out.size()) continue;
      size_t candidate = out.size() - 1 - *length;
      if (candidate < pendingOpens.front() || out[candidate] != '<') continue;
      if (const Indexed* entry = lookUp(text.substr(candidate + 1))) {
        *open = candidate;
        return entry;
      }
    }
    return nullptr;
  }

  // Replaces the reference that starts at `open` of `out` and ends at the
  // '>' just read.
  void replace(size_t open, const Indexed& entry) {
    const size_t referenceLength = out.size() - open + 1;
    out.truncate(open);
    while (!pendingOpens.empty() && pendingOpens.back() >= open) pendingOpens.pop_back();
    insert(referenceLength, entry);
  }

  // Puts a value where a reference of `referenceLength` bytes was.
  void insert(size_t referenceLength, const Indexed& entry) {
    const std::string& value = *entry.value;
    length = length - referenceLength + value.size();
    if (++replacements > table.maxReplacements_ || length > maxLength) {
      throw ScriptFileException("Alias substitution does not terminate: " + line);
    }
    // Reading a plain value would only append it: no bracket in it changes
    // the pending opens or forms a reference.
    if (entry.plain) {
      out.append(value);
      return;
    }
    // Exhausted segments are dropped first, so a value that ends in a
    // reference does not pile up empty segments.
    while (!input.empty() && input.back().position == input.back().text->size()) input.pop_back();
    if (!value.empty()) input.push_back({&value, 0});
  }

  const AliasTable& table;
  const std::string& line;
  Output out;
  std::vector<size_t> pendingOpens;
  std::vector<Segment> input;
  size_t length;  // of the whole current text: out plus the unread input
  size_t maxLength;
  int replacements = 0;
};

std::string AliasTable::substituteAliases(const std::string& line) const {
  std::string out;
  return substituteAliases(line, &out) ? out : line;
}

bool AliasTable::substituteAliases(const std::string& line, std::string* out) const {
  // Without a '<' there is no reference, and the pass would copy the line.
  if (line.find('<') == std::string::npos) return false;
  Substitution(*this, line, out).run();
  return true;
}
