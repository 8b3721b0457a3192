// The shape of a recursive function, read from its recursive calls:
//   f(n - 1) once                 linear: depth times the work per call
//   f(n - 1) + f(n - 2)           branching: 2^n
//   f(l, mid), f(mid + 1, r)      halving: n to build, n log n with a linear merge
//   ... with a range test         a segment-tree query: log n
//   f(i + 1) in a loop + used[]   permutations: n!
//   if (dp[i][j] != -1) return    memoised: states times the work per state
//   for (v : adj[u]) f(v)         traversal: vertices + edges
//   v = centre; for (u : g[v]) f(u)   decomposition: log n levels of the parts left
//   f(l, p - 1), f(p + 1, r)      partition at a computed point: n activations at most
//   p[x] = find(p[x])             union-find with path compression
#pragma once

#include <string>
#include <vector>

#include "cost/cost.h"
#include "model/model.h"

namespace quorbel {

enum class RecursionShape {
  kNone,
  kMemoised,
  kTraversal,
  kPermutations,
  kHalving,
  kRangeQuery,
  kLinear,
  kBranching,
  kUnionFind,
  kDecomposition,
  kPartition,
};

struct RecursionFacts {
  RecursionShape shape = RecursionShape::kNone;
  int calls = 0;             // recursive calls per activation (exclusive branches count once)
  Cost size;                 // what the recursion shrinks: its depth, or the range it halves
  Cost states;               // memoised: the number of distinct states
  Cost branching;            // calls in a loop without a used mark: the loop's trip count
  bool unionBySize = false;  // union-find: roots joined by size or rank
  bool compresses = false;   // union-find: a find stores the root it returns (path compression)
  bool smallerSide = false;  // partition: the split is found scanning from both ends
  // memoised or traversal: the memo or visit-mark table whose entries are computed once
  std::string table;
  // What the reading assumed instead of deriving it, and how strongly ("medium", "low"); empty
  // when the shape was read from the code.
  std::string assumed;
  std::string assumedLevel;
  std::vector<std::string> parameters;  // the function's own: work in them scales with the range
  // traversal: parameters every call raises by a constant, bounded by their start plus the depth
  std::vector<std::string> counters;
  // halving: the table whose entries keep their children's entries merged (merge sort tree)
  std::string mergedTable;
};

RecursionFacts recursionFactsOf(const Model& model, const Function& function);
// The total cost of a recursive function from its shape and the work of one activation
// (the body with its recursive calls counted as O(1)).
Cost recursionCost(const RecursionFacts& facts, const Cost& work);
std::string describeRecursion(const RecursionFacts& facts);
// How deep the recursion goes: what its stack holds at most.
Cost recursionDepth(const RecursionFacts& facts);

}  // namespace quorbel
