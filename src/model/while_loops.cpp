// Trip counts of while and do-while loops, by what the condition tests and the body moves:
//   while (t--)                           the count (test loops: model/test_loops.h)
//   while (lo <= hi) { mid = ...; }       log of the range; a literal range a constant number
//   while (!q.empty())                    each vertex or cell once (BFS, Dijkstra)
//   while (!st.empty() && ...) st.pop()   amortised by the pushes of the enclosing loop
//   while (..) d.pop_back()               a container filled elsewhere: O(1) amortised per pass
//   while (a.size() <= x) a.push_back()   grows to its bound once over the enclosing loops
//   while (lo.size() > hi.size() + 1)     moves entries to balance two heaps: O(1) amortised
//   while (j < n && ...) j++              two pointers (j declared outside the enclosing loop)
//   while (sum > s) sum -= a[l++]         the pointer's array, amortised the same way
//   while (x > 0) x /= 10;  while (b)     log of the value; Euclid's algorithm
//   while (cin >> x)                      one pass per value of the input
//   do { } while (next_permutation(...))  every permutation
#include <algorithm>
#include <cmath>
#include <optional>

#include "model/counter_stacks.h"
#include "model/drained_containers.h"
#include "model/index_steps.h"
#include "model/kept_pointers.h"
#include "model/loop_parts.h"
#include "model/recursion_guards.h"

