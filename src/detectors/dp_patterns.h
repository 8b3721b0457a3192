// Dynamic-programming tables and the loops that fill them: 1D and 2D fills, rolling arrays,
// interval DP and bitmask DP, each charged once as a DP transition on its innermost loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/result.h"
#include "analysis/term.h"
#include "syntax/context.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

struct DpPatternResult {
  uint32_t count = 0;             // DP transitions charged
  std::set<uint32_t> loopStarts;  // start bytes of DP loops and of every loop enclosing one
};

// Charges the innermost loop writing each DP table (one term, row and signal per loop) and
// returns the count with the DP loop starts, which the loop and loop-body detectors skip or
// consult. REQUIRES: gContext designates `context`.
DpPatternResult analyzeDpPatterns(std::string_view code, const std::vector<SyntaxNodeInfo>& nodes,
                                  const Context& context, Analysis& result,
                                  DetectionResult& detection);

// The next occurrence, from `start`, of the whole identifier `table` followed by at least one
// bracket group ("dp[i][j]" gives dims 2); `end` is just past its last ']'.
bool indexedTableOccurrence(std::string_view text, std::string_view table, size_t start, int& dims,
                            size_t& end);
// True when some indexed occurrence of `table` is assigned to ("=", "+=", "^=", ...; not "==",
// "<="); `dims` counts that occurrence's bracket groups.
bool indexedWriteToTable(std::string_view text, std::string_view table, int& dims);
// True when the first indexed occurrence of `table` is a compound assignment, or a plain
// assignment whose right-hand side (up to ';') indexes the table again.
bool tableReadAfterWrite(std::string_view text, std::string_view table);
// Names that say "DP table": dp, memo, ways, best, opt or cost in any letter case.
bool looksLikeDpName(std::string_view name);
// A 2D table written three loops deep whose cost is cubic or whose loop names a split point
// (k, mid, cut, "split").
bool likelyIntervalDp(const SyntaxNodeInfo& loop, int dims, const Term& cost);
// True when the term's notation has a power of two ("O(2^n * n)").
bool hasBitmaskBound(const Term& term);

}  // namespace quorbel
