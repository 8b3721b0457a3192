// Which document to analyse next, and whether a finished analysis is still wanted. Every edit
// replaces the document's text and pushes its analysis back by the debounce delay, so a burst of
// keystrokes costs one analysis of the last text; an analysis that finishes after a newer edit
// (or after the document was closed) is dropped instead of published. Plain data and functions
// of the time they are given, so the rules are tested without a clock.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>

namespace quorbel {

using LspClock = std::chrono::steady_clock;

struct OpenDocument {
  std::string text;
  int version = 0;    // the client's, echoed in what is published
  long revision = 0;  // ours: one more on every change, whatever the client numbers
};

struct AnalysisQueue {
  std::map<std::string, OpenDocument> documents;    // by URI
  std::map<std::string, LspClock::time_point> due;  // documents waiting for their analysis
  long revisions = 0;
};

// One document's text to analyse, as it was when taken.
struct AnalysisJob {
  std::string uri;
  std::string text;
  int version = 0;
  long revision = 0;
};

// Stores the document's new text and version and makes its analysis due at `due`: the edit's
// time plus the delay for an edit, the time itself for a document just opened.
void noteDocumentText(AnalysisQueue& queue, const std::string& uri, std::string text, int version,
                      LspClock::time_point due);
// Forgets the document: nothing is analysed or published for it any more.
void closeDocument(AnalysisQueue& queue, const std::string& uri);
// Makes every open document due at `due` again (the limits changed).
void requeueDocuments(AnalysisQueue& queue, LspClock::time_point due);
// The document due earliest, when it is due by `now`; it leaves the waiting list.
std::optional<AnalysisJob> takeDueAnalysis(AnalysisQueue& queue, LspClock::time_point now);
// When the next analysis falls due; nullopt when none waits.
std::optional<LspClock::time_point> nextDueTime(const AnalysisQueue& queue);
// True when `revision` is still the document's text: its analysis may be published.
bool isCurrentRevision(const AnalysisQueue& queue, const std::string& uri, long revision);

}  // namespace quorbel
