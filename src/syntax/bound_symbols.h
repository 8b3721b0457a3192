// Loop bounds, conditions and call arguments turned into the symbol names of the notation:
// comparisons and comma lists split at the top level, type words skipped, well-known names
// mapped to conventional symbols, container sizes and division aliases looked up in gContext.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/term.h"
#include "syntax/context.h"

namespace quorbel {

struct Comparison {
  bool found = false;
  std::string left;
  std::string op;
  std::string right;
};

// "size"/"len"/"length"/"" -> n, "t"/"tc"/"test"/"tests" -> T, "cap"/"capacity"/"sum"/
// "target" -> W, "edges" -> m (case-insensitive); anything else as written, trimmed.
std::string normalizeBoundSymbol(std::string_view text);
// Type words and the like ("int", "long", "const", "vector", "std", ...), any letter case.
bool isIgnoredBoundToken(std::string_view token);
// The last identifier token that is not an ignored bound token; empty when none.
std::string lastUsefulIdentifier(std::string_view text);
// With an alias half -> (n, 2) in gContext: "n/2" and "n"; otherwise the symbol unchanged.
std::string resolveAliasDisplay(const std::string& symbol);
std::string resolveAliasLinearSymbol(const std::string& symbol);
// True when `name` as a whole identifier is followed (after white space) by '['.
bool mentionsIndexedAccess(std::string_view text, std::string_view name);
// An indexed access of one of gContext's adjacency lists ("adj" without a context).
bool mentionsAdjacencyAccess(std::string_view text);
// The edge symbol of the first range-for over an adjacency list ("for (int e : adj[v])" gives
// e); empty when none.
std::string firstAdjacencyRangeSymbol(std::string_view text);
// "O(vertices + edges)" with the given label and rank.
Term graphTraversalTerm(const GraphSymbols& graph, const std::string& label, int rank);
// "O((vertices + edges) * log vertices)", "Heap graph traversal", rank 75.
Term heapGraphTraversalTerm(const GraphSymbols& graph);
// The bound symbol of an expression: the size symbol of the first x.size() owner, else the
// first useful identifier normalised and de-aliased, else "n".
std::string symbolFromBoundExpression(std::string_view expression);
// "100", "2 * 100", "(int)1000" are constant; "N", "n + 1", "v.size() - 1" are not.
bool isConstantBoundExpression(std::string_view expression);
// Splits at the leftmost of <=, >=, !=, <, > (the earlier in that list wins a tie).
Comparison splitComparison(std::string_view condition);
// splitComparison that steps over shift operators: in `(1 << n) > mask` the comparison is the
// '>', not the first '<' of the shift.
Comparison splitComparisonOutsideShifts(std::string_view condition);
// Whole-token mention; false for an empty name.
bool mentionsIdentifier(std::string_view text, std::string_view name);
// True with `symbol` set when exactly one useful identifier token is in the text.
bool singleBoundIdentifier(std::string_view text, std::string& symbol);
// Splits at commas outside (), [], {} and <>; pieces trimmed; a trailing empty piece dropped.
std::vector<std::string> splitTopLevelComma(std::string_view text);
// The top-level arguments of the first balanced parenthesis group of a call text.
std::vector<std::string> callArguments(std::string_view callText);
// The parameter names of a definition: "int f(const vector<int>& a, int n)" gives a, n.
std::vector<std::string> parameterNamesFromDefinition(std::string_view definition,
                                                      std::string_view functionName);
// Renames the symbols of a term (custom terms: identifier tokens of the notation).
Term substituteTermSymbols(const Term& term, const std::map<std::string, std::string>& renames);

}  // namespace quorbel
