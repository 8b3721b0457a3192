#include "analysis/nest_assumptions.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "model/inputs.h"
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

// Whether `node` takes values from the input: stream >> x, scanf, a reader of the program's.
bool readsInput(const Model& model, const Node& node) {
  bool found = false;
  visitNodes(node, [&](const Node& n) {
    if (found) return false;
    if (n.type() == "binary_expression" && n.field("operator").text() == ">>") {
      Node left = n.field("left");
      while (left.type() == "binary_expression") left = left.field("left");
      found = isInputStream(model, left);
    } else if (n.type() == "call_expression") {
      const std::string callee = readerCalleeOf(n);
      found = isLibraryReader(callee) || model.readers.count(callee) > 0;
    }
    return true;
  });
  return found;
}

// A count read on each pass of the loop around (k of cin >> k) that bounds a loop reading k
// items: over the passes the counts add up to the items read, not to passes times the largest.
std::string countReadPerPass(const Model& model, const Node& loop, const Node& outer) {
  if (loop.type() != "for_statement" || !readsInput(model, loop.field("body"))) return "";
  for (const std::string& name : identifiersIn(loop.field("condition"))) {
    const Symbol* symbol = findSymbolAt(model, name, loop);
    if (symbol && symbol->fromInput && symbol->scopeStart >= startOf(outer) &&
        symbol->scopeEnd <= endOf(outer) && !isTestCount(model, name))
      return name;
  }
  return "";
}

std::string lineOf(const Node& loop) { return "the loop at line " + std::to_string(loop.line()); }

