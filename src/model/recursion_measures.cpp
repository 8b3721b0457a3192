#include "model/recursion_measures.h"

#include <cstdlib>
#include <optional>

#include "model/loop_parts.h"

namespace quorbel {
namespace {

Node bare(Node node) {
  while (!node.null() && node.type() == "parenthesized_expression") node = node.child(0);
  return node;
}

bool within(const Node& inner, const Node& outer) {
  return !outer.null() && ts_node_start_byte(inner.raw) >= ts_node_start_byte(outer.raw) &&
         ts_node_end_byte(inner.raw) <= ts_node_end_byte(outer.raw);
}

// x / 2, x >> 1 written out.
bool isLiteralHalf(const Node& node) {
  const Node n = bare(node);
  if (n.type() != "binary_expression") return false;
  const std::string_view op = n.field("operator").text(), right = bare(n.field("right")).text();
  return (op == "/" && right == "2") || (op == ">>" && right == "1");
}

// The declaration of local `name` in `body`: its init_declarator, or null.
Node localDeclaration(const Node& body, std::string_view name) {
  Node found;
  visitNodes(body, [&](const Node& n) {
    if (!found.null()) return false;
    if (n.type() == "init_declarator" && declaredName(n) == name) found = n;
    return found.null();
  });
  return found;
}

bool assignedIn(const Node& body, std::string_view name) {
  bool assigned = false;
  visitNodes(body, [&](const Node& n) {
    if (assigned) return false;
    if ((n.type() == "assignment_expression" || n.type() == "update_expression") &&
        isIdentifierNamed(bare(n.field(n.type() == "assignment_expression" ? "left" : "argument")),
                          name))
      assigned = true;
    return !assigned;
  });
  return assigned;
}

bool isParameter(const Function& function, std::string_view name) {
  for (const std::string& p : function.parameters)
    if (!p.empty() && p == name) return true;
  return false;
}

// How a call moves one parameter: by a constant (go(i + 1)), by one more set bit
// (used | 1 << j), or in a way this does not read.
struct Delta {
  enum Kind { kUnknown, kArithmetic, kBit } kind = kUnknown;
  long long by = 0;
};

bool isShiftedOne(const Node& node) {
  const Node n = bare(node);
  if (n.type() != "binary_expression" || n.field("operator").text() != "<<") return false;
  const std::string_view one = bare(n.field("left")).text();
  return one == "1" || one == "1LL" || one == "1ll" || one == "1u" || one == "1ULL" ||
         one == "1ull";
}

Delta deltaOf(const Node& argument, const std::string& parameter) {
  const Node a = bare(argument);
  if (a.null()) return {};
  if (isIdentifierNamed(a, parameter)) return {Delta::kArithmetic, 0};
  if (a.type() != "binary_expression") return {};
  const std::string_view op = a.field("operator").text();
  const Node left = bare(a.field("left")), right = bare(a.field("right"));
  const bool ownLeft = isIdentifierNamed(left, parameter);
  const bool ownRight = isIdentifierNamed(right, parameter);
  if ((op == "+" || op == "-") && (ownLeft || (ownRight && op == "+"))) {
    const Node other = ownLeft ? right : left;
    if (other.type() != "number_literal") return {};
    const long long by = std::strtoll(std::string(other.text()).c_str(), nullptr, 0);
    return {Delta::kArithmetic, op == "-" ? -by : by};
  }
  if ((op == "|" || op == "^" || op == "+") && (ownLeft || ownRight) &&
      isShiftedOne(ownLeft ? right : left))
    return {Delta::kBit, 1};
  return {};
}

}  // namespace

bool isHalfExpression(const Node& body, const Node& expression) {
  bool half = false;
  visitNodes(expression, [&](const Node& n) {
    if (half) return false;
    if (isLiteralHalf(n)) half = true;
    if (n.type() == "identifier") {
      const Node declaration = localDeclaration(body, n.text());
      // int m = (l + r) / 2, int m = l + (r - l) / 2, int h = s.size() >> 1
      if (!declaration.null() && !within(declaration, expression))
        visitNodes(declaration.field("value"), [&](const Node& v) {
          half = half || isLiteralHalf(v);
          return !half;
        });
    }
    return !half;
  });
  return half;
}

bool isHalfSliceOf(const Function& function, const Node& argument, const std::string& parameter) {
  const Node a = bare(argument);
  if (a.type() != "identifier" || isParameter(function, a.text())) return false;
  const Node declaration = localDeclaration(function.body, a.text());
  if (declaration.null()) return false;
  const Node value = declaration.field("value");
  return !value.null() && mentionsIdentifier(value, parameter) &&
         isHalfExpression(function.body, value);
}

bool onPowerBelow(const Node& body, const Node& argument, const std::string& parameter) {
  bool found = false;
  visitNodes(argument, [&](const Node& id) {
    if (found) return false;
    if (id.type() != "identifier" || id.text() == parameter) return true;
    // p *= 10 (or p = p * 10) in a loop whose condition reads the parameter
    visitNodes(body, [&](const Node& n) {
      if (found) return false;
      if (n.type() != "assignment_expression" ||
          !isIdentifierNamed(bare(n.field("left")), id.text()))
        return true;
      const std::string_view op = n.field("operator").text();
      const Node right = bare(n.field("right"));
      bool geometric = op == "*=" && right.type() == "number_literal";
      if (op == "=" && right.type() == "binary_expression" &&
          right.field("operator").text() == "*") {
        const Node l = bare(right.field("left")), r = bare(right.field("right"));
        geometric = (isIdentifierNamed(l, id.text()) && r.type() == "number_literal") ||
                    (isIdentifierNamed(r, id.text()) && l.type() == "number_literal");
      }
      if (!geometric) return true;
      for (Node loop = n.parent(); !loop.null() && !(loop == body); loop = loop.parent()) {
        if (!isLoopNode(loop)) continue;
        const Node condition = loop.field("condition");
        if (!condition.null() && mentionsIdentifier(condition, parameter) &&
            mentionsIdentifier(condition, id.text()))
          found = true;
        break;
      }
      return !found;
    });
    return !found;
  });
  return found;
}

bool prunesAgainstBound(const Model& model, const Function& function,
                        const std::vector<Node>& calls) {
  std::vector<std::string> changed, unchanged;
  for (size_t k = 0; k < function.parameters.size(); ++k) {
    const std::string& p = function.parameters[k];
    if (p.empty()) continue;
    bool passed = true;
    for (const Node& call : calls) {
      const Node arguments = call.field("arguments");
      if (k >= arguments.childCount() ||
          !isIdentifierNamed(bare(arguments.child(static_cast<uint32_t>(k))), p))
        passed = false;
    }
    if (passed) unchanged.push_back(p);
    // the ends of the range: handed a midpoint by some call (l, m and m + 1, r)
    for (const Node& call : calls) {
      const Node arguments = call.field("arguments");
      if (!passed && k < arguments.childCount() &&
          isHalfExpression(function.body, arguments.child(static_cast<uint32_t>(k)))) {
        changed.push_back(p);
        break;
      }
    }
  }
  if (changed.empty()) return false;
  // A bound is a parameter passed unchanged, or a global scalar the function never assigns.
  auto isBound = [&](const Node& side) {
    bool bound = false;
    visitNodes(side, [&](const Node& n) {
      if (bound) return false;
      if (n.type() != "identifier") return true;
      for (const std::string& p : unchanged)
        if (n.text() == p) bound = true;
      if (!bound && !isParameter(function, n.text())) {
        const Symbol* symbol = findSymbolAt(model, n.text(), n);
        bound = symbol && symbol->scope.empty() && !symbol->isConstant && !symbol->member &&
                symbol->kind == ContainerKind::kScalar && !assignedIn(function.body, n.text());
      }
      return !bound;
    });
    return bound;
  };
  auto isChanged = [&](const Node& side) {
    for (const std::string& p : changed)
      if (mentionsIdentifier(side, p)) return true;
    return false;
  };
  bool prunes = false;
  visitNodes(function.body, [&](const Node& n) {
    if (prunes) return false;
    if (n.type() != "if_statement") return true;
    const Node consequence = n.field("consequence");
    if (findDescendant(consequence, {"return_statement"}).null()) return true;
    visitNodes(n.field("condition"), [&](const Node& c) {
      if (prunes) return false;
      if (c.type() != "binary_expression") return true;
      const std::string_view op = c.field("operator").text();
      if (op != "<" && op != "<=" && op != ">" && op != ">=") return true;
      const Node left = c.field("left"), right = c.field("right");
      if ((isChanged(left) && !isBound(left) && isBound(right) && !isChanged(right)) ||
          (isChanged(right) && !isBound(right) && isBound(left) && !isChanged(left)))
        prunes = true;
      return !prunes;
    });
    return !prunes;
  });
  return prunes;
}

bool walksFromComputedVertex(const Function& function, const Node& loop) {
  if (loop.null()) return false;
  const Node walked =
      loop.type() == "for_range_loop" ? loop.field("right") : loop.field("condition");
  const Node subscript = findDescendant(walked, {"subscript_expression"});
  if (subscript.null()) return false;
  const Node indices = subscript.field("indices");
  const Node index = bare(
      indices.type() == "identifier" || indices.childCount() == 0 ? indices : indices.child(0));
  if (index.type() != "identifier") return false;
  // gone[c] = true, then the walk tests gone[u]: the picked vertex is removed for good
  bool removed = false;
  visitNodes(function.body, [&](const Node& n) {
    if (removed) return false;
    if (n.type() != "assignment_expression") return true;
    const Node left = bare(n.field("left"));
    if (left.type() != "subscript_expression") return true;
    const Node at = left.field("indices");
    const Node first = bare(at.type() == "identifier" || at.childCount() == 0 ? at : at.child(0));
    if (!isIdentifierNamed(first, index.text())) return true;
    const Node table = bare(left.field("argument"));
    removed = table.type() == "identifier" && mentionsIdentifier(loop.field("body"), table.text());
    return !removed;
  });
  if (!removed) return false;
  if (!isParameter(function, index.text()))
    return !localDeclaration(function.body, index.text()).null();
  // the parameter reassigned before the walk: v = x; gone[v] = true; for (u : g[v])
  bool reassigned = false;
  visitNodes(function.body, [&](const Node& n) {
    if (reassigned) return false;
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=" &&
        isIdentifierNamed(bare(n.field("left")), index.text()) &&
        ts_node_start_byte(n.raw) < ts_node_start_byte(loop.raw))
      reassigned = true;
    return !reassigned;
  });
  return reassigned;
}

