// What the model knows about one loop: its induction variable, how the variable steps, how many
// times the body runs (trip count) and the largest value the variable takes. A trip count may
// be amortised: a pointer that never moves back, a stack popped in a loop that pushes it, the
// edges of one vertex's adjacency list are charged total / (iterations of the enclosing loops),
// so that the enclosing loops multiply back to the total.
#pragma once

#include <string>
#include <vector>

#include "cost/cost.h"
#include "model/magnitude.h"
#include "model/model.h"

namespace quorbel {

enum class StepKind {
  kCounted,       // i++, i += c, i--: the distance between start and bound
  kBlocks,        // i += block: the distance divided by the step
  kGeometric,     // i *= 2, i /= 2, i <<= 1, Fenwick's i += i & -i
  kSquareRoot,    // i * i <= n
  kHarmonic,      // j += i inside a loop over i
  kSieve,         // j = i * i; j += i
  kSubmask,       // s = (s - 1) & mask
  kTwoPointer,    // a pointer declared outside the enclosing loop, never reset inside it
  kStackPops,     // while (!st.empty() && ...) st.pop(); in a loop that pushes st
  kBalancing,     // while (low.size() > high.size() + 1): entries moved between two containers
  kGrowth,        // while (a.size() <= x) a.push_back(..): grown once up to the bound
  kDoubling,      // k = v.size(); for (j < k) v.push_back(..): v doubles per enclosing pass
  kBinarySearch,  // while (lo <= hi) { mid = (lo + hi) / 2; ... }
  kQueue,         // while (!q.empty()): each vertex or cell once
  kAdjacency,     // for (int v : adj[u]): the edges, amortised over the vertices
  kContainer,     // for (auto& x : a): the container's entries
  kTestCases,     // while (t--): the test count
  kPermutations,  // do { } while (next_permutation(...))
  kConstant,      // a literal bound: 26 letters, 4 directions
  kUnknown,
};

// An enclosing loop, as the trip-count rules need it.
struct EnclosingLoop {
  Node node;
  std::string variable;
  Cost range;
  Cost trips;
  std::vector<LoopVariable> locals;  // int r = l + len - 1; declared in the body so far
};

struct LoopFacts {
  std::string variable;
  StepKind step = StepKind::kUnknown;
  Cost trips;
  Cost range;
  int line = 0;
  bool overRun = false;  // trips are all runs' over the whole program: charged once
};

// REQUIRES: isLoopNode(loop). `enclosing` lists the loops around it in the same function,
// outermost first; `locals` the function's scalars bound so far outside any loop.
LoopFacts loopFactsOf(const Model& model, const Node& loop,
                      const std::vector<EnclosingLoop>& enclosing,
                      const std::vector<LoopVariable>& locals = {});
// The loop variables of `frames` with their ranges, for magnitudeOf.
std::vector<LoopVariable> loopVariablesOf(const std::vector<EnclosingLoop>& frames);
// A plain-language name for the loop in signals: "for loop over i", "while loop".
std::string describeLoop(const LoopFacts& facts, const Node& loop);

// if (a.size() < b.size()) swap(a, b): in the function around `loop`, `name` is swapped with
// another container under a test of their sizes (small to large merging).
bool swappedForSmaller(const Node& loop, const std::string& name);

}  // namespace quorbel
