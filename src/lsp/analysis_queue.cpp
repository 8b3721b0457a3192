#include "lsp/analysis_queue.h"

namespace quorbel {

void noteDocumentText(AnalysisQueue& queue, const std::string& uri, std::string text, int version,
                      LspClock::time_point due) {
  OpenDocument& document = queue.documents[uri];
  document.text = std::move(text);
  document.version = version;
  document.revision = ++queue.revisions;
  queue.due[uri] = due;
}

void closeDocument(AnalysisQueue& queue, const std::string& uri) {
  queue.documents.erase(uri);
  queue.due.erase(uri);
}

void requeueDocuments(AnalysisQueue& queue, LspClock::time_point due) {
  for (auto& [uri, document] : queue.documents) {
    // A new revision: an analysis of the old limits still running is dropped.
    document.revision = ++queue.revisions;
    queue.due[uri] = due;
  }
}

std::optional<AnalysisJob> takeDueAnalysis(AnalysisQueue& queue, LspClock::time_point now) {
  auto earliest = queue.due.end();
  for (auto it = queue.due.begin(); it != queue.due.end(); ++it)
    if (earliest == queue.due.end() || it->second < earliest->second) earliest = it;
  if (earliest == queue.due.end() || earliest->second > now) return std::nullopt;
  const OpenDocument& document = queue.documents.at(earliest->first);
  AnalysisJob job{earliest->first, document.text, document.version, document.revision};
  queue.due.erase(earliest);
  return job;
}

std::optional<LspClock::time_point> nextDueTime(const AnalysisQueue& queue) {
  std::optional<LspClock::time_point> next;
  for (const auto& [uri, due] : queue.due)
    if (!next || due < *next) next = due;
  return next;
}

bool isCurrentRevision(const AnalysisQueue& queue, const std::string& uri, long revision) {
  const auto it = queue.documents.find(uri);
  return it != queue.documents.end() && it->second.revision == revision;
}

}  // namespace quorbel
