// Rendering of terms as the texts users see (notation, label, pattern) and breakdown rows.
#pragma once

#include <string>
#include <vector>

#include "analysis/result.h"
#include "analysis/term.h"

namespace quorbel {

// "O(n^2 * log n)": factors grouped linear, root, log, log-log, each sorted by symbol.
std::string formatTerm(const Term& term);
// Plain-language class ("Quadratic") and algorithmic pattern ("Binary search") of a term.
std::string labelFor(const Term& term);
std::string patternFor(const Term& term);

// Appends {line, signal, formatTerm(term)}.
void addRow(std::vector<Row>& rows, int line, const std::string& signal, const Term& term);

}  // namespace quorbel
