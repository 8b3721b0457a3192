#include "model/loop_parts.h"

#include <mutex>
#include <set>

#include "model/element_rows.h"
#include "model/nodes_of_type.h"

namespace quorbel {
namespace {

// x & -x of int lowbit(int x) { return x & -x; }: what a top-level function of one return
// statement, called by its plain name, returns; null for anything else.
Node returnedByTopLevelFunction(const Node& call) {
  const Node callee = call.field("function");
  if (callee.type() != "identifier") return {};
  Node root = call;
  while (!root.parent().null()) root = root.parent();
  for (const Node& definition : childrenOf(root)) {
    if (definition.type() != "function_definition") continue;
    const Node declarator = definition.field("declarator");
    if (declarator.type() != "function_declarator" ||
        declarator.field("declarator").text() != callee.text())
      continue;
    const std::vector<Node> statements = childrenOf(definition.field("body"));
    if (statements.size() != 1 || statements[0].type() != "return_statement") return {};
    return statements[0].childCount() > 0 ? statements[0].child(0) : Node{};
  }
  return {};
}

bool isComparison(std::string_view op) {
  return op == "<" || op == "<=" || op == ">" || op == ">=" || op == "!=" || op == "==";
}

bool isLowBit(const Node& e, std::string_view variable = "", int depth = 0) {
  // i & -i, i & (-i), (i & -i)
  const Node n = unwrap(e);
  if (n.type() == "binary_expression")
    return n.field("operator").text() == "&" && n.text().find('-') != std::string_view::npos;
  // lowbit(i) with int lowbit(int x) { return x & -x; } defined at the top level
  if (n.type() != "call_expression" || depth > 0 ||
      !mentionsIdentifier(n.field("arguments"), variable))
    return false;
  const Node returned = returnedByTopLevelFunction(n);
  return !returned.null() && isLowBit(returned, "", depth + 1);
}

}  // namespace

bool isIdentifierNamed(const Node& node, std::string_view name) {
  return !node.null() && node.type() == "identifier" && node.text() == name;
}

// Strips parentheses and casts.
Node unwrap(Node node) {
  for (int guard = 0; guard < 8 && !node.null(); ++guard) {
    const std::string_view type = node.type();
    if (type == "parenthesized_expression" || type == "condition_clause")
      node = node.child(0);
    else if (type == "cast_expression")
      node = node.field("value");
    else
      break;
  }
  return node;
}

Node unwrapConversions(const Model& model, Node node) {
  for (int guard = 0; guard < 8 && !node.null(); ++guard) {
    node = unwrap(node);
    if (node.null() || node.type() != "call_expression") break;
    const Node function = node.field("function");
    const Node arguments = node.field("arguments");
    const std::string_view type = function.type();
    const bool converts =
        type == "primitive_type" || type == "sized_type_specifier" ||
        (type == "identifier" && model.scalarAliases.count(std::string(function.text()))) ||
        (type == "template_function" && function.field("name").text() == "static_cast");
    if (!converts || arguments.childCount() != 1) break;
    node = arguments.child(0);
  }
  return node;
}

// The comparisons joined by && in a condition.
void collectComparisons(const Node& condition, std::vector<Comparison>& out) {
  const Node c = unwrap(condition);
  if (c.null()) return;
  if (c.type() == "binary_expression") {
    const std::string op(c.field("operator").text());
    if (op == "&&" || op == "and") {
      collectComparisons(c.field("left"), out);
      collectComparisons(c.field("right"), out);
      return;
    }
    if (isComparison(op)) out.push_back({c.field("left"), c.field("right"), op});
  }
}

// The variable a for-initialiser starts, and its start value.
std::pair<std::string, Node> readInitialiser(const Node& init) {
  if (init.null()) return {"", {}};
  if (init.type() == "declaration") {
    for (const Node& d : childrenOf(init))
      if (d.type() == "init_declarator") return {declaredName(d), d.field("value")};
    return {"", {}};
  }
  Node e = init.type() == "comma_expression" ? init.field("left") : init;
  if (e.type() == "assignment_expression" && e.field("left").type() == "identifier")
    return {std::string(e.field("left").text()), e.field("right")};
  // for (t[i += n] = v; i > 1; i >>= 1): the variable is set inside the statement; from
  // i += n it starts at least at n.
  Node inner = findDescendant(e.type() == "assignment_expression" ? e.field("left") : e,
                              {"assignment_expression"});
  if (!inner.null() && inner.field("left").type() == "identifier")
    return {std::string(inner.field("left").text()), inner.field("right")};
  if (e.type() == "assignment_expression")
    return {std::string(e.field("left").text()), e.field("right")};
  return {"", {}};
}

Update readUpdate(const Node& update, const std::string& variable) {
  Node u = unwrap(update);
  if (u.null()) return {};
  if (u.type() == "comma_expression") {
    Update first = readUpdate(u.field("left"), variable);
    return first.op.empty() ? readUpdate(u.field("right"), variable) : first;
  }
  // --(i) and (i) += 2, as macros parenthesise their arguments
  if (u.type() == "update_expression" && isIdentifierNamed(unwrap(u.field("argument")), variable))
    return {std::string(u.field("operator").text()), {}};
  if (u.type() != "assignment_expression" || !isIdentifierNamed(unwrap(u.field("left")), variable))
    return {};
  const std::string op(u.field("operator").text());
  const Node right = unwrap(u.field("right"));
  if ((op == "+=" || op == "-=") && isLowBit(right, variable)) return {"lowbit", {}};
  if (op == "&=" || op == "|=") return {"lowbit", {}};
  if (op != "=") return {op, right};
  // i = i * 2, i = i / 2, i = (i - 1) & mask, i = i + step
  if (right.type() == "binary_expression") {
    const std::string inner(right.field("operator").text());
    const Node l = unwrap(right.field("left")), r = unwrap(right.field("right"));
    if (inner == "&" && l.type() == "binary_expression" && mentionsIdentifier(l, variable))
      return {(l.field("operator").text() == "-") ? "submask" : "lowbit", {}};
    if (isIdentifierNamed(l, variable)) {
      if (inner == "*") return {"*=", r};
      if (inner == "/") return {"/=", r};
      // i = i + (i & -i): the lowbit step written out
      if ((inner == "+" || inner == "-") && isLowBit(r, variable)) return {"lowbit", {}};
      if (inner == "+") return {"+=", r};
      if (inner == "-") return {"-=", r};
      if (inner == "<<") return {"<<=", r};
      if (inner == ">>") return {">>=", r};
    }
  }
  return {};
}

bool isGeometric(const std::string& op) {
  return op == "*=" || op == "/=" || op == "<<=" || op == ">>=" || op == "lowbit";
}

// 2 * k, k * 2, k << 1, k + k, and any of them plus or or one: `variable` doubled.
bool isDoubled(const Node& value, std::string_view variable) {
  Node v = unwrap(value);
  if (v.type() == "binary_expression" &&
      (v.field("operator").text() == "+" || v.field("operator").text() == "|") &&
      unwrap(v.field("right")).text() == "1")
    v = unwrap(v.field("left"));
  if (v.type() != "binary_expression") return false;
  const std::string_view op = v.field("operator").text();
  const Node l = unwrap(v.field("left")), r = unwrap(v.field("right"));
  if (op == "*")
    return (isIdentifierNamed(l, variable) && r.text() == "2") ||
           (isIdentifierNamed(r, variable) && l.text() == "2");
  if (op == "<<") return isIdentifierNamed(l, variable) && r.text() == "1";
  return op == "+" && isIdentifierNamed(l, variable) && isIdentifierNamed(r, variable);
}

namespace {

// k = c with c = 2 * k (+ 1) set earlier in `body`: a sift down a heap laid out in an array.
bool stepsToDoubled(const Node& body, const std::string& variable) {
  std::set<std::string> doubled;
  bool steps = false;
  visitNodes(body, [&](const Node& n) {
    if (steps || n.type() == "lambda_expression") return false;
    Node target, value;
    if (n.type() == "init_declarator") {
      target = n.field("declarator");
      value = n.field("value");
    }
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=") {
      target = unwrap(n.field("left"));
      value = unwrap(n.field("right"));
    }
    if (target.type() != "identifier" || value.null()) return true;
    if (isDoubled(value, variable)) doubled.insert(std::string(target.text()));
    if (target.text() == variable && value.type() == "identifier" &&
        doubled.count(std::string(value.text())))
      steps = true;
    return !steps;
  });
  return steps;
}

}  // namespace

