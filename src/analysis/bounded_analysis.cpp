#include "analysis/bounded_analysis.h"

#include "analysis/pipeline.h"
#include "base/analysis_bounds.h"

namespace quorbel {

BoundedAnalysis analyzeWithinBounds(std::string_view code, const WithinSameBounds& after) {
  BoundedAnalysis result;
  result.stopped = runWithinBounds(analysisBoundsFromEnvironment(), [&] {
    result.analysis = analyze(code);
    if (after) after(result.analysis);
  });
  // Whatever was built before the bound tripped is dropped: a half analysis is not an answer.
  if (result.stopped) result.analysis = Analysis{};
  return result;
}

}  // namespace quorbel
