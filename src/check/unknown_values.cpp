#include "check/unknown_values.h"

#include <algorithm>

namespace {

const char kOpen = '\x01';
const char kClose = '\x02';

// One placeholder (or stray mark) found in a text.
struct Mark {
  size_t begin = std::string_view::npos;
  size_t end = 0;  // one past the last byte
  char kind = UnknownValues::kOpaque;
  size_t number = 0;
  bool wellFormed = false;
};

// The mark starting at `open` (a kOpen byte).
Mark markAt(std::string_view text, size_t open) {
  Mark mark;
  mark.begin = open;
  mark.end = open + 1;
  if (text.size() - open < 4) return mark;  // the shortest is mark, kind, digit, end
  char kind = text[open + 1];
  if (kind != UnknownValues::kTruth && kind != UnknownValues::kPlain &&
      kind != UnknownValues::kOpaque) {
    return mark;
  }
  size_t position = open + 2;
  size_t number = 0;
  while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
    number = number * 10 + static_cast<size_t>(text[position] - '0');
    ++position;
  }
  if (position == open + 2 || position >= text.size() || text[position] != kClose) return mark;
  mark.end = position + 1;
  mark.kind = kind;
  mark.number = number;
  mark.wellFormed = true;
  return mark;
}

// Calls `visit` for every mark of `text`, in order; stops when it returns
// false.
template <typename Visit>
void forEachMark(std::string_view text, Visit visit) {
  size_t open = text.find(kOpen);
  while (open != std::string_view::npos) {
    Mark mark = markAt(text, open);
    if (!visit(mark)) return;
    open = text.find(kOpen, mark.end);
  }
}

bool isOpaque(const Mark& mark) { return !mark.wellFormed || mark.kind == UnknownValues::kOpaque; }

}  // namespace

std::string UnknownValues::make(Kind kind, const std::string& display) {
  displays_.push_back(display);
  return std::string(1, kOpen) + static_cast<char>(kind) + std::to_string(displays_.size() - 1) +
         kClose;
}

std::string UnknownValues::render(std::string_view text) const {
  std::string shown;
  size_t copied = 0;
  forEachMark(text, [&](const Mark& mark) {
    if (mark.wellFormed && mark.number < displays_.size()) {
      shown.append(text.substr(copied, mark.begin - copied));
      shown += displays_[mark.number];
      copied = mark.end;
    }
    return true;
  });
  shown.append(text.substr(copied));
  return shown;
}

std::string UnknownValues::shortened(std::string_view text) {
  std::string shown;
  size_t copied = 0;
  forEachMark(text, [&](const Mark& mark) {
    shown.append(text.substr(copied, mark.begin - copied));
    shown += kOpen;
    copied = mark.end;
    return true;
  });
  shown.append(text.substr(copied));
  return shown;
}

bool UnknownValues::any(std::string_view text) {
  return text.find(kOpen) != std::string_view::npos;
}

bool UnknownValues::anyOpaque(std::string_view text) {
  return firstOpaque(text) != std::string_view::npos;
}

bool UnknownValues::anyButTruth(std::string_view text) {
  bool found = false;
  forEachMark(text, [&](const Mark& mark) {
    found = !mark.wellFormed || mark.kind != kTruth;
    return !found;
  });
  return found;
}

size_t UnknownValues::firstOpaque(std::string_view text) {
  size_t first = std::string_view::npos;
  forEachMark(text, [&](const Mark& mark) {
    if (isOpaque(mark)) first = mark.begin;
    return first == std::string_view::npos;
  });
  return first;
}

size_t UnknownValues::lastOpaque(std::string_view text) {
  size_t last = std::string_view::npos;
  forEachMark(text, [&](const Mark& mark) {
    if (isOpaque(mark)) last = mark.end - 1;
    return true;
  });
  return last;
}

size_t UnknownValues::lastNonTruth(std::string_view text) {
  size_t last = std::string_view::npos;
  forEachMark(text, [&](const Mark& mark) {
    if (!mark.wellFormed || mark.kind != kTruth) last = mark.end - 1;
    return true;
  });
  return last;
}

bool UnknownValues::isTruth(std::string_view text) {
  if (text.empty() || text[0] != kOpen) return false;
  Mark mark = markAt(text, 0);
  return mark.wellFormed && mark.kind == kTruth && mark.end == text.size();
}

std::vector<std::string> UnknownValues::truths(std::string_view text) {
  std::vector<std::string> found;
  forEachMark(text, [&](const Mark& mark) {
    if (mark.wellFormed && mark.kind == kTruth) {
      std::string placeholder(text.substr(mark.begin, mark.end - mark.begin));
      if (std::find(found.begin(), found.end(), placeholder) == found.end()) {
        found.push_back(placeholder);
      }
    }
    return true;
  });
  return found;
}

UnknownValues::Kind UnknownValues::derivedKind(std::string_view text) {
  return anyOpaque(text) ? kOpaque : kPlain;
}