// The update of `variable` in a body; a halving or doubling one wins over a step by one
// (`if (n % 2) n -= 1; else n /= 2;` halves at least every other pass).
Update findUpdateIn(const Node& body, const std::string& variable) {
  Update found;
  bool copies = false;  // variable = another name: perhaps a doubled index kept aside
  visitNodes(body, [&](const Node& n) {
    if (isGeometric(found.op)) return false;
    if (n.type() == "lambda_expression") return false;
    if (n.type() == "update_expression" || n.type() == "assignment_expression") {
      Update u = readUpdate(n, variable);
      if (!u.op.empty() && (found.op.empty() || isGeometric(u.op))) found = u;
      copies = copies || (n.type() == "assignment_expression" &&
                          isIdentifierNamed(unwrap(n.field("left")), variable) &&
                          unwrap(n.field("right")).type() == "identifier");
    }
    return !isGeometric(found.op);
  });
  if (!isGeometric(found.op) && copies && stepsToDoubled(body, variable)) return {"*=", {}};
  return found;
}

// The size of an array the body indexes with `variable`: bit[i] in a Fenwick loop.
Cost indexedArraySize(const Model& model, const Node& body, const std::string& variable) {
  Cost size;
  visitNodes(body, [&](const Node& n) {
    if (!isConstantCost(size)) return false;
    if (n.type() == "subscript_expression" && mentionsIdentifier(n.field("indices"), variable))
      size = containerSize(model, containerName(n.field("argument")), n);
    return isConstantCost(size);
  });
  return size;
}

