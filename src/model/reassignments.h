// Sizes that change part way through a block: `cin >> n; n = 1 << n; for (i < n)` runs 2^n
// passes, while a loop to n before the assignment runs n.
#pragma once

#include "model/model.h"

namespace quorbel {

// Records in Model::reassignments each statement giving a scalar a new size for the rest of its
// block. REQUIRES: the declarations and the inputs are read.
void readReassignments(Model& model);
// The value `name` holds where `use` stands, after the last reassignment before it; null when
// no reassignment reaches `use`.
const Reassignment* reassignmentAt(const Model& model, std::string_view name, const Node& use);
// x *= 2, x <<= 1, x = x * 2, x = 2 * x, x += x, x = x + x: the assignment scales `left` by a
// constant factor of at least two.
bool scalesItself(const Model& model, const Node& left, const Node& right, std::string_view op);

}  // namespace quorbel
