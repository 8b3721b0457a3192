#include "model/recursion_guards.h"

#include <map>
#include <mutex>
#include <set>

#include "model/magnitude.h"
#include "model/nodes_of_type.h"

namespace quorbel {
namespace {

Node stripped(Node node) {
  while (!node.null() &&
         (node.type() == "parenthesized_expression" || node.type() == "condition_clause"))
    node = node.child(0);
  return node;
}

// The return statement an if's consequence starts with, or null.
Node guardedReturn(const Node& ifStatement) {
  const Node consequence = ifStatement.field("consequence");
  if (consequence.type() == "return_statement") return consequence;
  // { return t[i]; } or { ++hits; return t[i]; }
  if (consequence.type() == "compound_statement")
    for (uint32_t k = 0; k < 2 && k < consequence.childCount(); ++k)
      if (consequence.child(k).type() == "return_statement") return consequence.child(k);
  return {};
}

// The value a return statement returns, or null for `return;`.
Node returnedValue(const Node& statement) {
  for (const Node& child : childrenOf(statement))
    if (child.type() != "return" && child.type() != ";") return stripped(child);
  return {};
}

// ll& res = memo[i][j]: the entry a local reference names, when `name` is one.
Node referencedEntry(const Node& body, std::string_view name) {
  Node entry;
  visitNodes(body, [&](const Node& n) {
    if (!entry.null()) return false;
    if (n.type() == "init_declarator" && declaredName(n) == name &&
        n.field("value").type() == "subscript_expression")
      entry = n.field("value");
    return entry.null();
  });
  return entry;
}

// ll& r = memo[i][j]: the local reference to an entry of `table`, empty when there is none.
std::string referenceTo(const Node& body, const std::string& table) {
  std::string name;
  visitNodes(body, [&](const Node& n) {
    if (!name.empty()) return false;
    if (n.type() == "init_declarator" && n.field("declarator").type() == "reference_declarator" &&
        stripped(n.field("value")).type() == "subscript_expression" &&
        containerName(stripped(n.field("value"))) == table)
      name = declaredName(n);
    return name.empty();
  });
  return name;
}

// The right-hand sides of the stores into `table`: t[..] = v, t[..] += v, t.insert(..).
std::vector<std::string> storesInto(const Node& body, const std::string& table,
                                    const std::string& reference) {
  std::vector<std::string> values;
  visitNodes(body, [&](const Node& n) {
    if (n.type() == "assignment_expression") {
      const Node left = stripped(n.field("left"));
      if ((left.type() == "subscript_expression" && containerName(left) == table) ||
          (!reference.empty() && left.type() == "identifier" && left.text() == reference))
        values.emplace_back(n.field("right").text());
    }
    if (n.type() == "call_expression") {
      const Node f = n.field("function");
      if (f.type() == "field_expression" && containerName(f.field("argument")) == table &&
          (f.field("field").text() == "insert" || f.field("field").text() == "emplace"))
        values.emplace_back(n.text());
    }
    return true;
  });
  return values;
}

// dp[i][j][k] and vis[i][j][k]: entries of two tables at the same indices.
bool sameIndices(const Node& a, const Node& b) {
  const std::string_view ta = a.text(), tb = b.text();
  const size_t na = containerName(a).size(), nb = containerName(b).size();
  return ta.size() > na && tb.size() > nb && ta.substr(na) == tb.substr(nb) &&
         ta.substr(na).front() == '[';
}

const Node enclosingFunction(const Node& node) {
  for (Node n = node.parent(); !n.null(); n = n.parent())
    if (n.type() == "function_definition" || n.type() == "lambda_expression") return n;
  return {};
}

// rk[a]++, ++rk[a], rk[a] += 1: an entry of `table` counted up by one.
bool incremented(const Node& root, const std::string& table) {
  for (const Node& n : descendantsOfType(root, {"update_expression", "assignment_expression"})) {
    Node target;
    if (n.type() == "update_expression") target = stripped(n.field("argument"));
    if (n.type() == "assignment_expression" && n.field("operator").text() == "+=" &&
        n.field("right").text() == "1")
      target = stripped(n.field("left"));
    if (target.type() == "subscript_expression" && containerName(target) == table) return true;
  }
  return false;
}

}  // namespace

std::string memoTableOf(const Function& function) {
  std::string table;
  visitNodes(function.body, [&](const Node& n) {
    if (!table.empty()) return false;
    if (n.type() != "if_statement") return true;
    const Node statement = guardedReturn(n);
    const Node value = statement.null() ? Node{} : returnedValue(statement);
    if (value.null()) return true;
    const Node condition = n.field("condition");
    std::string looked, reference;
    const Node lookup = findDescendant(condition, {"subscript_expression", "call_expression"});
    if (lookup.type() == "call_expression") {
      // memo.count(k), memo.find(k), it != memo.end(): returned as memo[k] or it->second
      const Node f = lookup.field("function");
      const std::string_view method = f.type() == "field_expression" ? f.field("field").text() : "";
      if (method == "count" || method == "find" || method == "contains" || method == "end")
        looked = containerName(f.field("argument"));
      const bool returnsEntry =
          !looked.empty() && (mentionsIdentifier(value, looked) ||
                              value.text().find("second") != std::string_view::npos);
      if (!returnsEntry) looked.clear();
    } else if (lookup.type() == "subscript_expression") {
      // if (dp[i][j] != -1) return dp[i][j]: the same table read back; if (vis[i][j]) return
      // dp[i][j]: a mark beside the table, set once, at the same indices
      if (value.type() == "subscript_expression" && containerName(value) == containerName(lookup))
        looked = containerName(lookup);
      else if (value.type() == "subscript_expression" && sameIndices(value, lookup) &&
               !storesInto(function.body, containerName(lookup), "").empty())
        looked = containerName(value);
    } else {
      // ll& res = dp[i][j]; if (res != -1) return res;
      const Node tested = findDescendant(condition, {"identifier"});
      const Node entry = tested.null() ? Node{} : referencedEntry(function.body, tested.text());
      if (!entry.null() && value.type() == "identifier" && value.text() == tested.text()) {
        looked = containerName(entry);
        reference = std::string(tested.text());
      }
    }
    // long long& ret = dp[s]; ret = 0; ret += ...: stores through a reference to the entry
    if (reference.empty() && !looked.empty()) reference = referenceTo(function.body, looked);
    if (!looked.empty() && !storesInto(function.body, looked, reference).empty()) table = looked;
    return table.empty();
  });
  return table;
}

std::string visitMarkOf(const Function& function, const std::vector<Node>& recursiveCalls) {
  // The tables tested by early returns that give nothing back from the table.
  std::vector<std::string> candidates;
  visitNodes(function.body, [&](const Node& n) {
    if (n.type() != "if_statement") return true;
    const Node statement = guardedReturn(n);
    if (statement.null()) return true;
    const Node value = returnedValue(statement);
    const Node lookup = findDescendant(n.field("condition"), {"subscript_expression"});
    if (lookup.null()) return true;
    const bool plain = value.null() || value.type() == "number_literal" || value.type() == "true" ||
                       value.type() == "false";
    if (plain) candidates.push_back(containerName(lookup));
    return true;
  });
  // Calls each made only under a test of one table: if (!seen[r][c + 1]) f(r, c + 1).
  std::set<std::string> common;
  for (size_t k = 0; k < recursiveCalls.size(); ++k) {
    std::set<std::string> tested;
    for (Node p = recursiveCalls[k].parent(); !p.null() && !(p == function.body); p = p.parent()) {
      Node condition;
      if (p.type() == "if_statement") condition = p.field("condition");
      if (p.type() == "binary_expression" && p.field("operator").text() == "&&") condition = p;
      visitNodes(condition, [&](const Node& e) {
        if (e.type() == "subscript_expression") tested.insert(containerName(e));
        return true;
      });
    }
    if (k == 0) {
      common = tested;
      continue;
    }
    std::set<std::string> kept;
    for (const std::string& table : common)
      if (tested.count(table)) kept.insert(table);
    common = kept;
  }
  candidates.insert(candidates.end(), common.begin(), common.end());
  for (const std::string& table : candidates) {
    const std::vector<std::string> stored = storesInto(function.body, table, "");
    // seen[u] = 1 ... seen[u] = 0: a backtracking mark, every path is walked
    bool oneValue = !stored.empty();
    for (const std::string& v : stored) oneValue = oneValue && v == stored.front();
    // col[u] = 1 ... col[u] = 2: colours that only move on (entered, then finished) never
    // return an entry to unvisited, as a backtracking mark's 0 or false does
    bool onward = !stored.empty();
    for (const std::string& v : stored)
      onward = onward && !v.empty() && v != "0" && v != "false" && v != "-1" &&
               v.find_first_not_of("0123456789") == std::string::npos;
    if (oneValue || onward) return table;
  }
  return "";
}

// rank[i] = i: entries that start as their own index are labels, not sizes or ranks, and
// comparing them bounds no tree's height.
bool startsAsIndex(const Node& root, const std::string& table) {
  for (const Node& n : descendantsOfType(root, {"assignment_expression"})) {
    if (n.field("operator").text() != "=") continue;
    const Node l = stripped(n.field("left")), r = stripped(n.field("right"));
    if (l.type() != "subscript_expression" || containerName(l) != table) continue;
    const Node indices = l.field("indices");
    const Node index =
        indices.type() == "subscript_argument_list" ? indices.child(0) : stripped(indices);
    if (r.type() == "identifier" && !index.null() && index.text() == r.text()) return true;
  }
  return false;
}

namespace {

// rk[a]++ after every union, with no tie test (rk[a] == rk[b]) anywhere: a count of the unions
// a root won, not a rank. Comparing such counts keeps no tree shallow (a root that won k unions
// can sit on a chain k deep), so only path compression bounds the finds. Writes of a literal
// (rk[i] = 0) start the count; any other write (sz[a] += sz[b], r[a] = max(..)) measures more.
bool countsUnionsOnly(const Node& root, const std::string& table) {
  bool increments = false;
  for (const Node& n : descendantsOfType(
           root, {"update_expression", "assignment_expression", "binary_expression"})) {
    const std::string_view type = n.type();
    if (type == "binary_expression") {
      const Node l = stripped(n.field("left")), r = stripped(n.field("right"));
      if (n.field("operator").text() == "==" && l.type() == "subscript_expression" &&
          r.type() == "subscript_expression" && containerName(l) == table &&
          containerName(r) == table)
        return false;
      continue;
    }
    const Node target =
        stripped(type == "update_expression" ? n.field("argument") : n.field("left"));
    if (target.type() != "subscript_expression" || containerName(target) != table) continue;
    if (type == "update_expression") {
      increments = true;
      continue;
    }
    const std::string_view op = n.field("operator").text();
    const Node value = stripped(n.field("right"));
    if (op == "+=" && value.text() == "1") {
      increments = true;
    } else if (op != "=" || value.type() != "number_literal") {
      return false;
    }
  }
  return increments;
}

bool searchUnitesBySize(const Model& model, const std::string& parents) {
  std::map<std::string, bool> counted;      // incremented(), asked once per table
  std::map<std::string, bool> unionCounts;  // countsUnionsOnly(), asked once per table
  for (const Node& n :
       descendantsOfType(model.root, {"assignment_expression", "binary_expression"})) {
    const bool adds = n.type() == "assignment_expression" && n.field("operator").text() == "+=";
    bool compares = false, ties = false;
    if (n.type() == "binary_expression") {
      const std::string_view op = n.field("operator").text();
      compares = op == "<" || op == ">" || op == "<=" || op == ">=";
      ties = op == "==";
    }
    if (!adds && !compares && !ties) continue;
    const Node l = stripped(n.field("left")), r = stripped(n.field("right"));
    if (l.type() != "subscript_expression" || r.type() != "subscript_expression" ||
        containerName(l) != containerName(r) || l.text() == r.text() ||
        l.field("argument").type() != "identifier")
      continue;
    // if (rk[a] == rk[b]) rk[a]++: ranks that tie grow; labels that tie (t[u] == t[v]) do not.
    // Asked last: it searches the whole program, and most comparisons are of no two entries.
    if (ties) {
      const std::string table = containerName(n.field("left"));
      auto known = counted.find(table);
      if (known == counted.end())
        known = counted.emplace(table, incremented(model.root, table)).first;
      if (!known->second) continue;
    }
    // rk[a] < rk[b] over counts of unions won: no rank
    if (compares) {
      const std::string table = containerName(l);
      auto known = unionCounts.find(table);
      if (known == unionCounts.end())
        known = unionCounts.emplace(table, countsUnionsOnly(model.root, table)).first;
      if (known->second) continue;
    }
    // sz[a] += sz[b] or rank[a] < rank[b] where the same function links one root under another
    const Node scope = enclosingFunction(n);
    if (!storesInto(scope.null() ? model.root : scope, parents, "").empty() &&
        !startsAsIndex(model.root, containerName(l)))
      return true;
  }
  return false;
}

}  // namespace

bool unitesBySize(const Model& model, const std::string& parents) {
  if (!model.answers) return searchUnitesBySize(model, parents);
  std::lock_guard<std::mutex> lock(model.answers->mutex);
  auto& known = model.answers->unitesBySize;
  auto found = known.find(parents);
  if (found == known.end())
    found = known.emplace(parents, searchUnitesBySize(model, parents)).first;
  return found->second;
}

}  // namespace quorbel
