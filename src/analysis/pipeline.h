// The single entry point of the estimator.
#pragma once

#include <string_view>

#include "analysis/result.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

// The complete analysis of a C++ source text. Never fails and never throws.
Analysis analyze(std::string_view code);
// Builds the context, points gContext at it and runs the time detectors in their fixed
// order, appending rows, signals and notes to `result`; gContext is restored on every path.
DetectionResult runAstDetectors(std::string_view code, const SyntaxReaderResult& syntax,
                                Analysis& result);

}  // namespace quorbel
