// The fixed order of the estimator: syntax, the program model, time, space, summary, limits.
#include "analysis/pipeline.h"

#include <algorithm>
#include <exception>
#include <map>
#include <set>
#include <string>

#include "analysis/confidence.h"
#include "analysis/cost_assumptions.h"
#include "analysis/nest_assumptions.h"
#include "analysis/recognised_shape.h"
#include "base/analysis_bounds.h"
#include "base/large_stack.h"
#include "base/text.h"
#include "constraints/constraint_estimates.h"
#include "estimate/entry_sizes.h"
#include "estimate/internal_sizes.h"
#include "estimate/notation.h"
#include "estimate/space_cost.h"
#include "estimate/term.h"
#include "estimate/time_cost.h"
#include "estimate/time_term.h"
#include "model/model.h"
#include "syntax/preprocess.h"

namespace quorbel {
namespace {

constexpr const char* kUnparsedNote =
    "Tree-sitter could not parse this snippet, so the estimate is incomplete.";
constexpr const char* kEmptyNote = "No code was provided.";
constexpr const char* kHeuristicNote =
    "Heuristic CP estimate. Test-case loops, helper functions, amortized operations, and "
    "constraints can change the final bound.";
constexpr const char* kNothingFoundSignal =
    "No loop, STL pass, graph traversal, sort, or recursion was detected.";
constexpr const char* kBudgetSentence =
    "Very rough estimate using about 100M primitive operations per second.";
constexpr const char* kTooDeepNote =
    "Loops nest more than 32 levels deep, so the syntax tree was not analyzed and the estimate "
    "is incomplete.";

// No submitted program nests loops anywhere near this deep. Every loop's cost is the product
// of the loops around it, one factor per level, so a nest d deep costs time and memory in d^2:
// 5,000 nested `for(;;)` (35 kB of text) took seconds and gigabytes.
constexpr int kMaxLoopNesting = 32;

std::string parseErrorNote(int line) {
  return "The code does not parse cleanly: the first syntax error is on line " +
         std::to_string(line) + ", and what it hides may be missing from the estimate.";
}

Analysis startingAnalysis() {
  Analysis result;
  result.notation = "O(1)";
  result.label = "Constant";
  result.pattern = "Straight-line work";
  result.space = {"O(1)", "Constant", "Constant storage", {}, {}};
  return result;
}

// Drops empty notes and repeats, keeping first appearances in order.
std::vector<std::string> cleanNotes(const std::vector<std::string>& notes) {
  std::vector<std::string> kept;
  std::set<std::string> seen;
  for (const std::string& note : notes)
    if (!note.empty() && seen.insert(note).second) kept.push_back(note);
  return kept;
}

int breakdownSortKey(const Row& row) {
  if (row.line == "-") return 1000000;
  try {
    return std::stoi(row.line);
  } catch (const std::exception&) {
    return 1000000;
  }
}

// One signal and one breakdown row per contribution.
void addContributions(const std::vector<Contribution>& contributions,
                      std::vector<std::string>& signals, std::vector<Row>& rows) {
  for (const Contribution& c : contributions) {
    const std::string notation = formatCost(c.cost);
    rows.push_back({std::to_string(c.line), c.what, notation});
    signals.push_back("Line " + std::to_string(c.line) + ": " + c.what + " contributes " +
                      notation + ".");
  }
}

// The plain-language label and the pattern of a term.
// `fallback` names the construct behind an exponential or factorial term, when known.
void describeTerm(const Term& term, std::string& label, std::string& pattern,
                  const std::string& fallback = "") {
  if (term.kind != "custom" || term.reason == "Independent passes") {
    label = labelFor(term);
    pattern = patternFor(term);
    return;
  }
  label = term.reason;
  pattern = !fallback.empty()              ? fallback
            : term.reason == "Factorial"   ? "Permutation backtracking"
            : term.reason == "Exponential" ? "Branching recursion"
                                           : term.reason;
}

SpaceSummary summariseSpace(const SpaceEstimate& space) {
  SpaceSummary summary;
  summary.notation = formatCost(space.total);
  const Term term = termFromCost(space.total, "Stored structures");
  describeTerm(term, summary.label, summary.pattern);
  if (isConstantCost(space.total)) summary.pattern = "Constant storage";
  addContributions(space.contributions, summary.signals, summary.breakdown);
  if (summary.signals.empty()) summary.signals.push_back("No variable-sized storage was detected.");
  if (summary.breakdown.empty()) summary.breakdown.push_back({"-", "Constant storage", "O(1)"});
  return summary;
}

// Sizes the walks keep for themselves are written as the containers they belong to; each
// renamed container leaves an assumption in its dimension.
void nameInternalSizes(Cost& cost, std::vector<Contribution>& contributions, const char* dimension,
                       std::vector<Assumption>& assumptions) {
  NamedSizes named = quorbel::nameInternalSizes(cost);
  cost = named.cost;
  for (Contribution& c : contributions) c.cost = quorbel::nameInternalSizes(c.cost).cost;
  for (const std::string& owner : named.renamed)
    assumptions.push_back({0, dimension,
                           "a part of " + owner + " could not be told apart; written " + owner,
                           "medium"});
}

void nameInternalSizes(TimeEstimate& time, SpaceEstimate& space) {
  nameInternalSizes(time.total, time.contributions, "time", time.assumptions);
  nameInternalSizes(space.total, space.contributions, "space", space.assumptions);
}

// Runs the whole analysis; `analyze` wraps it so that nothing escapes.
Analysis analyzeUnguarded(std::string_view code) {
  // The one parse of the analysis: the guarded read of the macro-expanded text, whose tree the
  // model then reads.
  SyntaxReaderResult syntax = readCppSyntax(expandMacros(code));
  Analysis result = startingAnalysis();
  const bool blank = trim(code).empty();

  if (!syntax.parsed && !blank) {
    result.notes.push_back(kUnparsedNote);
    for (const char* dimension : {"time", "space"})
      result.assumptions.push_back(
          {0, dimension, "the code could not be read; nothing was estimated", "low"});
  }
  // The text read is the macro-expanded one, whose lines are the source's: rep(i, n) {...} is
  // no error once expanded.
  result.parseErrorLine = static_cast<int>(syntax.firstErrorLine);
  if (result.parseErrorLine > 0) {
    result.notes.push_back(parseErrorNote(result.parseErrorLine));
    for (const char* dimension : {"time", "space"})
      result.assumptions.push_back({result.parseErrorLine, dimension,
                                    "the code from line " + std::to_string(result.parseErrorLine) +
                                        " does not parse; what it hides is missing",
                                    "low"});
  }
  // The model's walks would not finish in reasonable time.
  const bool tooDeep = syntax.deepestLoopNesting > kMaxLoopNesting;
  if (tooDeep) {
    result.notes.push_back(kTooDeepNote);
    for (const char* dimension : {"time", "space"})
      result.assumptions.push_back(
          {0, dimension, "loops nest too deep to read; nothing was estimated", "low"});
  }

  // ---- the cost model: time, then space from the same symbols ----
  Term total = constantTerm("No repeated work detected");
  std::string timePattern;
  if (syntax.parsed && !tooDeep) {
    TimeEstimate time;
    SpaceEstimate space;
    // The walks run on a thread of their own: it carries the caller's bounds, and a stop
    // thrown there is thrown again here, since nothing may leave a thread's start routine.
    BoundsState* bounds = currentAnalysisBounds();
    bool stopped = false;
    runOnLargeStack([&] {
      AdoptedBounds adopted(bounds);
      try {
        Model model = buildModel(syntax);
        checkAnalysisBounds();
        result.facts = std::make_shared<const SourceFacts>(readSourceFacts(model));
        time = estimateTime(model);
        checkAnalysisBounds();
        space = estimateSpace(model, time);
        nameEntrySizes(model, time, space);
        nameInternalSizes(time, space);
        const std::vector<Assumption> shapes =
            assumeFromTimeCost(model, simplifyCost(time.total), time.contributions);
        time.assumptions.insert(time.assumptions.end(), shapes.begin(), shapes.end());
        const std::vector<Assumption> nests =
            assumeFromNests(model, simplifyCost(time.total), time.contributions);
        time.assumptions.insert(time.assumptions.end(), nests.begin(), nests.end());
        result.model = std::make_shared<const Model>(std::move(model));
      } catch (const AnalysisStopped&) {
        stopped = true;
      }
    });
    if (stopped) throw AnalysisStopped{};
    total = termFromCost(time.total, time.pattern);
    timePattern = time.pattern;
    result.notation = formatCost(time.total);
    result.notes.insert(result.notes.end(), time.notes.begin(), time.notes.end());
    addContributions(time.contributions, result.signals, result.breakdown);
    result.space = summariseSpace(space);
    result.timeCost = simplifyCost(time.total);
    result.spaceCost = simplifyCost(space.total);
    result.timeContributions = time.contributions;
    result.spaceContributions = space.contributions;
    result.assumptions.insert(result.assumptions.end(), time.assumptions.begin(),
                              time.assumptions.end());
    result.assumptions.insert(result.assumptions.end(), space.assumptions.begin(),
                              space.assumptions.end());
  }
  result.notes.push_back(blank ? kEmptyNote : kHeuristicNote);
  describeTerm(total, result.label, result.pattern, timePattern);
  if (const std::string shape = recognisedShape(result.notation, result.breakdown); !shape.empty())
    result.pattern = shape;

  result.constraintBudget = kBudgetSentence;
  // ---- step 10: constraints ----
  result.constraints = estimateConstraints(result.timeCost);

  if (result.signals.empty()) result.signals.push_back(kNothingFoundSignal);
  if (result.breakdown.empty()) result.breakdown.push_back({"-", "Straight-line work", "O(1)"});
  result.notes = cleanNotes(result.notes);
  result.assumptions = orderAssumptions(std::move(result.assumptions));
  result.confidence = rateConfidence(result.assumptions);
  std::stable_sort(
      result.breakdown.begin(), result.breakdown.end(),
      [](const Row& a, const Row& b) { return breakdownSortKey(a) < breakdownSortKey(b); });
  return result;
}

}  // namespace

Analysis analyze(std::string_view code) {
  try {
    return analyzeUnguarded(code);
  } catch (const std::exception&) {
    // Out of memory and the like: the analysis never reports failure, so fall back to the
    // constant estimate with a note.
    Analysis result = startingAnalysis();
    result.constraintBudget = kBudgetSentence;
    result.constraints = estimateConstraints(constantCost());
    result.signals.push_back(kNothingFoundSignal);
    result.breakdown.push_back({"-", "Straight-line work", "O(1)"});
    result.notes.push_back(kUnparsedNote);
    return result;
  }
}

}  // namespace quorbel
