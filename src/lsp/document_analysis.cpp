#include "lsp/document_analysis.h"

#include <optional>

#include "analysis/pipeline.h"
#include "base/analysis_bounds.h"
#include "base/input_limit.h"
#include "lsp/editor_settings.h"
#include "lsp/positions.h"
#include "model/model.h"

namespace quorbel {

DocumentAnalysis analyseDocument(std::string text, const GivenLimits& limits) {
  DocumentAnalysis document;
  document.text = std::move(text);
  document.lineStarts = lineStarts(document.text);
  if (document.text.size() > kMaxAnalysisBytes) {
    document.refusal = "file is too large to analyze (limit 1 MB)";
    return document;
  }
  const std::string analysed = textForAnalysis(document.text);
  const std::optional<std::string> stopped = runWithinBounds(analysisBoundsFromEnvironment(), [&] {
    document.analysis = analyze(analysed);
    document.unusedLimits = judgeAtEditorLimits(document.analysis, limits, document.verdict);
  });
  if (stopped) {
    document.analysis = Analysis{};
    document.verdict = Verdict{};
    document.refusal = *stopped;
    return document;
  }
  if (document.analysis.model) {
    const auto main = document.analysis.model->functions.find("main");
    if (main != document.analysis.model->functions.end()) document.mainLine = main->second.line;
  }
  return document;
}

}  // namespace quorbel
