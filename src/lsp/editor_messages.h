// The JSON the server sends for one analysed document: the params of
// textDocument/publishDiagnostics and the results of textDocument/codeLens, textDocument/inlayHint
// and textDocument/hover, with positions counted as the protocol counts them (positions.h).
#pragma once

#include <string>

#include "lsp/document_analysis.h"
#include "lsp/positions.h"

namespace quorbel {

// {"uri":..,"version":..,"diagnostics":[...]}; an empty list clears what was shown.
std::string renderDiagnosticsParams(const std::string& uri, int version,
                                    const DocumentAnalysis& document);
// One lens per cost on its line, titled with the cost; its command does nothing.
std::string renderCodeLenses(const DocumentAnalysis& document);
// One hint at the end of each line with costs, for the lines from `firstLine` to `lastLine`
// (0-based, both included).
std::string renderInlayHints(const DocumentAnalysis& document, int firstLine, int lastLine);
// {"contents":{"kind":"markdown",..},"range":..}, or null when the line has nothing to say.
std::string renderHover(const DocumentAnalysis& document, TextPosition position);

}  // namespace quorbel
