#include "analysis/cost_assumptions.h"

#include <string>

#include "model/nodes_of_type.h"

namespace quorbel {
namespace {

bool isCapacity(const Model& model, const std::string& size) {
  const Symbol* symbol = findSymbol(model, size);
  return symbol && isLimitConstant(*symbol);
}

bool grows(const Growth& g) {
  return g.factorial || g.expBase > 1 || g.sizedExponential || g.power > 0 || g.logs > 0;
}

// The first contribution whose cost names `size`, for the line an assumption points at.
int lineNaming(const std::vector<Contribution>& contributions, const std::string& size) {
  for (const Contribution& c : contributions)
    for (const Monomial& term : c.cost.terms)
      if (term.sizes.count(size)) return c.line;
  return 0;
}

int lineOfExponential(const std::vector<Contribution>& contributions) {
  for (const Contribution& c : contributions)
    for (const Monomial& term : c.cost.terms)
      for (const auto& [size, g] : term.sizes)
        if (g.factorial || g.expBase > 1 || g.sizedExponential) return c.line;
  return 0;
}

// A loop whose condition names a value the program reads or a container's size: its trip count
// should have grown with what was read.
bool hasLoopOverInput(const Model& model) {
  for (const Node& loop :
       descendantsOfType(model.root, {"for_statement", "while_statement", "do_statement"})) {
    bool found = false;
    visitNodes(loop.field("condition"), [&](const Node& n) {
      if (found) return false;
      if (n.type() == "identifier") {
        const Symbol* symbol = findSymbol(model, n.text());
        found = symbol && symbol->fromInput;
      }
      if (n.type() == "field_identifier" && (n.text() == "size" || n.text() == "length"))
        found = true;
      return true;
    });
    if (found) return true;
  }
  return false;
}

}  // namespace

std::vector<Assumption> assumeFromTimeCost(const Model& model, const Cost& time,
                                           const std::vector<Contribution>& contributions) {
  std::vector<Assumption> found;
  bool tests = false, capacity = false, exponential = false;
  for (const Monomial& term : time.terms) {
    int growing = 0;
    for (const auto& [size, g] : term.sizes) growing += grows(g);
    for (const auto& [size, g] : term.sizes) {
      if (!grows(g)) continue;
      if (!tests && growing > 1 && isTestCount(model, size)) {
        tests = true;
        found.push_back({lineNaming(contributions, size), "time",
                         "every test is charged its own work: " + size +
                             " multiplies it; where the statement bounds the sizes' sum, drop it",
                         "medium"});
      }
      if (!capacity && growing > 1 && isCapacity(model, size)) {
        capacity = true;
        found.push_back({lineNaming(contributions, size), "time",
                         "the capacity " + size +
                             " is swept for every pass around it; a program that touches only "
                             "what each pass needs costs less",
                         "high"});
      }
      if (!exponential && (g.factorial || g.expBase > 1 || g.sizedExponential)) {
        exponential = true;
        found.push_back({lineOfExponential(contributions), "time",
                         "every call was taken to branch as far as it can; any pruning in the "
                         "code may cut this",
                         "high"});
      }
    }
  }
  if (isConstantCost(time) && hasLoopOverInput(model))
    found.push_back({0, "time",
                     "no loop's trip count was tied to a size the program reads; counted as "
                     "constant",
                     "low"});
  return found;
}

}  // namespace quorbel
