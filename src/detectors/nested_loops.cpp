// Charges every loop with the loops around it:
//   while (!q.empty()) { ... q.pop(); for (int v : adj[u]) ... }   the whole traversal, once
//   for (...) while (!st.empty() && ...) st.pop_back();            amortised: nothing of its own
//   for (i...) for (j = i; j <= n; j += i)                          the true sum (dependent_loops)
//   for (i...) for (j...)                                           the plain product
#include "detectors/nested_loops.h"

#include "analysis/notation.h"
#include "detectors/dependent_loops.h"
#include "detectors/loop_classification.h"
#include "syntax/bound_symbols.h"
#include "syntax/regex.h"

namespace quorbel {
namespace {

bool isHeapDrain(std::string_view text) {
  return containsRegex(text, "\\.\\s*empty\\s*\\(\\)") &&
         containsRegex(text, "\\.\\s*pop\\s*\\(") && containsRegex(text, "\\.\\s*top\\s*\\(");
}

// An adjacency loop inside a queue-driven loop visits every edge once over the whole
// traversal, so it is charged the traversal instead of a product. False when no enclosing loop
// drains a queue.
bool graphTraversalCost(const SyntaxNodeInfo& node, const Context& context, Term& term) {
  const std::vector<const LoopFrame*> loops = enclosingLoops(node);
  bool drainsQueue = false;
  bool drainsHeap = false;
  for (const LoopFrame* loop : loops) {
    drainsQueue = drainsQueue || isQueueTraversalText(loop->text);
    drainsHeap = drainsHeap || isHeapDrain(loop->text);
  }
  if (!drainsQueue) return false;
  term = drainsHeap ? heapGraphTraversalTerm(context.graph)
                    : graphTraversalTerm(context.graph, "Graph traversal", 70);
  return true;
}

}  // namespace

int analyzeLoops(const std::vector<SyntaxNodeInfo>& nodes, const Context& context,
                 const std::set<uint32_t>& skipLoopStarts, Analysis& result,
                 DetectionResult& detection) {
  int visited = 0;
  for (const SyntaxNodeInfo& node : nodes) {
    if (!isLoopNodeType(node.type) || skipLoopStarts.count(node.startByte) > 0) continue;
    const LoopInfo info = classifyLoop(node);
    std::string signal = info.signal;
    const bool nested = node.loopDepth > 0;
    Term term;
    if (!(nested && signal == "Adjacency-list edge loop" &&
          graphTraversalCost(node, context, term))) {
      if (info.amortized && nested) {
        term = productForAncestors(node);
      } else if (ReducedNestedLoop reduced = reduceDependentNestedLoop(node, info);
                 reduced.reduced) {
        term = reduced.term;
        signal = reduced.signal;
      } else {
        term = multiplyTerms(productForAncestors(node), info.term);
      }
    }
    detection.terms.push_back(term);
    const int line = static_cast<int>(node.startLine);
    addSignal(result.signals, line, signal, term);
    addRow(result.breakdown, line, signal, term);
    if (!info.note.empty()) result.notes.push_back(info.note);
    ++visited;
  }
  return visited;
}

}  // namespace quorbel
