// How large a scalar's value grows, read from what the code does with it rather than from its
// declaration alone:
//   mx = max(mx, a[i]);  if (a[i] > mx) mx = a[i];  mx = *max_element(...)   the largest value
//   sum += a[i];                                                              a sum of values
// of the input are value sizes named after the variable;
//   cnt++ inside loops; while ((1 << lg) < n) lg++;   a counter reaches its loops' trip count;
//   best = i inside for (i < n)                         a copy ranges as far as what it copies.
#pragma once

#include "model/model.h"

namespace quorbel {

// Records each fact as the scalar's derived size (Symbol::derived), on its declaration and on
// the table's entry. Facts are read again until none changes, so a fact that rests on another
// (a counter in a loop over a maximum) holds whatever order the code defines them in.
// True when any fact was found. REQUIRES: the declarations, uses and inputs are read.
bool readValueFacts(Model& model);

}  // namespace quorbel
