#include "analysis/nest_assumptions.h"

#include <optional>
#include <string>
#include <string_view>

#include "model/nodes_of_type.h"

namespace quorbel {
namespace {

uint32_t startOf(const Node& n) { return ts_node_start_byte(n.raw); }
uint32_t endOf(const Node& n) { return ts_node_end_byte(n.raw); }

bool isFunctionNode(const Node& n) {
  return n.type() == "function_definition" || n.type() == "lambda_expression";
}

// The loop around `loop` in the same function, or a null node.
Node enclosingLoop(const Node& loop) {
  for (Node up = loop.parent(); !up.null(); up = up.parent()) {
    if (isFunctionNode(up)) break;
    if (isLoopNode(up)) return up;
  }
  return Node{};
}

Node enclosingFunction(const Node& loop) {
  for (Node up = loop.parent(); !up.null(); up = up.parent())
    if (isFunctionNode(up)) return up;
  return Node{};
}

// The name calls use for the function whose definition is `definition`, empty when unknown.
std::string functionNameOf(const Model& model, const Node& definition) {
  if (definition.null()) return "";
  const auto named = [&](const Function& f) {
    return !f.body.null() && startOf(f.body) >= startOf(definition) &&
           endOf(f.body) <= endOf(definition);
  };
  for (const auto& [name, f] : model.functions)
    if (named(f)) return name;
  for (const auto& [name, f] : model.members)
    if (named(f)) return name;
  return "";
}

// The walk prices a loop "for loop over i", "while loop", "range-for loop over e" when no
// shape rule (two pointers, sieve, adjacency list, ...) told it more: its count is its range.
bool countedByItsRange(const std::string& what) {
  for (std::string_view plain :
       {"for loop", "while loop", "range-for loop", "do-while loop", "do loop"})
    if (what.rfind(plain, 0) == 0) return true;
  return false;
}

// Whether every contribution of `loop` is one priced by its range (true when it has none).
bool countedByItsRange(const std::vector<Contribution>& contributions, const Node& loop) {
  for (const Contribution& c : contributions)
    if (c.line == loop.line() && !countedByItsRange(c.what)) return false;
  return true;
}

// The identifier an expression is rooted at: g of g[u], of g[u].size(), of this->g.
std::string baseName(Node n) {
  for (int depth = 0; depth < 16 && !n.null(); ++depth) {
    const std::string_view type = n.type();
    if (type == "identifier") return std::string(n.text());
    if (type == "field_identifier") return std::string(n.text());
    if (type == "subscript_expression" || type == "pointer_expression" ||
        type == "parenthesized_expression") {
      n = type == "parenthesized_expression" ? n.child(0) : n.field("argument");
    } else if (type == "field_expression") {
      const Node object = n.field("argument");
      n = object.type() == "this" ? n.field("field") : object;
    } else {
      return "";
    }
  }
  return "";
}

// A container whose entries the program adds as it runs (a list, a set, a list per slot): how
// many a pass sees is not what the whole run adds. A container read item by item from the
// input, and a string, hold what was read.
bool holdsAddedEntries(const Model& model, const std::string& name, const Node& use) {
  if (name.empty()) return false;
  const Symbol* symbol = containerAt(model, name, use);
  if (!symbol || symbol->holdsInput) return false;
  switch (symbol->kind) {
    case ContainerKind::kVector:
    case ContainerKind::kOrdered:
    case ContainerKind::kHashed:
    case ContainerKind::kQueue:
    case ContainerKind::kHeap:
      return true;
    case ContainerKind::kArray:
      return symbol->nestedContainer;
    default:
      return false;
  }
}

// The container a loop walks: the range of a range-for, or X of X.size() in a condition.
std::string walkedContainer(const Model& model, const Node& loop) {
  if (loop.type() == "for_range_loop") {
    const Node range = loop.field("right");
    const std::string name = baseName(range);
    return holdsAddedEntries(model, name, range) ? name : "";
  }
  std::string found;
  visitNodes(loop.field("condition"), [&](const Node& n) {
    if (!found.empty()) return false;
    if (n.type() != "call_expression") return true;
    const Node callee = n.field("function");
    if (callee.type() != "field_expression") return true;
    const std::string_view member = callee.field("field").text();
    if (member != "size" && member != "length") return true;
    const std::string name = baseName(callee.field("argument"));
    if (holdsAddedEntries(model, name, n)) found = name;
    return false;
  });
  return found;
}

// Identifiers the subtree writes: x = .., x += .., ++x, x--.
bool writes(const Node& node, const std::string& name) {
  bool found = false;
  visitNodes(node, [&](const Node& n) {
    if (found) return false;
    Node target;
    if (n.type() == "assignment_expression") target = n.field("left");
    if (n.type() == "update_expression") target = n.field("argument");
    if (!target.null() && target.type() == "identifier" && target.text() == name) found = true;
    return true;
  });
  return found;
}

// Moves by a step: ++x, x--, x += .., x -= ...
bool moves(const Node& node, const std::string& name) {
  bool found = false;
  visitNodes(node, [&](const Node& n) {
    if (found) return false;
    Node target;
    if (n.type() == "update_expression") target = n.field("argument");
    if (n.type() == "assignment_expression") {
      const std::string_view op = n.field("operator").text();
      if (op == "+=" || op == "-=") target = n.field("left");
    }
    if (!target.null() && target.type() == "identifier" && target.text() == name) found = true;
    return true;
  });
  return found;
}

std::vector<std::string> identifiersIn(const Node& node) {
  std::vector<std::string> names;
  visitNodes(node, [&](const Node& n) {
    if (n.type() == "identifier") names.emplace_back(n.text());
    return true;
  });
  return names;
}

// A while loop inside another whose condition reads the data (s[i + k] == s[j + k]): how far
// it moves depends on what it reads, not on a counter alone.
bool stopsOnData(const Model& model, const Node& loop) {
  const std::string_view type = loop.type();
  if (type != "while_statement" && type != "do_statement") return false;
  bool found = false;
  visitNodes(loop.field("condition"), [&](const Node& n) {
    if (found) return false;
    if (n.type() == "subscript_expression") found = true;
    if (n.type() == "call_expression") {
      const std::string name(n.field("function").text());
      found = model.functions.count(name) > 0 || model.members.count(name) > 0;
    }
    return true;
  });
  return found;
}

// A for loop whose condition tests a name its body moves (++, +=) while its update clause moves
// another: the count the update implies is not the count the loop makes.
std::string counterChangedInBody(const Node& loop) {
  if (loop.type() != "for_statement") return "";
  const Node update = loop.field("update");
  if (update.null()) return "";
  const Node body = loop.field("body");
  for (const std::string& name : identifiersIn(loop.field("condition")))
    if (moves(body, name) && !writes(update, name)) return name;
  return "";
}

// Steps by a value that is not a constant (i += d), or divides its bound by one (n / k).
std::string variableStride(const Model& model, const Node& loop) {
  if (loop.type() != "for_statement") return "";
  std::string found;
  const auto nonConstant = [&](const Node& n) {
    return !n.null() && n.type() != "number_literal" && !evaluateConstant(model, n);
  };
  visitNodes(loop.field("update"), [&](const Node& n) {
    if (!found.empty()) return false;
    if (n.type() == "assignment_expression") {
      const std::string_view op = n.field("operator").text();
      if ((op == "+=" || op == "-=") && nonConstant(n.field("right")))
        found = std::string(n.field("right").text());
    }
    return true;
  });
  if (!found.empty()) return found;
  visitNodes(loop.field("condition"), [&](const Node& n) {
    if (!found.empty()) return false;
    if (n.type() == "binary_expression" && n.field("operator").text() == "/" &&
        nonConstant(n.field("right")))
      found = std::string(n.field("right").text());
    return true;
  });
  return found;
}

// Divides or multiplies a name its condition tests by a value that is not a constant
// (n /= b): a logarithm whose base varies.
std::string variableBase(const Model& model, const Node& loop) {
  std::string found;
  const Node condition = loop.field("condition");
  visitNodes(loop, [&](const Node& n) {
    if (!found.empty()) return false;
    if (n.type() != "assignment_expression") return true;
    const Node target = n.field("left");
    if (target.type() != "identifier" || !mentionsIdentifier(condition, target.text())) return true;
    const std::string_view op = n.field("operator").text();
    Node by = n.field("right");
    if (op == "=" && by.type() == "binary_expression") {
      const std::string_view inner = by.field("operator").text();
      if (inner != "/" && inner != "*") return true;
      by = by.field("right");
    } else if (op != "/=" && op != "*=") {
      return true;
    }
    if (by.type() != "number_literal" && !evaluateConstant(model, by)) found = by.text();
    return true;
  });
  return found;
}

std::string lineOf(const Node& loop) { return "the loop at line " + std::to_string(loop.line()); }

// How a loop priced by its range may take less than its range on each pass around it.
std::string describeSharedRange(const Model& model, const Node& loop, const Node& outer) {
  if (const std::string container = walkedContainer(model, loop); !container.empty())
    return lineOf(loop) + " was taken to see every entry " + container +
           " receives over the run on each pass around it; if the passes share them out, it "
           "costs less";
  if (outer.null()) return "";
  if (stopsOnData(model, loop))
    return lineOf(loop) +
           " stops on what it reads; each pass around it was charged its whole range, though "
           "the passes may share one range between them";
  return "";
}

// How a loop's count may not be what its condition and update imply.
std::string describeLooseCounter(const Model& model, const Node& loop) {
  if (const std::string counter = counterChangedInBody(loop); !counter.empty())
    return lineOf(loop) + " tests " + counter +
           ", which its body moves; its trip count was read from its condition alone";
  if (const std::string stride = variableStride(model, loop); !stride.empty())
    return lineOf(loop) + " steps by or divides by " + stride +
           ", which is not a constant; its passes were bounded by its whole range";
  return "";
}

// The loop itself, the loops around it in its function and the loops within it.
std::vector<Node> loopsAroundAndWithin(const Node& loop) {
  std::vector<Node> loops;
  for (Node up = loop; !up.null(); up = enclosingLoop(up)) loops.push_back(up);
  for (const Node& inner : descendantsOfType(loop.field("body"), {"for_statement"}))
    loops.push_back(inner);
  return loops;
}

int lastLine(const Node& n) { return static_cast<int>(ts_node_end_point(n.raw).row) + 1; }

// Whether no contribution within `function` grows faster than `own`: the loop is what a call
// of the function costs.
bool heaviestOfFunction(const std::vector<Contribution>& contributions, const Node& function,
                        const Monomial& own) {
  for (const Contribution& c : contributions)
    if (c.line >= function.line() && c.line <= lastLine(function) &&
        compareGrowth(dominantTerm(c.cost), own) > 0)
      return false;
  return true;
}

// Whether some call of `function` stands inside a loop: its loops run once per pass there.
bool calledInLoop(const Model& model, const std::string& function) {
  for (const Node& call : descendantsOfType(model.root, {"call_expression"})) {
    const Node callee = call.field("function");
    const Node name = callee.type() == "field_expression" ? callee.field("field") : callee;
    if (name.text() == function && !enclosingLoop(call).null()) return true;
  }
  return false;
}

}  // namespace

std::vector<Assumption> assumeFromNests(const Model& model, const Cost& time,
                                        const std::vector<Contribution>& contributions) {
  std::vector<Assumption> found;
  const Monomial top = dominantTerm(time);
  Monomial linearithmic;
  linearithmic.sizes["n"].power = kWholePower;
  linearithmic.sizes["n"].logs = 1;
  // Only a nest's overcount can lift an answer above n log n; a logarithm's base matters
  // whatever the answer.
  const bool nested = compareGrowth(top, linearithmic) > 0;
  const auto carriesTop = [&](const Cost& c) { return compareGrowth(dominantTerm(c), top) == 0; };

  for (const Contribution& c : contributions) {
    if (!nested) break;
    // A memo's row is in its own parameters: growing faster than the whole answer, some
    // dimension was lost when its calls' arguments were put in; that is no firmer a count.
    if (c.what.rfind("Memoised recursion", 0) == 0 && compareGrowth(dominantTerm(c.cost), top) >= 0)
      found.push_back({c.line, "time",
                       "the states of the memo at line " + std::to_string(c.line) +
                           " were counted as every combination of its arguments' ranges; if "
                           "some are tied to others, there are fewer",
                       "medium"});
    if (carriesTop(c.cost) && (c.what == "vector erase" || c.what == "vector insert"))
      found.push_back({c.line, "time",
                       "the " + c.what.substr(7) + " at line " + std::to_string(c.line) +
                           " was charged the whole vector each time; near its end it costs less",
                       "medium"});
  }
  for (const Node& loop : descendantsOfType(
           model.root, {"for_statement", "while_statement", "do_statement", "for_range_loop"})) {
    std::optional<Monomial> own;
    bool plain = false, logarithmic = false;
    for (const Contribution& c : contributions) {
      if (c.line != loop.line()) continue;
      const Monomial term = dominantTerm(c.cost);
      if (!own || compareGrowth(term, *own) > 0) own = term;
      plain = plain || countedByItsRange(c.what);
      logarithmic = logarithmic || c.what.rfind("Logarithmic", 0) == 0;
    }
    if (!own || !((plain && nested) || logarithmic) || own->sizes.empty()) continue;
    const Node outer = enclosingLoop(loop);
    bool carries = !outer.null() && compareGrowth(*own, top) == 0;
    const Node function = enclosingFunction(loop);
    // A recursive function's row stands at its first line: a loop in its body runs once per
    // call the recursion makes.
    if (!carries && !function.null() && compareGrowth(*own, top) < 0)
      for (const Contribution& c : contributions)
        carries = carries || (c.line == function.line() && carriesTop(c.cost) &&
                              c.what.find(" in ") != std::string::npos);
    if (!carries) {
      const std::string name = functionNameOf(model, function);
      if (!name.empty() && calledInLoop(model, name))
        for (const Contribution& c : contributions)
          carries = carries || (c.what == "call to " + name && carriesTop(c.cost) &&
                                compareGrowth(*own, top) < 0);
      carries = carries && heaviestOfFunction(contributions, function, *own);
    }
    if (!carries) continue;

    std::string text;
    if (logarithmic) {
      if (const std::string base = variableBase(model, loop); !base.empty())
        text = lineOf(loop) + " divides by " + base +
               ", which is not a constant; each pass was charged the steps of the smallest base";
      if (!text.empty()) found.push_back({loop.line(), "time", text, "medium"});
      continue;
    }
    text = describeSharedRange(model, loop, outer);
    // A nest counts as much as its loops together: one of them whose count is not what its
    // update implies leaves the whole nest loose.
    for (const Node& other : loopsAroundAndWithin(loop)) {
      if (!text.empty()) break;
      if (countedByItsRange(contributions, other)) text = describeLooseCounter(model, other);
    }
    if (!text.empty()) found.push_back({loop.line(), "time", text, "medium"});
  }
  return found;
}

}  // namespace quorbel
