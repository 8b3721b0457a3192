#include "syntax/bound_symbols.h"

#include <set>

#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel {
namespace {

bool containsDigit(std::string_view text) {
  for (char c : text)
    if (c >= '0' && c <= '9') return true;
  return false;
}

// The position of the parenthesis that closes the one at `open`; npos when unbalanced.
size_t matchingParenthesis(std::string_view text, size_t open) {
  int depth = 0;
  for (size_t i = open; i < text.size(); ++i) {
    if (text[i] == '(') {
      ++depth;
    } else if (text[i] == ')') {
      if (--depth == 0) return i;
    }
  }
  return std::string_view::npos;
}

}  // namespace

// ---- Symbols ----

std::string normalizeBoundSymbol(std::string_view text) {
  std::string trimmed = trim(text);
  std::string lower = lowerCopy(trimmed);
  if (lower == "t" || lower == "tc" || lower == "test" || lower == "tests") return "T";
  if (lower == "cap" || lower == "capacity" || lower == "sum" || lower == "target") return "W";
  if (lower == "edges") return "m";
  if (lower == "size" || lower == "len" || lower == "length" || lower.empty()) return "n";
  return trimmed;
}

bool isIgnoredBoundToken(std::string_view token) {
  static const std::set<std::string> ignored = {
      "auto",  "bool", "char",   "const",  "double",      "float", "int",      "long",
      "short", "ll",   "signed", "size_t", "static_cast", "std",   "unsigned", "vector"};
  return ignored.count(lowerCopy(std::string(token))) > 0;
}

std::string lastUsefulIdentifier(std::string_view text) {
  std::string last;
  for (std::string& token : identifierTokens(text))
    if (!isIgnoredBoundToken(token)) last = std::move(token);
  return last;
}

std::string resolveAliasDisplay(const std::string& symbol) {
  if (gContext == nullptr || symbol.empty()) return symbol;
  auto alias = gContext->aliases.find(symbol);
  if (alias == gContext->aliases.end()) return symbol;
  if (alias->second.divisor < 2) return alias->second.base;
  return alias->second.base + "/" + std::to_string(alias->second.divisor);
}

std::string resolveAliasLinearSymbol(const std::string& symbol) {
  if (gContext == nullptr || symbol.empty()) return symbol;
  auto alias = gContext->aliases.find(symbol);
  return alias == gContext->aliases.end() ? symbol : alias->second.base;
}

std::string symbolFromBoundExpression(std::string_view expression) {
  // A size call names its container; the container's declared size is the better symbol.
  size_t from = 0;
  while (true) {
    size_t dot = expression.find(".size", from);
    if (dot == std::string_view::npos) break;
    std::string owner = previousIdentifierBefore(expression, dot);
    if (owner.empty()) {
      from = dot + 5;
      continue;
    }
    if (gContext == nullptr) return "n";
    auto size = gContext->containerSizes.find(owner);
    return size == gContext->containerSizes.end() ? "n" : size->second;
  }
  for (const std::string& token : identifierTokens(expression))
    if (!isIgnoredBoundToken(token)) return resolveAliasLinearSymbol(normalizeBoundSymbol(token));
  return "n";
}

bool isConstantBoundExpression(std::string_view expression) {
  std::string text = trim(expression);
  if (text.empty()) return false;
  if (containsRegex(text, "\\.\\s*size\\s*\\(")) return false;
  if (!containsDigit(text)) return false;
  for (const std::string& token : identifierTokens(text))
    if (!isIgnoredBoundToken(token)) return false;
  return true;
}

bool mentionsIdentifier(std::string_view text, std::string_view name) {
  return !name.empty() && containsIdentifierToken(text, name);
}

bool singleBoundIdentifier(std::string_view text, std::string& symbol) {
  std::string found;
  int count = 0;
  for (std::string& token : identifierTokens(text)) {
    if (isIgnoredBoundToken(token)) continue;
    if (++count > 1) return false;
    found = std::move(token);
  }
  if (count != 1) return false;
  symbol = found;
  return true;
}

// ---- Adjacency lists and graph terms ----

bool mentionsIndexedAccess(std::string_view text, std::string_view name) {
  if (text.empty() || name.empty()) return false;
  size_t position = 0;
  std::string token;
  while (position < text.size()) {
    size_t end = position;
    if (!readIdentifierAt(text, position, token, end)) {
      ++position;
      continue;
    }
    position = end;
    if (token != name) continue;
    size_t next = end;
    while (next < text.size() && isSpaceByte(text[next])) ++next;
    if (next < text.size() && text[next] == '[') return true;
  }
  return false;
}

bool mentionsAdjacencyAccess(std::string_view text) {
  if (gContext == nullptr) return mentionsIndexedAccess(text, "adj");
  for (const std::string& name : gContext->adjacencyLists)
    if (mentionsIndexedAccess(text, name)) return true;
  return false;
}

