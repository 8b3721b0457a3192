#include "lsp/document_analysis.h"

#include <optional>

#include "analysis/bounded_analysis.h"
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
  try {
    BoundedAnalysis bounded =
        analyzeWithinBounds(textForAnalysis(document.text), [&](const Analysis& analysis) {
          document.unusedLimits = judgeAtEditorLimits(analysis, limits, document.verdict);
        });
    if (bounded.stopped) document.refusal = *bounded.stopped;
    document.analysis = std::move(bounded.analysis);
  } catch (const std::exception& error) {
    // Out of memory outside the bounds' count and the like: the session goes on without it.
    document.refusal = std::string("analysis failed: ") + error.what();
  }
  if (!document.refusal.empty()) {
    document.analysis = Analysis{};
    document.verdict = Verdict{};
    document.unusedLimits.clear();
    return document;
  }
  if (document.analysis.model) {
    const auto main = document.analysis.model->functions.find("main");
    if (main != document.analysis.model->functions.end()) document.mainLine = main->second.line;
  }
  return document;
}

}  // namespace quorbel