namespace {

// root->left, t.kids, node->next[c]: a field reached from the node `parameter` names.
bool isFieldOf(const Node& expression, const std::string& parameter) {
  Node n = bare(expression);
  if (n.type() == "subscript_expression") n = bare(n.field("argument"));
  if (n.type() != "field_expression") return false;
  const Node object = bare(n.field("argument"));
  return isIdentifierNamed(object, parameter) ||
         // nodes[v].child: an entry of a node table indexed by the parameter
         (object.type() == "subscript_expression" &&
          isIdentifierNamed(
              bare(object.field("indices").childCount() > 0 ? object.field("indices").child(0)
                                                            : object.field("indices")),
              parameter));
}

}  // namespace

bool isChildOf(const Function& function, const Node& argument, const std::string& parameter) {
  const Node a = bare(argument);
  if (isFieldOf(a, parameter)) return true;
  if (a.type() != "identifier") return false;
  // for (auto* c : node->children) f(c)
  for (Node n = a.parent(); !n.null() && !(n == function.body); n = n.parent())
    if (n.type() == "for_range_loop")
      return declaredName(n.field("declarator")) == a.text() &&
             isFieldOf(n.field("right"), parameter);
  return false;
}

std::vector<bool> keyedParameters(const Function& function, const std::string& table) {
  std::vector<bool> keyed(function.parameters.size(), false);
  bool any = false;
  visitNodes(function.body, [&](const Node& n) {
    if (n.type() != "subscript_expression") return true;
    Node base = n;
    while (base.type() == "subscript_expression") base = bare(base.field("argument"));
    if (!isIdentifierNamed(base, table)) return true;
    for (size_t k = 0; k < function.parameters.size(); ++k)
      if (!function.parameters[k].empty() && mentionsIdentifier(n, function.parameters[k])) {
        keyed[k] = true;
        any = true;
      }
    return false;
  });
  if (!any) keyed.assign(keyed.size(), true);
  return keyed;
}

