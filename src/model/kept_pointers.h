// A pointer kept across the passes of an enclosing loop moves within its range once over all the
// passes, so long as nothing takes it back further than a constant per pass. Two ways real code
// keeps such a pointer that the plain two-pointer rule (never reset inside) does not see.
#pragma once

#include <string>

#include "model/loops.h"
#include "model/model.h"

namespace quorbel {

// True when every place in `scope` (the enclosing loop's body) that starts `variable` over,
// outside `loop`, is a branch that then skips the rest of the pass (k = 0; continue;): the
// extension loop never runs from the reset in that pass. Lowering by one (if (k) k--) is not a
// reset. False when nothing resets it, or a reset is followed by the loop.
bool resetOnlyWhereSkipped(const Node& scope, const std::string& variable, const Node& loop);

// True when `variable`, started in each pass of `frame` from a frontier kept across the passes
// (k = min(d[mirror], r - i)), is extended by `loop` and then moves that frontier
// (if (i + k > r) r = i + k): the extensions of all passes together cross the frontier's range
// once, as in Manacher's and the Z-algorithm's scans.
bool extendsKeptFrontier(const Node& loop, const EnclosingLoop& frame, const std::string& variable);

}  // namespace quorbel