namespace quorbel {
namespace {

// lo = 0, hi = 1e9 halved down to one (or to eps in hi - lo > 1e-9): log2((hi - lo) / eps)
// steps, which the count of operations keeps though the notation drops them.
double bisectionSteps(const Model& model, const Comparison& c, double high) {
  const Node left = unwrap(c.left);
  const bool difference =
      left.type() == "binary_expression" && left.field("operator").text() == "-";
  const Node lowNode = difference                      ? unwrap(left.field("right"))
                       : (c.op == ">" || c.op == ">=") ? unwrap(c.right)
                                                       : left;
  const Symbol* low = findSymbol(model, lowNode.text());
  const auto eps = difference ? evaluateConstant(model, c.right) : std::nullopt;
  const double width = high - (low && low->value ? *low->value : 0);
  return std::ceil(std::log2(std::max(2.0, width / (eps && *eps > 0 && *eps < 1 ? *eps : 1))));
}

// The container of `c.size()`, casts and parentheses stripped; empty for anything else.
std::string sizeCallOn(const Node& side) {
  const Node n = unwrap(side);
  if (n.type() != "call_expression") return "";
  const Node f = n.field("function");
  if (f.type() != "field_expression" || f.field("field").text() != "size") return "";
  return containerName(f.field("argument"));
}

// A container's size compared with something that is not a literal: q.size() > 1 still asks
// whether the queue has entries to drain, dp.size() <= x asks how far it has grown.
struct SizeComparison {
  std::string container;
  Node bound;
  std::string other;  // the other side's container: low.size() > high.size() + 1
};

SizeComparison sizeComparisonOf(const Node& condition) {
  std::vector<Comparison> comparisons;
  collectComparisons(condition, comparisons);
  for (const Comparison& c : comparisons)
    for (const bool left : {true, false}) {
      const std::string name = sizeCallOn(left ? c.left : c.right);
      const Node bound = unwrap(left ? c.right : c.left);
      if (name.empty() || bound.null() || bound.type() == "number_literal") continue;
      SizeComparison found{name, bound, ""};
      visitNodes(bound, [&](const Node& n) {
        if (found.other.empty() && n.type() == "call_expression") found.other = sizeCallOn(n);
        return found.other.empty();
      });
      return found;
    }
  return {};
}

// True when the program reads a fixed number of values: every read sits in main, under for
// loops of a constant count only (the cells of a 3 x 3 board). A search over the states such an
// input starts from explores a space of fixed size, whatever values were read.
bool readsFixedCount(const Model& model) {
  auto main = model.functions.find("main");
  if (main == model.functions.end()) return false;
  bool reads = false, fixed = true;
  visitNodes(model.root, [&](const Node& n) {
    if (!fixed) return false;
    bool read = false;
    if (n.type() == "binary_expression" && n.field("operator").text() == ">>") {
      Node left = n;
      while (left.type() == "binary_expression") left = unwrap(left.field("left"));
      read = left.text() == "cin" || left.text() == "std::cin";
    }
    if (n.type() == "call_expression") {
      const std::string_view callee = n.field("function").text();
      read = callee == "scanf" || callee == "getline" || callee == "getchar" || callee == "gets" ||
             callee == "fgets" || callee == "fread" || callee == "read";
    }
    if (!read) return true;
    reads = true;
    int guard = 0;
    bool inMain = false, inLoop = false;
    for (Node p = n.parent(); !p.null() && guard < 200; p = p.parent(), ++guard) {
      if (p == main->second.body) inMain = true;
      if (!isLoopNode(p)) continue;
      inLoop = true;
      if (p.type() != "for_statement" || !isConstantCost(loopFactsOf(model, p, {}).trips) ||
          loopFactsOf(model, p, {}).step == StepKind::kUnknown)
        fixed = false;
    }
    // a value read on its own (cin >> n) may be a size
    fixed = fixed && inMain && inLoop;
    return false;
  });
  return reads && fixed;
}

// A pointer stepped by one in `body` that indexes an array, and the array's range: the loop
// cannot pass more entries than the array holds.
struct WalkedPointer {
  std::string name;
  Cost range;
};

WalkedPointer walkedPointer(const Model& model, const Node& body, const std::string& tested) {
  WalkedPointer walked;
  visitNodes(body, [&](const Node& n) {
    if (!isConstantCost(walked.range)) return false;
    if (n.type() != "update_expression") return true;
    const Node argument = unwrap(n.field("argument"));
    if (argument.type() != "identifier" || argument.text() == tested) return true;
    walked.name = std::string(argument.text());
    walked.range = indexedArraySize(model, body, walked.name);
    return isConstantCost(walked.range);
  });
  return walked;
}

// The counter of an array kept as a stack that `condition` tests for entries left: hn of
// while (hn), while (hn > 0), while (hn != 0), while (hn >= 1); empty for anything else.
std::string drainedCounter(const Model& model, const Node& condition) {
  Node tested = condition;
  if (condition.type() == "binary_expression") {
    const std::string_view op = condition.field("operator").text();
    const auto limit = evaluateConstant(model, condition.field("right"));
    const bool entriesLeft =
        limit && ((*limit == 0 && (op == ">" || op == "!=")) || (*limit == 1 && op == ">="));
    tested = entriesLeft ? unwrap(condition.field("left")) : Node{};
  }
  if (tested.type() != "identifier") return "";
  const std::string name(tested.text());
  return model.counted.stacks.count(name) ? name : "";
}

}  // namespace

// The rules below, for the loop run while `condition` holds.
LoopFacts whileConditionFacts(const Model& model, const Node& loop, const Node& condition,
                              const std::vector<EnclosingLoop>& frames,
                              const std::vector<LoopVariable>& vars) {
  const Node body = loop.field("body");
  LoopFacts facts;
  facts.line = loop.line();
  if (condition.null()) return facts;

  // do { ... } while (next_permutation(a.begin(), a.end()))
  if (condition.text().find("next_permutation") != std::string_view::npos) {
    const Node call = findDescendant(condition, {"call_expression"});
    const Node args = call.field("arguments");
    Cost size = containerSize(model, containerName(args.child(0)), args);
    if (isConstantCost(size)) size = magnitudeOf(model, args.child(1), vars);
    facts.step = StepKind::kPermutations;
    facts.trips = factorialCost(size);
    return facts;
  }

  // A container only emptied here, filled elsewhere: each pass undoes a charged addition.
  if (!drainedAcrossPasses(model, loop, frames).empty()) {
    facts.step = StepKind::kStackPops;
    facts.trips = constantCost();
    return facts;
  }

  // Loops that compare sizes. Entries moved between two containers to balance them: each move
  // undoes a push of the enclosing work, O(1) amortised per pass.
  const SizeComparison sized = sizeComparisonOf(condition);
  if (!sized.container.empty() && !sized.other.empty() &&
      (pushesInto(body, sized.container, Node{}) || pushesInto(body, sized.other, Node{}))) {
    facts.step = StepKind::kBalancing;
    facts.trips = constantCost();
    return facts;
  }
  // A container grown up to a bound: its passes over everything enclosing it sum to the final
  // bound. The loop's own pushes never count towards its trips.
  if (!sized.container.empty() && sized.other.empty() &&
      pushesInto(body, sized.container, Node{})) {
    facts.step = StepKind::kGrowth;
    facts.trips = magnitudeOf(model, sized.bound, vars);
    for (const EnclosingLoop& frame : frames) facts.trips = divideCosts(facts.trips, frame.trips);
    return facts;
  }

  // Containers: stacks popped in a loop that pushes them, queues and heaps drained once.
  std::string tested = testedContainer(condition);
  // while (heapSize()) pop(): a helper tells the size
  if (tested.empty()) tested = containerSizedByHelper(model, condition);
  // while (hn), while (top > 0): an array kept as a stack by that counter, drained as a queue is
  const std::string counter = drainedCounter(model, condition);
  if (tested.empty() && !counter.empty()) tested = model.counted.stacks.at(counter);
  const Symbol* testedSymbol = findSymbol(model, tested);
  // Maps and sets shrink by erase under a moving pointer: the pointer rules below price them.
  if (testedSymbol &&
      (testedSymbol->kind == ContainerKind::kQueue || testedSymbol->kind == ContainerKind::kHeap ||
       testedSymbol->kind == ContainerKind::kVector ||
       (testedSymbol->kind == ContainerKind::kOrdered && pushesInto(body, tested, Node{})))) {
    // A stack the enclosing loop pushes and this loop only pops (a BFS pushes as it pops).
    if (!frames.empty() && pushesInto(frames.back().node, tested, loop) &&
        !pushesInto(body, tested, Node{})) {
      facts.step = StepKind::kStackPops;
      facts.trips = constantCost();
      return facts;
    }
  }
  // Only an emptiness test drains: i < bit.size() is read by the rules for variables below.
  if (testedSymbol && (sized.container.empty() || sized.container != tested) &&
      (testedSymbol->kind == ContainerKind::kQueue || testedSymbol->kind == ContainerKind::kHeap ||
       testedSymbol->kind == ContainerKind::kVector || !counter.empty() ||
       (testedSymbol->kind == ContainerKind::kOrdered && pushesInto(body, tested, Node{})))) {
    facts.step = StepKind::kQueue;
    const std::string adjacency = walkedAdjacency(model, body);
    const std::string grid = writtenGrid(model, body);
    if (!adjacency.empty())
      facts.trips = vertexCount(model, adjacency);
    else if (!grid.empty())
      facts.trips = reachedCells(model, *findSymbol(model, grid));
    else
      facts.trips = containerSize(model, tested, condition);
    // dist[210][210] of a grid read n by n: the cells the program's loops reach
    if (!grid.empty() && isConstantCost(facts.trips)) facts.trips = loopBoundedCells(model, grid);
    if (isConstantCost(facts.trips))
      facts.trips = readsFixedCount(model) ? constantCost() : primarySize(model);
    // for (s = 1; s <= n; s++) if (!seen[s]) { BFS from s }: each vertex once over all passes
    // (every loop of the nest around it shares the marks, up to one that starts them over)
    if (!adjacency.empty() || !grid.empty())
      for (auto frame = frames.rbegin(); frame != frames.rend(); ++frame) {
        if (reinitialisesMarks(frame->node.field("body"))) break;
        facts.trips = divideCosts(facts.trips, frame->trips);
      }
    return facts;
  }

  // while (t--), while (t-- > 0), while (--t)
  if (condition.type() == "update_expression" ||
      (condition.type() == "binary_expression" &&
       unwrap(condition.field("left")).type() == "update_expression")) {
    const Node update =
        condition.type() == "update_expression" ? condition : unwrap(condition.field("left"));
    const Node variable = update.field("argument");
    if (isGeometric(findUpdateIn(body, std::string(variable.text())).op)) {
      facts.variable = std::string(variable.text());
      facts.step = StepKind::kGeometric;
      facts.trips = logCost(magnitudeOf(model, variable, vars));
      return facts;
    }
    facts.variable = std::string(variable.text());
    facts.step = StepKind::kCounted;
    facts.trips = magnitudeOf(model, variable, vars);
    return facts;
  }

  std::vector<Comparison> comparisons;
  collectComparisons(condition, comparisons);
  // Binary search: lo <= hi, hi - lo > 1, r - l > eps, with a midpoint in the body.
  if (assignsHalf(body)) {
    for (const Comparison& c : comparisons) {
      Node high = unwrap(c.right);
      Node left = unwrap(c.left);
      if (left.type() == "binary_expression" && left.field("operator").text() == "-")
        high = unwrap(left.field("left"));
      else if (c.op == ">" || c.op == ">=")
        high = left;
      const Cost range = magnitudeOf(model, high, vars);
      facts.step = StepKind::kBinarySearch;
      if (!isConstantCost(range)) {
        facts.trips = logCost(range);
      } else if (high.type() == "identifier") {
        const Symbol* symbol = findSymbol(model, high.text());
        // hi = total, hi = *max_element(...): a value of the input; hi = 1e18: a literal range
        const bool literalRange = symbol && symbol->value && *symbol->value >= 1000;
        facts.trips = symbol && !symbol->isConstant && !literalRange
                          ? logCost(sizeCost(symbol->name))
                          : constantCost();
        if (literalRange) facts.trips = repeatedCost(bisectionSteps(model, c, *symbol->value));
        if (symbol && symbol->line > 0 && symbol->hasDerived)
          facts.trips = logCost(symbol->derived);
      }
      return facts;
    }
  }

  // while (cin >> x), while (scanf(...) != EOF): one pass per value of the input.
  if (condition.text().find(">>") != std::string_view::npos ||
      condition.text().find("scanf") != std::string_view::npos ||
      condition.text().find("getline") != std::string_view::npos) {
    facts.step = StepKind::kContainer;
    facts.trips = sizeCost("input");
    return facts;
  }

  // while (b != 0) { ... a % b ... }: Euclid's algorithm halves its pair every two steps.
  std::vector<Node> divisors;
  for (const Comparison& c : comparisons) divisors.push_back(unwrap(c.left));
  if (condition.type() == "identifier" || condition.type() == "subscript_expression")
    divisors.push_back(condition);
  // while (a[j][i] != 0) { q = a[j][i] / a[i][i]; ...; a[i].swap(a[j]); }: the tested value
  // divided by its partner, then the two exchanged, as Euclid's steps do on rows of a matrix.
  bool swaps = false;
  visitNodes(body, [&](const Node& n) {
    if (swaps) return false;
    if (n.type() == "call_expression") {
      const Node f = n.field("function");
      const std::string_view name =
          f.type() == "field_expression" ? f.field("field").text() : f.text();
      swaps = name == "swap" || name == "std::swap";
    }
    return !swaps;
  });
  for (const Node& divisor : divisors) {
    if (divisor.type() != "identifier" && divisor.type() != "subscript_expression") continue;
    bool divides = false;
    visitNodes(body, [&](const Node& n) {
      if (divides) return false;
      // a %= b reduces by b as a % b does
      const bool reduces =
          (n.type() == "binary_expression" &&
           (n.field("operator").text() == "%" || n.field("operator").text() == "/")) ||
          (n.type() == "assignment_expression" && n.field("operator").text() == "%=");
      if (reduces &&
          (unwrap(n.field("right")).text() == divisor.text() ||
           (swaps && divisor.type() == "subscript_expression" &&
            (unwrap(n.field("left")).text() == divisor.text() ||
             unwrap(n.field("left")).text().starts_with(std::string(divisor.text()) + ".")))))
        divides = true;
      return !divides;
    });
    if (divides) {
      facts.variable = std::string(divisor.text());
      facts.step = StepKind::kGeometric;
      facts.trips = logCost(magnitudeOf(model, divisor, vars));
      return facts;
    }
  }

  // A variable the condition tests and the body moves.
  std::vector<std::string> candidates;
  for (const Comparison& c : comparisons) {
    const Node l = unwrap(c.left);
    if (l.type() == "identifier") candidates.emplace_back(l.text());
    if (l.type() == "binary_expression" && l.field("operator").text() == "*" &&
        unwrap(l.field("left")).type() == "identifier")
      candidates.emplace_back(unwrap(l.field("left")).text());
    const Node r = unwrap(c.right);
    if (r.type() == "identifier") candidates.emplace_back(r.text());
    // while (pow(2, k) < n): the exponent
    if (l.type() == "call_expression" && l.field("arguments").childCount() == 2 &&
        unwrap(l.field("arguments").child(1)).type() == "identifier")
      candidates.emplace_back(unwrap(l.field("arguments").child(1)).text());
    // while (n % d == 0) n /= d: the names inside the tested expression
    if (l.type() == "binary_expression")
      for (const Node side : {unwrap(l.field("left")), unwrap(l.field("right"))})
        if (side.type() == "identifier") candidates.emplace_back(side.text());
    // while (k * (k + 1) / 2 <= n) k++: a name the tested polynomial grows with
    if (l.type() == "binary_expression")
      visitNodes(l, [&](const Node& n) {
        if (n.type() == "identifier" && rootDegreeOf(model, l, std::string(n.text())) >= 2)
          candidates.emplace_back(n.text());
        return true;
      });
  }
  if (condition.type() == "identifier") candidates.emplace_back(condition.text());
  if (condition.type() == "unary_expression") {
    const Node inner = unwrap(condition.child(0));
    if (inner.type() == "identifier") candidates.emplace_back(inner.text());
  }
  for (const std::string& variable : candidates) {
    const Update update = findUpdateIn(body, variable);
    if (update.op.empty()) continue;
    facts.variable = variable;
    Node bound;
    bool squareRoot = false;
    int degree = 0;
    for (const Comparison& c : comparisons) {
      const bool onLeft = mentionsIdentifier(c.left, variable);
      if (onLeft == mentionsIdentifier(c.right, variable)) continue;
      bound = onLeft ? c.right : c.left;
      const Node side = unwrap(onLeft ? c.left : c.right);
      squareRoot = side.type() == "binary_expression" && side.field("operator").text() == "*";
      degree = rootDegreeOf(model, side, variable);
      break;
    }
    Cost own;
    const Symbol* symbol = findSymbolAt(model, variable, condition);
    if (symbol && (symbol->fromInput || symbol->isParameter))
      own = sizeCost(variable);
    else if (symbol && symbol->hasDerived)
      own = symbol->derived;
    const Cost boundSize = bound.null() ? constantCost() : magnitudeOf(model, bound, vars);
    const bool exponent =
        (update.op == "++" || update.op == "+=") && usesAsExponent(condition, variable);
    if (exponent || update.op == "/=" || update.op == ">>=" || update.op == "lowbit" ||
        update.op == "*=" || update.op == "<<=") {
      facts.step = StepKind::kGeometric;
      facts.trips = logCost(addCosts(own, boundSize));
      // A value that only shrinks, kept across the enclosing loop: log n divisions in all.
      if (!frames.empty() && (update.op == "/=" || update.op == ">>=") &&
          !resetInside(frames.back().node.field("body"), variable, loop))
        facts.trips = divideCosts(facts.trips, frames.back().trips);
      return facts;
    }
    if (squareRoot || degree >= 2) {
      facts.step = StepKind::kSquareRoot;
      facts.trips = degree > 2 ? rootCost(boundSize, degree) : sqrtCost(boundSize);
      return facts;
    }
    if (update.op == "++" || update.op == "--" || update.op == "+=" || update.op == "-=") {
      // while (sum > s) { sum -= a[l]; l++; }: the value bounds nothing, the pointer it walks
      // does; kept across the enclosing loop, it passes each entry once over all passes.
      const WalkedPointer walked = update.op == "+=" || update.op == "-="
                                       ? walkedPointer(model, body, variable)
                                       : WalkedPointer{};
      if (!isConstantCost(walked.range)) {
        facts.step = StepKind::kCounted;
        facts.trips = walked.range;
        if (!frames.empty() && !resetInside(frames.back().node.field("body"), walked.name, loop)) {
          facts.step = StepKind::kTwoPointer;
          facts.trips = divideCosts(walked.range, frames.back().trips);
        }
        return facts;
      }
      facts.step = StepKind::kCounted;
      facts.trips = addCosts(own, boundSize);
      // started each pass from a frontier the extension then moves (Manacher, Z): the
      // extensions of all passes cross the frontier's range, the enclosing counter's, once
      if (!frames.empty() && extendsKeptFrontier(loop, frames.back(), variable)) {
        facts.step = StepKind::kTwoPointer;
        facts.trips = divideCosts(addCosts(facts.trips, frames.back().range), frames.back().trips);
        return facts;
      }
      const Node pass = frames.empty() ? Node{} : frames.back().node.field("body");
      if (!frames.empty() &&
          (!resetInside(pass, variable, loop) || resetOnlyWhereSkipped(pass, variable, loop))) {
        facts.step = StepKind::kTwoPointer;
        facts.trips = divideCosts(facts.trips, frames.back().trips);
        // while (t >= 2 && ...) t--; beside s[t++] = p in the same pass: the pops never
        // outnumber the pushes, one per pass.
        if (update.op == "--" && raisedOncePerPass(frames.back().node, variable, loop))
          facts.trips = repeatedCost(1);
        // Mo's order: the window's ends walk (n + q) * sqrt n over the block-sorted queries.
        const std::string queries = walkedContainer(frames.back(), condition);
        if (sortedInBlocks(model, queries)) {
          Cost range = indexedArraySize(model, body, variable);
          // add(++r) indexes nothing here: the window spans the program's first size
          if (isConstantCost(range)) range = primarySize(model);
          const Cost total =
              multiplyCosts(addCosts(range, containerSize(model, queries)), sqrtCost(range));
          facts.trips = divideCosts(total, frames.back().trips);
        }
      }
      return facts;
    }
  }
  // while (p[x] != x) x = p[x]: a walk along a parent chain, as deep as the tree: log n when
  // the program links roots by size or rank, else every entry.
  for (const std::string& variable : candidates) {
    std::string table;
    visitNodes(body, [&](const Node& n) {
      if (!table.empty()) return false;
      if (n.type() == "assignment_expression" && n.field("operator").text() == "=" &&
          isIdentifierNamed(unwrap(n.field("left")), variable)) {
        const Node right = unwrap(n.field("right"));
        if (right.type() == "subscript_expression" &&
            mentionsIdentifier(right.field("indices"), variable))
          table = containerName(right.field("argument"));
      }
      return table.empty();
    });
    if (table.empty()) continue;
    facts.variable = variable;
    // k = fail[k] with k kept across the enclosing loop, which moves it up one step per pass:
    // the falls back never outnumber the steps up.
    // A failure table built as it is walked (pi[i] = k) is the same amortised walk.
    bool builds = false;
    if (!frames.empty() && !frames.back().variable.empty())
      visitNodes(frames.back().node.field("body"), [&](const Node& n) {
        if (builds) return false;
        if (n.type() == "assignment_expression") {
          const Node left = unwrap(n.field("left"));
          builds = left.type() == "subscript_expression" && containerName(left) == table &&
                   mentionsIdentifier(left.field("indices"), frames.back().variable);
        }
        return !builds;
      });
    if (!frames.empty() &&
        (builds || !resetInside(frames.back().node.field("body"), variable, loop))) {
      facts.step = StepKind::kTwoPointer;
      facts.trips = constantCost();
      return facts;
    }
    Cost size = containerSize(model, table, loop);
    if (isConstantCost(size)) size = primarySize(model);
    facts.step = StepKind::kCounted;
    facts.trips = unitesBySize(model, table) ? logCost(size) : size;
    return facts;
  }
  // A climb by whole chains to the parents of their heads: log of the parents' table.
  const ChainClimb climb = chainClimbOf(loop);
  if (!climb.variable.empty()) {
    Cost size = containerSize(model, climb.parents, loop);
    if (isConstantCost(size)) size = primarySize(model);
    facts.variable = climb.variable;
    facts.step = StepKind::kGeometric;
    facts.trips = logCost(size);
    return facts;
  }
  // A sift up or down a heap: the index halves or doubles through copies or helpers.
  const std::string index = scaledIndexOf(model, loop);
  if (!index.empty()) {
    facts.variable = index;
    facts.step = StepKind::kGeometric;
    facts.trips = scaledIndexTrips(model, loop, index);
    return facts;
  }
  facts.step = StepKind::kUnknown;
  facts.trips = constantCost();
  return facts;
}

LoopFacts whileLoopFacts(const Model& model, const Node& loop,
                         const std::vector<EnclosingLoop>& frames,
                         const std::vector<LoopVariable>& vars) {
  const Node condition = unwrap(loop.field("condition"));
  // while (i < m || j < r), a merge: every pass moves a counter towards its own bound, so the
  // passes are at most those each counter makes alone, summed.
  if (!condition.null() && condition.type() == "binary_expression" &&
      (condition.field("operator").text() == "||" || condition.field("operator").text() == "or")) {
    const LoopFacts left =
        whileConditionFacts(model, loop, unwrap(condition.field("left")), frames, vars);
    const LoopFacts right =
        whileConditionFacts(model, loop, unwrap(condition.field("right")), frames, vars);
    if (left.step == StepKind::kCounted && right.step == StepKind::kCounted) {
      LoopFacts joined = left;
      joined.variable.clear();
      joined.trips = addCosts(left.trips, right.trips);
      return joined;
    }
  }
  return whileConditionFacts(model, loop, condition, frames, vars);
}

}  // namespace quorbel
