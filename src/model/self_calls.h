// Whether a call that bears a function's own name calls that function:
//   T min(const vector<T>& v) { .. m = min(m, x); .. }      two arguments: another overload
//   void pop() { .. back.pop(); .. }                          a library stack's own pop
//   int find(int x) { return p[x] == x ? x : p[x] = find(p[x]); }   the function itself
// A recursion read from a call that reaches another function is no recursion at all.
#pragma once

#include "model/model.h"

namespace quorbel {

// REQUIRES: `call` is a call expression whose callee is spelled with `function`'s name.
// False when the call passes fewer arguments than `function` needs or more than it takes
// (variadic functions take any number), or when it is made through an object the program
// declares as a library container (or a member-less value) rather than of the type that owns
// `function`.
bool callsFunctionItself(const Model& model, const Function& function, const Node& call);

// True when `call` passes the function's own parameters back in another order and nothing
// else: if (depth[u] < depth[v]) return lca(v, u);. Such a call recurs once, into an
// activation whose order test it has settled, so it adds no depth.
bool onlyReordersParameters(const Function& function, const Node& call);

}  // namespace quorbel
