// Branches inside loops that leave the function when they are done:
//   for (..) { ..; if (found) { for (int x : path) cout << x; return 0; } }
//   while (..) { if (bad) { for (..) undo(..); exit(0); } .. }
// Whatever loops enclose it, such a branch runs to its end at most once per call of the
// function: its work is paid once, not once per pass.
#pragma once

#include "model/tree.h"

namespace quorbel {

// REQUIRES: ifStatement is an if_statement. True when its consequence ends with a return
// statement or a call of exit / quick_exit / abort, holds a loop, and sits in a loop of the
// same function (no lambda between the two, whose return would only end one pass).
bool leavesAfterLooping(const Node& ifStatement);

}  // namespace quorbel
