// One open document analysed and judged: what every view of it (diagnostics, code lenses,
// inlay hints, hover) is drawn from. The analysis runs under the analysis bounds, like the
// command line's and the server's.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "analysis/result.h"
#include "verdict/verdict.h"

namespace quorbel {

struct DocumentAnalysis {
  std::string text;                // as the editor holds it: positions are counted in it
  std::vector<size_t> lineStarts;  // of `text`
  // Why there is no analysis: the document is over 1 MB, or a bound stopped it. Empty when
  // `analysis` and `verdict` hold one.
  std::string refusal;
  Analysis analysis;
  Verdict verdict;
  std::vector<std::string> unusedLimits;  // editor limits this file could not take, and why
  int mainLine = 0;                       // 1-based line of main; 0 when there is none
};

// Analyses and judges `text` at the editor's `limits` (and those the file states). Never throws.
DocumentAnalysis analyseDocument(std::string text, const GivenLimits& limits);

}  // namespace quorbel
