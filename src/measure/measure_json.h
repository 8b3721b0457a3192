// A measurement as one JSON document, keys in a fixed order: status, message, measured,
// estimate, estimateClass, agrees, comparison, confidence, undecided, sizes, vary, shape,
// baselineSeconds, points [{size, sizes{name: value}, seconds[], best, inputBytes}], ranking
// [{class, error}], stopReason, compileSeconds, notes, largestInput when asked for, plan (the
// input plan in one line) and notGrown (sizes of the estimate whose value never changed).
// Sizes are whole numbers as written, never rounded to six digits.
#pragma once

#include <string>

#include "measure/measure.h"

namespace quorbel {

// `withInput`: add the generated input of the largest size as "largestInput" when it holds at
// most `inputLimit` bytes, else "largestInputBytes" alone.
std::string renderMeasurementJson(const Measurement& measurement, bool withInput,
                                  size_t inputLimit = 1u << 20);

}  // namespace quorbel
