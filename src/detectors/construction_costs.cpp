// Nested vectors built with a size, one declaration per line:
//   vector<vector<int>> dp(n + 1, vector<int>(m + 1, 0));   -> n * m
//   vector<vector<int>> g(n);                                -> n
//   vector<vector<int>> dp(1 << k, vector<int>(k));          -> 2^k
// Not matched: vector<vector<int>> g;   vector<int> a(n);   vector<vector<int>> t(100, ...);
#include "detectors/construction_costs.h"

#include "analysis/notation.h"
#include "detectors/power_of_two.h"
#include "syntax/bound_symbols.h"
#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel {
namespace {

// The constructor arguments of `vector<...> name( ... );` on one line; false when the line
// is not exactly such a declaration or the arguments are empty.
bool readConstructorArguments(std::string_view line, std::string& arguments) {
  const size_t vectorAt = line.find("vector");
  if (vectorAt == std::string_view::npos) return false;
  const size_t open = line.find('<', vectorAt);
  if (open == std::string_view::npos) return false;
  const size_t close = matchingBracket(line, open, '<', '>');
  if (close == std::string_view::npos) return false;

  size_t position = skipSpaces(line, close + 1);
  while (position < line.size() && (line[position] == '*' || line[position] == '&')) ++position;
  position = skipSpaces(line, position);
  std::string name;
  size_t nameEnd = position;
  if (!readIdentifierAt(line, position, name, nameEnd)) return false;
  position = skipSpaces(line, nameEnd);
  if (position >= line.size() || line[position] != '(') return false;

  const size_t closeParen = matchingBracket(line, position, '(', ')');
  if (closeParen == std::string_view::npos) return false;
  const size_t after = skipSpaces(line, closeParen + 1);
  // `g(n), h(m);` or `g(n) + ...` is some other statement.
  if (after < line.size() && line[after] != ';') return false;

  arguments = trim(line.substr(position + 1, closeParen - position - 1));
  return !arguments.empty();
}

// The cost of one declaration line: its first dimension, times the size of the inner vector
// when the fill value constructs one.
Term constructionTerm(std::string_view line) {
  Term term = constantTerm("container construction");
  if (!containsRegex(line, "\\bvector\\s*<\\s*vector\\s*<")) return term;
  std::string arguments;
  if (!readConstructorArguments(line, arguments)) return term;
  const std::vector<std::string> dims = splitTopLevelComma(arguments);
  if (dims.empty()) return term;

  term = dimensionExpressionTerm(dims[0], "container construction");
  if (rankTerm(term) == 0 || dims.size() < 2) return term;
  RegexMatch match;
  std::string inner;
  if (searchRegex(dims[1], "\\bvector\\s*<.*>\\s*\\((.*)\\)", match)) inner = match.groups[1];
  const std::vector<std::string> innerDims = splitTopLevelComma(inner);
  if (innerDims.empty()) return term;
  const Term innerTerm = dimensionExpressionTerm(innerDims[0], "nested container construction");
  if (rankTerm(innerTerm) >= 1) term = multiplyTerms(term, innerTerm);
  return term;
}

}  // namespace

Term dimensionExpressionTerm(std::string_view expression, const std::string& reason) {
  const std::string e = trim(expression);
  if (e.empty() || isConstantBoundExpression(e)) return constantTerm(reason);
  std::string display;
  std::string symbol;
  if (conditionBitShiftBound(e, display, symbol, BitShiftForm::kExpression)) {
    return customTerm("O(2^" + display + ")", reason, 220);
  }
  return linearTerm(reason, symbolFromBoundExpression(e));
}

uint32_t analyzeConstructionCosts(std::string_view code, Analysis& result,
                                  DetectionResult& detection) {
  uint32_t count = 0;
  int lineNumber = 0;
  size_t start = 0;
  while (start <= code.size()) {
    size_t end = code.find('\n', start);
    if (end == std::string_view::npos) end = code.size();
    const std::string_view line = code.substr(start, end - start);
    ++lineNumber;
    start = end + 1;

    if (!containsRegex(line, "\\bvector\\s*<")) continue;
    const Term term = constructionTerm(line);
    if (rankTerm(term) < 1) continue;
    detection.terms.push_back(term);
    addSignal(result.signals, lineNumber, "Container construction", term);
    addRow(result.breakdown, lineNumber, "Container construction", term);
    ++count;
  }
  return count;
}

}  // namespace quorbel
