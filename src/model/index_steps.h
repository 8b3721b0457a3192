// Indices that move by halving or doubling, wherever the step is written: a sift up or down a
// binary heap laid out in an array, a climb to the root of an implicit tree.
//   while (i > 1 && h[i / 2] > h[i]) { swap(..); i /= 2; }          the plain form
//   for (p = i >> 1; i > 1 && ..; i = p, p = i >> 1)                 through a copy
//   while ((c = 2 * i) <= sz) { ..; i = c; }                         a child kept aside
//   while (i > 0 && ..) i = parentOf(i);  int c = smallerChild(i); i = c;   through helpers
// and the sizes a loop drains through a helper: while (heapSize()) pop();
#pragma once

#include <string>

#include "cost/cost.h"
#include "model/model.h"

namespace quorbel {

// True when `value` is `variable` halved or doubled, give or take a constant: i / 2, i >> 1,
// (i - 1) / 2, 2 * i + 1, i << 1 | 1, a local of `scope` holding one of these, a conditional
// choosing between them, or a call of a program function whose returns are such values of the
// parameter it is handed `variable` in.
bool scalesIndex(const Model& model, const Node& value, const std::string& variable,
                 const Node& scope);

// The variable the condition of `loop` tests that every assignment inside the loop (header
// included) halves or doubles: the index of a sift loop; empty when there is none.
std::string scaledIndexOf(const Model& model, const Node& loop);

// log of the size of the array `loop` indexes with `variable` (the heap it sifts); log of the
// program's first size when it indexes none.
Cost scaledIndexTrips(const Model& model, const Node& loop, const std::string& variable);

// while (head[a] != head[b]) { ..; a = par[head[a]]; }: the variable the condition tests that
// the body moves to the parent of its chain's head (a composed lookup T1[T2[x]]), and T1;
// empty when there is none. Heavy-light chains are left O(log n) times along any path.
struct ChainClimb {
  std::string variable;
  std::string parents;
};
ChainClimb chainClimbOf(const Node& loop);

// The container whose size a program function returns, when `condition` calls it: d of
// `int hsize() { return (int)d.size() - 1; }` in while (hsize()); empty otherwise.
std::string containerSizedByHelper(const Model& model, const Node& condition);

}  // namespace quorbel
