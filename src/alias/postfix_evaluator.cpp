#include "alias/postfix_evaluator.h"

#include "driver/throwable.h"
#include "script/utils.h"

bool PostfixEvaluator::evaluate(const std::string& expression) {
  stack_.clear();
  // A single trailing ',' adds no element.
  for (const std::string& element : Utils::splitItems(expression, ',')) {
    apply(Utils::trim(element));
  }
  if (stack_.size() != 1) {
    throw PostfixEvaluatorException("Malformed postfix expression: " + expression);
  }
  return stack_.back();
}

void PostfixEvaluator::apply(const std::string& element) {
  if (element == "1") {
    stack_.push_back(true);
  } else if (element == "0") {
    stack_.push_back(false);
  } else if (element == "&&" || element == "||") {
    if (stack_.size() < 2) throw PostfixEvaluatorException("Two operands required for " + element);
    bool right = pop();
    bool left = pop();
    stack_.push_back(element == "&&" ? (left && right) : (left || right));
  } else if (element == "!") {
    if (stack_.empty()) throw PostfixEvaluatorException("One operand required for !");
    stack_.push_back(!pop());
  } else {
    throw PostfixEvaluatorException("Unknown expression element: " + element);
  }
}

bool PostfixEvaluator::pop() {
  bool value = stack_.back();
  stack_.pop_back();
  return value;
}
