// The measures a recursive function shrinks, read from its calls and the locals they pass:
//   vector<int> L(a.begin(), a.begin() + n / 2); solve(L);     a copied half of the container
//   string left = s.substr(0, s.size() / 2); f(left);           a half substring
//   while (p <= x / 10) p *= 10; f(p - 1);                      one decimal digit fewer
//   if (r <= b) return t[x]; if (l >= b) return 0;              a range pruned against a bound
//   v = centre; gone[v] = 1; for (u : g[v]) levels(u)           parts of a removed vertex
//   memo[row][used], go(row + 1, used | 1 << j)                 row = popcount(used): no key
// Each answers what the code guarantees; recursion.cpp turns the answers into a recurrence.
#pragma once

#include <string>
#include <vector>

#include "model/model.h"

namespace quorbel {

// True when `expression` is half of something: x / 2, x >> 1, or a local of `body` assigned one
// (int h = s.size() / 2).
bool isHalfExpression(const Node& body, const Node& expression);

// True when `argument` names a container the activation declares from a part of the container
// parameter `parameter` cut at a half: L(a.begin(), a.begin() + n / 2), s.substr(h) with
// h = s.size() / 2. A plain copy or a part cut elsewhere is not one.
bool isHalfSliceOf(const Function& function, const Node& argument, const std::string& parameter);

// True when `argument` is built on a local that only takes powers of a constant below the
// parameter's value: `while (p <= x / 10) p *= 10;` then f(p - 1), f(x % p), f(x - p). The
// values such a call reaches are one per power, so the depth is logarithmic in the value.
bool onPowerBelow(const Node& body, const Node& argument, const std::string& parameter);

// True when an early return compares an end of the range (a parameter some call hands a
// midpoint) with a parameter the calls pass unchanged (or a global the function never changes): if
// (r <= b) return ...; if (qr < l || r < ql) return 0;. A range pruned against one or two bounds
// keeps O(1) straddling nodes per level.
bool prunesAgainstBound(const Model& model, const Function& function,
                        const std::vector<Node>& calls);

// True when the vertex whose list `loop` walks is not the parameter as the call received it: a
// local (int c = centroid(v)) or the parameter reassigned (v = x). A walk from a vertex the
// activation computes is a decomposition, not a traversal.
bool walksFromComputedVertex(const Function& function, const Node& loop);

// True when the function empties `container` itself (seen.clear(), seen = {}): what the
// activations push does not pile up, the container holds at most one activation's share.
bool clearedByEachCall(const Function& function, const std::string& container);

// Per parameter of a memoised function: true when its value is fixed by the others along every
// call, so it is no dimension of the states: go(row + 1, used | 1 << j) keeps row equal to
// the bits of used, rec(i + 1, j, k + 1) and rec(i, j + 1, k + 1) keep k = i + j. Of two
// parameters tied to each other only one is marked.
std::vector<bool> tiedParameters(const Function& function, const std::vector<Node>& calls);

}  // namespace quorbel
