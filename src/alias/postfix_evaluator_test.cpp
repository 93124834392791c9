#include "alias/postfix_evaluator.h"

#include <gtest/gtest.h>

#include "driver/throwable.h"

namespace {

std::string failure(const std::string& expression) {
  try {
    PostfixEvaluator().evaluate(expression);
  } catch (const PostfixEvaluatorException& e) {
    return e.message();
  }
  return "(no exception)";
}

TEST(PostfixEvaluatorTest, EvaluatesOperatorsInPostfixOrder) {
  PostfixEvaluator evaluator;
  EXPECT_TRUE(evaluator.evaluate("1"));
  EXPECT_FALSE(evaluator.evaluate("0"));
  EXPECT_FALSE(evaluator.evaluate("1,!"));
  EXPECT_FALSE(evaluator.evaluate("1,0,&&"));
  EXPECT_TRUE(evaluator.evaluate("1,1,&&"));
  EXPECT_TRUE(evaluator.evaluate("1,0,||"));
  EXPECT_FALSE(evaluator.evaluate("0,0,||"));
  EXPECT_TRUE(evaluator.evaluate("0,0,||,!"));
  EXPECT_TRUE(evaluator.evaluate("1,0,!,0,||,&&"));
}

TEST(PostfixEvaluatorTest, BlanksAroundElementsAndOneTrailingCommaAreIgnored) {
  PostfixEvaluator evaluator;
  EXPECT_TRUE(evaluator.evaluate(" 1 , 1 ,&& "));
  EXPECT_TRUE(evaluator.evaluate("1,"));
  EXPECT_TRUE(evaluator.evaluate("\t1\t"));
}

TEST(PostfixEvaluatorTest, StackIsEmptiedBetweenEvaluations) {
  PostfixEvaluator evaluator;
  EXPECT_THROW(evaluator.evaluate("1,1"), PostfixEvaluatorException);
  EXPECT_FALSE(evaluator.evaluate("0"));
}

TEST(PostfixEvaluatorTest, WrongValueCountQuotesTheWholeExpression) {
  EXPECT_EQ("Malformed postfix expression: 1,1", failure("1,1"));
  EXPECT_EQ("Malformed postfix expression: ", failure(""));
  EXPECT_EQ("Malformed postfix expression:  1 , 0 ", failure(" 1 , 0 "));
}

TEST(PostfixEvaluatorTest, OperatorsShortOfOperands) {
  EXPECT_EQ("Two operands required for &&", failure("1,&&"));
  EXPECT_EQ("Two operands required for ||", failure("||"));
  EXPECT_EQ("One operand required for !", failure("!"));
}

TEST(PostfixEvaluatorTest, UnknownElementsAreQuotedTrimmed) {
  EXPECT_EQ("Unknown expression element: ", failure("1,,0"));
  EXPECT_EQ("Unknown expression element: ", failure("1,0, ,&&"));
  EXPECT_EQ("Unknown expression element: true", failure("true"));
  EXPECT_EQ("Unknown expression element: TRUE", failure("1, TRUE ,&&"));
  EXPECT_EQ("Unknown expression element: and", failure("1,1,and"));
  EXPECT_EQ("Unknown expression element: <NOPE>", failure("<NOPE>,1,&&"));
  EXPECT_EQ("Unknown expression element: 1 1", failure("1 1"));
}

TEST(PostfixEvaluatorTest, LongExpressionsAreEvaluated) {
  std::string expression = "1";
  for (int i = 0; i < 100000; ++i) expression += ",1,&&";
  EXPECT_TRUE(PostfixEvaluator().evaluate(expression));
}

}  // namespace
