// The records that carry one analysis from the detectors to every consumer: reports, JSON,
// HTML, the history store and the regression run. Plain values.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "constraints/constraint_estimates.h"
#include "estimate/assumption.h"
#include "estimate/term.h"
#include "estimate/time_cost.h"
#include "model/source_facts.h"

namespace quorbel {

// One line of a breakdown table. `line` is a decimal line number or "-".
struct Row {
  std::string line;
  std::string signal;
  std::string cost;
};

struct SpaceSummary {
  std::string notation;
  std::string label;
  std::string pattern;
  std::vector<std::string> signals;
  std::vector<Row> breakdown;
};

// How sure each notation is: "high" when nothing was assumed, else the weakest assumption's level.
struct Confidence {
  std::string time = "high";
  std::string space = "high";
};

struct Analysis {
  std::string notation;
  std::string label;
  std::string pattern;
  std::string constraintBudget;
  std::vector<std::string> signals;
  std::vector<Row> breakdown;
  std::vector<std::string> notes;
  std::vector<ConstraintEstimate> constraints;
  SpaceSummary space;
  // The line of the first syntax error after the file's macros are expanded; 0 when the code
  // parses cleanly. Code after an error may be missing from the estimate.
  int parseErrorLine = 0;
  // The costs the notations were formatted from: the verdict evaluates them at the limits and
  // the JSON carries them as terms, so nothing reads a notation string back.
  Cost timeCost;
  Cost spaceCost;
  std::vector<Contribution> timeContributions;   // one per row of the time breakdown
  std::vector<Contribution> spaceContributions;  // one per row of the space breakdown
  // Comments, declarations and constants the limits come from, read from the same tree.
  std::shared_ptr<const SourceFacts> facts;
  // The model the estimates read (sized by the time estimate), for whatever reads the program
  // after the analysis, such as a measurement's input plan: one parse per request.
  std::shared_ptr<const Model> model;
  // What the estimates assumed, in line order, and the confidence they leave.
  std::vector<Assumption> assumptions;
  Confidence confidence;
};

}  // namespace quorbel
