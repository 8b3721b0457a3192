// Recognises permutation enumeration:
//   sort(p.begin(), p.end());
//   do { ... } while (next_permutation(p.begin(), p.end()));
// The loop around the call runs n! times, which plain loop counting cannot see.
#include "detectors/permutation_pattern.h"

#include "analysis/notation.h"
#include "analysis/term.h"
#include "syntax/context.h"

namespace quorbel {

uint32_t analyzePermutationPattern(const std::vector<SyntaxNodeInfo>& nodes, Analysis& result,
                                   DetectionResult& detection) {
  for (const SyntaxNodeInfo& node : nodes) {
    if (node.type != "call_expression") continue;
    const std::string name = callName(node);
    if (name != "next_permutation" && name != "prev_permutation") continue;
    const Term term = customTerm("O(n!)", "Permutation enumeration", 300);
    const int line = static_cast<int>(node.startLine);
    detection.terms.push_back(term);
    addSignal(result.signals, line, "Permutation enumeration", term);
    addRow(result.breakdown, line, "Permutation enumeration", term);
    return 1;
  }
  return 0;
}

}  // namespace quorbel
