// Debouncing: an edit pushes its document's analysis back, the last text wins, and an analysis
// of a text that changed (or was closed, or judged at old limits) while it ran is dropped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lsp/analysis_queue.h"

namespace quorbel {
namespace {

using std::chrono::milliseconds;

const LspClock::time_point kStart{};
LspClock::time_point at(int ms) { return kStart + milliseconds(ms); }

// One step of a scenario: an edit (or open: delay 0), a close, a requeue, or a look at the queue
// at a time, which takes what is due and says "uri@version:text", or "-" for nothing.
struct Step {
  enum Kind { kEdit, kClose, kRequeue, kTake } kind;
  int ms = 0;
  std::string uri, text;
  int version = 0;
  std::string want;
};

Step edit(int ms, std::string uri, std::string text, int version, int delay = 100) {
  return {Step::kEdit, ms + delay, std::move(uri), std::move(text), version, ""};
}
Step take(int ms, std::string want) { return {Step::kTake, ms, "", "", 0, std::move(want)}; }
Step close(int ms, std::string uri) { return {Step::kClose, ms, std::move(uri), "", 0, ""}; }
Step requeue(int ms) { return {Step::kRequeue, ms, "", "", 0, ""}; }

TEST(LspQueueTest, Debouncing) {
  struct Scenario {
    const char* name;
    std::vector<Step> steps;
  };
  const Scenario scenarios[] = {
      {"an opened file is due at once", {edit(0, "a", "x", 1, 0), take(0, "a@1:x"), take(0, "-")}},
      {"an edit waits for the delay",
       {edit(0, "a", "x", 1), take(99, "-"), take(100, "a@1:x"), take(500, "-")}},
      {"a burst of edits costs one analysis of the last text",
       {edit(0, "a", "x", 1), edit(50, "a", "xy", 2), edit(120, "a", "xyz", 3), take(150, "-"),
        take(219, "-"), take(220, "a@3:xyz"), take(400, "-")}},
      {"the earliest document first",
       {edit(10, "b", "B", 1), edit(0, "a", "A", 1), take(200, "a@1:A"), take(200, "b@1:B")}},
      {"a closed file is not analysed", {edit(0, "a", "x", 1), close(50, "a"), take(500, "-")}},
      {"new limits make every open file due again",
       {edit(0, "a", "x", 1, 0), take(0, "a@1:x"), requeue(10), take(10, "a@1:x")}},
  };
  for (const Scenario& s : scenarios) {
    AnalysisQueue queue;
    for (size_t i = 0; i < s.steps.size(); ++i) {
      const Step& step = s.steps[i];
      if (step.kind == Step::kEdit) {
        noteDocumentText(queue, step.uri, step.text, step.version, at(step.ms));
      } else if (step.kind == Step::kClose) {
        closeDocument(queue, step.uri);
      } else if (step.kind == Step::kRequeue) {
        requeueDocuments(queue, at(step.ms));
      } else {
        const auto job = takeDueAnalysis(queue, at(step.ms));
        const std::string got =
            job ? job->uri + "@" + std::to_string(job->version) + ":" + job->text : "-";
        EXPECT_EQ(got, step.want) << s.name << ", step " << i;
      }
    }
  }
}

TEST(LspQueueTest, StaleAnalysesAreDropped) {
  struct Case {
    const char* name;
    void (*meanwhile)(AnalysisQueue&);
    bool publish;
  };
  const Case cases[] = {
      {"nothing changed", [](AnalysisQueue&) {}, true},
      {"an edit", [](AnalysisQueue& q) { noteDocumentText(q, "a", "y", 2, at(5)); }, false},
      // The client's version number is not trusted to move: the same number edited again is
      // still a newer text.
      {"an edit under the same version",
       [](AnalysisQueue& q) { noteDocumentText(q, "a", "y", 1, at(5)); }, false},
      {"closed", [](AnalysisQueue& q) { closeDocument(q, "a"); }, false},
      {"closed and opened again",
       [](AnalysisQueue& q) {
         closeDocument(q, "a");
         noteDocumentText(q, "a", "x", 1, at(5));
       },
       false},
      {"new limits", [](AnalysisQueue& q) { requeueDocuments(q, at(5)); }, false},
      {"another file edited", [](AnalysisQueue& q) { noteDocumentText(q, "b", "y", 1, at(5)); },
       true},
  };
  for (const Case& c : cases) {
    AnalysisQueue queue;
    noteDocumentText(queue, "a", "x", 1, at(0));
    const auto job = takeDueAnalysis(queue, at(0));
    ASSERT_TRUE(job);
    c.meanwhile(queue);
    EXPECT_EQ(isCurrentRevision(queue, "a", job->revision), c.publish) << c.name;
  }
}

}  // namespace
}  // namespace quorbel