Node nestedRow(const Model& model, const Node& expression) {
  const Node call = unwrap(expression);
  if (call.type() != "call_expression") return {};
  const Node f = call.field("function");
  if (f.type() != "field_expression") return {};
  const std::string_view method = f.field("field").text();
  if (method != "size" && method != "begin" && method != "end" && method != "length") return {};
  const Node row = unwrap(f.field("argument"));
  if (row.type() == "field_expression") return memberRow(model, row);
  if (const Node text = stringRow(model, row); !text.null()) return text;
  // g[0].size(): a table's row length, not a share of what its rows hold.
  if (row.type() != "subscript_expression" || !fixedRowOwner(row).null()) return {};
  const Symbol* symbol = findSymbol(model, containerName(row.field("argument")));
  return symbol && symbol->nestedContainer && row.field("argument").type() == "identifier" ? row
                                                                                           : Node{};
}

namespace {

// A row of main's reached outside every loop (sort(comp[best].begin(), ...)): read once, for a
// row the input may fill with every entry, not for each row in turn.
bool readOnceInMain(const Node& row) {
  for (Node p = row.parent(); !p.null(); p = p.parent()) {
    if (isLoopNode(p) || p.type() == "lambda_expression") return false;
    if (p.type() == "function_definition") return declaredName(p.field("declarator")) == "main";
  }
  return false;
}

}  // namespace

Cost rowShare(const Model& model, const Node& row, const std::vector<EnclosingLoop>& frames) {
  if (row.type() == "field_expression") return memberRowShare(model, row, frames);
  if (!stringRow(model, row).null()) return stringRowShare(model, row, frames);
  std::string base = containerName(row.field("argument"));
  // cnt[u] of t[u][cnt[u]] = v: the length of t's row u
  auto counted = model.counted.rowCounts.find(base);
  if (counted != model.counted.rowCounts.end()) base = counted->second;
  const Node indices = row.field("indices");
  const Node index = indices.type() == "subscript_argument_list" ? indices.child(0) : indices;
  const EnclosingLoop* owner = frameOf(frames, index.text());
  if (!owner && readOnceInMain(row)) return edgeCount(model, base);
  Cost rows = owner ? owner->trips : vertexCount(model, base);
  // rows of a literal extent the input leaves unnamed: as many as a drain over them visits
  if (counted != model.counted.rowCounts.end() && isConstantCost(rows)) rows = primarySize(model);
  return divideCosts(edgeCount(model, base), rows);
}

// ---- Questions about the loop's surroundings ----

namespace {

// v.size(), (int)v.size(), size(v), ssize(v): the container whose size `expression` takes.
std::string sizeTakenOf(const Model& model, const Node& expression) {
  const Node call = unwrapConversions(model, expression);
  if (call.null() || call.type() != "call_expression") return "";
  const Node f = call.field("function");
  if (f.type() == "field_expression")
    return f.field("field").text() == "size" ? containerName(f.field("argument")) : "";
  const std::string_view name = f.text();
  const Node arguments = call.field("arguments");
  if ((name == "size" || name == "std::size" || name == "ssize" || name == "std::ssize") &&
      arguments.childCount() == 1)
    return containerName(arguments.child(0));
  return "";
}

}  // namespace

