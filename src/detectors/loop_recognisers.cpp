// The loop-text shapes read by the classifier:
//   for (init; cond; update)          header parts, iterator and start value
//   while (t--)  while (--k)          decrementing while loops
//   k /= 2;  k >>= 1;  k = k / 2;     unconditional halving in a while body
//   i *= 2;  x *= x;  i += i & -i;    multiplicative, self-power and Fenwick updates
//   i * i <= n;  pow(i, 3) <= n;  i <= n / i      root bounds
#include "detectors/loop_recognisers.h"

#include <climits>

#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel {
namespace {

std::string firstGroup(std::string_view text, const std::string& pattern) {
  RegexMatch match;
  if (!searchRegex(text, pattern, match) || match.groups.size() < 2) return "";
  return match.groups[1];
}

// Decimal digits as an int; false when they do not fit, so an absurd exponent is no match.
bool parseSmallNumber(const std::string& digits, int& value) {
  if (digits.empty() || digits.size() > 9) return false;
  value = std::stoi(digits);
  return true;
}

// The top-level statements of a block body; a statement after a braced block without a ';'
// in between stays glued to that block.
std::vector<std::string> topLevelStatements(std::string_view body) {
  std::vector<std::string> statements;
  std::string current;
  int braces = 0, parens = 0;
  for (char c : body) {
    current += c;
    if (c == '{') ++braces;
    if (c == '}' && braces > 0) --braces;
    if (c == '(') ++parens;
    if (c == ')' && parens > 0) --parens;
    if (c == ';' && braces == 0 && parens == 0) {
      statements.push_back(trim(current));
      current.clear();
    }
  }
  return statements;
}

}  // namespace

// ---- Loop text pieces ----

std::string whileCondition(std::string_view text) {
  size_t open = text.find('(');
  if (open == std::string_view::npos) return std::string(text);
  size_t close = matchingBracket(text, open, '(', ')');
  if (close == std::string_view::npos) return std::string(text);
  return std::string(text.substr(open + 1, close - open - 1));
}

std::string forInitializer(std::string_view text) {
  return firstGroup(text, "for\\s*\\(([^;]*);[^;]*;[^)]*\\)");
}

std::string forCondition(std::string_view text) {
  return firstGroup(text, "for\\s*\\([^;]*;([^;]*);[^)]*\\)");
}

std::string forUpdate(std::string_view text) {
  return firstGroup(text, "for\\s*\\([^;]*;[^;]*;([^)]*)\\)");
}

std::string forIterator(std::string_view init) {
  size_t equals = init.find('=');
  if (equals == std::string_view::npos) return "";
  return lastUsefulIdentifier(init.substr(0, equals));
}

std::string loopIteratorFromHeader(std::string_view init, std::string_view cond) {
  std::string iterator = forIterator(init);
  if (!iterator.empty()) return iterator;
  Comparison comparison = splitComparison(cond);
  if (!comparison.found) return "";
  if (singleBoundIdentifier(comparison.left, iterator)) return iterator;
  if (singleBoundIdentifier(comparison.right, iterator)) return iterator;
  return "";
}

std::string forInitializerExpression(std::string_view init, std::string_view iterator) {
  size_t equals = init.find('=');
  if (equals == std::string_view::npos) return "";
  if (lastUsefulIdentifier(init.substr(0, equals)) != iterator) return "";
  return trim(init.substr(equals + 1));
}

std::string comparisonBoundSide(const Comparison& comparison) {
  return (comparison.op == ">" || comparison.op == ">=") ? comparison.left : comparison.right;
}

std::string comparisonIteratorSide(const Comparison& comparison) {
  return (comparison.op == ">" || comparison.op == ">=") ? comparison.right : comparison.left;
}

std::string inferBoundSymbol(std::string_view cond) {
  Comparison comparison = splitComparison(cond);
  if (!comparison.found) return symbolFromBoundExpression(cond);
  return symbolFromBoundExpression(comparisonBoundSide(comparison));
}

// ---- While-loop shapes ----

bool isQueueTraversalText(std::string_view text) {
  return containsRegex(text, "\\.\\s*empty\\s*\\(\\)") && containsRegex(text, "\\.\\s*pop\\s*\\(");
}

