#include "model/values.h"

#include <map>
#include <tuple>

#include "model/loop_parts.h"
#include "model/loops.h"
#include "model/magnitude.h"
#include "model/reassignments.h"

namespace quorbel {
namespace {

// Rounds of the fixpoint: a fact resting on a fact resting on a fact settles in three.
constexpr int kRounds = 4;
// Loops read around one counter; deeper nests add nothing a program relies on.
constexpr size_t kMaxLoops = 8;
// The syntax tree is read no deeper than the declarations are.
constexpr size_t kMaxDepth = 40000;

Node unwrapValue(Node n) {
  for (int guard = 0; guard < 8 && !n.null(); ++guard) {
    const std::string_view type = n.type();
    if (type != "parenthesized_expression" && type != "cast_expression") break;
    n = n.child(n.childCount() - 1);
  }
  return n;
}

bool isCallTo(const Node& call, std::initializer_list<std::string_view> names) {
  if (call.type() != "call_expression") return false;
  Node function = call.field("function");
  if (function.type() == "template_function") function = function.field("name");
  std::string_view text = function.text();
  for (std::string_view prefix : {"std::ranges::", "ranges::", "std::"})
    if (text.substr(0, prefix.size()) == prefix) text.remove_prefix(prefix.size());
  for (std::string_view name : names)
    if (text == name) return true;
  return false;
}

// A declaration's identity: the name and where its scope starts.
using DeclarationKey = std::tuple<std::string, int, uint32_t>;

struct Fact {
  Cost value;
  bool named = false;  // a value of the input: the variable names its own size
};

class ValueReader {
 public:
  explicit ValueReader(Model& model) : model_(model) {}

  bool run() {
    bool found = false;
    for (auto& [name, symbol] : model_.declarations)
      base_[keyOf(symbol)] = symbol.hasDerived ? symbol.derived : Cost{};
    for (int round = 0; round < kRounds; ++round) {
      facts_.clear();
      walk(model_.root);
      if (!apply()) break;
      found = true;
    }
    return found;
  }

 private:
  static DeclarationKey keyOf(const Symbol& symbol) {
    return {symbol.name, symbol.line, symbol.scopeStart};
  }

  // The scalar an assignment to `target` changes, when its value is the program's to track.
  Symbol* trackedAt(const Node& target) {
    if (target.type() != "identifier") return nullptr;
    Symbol* declared = declarationAt(model_, target.text(), target);
    if (!declared || declared->kind != ContainerKind::kScalar || declared->isConstant ||
        declared->fromInput || declared->isParameter)
      return nullptr;
    return declared;
  }

  // A walk that keeps the path from the root: asking a node for its parent searches down from
  // the root, which deep nests cannot afford.
  void walk(const Node& n) {
    if (n.null() || path_.size() > kMaxDepth) return;
    readNode(n);
    path_.push_back(n);
    const uint32_t count = n.childCount();
    for (uint32_t i = 0; i < count; ++i) walk(n.child(i));
    path_.pop_back();
  }

  void readNode(const Node& n) {
    const std::string_view type = n.type();
    if (type == "assignment_expression") {
      readAssignment(n);
    } else if (type == "update_expression") {
      if (n.text().find("++") != std::string_view::npos)
        readCounter(n, unwrapValue(n.field("argument")));
    } else if (type == "init_declarator") {
      // int mx = *max_element(a.begin(), a.end());
      Symbol* symbol = trackedAt(n.field("declarator"));
      if (symbol && isLargestEntry(n.field("value"))) {
        record(*symbol, {}, true);
        noteLargest(*symbol, n.field("value"));
      }
    }
  }

