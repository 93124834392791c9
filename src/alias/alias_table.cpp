#include "alias/alias_table.h"

#include <algorithm>
#include <vector>

#include "driver/throwable.h"

void AliasTable::define(const std::string& name, const std::string& value) {
  entries_[name] = value;
  nameLengths_.insert(name.size());
}

const std::string* AliasTable::find(std::string_view name) const {
  if (nameLengths_.count(name.size()) == 0) return nullptr;
  auto found = entries_.find(name);
  return found == entries_.end() ? nullptr : &found->second;
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
  for (size_t i = from; i < text.size(); ++i) {
    if (text[i] == '<' || text[i] == '>') return i;
  }
  return std::string::npos;
}

}  // namespace

struct AliasTable::Substitution {
  struct Segment {
    const std::string* text;
    size_t position;
  };

  Substitution(const AliasTable& table, const std::string& line)
      : table(table),
        line(line),
        length(line.size()),
        maxLength(std::max(table.maxSubstitutedLength_, line.size())) {
    input.push_back({&line, 0});
  }

  std::string run() {
    while (!input.empty()) {
      Segment& top = input.back();
      size_t mark = findBracket(*top.text, top.position);
      if (mark == std::string::npos) {
        out.append(*top.text, top.position, std::string::npos);
        input.pop_back();
        continue;
      }
      out.append(*top.text, top.position, mark - top.position);
      char bracket = (*top.text)[mark];
      top.position = mark + 1;
      if (bracket == '<') {
        pendingOpens.push_back(out.size());
        out.push_back('<');
      } else {
        closePendingOpens();
      }
    }
    return out;
  }

  // A '>' was read: it closes every pending open.
  void closePendingOpens() {
    size_t open = 0;
    const std::string* value = findPendingReference(&open);
    if (value == nullptr) {
      pendingOpens.clear();
      out.push_back('>');
      return;
    }
    if (table.observer_ != nullptr) {
      table.observer_->aliasUsed(std::string_view(out).substr(open + 1));
    }
    replace(open, *value);
  }

  // The value of the leftmost pending open whose name (the rest of `out`
  // after it) is defined. Tries whichever is fewer: the pending opens, or
  // the places where a name of a defined length would have to start.
  const std::string* findPendingReference(size_t* open) const {
    if (pendingOpens.empty()) return nullptr;
    std::string_view text(out);
    if (pendingOpens.size() <= table.nameLengths_.size()) {
      for (size_t candidate : pendingOpens) {
        if (const std::string* value = table.find(text.substr(candidate + 1))) {
          *open = candidate;
          return value;
        }
      }
      return nullptr;
    }
    // Longest name first: it starts furthest left.
    for (auto length = table.nameLengths_.rbegin(); length != table.nameLengths_.rend(); ++length) {
      if (*length + 1 > out.size()) continue;
      size_t candidate = out.size() - 1 - *length;
      if (candidate < pendingOpens.front() || out[candidate] != '<') continue;
      if (const std::string* value = table.find(text.substr(candidate + 1))) {
        *open = candidate;
        return value;
      }
    }
    return nullptr;
  }

  void replace(size_t open, const std::string& value) {
    size_t referenceLength = out.size() - open + 1;
    length = length - referenceLength + value.size();
    if (++replacements > table.maxReplacements_ || length > maxLength) {
      throw ScriptFileException("Alias substitution does not terminate: " + line);
    }
    out.resize(open);
    while (!pendingOpens.empty() && pendingOpens.back() >= open) pendingOpens.pop_back();
    // Exhausted segments are dropped first, so a value that ends in a
    // reference does not pile up empty segments.
    while (!input.empty() && input.back().position == input.back().text->size()) input.pop_back();
    if (!value.empty()) input.push_back({&value, 0});
  }

  const AliasTable& table;
  const std::string& line;
  std::string out;
  std::vector<size_t> pendingOpens;
  std::vector<Segment> input;
  size_t length;  // of the whole current text: out plus the unread input
  size_t maxLength;
  int replacements = 0;
};

std::string AliasTable::substituteAliases(const std::string& line) const {
  // Without a '<' there is no reference, and the pass would copy the line.
  if (line.find('<') == std::string::npos) return line;
  return Substitution(*this, line).run();
}