Node valueBefore(const Node& loop, std::string_view name, const Node& enclosing) {
  Node found;
  auto read = [&](const Node& n) {
    if (n.type() == "init_declarator" && declaredName(n) == name) found = n.field("value");
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=" &&
        isIdentifierNamed(n.field("left"), name))
      found = n.field("right");
  };
  visitNodes(loop.field("initializer"), [&](const Node& n) {
    if (found.null()) read(n);
    return found.null();
  });
  const uint32_t before = ts_node_start_byte(loop.raw);
  visitNodes(enclosing.field("body"), [&](const Node& n) {
    if (!found.null() || ts_node_start_byte(n.raw) >= before) return false;
    read(n);
    return found.null();
  });
  return found;
}

std::string doubledContainer(const Model& model, const Node& loop, const Node& bound,
                             const Node& enclosing) {
  Node b = unwrapConversions(model, bound);
  // v.size() - 1 as the start of a loop walking down
  if (b.type() == "binary_expression" && evaluateConstant(model, b.field("right")) &&
      (b.field("operator").text() == "-" || b.field("operator").text() == "+"))
    b = unwrapConversions(model, b.field("left"));
  if (b.null()) return "";
  const Node header = loop.field("initializer");
  const bool once = !header.null() && !bound.null() &&
                    ts_node_start_byte(bound.raw) >= ts_node_start_byte(header.raw) &&
                    ts_node_end_byte(bound.raw) <= ts_node_end_byte(header.raw);
  std::string taken = sizeTakenOf(model, b);
  // int k = v.size(); in the enclosing pass before the loop, or in the loop's own header
  if (taken.empty() && b.type() == "identifier")
    taken = sizeTakenOf(model, valueBefore(loop, b.text(), enclosing));
  // for (j = 0; j < v.size(); j++) v.push_back(..) never ends: only a size taken before.
  else if (!taken.empty() && !once)
    return "";
  if (taken.empty() || !pushesInto(loop.field("body"), taken, Node{})) return "";
  return taken;
}

Node countedRow(const Model& model, const Node& loop, const Node& bound, const Node& enclosing) {
  Node b = unwrapConversions(model, bound);
  if (b.type() == "identifier")
    b = unwrapConversions(model, valueBefore(loop, b.text(), enclosing));
  if (b.type() != "subscript_expression" ||
      !model.counted.rowCounts.count(containerName(b.field("argument"))))
    return {};
  return b;
}

// True when `variable` is declared, or assigned other than by ++/+=, inside `scope`
// (so that it starts over on every pass of the loop `scope` is the body of).
bool resetInside(const Node& scope, const std::string& variable, const Node& exclude) {
  bool reset = false;
  visitNodes(scope, [&](const Node& n) {
    if (reset || n == exclude) return false;
    if (n.type() == "init_declarator" && declaredName(n) == variable) reset = true;
    if (n.type() == "declaration")
      for (const Node& d : childrenOf(n))
        if (d.type() == "identifier" && d.text() == variable) reset = true;
    // k = fail[k - 1] moves k from where it is; only a value without k starts it over
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=" &&
        isIdentifierNamed(n.field("left"), variable) &&
        !mentionsIdentifier(n.field("right"), variable))
      reset = true;
    return !reset;
  });
  return reset;
}

bool callsMethodOn(const Node& scope, const std::string& object,
                   std::initializer_list<std::string_view> methods, const Node& exclude = {}) {
  bool found = false;
  visitNodes(scope, [&](const Node& n) {
    if (found || (!exclude.null() && n == exclude)) return false;
    if (n.type() == "call_expression") {
      const Node f = n.field("function");
      if (f.type() == "field_expression" && containerName(f.field("argument")) == object)
        for (std::string_view m : methods)
          if (f.field("field").text() == m) found = true;
    }
    return !found;
  });
  return found;
}

bool pushesInto(const Node& scope, const std::string& object, const Node& exclude) {
  return callsMethodOn(scope, object,
                       {"push", "push_back", "emplace", "emplace_back", "push_front", "insert"},
                       exclude);
}