  void readAssignment(const Node& n) {
    const Node left = unwrapValue(n.field("left"));
    const Node right = unwrapValue(n.field("right"));
    const std::string_view op = n.field("operator").text();
    if (scalesItself(model_, left, right, op)) return readScaling(n, left);
    if (op == "+=") {
      Symbol* symbol = trackedAt(left);
      // sum += a[i]: the sum of values read.
      if (symbol && isInputValue(right))
        record(*symbol, {}, true);
      else if (evaluateConstant(model_, right))
        readCounter(n, left);
      return;
    }
    if (op != "=") return;
    Symbol* symbol = trackedAt(left);
    if (!symbol) return;
    if (isLargestEntry(right)) {
      noteLargest(*symbol, right);
      return record(*symbol, {}, true);
    }
    // mx = mx > a[i] ? mx : a[i]: the larger of the value kept and a value read
    if (right.type() == "conditional_expression") {
      const Node kept = unwrapValue(right.field("consequence"));
      const Node other = unwrapValue(right.field("alternative"));
      for (const auto& [self, read] : {std::pair{kept, other}, std::pair{other, kept}})
        if (isIdentifierNamed(self, left.text()) && isInputValue(read) &&
            mentionsIdentifier(right.field("condition"), left.text())) {
          noteLargest(*symbol, read);
          return record(*symbol, {}, true);
        }
    }
    if (isCallTo(right, {"max", "fmax"})) {
      // mx = max(mx, a[i]), mx = max({mx, x, y}): the largest value seen.
      std::vector<Node> arguments = childrenOf(right.field("arguments"));
      if (arguments.size() == 1 && arguments[0].type() == "initializer_list")
        arguments = childrenOf(arguments[0]);
      Cost others;
      for (const Node& argument : arguments) {
        if (isInputValue(argument)) {
          noteLargest(*symbol, argument);
          return record(*symbol, {}, true);
        }
        if (!mentionsIdentifier(argument, left.text()))
          others = addCosts(others, valueInLoops(argument, *symbol));
      }
      if (!isConstantCost(others) && !madeOfParameters(n, *symbol, others))
        record(*symbol, others, false);
      return;
    }
    // if (a[i] > mx) mx = a[i]: the value read, kept when it is larger.
    if (isInputValue(right) && guardedByComparisonWith(left.text())) {
      noteLargest(*symbol, right);
      return record(*symbol, {}, true);
    }
    // if (i * (i + 1) / 2 <= n) k = i: no larger than the guard lets it be.
    const Cost guarded = guardedBound(right, *symbol);
    if (!isConstantCost(guarded) && !madeOfParameters(n, *symbol, guarded))
      return record(*symbol, guarded, false);
    // best = i inside for (i < n): as large as the loop variable may be.
    const Cost value = valueInLoops(right, *symbol);
    if (!isConstantCost(value) && !madeOfParameters(n, *symbol, value))
      record(*symbol, value, false);
  }

  // while (size < n) size *= 2: a value scaled in a loop that compares it with a bound stops
  // at the first power past the bound, as large as the bound is (a segment tree's leaves).
  void readScaling(const Node& assignment, const Node& target) {
    Symbol* symbol = trackedAt(target);
    if (!symbol) return;
    for (const Node& loop : loopsAround(*symbol)) {
      std::vector<Comparison> comparisons;
      collectComparisons(loop.field("condition"), comparisons);
      for (const Comparison& c : comparisons) {
        const bool below = c.op == "<" || c.op == "<=", above = c.op == ">" || c.op == ">=";
        Node bound;
        if (unwrapValue(c.left).text() == target.text() && below) bound = c.right;
        if (unwrapValue(c.right).text() == target.text() && above) bound = c.left;
        if (bound.null()) continue;
        const Cost value = valueInLoops(bound, *symbol);
        if (!isConstantCost(value) && !madeOfParameters(assignment, *symbol, value))
          record(*symbol, value, false);
        return;
      }
    }
  }

  // cnt++ or cnt += 1 inside loops that do not hold cnt's declaration: at most the loops' passes.
  void readCounter(const Node& update, const Node& target) {
    Symbol* symbol = trackedAt(target);
    if (!symbol) return;
    const std::vector<Node> loops = loopsAround(*symbol);
    // A loop that starts the counter again (for (i = 0; ...; i++), or cnt = 0 in its body)
    // bounds it: the loops around that one do not add up.
    const std::string name(target.text());
    size_t counted = 0;
    for (; counted < loops.size(); ++counted) {
      const Node& loop = loops[counted];
      if (loop.type() == "for_statement" && resetInside(loop.field("initializer"), name, {})) {
        ++counted;
        break;
      }
      if (resetInside(loop.field("body"), name, {})) break;
    }
    if (counted == 0) return;
    std::vector<EnclosingLoop> frames;
    Cost passes;
    for (auto it = loops.rbegin(); it != loops.rend(); ++it) {
      const LoopFacts facts = loopFactsOf(model_, *it, frames);
      const bool counts = static_cast<size_t>(loops.rend() - it) <= counted;
      if (facts.step == StepKind::kUnknown && counts) return;
      // The loop's own variable, declared before it (while ((1 << lg) < n) lg++): it ends where
      // the loop stops.
      if (facts.variable == target.text() && std::next(it) == loops.rend()) {
        passes = isConstantCost(facts.range) ? facts.trips : facts.range;
        break;
      }
      // A counter of one test case starts again with the next: the tests do not add up.
      const Cost trips = facts.step == StepKind::kTestCases ? Cost{{Monomial{}}} : facts.trips;
      if (counts) passes = multiplyCosts(passes.terms.empty() ? Cost{{Monomial{}}} : passes, trips);
      frames.push_back({*it,
                        facts.variable,
                        isConstantCost(facts.range) ? facts.trips : facts.range,
                        trips,
                        {}});
    }
    passes = simplifyCost(passes);
    if (!isConstantCost(passes) && !madeOfParameters(update, *symbol, passes))
      record(*symbol, passes, false);
  }

