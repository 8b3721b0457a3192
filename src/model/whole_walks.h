// Loops that walk one container from its first entry to its last, in any spelling:
//   for (int x : path)                 for (auto it = path.begin(); it != path.end(); ++it)
//   for (int i = 0; i < (int)path.size(); i++)
#pragma once

#include <string>

#include "model/model.h"

namespace quorbel {

// The container `loop` walks whole, named as written; empty when it walks no single
// container of the program (a row g[u], a range of numbers, a member of an element).
std::string containerWalkedWhole(const Model& model, const Node& loop);

}  // namespace quorbel
