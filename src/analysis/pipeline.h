// The single entry point of the estimator.
#pragma once

#include <string_view>

#include "analysis/result.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

// The complete analysis of a C++ source text. Never fails and never throws.
Analysis analyze(std::string_view code);
}  // namespace quorbel