bool popsFrom(const Node& scope, const std::string& object) {
  return callsMethodOn(scope, object, {"pop_back", "pop", "pop_front"});
}

namespace {

// if (..) break; or if (..) { ...; break; }: the test itself ends the walk, not one nested in it.
bool breaksDirectly(const Node& consequence) {
  if (consequence.type() == "break_statement") return true;
  if (consequence.type() != "compound_statement") return false;
  for (const Node& statement : childrenOf(consequence))
    if (statement.type() == "break_statement") return true;
  return false;
}

}  // namespace

bool stopsAtMarks(const Node& body, const std::string& variable) {
  std::string tested;
  std::string_view entry;  // the index the test reads, which the mark must write
  bool marks = false;
  visitNodes(body, [&](const Node& n) {
    if (n.type() == "if_statement" && tested.empty() && breaksDirectly(n.field("consequence"))) {
      const Node lookup = findDescendant(n.field("condition"), {"subscript_expression"});
      if (!lookup.null() && mentionsIdentifier(lookup.field("indices"), variable)) {
        tested = containerName(lookup);
        entry = lookup.field("indices").text();
      }
    }
    if (n.type() == "assignment_expression" && !tested.empty()) {
      const Node left = unwrap(n.field("left"));
      marks = marks || (left.type() == "subscript_expression" && containerName(left) == tested &&
                        left.field("indices").text() == entry);
    }
    return true;
  });
  return marks;
}

std::string walkedContainer(const EnclosingLoop& frame, const Node& use) {
  if (frame.node.type() == "for_range_loop")
    return containerName(unwrap(frame.node.field("right")));
  std::string name;
  if (frame.variable.empty()) return name;
  const auto indexed = [&](const Node& scope) {
    visitNodes(scope, [&](const Node& n) {
      if (name.empty() && n.type() == "subscript_expression" &&
          isIdentifierNamed(unwrap(n.field("indices")).type() == "subscript_argument_list"
                                ? unwrap(n.field("indices")).child(0)
                                : unwrap(n.field("indices")),
                            frame.variable))
        name = containerName(n.field("argument"));
      return name.empty();
    });
  };
  indexed(use);
  // int L = q[i].l; while (cur > L): a local the pass took from the entry
  if (name.empty())
    visitNodes(use, [&](const Node& n) {
      if (n.type() != "identifier" || !name.empty()) return name.empty();
      const std::string local(n.text());
      visitNodes(frame.node.field("body"), [&](const Node& d) {
        if (name.empty() && d.type() == "init_declarator" && declaredName(d) == local)
          indexed(d.field("value"));
        return name.empty();
      });
      return name.empty();
    });
  return name;
}

namespace {

bool divides(const Node& scope) {
  bool found = false;
  visitNodes(scope, [&](const Node& n) {
    if (n.type() == "binary_expression" && n.field("operator").text() == "/") found = true;
    return !found;
  });
  return found;
}

// The calls of sort, std::sort and stable_sort in the order a walk meets them, found once per
// model: every loop of a program with window pointers asks.
std::vector<Node> sortCallsOf(const Model& model) {
  const auto search = [&] {
    std::vector<Node> calls;
    for (const Node& n : descendantsOfType(model.root, {"call_expression"})) {
      const std::string_view callee = n.field("function").text();
      if (callee == "sort" || callee == "std::sort" || callee == "stable_sort") calls.push_back(n);
    }
    return calls;
  };
  if (!model.answers) return search();
  std::lock_guard<std::mutex> lock(model.answers->mutex);
  if (!model.answers->sortCalls) model.answers->sortCalls = search();
  return *model.answers->sortCalls;
}

}  // namespace

bool sortedInBlocks(const Model& model, const std::string& container) {
  if (container.empty()) return false;
  for (const Node& n : sortCallsOf(model)) {
    const Node arguments = n.field("arguments");
    if (containerName(arguments.child(0)) != container) continue;
    const Node comparator = unwrap(arguments.child(2));
    bool found = false;
    if (comparator.type() == "lambda_expression") found = divides(comparator.field("body"));
    if (comparator.type() == "identifier") {
      auto function = model.functions.find(std::string(comparator.text()));
      found = function != model.functions.end() && divides(function->second.body);
    }
    // struct Query { bool operator<(...) const { return l / B != o.l / B ? ... } }
    if (comparator.null())
      for (const auto& [name, function] : model.functions)
        if (name.find("operator") != std::string::npos && divides(function.body)) found = true;
    if (found) return true;
  }
  return false;
}

