// Reads sizes from expressions such as
//   n + 1        a.size() + 1        1 << k        (1LL << k)        pow(2, n)        N * M
#include "space/space_symbols.h"

#include <set>

#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel::space {
namespace {

const std::set<std::string, std::less<>>& ignoredWords() {
  static const std::set<std::string, std::less<>> words = {"auto",
                                                           "bool",
                                                           "char",
                                                           "const",
                                                           "deque",
                                                           "double",
                                                           "false",
                                                           "float",
                                                           "greater",
                                                           "int",
                                                           "ll",
                                                           "long",
                                                           "map",
                                                           "max",
                                                           "min",
                                                           "multimap",
                                                           "multiset",
                                                           "pair",
                                                           "priority_queue",
                                                           "queue",
                                                           "set",
                                                           "short",
                                                           "signed",
                                                           "size_t",
                                                           "sizeof",
                                                           "stack",
                                                           "static_cast",
                                                           "std",
                                                           "string",
                                                           "true",
                                                           "unordered_map",
                                                           "unordered_set",
                                                           "unsigned",
                                                           "vector"};
  return words;
}

const char* const kSizeCall = "\\.\\s*size\\s*\\(";
const char* const kPowerOfTwoCall = "(?:std::)?pow(?:l|f)?\\s*\\(\\s*2\\s*,\\s*([^)]+)\\)";

const std::string& shiftPattern() {
  static const std::string pattern = "\\(\\s*1\\s*(?:LL)?\\s*<<\\s*(" + identifierRegexPattern() +
                                     ")\\s*\\)|1\\s*(?:LL)?\\s*<<\\s*(" + identifierRegexPattern() +
                                     ")";
  return pattern;
}

bool allTokensIgnored(std::string_view text) {
  for (const std::string& token : identifierTokens(text)) {
    if (!ignoredIdentifier(token)) return false;
  }
  return true;
}

Term productOfSymbols(std::string_view text, const std::string& reason) {
  Term term = constantTerm(reason);
  for (const std::string& symbol : collectDimensionSymbols(text)) {
    term = multiplyTerms(term, linearTerm(reason, symbol));
  }
  return term;
}

}  // namespace

bool ignoredIdentifier(std::string_view token) {
  return ignoredWords().count(lowerCopy(std::string(token))) > 0;
}

std::string normalizeSpaceSymbol(std::string_view symbol) {
  const std::string t = trim(symbol);
  const std::string l = lowerCopy(t);
  if (l == "t" || l == "tc" || l == "test" || l == "tests") return "T";
  if (l == "cap" || l == "capacity" || l == "sum" || l == "target") return "W";
  if (l == "edges") return "edges";
  if (l == "vertices") return "vertices";
  if (l == "size" || l == "len" || l == "length") return "n";
  return t.empty() ? "n" : t;
}

std::string lastUsefulIdentifier(std::string_view text) {
  std::string last;
  for (const std::string& token : identifierTokens(text)) {
    if (!ignoredIdentifier(token)) last = token;
  }
  return normalizeSpaceSymbol(last);
}

std::string assignedSymbolBefore(std::string_view source, size_t position) {
  const size_t equals = source.rfind('=', position);
  if (equals == std::string_view::npos) return "";
  const size_t lineStart = source.rfind('\n', equals);
  const size_t from = lineStart == std::string_view::npos ? 0 : lineStart + 1;
  return lastUsefulIdentifier(source.substr(from, equals - from));
}

std::vector<std::string> collectDimensionSymbols(std::string_view text) {
  std::vector<std::string> symbols;
  for (const std::string& token : identifierTokens(text)) {
    if (ignoredIdentifier(token)) continue;
    std::string symbol = normalizeSpaceSymbol(token);
    if (symbol.empty()) continue;
    bool seen = false;
    for (const std::string& known : symbols) seen = seen || known == symbol;
    if (!seen) symbols.push_back(std::move(symbol));
  }
  return symbols;
}

std::string directIdentifier(std::string_view text) {
  const std::string t = trim(text);
  const std::vector<std::string> tokens = identifierTokens(t);
  return tokens.size() == 1 && tokens.front() == t ? t : "";
}

Term dimensionTerm(std::string_view expression, const std::string& reason) {
  const std::string t = trim(expression);
  if (t.empty()) return constantTerm(reason);
  const bool takesSize = containsRegex(t, kSizeCall);
  if (!takesSize && allTokensIgnored(t)) return constantTerm(reason);
  // A size copied from another container's size() is the input size.
  if (takesSize) return linearTerm(reason, "n");

  RegexMatch match;
  if (searchRegex(t, shiftPattern(), match)) {
    const std::string& exponent = match.matched[1] ? match.groups[1] : match.groups[2];
    return customTerm("O(2^" + normalizeSpaceSymbol(exponent) + ")", reason, 120);
  }
  if (searchRegex(t, kPowerOfTwoCall, match)) {
    const std::vector<std::string> exponent = collectDimensionSymbols(match.groups[1]);
    if (!exponent.empty()) return customTerm("O(2^" + exponent.front() + ")", reason, 120);
    // pow(2, 10) is a number: its function name must not become a size symbol.
    std::string rest = t;
    rest.replace(match.position, match.length, " ");
    return productOfSymbols(rest, reason);
  }
  return productOfSymbols(t, reason);
}

}  // namespace quorbel::space
