// The working state of one auxiliary-space estimate: the findings so far, each added once per
// key, and the summary they reduce to.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "analysis/result.h"
#include "analysis/term.h"
#include "syntax/context.h"

namespace quorbel::space {

struct SpaceAccumulator {
  std::vector<Term> terms = {constantTerm("No variable-sized storage detected")};
  SpaceSummary summary = {"O(1)", "Constant", "Constant storage", {}, {}};
  GraphSymbols graph;
  std::map<std::string, Term> containerTerms;         // declared (or grown) containers
  std::map<std::string, std::string> containerTypes;  // their storage words
  std::map<std::string, Term> inputTerms;             // container parameters
  std::set<std::string> inputContainers;
  std::set<std::string> seenKeys;
};

// Records a non-constant finding as a term, a signal and a row, unless its key was seen. An
// empty key stands for line + ":" + label + ":" + notation.
void addSpaceTerm(SpaceAccumulator& acc, int line, const std::string& label, const Term& term,
                  const std::string& key);
// The summary of every finding: notation, label and pattern of the dominating term, a default
// signal and row when nothing was found, rows sorted by line with "-" last.
SpaceSummary finishSummary(SpaceAccumulator& acc);

}  // namespace quorbel::space