bool clearedByEachCall(const Function& function, const std::string& container) {
  bool cleared = false;
  visitNodes(function.body, [&](const Node& n) {
    if (cleared) return false;
    if (n.type() == "call_expression") {
      const Node f = n.field("function");
      cleared = f.type() == "field_expression" && f.field("field").text() == "clear" &&
                isIdentifierNamed(bare(f.field("argument")), container);
    }
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=")
      cleared = isIdentifierNamed(bare(n.field("left")), container);
    return !cleared;
  });
  return cleared;
}

std::pair<int, int> splitRange(const Function& function, const std::vector<Node>& calls) {
  const size_t count = function.parameters.size();
  auto argumentOf = [&](const Node& call, size_t k) {
    const Node arguments = call.field("arguments");
    return k < arguments.childCount() ? bare(arguments.child(static_cast<uint32_t>(k))) : Node{};
  };
  // the local of the body an argument is built on: p of p - 1, p + 1 or p
  auto splitPoint = [&](const Node& argument) -> std::string {
    std::string point;
    visitNodes(argument, [&](const Node& n) {
      if (!point.empty()) return false;
      if (n.type() == "identifier" && !isParameter(function, n.text()) &&
          !localDeclaration(function.body, n.text()).null())
        point = std::string(n.text());
      return point.empty();
    });
    return point;
  };
  for (size_t a = 0; a < count; ++a)
    for (size_t b = a + 1; b < count; ++b) {
      const std::string &first = function.parameters[a], &last = function.parameters[b];
      if (first.empty() || last.empty()) continue;
      std::string left, right;  // the split points of f(l, p - 1) and of f(p + 1, r)
      for (const Node& call : calls) {
        const Node x = argumentOf(call, a), y = argumentOf(call, b);
        if (x.null() || y.null()) continue;
        if (isIdentifierNamed(x, first) && !mentionsIdentifier(y, last)) left = splitPoint(y);
        if (isIdentifierNamed(y, last) && !mentionsIdentifier(x, first)) right = splitPoint(x);
      }
      if (!left.empty() && left == right) return {static_cast<int>(a), static_cast<int>(b)};
    }
  return {-1, -1};
}