// How a loop priced by its range may take less than its range on each pass around it.
std::string describeSharedRange(const Model& model, const Node& loop, const Node& outer) {
  if (const std::string container = walkedContainer(model, loop); !container.empty())
    return lineOf(loop) + " was taken to see every entry " + container +
           " receives over the run on each pass around it; if the passes share them out, it "
           "costs less";
  if (outer.null()) return "";
  if (const std::string count = countReadPerPass(model, loop, outer); !count.empty())
    return lineOf(loop) + " reads " + count +
           " items, a count read on each pass around it, and each pass was charged the "
           "largest; over the passes the counts add up to the items read";
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

// Whether some push_back, insert or push of `container` stands under an if: it keeps a part of
// what was walked when it was filled (the roots among the vertices).
bool filledUnderCondition(const Model& model, const std::string& container) {
  for (const Node& call : descendantsOfType(model.root, {"call_expression"})) {
    const Node callee = call.field("function");
    if (callee.type() != "field_expression" || baseName(callee.field("argument")) != container)
      continue;
    const std::string_view member = callee.field("field").text();
    if (member != "push_back" && member != "emplace_back" && member != "insert" &&
        member != "push" && member != "emplace")
      continue;
    for (Node up = call.parent(); !up.null() && !isFunctionNode(up); up = up.parent())
      if (up.type() == "if_statement") return true;
  }
  return false;
}

// The name a call calls: f of f(x), g of obj.g(x).
std::string calleeName(const Node& call) {
  const Node callee = call.field("function");
  return std::string((callee.type() == "field_expression" ? callee.field("field") : callee).text());
}

// Per function, the names its body calls; read once for the whole program.
std::map<std::string, std::set<std::string>> calleesOf(const Model& model) {
  std::map<std::string, std::set<std::string>> callees;
  for (const auto& [name, f] : model.functions) {
    if (f.body.null()) continue;
    for (const Node& call : descendantsOfType(f.body, {"call_expression"}))
      callees[name].insert(calleeName(call));
  }
  return callees;
}

// Another function that `function` calls and that calls `function` back, if any.
std::string mutualCaller(const std::map<std::string, std::set<std::string>>& callees,
                         const std::string& function) {
  const auto self = callees.find(function);
  if (self == callees.end()) return "";
  for (const std::string& other : self->second) {
    const auto back = callees.find(other);
    if (other != function && back != callees.end() && back->second.count(function)) return other;
  }
  return "";
}

// Whether the program merges sizes (sz[a] += sz[b]) or raises ranks that tie
// (rk[a] == rk[b]): what keeps a union-find's trees shallow. A comparison of ranks alone does
// not, when the rank grows on every union.
bool keepsTreesShallow(const Model& model) {
  for (const Node& n :
       descendantsOfType(model.root, {"assignment_expression", "binary_expression"})) {
    const std::string_view op = n.field("operator").text();
    if (!(n.type() == "assignment_expression" && op == "+=") &&
        !(n.type() == "binary_expression" && op == "=="))
      continue;
    const Node l = n.field("left"), r = n.field("right");
    if (l.type() == "subscript_expression" && r.type() == "subscript_expression" &&
        baseName(l) == baseName(r) && l.text() != r.text())
      return true;
  }
  return false;
}

bool hasAlpha(const Cost& cost) {
  for (const Monomial& term : cost.terms)
    for (const auto& [size, g] : term.sizes)
      if (g.alphas > 0) return true;
  return false;
}

bool queueDriven(const std::vector<Contribution>& contributions, const Node& loop) {
  for (const Contribution& c : contributions)
    if (c.line == loop.line() && c.what.rfind("Queue-driven", 0) == 0) return true;
  return false;
}

// An index moved by a value that is not a constant (t + e.time, f - w): a coordinate of the
// state that the edges change, not a literal flag.
bool movedIndex(const Node& subscript) {
  Node index = subscript.field("indices");
  if (index.null()) index = subscript.field("index");
  bool moved = false;
  visitNodes(index, [&](const Node& n) {
    if (moved) return false;
    if (n.type() == "binary_expression") {
      const std::string_view op = n.field("operator").text();
      moved = (op == "+" || op == "-") && n.field("left").type() != "number_literal" &&
              n.field("right").type() != "number_literal";
    }
    return true;
  });
  return moved;
}

// A queue loop that walks a list per entry (g[v]) and writes a table by two indices
// (dist[u][t] = ..): its states are a vertex and something more.
bool walksStateGraph(const Node& loop) {
  bool lists = false, table = false;
  visitNodes(loop.field("body"), [&](const Node& n) {
    if (n.type() == "for_range_loop" && n.field("right").type() == "subscript_expression")
      lists = true;
    if (n.type() == "field_expression" && n.field("argument").type() == "subscript_expression" &&
        (n.field("field").text() == "size" || n.field("field").text() == "begin"))
      lists = true;
    if (n.type() == "assignment_expression") {
      const Node left = n.field("left");
      table = table || (left.type() == "subscript_expression" &&
                        left.field("argument").type() == "subscript_expression" &&
                        (movedIndex(left) || movedIndex(left.field("argument"))));
    }
    return true;
  });
  return lists && table;
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

// The functions some call inside a loop calls: their loops run once per pass there.
std::set<std::string> calledInLoops(const Model& model) {
  std::set<std::string> names;
  for (const Node& call : descendantsOfType(model.root, {"call_expression"}))
    if (!enclosingLoop(call).null()) names.insert(calleeName(call));
  return names;
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
  std::map<std::string, std::set<std::string>> callees;  // read when first needed
  const std::set<std::string> inLoops = calledInLoops(model);
  const auto carriesTop = [&](const Cost& c) { return compareGrowth(dominantTerm(c), top) == 0; };

  for (const Node& loop : descendantsOfType(model.root, {"while_statement"})) {
    if (!nested || !queueDriven(contributions, loop) || !walksStateGraph(loop)) continue;
    found.push_back({loop.line(), "time",
                     lineOf(loop) +
                         " relaxes a table of more than one index over a graph's lists; its "
                         "states were counted as the queue's pushes of vertices, not as the "
                         "table's cells",
                     "medium"});
  }
  for (const Contribution& c : contributions) {
    if (c.what.rfind("Union-find", 0) != 0 || !hasAlpha(c.cost) || keepsTreesShallow(model))
      continue;
    found.push_back({c.line, "time",
                     "the union-find at line " + std::to_string(c.line) +
                         " was priced alpha(n) per call, as with union by size or rank; no "
                         "sizes are merged nor ties ranked, and path compression alone gives "
                         "log n",
                     "medium"});
    break;
  }
  for (const Contribution& c : contributions) {
    const std::string::size_type in = c.what.rfind(" in ");
    if (!nested || in == std::string::npos || !carriesTop(c.cost)) continue;
    const std::string function = c.what.substr(in + 4);
    if (callees.empty()) callees = calleesOf(model);
    if (const std::string other = mutualCaller(callees, function); !other.empty())
      found.push_back({c.line, "time",
                       function + " and " + other +
                           " call each other; the recursion was priced as if " + function +
                           " alone walked it, though each call may see only what is left",
                       "medium"});
  }
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
      if (!name.empty() && inLoops.count(name))
        for (const Contribution& c : contributions)
          carries = carries || (c.what == "call to " + name && carriesTop(c.cost) &&
                                compareGrowth(*own, top) < 0);
      carries = carries && heaviestOfFunction(contributions, function, *own);
    }
    // A loop over a container's entries whose passes hold the largest term (a traversal from
    // every root listed): the passes may share their work out as the entries share the items.
    if (!carries && plain && nested) {
      const std::string container = walkedContainer(model, loop);
      bool holdsTop = false;
      for (const Contribution& c : contributions)
        holdsTop = holdsTop || (c.line >= loop.line() && c.line <= lastLine(loop) &&
                                !countedByItsRange(c.what) && carriesTop(c.cost));
      if (!container.empty() && holdsTop && filledUnderCondition(model, container))
        found.push_back({loop.line(), "time",
                         lineOf(loop) + " walks every entry " + container +
                             " receives, and each pass was charged the whole of its work; if "
                             "the passes share that work out, it costs less",
                         "medium"});
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
