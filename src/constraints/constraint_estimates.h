// Rough input limits for the symbols of an analysis's time term: for each variable, the
// largest value whose Big-O cost fits a budget of about 1e8 primitive operations (one second).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/result.h"
#include "analysis/term.h"

namespace quorbel {

// The limit rows for a time term, chosen by the term's kind and shape (custom terms by
// their reason, notation and named variables; poly terms by their factor counts).
std::vector<ConstraintEstimate> estimateConstraints(const Term& term);

// Compact human form of a count: "huge" when not finite, "< 1" below 1, "464" below 1000,
// "10.0K", "4.52M", "100M" up to the T range, then "2.5e15", "1e16".
std::string compactNumber(long double value);

// `text` followed by the standing caveat that constants, memory, I/O, recursion overhead
// and hidden helper work are ignored.
std::string roughAssumption(const std::string& text);

// The distinct non-empty symbols in first-seen order joined with ", "; "N" when none.
std::string uniqueSymbolList(const std::vector<std::string>& symbols);

// Appends {symbol, maxValue, assumption} for each symbol that no row names yet.
void appendVariableRows(std::vector<ConstraintEstimate>& rows,
                        const std::vector<std::string>& symbols, const std::string& maxValue,
                        const std::string& assumption);

// The variable names of a notation, first-seen order, without "O", "sqrt", "cuberoot",
// "root" and "log": "O((vertices + edges) * log vertices)" gives vertices, edges.
std::vector<std::string> variablesFromNotation(std::string_view notation);

}  // namespace quorbel
