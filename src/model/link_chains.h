// Chains of links compressed as they are followed: union-find's find in the spellings real
// code uses beside p[x] = find(p[x]):
//   return cells[v].up = leader(cells[v].up);        a link kept as a member of an entry
//   if (s->boss != s) s->boss = top(s->boss);         a link kept in the object a pointer names
//   while (x != p[x]) { p[x] = p[p[x]]; x = p[x]; }   halving the path while climbing it
//   while (x != r) { int nx = p[x]; p[x] = r; x = nx; }   pointing every entry climbed at the root
// With the path compressed, m finds over n entries cost O(m log n) in all, whatever the unions.
#pragma once

#include <string>
#include <vector>

#include "model/loops.h"

namespace quorbel {

// The link a recursive function follows and writes back with what the call returned
// (cells[v].up of cells[v].up = leader(cells[v].up)); every call passes that same link. Null
// otherwise: a tree descent passes different children (t->left, t->right).
Node compressedLink(const Function& function, const std::vector<Node>& calls);
// A loop that climbs a chain of links (x = p[x], or through a local holding p[x]) in a function
// that compresses the chain inside such a loop: log of the table's size per pass, amortised.
// Facts with StepKind::kUnknown for any other loop.
LoopFacts compressedChainFacts(const Model& model, const Node& loop);

}  // namespace quorbel
