// Scalar members an object is given by one of its functions, read in the sizes of the objects
// the program builds or sets up:
//   struct Dsu { int n; Dsu(int k) : n(k) {} };                 Dsu d(q);       n is q
//   Lca(int V) { this->V = V; while (V > (1 << lg)) lg++; }      Lca l(N);       V is N, lg log N
//   void init(int size) { len = size; }                          seg.init(m);    len is m
// Every later member function then runs over the object's own sizes, not the member's name.
#pragma once

#include "model/model.h"

namespace quorbel {

// Records, for each scalar member set from a member function's parameters, the size it holds
// (Symbol::derived) summed over the calls that set it; members no call sizes are left alone.
// REQUIRES: declarations, inputs and value facts are read.
void readMemberValues(Model& model);

}  // namespace quorbel
