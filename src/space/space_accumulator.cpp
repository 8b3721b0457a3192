#include "space/space_accumulator.h"

#include <algorithm>
#include <charconv>

#include "analysis/notation.h"

namespace quorbel::space {
namespace {

// "-" sorts after every real line.
int rowOrder(const Row& row) {
  if (row.line == "-") return 1000000;
  int value = 1000000;
  std::from_chars(row.line.data(), row.line.data() + row.line.size(), value);
  return value;
}

}  // namespace

void addSpaceTerm(SpaceAccumulator& acc, int line, const std::string& label, const Term& term,
                  const std::string& key) {
  if (isConstant(term)) return;
  const std::string effectiveKey =
      key.empty() ? std::to_string(line) + ":" + label + ":" + formatTerm(term) : key;
  if (!acc.seenKeys.insert(effectiveKey).second) return;
  acc.terms.push_back(term);
  addSignal(acc.summary.signals, line, label, term);
  addRow(acc.summary.breakdown, line, label, term);
}

SpaceSummary finishSummary(SpaceAccumulator& acc) {
  const Term total = summarizeTerms(acc.terms);
  SpaceSummary& summary = acc.summary;
  summary.notation = formatTerm(total);
  summary.label = labelFor(total);
  summary.pattern = isConstant(total) ? "Constant storage" : patternFor(total);
  if (summary.signals.empty()) summary.signals.push_back("No variable-sized storage was detected.");
  if (summary.breakdown.empty()) {
    summary.breakdown.push_back({"-", "Constant storage", "O(1)"});
  } else {
    std::stable_sort(summary.breakdown.begin(), summary.breakdown.end(),
                     [](const Row& a, const Row& b) { return rowOrder(a) < rowOrder(b); });
  }
  return summary;
}

}  // namespace quorbel::space
