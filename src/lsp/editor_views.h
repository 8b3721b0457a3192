// What an editor shows of one analysed document, on the analysis's 1-based lines: diagnostics
// from the verdict at the limits, the cost of each loop, recursion and costly call, and the
// text of a hover.
#pragma once

#include <string>
#include <vector>

#include "lsp/document_analysis.h"

namespace quorbel {

// Severities as the Language Server Protocol numbers them.
constexpr int kSeverityWarning = 2;
constexpr int kSeverityInformation = 3;
constexpr int kSeverityHint = 4;

struct EditorDiagnostic {
  int line = 0;  // 1-based; 0 when nothing names a line (it is shown on the first)
  int severity = kSeverityInformation;
  std::string code;  // "too-slow", "tight", "memory", "parse-error" or "not-analysed"
  std::string message;
};

// Too slow (a warning) or tight (information) on the line of the loop or call that dominates at
// the limits; too much memory (a warning) on the line of the largest structure; the parse-error
// note (a hint) on its line; a refusal (information). Empty when the program fits.
std::vector<EditorDiagnostic> diagnosticsOf(const DocumentAnalysis& document);

struct LineCost {
  int line = 0;
  std::string cost;  // "O(n * log n)", in the program's names
  std::string what;  // "for loop over i", "sort"
};

// Each loop, recursion and costly call of the time breakdown, in line order.
std::vector<LineCost> lineCostsOf(const DocumentAnalysis& document);

// Markdown for a hover on `line`: on a line with costs, each cost, why, and its share of the
// total; on main's line or the first line, the whole estimate, its confidence, the verdict
// and the assumptions. Empty when the line has nothing to say.
std::string hoverTextOf(const DocumentAnalysis& document, int line);

}  // namespace quorbel
