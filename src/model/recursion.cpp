#include "model/recursion.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>

#include "model/element_rows.h"
#include "model/link_chains.h"
#include "model/loop_parts.h"
#include "model/loops.h"
#include "model/magnitude.h"
#include "model/memo_states.h"
#include "model/merged_children.h"
#include "model/nodes_of_type.h"
#include "model/recursion_guards.h"
#include "model/recursion_measures.h"
#include "model/self_calls.h"
#include "model/tree_walks.h"

namespace quorbel {
namespace {

Node unwrapped(Node node) {
  while (!node.null() && node.type() == "parenthesized_expression") node = node.child(0);
  return node;
}

// The name a call is made through: "f" for f(x), "self" for self(self, x), "find" for d.find(x).
std::string calleeName(const Node& call) {
  const Node function = call.field("function");
  if (function.type() == "field_expression") return std::string(function.field("field").text());
  std::string name(function.text());
  const size_t scope = name.rfind("::");
  return scope == std::string::npos ? name : name.substr(scope + 2);
}

// 1, 1LL, 1u, 1ull: the one a bit is shifted from, whatever its type.
bool isLiteralOne(const Node& node) {
  if (node.type() != "number_literal") return false;
  const std::string_view text = node.text();
  return !text.empty() && text[0] == '1' &&
         text.find_first_not_of("lLuU", 1) == std::string_view::npos;
}

// The bound of the for loop in `body` that counts `variable`: V of for (u = 0; u < V; u++).
Node loopBoundOf(const Node& body, std::string_view variable) {
  Node bound;
  visitNodes(body, [&](const Node& n) {
    if (!bound.null()) return false;
    if (n.type() != "for_statement") return true;
    const Node condition = unwrapped(n.field("condition"));
    if (condition.type() != "binary_expression") return true;
    const std::string_view op = condition.field("operator").text();
    if ((op == "<" || op == "<=") && unwrapped(condition.field("left")).type() == "identifier" &&
        unwrapped(condition.field("left")).text() == variable)
      bound = condition.field("right");
    return bound.null();
  });
  return bound;
}

// The states a memoised function's parameter takes, from how the body uses it: 2^V for a set of
// bits tested or added by a counter over V ((mask >> i) & 1, S | 1 << u), V when the recursive
// calls pass it such a counter; O(1) when neither shows.
Cost parameterStates(const Model& model, const Function& function, size_t index,
                     const std::vector<Node>& calls) {
  const std::string& parameter = function.parameters[index];
  // f(a / 2) + f(a / 3): the values reached are a / (2^i * 3^j), log a choices per divisor.
  std::set<std::string> divisors;
  for (const Node& call : calls) {
    const Node argument = unwrapped(call.field("arguments").child(static_cast<uint32_t>(index)));
    const std::string_view op =
        argument.type() == "binary_expression" ? argument.field("operator").text() : "";
    if ((op != "/" && op != ">>") ||
        !isIdentifierNamed(unwrapped(argument.field("left")), parameter) ||
        unwrapped(argument.field("right")).type() != "number_literal") {
      divisors.clear();
      break;
    }
    // a >> k divides by 2^k
    divisors.insert(op == ">>" ? "2" : std::string(unwrapped(argument.field("right")).text()));
  }
  if (!divisors.empty()) {
    // a / 2, a / 3, a / 4 reach a / (2^i * 3^j): one log a per prime the divisors are made of
    std::set<long long> primes;
    for (const std::string& divisor : divisors) {
      long long d = std::strtoll(divisor.c_str(), nullptr, 0);
      for (long long f = 2; f * f <= d && f < 1000; ++f)
        while (d % f == 0) {
          primes.insert(f);
          d /= f;
        }
      if (d > 1) primes.insert(d);
    }
    Cost states;
    for (size_t k = 0; k < std::max<size_t>(1, primes.size()); ++k)
      states = multiplyCosts(states, logCost(sizeCost(parameter)));
    return states;
  }
  Cost states;
  visitNodes(function.body, [&](const Node& n) {
    if (!isConstantCost(states)) return false;
    if (n.type() != "binary_expression") return true;
    const std::string_view op = n.field("operator").text();
    const Node left = unwrapped(n.field("left")), right = unwrapped(n.field("right"));
    Node counter;
    if (op == ">>" && isIdentifierNamed(left, parameter) && right.type() == "identifier")
      counter = right;
    if ((op == "|" || op == "&") && isIdentifierNamed(left, parameter) &&
        right.type() == "binary_expression" && right.field("operator").text() == "<<" &&
        isLiteralOne(unwrapped(right.field("left"))))
      counter = unwrapped(right.field("right"));
    if (counter.type() != "identifier") return true;
    const Node bound = loopBoundOf(function.body, counter.text());
    if (!bound.null()) states = powerOfTwoCost(magnitudeOf(model, bound, {}));
    return isConstantCost(states);
  });
  if (!isConstantCost(states)) return states;
  for (const Node& call : calls) {
    Node argument = unwrapped(call.field("arguments").child(static_cast<uint32_t>(index)));
    // f(i + 1, r) for a split point i: one past the counter ranges as the counter does
    if (argument.type() == "binary_expression" &&
        (argument.field("operator").text() == "+" || argument.field("operator").text() == "-") &&
        unwrapped(argument.field("right")).type() == "number_literal")
      argument = unwrapped(argument.field("left"));
    if (argument.type() != "identifier") continue;
    // the loop around the call that counts the name: two loops may reuse one counter's name
    Node bound;
    for (Node up = call.parent(); !up.null() && bound.null() && up != function.body;
         up = up.parent())
      if (up.type() == "for_statement") bound = loopBoundOf(up, argument.text());
    if (bound.null()) bound = loopBoundOf(function.body, argument.text());
    if (!bound.null()) return magnitudeOf(model, bound, {});
  }
  return states;
}

std::vector<Node> recursiveCalls(const Model& model, const Function& function) {
  std::vector<Node> calls;
  std::string self;  // a recursive lambda's `auto&& self` parameter
  for (size_t i = 0; i < function.parameterTypes.size(); ++i)
    if (function.isLambda && function.parameterTypes[i].find("auto") != std::string::npos) {
      self = function.parameters[i];
      break;
    }
  visitNodes(function.body, [&](const Node& n) {
    if (n.type() == "call_expression") {
      const std::string name = calleeName(n);
      if ((name == function.name || (!self.empty() && name == self)) &&
          callsFunctionItself(model, function, n) && !onlyReordersParameters(function, n))
        calls.push_back(n);
    }
    return true;
  });
  return calls;
}

bool insideLoop(const Node& node, const Node& body) {
  for (Node n = node.parent(); !n.null() && !(n == body); n = n.parent())
    if (isLoopNode(n)) return true;
  return false;
}

Node enclosingLoop(const Node& node, const Node& body) {
  for (Node n = node.parent(); !n.null() && !(n == body); n = n.parent())
    if (isLoopNode(n)) return n;
  return {};
}

bool isAdjacencyLoop(const Model& model, const Node& loop) {
  if (loop.null()) return false;
  if (!walkedRowOf(model, loop).null()) return true;
  const Node right =
      loop.type() == "for_range_loop" ? loop.field("right") : loop.field("condition");
  const Node subscript = findDescendant(right, {"subscript_expression"});
  if (subscript.null()) return false;
  const Symbol* symbol = findSymbol(model, containerName(subscript.field("argument")));
  return symbol && symbol->nestedContainer;
}

std::string adjacencyOf(const Model& model, const Node& loop) {
  // the array whose elements hold the rows: g of g[u] and of g[u].out
  const Node row = walkedRowOf(model, loop);
  if (!row.null())
    return containerName(findDescendant(row, {"subscript_expression"}).field("argument"));
  const Node right =
      loop.type() == "for_range_loop" ? loop.field("right") : loop.field("condition");
  return containerName(findDescendant(right, {"subscript_expression"}).field("argument"));
}

// if (r < ql || qr < l) return ...; if (ql <= l && r <= qr) return ...: a comparison of two
// parameters that ends the call early.
bool hasRangeTest(const Function& function) {
  bool found = false;
  visitNodes(function.body, [&](const Node& n) {
    if (found) return false;
    if (n.type() == "if_statement") {
      const Node condition = n.field("condition");
      const std::string_view text = condition.text();
      if (text.find("||") == std::string_view::npos && text.find("&&") == std::string_view::npos)
        return true;
      int parameters = 0;
      for (const std::string& p : function.parameters)
        if (!p.empty() && mentionsIdentifier(condition, p)) ++parameters;
      const Node consequence = n.field("consequence");
      if (parameters >= 3 &&
          findDescendant(consequence, {"return_statement"}).type() == "return_statement")
        found = true;
    }
    return !found;
  });
  return found;
}

// The locals of `body` initialised from an entry indexed by `index`: l and r of
// auto l = s[root].l, r = s[root].r.
std::set<std::string> localsReadFromEntry(const Node& body, const std::string& index) {
  std::set<std::string> locals;
  visitNodes(body, [&](const Node& n) {
    if (n.type() == "lambda_expression") return false;
    if (n.type() != "init_declarator") return true;
    const Node entry = findDescendant(n.field("value"), {"subscript_expression"});
    if (!entry.null() && mentionsIdentifier(entry.field("indices"), index))
      locals.insert(declaredName(n));
    return true;
  });
  return locals;
}

// if (pos >= st[node].hi || st[node].lo > pos) return 0;: a tree laid out by doubled indices
// that keeps each node's range in its entry, and leaves a node outside the asked range at once.
bool hasStoredRangeTest(const Function& function, const std::string& index) {
  // auto l = s[root].l, r = s[root].r; the node's range read into locals first
  const std::set<std::string> stored = localsReadFromEntry(function.body, index);
  bool found = false;
  visitNodes(function.body, [&](const Node& n) {
    if (found) return false;
    if (n.type() != "if_statement") return true;
    const Node condition = n.field("condition");
    const std::string_view text = condition.text();
    if (text.find("||") == std::string_view::npos && text.find("&&") == std::string_view::npos)
      return true;
    bool entry = false, other = false;
    visitNodes(condition, [&](const Node& c) {
      if (c.type() == "subscript_expression" && mentionsIdentifier(c.field("indices"), index))
        entry = true;
      if (c.type() == "identifier" && stored.count(std::string(c.text()))) entry = true;
      return true;
    });
    for (const std::string& p : function.parameters)
      if (!p.empty() && p != index && mentionsIdentifier(condition, p)) other = true;
    if (entry && other &&
        findDescendant(n.field("consequence"), {"return_statement"}).type() == "return_statement")
      found = true;
    return !found;
  });
  return found;
}

Node enclosingReturn(const Node& node, const Node& body) {
  for (Node n = node.parent(); !n.null() && !(n == body); n = n.parent())
    if (n.type() == "return_statement") return n;
  return {};
}

// True when two calls sit in different branches of one if/else or conditional expression, or
// in different return statements (an activation returns once).
bool exclusive(const Node& a, const Node& b, const Node& body) {
  const Node returnA = enclosingReturn(a, body), returnB = enclosingReturn(b, body);
  if (!returnA.null() && !returnB.null() && !(returnA == returnB)) return true;
  for (Node n = a.parent(); !n.null() && !(n == body); n = n.parent()) {
    if (n.type() == "if_statement" || n.type() == "conditional_expression") {
      const bool containsB = ts_node_start_byte(b.raw) >= ts_node_start_byte(n.raw) &&
                             ts_node_end_byte(b.raw) <= ts_node_end_byte(n.raw);
      if (!containsB) continue;
      const Node consequence = n.field(n.type() == "if_statement" ? "consequence" : "consequence");
      auto inside = [](const Node& x, const Node& scope) {
        return !scope.null() && ts_node_start_byte(x.raw) >= ts_node_start_byte(scope.raw) &&
               ts_node_end_byte(x.raw) <= ts_node_end_byte(scope.raw);
      };
      return inside(a, consequence) != inside(b, consequence);
    }
  }
  return false;
}

enum class Change { kNone, kDecrease, kIncrease, kHalve, kChain, kDouble, kChild };

// How the call changes parameter `index`.
// True when `body` declares or assigns `name` as a midpoint: (lo + hi) / 2, l + (r - l) / 2,
// (l + r) >> 1, whatever the local is called.
bool assignedMidpoint(const Node& body, std::string_view name) {
  bool midpoint = false;
  visitNodes(body, [&](const Node& n) {
    if (midpoint) return false;
    Node value;
    if (n.type() == "init_declarator" && declaredName(n) == name) value = n.field("value");
    if (n.type() == "assignment_expression" && unwrapped(n.field("left")).text() == name)
      value = n.field("right");
    visitNodes(value, [&](const Node& v) {
      if (v.type() == "binary_expression" &&
          ((v.field("operator").text() == "/" && v.field("right").text() == "2") ||
           (v.field("operator").text() == ">>" && v.field("right").text() == "1")) &&
          unwrapped(v.field("left")).type() == "binary_expression")
        midpoint = true;
      return !midpoint;
    });
    return !midpoint;
  });
  return midpoint;
}

// The local `name` when the body sets it to the parameter doubled: l = n * 2; then f(l).
bool assignedDouble(const Node& body, std::string_view name, std::string_view parameter) {
  bool found = false;
  visitNodes(body, [&](const Node& n) {
    if (found) return false;
    if (n.type() == "init_declarator" && declaredName(n) == name)
      found = isDoubled(n.field("value"), parameter);
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=" &&
        unwrapped(n.field("left")).text() == name)
      found = isDoubled(n.field("right"), parameter);
    return !found;
  });
  return found;
}

Change changeOf(const Node& argument, const std::string& parameter, const Function& function) {
  const Node& body = function.body;
  const Node a = unwrapped(argument);
  if (a.null()) return Change::kNone;
  // solve(L) with L(a.begin(), a.begin() + n / 2); f(p - 1) with p a power of ten below x
  if (isHalfSliceOf(function, a, parameter) || onPowerBelow(body, a, parameter))
    return Change::kHalve;
  if (isChildOf(function, a, parameter)) return Change::kChild;  // root->left, node->kids[i]
  const std::string_view text = a.text();
  if (isDoubled(a, parameter)) return Change::kDouble;
  if (a.type() == "identifier") {
    if (assignedMidpoint(body, text)) return Change::kHalve;
    return assignedDouble(body, text, parameter) ? Change::kDouble : Change::kNone;
  }
  // mid + 1: built on a midpoint local
  bool onMidpoint = false;
  visitNodes(a, [&](const Node& n) {
    if (!onMidpoint && n.type() == "identifier") onMidpoint = assignedMidpoint(body, n.text());
    return !onMidpoint;
  });
  if (!mentionsIdentifier(a, parameter) && !onMidpoint) return Change::kNone;
  if (a.type() == "subscript_expression") return Change::kChain;
  if (a.type() != "binary_expression") return Change::kNone;
  const std::string_view op = a.field("operator").text();
  // n / 2, n >> 1 halve the parameter; gcd(b, a % b) shrinks it as fast. (mask | bit) >> 1
  // only shifts a value.
  const Node left = unwrapped(a.field("left"));
  const bool ownLeft = left.type() == "identifier" && left.text() == parameter;
  if ((op == "/" || op == ">>") && ownLeft) return Change::kHalve;
  if (op == "%") return Change::kHalve;
  if (op == "/" || op == ">>") return Change::kNone;
  if (onMidpoint) return Change::kHalve;
  if (op == "-") return Change::kDecrease;
  if (op == "+") return Change::kIncrease;
  if (op == "^" || op == "|" || op == "&") return Change::kIncrease;
  return Change::kNone;
}

// p[x] = find(p[x]), return p[x] = x == p[x] ? x : find(p[x]): an entry of `table` takes the
// value of a recursive call, so the chain it followed is cut short.
bool storesCallInto(const Node& body, const std::string& table, const std::vector<Node>& calls) {
  bool stores = false;
  visitNodes(body, [&](const Node& n) {
    if (stores) return false;
    if (n.type() != "assignment_expression" || n.field("operator").text() != "=") return true;
    const Node left = unwrapped(n.field("left")), right = n.field("right");
    if (left.type() != "subscript_expression" || containerName(left) != table) return true;
    for (const Node& call : calls)
      stores = stores || (ts_node_start_byte(call.raw) >= ts_node_start_byte(right.raw) &&
                          ts_node_end_byte(call.raw) <= ts_node_end_byte(right.raw));
    return !stores;
  });
  return stores;
}

// The bound of `if (i == n) return` / `if (i >= n)` for an increasing parameter.
Cost baseCaseBound(const Model& model, const Function& function, const std::string& parameter) {
  Cost bound;
  visitNodes(function.body, [&](const Node& n) {
    if (!isConstantCost(bound)) return false;
    if (n.type() == "binary_expression") {
      const std::string_view op = n.field("operator").text();
      if (op == "==" || op == ">=" || op == ">" || op == "<" || op == "<=") {
        const Node l = unwrapped(n.field("left")), r = unwrapped(n.field("right"));
        if (l.type() == "identifier" && l.text() == parameter)
          bound = magnitudeOf(model, r, {});
        else if (r.type() == "identifier" && r.text() == parameter)
          bound = magnitudeOf(model, l, {});
      }
    }
    return isConstantCost(bound);
  });
  return bound;
}

// The extents of a fixed array table as its declaration writes them, outermost first: the
// value of each where a literal or a constant gives it, 0 where none does.
// The file's array declarators are found through its index by type, not by a walk of the
// whole file for each table asked about.
std::vector<double> fixedExtents(const Model& model, const std::string& table) {
  std::vector<double> extents;
  for (const Node& n : descendantsOfType(model.root, {"array_declarator"})) {
    if (n.parent().type() == "array_declarator") continue;
    std::vector<Node> sizes;
    Node d = n;
    for (; d.type() == "array_declarator"; d = d.field("declarator"))
      sizes.insert(sizes.begin(), d.field("size"));
    if (d.type() != "identifier" || d.text() != table) continue;
    for (const Node& size : sizes) extents.push_back(evaluateConstant(model, size).value_or(0));
    if (!extents.empty()) break;
  }
  return extents;
}

// memo[pos][last][started][tight] with memo declared [20][11][2][2]: the parameters that index
// an extent of a few entries (a digit, a flag) take that few values, whatever they are called.
std::set<std::string> categoricalParameters(const Model& model, const Function& function,
                                            const std::string& memo) {
  std::set<std::string> few;
  const std::vector<double> extents = fixedExtents(model, memo);
  visitNodes(function.body, [&](const Node& n) {
    if (n.type() != "subscript_expression" || n.parent().type() == "subscript_expression" ||
        containerName(n) != memo)
      return true;
    std::vector<Node> indices;  // innermost subscript last
    for (Node s = n; s.type() == "subscript_expression"; s = unwrapped(s.field("argument")))
      indices.insert(indices.begin(), unwrapped(s.field("indices")).childCount() > 0
                                          ? unwrapped(unwrapped(s.field("indices")).child(0))
                                          : Node{});
    for (size_t k = 0; k < indices.size() && k < extents.size(); ++k)
      if (indices[k].type() == "identifier" && extents[k] >= 1 && extents[k] <= 32)
        few.insert(std::string(indices[k].text()));
    return false;
  });
  return few;
}

// dp[1 << 16] (or dp[M] with M = 1 << 16) keyed only by masks whose bits the body tests or sets
// by a counter (mask >> i & 1, mask | 1 << i with i < n): a table with one entry per subset of
// the items, whose reachable states are the subsets of the n items, not its capacity.
bool keyedBySubsets(const Model& model, const Function& function, const std::vector<Node>& calls,
                    const std::string& memo, const std::vector<bool>& keyed) {
  bool perSubset = false;
  for (double extent : fixedExtents(model, memo)) {
    const long long whole = static_cast<long long>(extent);
    perSubset = perSubset || (whole >= 1024 && (whole & (whole - 1)) == 0);
  }
  if (!perSubset) return false;
  bool any = false;
  for (size_t k = 0; k < function.parameters.size() && k < keyed.size(); ++k) {
    if (!keyed[k] || function.parameters[k].empty()) continue;
    const Cost states = parameterStates(model, function, k, calls);
    if (isConstantCost(states) || sizesOf(states).empty()) return false;
    for (const Monomial& term : states.terms)
      for (const auto& entry : term.sizes)
        if (entry.second.expBase == 1) return false;
    any = true;
  }
  return any;
}

// for (int d = 0; d < 4; d++): the passes of a loop counted between constants, 0 otherwise.
int constantTrips(const Model& model, const Node& loop) {
  if (loop.type() != "for_statement") return 0;
  const Node condition = unwrapped(loop.field("condition"));
  const Node init = loop.field("initializer");
  if (condition.type() != "binary_expression" || init.null()) return 0;
  const std::string_view op = condition.field("operator").text();
  const std::optional<double> bound = evaluateConstant(model, condition.field("right"));
  const Node declarator = findDescendant(init, {"init_declarator"});
  const Node start = declarator.null() ? init.field("right") : declarator.field("value");
  const std::optional<double> first = evaluateConstant(model, start);
  if (!bound || !first || (op != "<" && op != "<=" && op != "!=")) return 0;
  const Node update = loop.field("update");
  if (update.null() || update.type() != "update_expression" ||
      update.text().find("++") == std::string_view::npos)
    return 0;
  const double trips = *bound - *first + (op == "<=" ? 1 : 0);
  return trips >= 1 && trips <= 64 ? static_cast<int>(trips) : 0;
}

// if (used[nx][ny]) continue; inside the loop, used[x][y] = true before it: the walk marks the
// state it stands on, so of k moves the one back to where it came from is always refused.
bool marksItsOwnState(const Node& body, const Node& loop) {
  std::set<std::string> marked;
  visitNodes(body, [&](const Node& n) {
    if (n == loop) return false;
    if (n.type() == "assignment_expression" &&
        unwrapped(n.field("left")).type() == "subscript_expression")
      marked.insert(containerName(unwrapped(n.field("left"))));
    return true;
  });
  bool tested = false;
  visitNodes(loop.field("body"), [&](const Node& n) {
    if (tested) return false;
    if (n.type() != "if_statement") return true;
    visitNodes(n.field("condition"), [&](const Node& e) {
      if (e.type() == "subscript_expression" && marked.count(containerName(e))) tested = true;
      return !tested;
    });
    return !tested;
  });
  return tested;
}

// f(smaller) where `smaller` is a container the activation declares and fills itself, not a
// copy or slice of its own argument: a reduced problem (pairs merged, marked positions kept)
// that real solutions build at most half as large, so the sizes fall geometrically.
bool passesRebuiltContainer(const Model& model, const Function& function, const Node& call) {
  const Node arguments = call.field("arguments");
  for (size_t i = 0; i < function.parameters.size() && i < arguments.childCount(); ++i) {
    const Node argument = unwrapped(arguments.child(static_cast<uint32_t>(i)));
    if (argument.type() != "identifier" || function.parameters[i].empty()) continue;
    const Symbol* local = findSymbolAt(model, argument.text(), argument);
    if (!local || local->isParameter || local->scope != function.name ||
        (local->kind != ContainerKind::kVector && local->kind != ContainerKind::kString))
      continue;
    if (local->scopeStart < ts_node_start_byte(function.body.raw) ||
        local->scopeEnd > ts_node_end_byte(function.body.raw))
      continue;
    if (!local->initialiser.null() &&
        mentionsIdentifier(local->initialiser, function.parameters[i]))
      continue;
    return true;
  }
  return false;
}

}  // namespace

