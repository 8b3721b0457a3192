// Recognises the merges whose entries only ever move into a container at least twice the size
// of their old one, by the size comparison that decides which side is walked, and the buckets
// that feed their own later rows, by the step each entry takes.
#include "model/entry_moves.h"

#include "model/loop_parts.h"

namespace quorbel {
namespace {

// The text of an expression without white space: the sides of a comparison and the walked
// container are matched by it.
std::string compact(std::string_view text) {
  std::string out;
  for (const char c : text)
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') out += c;
  return out;
}

// The container a size call measures: a of a.size(), p of p->size(), (int)a.size(); null else.
Node measured(const Node& side) {
  Node call = unwrap(side);
  if (call.type() != "call_expression") return {};
  const Node f = call.field("function");
  if (f.type() != "field_expression" || f.field("field").text() != "size") return {};
  return unwrap(f.field("argument"));
}

// The function or lambda around `node`.
Node functionAround(const Node& node) {
  Node scope = node;
  while (!scope.parent().null() && scope.type() != "function_definition" &&
         scope.type() != "lambda_expression")
    scope = scope.parent();
  return scope;
}

// The texts the walked container goes by: *other as other, g[gb] also as g[i2g[ib]] when
// int gb = i2g[ib] in the function.
std::vector<std::string> walkedTexts(const Node& loop) {
  Node walked = unwrap(loop.field("right"));
  if (walked.type() == "pointer_expression") walked = unwrap(walked.field("argument"));
  std::vector<std::string> texts = {compact(walked.text())};
  if (walked.type() != "subscript_expression") return texts;
  const Node indices = unwrap(walked.field("indices"));
  const Node index =
      unwrap(indices.type() == "subscript_argument_list" ? indices.child(0) : indices);
  if (index.type() != "identifier") return texts;
  visitNodes(functionAround(loop), [&](const Node& n) {
    if (n.type() == "init_declarator" && declaredName(n) == index.text() &&
        !n.field("value").null())
      texts.push_back(compact(walked.field("argument").text()) + "[" +
                      compact(unwrap(n.field("value")).text()) + "]");
    return true;
  });
  return texts;
}

bool contains(const Node& outer, const Node& inner) {
  return ts_node_start_byte(outer.raw) <= ts_node_start_byte(inner.raw) &&
         ts_node_end_byte(inner.raw) <= ts_node_end_byte(outer.raw);
}

bool swaps(const Node& scope) {
  bool found = false;
  visitNodes(scope, [&](const Node& n) {
    if (found) return false;
    if (n.type() == "call_expression") {
      const std::string_view callee = n.field("function").text();
      found = callee == "swap" || callee == "std::swap";
    }
    return !found;
  });
  return found;
}

// mx = it under if (c[it]->size() > c[mx]->size()): `name` is set to the side a size
// comparison found larger, somewhere in `scope`.
bool pickedByLargerSize(const Node& scope, std::string_view name) {
  bool found = false;
  visitNodes(scope, [&](const Node& n) {
    if (found) return false;
    if (n.type() != "if_statement") return true;
    bool sized = false;
    visitNodes(n.field("condition"), [&](const Node& c) {
      sized = sized || !measured(c).null();
      return !sized;
    });
    if (!sized) return true;
    visitNodes(n.field("consequence"), [&](const Node& a) {
      found = found || (a.type() == "assignment_expression" &&
                        isIdentifierNamed(unwrap(a.field("left")), name));
      return !found;
    });
    return !found;
  });
  return found;
}

// for (v : kids) if (v != heavy) for (x : *bag[v]) big->insert(x), with heavy the kid whose
// bag a size comparison found largest: every side but the largest is walked, so each entry
// moves into a bag at least twice the size of its own.
bool walksAllButLargest(const Node& loop) {
  Node walked = unwrap(loop.field("right"));
  if (walked.type() == "pointer_expression") walked = unwrap(walked.field("argument"));
  if (walked.type() != "subscript_expression") return false;
  const Node indices = unwrap(walked.field("indices"));
  const Node index =
      unwrap(indices.type() == "subscript_argument_list" ? indices.child(0) : indices);
  if (index.type() != "identifier") return false;
  const Node function = functionAround(loop);
  // if (v != heavy) around the walk, or if (v == heavy) continue; before it in the pass
  const auto skipsHeavy = [&](const Node& condition, std::string_view op) {
    bool skips = false;
    visitNodes(condition, [&](const Node& c) {
      if (skips) return false;
      if (c.type() == "binary_expression" && c.field("operator").text() == op) {
        const Node l = unwrap(c.field("left")), r = unwrap(c.field("right"));
        const Node other = isIdentifierNamed(l, index.text())   ? r
                           : isIdentifierNamed(r, index.text()) ? l
                                                                : Node{};
        skips = other.type() == "identifier" && pickedByLargerSize(function, other.text());
      }
      return !skips;
    });
    return skips;
  };
  for (Node n = loop.parent(); !n.null() && !(n == function); n = n.parent()) {
    if (n.type() == "if_statement" && contains(n.field("consequence"), loop) &&
        skipsHeavy(n.field("condition"), "!="))
      return true;
    if (!isLoopNode(n)) continue;
    for (const Node& statement : childrenOf(n.field("body")))
      if (statement.type() == "if_statement" &&
          ts_node_end_byte(statement.raw) <= ts_node_start_byte(loop.raw) &&
          !findDescendant(statement.field("consequence"), {"continue_statement"}).null() &&
          skipsHeavy(statement.field("condition"), "=="))
        return true;
    break;
  }
  return false;
}

}  // namespace

bool walksSmallerSide(const Node& loop) {
  if (loop.type() == "for_range_loop" && walksAllButLargest(loop)) return true;
  const std::vector<std::string> texts = walkedTexts(loop);
  const auto named = [&](const Node& side) {
    for (const std::string& text : texts)
      if (!side.null() && compact(side.text()) == text) return true;
    return false;
  };
  bool found = false;
  visitNodes(functionAround(loop), [&](const Node& n) {
    if (found) return false;
    if (n.type() != "if_statement") return true;
    const Node condition = unwrap(n.field("condition"));
    if (condition.type() != "binary_expression") return true;
    const std::string_view op = condition.field("operator").text();
    const bool less = op == "<" || op == "<=";
    if (!less && op != ">" && op != ">=") return true;
    const Node left = measured(condition.field("left"));
    const Node right = measured(condition.field("right"));
    if (left.null() || right.null()) return true;
    const Node smaller = less ? left : right, larger = less ? right : left;
    // if (a.size() <= b.size()) { for (v : a) ... } else { for (v : b) ... }
    const Node consequence = n.field("consequence"), alternative = n.field("alternative");
    if (contains(consequence, loop) && named(smaller)) found = true;
    if (!alternative.null() && contains(alternative, loop) && named(larger)) found = true;
    // if (a.size() < b.size()) swap(a, b); for (v : b) ...: the names now hold the other sides
    if (!found && ts_node_end_byte(n.raw) <= ts_node_start_byte(loop.raw) && swaps(consequence) &&
        (named(smaller) || named(larger)))
      found = true;
    return !found;
  });
  return found;
}

bool feedsOwnBuckets(const Node& loop, const EnclosingLoop& outer) {
  const Node row = unwrap(loop.field("right"));
  if (row.type() != "subscript_expression" || outer.variable.empty()) return false;
  const Node indices = unwrap(row.field("indices"));
  const Node index =
      unwrap(indices.type() == "subscript_argument_list" ? indices.child(0) : indices);
  if (!isIdentifierNamed(index, outer.variable)) return false;
  const std::string buckets = containerName(row.field("argument"));
  const std::string entry = declaredName(loop.field("declarator"));
  if (buckets.empty() || entry.empty()) return false;
  // at[i + k].push_back(k), or at[nx[k]].push_back(k) with nx[k] += k in the body
  bool feeds = false;
  visitNodes(loop.field("body"), [&](const Node& n) {
    if (feeds || n.type() != "call_expression") return !feeds;
    const Node f = n.field("function");
    if (f.type() != "field_expression" || f.field("field").text() != "push_back") return true;
    const Node target = unwrap(f.field("argument"));
    if (target.type() != "subscript_expression" || containerName(target) != buckets ||
        !mentionsIdentifier(n.field("arguments"), entry))
      return true;
    const Node at = unwrap(target.field("indices"));
    const Node position = unwrap(at.type() == "subscript_argument_list" ? at.child(0) : at);
    if (!mentionsIdentifier(position, entry)) return true;
    bool stepped = position.type() == "binary_expression" &&
                   position.field("operator").text() == "+" &&
                   mentionsIdentifier(position, outer.variable);
    if (position.type() == "subscript_expression")
      visitNodes(loop.field("body"), [&](const Node& m) {
        if (m.type() == "assignment_expression" && m.field("operator").text() == "+=" &&
            compact(m.field("left").text()) == compact(position.text()) &&
            mentionsIdentifier(m.field("right"), entry))
          stepped = true;
        return !stepped;
      });
    feeds = stepped;
    return !feeds;
  });
  return feeds;
}

}  // namespace quorbel
