// Rough input limits for the sizes of an analysis's time cost: the largest size whose cost fits
// a budget of about 10^8 primitive operations (one second), with every size set to the same
// value, as the page's growth chart draws it, so that the rows and the chart agree.
#pragma once

#include <string>
#include <vector>

#include "cost/cost.h"

namespace quorbel {

// The largest value of one size whose cost fits the budget, with what the other sizes were held at.
struct ConstraintEstimate {
  std::string variable;
  std::string maxValue;
  std::string assumption;
};

// One row per size of `time`, in the order its notation names them, each holding the largest
// value that fits; a constant cost gives one "input" row.
std::vector<ConstraintEstimate> estimateConstraints(const Cost& time);

// Compact human form of a count: "huge" when not finite, "< 1" below 1, "464" below 1000,
// "10.0K", "4.52M", "100M" up to the T range, then "2.5e15", "1e16".
std::string compactNumber(long double value);

}  // namespace quorbel
