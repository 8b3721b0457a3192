// Work inside a loop that runs in full only once: a comparison made only on a lookup hit whose
// success leaves the function or the loop.
//   if (it != seen.end() && s.compare(it->second, k, s, i, k) == 0) return i;
//   if (h.count(key) && equal(a + x, a + x + k, a + y)) break;
// On a hashed key a hit whose check fails is a collision, which a random base makes rare; a
// check that succeeds ends the loop. The check is charged once, not once per pass.
#pragma once

#include "model/tree.h"

namespace quorbel {

// REQUIRES: ifStatement is an if_statement. The check `B` of `if (A && B) return/break;` when
// A tests a lookup hit (x != m.end(), m.count(k), m.find(k) != ...) and the statement leaves
// the loop or the function; null otherwise.
Node checkedOnHit(const Node& ifStatement);

}  // namespace quorbel
