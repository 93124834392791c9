#ifndef TARNWICK_ALIAS_POSTFIX_EVALUATOR_H_
#define TARNWICK_ALIAS_POSTFIX_EVALUATOR_H_

#include <string>
#include <vector>

// Evaluates boolean expressions in postfix order with comma-separated
// elements, such as "1,0,||,!". Elements, trimmed, are "1", "0", "&&", "||"
// and "!"; each is applied when it is reached.
class PostfixEvaluator {
 public:
  // Throws PostfixEvaluatorException for an unknown element, an operator
  // short of operands, or an expression that does not leave exactly one
  // value.
  bool evaluate(const std::string& expression);

 private:
  void apply(const std::string& element);
  bool pop();

  std::vector<bool> stack_;
};

#endif  // TARNWICK_ALIAS_POSTFIX_EVALUATOR_H_