  // The loops between the node read and the declaration of `symbol`, innermost first.
  std::vector<Node> loopsAround(const Symbol& symbol) const {
    std::vector<Node> loops;
    for (auto it = path_.rbegin(); it != path_.rend() && loops.size() < kMaxLoops; ++it) {
      const Node& n = *it;
      const std::string_view type = n.type();
      if (type == "function_definition" || type == "lambda_expression") break;
      if (!isLoopNode(n)) continue;
      const uint32_t start = ts_node_start_byte(n.raw), end = ts_node_end_byte(n.raw);
      if (start <= symbol.scopeStart && symbol.scopeEnd <= end) break;
      loops.push_back(n);
    }
    return loops;
  }

  // The magnitude of `value` with the loop variables of the loops around it in scope.
  Cost valueInLoops(const Node& value, const Symbol& symbol) const {
    const std::vector<Node> loops = loopsAround(symbol);
    std::vector<EnclosingLoop> frames;
    for (auto it = loops.rbegin(); it != loops.rend(); ++it) {
      const LoopFacts facts = loopFactsOf(model_, *it, frames);
      frames.push_back({*it,
                        facts.variable,
                        isConstantCost(facts.range) ? facts.trips : facts.range,
                        facts.trips,
                        {}});
    }
    return simplifyCost(magnitudeOf(model_, value, loopVariablesOf(frames)));
  }

  // The bound an if around the assignment puts on the value assigned: i * i <= n keeps i
  // within the square root of n, i < m within m. O(1) when no comparison bounds it.
  Cost guardedBound(const Node& value, const Symbol& symbol) const {
    if (value.type() != "identifier") return constantCost();
    const std::string name(value.text());
    for (auto it = path_.rbegin(); it != path_.rend(); ++it) {
      const std::string_view type = it->type();
      if (isLoopNode(*it) || type == "function_definition" || type == "lambda_expression") break;
      if (type != "if_statement") continue;
      std::vector<Comparison> comparisons;
      collectComparisons(it->field("condition"), comparisons);
      for (const Comparison& c : comparisons) {
        const bool below = c.op == "<" || c.op == "<=";
        if (!below && c.op != ">" && c.op != ">=") continue;
        const Node small = below ? c.left : c.right, large = below ? c.right : c.left;
        if (mentionsIdentifier(large, name) || mentionsIdentifier(large, symbol.name)) continue;
        const int degree = rootDegreeOf(model_, small, name);
        if (degree < 1) continue;
        const Cost bound = valueInLoops(large, symbol);
        if (isConstantCost(bound)) continue;
        return degree >= 2 ? rootCost(bound, degree) : bound;
      }
    }
    return constantCost();
  }

  // A value taken from the input: a scalar read, an entry of an array the input fills, the
  // loop variable walking one, or a sum or product made of them.
  bool isInputValue(const Node& expression, int depth = 0) const {
    const Node e = unwrapValue(expression);
    if (e.null() || depth > 4) return false;
    const std::string_view type = e.type();
    if (type == "identifier") {
      const Symbol* symbol = findSymbolAt(model_, e.text(), e);
      if (symbol && symbol->kind == ContainerKind::kScalar && symbol->fromInput) return true;
      return walksInput(e);
    }
    if (type == "subscript_expression") {
      const Symbol* symbol = findSymbol(model_, containerName(e));
      return symbol && symbol->holdsInput;
    }
    if (type == "binary_expression") {
      const std::string_view op = e.field("operator").text();
      return (op == "+" || op == "*") && (isInputValue(e.field("left"), depth + 1) ||
                                          isInputValue(e.field("right"), depth + 1));
    }
    return false;
  }

  // for (int x : a) with a filled from the input: x is each value read.
  bool walksInput(const Node& identifier) const {
    for (auto it = path_.rbegin(); it != path_.rend(); ++it) {
      const Node& n = *it;
      if (n.type() != "for_range_loop" || declaredName(n.field("declarator")) != identifier.text())
        continue;
      const Symbol* container = findSymbol(model_, containerName(n.field("right")));
      return container && container->holdsInput;
    }
    return false;
  }

  // *max_element(a.begin(), a.end()), *ranges::max_element(a) over an array the input fills.
  bool isLargestEntry(const Node& expression) const {
    const Node e = unwrapValue(expression);
    // ranges::max(v): the largest entry of a whole container, no iterator to dereference
    const Node whole = wholeContainerMax(e);
    if (!whole.null()) {
      const Symbol* symbol = findSymbol(model_, containerName(whole));
      return symbol && symbol->holdsInput;
    }
    if (e.type() != "pointer_expression") return false;
    const Node call = unwrapValue(e.child(0));
    if (!isCallTo(call, {"max_element"})) return false;
    const Symbol* symbol = findSymbol(model_, containerName(call.field("arguments").child(0)));
    return symbol && symbol->holdsInput;
  }

