// Which sizes of an estimate the runs grew: an estimate in n and m agrees with the times only
// when both n and m took larger values as the runs went on. A size held at a small stated
// limit, capped by an array from the first run, or never read (a named capacity such as MAXN)
// did not grow, and the times say nothing about it.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "measure/input_plan.h"
#include "model/model.h"

namespace quorbel {

// The plan's name for an estimate's size: "s" for |s|, s.size() and s.length(); else the name.
std::string readSizeName(const std::string& estimateSize);

// The sizes read that an estimate's size is computed from, for each size the program derives
// rather than reads: n of int n = s.size() comes from s; k of k = n + m from n and m; mx of
// mx = max(mx, a[i]) from the size whose positions the entries of a take.
using SizeSources = std::map<std::string, std::set<std::string>>;
SizeSources derivedSizeSources(const Model& model, const InputPlan& plan,
                               const std::vector<std::string>& estimateSizes);

// The estimate's sizes (as the estimate writes them) whose value never changed over `runs`,
// each run given as what every size read took; in the estimate's order. A size no run read
// did not grow, unless one it is computed from (`sources`) did.
std::vector<std::string> sizesNotGrown(const std::vector<std::string>& estimateSizes,
                                       const std::vector<std::map<std::string, double>>& runs,
                                       const SizeSources& sources = {});

}  // namespace quorbel
