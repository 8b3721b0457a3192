// The `quorbel.measure` command: measured growth of the open file, told as one message.
// Measuring compiles and runs the program, so it is refused where runs are not enabled on this
// machine (QUORBEL_ENABLE_BACKEND_RUN off, or no box without QUORBEL_RUNNER_ALLOW_UNBOXED).
#pragma once

#include <optional>
#include <string>

#include "measure/measure.h"

namespace quorbel {

// Why runs are refused here; nullopt when they are enabled.
std::optional<std::string> measureRefusal();

// "quorbel measure: measured O(n^2) (confidence 0.93): agrees with the estimate O(n^2); ...".
std::string measurementMessage(const Measurement& measurement);

}  // namespace quorbel
