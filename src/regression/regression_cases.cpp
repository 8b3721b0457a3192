// The fixture table: one contest-style program per construct, with its true time and space
// complexity, derived by hand from the program.
#include <algorithm>

#include "regression/regression.h"

namespace quorbel {
namespace {

struct Row {
  const char* name;
  const char* time;
  const char* space;
};

// clang-format off
const Row kRows[] = {
    // basics and helper functions
    {"brute", "O(n^2)", "O(1)"},
    {"binary", "O(n)", "O(n)"},
    {"helper-binary-search", "O((n + q) * log n)", "O(n)"},
    {"helper-sort-inside-loop", "O(n^2 * log n)", "O(n)"},
    {"helper-chain-inside-loop", "O(n^2)", "O(n)"},
    {"helper-vector-substitution", "O(m * n)", "O(m)"},
    {"helper-chain-substitution", "O(m * n)", "O(1)"},
    {"helper-binary-search-symbol-substitution", "O((m + q) * log m)", "O(m)"},
    {"helper-expression-substitution", "O(k * n)", "O(1)"},
    {"twopointers", "O(n * log n)", "O(n)"},
    // graphs and DP
    {"bfs", "O(n + m)", "O(n + m)"},
    {"dfs-local-names", "O(cities + roads)", "O(cities + roads)"},
    {"graph-named-counts", "O(vertices + edges)", "O(vertices)"},
    {"heap-graph-named-counts", "O((vertices + edges) * log vertices)", "O(vertices + edges)"},
    {"dp", "O(W * n)", "O(W * n)"},
    {"dp-1d-fill", "O(n)", "O(n)"},
    {"dp-grid-2d", "O(m * n)", "O(m * n)"},
    {"dp-rolling-knapsack", "O(W * n)", "O(W)"},
    {"dp-interval", "O(n^3)", "O(n^2)"},
    {"dp-weird-name-1d", "O(n)", "O(n)"},
    {"dp-weird-name-2d", "O(m * n)", "O(m * n)"},
    // non-ASCII names
    {"unicode-vector", "O(個数)", "O(個数)"},
    {"unicode-loop", "O(長さ^2)", "O(1)"},
    {"unicode-dp", "O(段数)", "O(段数)"},
    // bounds and special loops
    {"multi-bounds", "O(k * m * n)", "O(1)"},
    {"sqrt", "O(sqrt n)", "O(sqrt n)"},
    {"sqrt-inner-sum", "O(n * sqrt n)", "O(n)"},
    {"cuberoot", "O(cuberoot n)", "O(1)"},
    {"root4", "O(root4 n)", "O(1)"},
    {"query-cuberoot", "O(q * cuberoot n)", "O(1)"},
    {"loglog", "O(log log n)", "O(1)"},
    {"query-loglog", "O(q * log log n)", "O(1)"},
    {"constant-loop", "O(1)", "O(1)"},
    {"descending-constant-loop", "O(1)", "O(1)"},
    {"nested-constant-bound", "O(n)", "O(1)"},
    {"while-decrement", "O(t)", "O(1)"},
    {"while-decrement-expression", "O(k)", "O(1)"},
    {"while-decrement-halving", "O(log k)", "O(1)"},
    {"harmonic", "O(n * log n)", "O(n)"},
    {"sieve", "O(n * log log n)", "O(n)"},
    {"harmonic-multi-bound", "O(m * log n + n)", "O(1)"},
    {"triangular", "O(n^2)", "O(n)"},
    {"summed-log", "O(n * log n)", "O(1)"},
    {"summed-loglog", "O(n * log log n)", "O(1)"},
    {"summed-sqrt", "O(n * sqrt n)", "O(1)"},
    {"summed-cuberoot", "O(n * cuberoot n)", "O(1)"},
    {"dependent-step-cancel", "O(n)", "O(1)"},
    {"query-harmonic", "O(n * q * log n)", "O(1)"},
    // recursion
    {"permutation-backtracking", "O(n!)", "O(n)"},
    {"ternary-recursion", "O(3^n)", "O(n)"},
    {"k-branch-recursion", "O(k^n)", "O(n)"},
    {"n-branch-recursion", "O(n^n)", "O(n)"},
    {"exponential-linear-work", "O(2^n * n)", "O(n)"},
    {"exponential-quadratic-work", "O(2^n * n^2)", "O(n^2)"},
    {"dsu-path-compression", "O(alpha(n))", "O(n)"},
    {"dsu-edge-unite", "O(edges * alpha(n) + n)", "O(n)"},
    // adversarial variants
    {"adversarial-bitmask-dp", "O(2^n * n^2)", "O(2^n * n)"},
    {"adversarial-submask", "O(3^n)", "O(2^n)"},
    {"adversarial-mitm", "O(2^(n/2) * n)", "O(2^(n/2))"},
    {"adversarial-matrix-exp", "O(k^3 * log n)", "O(1)"},
    {"adversarial-pow-root", "O(sqrt n)", "O(1)"},
    {"adversarial-pow-root57", "O(root5 n)", "O(1)"},
    {"adversarial-trial-division", "O(sqrt n)", "O(log n)"},
    {"adversarial-fenwick", "O(q * log n + n)", "O(n)"},
    {"adversarial-gcd", "O(log b)", "O(1)"},
    {"adversarial-kmp", "O(n)", "O(n)"},
    {"adversarial-monostack", "O(n)", "O(n)"},
    {"adversarial-bfs-custom-graph", "O(nodeCount + edgeCount)", "O(nodeCount + edgeCount)"},
    {"adversarial-dijkstra-custom-graph", "O((V + E) * log V)", "O(V + E)"},
    {"adversarial-permutation-usedx", "O(n!)", "O(n)"},
    {"adversarial-segment-tree-update", "O(n)", "O(n)"},
    {"adversarial-merge-sort", "O(n * log n)", "O(n)"},
    {"adversarial-ternary-divide", "O(n)", "O(log n)"},
    {"fib", "O(2^n)", "O(n)"},
    // space
    {"space-vector-input", "O(n)", "O(n)"},
    {"space-vector-allocation", "O(n)", "O(n)"},
    {"space-dp-2d", "O(m * n)", "O(m * n)"},
    {"space-graph-adjacency", "O(n + m)", "O(n + m)"},
    {"adjacency-build", "O(m + n)", "O(m)"},
    {"space-dijkstra", "O((n + m) * log n)", "O(n + m)"},
    {"space-nested-vector-dependent", "O(k * n)", "O(k * n)"},
    {"space-nested-vector-square", "O(n^3)", "O(n^2)"},
    {"space-inplace-vector-mutation", "O(n)", "O(n)"},
    {"space-recursion-stack", "O(n)", "O(n)"},
    {"space-fixed-array", "O(|s|)", "O(|s|)"},
    {"space-unknown-push", "O(input)", "O(input)"},
    {"space-random-vector-param", "O(n)", "O(n)"},
    {"space-random-vector-alloc", "O(m)", "O(m)"},
    {"space-random-vector-resize", "O(k)", "O(k)"},
    {"space-random-vector-assign", "O(q)", "O(q)"},
    {"space-random-dp-2d", "O(c * r)", "O(c * r)"},
    {"space-random-vla-2d", "O(m * n)", "O(m * n)"},
    {"space-random-heap-2d", "O(m * n)", "O(m * n)"},
    {"space-heap-loop-2d", "O(n^2)", "O(n^2)"},
    {"space-random-bitmask-vector", "O(2^n)", "O(2^n)"},
    {"space-random-pow2-vector", "O(2^k)", "O(2^k)"},
    {"space-random-fixed-array", "O(input)", "O(1)"},
    {"space-random-graph-param", "O(n + m)", "O(n + m)"},
    {"space-random-dijkstra", "O((nodes + links) * log nodes)", "O(nodes + links)"},
    {"space-random-linear-recursion", "O(n)", "O(n)"},
    {"space-random-halving-recursion", "O(log e)", "O(log e)"},
    {"space-random-push-loop", "O(n)", "O(n)"},
    {"space-random-string-param", "O(|s|)", "O(1)"},
    {"space-random-string-alloc", "O(n)", "O(n)"},
    {"space-random-unordered-set", "O(n)", "O(n)"},
    {"space-random-queue-growth", "O(n)", "O(n)"},
    {"space-random-map-growth", "O(n * log n)", "O(n)"},
    {"space-random-priority-queue-growth", "O(n * log n)", "O(n)"},
    {"space-random-constant-containers", "O(1)", "O(1)"},
};
// clang-format on

std::string fixturePath(std::string name) {
  std::replace(name.begin(), name.end(), '-', '_');
  return "tests/fixtures/" + name + ".cpp";
}

}  // namespace

std::vector<TestCase> regressionCases() {
  std::vector<TestCase> cases;
  for (const Row& row : kRows)
    cases.push_back({row.name, fixturePath(row.name), row.time, row.space});
  return cases;
}

}  // namespace quorbel
