// The fixture table: one contest-style program per construct, with the time and space
// notation the detectors' rules give for it.
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
    {"helper-binary-search", "O(q * log hi + n * log n)", "O(n)"},
    {"helper-sort-inside-loop", "O(n^2 * log n)", "O(n)"},
    {"helper-chain-inside-loop", "O(n^2)", "O(n)"},
    {"helper-vector-substitution", "O(m * n)", "O(m)"},
    {"helper-chain-substitution", "O(m * n)", "O(1)"},
    {"helper-binary-search-symbol-substitution", "O(q * log n + n * log n)", "O(m)"},
    {"helper-expression-substitution", "O(k * n)", "O(1)"},
    {"twopointers", "O(n * log n)", "O(n)"},
    // graphs and DP
    {"bfs", "O(u + e)", "O(n + m + u)"},
    {"dfs-local-names", "O(node + next)", "O(cities + n + roads)"},
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
    {"sqrt", "O(sqrt n)", "O(n)"},
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
    {"harmonic-multi-bound", "O(m * log n)", "O(1)"},
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
    {"exponential-quadratic-work", "O(2^n * n^2)", "O(n)"},
    {"dsu-path-compression", "O(alpha(n))", "O(n)"},
    {"dsu-edge-unite", "O(m * alpha(n))", "O(n)"},
    // adversarial variants
    {"adversarial-bitmask-dp", "O(2^n * n)", "O(2^n)"},
    {"adversarial-submask", "O(3^n)", "O(2^n)"},
    {"adversarial-mitm", "O(2^(n/2) * n + 2^rest * rest)", "O(2^half)"},
    {"adversarial-matrix-exp", "O(k^3)", "O(1)"},
    {"adversarial-pow-root", "O(sqrt n)", "O(1)"},
    {"adversarial-pow-root57", "O(root5 n + root7 n)", "O(1)"},
    {"adversarial-trial-division", "O(while * sqrt n)", "O(d * n)"},
    {"adversarial-fenwick", "O(q * log n + q * log x)", "O(n)"},
    {"adversarial-gcd", "O(log min(a, b))", "O(1)"},
    {"adversarial-kmp", "O(n)", "O(n)"},
    {"adversarial-monostack", "O(n)", "O(n)"},
    {"adversarial-bfs-custom-graph", "O(level * nxt)", "O(nodeCount + edgeCount)"},
    {"adversarial-dijkstra-custom-graph", "O((V + E) * log V)", "O(V + E)"},
    {"adversarial-permutation-usedx", "O(n!)", "O(n)"},
    {"adversarial-segment-tree-update", "O(log n)", "O(n)"},
    {"adversarial-merge-sort", "O(n * log n)", "O(n)"},
    {"adversarial-ternary-divide", "O(3^n)", "O(n)"},
    {"fib", "O(2^n)", "O(n)"},
    // space
    {"space-vector-input", "?", "?"},
    {"space-vector-allocation", "?", "?"},
    {"space-dp-2d", "?", "?"},
    {"space-graph-adjacency", "?", "?"},
    {"adjacency-build", "?", "?"},
    {"space-dijkstra", "?", "?"},
    {"space-nested-vector-dependent", "?", "?"},
    {"space-nested-vector-square", "?", "?"},
    {"space-inplace-vector-mutation", "?", "?"},
    {"space-recursion-stack", "?", "?"},
    {"space-fixed-array", "?", "?"},
    {"space-unknown-push", "?", "?"},
    {"space-random-vector-param", "?", "?"},
    {"space-random-vector-alloc", "?", "?"},
    {"space-random-vector-resize", "?", "?"},
    {"space-random-vector-assign", "?", "?"},
    {"space-random-dp-2d", "?", "?"},
    {"space-random-vla-2d", "?", "?"},
    {"space-random-heap-2d", "?", "?"},
    {"space-heap-loop-2d", "?", "?"},
    {"space-random-bitmask-vector", "?", "?"},
    {"space-random-pow2-vector", "?", "?"},
    {"space-random-fixed-array", "?", "?"},
    {"space-random-graph-param", "?", "?"},
    {"space-random-dijkstra", "?", "?"},
    {"space-random-linear-recursion", "?", "?"},
    {"space-random-halving-recursion", "?", "?"},
    {"space-random-push-loop", "?", "?"},
    {"space-random-string-param", "?", "?"},
    {"space-random-string-alloc", "?", "?"},
    {"space-random-unordered-set", "?", "?"},
    {"space-random-queue-growth", "?", "?"},
    {"space-random-map-growth", "?", "?"},
    {"space-random-priority-queue-growth", "?", "?"},
    {"space-random-constant-containers", "?", "?"},
};
// clang-format on

std::string fixturePath(std::string name) {
  std::replace(name.begin(), name.end(), '-', '_');
  return "tests/fixtures/" + name + ".cpp";
}

}  // namespace

std::vector<TestCase> regressionCases() {
  std::vector<TestCase> cases;
  for (const Row& row : kRows) cases.push_back({row.name, fixturePath(row.name), row.time, row.space});
  return cases;
}

}  // namespace quorbel
