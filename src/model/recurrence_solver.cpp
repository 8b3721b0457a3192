// Solves the recurrence every recursion reader describes, in one place: the shape says how the
// measure shrinks and how many calls recurse, the work is one activation's own cost.
//   shrinks by one, one call        depth * work
//   shrinks by one, k calls         k^depth * work
//   halves, a calls (master)        T(n) = a T(n / 2) + f(n)
//   pruned against bounds           O(1) nodes per level: log n * work
//   largest part halved             log n levels, each entering every vertex once
//   split at a computed point       n activations; log n scans per point from the smaller side
//   memoised                        states * work
#include <algorithm>

#include "model/recursion.h"

namespace quorbel {
namespace {

// The highest power, in 1/420, at which `work` grows in one of `names` (a parameter p also as
// its size |p|): -1 when it names none of them, 0 when only under a logarithm.
int powerIn(const Cost& work, const std::vector<std::string>& names) {
  int power = -1;
  for (const Monomial& term : work.terms)
    for (const auto& [size, growth] : term.sizes)
      for (const std::string& name : names)
        if (!name.empty() && (size == name || size == "|" + name + "|"))
          power = std::max(power, growth.power > 0 ? growth.power : 0);
  return power;
}

// T(n) = a T(n / 2) + f(n), for a of 1 or 2 (two halves; more calls on halves are rare enough
// to be read as two). f is measured in the recursion's own parameters.
Cost solveHalving(const RecursionFacts& facts, const Cost& work) {
  const int power = powerIn(work, facts.parameters);
  if (facts.calls <= 1) {
    // One call on half: work in the measure sums geometrically to the first call's; work that
    // does not shrink with it is paid at each of the log n levels.
    return power > 0 ? work : multiplyCosts(work, logCost(facts.size));
  }
  if (power < 0) {
    // work that does not depend on the range (one list of a nested container, a global scan)
    // is paid by each of the n activations
    return isConstantCost(work) ? facts.size : multiplyCosts(work, facts.size);
  }
  if (power < kWholePower) return facts.size;                                 // the leaves dominate
  if (power == kWholePower) return multiplyCosts(work, logCost(facts.size));  // each level
  return work;                                                                // the root dominates
}

}  // namespace

Cost recursionCost(const RecursionFacts& facts, const Cost& work) {
  switch (facts.shape) {
    case RecursionShape::kNone:
      return work;
    case RecursionShape::kMemoised:
      return multiplyCosts(facts.states, work);
    case RecursionShape::kTraversal: {
      // work in a depth counter (a search over the first piv entries of a stack kept along the
      // path) grows to the depth: the counter's start plus the vertices
      Cost grown = work;
      for (const std::string& counter : facts.counters)
        grown = substituteSize(grown, counter, addCosts(sizeCost(counter), facts.size));
      return multiplyCosts(facts.size, grown);
    }
    case RecursionShape::kDecomposition:
      // Every level enters each vertex once: work linear in the graph is paid once per level;
      // smaller work per activation is the traversal's.
      if (powerIn(work, sizesOf(facts.size)) >= kWholePower)
        return multiplyCosts(work, logCost(facts.size));
      return multiplyCosts(facts.size, work);
    case RecursionShape::kPartition:
      // At most one activation per point of the range. A split found from the nearer end costs
      // the smaller part: each point is scanned from the smaller side log n times.
      if (facts.smallerSide && powerIn(work, facts.parameters) > 0)
        return addCosts(multiplyCosts(work, logCost(facts.size)), facts.size);
      return multiplyCosts(facts.size, work);
    case RecursionShape::kPermutations:
      return multiplyCosts(factorialCost(facts.size), work);
    case RecursionShape::kRangeQuery:
      return multiplyCosts(logCost(facts.size), work);
    case RecursionShape::kHalving:
      // a node merging its children's entries moves the whole range at each of log n levels;
      // the frame's work on those entries is that move, whatever the table's rows are priced
      if (!facts.mergedTable.empty()) return multiplyCosts(facts.size, logCost(facts.size));
      return solveHalving(facts, work);
    case RecursionShape::kLinear:
      return multiplyCosts(facts.size, work);
    case RecursionShape::kBranching:
      if (!isConstantCost(facts.branching))
        return multiplyCosts(sizedExponentialCost(facts.branching, facts.size), work);
      return multiplyCosts(exponentialCost(facts.size, std::min(facts.calls, 4)), work);
    case RecursionShape::kUnionFind:
      return multiplyCosts(
          facts.unionBySize && facts.compresses ? alphaCost(facts.size) : logCost(facts.size),
          work);
  }
  return work;
}

Cost recursionDepth(const RecursionFacts& facts) {
  switch (facts.shape) {
    case RecursionShape::kNone:
      return constantCost();
    case RecursionShape::kHalving:
    case RecursionShape::kRangeQuery:
    case RecursionShape::kDecomposition:
      return logCost(facts.size);
    case RecursionShape::kUnionFind:
      return facts.unionBySize ? logCost(facts.size) : facts.size;
    case RecursionShape::kMemoised: {
      // The deepest chain moves one parameter at a time through the table's extents; one that
      // only takes log n values (f(a / 2), f(a / 3)) divides its way down in log n calls.
      Cost depth;
      const Cost states = simplifyCost(facts.states);
      for (const std::string& size : sizesOf(states)) {
        bool logarithmic = true;
        for (const Monomial& term : states.terms) {
          auto found = term.sizes.find(size);
          if (found != term.sizes.end() &&
              (found->second.power > 0 || found->second.expBase != 1 || found->second.factorial ||
               found->second.sizedExponential))
            logarithmic = false;
        }
        depth = addCosts(depth, logarithmic ? logCost(sizeCost(size)) : sizeCost(size));
      }
      return depth;
    }
    default:
      return facts.size;
  }
}

std::string describeRecursion(const RecursionFacts& facts) {
  switch (facts.shape) {
    case RecursionShape::kMemoised:
      return "Memoised recursion (states x work per state)";
    case RecursionShape::kTraversal:
      return "Graph traversal (vertices + edges)";
    case RecursionShape::kDecomposition:
      return "Decomposition around removed vertices (log n levels)";
    case RecursionShape::kPartition:
      return "Divide and conquer at a computed split (disjoint parts)";
    case RecursionShape::kPermutations:
      return "Backtracking over permutations";
    case RecursionShape::kRangeQuery:
      return "Segment-tree style range recursion";
    case RecursionShape::kHalving:
      return "Divide-and-conquer recursion";
    case RecursionShape::kLinear:
      return "Linear recursion";
    case RecursionShape::kBranching:
      return "Branching recursion";
    case RecursionShape::kUnionFind:
      return "Union-find with path compression";
    default:
      return "Recursion";
  }
}

}  // namespace quorbel