bool scansFromBothEnds(const Function& function) {
  bool found = false;
  visitNodes(function.body, [&](const Node& loop) {
    if (found) return false;
    if (loop.type() != "while_statement" && loop.type() != "for_statement") return true;
    Node condition = bare(loop.field("condition"));
    if (condition.type() == "condition_clause") condition = bare(condition.child(0));
    if (condition.type() != "binary_expression") return true;
    const std::string_view op = condition.field("operator").text();
    const Node i = bare(condition.field("left")), j = bare(condition.field("right"));
    if ((op != "<=" && op != "<") || i.type() != "identifier" || j.type() != "identifier")
      return true;
    bool up = false, down = false, stops = false;
    visitNodes(loop, [&](const Node& n) {
      if (n.type() == "update_expression") {
        const Node target = bare(n.field("argument"));
        const bool inc = n.text().find("++") != std::string_view::npos;
        if (inc && isIdentifierNamed(target, i.text())) up = true;
        if (!inc && isIdentifierNamed(target, j.text())) down = true;
      }
      if (n.type() == "break_statement" || n.type() == "return_statement") stops = true;
      return true;
    });
    found = up && down && stops;
    return !found;
  });
  return found;
}

std::vector<std::string> depthCounters(const Function& function, const std::vector<Node>& calls) {
  std::vector<std::string> counters;
  if (calls.empty()) return counters;
  for (size_t k = 0; k < function.parameters.size(); ++k) {
    const std::string& p = function.parameters[k];
    if (p.empty()) continue;
    bool raised = true;
    for (const Node& call : calls) {
      const Node arguments = call.field("arguments");
      const Delta d = k < arguments.childCount()
                          ? deltaOf(arguments.child(static_cast<uint32_t>(k)), p)
                          : Delta{};
      raised = raised && d.kind == Delta::kArithmetic && d.by > 0;
    }
    if (raised) counters.push_back(p);
  }
  return counters;
}

std::vector<bool> tiedParameters(const Function& function, const std::vector<Node>& calls) {
  const size_t count = function.parameters.size();
  std::vector<bool> tied(count, false);
  if (calls.empty()) return tied;
  std::vector<std::vector<Delta>> deltas;  // per call, per parameter
  for (const Node& call : calls) {
    const Node arguments = call.field("arguments");
    std::vector<Delta> row(count);
    for (size_t k = 0; k < count; ++k)
      if (!function.parameters[k].empty() && k < arguments.childCount())
        row[k] = deltaOf(arguments.child(static_cast<uint32_t>(k)), function.parameters[k]);
    deltas.push_back(row);
  }
  for (size_t k = 0; k < count; ++k) {
    if (function.parameters[k].empty()) continue;
    bool fixed = true, moves = false;
    for (const std::vector<Delta>& row : deltas) {
      if (row[k].kind != Delta::kArithmetic) {
        fixed = false;
        break;
      }
      moves = moves || row[k].by != 0;
      long long others = 0;
      for (size_t j = 0; j < count && fixed; ++j) {
        if (j == k || tied[j] || function.parameters[j].empty()) continue;
        if (row[j].kind == Delta::kUnknown) fixed = false;
        others += row[j].by;
      }
      fixed = fixed && others == row[k].by;
      if (!fixed) break;
    }
    tied[k] = fixed && moves;
  }
  return tied;
}

}  // namespace quorbel
