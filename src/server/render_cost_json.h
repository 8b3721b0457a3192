// A cost as JSON for readers outside the process (the page's growth chart and verdict card), so
// that none of them parses a notation string:
//   {"terms":[{"factors":[{"size":"n","power":1,"logs":1,"logLogs":0,"alphas":0,
//     "exponential":1,"exponentialSize":"","factorial":false}],"constant":1}]}
// n * log n above; 2^n has "exponential":2, k^n "size":"n" with "exponentialSize":"k", sqrt n
// "power":0.5; "constant" is the factor the notation drops (60 for 60 passes over n). No terms
// is O(1).
#pragma once

#include <string>

#include "cost/cost.h"

namespace quorbel {

std::string renderJsonCost(const Cost& cost);

}  // namespace quorbel
