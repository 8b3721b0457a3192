// Where a program without main starts: the functions no other function calls. A judge's
// solution class or a pasted snippet is priced from these; a helper they call is priced
// through its callers, with the arguments in place of its parameters.
#pragma once

#include <set>
#include <string>

#include "model/model.h"

namespace quorbel {

// The names of the non-lambda functions that no other function calls (a function calling
// itself still counts as an entry). When every function is called by another (a cycle), all
// of them.
// Found once per model and kept with it.
const std::set<std::string>& findEntryFunctions(const Model& model);

}  // namespace quorbel