// The container a condition asks about: !q.empty(), q.size() > 1, !st.empty() && ...
std::string testedContainer(const Node& condition) {
  std::string name;
  visitNodes(condition, [&](const Node& n) {
    if (!name.empty()) return false;
    if (n.type() == "call_expression") {
      const Node f = n.field("function");
      if (f.type() == "field_expression" &&
          (f.field("field").text() == "empty" || f.field("field").text() == "size"))
        name = containerName(f.field("argument"));
    }
    return name.empty();
  });
  return name;
}

// The adjacency list a body walks (for (auto v : adj[u]) or adj[u].size()), or empty.
std::string walkedAdjacency(const Model& model, const Node& body) {
  std::string name;
  visitNodes(body, [&](const Node& n) {
    if (!name.empty()) return false;
    // for (int v : adj[u]) or adj[u].size(): a list walked, not a cell of a grid read
    Node list;
    if (n.type() == "for_range_loop") list = unwrap(n.field("right"));
    if (n.type() == "field_expression" && n.field("field").text() == "size")
      list = unwrap(n.field("argument"));
    if (list.type() == "subscript_expression") {
      const std::string base = containerName(list.field("argument"));
      const Symbol* symbol = findSymbol(model, base);
      if (symbol && symbol->nestedContainer) name = base;
    }
    // for (i = 0, k = cnt[u]; i < k; i++): a row of a table kept with its lengths
    if (n.type() == "for_statement") {
      std::vector<Comparison> comparisons;
      collectComparisons(n.field("condition"), comparisons);
      for (const Comparison& c : comparisons)
        for (const Node& side : {c.left, c.right}) {
          const Node row = countedRow(model, n, side, Node{});
          if (name.empty() && !row.null())
            name = model.counted.rowCounts.at(containerName(row.field("argument")));
        }
    }
    return name.empty();
  });
  return name;
}

// The largest array the body writes with two or more subscripts (a grid a BFS fills).
std::string writtenGrid(const Model& model, const Node& body) {
  std::string name;
  visitNodes(body, [&](const Node& n) {
    if (!name.empty()) return false;
    if (n.type() == "assignment_expression") {
      const Node left = n.field("left");
      if (left.type() == "subscript_expression" &&
          left.field("argument").type() == "subscript_expression") {
        const std::string base = containerName(left);
        const Symbol* symbol = findSymbol(model, base);
        if (symbol && symbol->dimensions.size() >= 2) name = base;
      }
    }
    return name.empty();
  });
  return name;
}

namespace {

// i of x[i]: the index when it is a plain name, or "".
std::string plainIndex(const Node& subscript) {
  Node index = unwrap(subscript.field("indices"));
  if (index.type() == "subscript_argument_list" && index.childCount() == 1)
    index = unwrap(index.child(0));
  return index.type() == "identifier" ? std::string(index.text()) : std::string();
}

}  // namespace

Cost loopBoundedCells(const Model& model, const std::string& grid) {
  Cost cells;
  visitNodes(model.root, [&](const Node& n) {
    if (!isConstantCost(cells)) return false;
    if (n.type() != "subscript_expression" ||
        n.field("argument").type() != "subscript_expression" || containerName(n) != grid)
      return true;
    const std::string row = plainIndex(n.field("argument")), column = plainIndex(n);
    if (row.empty() || column.empty() || row == column) return true;
    Cost rows, columns;
    int guard = 0;
    for (Node p = n.parent(); !p.null() && guard < 64; p = p.parent(), ++guard) {
      if (p.type() != "for_statement") continue;
      const LoopFacts facts = loopFactsOf(model, p, {}, {});
      if (facts.step != StepKind::kCounted) continue;
      if (facts.variable == row && isConstantCost(rows)) rows = facts.trips;
      if (facts.variable == column && isConstantCost(columns)) columns = facts.trips;
    }
    if (!isConstantCost(rows) && !isConstantCost(columns)) cells = multiplyCosts(rows, columns);
    return true;
  });
  return cells;
}

