// The largest source one analysis accepts, shared by every entry point (the analyze command,
// the server) so that no caller hands the detectors an unbounded text.
#pragma once

#include <cstddef>

namespace quorbel {

// 1 MB: far beyond any contest solution, small enough that the analysis stays quick.
inline constexpr size_t kMaxAnalysisBytes = 1048576;

}  // namespace quorbel
