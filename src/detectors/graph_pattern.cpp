// Recognises a whole-graph traversal:
//   vector<vector<int>> adj(n);              (or any indexed adj[...])
//   queue<int> q; ... while (!q.empty()) { ...; for (int v : adj[u]) ... }
//   priority_queue<pair<int,int>> pq; ...    (Dijkstra: the heap adds a log V factor)
//   void dfs(int u) { for (int v : adj[u]) ... }
#include "detectors/graph_pattern.h"

#include "analysis/notation.h"
#include "analysis/term.h"
#include "syntax/bound_symbols.h"
#include "syntax/regex.h"

namespace quorbel {

uint32_t analyzeGraphPattern(std::string_view code, const Context& context,
                             const std::vector<SyntaxNodeInfo>& nodes, Analysis& result,
                             DetectionResult& detection) {
  const bool adjacency =
      containsRegex(code, "vector\\s*<\\s*vector\\s*<") || mentionsAdjacencyAccess(code);
  const bool traversal = containsRegex(code, "\\b(priority_queue|queue|stack)\\s*<") ||
                         containsRegex(code, "\\bdfs\\s*\\(") ||
                         containsRegex(code, "\\bbfs\\s*\\(");
  if (!adjacency || !traversal) return 0;
  const SyntaxNodeInfo* edgeLoop = nullptr;
  for (const SyntaxNodeInfo& node : nodes) {
    if (isLoopNodeType(node.type) && mentionsAdjacencyAccess(node.text)) {
      edgeLoop = &node;
      break;
    }
  }
  if (edgeLoop == nullptr) return 0;

  const Term term = containsRegex(code, "\\bpriority_queue\\s*<")
                        ? heapGraphTraversalTerm(context.graph)
                        : graphTraversalTerm(context.graph, "Graph traversal", 70);
  const int line = static_cast<int>(edgeLoop->startLine);
  detection.terms.push_back(term);
  addSignal(result.signals, line, "Adjacency-list traversal", term);
  // The row names the kind of traversal; the signal list names what was seen.
  addRow(result.breakdown, line, term.reason, term);
  return 1;
}

}  // namespace quorbel
