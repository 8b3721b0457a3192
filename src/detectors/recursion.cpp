// Functions that call themselves, classified by the first shape that fits:
//   void dfs(int u) { for (int v : adj[u]) dfs(v); }            graph DFS, O(V + E)
//   int find(int x) { ... parent[x] = find(parent[x]); }        union-find, O(alpha(n))
//   gen(depth + 1) inside a loop, with used[] or swap(...)      permutations, O(n!)
//   fib(n - 1) + fib(n - 2)                                     branching, O(2^n)
//   msort(l, mid); msort(mid, r); merge(...); mid = (l + r) / 2 divide and conquer, O(n log n)
//   one call on mid = (lo + hi) / 2, or two under an else       halving, O(log n)
//   n * fact(n - 1)                                             linear, O(n)
// Mutual recursion without a self-call is not a row here.
#include "detectors/recursion.h"

#include "analysis/notation.h"
#include "detectors/recursion_shapes.h"
#include "syntax/bound_symbols.h"
#include "syntax/regex.h"

namespace quorbel {
namespace {

const char kBalancedSplitNote[] =
    "Divide-and-conquer recursion assumes balanced splits; adversarial splits can be worse.";

struct RecursionFinding {
  Term term;
  std::string signal;
  bool balancedSplitNote = false;
};

// The definition at `index` with its nodes and self-calls; false when it has no name or
// never calls itself.
bool readRecursiveFunction(const std::vector<SyntaxNodeInfo>& nodes, size_t index,
                           RecursiveFunction& function) {
  const SyntaxNodeInfo& definition = nodes[index];
  function.name = functionNameFromDefinition(definition.text);
  if (function.name.empty()) return false;
  function.definition = &definition;

  // Pre-order: the nodes inside the definition directly follow it.
  size_t end = index + 1;
  while (end < nodes.size() && nodes[end].startByte <= definition.endByte &&
         nodes[end].endByte <= definition.endByte) {
    ++end;
  }
  function.body = std::span<const SyntaxNodeInfo>(nodes.data() + index + 1, end - index - 1);
  for (const SyntaxNodeInfo& node : function.body) {
    if (node.type == "call_expression" && callName(node) == function.name) {
      function.calls.push_back(&node);
    }
  }
  if (function.calls.empty()) return false;
  function.parameters = parameterNamesFromDefinition(definition.text, function.name);
  return true;
}

RecursionFinding classifyRecursion(std::string_view code, const Context& context,
                                   const RecursiveFunction& function) {
  const std::string_view text = function.definition->text;
  std::string callsText;
  for (const SyntaxNodeInfo* call : function.calls) {
    callsText.append(call->text);
    callsText += "\n";
  }
  const bool halving =
      containsRegex(callsText, "(/\\s*2|>>\\s*1|\\.substr\\s*\\(|\\.begin\\s*\\(\\)\\s*\\+)") ||
      containsRegex(text, "=\\s*[^;]*(/\\s*[23]|>>\\s*1)");
  const bool dfs = containsRegex(function.name, "(dfs|DFS)") && mentionsAdjacencyAccess(code);
  const bool loopOrMerge = containsRegex(text, "\\b(for|while)\\b|merge\\s*\\(");
  const bool hasElse = containsRegex(text, "\\belse\\b");
  const size_t callCount = function.calls.size();

  if (dfs) {
    const Term term = graphTraversalTerm(context.graph, "DFS graph traversal", 70);
    return {term, "DFS graph traversal"};
  }
  if (dsuPathCompressionShape(text, function.name, function.parameters)) {
    return {customTerm("O(alpha(n))", "DSU path compression", 18), "DSU path compression"};
  }
  if (isPermutationBacktracking(function)) {
    return {customTerm("O(n!)", "Permutation backtracking", 300), "Permutation backtracking"};
  }
  if (!halving) {
    const Term branching = branchingRecursionTerm(function);
    if (!isConstant(branching)) return {branching, branching.reason};
  }
  if (halving && loopOrMerge && callCount >= 2) {
    return {linearithmicTerm("divide and conquer recursion", "n"),
            "Divide-and-conquer recursion with combine work", true};
  }
  if (halving && (callCount == 1 || hasElse)) {
    return {logTerm("halving recursion", "n"), "Halving recursion"};
  }
  if (!(halving && callCount >= 2)) {
    return {linearTerm("single recursive call", "n"), "Linear recursion"};
  }
  return {linearTerm("balanced divide and conquer recursion", "n"),
          "Balanced divide-and-conquer recursion", true};
}

}  // namespace

uint32_t analyzeRecursion(std::string_view code, const Context& context,
                          const std::vector<SyntaxNodeInfo>& nodes, Analysis& result,
                          DetectionResult& detection) {
  uint32_t count = 0;
  for (size_t index = 0; index < nodes.size(); ++index) {
    if (nodes[index].type != "function_definition") continue;
    RecursiveFunction function;
    if (!readRecursiveFunction(nodes, index, function)) continue;

    const RecursionFinding finding = classifyRecursion(code, context, function);
    const int line = static_cast<int>(function.calls.front()->startLine);
    detection.terms.push_back(finding.term);
    addSignal(result.signals, line, finding.signal, finding.term);
    addRow(result.breakdown, line, finding.signal, finding.term);
    if (finding.balancedSplitNote) result.notes.push_back(kBalancedSplitNote);
    ++count;
  }
  return count;
}

}  // namespace quorbel
