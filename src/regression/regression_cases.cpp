// The fixture table: one contest-style program per construct. Each fixture carries its true
// time and space complexity, derived by hand from the program, and the signals that matter, in
// a header of "// expect time: ...", "// expect space: ...", "// expect signal: ..." and
// "// expect note: ..." lines.
#include <algorithm>
#include <fstream>
#include <sstream>

#include "regression/regression.h"

namespace quorbel {
namespace {

// clang-format off
const char* const kNames[] = {
    // basics and helper functions
    "brute",
    "binary",
    "helper-binary-search",
    "helper-sort-inside-loop",
    "helper-chain-inside-loop",
    "helper-vector-substitution",
    "helper-chain-substitution",
    "helper-binary-search-symbol-substitution",
    "helper-expression-substitution",
    "twopointers",
    // graphs and DP
    "bfs",
    "dfs-local-names",
    "graph-named-counts",
    "heap-graph-named-counts",
    "dp",
    "dp-1d-fill",
    "dp-grid-2d",
    "dp-rolling-knapsack",
    "dp-interval",
    "dp-weird-name-1d",
    "dp-weird-name-2d",
    // non-ASCII names
    "unicode-vector",
    "unicode-loop",
    "unicode-dp",
    // bounds and special loops
    "multi-bounds",
    "sqrt",
    "sqrt-inner-sum",
    "cuberoot",
    "root4",
    "query-cuberoot",
    "loglog",
    "query-loglog",
    "constant-loop",
    "descending-constant-loop",
    "nested-constant-bound",
    "bisection-constant-steps",
    "while-decrement",
    "while-decrement-expression",
    "while-decrement-halving",
    "test-cases-no-comment",
    "test-cases-sum-comment",
    "test-cases-per-test-comment",
    "test-cases-zero-line",
    "harmonic",
    "sieve",
    "harmonic-multi-bound",
    "triangular",
    "summed-log",
    "summed-loglog",
    "summed-sqrt",
    "sqrt-blocks-range-sum",
    "summed-cuberoot",
    "dependent-step-cancel",
    "query-harmonic",
    // recursion
    "permutation-backtracking",
    "ternary-recursion",
    "k-branch-recursion",
    "n-branch-recursion",
    "halving-rebuilt-vector",
    "exponential-linear-work",
    "exponential-quadratic-work",
    "dsu-path-compression",
    "dsu-edge-unite",
    // adversarial variants
    "adversarial-bitmask-dp",
    "adversarial-submask",
    "adversarial-mitm",
    "adversarial-matrix-exp",
    "adversarial-pow-root",
    "adversarial-pow-root57",
    "adversarial-trial-division",
    "adversarial-fenwick",
    "adversarial-gcd",
    "adversarial-kmp",
    "adversarial-monostack",
    "adversarial-bfs-custom-graph",
    "adversarial-dijkstra-custom-graph",
    "adversarial-permutation-usedx",
    "adversarial-segment-tree-update",
    "adversarial-merge-sort",
    "adversarial-ternary-divide",
    "fib",
    // space
    "space-vector-input",
    "space-vector-allocation",
    "space-dp-2d",
    "space-graph-adjacency",
    "adjacency-build",
    "space-dijkstra",
    "space-nested-vector-dependent",
    "space-nested-vector-square",
    "space-inplace-vector-mutation",
    "space-recursion-stack",
    "space-fixed-array",
    "space-unknown-push",
    "space-random-vector-param",
    "space-random-vector-alloc",
    "space-random-vector-resize",
    "space-random-vector-assign",
    "space-random-dp-2d",
    "space-random-vla-2d",
    "space-random-heap-2d",
    "space-heap-loop-2d",
    "space-random-bitmask-vector",
    "space-random-pow2-vector",
    "space-random-fixed-array",
    "space-random-graph-param",
    "space-random-dijkstra",
    "space-random-linear-recursion",
    "space-random-halving-recursion",
    "space-random-push-loop",
    "space-random-string-param",
    "space-random-string-alloc",
    "space-random-unordered-set",
    "space-random-queue-growth",
    "space-random-map-growth",
    "space-random-priority-queue-growth",
    "space-random-constant-containers",
    // library structures
    "library-atcoder-bare-names",
    "library-atcoder-own-structure",
    "library-atcoder-graphs",
    "library-atcoder-strings",
    "policy-tree-rank-queries",
    // reading: declarations, values and objects as the code writes them
    "constructor-argument-from-call",
    "constructor-argument-from-auto",
    "member-beside-same-named-scalar",
    "same-named-containers",
    "reassigned-size",
    "reassigned-in-branches-and-loops",
    "guarded-square-root",
    "value-facts-divisor-counts",
    "literal-bound-subset-sums",
    "leetcode-local-size-names",
    "rows-of-sets-and-chosen-macros",
    // meet in the middle: lists doubled per item, halves under the exponent
    "halves-closest-subset-sum",
    "doubling-xor-subsets",
    // plain arrays kept by counters: a heap drained by its counter, rows with their lengths
    "counter-heap-rows",
    // memo tables over small constants
    "memo-divided-value",
    "subset-memo-small-constant",
};
// clang-format on

std::string fixturePath(std::string name) {
  std::replace(name.begin(), name.end(), '-', '_');
  return "tests/fixtures/" + name + ".cpp";
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

}  // namespace

void readExpectations(std::string_view code, TestCase& test) {
  size_t start = 0;
  while (start < code.size()) {
    size_t end = code.find('\n', start);
    if (end == std::string_view::npos) end = code.size();
    std::string_view line = code.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    constexpr std::string_view kPrefix = "// expect ";
    if (line.substr(0, kPrefix.size()) != kPrefix)
      break;  // the header ends at the first other line
    line.remove_prefix(kPrefix.size());
    const size_t colon = line.find(": ");
    if (colon == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, colon);
    const std::string value(line.substr(colon + 2));
    if (key == "time") test.expectedTime = value;
    if (key == "space") test.expectedSpace = value;
    if (key == "signal") test.expectedSignals.push_back(value);
    if (key == "note") test.expectedNotes.push_back(value);
  }
}

std::vector<TestCase> regressionCases() {
  std::vector<TestCase> cases;
  for (const char* name : kNames) {
    TestCase test{name, fixturePath(name), "", "", {}, {}};
    readExpectations(readFile(test.path), test);
    cases.push_back(test);
  }
  return cases;
}

}  // namespace quorbel