bool decrementingWhileSymbol(std::string_view text, std::string& symbol) {
  std::string cond = trim(whileCondition(text));
  if (cond.size() < 3) return false;
  if (cond.ends_with("--")) {
    symbol = lastUsefulIdentifier(std::string_view(cond).substr(0, cond.size() - 2));
    return true;
  }
  if (!cond.starts_with("--")) return false;
  size_t position = 2;
  while (position < cond.size() && (cond[position] == ' ' || cond[position] == '\t' ||
                                    cond[position] == '\r' || cond[position] == '\n'))
    ++position;
  std::string token;
  size_t end = position;
  if (!readIdentifierAt(cond, position, token, end)) return false;
  symbol = token;
  return true;
}

bool whileBodyUnconditionallyHalves(std::string_view text, std::string_view symbol) {
  if (symbol.empty()) return false;
  std::string_view body;
  size_t open = text.find('{');
  if (open != std::string_view::npos) {
    size_t close = matchingBracket(text, open, '{', '}');
    if (close != std::string_view::npos) body = text.substr(open + 1, close - open - 1);
  }
  const std::string s(symbol);
  const std::string patterns[] = {
      "^\\s*" + s + "\\s*/=\\s*[2-9][0-9]*\\s*;",
      "^\\s*" + s + "\\s*>>=\\s*[1-9][0-9]*\\s*;",
      "^\\s*" + s + "\\s*=\\s*" + s + "\\s*/\\s*[2-9][0-9]*\\s*;",
      "^\\s*" + s + "\\s*=\\s*" + s + "\\s*>>\\s*[1-9][0-9]*\\s*;",
  };
  for (const std::string& statement : topLevelStatements(body))
    for (const std::string& pattern : patterns)
      if (containsRegex(statement, pattern)) return true;
  return false;
}

// ---- Update shapes ----

bool multiplicativeUpdate(std::string_view text) {
  const std::string& id = identifierRegexPattern();
  return containsRegex(text, "[*\\/]=\\s*[2-9][0-9]*") || containsRegex(text, "<<=|>>=") ||
         containsRegex(text, id + "\\s*=\\s*" + id + "\\s*[*\\/]\\s*[2-9][0-9]*");
}

bool lowbitUpdate(std::string_view update, std::string_view iterator) {
  return containsIdentifierToken(update, iterator) && update.find('&') != std::string_view::npos &&
         update.find('-') != std::string_view::npos && update.find('=') != std::string_view::npos;
}

bool selfPowerUpdate(std::string_view update) {
  size_t times = update.find("*=");
  if (times != std::string_view::npos) {
    std::string variable = lastUsefulIdentifier(update.substr(0, times));
    return !variable.empty() && containsIdentifierToken(trim(update.substr(times + 2)), variable);
  }
  size_t equals = update.find('=');
  if (equals == std::string_view::npos) return false;
  std::string variable = lastUsefulIdentifier(update.substr(0, equals));
  std::string_view rhs = update.substr(equals + 1);
  if (variable.empty() || rhs.find('*') == std::string_view::npos) return false;
  int count = 0;
  for (const std::string& token : identifierTokens(rhs))
    if (token == variable) ++count;
  return count >= 2;
}

// ---- Root bounds ----

bool poweredIteratorExpression(std::string_view expr, std::string& iterator, int& degree) {
  std::vector<std::string> tokens;
  for (std::string& token : identifierTokens(expr))
    if (!isIgnoredBoundToken(token)) tokens.push_back(std::move(token));
  if (tokens.size() < 2) return false;
  for (const std::string& token : tokens)
    if (token != tokens[0]) return false;
  iterator = tokens[0];
  degree = static_cast<int>(tokens.size() < INT_MAX ? tokens.size() : INT_MAX);
  return expr.find('*') != std::string_view::npos;
}

bool powIteratorExpression(std::string_view expr, std::string& iterator, int& degree) {
  RegexMatch match;
  if (!searchRegex(expr,
                   "(?:std::)?pow(?:l|f)?\\s*\\(\\s*(" + identifierRegexPattern() +
                       ")\\s*,\\s*([2-9][0-9]*)\\s*\\)",
                   match))
    return false;
  int value = 0;
  if (!parseSmallNumber(match.groups[2], value)) return false;
  iterator = match.groups[1];
  degree = value;
  return true;
}

bool divisionByIteratorBound(std::string_view iterSide, std::string_view boundSide,
                             std::string& iterator, std::string& root) {
  std::string candidate;
  if (!singleBoundIdentifier(iterSide, candidate)) return false;
  RegexMatch match;
  if (!searchRegex(boundSide,
                   "(" + identifierRegexPattern() + ")\\s*/\\s*" + regexEscape(candidate), match))
    return false;
  iterator = candidate;
  root = resolveAliasLinearSymbol(normalizeBoundSymbol(match.groups[1]));
  return true;
}

}  // namespace quorbel
