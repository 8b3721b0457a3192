// A Big-O notation string read as a formula over the program's sizes, so that it can be
// evaluated at given limits:
//   O((n + q) * log n)   O(2^n * n)   O(n * log log n)   O(sqrt n)   O(n!)   O(n * alpha(n))
//   O(log min(a, b))     O(root4 n)   O(n · m)           O((sqrt n)^2)
// Accepted: sums, products ("*", "·", "×", or "n log n" before a function), powers,
// factorials, numbers, names and the functions log, sqrt, cuberoot, rootK, alpha, min, max.
// Anything else (a pattern described in words, an unbalanced bracket) is not a formula; no
// string makes the reader fail in any other way.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quorbel {

struct Expression {
  enum class Op {
    kNumber,
    kName,
    kSum,
    kProduct,
    kPower,
    kFactorial,
    kLog,
    kRoot,
    kAlpha,
    kMin,
    kMax
  };
  Op op = Op::kNumber;
  double number = 0;             // kNumber
  std::string name;              // kName
  int degree = 2;                // kRoot
  std::vector<Expression> args;  // operands; kPower: base then exponent
};

// The formula inside "O(...)"; false when the text is not one.
bool parseNotation(std::string_view notation, Expression& out);

// The distinct names in first-seen order.
std::vector<std::string> expressionNames(const Expression& expression);

// The base-10 logarithm of the value with every name set from `values`, which must hold all
// of them. Logarithms are base 2 and at least 1 (one step); alpha is at most 4. Carrying
// logarithms keeps 2^n at n = 10^18 finite.
double evaluateLog10(const Expression& expression, const std::map<std::string, double>& values);

// The terms of the formula multiplied out: (n + q) * log n gives n * log n and q * log n.
// A formula that would give more than 64 terms stays one term.
std::vector<Expression> expandTerms(const Expression& expression);

// The formula as text in the notation's own style: "n * log n", "(n + q) * log n", "n^2".
std::string renderExpression(const Expression& expression);

// A copy of a product term without its factors named `name` (a bare name or its power).
Expression withoutFactor(const Expression& term, const std::string& name);
// True when the product term (or the term itself) has a factor that is `name` or its power.
bool hasFactor(const Expression& term, const std::string& name);

}  // namespace quorbel
