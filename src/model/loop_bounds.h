// The bound of a loop no trip-count rule derives, read from what the loop moves or reads:
//   while (a[r] - a[l] > k) l++;                 l indexes a: at most |a| steps, and l is kept
//                                                across the enclosing loop, so |a| over all of it
//   while (dq.front() < i - k) dq.pop_front();   pops dq: no more than dq received
//   for (v = x;; v = par[v])                     v walks par: at most |par| steps
//   while (i + z[i] < n && ...) z[i]++;          z[i] grows up to n; with a frontier r = i + z[i]
//                                                remembered across passes, n over all of them
//   while ((1 << k) < v) k++;                    k is an exponent: log v steps
//   while (c >= '0' && c <= '9') c = getchar();  the characters of one token
//   for (auto it = s.begin(); it != s.end(); )   the entries of s
#pragma once

#include <string>
#include <vector>

#include "model/loops.h"

namespace quorbel {

// How far the bound reaches: one run of the loop, all its runs over the passes of the
// enclosing loop, or all its runs over the whole program (a global stack it pops).
enum class BoundSpan { kRun, kEnclosingPasses, kProgram };

struct LoopBound {
  bool found = false;
  Cost bound;
  BoundSpan span = BoundSpan::kRun;
  std::string what;      // the size named: "|a|", "n", "one token's characters"
  std::string why;       // what the loop moves or reads: "the pointer l indexes a"
  bool assumed = false;  // nothing named a size: the program's first size was taken
};

// REQUIRES: isLoopNode(loop). The bound of `loop` by what it moves or reads; where nothing it
// moves names a size, the program's first size, marked assumed; not found only for a loop
// whose passes read the input.
LoopBound boundByWhatMoves(const Model& model, const Node& loop,
                           const std::vector<EnclosingLoop>& frames,
                           const std::vector<LoopVariable>& vars);

// True when the scalar `name` that `loop` moves is kept from one run of the loop to the next
// over the whole program: a global its function never starts over (nor any loop does), a walk
// from a state remembered between calls (int p = last; ... last = cur;), or a parameter every
// call hands the state the previous call returned (last = extend(last, c)). All runs together
// then move it across its range once.
bool keptOverRun(const Model& model, const Node& loop, const std::string& name);

// The sentence an estimate records for the bound: "the loop's count is not derived from its
// condition; bounded by |a| (the pointer l indexes a) over all passes of the enclosing loop".
std::string describeBound(const LoopBound& bound);

}  // namespace quorbel
