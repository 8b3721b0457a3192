#include "lsp/editor_messages.h"

#include <map>

#include "base/json_text.h"
#include "lsp/editor_views.h"

namespace quorbel {
namespace {

std::string renderPosition(TextPosition position) {
  return "{\"line\":" + std::to_string(position.line) +
         ",\"character\":" + std::to_string(position.character) + "}";
}

std::string renderRange(const TextRange& range) {
  return "{\"start\":" + renderPosition(range.start) + ",\"end\":" + renderPosition(range.end) +
         "}";
}

// The editor's 0-based line for an analysis line; what names no line goes on the first.
int editorLine(int analysisLine) { return analysisLine > 0 ? analysisLine - 1 : 0; }

TextRange rangeOfLine(const DocumentAnalysis& document, int analysisLine) {
  return codeRangeOfLine(document.text, document.lineStarts, editorLine(analysisLine));
}

}  // namespace

std::string renderDiagnosticsParams(const std::string& uri, int version,
                                    const DocumentAnalysis& document) {
  std::string list;
  for (const EditorDiagnostic& diagnostic : diagnosticsOf(document)) {
    if (!list.empty()) list += ',';
    list += "{\"range\":" + renderRange(rangeOfLine(document, diagnostic.line));
    list += ",\"severity\":" + std::to_string(diagnostic.severity);
    list += ",\"code\":" + jsonString(diagnostic.code);
    list += ",\"source\":\"quorbel\",\"message\":" + jsonString(diagnostic.message) + "}";
  }
  return "{\"uri\":" + jsonString(uri) + ",\"version\":" + std::to_string(version) +
         ",\"diagnostics\":[" + list + "]}";
}

std::string renderCodeLenses(const DocumentAnalysis& document) {
  std::string list;
  for (const LineCost& cost : lineCostsOf(document)) {
    if (!list.empty()) list += ',';
    list += "{\"range\":" + renderRange(rangeOfLine(document, cost.line));
    list += ",\"command\":{\"title\":" + jsonString(cost.cost + " " + cost.what);
    list += ",\"command\":\"\"}}";
  }
  return "[" + list + "]";
}

std::string renderInlayHints(const DocumentAnalysis& document, int firstLine, int lastLine) {
  // Several costs on one line share one hint.
  std::map<int, std::vector<LineCost>> byLine;
  for (const LineCost& cost : lineCostsOf(document)) {
    const int line = editorLine(cost.line);
    if (line >= firstLine && line <= lastLine) byLine[line].push_back(cost);
  }
  std::string list;
  for (const auto& [line, costs] : byLine) {
    std::string label, tooltip;
    for (const LineCost& cost : costs) {
      if (!label.empty()) label += ", ";
      label += cost.cost;
      if (!tooltip.empty()) tooltip += '\n';
      tooltip += cost.what + ": " + cost.cost;
    }
    const TextPosition end{line, lineLengthUtf16(document.text, document.lineStarts, line)};
    if (!list.empty()) list += ',';
    list += "{\"position\":" + renderPosition(end);
    list += ",\"label\":" + jsonString(label) + ",\"tooltip\":" + jsonString(tooltip);
    list += ",\"paddingLeft\":true}";
  }
  return "[" + list + "]";
}

std::string renderHover(const DocumentAnalysis& document, TextPosition position) {
  const std::string text = hoverTextOf(document, position.line + 1);
  if (text.empty()) return "null";
  return "{\"contents\":{\"kind\":\"markdown\",\"value\":" + jsonString(text) +
         "},\"range\":" + renderRange(rangeOfLine(document, position.line + 1)) + "}";
}

}  // namespace quorbel
