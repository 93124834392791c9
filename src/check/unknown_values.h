#ifndef TARNWICK_CHECK_UNKNOWN_VALUES_H_
#define TARNWICK_CHECK_UNKNOWN_VALUES_H_

#include <string>
#include <string_view>
#include <vector>

// Values that only the target machine knows (what a registry value holds,
// whether a path exists, where the Program Files folder is), carried through
// the script's text as placeholders so that the installer's own substitution
// and parsing can run on it unchanged. A placeholder is "\x01", its kind,
// its number and "\x02": no '<', '>', '?', '=', '&', ',' or blank, so it
// never forms a reference nor moves a split by itself. Two equal
// placeholders stand for the same value.
//
// What the kinds promise about the real value:
// - truth: "1" or "0" (the testing alias types, conditions over them);
// - plain: never empty, no blank at either end, no separator at its end,
//   none of < > ? " | * ; , & = (a folder of the machine, the name of an OS
//   family, and text made from them); it may hold ':' and inner '\';
// - opaque: anything at all (a registry value and what is made from it).
// A stray "\x01" in a script counts as opaque.
class UnknownValues {
 public:
  enum Kind : char { kTruth = '\x03', kPlain = '\x04', kOpaque = '\x05' };

  // A new placeholder, shown as `display` (the reference that produced it,
  // such as "<HAVEOLD>") where a message quotes it.
  std::string make(Kind kind, const std::string& display);

  // `text` with every placeholder shown as its reference.
  std::string render(std::string_view text) const;

  // `text` with every placeholder one byte long (a stray mark, which forms
  // no reference and names no alias).
  static std::string shortened(std::string_view text);

  // Whether `text` holds any placeholder (or stray mark) at all.
  static bool any(std::string_view text);
  // Whether `text` holds an opaque placeholder or a stray mark.
  static bool anyOpaque(std::string_view text);
  // Whether `text` holds a placeholder other than a truth.
  static bool anyButTruth(std::string_view text);
  // Positions of the first and last byte of opaque placeholders (npos for
  // none).
  static size_t firstOpaque(std::string_view text);
  static size_t lastOpaque(std::string_view text);
  // Position of the last byte of the last plain or opaque placeholder.
  static size_t lastNonTruth(std::string_view text);
  // Whether `text` is exactly one truth placeholder.
  static bool isTruth(std::string_view text);
  // The distinct truth placeholders of `text`, in order of first use.
  static std::vector<std::string> truths(std::string_view text);
  // The kind a value made from `text` has when it is not a truth: opaque when
  // `text` holds anything opaque, plain otherwise.
  static Kind derivedKind(std::string_view text);

 private:
  std::vector<std::string> displays_;
};

#endif  // TARNWICK_CHECK_UNKNOWN_VALUES_H_