// True when a loop body starts its marks over: memset, fill, assign, or a fresh
// `vector<int> dist(n, -1)`; a traversal inside such a loop is not shared between passes.
bool reinitialisesMarks(const Node& body) {
  bool found = false;
  visitNodes(body, [&](const Node& n) {
    if (found) return false;
    if (n.type() == "call_expression") {
      const Node f = n.field("function");
      const std::string_view name =
          f.type() == "field_expression" ? f.field("field").text() : f.text();
      if (name == "memset" || name == "fill" || name == "assign" || name == "std::fill")
        found = true;
    }
    if (n.type() == "init_declarator" && n.field("value").type() == "argument_list") found = true;
    if (n.type() == "function_declarator" && n.parent().type() == "declaration") found = true;
    return !found;
  });
  return found;
}

bool assignsHalf(const Node& body) {
  bool found = false;
  visitNodes(body, [&](const Node& n) {
    if (found) return false;
    if (n.type() == "binary_expression") {
      const std::string_view op = n.field("operator").text();
      const Node right = unwrap(n.field("right"));
      // a ternary search's thirds narrow the range as surely as halves
      if ((op == "/" && (right.text() == "2" || right.text() == "3")) ||
          (op == ">>" && right.text() == "1"))
        found = true;
    }
    return !found;
  });
  return found;
}

// Enclosing loop whose variable is `name`, or null.
const EnclosingLoop* frameOf(const std::vector<EnclosingLoop>& frames, std::string_view name) {
  for (auto it = frames.rbegin(); it != frames.rend(); ++it)
    if (it->variable == name) return &*it;
  return nullptr;
}

bool usesAsExponent(const Node& condition, const std::string& variable) {
  std::vector<Comparison> comparisons;
  collectComparisons(condition, comparisons);
  for (const Comparison& c : comparisons) {
    const bool onLeft = mentionsIdentifier(c.left, variable);
    if (onLeft == mentionsIdentifier(c.right, variable)) continue;
    const Node side = unwrap(onLeft ? c.left : c.right);
    if (side.type() == "binary_expression" && side.field("operator").text() == "<<" &&
        mentionsIdentifier(side.field("right"), variable) &&
        !mentionsIdentifier(side.field("left"), variable))
      return true;
    if (side.type() == "call_expression" &&
        (side.field("function").text() == "pow" || side.field("function").text() == "powl")) {
      const Node arguments = side.field("arguments");
      if (arguments.childCount() == 2 && !mentionsIdentifier(arguments.child(0), variable) &&
          mentionsIdentifier(arguments.child(1), variable))
        return true;
    }
  }
  return false;
}

Cost exponentOfRange(const Cost& range) {
  // 2^n gives n
  Cost exponent;
  for (const auto& [size, growth] : dominantTerm(range).sizes)
    if (growth.expBase > 1) exponent = addCosts(exponent, sizeCost(size));
  return exponent;
}

// How many times `variable` multiplies itself in a bound test: i * i (2), i * i * i (3),
// pow(i, 5) (5); 0 for a plain i.
int rootDegreeOf(const Model& model, const Node& side, const std::string& variable) {
  const Node e = unwrap(side);
  if (e.type() == "identifier") return e.text() == variable ? 1 : 0;
  if (e.type() == "call_expression") {
    const std::string_view name = e.field("function").text();
    const Node arguments = e.field("arguments");
    if ((name == "pow" || name == "std::pow" || name == "powl") &&
        mentionsIdentifier(arguments.child(0), variable)) {
      const auto exponent = evaluateConstant(model, arguments.child(1));
      return exponent && *exponent >= 2 && *exponent <= 7 ? static_cast<int>(*exponent) : 1;
    }
    return 0;
  }
  // (m = y * y + 36) >> 1 < lim: the value assigned is the one tested
  if (e.type() == "assignment_expression" && e.field("operator").text() == "=")
    return rootDegreeOf(model, e.field("right"), variable);
  if (e.type() != "binary_expression") return 0;
  const std::string_view op = e.field("operator").text();
  const int left = rootDegreeOf(model, e.field("left"), variable);
  const int right = rootDegreeOf(model, e.field("right"), variable);
  if (op == "*") return left + right;
  // 4 * x * x + 1, (i * i) >> 1: a constant added or a constant divisor keeps the degree
  if (op == "+" || op == "-") return std::max(left, right);
  if ((op == "/" || op == ">>") && !mentionsIdentifier(e.field("right"), variable)) return left;
  return 0;
}

}  // namespace quorbel
