// Something an estimate assumed instead of deriving it from the code, and how much it weakens
// the answer. The walks record one wherever they fall back; the analysis rates its confidence
// from them.
#pragma once

#include <string>

namespace quorbel {

struct Assumption {
  int line = 0;           // 0 when it belongs to no one line
  std::string dimension;  // "time" or "space"
  std::string text;
  // "medium": a bound that holds under a stated convention, or derived but loose;
  // "low": a term assumed, a region unread or a call unresolved;
  // "high": another reading stated beside a derived answer, which it does not weaken.
  std::string level;
};

}  // namespace quorbel