std::string firstAdjacencyRangeSymbol(std::string_view text) {
  std::vector<std::string> candidates;
  if (gContext != nullptr && !gContext->adjacencyLists.empty()) {
    candidates.assign(gContext->adjacencyLists.begin(), gContext->adjacencyLists.end());
  } else {
    candidates.push_back("adj");
  }
  const size_t colon = text.find(':');
  const size_t forWord = text.find("for");
  for (const std::string& candidate : candidates) {
    size_t access = text.find(candidate + "[");
    if (access == std::string_view::npos || colon == std::string_view::npos ||
        forWord == std::string_view::npos || colon > access)
      continue;
    std::string_view header =
        colon < forWord ? text.substr(forWord) : text.substr(forWord, colon - forWord);
    std::string symbol = lastUsefulIdentifier(header);
    if (!symbol.empty()) return symbol;
  }
  return "";
}

Term graphTraversalTerm(const GraphSymbols& graph, const std::string& label, int rank) {
  return customTerm("O(" + graph.vertices + " + " + graph.edges + ")", label, rank);
}

Term heapGraphTraversalTerm(const GraphSymbols& graph) {
  return customTerm(
      "O((" + graph.vertices + " + " + graph.edges + ") * log " + graph.vertices + ")",
      "Heap graph traversal", 75);
}

// ---- Splitting ----

namespace {

// Whether the '<' or '>' at `position` belongs to a shift operator "<<" or ">>".
bool isShiftByte(std::string_view text, size_t position) {
  char c = text[position];
  return (position > 0 && text[position - 1] == c) ||
         (position + 1 < text.size() && text[position + 1] == c);
}

Comparison splitAtFirstOperator(std::string_view condition, bool skipShifts) {
  static const char* const kOperators[] = {"<=", ">=", "!=", "<", ">"};
  size_t best = std::string_view::npos;
  std::string_view bestOperator;
  for (const char* op : kOperators) {
    const std::string_view operatorText = op;
    size_t position = condition.find(operatorText);
    while (skipShifts && position != std::string_view::npos && operatorText[0] != '!' &&
           isShiftByte(condition, position))
      position = condition.find(operatorText, position + 1);
    if (position < best) {
      best = position;
      bestOperator = operatorText;
    }
  }
  Comparison comparison;
  if (best == std::string_view::npos) return comparison;
  comparison.found = true;
  comparison.left = trim(condition.substr(0, best));
  comparison.op = std::string(bestOperator);
  comparison.right = trim(condition.substr(best + bestOperator.size()));
  return comparison;
}

}  // namespace

Comparison splitComparison(std::string_view condition) {
  return splitAtFirstOperator(condition, false);
}

Comparison splitComparisonOutsideShifts(std::string_view condition) {
  return splitAtFirstOperator(condition, true);
}

std::vector<std::string> splitTopLevelComma(std::string_view text) {
  std::vector<std::string> pieces;
  int paren = 0, bracket = 0, brace = 0, angle = 0;
  auto lower = [](int& depth) {
    if (depth > 0) --depth;
  };
  std::string current;
  for (char c : text) {
    switch (c) {
      case '(':
        ++paren;
        break;
      case ')':
        lower(paren);
        break;
      case '[':
        ++bracket;
        break;
      case ']':
        lower(bracket);
        break;
      case '{':
        ++brace;
        break;
      case '}':
        lower(brace);
        break;
      case '<':
        ++angle;
        break;
      case '>':
        lower(angle);
        break;
      default:
        break;
    }
    if (c == ',' && paren == 0 && bracket == 0 && brace == 0 && angle == 0) {
      pieces.push_back(trim(current));
      current.clear();
    } else {
      current += c;
    }
  }
  std::string last = trim(current);
  if (!last.empty()) pieces.push_back(last);
  return pieces;
}

std::vector<std::string> callArguments(std::string_view callText) {
  size_t open = callText.find('(');
  if (open == std::string_view::npos) return {};
  size_t close = matchingParenthesis(callText, open);
  if (close == std::string_view::npos) return {};
  return splitTopLevelComma(callText.substr(open + 1, close - open - 1));
}

std::vector<std::string> parameterNamesFromDefinition(std::string_view definition,
                                                      std::string_view functionName) {
  size_t at = definition.find(functionName);
  if (at == std::string_view::npos) return {};
  size_t open = definition.find('(', at + functionName.size());
  if (open == std::string_view::npos) return {};
  size_t close = matchingParenthesis(definition, open);
  if (close == std::string_view::npos) return {};
  std::vector<std::string> names;
  for (const std::string& piece :
       splitTopLevelComma(definition.substr(open + 1, close - open - 1))) {
    std::string name = lastUsefulIdentifier(piece);
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

// ---- Renaming ----

Term substituteTermSymbols(const Term& term, const std::map<std::string, std::string>& renames) {
  Term renamed = term;
  if (renames.empty()) return renamed;
  if (term.kind == "custom") {
    // Applied in key order, each on the output of the previous one.
    for (const auto& [from, to] : renames)
      if (!from.empty() && !to.empty())
        renamed.notation = replaceIdentifierTokens(renamed.notation, from, to);
    return renamed;
  }
  if (term.kind != "poly") return renamed;
  auto rename = [&renames](std::string& symbol) {
    auto found = renames.find(symbol);
    if (found != renames.end() && !found->second.empty()) symbol = found->second;
  };
  for (std::string& symbol : renamed.linear) rename(symbol);
  for (RootFactor& root : renamed.roots) rename(root.symbol);
  for (std::string& symbol : renamed.logs) rename(symbol);
  for (std::string& symbol : renamed.logLogs) rename(symbol);
  return renamed;
}

}  // namespace quorbel
