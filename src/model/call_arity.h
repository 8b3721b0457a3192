// Whether a call can reach a function the program defines under the callee's name: a call with
// more arguments than the function has parameters calls another overload (std::min(a, b) beside
// the program's own one-argument min), never this one.
#pragma once

#include "model/model.h"
#include "model/tree.h"

namespace quorbel {

// False only when `call` passes more arguments than `function` takes and it is not variadic.
bool mayCall(const Node& call, const Function& function);

}  // namespace quorbel