RecursionFacts recursionFactsOf(const Model& model, const Function& function) {
  RecursionFacts facts;
  facts.parameters = function.parameters;
  const std::vector<Node> calls = recursiveCalls(model, function);
  if (calls.empty()) return facts;

  // Distinct activations: calls in exclusive branches count once.
  int count = static_cast<int>(calls.size());
  for (size_t i = 0; i < calls.size(); ++i)
    for (size_t j = i + 1; j < calls.size(); ++j)
      if (exclusive(calls[i], calls[j], function.body)) --count;
  facts.calls = std::max(1, count);

  // A chain f(p[x]) is read first: the root test of a union-find (if (p[x] < 0) return x) is
  // no memo. Otherwise a memo returns the entry it looks up, a visit mark gives nothing back.
  bool chain = false;
  for (const Node& call : calls)
    for (size_t i = 0; i < function.parameters.size(); ++i)
      if (!function.parameters[i].empty()) {
        // a link followed out of the node, p[x] or t[v].next[c]: whatever it tests is no memo
        const Change c = changeOf(call.field("arguments").child(static_cast<uint32_t>(i)),
                                  function.parameters[i], function);
        chain = chain || c == Change::kChain || c == Change::kChild;
      }
  std::string memo = chain ? "" : memoTableOf(function);
  // A table whose entries are returned, keyed by more than the vertex, is a memo even where the
  // calls walk lists: the states are its keys (l, r, k), not the vertices.
  int keys = 0;
  if (!memo.empty())
    for (bool keyed : keyedParameters(function, memo)) keys += keyed ? 1 : 0;
  const bool returnsEntries = !memo.empty() && keys >= 2;
  if (memo.empty() && !chain) memo = visitMarkOf(function, calls);
  bool inLoop = false, inAdjacencyLoop = false, pruned = false, fromComputedVertex = false;
  int choices = 0;  // for (char c : {'L', 'R'}): a fixed set of choices per level
  std::string adjacency;
  Node adjacencyLoop;
  for (const Node& call : calls) {
    if (insideLoop(call, function.body)) inLoop = true;
    const Node loop = enclosingLoop(call, function.body);
    if (!loop.null()) {
      // if (used[i]) continue; if (!safe(r, c)) ...: a pruned choice, at most n! leaves
      // while (avail) over the free bits of a mask is as pruned as a used[] test.
      pruned =
          pruned || loop.type() == "while_statement" ||
          !findDescendant(loop.field("body"), {"if_statement", "conditional_expression"}).null();
      facts.branching = loopFactsOf(model, loop, {}).trips;
      const Node right = loop.type() == "for_range_loop" ? loop.field("right") : Node{};
      if (right.type() == "initializer_list")
        choices = std::max(choices, static_cast<int>(right.childCount()));
      // four moves on a grid, of which a marked walk never takes the one back
      const int trips = constantTrips(model, loop);
      if (trips > 0)
        choices = std::max(choices,
                           trips >= 3 && marksItsOwnState(function.body, loop) ? trips - 1 : trips);
    }
    if (isAdjacencyLoop(model, loop)) {
      inAdjacencyLoop = true;
      adjacency = adjacencyOf(model, loop);
      adjacencyLoop = loop;
      fromComputedVertex = fromComputedVertex || walksFromComputedVertex(function, loop);
    } else if (!loop.null() && skipsParent(function, call, loop) &&
               !neighboursHolder(function, loop).empty()) {
      // head[u] / nxt[e], a map of lists: a tree walk whatever holds the neighbours
      inAdjacencyLoop = true;
      adjacency = neighboursHolder(function, loop);
    }
  }
  if (inAdjacencyLoop && !returnsEntries) {
    // Recursing into the parts left around a vertex the activation picked and removed: each
    // part is a component of its own, so every vertex is entered once, at a depth of log n
    // when the pick is a centre (how real code picks it).
    facts.shape = fromComputedVertex ? RecursionShape::kDecomposition : RecursionShape::kTraversal;
    if (fromComputedVertex) {
      facts.assumed = "the vertex " + function.name +
                      " removes is taken to be a centre, so every part left is at most half";
      facts.assumedLevel = "medium";
    }
    facts.size = vertexCount(model, adjacency);
    facts.table = memo;  // a mark or memo that makes a repeated call cost O(1)
    facts.counters = depthCounters(function, calls);
    return facts;
  }
  if (!memo.empty()) {
    facts.shape = RecursionShape::kMemoised;
    facts.table = memo;
    facts.states = containerSize(model, memo, function.body);
    // dp[5005][5005]: a literal capacity, while the parameters tell the states reached.
    const Symbol* table = findSymbol(model, memo);
    // A global table a local of another function shadows by name: its own extents count.
    const Symbol* seen = declarationAt(const_cast<Model&>(model), memo, function.body);
    if (seen && table && seen->line != table->line && seen->kind == ContainerKind::kArray) {
      facts.states = constantCost();
      for (const Cost& extent : seen->dimensions)
        facts.states = multiplyCosts(facts.states, extent);
      table = seen;
    }
    // dp[c][v] with for (u : adj[v]): the states along v are the adjacency's vertices
    if (inAdjacencyLoop)
      if (const auto states = memoStatesOverVertices(model, function, memo, adjacencyLoop))
        facts.states = *states;
    // A key fixed by the others along every call (row = popcount(used)) is no dimension: the
    // states are those the other keys reach.
    const std::vector<bool> tied = tiedParameters(function, calls);
    const std::vector<bool> keyed = keyedParameters(function, memo);
    const bool anyTied = std::find(tied.begin(), tied.end(), true) != tied.end();
    if (anyTied || isConstantCost(facts.states) || (table && table->literalLimit) ||
        madeOfItemCounts(model, facts.states) ||
        keyedBySubsets(model, function, calls, memo, keyed)) {
      facts.states = constantCost();
      const std::set<std::string> few = categoricalParameters(model, function, memo);
      for (size_t k = 0; k < function.parameters.size(); ++k) {
        const std::string& p = function.parameters[k];
        if (p.empty() || tied[k] || !keyed[k]) continue;
        Cost used = parameterStates(model, function, k, calls);
        // go(pos + 1, ...) until pos == digits.size(): the positions up to the base case
        bool increases = false;
        for (const Node& call : calls)
          increases = increases || changeOf(call.field("arguments").child(static_cast<uint32_t>(k)),
                                            p, function) == Change::kIncrease;
        if (isConstantCost(used) && increases) used = baseCaseBound(model, function, p);
        if (isConstantCost(used) && few.count(p)) continue;
        facts.states = multiplyCosts(facts.states, isConstantCost(used) ? sizeCost(p) : used);
      }
    }
    return facts;
  }

  // How the first recursive call changes each parameter.
  Change change = Change::kNone;
  Cost size;
  const Node arguments = calls.front().field("arguments");
  const size_t offset = arguments.childCount() > function.parameters.size() ? 0 : 0;
  for (size_t i = offset; i < function.parameters.size() && i < arguments.childCount(); ++i) {
    const std::string& parameter = function.parameters[i];
    if (parameter.empty()) continue;
    Change c = Change::kNone;
    for (const Node& call : calls) {
      c = changeOf(call.field("arguments").child(static_cast<uint32_t>(i)), parameter, function);
      if (c != Change::kNone) break;
    }
    if (c == Change::kNone) continue;
    // a child of a tree node is the weakest measure: another parameter's bound reads better
    if (c == Change::kChild && change != Change::kNone) continue;
    if (change == Change::kNone || change == Change::kChild || c == Change::kHalve) {
      change = c;
      size =
          c == Change::kIncrease ? baseCaseBound(model, function, parameter) : sizeCost(parameter);
      if (c == Change::kChild) size = Cost{};  // the tree's nodes: the program's size
      // heapdown(l) with l = n * 2 and if (l <= hn): the index doubles up to its bound.
      if (c == Change::kDouble) {
        const Node argument = unwrapped(arguments.child(static_cast<uint32_t>(i)));
        size = argument.type() == "identifier"
                   ? baseCaseBound(model, function, std::string(argument.text()))
                   : Cost{};
        if (isConstantCost(size)) size = baseCaseBound(model, function, parameter);
      }
      if (c == Change::kHalve) {
        // f(l, mid) and f(mid + 1, r): the range ends at the last parameter that is not a value;
        // a string parameter's length is written |s|, as the calls substitute it
        const Symbol* own = findSymbol(model, parameter);
        const bool text = own && own->isParameter && own->kind == ContainerKind::kString;
        size = sizeCost(text ? "|" + parameter + "|" : parameter);
      }
    }
  }
  // return cells[v].up = leader(cells[v].up): a link kept in the entry, compressed
  const bool linkCompressed = !compressedLink(function, calls).null();
  if (linkCompressed) change = Change::kChain;
  if (change == Change::kChain) {
    facts.shape = RecursionShape::kUnionFind;
    const Node first = findDescendant(calls.front().field("arguments"), {"subscript_expression"});
    const bool compresses =
        linkCompressed || storesCallInto(function.body, containerName(first), calls);
    facts.size = containerSize(model, containerName(first), first);
    if (isConstantCost(facts.size)) facts.size = primarySize(model);
    // Union by size alone keeps every tree log n deep; path compression alone amortises to log
    // n per find; both give alpha(n); neither leaves chains as long as the set.
    facts.unionBySize = unitesBySize(model, containerName(first));
    facts.compresses = compresses;
    if (!compresses && !facts.unionBySize) facts.shape = RecursionShape::kLinear;
    return facts;
  }
  // f(l, p - 1) and f(p + 1, r): disjoint parts around a point the activation computes
  const std::pair<int, int> split = change == Change::kNone && !inLoop && facts.calls >= 2
                                        ? splitRange(function, calls)
                                        : std::pair<int, int>{-1, -1};
  if (split.second >= 0) {
    facts.shape = RecursionShape::kPartition;
    facts.size = sizeCost(function.parameters[static_cast<size_t>(split.second)]);
    facts.smallerSide = scansFromBothEnds(function);
    return facts;
  }
  if (isConstantCost(size)) {
    // Nothing the calls pass tells how deep they go (a value recomputed from the input, a
    // list rebuilt): the program's main size stands in, and the answer says so.
    size = primarySize(model);
    if (change != Change::kChild && change != Change::kHalve &&
        !passesRebuiltContainer(model, function, calls.front())) {
      facts.assumed = "the depth of " + function.name +
                      "'s recursion is not read from its arguments; taken as " + formatCost(size);
      facts.assumedLevel = "low";
    }
  }
  facts.size = size;
  if (change == Change::kChild && (facts.calls >= 2 || inLoop)) {
    // calls on distinct children: each node of the tree is entered once
    facts.shape = RecursionShape::kTraversal;
  } else if (inLoop && choices > 0) {
    // k choices per level branch k ways: k^depth, not the permutations of a used[] mark
    facts.shape = RecursionShape::kBranching;
    facts.calls = std::max(facts.calls, choices);
    facts.branching = constantCost();
  } else if (inLoop) {
    facts.shape = pruned || isConstantCost(facts.branching) ? RecursionShape::kPermutations
                                                            : RecursionShape::kBranching;
  } else if (change == Change::kHalve || change == Change::kDouble ||
             (change == Change::kNone && facts.calls == 1 &&
              passesRebuiltContainer(model, function, calls.front()))) {
    bool stored = false;
    for (const std::string& p : function.parameters)
      stored =
          stored || (change == Change::kDouble && !p.empty() && hasStoredRangeTest(function, p));
    facts.shape = hasRangeTest(function) || stored ||
                          (facts.calls >= 2 && prunesAgainstBound(model, function, calls))
                      ? RecursionShape::kRangeQuery
                      : RecursionShape::kHalving;
    if (facts.shape == RecursionShape::kHalving)
      facts.mergedTable = childRowsMerged(model, function, calls);
  } else {
    facts.shape = facts.calls >= 2 ? RecursionShape::kBranching : RecursionShape::kLinear;
  }
  return facts;
}

}  // namespace quorbel
