// Differential fuzzing of the postfix evaluator: every expression is also
// evaluated by a straightforward model of the rules below, and the two must
// agree on the result or on the exact message of the failure.
//
// Elements are split at each ',' (a remainder that is empty after a ','
// ends the expression), trimmed, and applied in order: "1" and "0" push,
// "&&" and "||" pop two and push one, "!" pops one and pushes one. Exactly
// one value must be left.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "alias/postfix_evaluator.h"
#include "driver/throwable.h"

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string trimmed(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// "1" or "0" for a value, else the failure message.
std::string model(const std::string& expression) {
  std::vector<bool> stack;
  std::string rest = expression;
  while (!rest.empty()) {
    size_t comma = rest.find(',');
    std::string element = trimmed(rest.substr(0, comma));
    rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
    if (element == "1" || element == "0") {
      stack.push_back(element == "1");
    } else if (element == "&&" || element == "||") {
      if (stack.size() < 2) return "Two operands required for " + element;
      bool a = stack.back();
      stack.pop_back();
      bool b = stack.back();
      stack.pop_back();
      stack.push_back(element == "&&" ? (a && b) : (a || b));
    } else if (element == "!") {
      if (stack.empty()) return "One operand required for !";
      stack.back() = !stack.back();
    } else {
      return "Unknown expression element: " + element;
    }
  }
  if (stack.size() != 1) return "Malformed postfix expression: " + expression;
  return stack.back() ? "1" : "0";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string expression(reinterpret_cast<const char*>(data), size);
  std::string actual;
  PostfixEvaluator evaluator;
  try {
    actual = evaluator.evaluate(expression) ? "1" : "0";
  } catch (const PostfixEvaluatorException& exception) {
    actual = exception.message();
  }
  if (actual != model(expression)) std::abort();
  // The same evaluator again: no state may survive an evaluation.
  std::string again;
  try {
    again = evaluator.evaluate(expression) ? "1" : "0";
  } catch (const PostfixEvaluatorException& exception) {
    again = exception.message();
  }
  if (again != actual) std::abort();
  return 0;
}