  // if (a[i] > mx) mx = a[i]: the assignment runs only when the condition compares with mx.
  bool guardedByComparisonWith(std::string_view name) const {
    for (auto it = path_.rbegin(); it != path_.rend(); ++it) {
      const Node& n = *it;
      const std::string_view type = n.type();
      if (isLoopNode(n) || type == "function_definition" || type == "lambda_expression") break;
      if (type == "if_statement") return mentionsIdentifier(n.field("condition"), name);
    }
    return false;
  }

  // n = _n in a member function: a value made of the function's parameters means something
  // only inside the function, where the caller's arguments replace them.
  bool madeOfParameters(const Node& at, const Symbol& symbol, const Cost& value) const {
    for (auto it = path_.rbegin(); it != path_.rend(); ++it) {
      const Node& n = *it;
      const std::string_view type = n.type();
      if (type != "function_definition" && type != "lambda_expression") continue;
      if (symbol.scopeStart >= ts_node_start_byte(n.raw)) return false;
      for (const std::string& size : sizesOf(value)) {
        const Symbol* named = declarationAt(model_, size, at);
        if (named && named->isParameter) return true;
      }
      return false;
    }
    return false;
  }

  // mx holds the largest entry of the array `value` reads (a[i], *max_element(a), x of
  // for (x : a)): every entry of that array is at most mx.
  // The container of max(v) with one argument that is no list of values; null otherwise.
  static Node wholeContainerMax(const Node& e) {
    if (!isCallTo(e, {"max"}) || e.field("arguments").childCount() != 1) return Node{};
    const Node only = unwrapValue(e.field("arguments").child(0));
    return only.type() == "initializer_list" ? Node{} : only;
  }

  void noteLargest(const Symbol& largest, const Node& value) {
    Node e = unwrapValue(value);
    const Node whole = wholeContainerMax(e);
    if (e.type() == "pointer_expression") e = unwrapValue(e.child(0)).field("arguments").child(0);
    std::string array;
    if (!whole.null()) {
      array = containerName(whole);
      e = whole;
    } else if (e.type() == "subscript_expression" || e.type() == "call_expression" ||
               e.type() == "field_expression") {
      array = containerName(e);
    } else if (e.type() == "identifier") {
      for (auto it = path_.rbegin(); it != path_.rend() && array.empty(); ++it)
        if (it->type() == "for_range_loop" && declaredName(it->field("declarator")) == e.text())
          array = containerName(it->field("right"));
    }
    const Symbol* found = containerAt(model_, array, e);
    if (!found || !found->holdsInput) return;
    largest_[array] = largest.name;
  }

  void record(Symbol& symbol, const Cost& value, bool named) {
    Fact& fact = facts_[keyOf(symbol)];
    fact.named = fact.named || named;
    fact.value = simplifyCost(addCosts(fact.value, value));
  }

  // Writes this round's facts; true when any derived size changed.
  bool apply() {
    bool changed = false;
    for (const auto& [array, largest] : largest_) {
      Symbol& table = model_.symbols[array];
      if (table.largestEntry == largest) continue;
      table.largestEntry = largest;
      changed = true;
      auto [first, last] = model_.declarations.equal_range(array);
      for (auto it = first; it != last; ++it) it->second.largestEntry = largest;
    }
    for (auto& [name, symbol] : model_.declarations) {
      auto found = facts_.find(keyOf(symbol));
      if (found == facts_.end()) continue;
      const Fact& fact = found->second;
      const Cost value = fact.named ? sizeCost(symbol.name)
                                    : simplifyCost(addCosts(base_[keyOf(symbol)], fact.value));
      if (isConstantCost(value) || (symbol.hasDerived && symbol.derived == value)) continue;
      symbol.derived = value;
      symbol.hasDerived = true;
      changed = true;
      // The table's entry answers for the name where the program declares it once.
      Symbol& table = model_.symbols[name];
      if (table.line == symbol.line && table.scopeStart == symbol.scopeStart) {
        table.derived = value;
        table.hasDerived = true;
      }
    }
    return changed;
  }

  Model& model_;
  std::map<DeclarationKey, Cost> base_;  // what the declarations alone derived
  std::map<DeclarationKey, Fact> facts_;
  std::map<std::string, std::string> largest_;  // an array read -> the scalar holding its largest
  std::vector<Node> path_;                      // the ancestors of the node read, the root first
};

}  // namespace

bool readValueFacts(Model& model) { return ValueReader(model).run(); }

}  // namespace quorbel
