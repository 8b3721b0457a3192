// A stack kept by a counter in a loop: s[t++] = p pushes once per pass, and a loop in the same
// pass that only lowers t pops what those pushes left:
//   while (begin < end) { while (t >= 2 && !turn(s[t - 2], s[t - 1], *begin)) t--; s[t++] =
//   *begin++; }
#pragma once

#include <string>

#include "model/tree.h"

namespace quorbel {

// True when the body of `enclosing` raises `counter` by one (t++, ++t, t += 1) outside
// `exclude` and outside any loop of its own: once per pass of `enclosing`.
bool raisedOncePerPass(const Node& enclosing, const std::string& counter, const Node& exclude);

}  // namespace quorbel
