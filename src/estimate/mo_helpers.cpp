// Recognises a helper that moves a window's ends kept over the run towards its arguments, called
// once per query of a block-sorted list:
//   void cal(int l, int r) { while (l < L) add(--L); while (r > R) add(++R); ... }
//   for (auto& q : qs) { cal(q.l, q.r); ans[q.id] = cur; }
#include "estimate/mo_helpers.h"

#include <algorithm>

#include "model/loop_parts.h"
#include "model/magnitude.h"

namespace quorbel {

std::vector<std::string> pointerTargets(const Model& model, const Function& callee) {
  std::vector<std::string> targets;
  if (callee.body.null() || callee.parameters.empty()) return targets;
  visitNodes(callee.body, [&](const Node& loop) {
    if (loop.type() != "while_statement") return true;
    std::vector<Comparison> comparisons;
    collectComparisons(unwrap(loop.field("condition")), comparisons);
    for (const Comparison& c : comparisons)
      for (const bool left : {true, false}) {
        const Node pointer = unwrap(left ? c.left : c.right);
        const Node target = unwrap(left ? c.right : c.left);
        if (pointer.type() != "identifier" || target.type() != "identifier") continue;
        bool parameter = false;
        for (const std::string& p : callee.parameters) parameter = parameter || target.text() == p;
        const Symbol* kept = findSymbolAt(model, pointer.text(), loop);
        // a name declared outside the helper keeps its value from call to call
        const bool global = kept && !kept->isParameter && kept->kind == ContainerKind::kScalar &&
                            (kept->scopeStart > ts_node_end_byte(callee.definition.raw) ||
                             kept->scopeEnd < ts_node_start_byte(callee.definition.raw) ||
                             kept->scopeStart < ts_node_start_byte(callee.definition.raw));
        const std::string op = findUpdateIn(loop, std::string(pointer.text())).op;
        if (parameter && global && (op == "++" || op == "--") &&
            std::find(targets.begin(), targets.end(), target.text()) == targets.end())
          targets.emplace_back(target.text());
      }
    return true;
  });
  return targets;
}

Cost moWalkPerPass(const Model& model, const EnclosingLoop& frame, const Node& call) {
  const std::string queries = walkedContainer(frame, call);
  if (!sortedInBlocks(model, queries)) return {};
  const Cost range = primarySize(model);
  const Cost total = multiplyCosts(addCosts(range, containerSize(model, queries)), sqrtCost(range));
  return divideCosts(total, frame.trips);
}

}  // namespace quorbel
