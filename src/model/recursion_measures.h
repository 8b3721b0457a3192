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
#include <utility>
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
// local (int c = centroid(v)) or the parameter reassigned (v = x), and is marked removed in a
// table the walk tests (gone[c] = true; if (!gone[u])). A walk from a vertex the activation
// picks and removes is a decomposition, not a traversal.
bool walksFromComputedVertex(const Function& function, const Node& loop);

// True when `argument` of a recursive call is a child held by the node `parameter` points to:
// root->left, t.kids[i], node->next[c], or the variable of a loop over node->children. Calls on
// distinct children of a tree enter each node once.
bool isChildOf(const Function& function, const Node& argument, const std::string& parameter);

// Per parameter: true when it is part of the key of the memo `table`, an index of some
// table[..] the function reads or writes. A parameter outside every key (a mask that follows
// from the keyed one) adds no states. All true when no parameter indexes the table directly
// (memo[key] with key a local built from them).
std::vector<bool> keyedParameters(const Function& function, const std::string& table);

// True when the function empties `container` itself (seen.clear(), seen = {}): what the
// activations push does not pile up, the container holds at most one activation's share.
bool clearedByEachCall(const Function& function, const std::string& container);

// The parameters (first, last) of a range the calls split at a point the activation computes:
// f(l, p - 1) and f(p + 1, r) with p a local of the body. {-1, -1} when there are none. The
// parts are disjoint, so there are at most as many activations as the range is long.
std::pair<int, int> splitRange(const Function& function, const std::vector<Node>& calls);

// True when a loop walks inward from both ends of the range (++i and --j under i <= j) and
// stops at what it finds (break, return): it costs the smaller of the two parts it splits.
bool scansFromBothEnds(const Function& function);

// The parameters every call raises by a constant (solve(.., piv + 1, ..), go(d + 1)): depth
// counters, never more than their first value plus the depth of the recursion.
std::vector<std::string> depthCounters(const Function& function, const std::vector<Node>& calls);

// Per parameter of a memoised function: true when its value is fixed by the others along every
// call, so it is no dimension of the states: go(row + 1, used | 1 << j) keeps row equal to
// the bits of used, rec(i + 1, j, k + 1) and rec(i, j + 1, k + 1) keep k = i + j. Of two
// parameters tied to each other only one is marked.
std::vector<bool> tiedParameters(const Function& function, const std::vector<Node>& calls);

}  // namespace quorbel
