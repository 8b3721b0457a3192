// The analysis as every caller runs it: the server's routes (analyze, measure, the form page),
// the command line and the language server all come through here, so no door runs the parser
// and the model outside the bounds of base/analysis_bounds.h.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/result.h"

namespace quorbel {

struct BoundedAnalysis {
  // "analysis stopped after 3 s: ..." naming the bound that tripped; `analysis` is then empty.
  std::optional<std::string> stopped;
  Analysis analysis;
};

// Work that belongs to the same request and must not escape the bounds either (the verdict at
// given limits, a measurement's input plan): it runs after the analysis, within the same
// budget, and may keep what it computes.
using WithinSameBounds = std::function<void(const Analysis&)>;

// The analysis of `code` under analysisBoundsFromEnvironment(), then `after` when given.
BoundedAnalysis analyzeWithinBounds(std::string_view code, const WithinSameBounds& after = nullptr);

}  // namespace quorbel
