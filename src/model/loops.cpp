// Trip counts of the loop shapes contest programs use:
//   for (int i = a; i < n; i++)          n            for (i = 1; i < n; i *= 2)     log n
//   for (i = 1; i * i <= n; i++)         sqrt n       for (j = i; j <= n; j += i)    harmonic
//   for (j = i * i; j <= n; j += i)      sieve        for (s = m; s; s = (s-1) & m)  submask
//   for (; j < n && ...; j++)            two pointers (j declared outside the enclosing loop)
//   for (int v : adj[u])                 the edges spread over the vertices
#include "model/loops.h"

#include <cmath>
#include <optional>

#include "model/block_walks.h"
#include "model/butterflies.h"
#include "model/element_rows.h"
#include "model/entry_moves.h"
#include "model/index_steps.h"
#include "model/link_chains.h"
#include "model/loop_parts.h"
#include "model/multiples.h"
#include "model/neighbour_lists.h"
#include "model/sentinel_scans.h"

namespace quorbel {
namespace {

// A literal from here up bounding a loop stands for an input limit the program left unnamed.
constexpr double kLiteralLimit = 1000;

// The declared extent of the first array `body` indexes with `variable` (|reach| of reach[s],
// MAXN of dp[MAXN]), or O(1).
Cost extentIndexedBy(const Model& model, const Node& body, const std::string& variable) {
  Cost extent;
  visitNodes(body, [&](const Node& n) {
    if (!isConstantCost(extent)) return false;
    if (n.type() == "subscript_expression" && mentionsIdentifier(n.field("indices"), variable)) {
      const Symbol* array = findSymbol(model, containerName(n.field("argument")));
      if (array && !array->dimensions.empty()) extent = array->dimensions.front();
    }
    return isConstantCost(extent);
  });
  return extent;
}

// for (s = 100000; s >= w; --s) reach[s]: a literal limit is the size of the array the loop
// walks, named as that array is; any other bound is its magnitude.
Cost sizeOfBound(const Model& model, const Node& loop, const Node& bound,
                 const std::string& variable, const std::vector<LoopVariable>& vars) {
  const Node literal = unwrap(bound);
  if (literal.type() == "number_literal" &&
      evaluateConstant(model, literal).value_or(0) >= kLiteralLimit) {
    const Cost extent = extentIndexedBy(model, loop.field("body"), variable);
    if (!isConstantCost(extent)) return extent;
  }
  return magnitudeOf(model, bound, vars);
}

// for (int it = 0; it < 60; it++), for (int b = 30; b >= 0; b--), for (i = 0; i < 26; i += 2):
// the passes of a loop between two literals by a literal step, 1 when the count is not known.
double literalPasses(const Model& model, const Node& start, const Node& bound,
                     const std::string& comparison, const Update& update) {
  const auto from = evaluateConstant(model, start);
  const auto to = evaluateConstant(model, bound);
  std::optional<double> step = 1.0;
  if (update.op == "+=" || update.op == "-=")
    step = evaluateConstant(model, update.amount);
  else if (update.op != "++" && update.op != "--")
    return 1;
  if (!from || !to || !step || *step <= 0) return 1;
  const bool inclusive = comparison == "<=" || comparison == ">=";
  return std::ceil((std::abs(*to - *from) + (inclusive ? 1 : 0)) / *step);
}

// The square root of n when the loop's bound is reassigned in its body to n / counter,
// directly or through a local holding that quotient; O(1) otherwise.
Cost shrinkingBoundRoot(const Model& model, const Node& loop, const Node& condition,
                        const std::string& variable, const std::vector<LoopVariable>& vars) {
  std::vector<Comparison> comparisons;
  collectComparisons(condition, comparisons);
  if (comparisons.size() != 1) return constantCost();
  const Node l = unwrap(comparisons[0].left), r = unwrap(comparisons[0].right);
  const Node bound = isIdentifierNamed(l, variable)   ? r
                     : isIdentifierNamed(r, variable) ? l
                                                      : Node{};
  if (bound.type() != "identifier") return constantCost();
  const Node body = loop.field("body");
  const std::string name(bound.text());
  Node value;
  visitNodes(body, [&](const Node& n) {
    if (!value.null()) return false;
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=" &&
        isIdentifierNamed(n.field("left"), name))
      value = unwrap(n.field("right"));
    return value.null();
  });
  // prev = now with int now = n / i earlier in the pass
  if (value.type() == "identifier") {
    const std::string local(value.text());
    value = Node{};
    visitNodes(body, [&](const Node& n) {
      if (!value.null()) return false;
      if (n.type() == "init_declarator" && declaredName(n) == local)
        value = unwrap(n.field("value"));
      return value.null();
    });
  }
  if (value.type() != "binary_expression" || value.field("operator").text() != "/" ||
      !isIdentifierNamed(unwrap(value.field("right")), variable))
    return constantCost();
  return sqrtCost(magnitudeOf(model, value.field("left"), vars));
}

// The initialiser of the local `name` declares in `body`'s enclosing function, or null.
Node localInitialiser(const Node& from, const std::string& name) {
  Node scope = from;
  while (!scope.parent().null() && scope.type() != "function_definition" &&
         scope.type() != "lambda_expression")
    scope = scope.parent();
  Node value;
  visitNodes(scope, [&](const Node& n) {
    if (!value.null()) return false;
    if (n.type() == "init_declarator" && declaredName(n) == name) value = unwrap(n.field("value"));
    return value.null();
  });
  return value;
}

struct SpentValue {
  Cost value;
  bool byCounter = false;  // each round takes the counter's step out of it
};

// The value a condition tests that the body spends: num of num > 0 with num -= min(k, num) or
// num -= k (by the counter `variable`), or num -= 1, num-- (by a fixed amount). An entry of an
// array read (num = m[i]) is named by the array. O(1) when there is none.
SpentValue spentValue(const Model& model, const Node& body, const Node& condition,
                      const std::string& variable, const std::vector<LoopVariable>& vars) {
  std::vector<Comparison> comparisons;
  collectComparisons(condition, comparisons);
  for (const Comparison& c : comparisons) {
    const Node tested = unwrap(c.left);
    if (tested.type() != "identifier") continue;
    const std::string name(tested.text());
    const Update update = findUpdateIn(body, name);
    if (update.op != "-=" && update.op != "--") continue;
    Node amount = unwrap(update.amount);
    if (amount.type() == "identifier" && amount.text() != variable) {
      const Node value = localInitialiser(amount, std::string(amount.text()));
      if (!value.null()) amount = value;
    }
    SpentValue spent;
    spent.byCounter = !amount.null() && mentionsIdentifier(amount, variable);
    spent.value = magnitudeOf(model, tested, vars);
    const Node start = localInitialiser(tested, name);
    if (isConstantCost(spent.value) && !start.null()) spent.value = magnitudeOf(model, start, vars);
    const Symbol* array =
        start.type() == "subscript_expression" ? findSymbol(model, containerName(start)) : nullptr;
    if (isConstantCost(spent.value) && array && array->holdsInput)
      spent.value = sizeCost(array->name);
    return spent;
  }
  return {};
}

// The mask a submask walk enumerates: M of s = (s - 1) & M in the loop's update.
Node enumeratedMask(const Node& loop, const std::string& variable) {
  Node mask;
  visitNodes(loop.field("update"), [&](const Node& n) {
    if (!mask.null()) return false;
    if (n.type() == "assignment_expression" &&
        isIdentifierNamed(unwrap(n.field("left")), variable)) {
      const Node right = unwrap(n.field("right"));
      if (right.type() == "binary_expression" && right.field("operator").text() == "&")
        for (const Node side : {unwrap(right.field("left")), unwrap(right.field("right"))})
          if (!mentionsIdentifier(side, variable)) mask = side;
    }
    return mask.null();
  });
  return mask;
}

// The mask a submask walk starts from or enumerates is made from the variable of a loop over
// all masks (m itself, ~m & full, or a local built up and then cut by m with &= ~m), so its
// submasks over all masks m number 3^n, not 2^n each.
bool maskTiedTo(const Node& loop, const Node& start, const std::string& variable,
                const EnclosingLoop& frame) {
  if (frame.variable.empty() || isConstantCost(exponentOfRange(frame.range))) return false;
  for (const Node& mask : {unwrap(start), enumeratedMask(loop, variable)}) {
    if (mask.null()) continue;
    if (mentionsIdentifier(mask, frame.variable)) return true;
    if (mask.type() != "identifier") continue;
    bool tied = false;
    visitNodes(frame.node.field("body"), [&](const Node& n) {
      if (tied || n == loop) return false;
      if (n.type() == "assignment_expression" &&
          isIdentifierNamed(unwrap(n.field("left")), mask.text()))
        tied = mentionsIdentifier(n.field("right"), frame.variable);
      if (n.type() == "init_declarator" && declaredName(n) == mask.text())
        tied = mentionsIdentifier(n.field("value"), frame.variable);
      return !tied;
    });
    if (tied) return true;
  }
  return false;
}

// if (i % p == 0) break; in `body`: a walk over the primes that stops at the smallest prime
// factor of `variable`.
bool stopsAtDivisor(const Node& body, const std::string& variable) {
  bool found = false;
  visitNodes(body, [&](const Node& n) {
    if (found || n.type() != "if_statement") return !found;
    bool divides = false;
    visitNodes(n.field("condition"), [&](const Node& m) {
      divides = divides || (m.type() == "binary_expression" && m.field("operator").text() == "%" &&
                            mentionsIdentifier(m.field("left"), variable));
      return !divides;
    });
    found = divides && !findDescendant(n.field("consequence"), {"break_statement"}).null();
    return !found;
  });
  return found;
}

// A read from a stream in `condition`: cin >> x (or any stream's >>), scanf, getline.
bool readsInput(const Model& model, const Node& condition) {
  bool reads = false;
  visitNodes(condition, [&](const Node& n) {
    if (n.type() == "call_expression") {
      const std::string_view callee = n.field("function").text();
      reads = callee == "scanf" || callee == "fscanf" || callee == "getline" ||
              callee == "std::getline" || callee == "gets" || callee == "fgets";
    }
    if (n.type() == "binary_expression" && n.field("operator").text() == ">>") {
      Node left = n;
      while (left.type() == "binary_expression") left = unwrap(left.field("left"));
      const Symbol* stream = left.type() == "identifier" ? findSymbol(model, left.text()) : nullptr;
      reads = left.text() == "cin" || left.text() == "std::cin" ||
              (stream && stream->typeText.find("stream") != std::string::npos);
    }
    return !reads;
  });
  return reads;
}

// D of a bound written as the start plus D (start - D for a loop counting down), the start
// being a name: the window for (k = j; k < j + h / 2; k++) walks. Null otherwise.
Node offsetFromStart(const Node& start, const Node& bound, bool decreasing) {
  const Node from = unwrap(start), to = unwrap(bound);
  if (from.type() != "identifier" || to.type() != "binary_expression") return Node{};
  const std::string_view op = to.field("operator").text();
  const Node left = unwrap(to.field("left")), right = unwrap(to.field("right"));
  const auto same = [&](const Node& n) {
    return n.type() == "identifier" && n.text() == from.text();
  };
  if (!decreasing && op == "+") {
    if (same(left) && !mentionsIdentifier(right, from.text())) return to.field("right");
    if (same(right) && !mentionsIdentifier(left, from.text())) return to.field("left");
  }
  if (decreasing && op == "-" && same(left) && !mentionsIdentifier(right, from.text()))
    return to.field("right");
  return Node{};
}

// ---- The for statement ----

LoopFacts countedFacts(const Model& model, const Node& loop,
                       const std::vector<EnclosingLoop>& frames,
                       const std::vector<LoopVariable>& vars, const std::string& variable,
                       const Node& start, const Node& condition, const Update& update) {
  LoopFacts facts;
  facts.variable = variable;
  std::vector<Comparison> comparisons;
  collectComparisons(condition, comparisons);
  Node bound;
  std::string comparison;
  bool decreasing =
      update.op == "--" || update.op == "-=" || update.op == "/=" || update.op == ">>=";
  int rootDegree = 0;
  Node variableSide;
  for (const Comparison& c : comparisons) {
    const bool onLeft = mentionsIdentifier(c.left, variable);
    const bool onRight = mentionsIdentifier(c.right, variable);
    if (!onLeft && !onRight) continue;
    Node side = unwrap(onLeft ? c.left : c.right);
    bound = onLeft ? c.right : c.left;
    variableSide = side;
    comparison = c.op;
    // d <= n / d: the square root of n
    const Node other = unwrap(bound);
    if (onLeft && onRight && other.type() == "binary_expression" &&
        other.field("operator").text() == "/" &&
        mentionsIdentifier(other.field("right"), variable)) {
      rootDegree = 2;
      bound = other.field("left");
      break;
    }
    if (onLeft == onRight) continue;
    rootDegree = rootDegreeOf(model, side, variable);
    break;
  }
  // for (k = 0; k < g[u].size(); k++): one list, its share of all the entries
  Node row = bound.null() ? Node{} : nestedRow(model, bound);
  // for (i = 0, k = cnt[u]; i < k; i++): a row of a table kept with its lengths
  if (row.null() && !bound.null())
    row = countedRow(model, loop, bound, frames.empty() ? Node{} : frames.back().node);
  // int d = g[u].size(); for (j = 0; j < d; j++): the row's size taken before the loop
  if (row.null() && !frames.empty() && unwrap(bound).type() == "identifier")
    row = nestedRow(model, valueBefore(loop, unwrap(bound).text(), frames.back().node));
  // for (k = g[u].size() - 1; k >= 0; k--): the same row walked down from its end
  const bool down = update.op == "--" && !bound.null() && evaluateConstant(model, bound);
  if (row.null() && down) row = rowWalkedDown(model, start);
  if (!row.null() && (update.op == "++" || update.op == "+=" || down)) {
    facts.step = StepKind::kAdjacency;
    facts.trips = rowShare(model, row, frames);
    facts.range = facts.trips;
    return facts;
  }
  // for (j = 0; j < k; j++) v.push_back(..) with k = v.size() taken in the enclosing pass:
  // every pass doubles v, so the passes of this loop over all of the enclosing one's sum to
  // 2^(its trips) and v holds that many entries.
  if (!frames.empty() && (update.op == "++" || update.op == "--")) {
    const EnclosingLoop& outer = frames.back();
    if (!doubledContainer(model, loop, decreasing ? start : bound, outer.node).empty()) {
      facts.step = StepKind::kDoubling;
      facts.range = powerOfTwoCost(outer.trips);
      facts.trips = divideCosts(facts.range, outer.trips);
      return facts;
    }
  }
  const Cost startSize = sizeOfBound(model, loop, start, variable, vars);
  const Cost boundSize =
      bound.null() ? constantCost() : sizeOfBound(model, loop, bound, variable, vars);
  // The distance a counter covers: from its start down to the bound, or up to the bound.
  Cost distance = decreasing ? (isConstantCost(startSize) ? boundSize : startSize) : boundSize;
  facts.range = addCosts(startSize, boundSize);
  // for (k = j; k < j + len; k++), for (k = i; k > i - d; k--): a window from its start covers
  // the offset, not the start's whole range
  const Node offset = offsetFromStart(start, bound, decreasing);
  // for (k = j; k < j + len / 2; k++), for (k = 0; k < len; k++) in a loop stepping j += len:
  // the window and the blocks it sits in cover the enclosing loop's range once per pass of it
  if (!frames.empty() && (update.op == "++" || update.op == "--")) {
    const Node width = !offset.null() ? offset : (evaluateConstant(model, start) ? bound : Node{});
    if (!width.null() && widthIsStepOf(model, width, frames.back())) {
      facts.step = StepKind::kBlocks;
      facts.trips = windowTrips(frames.back());
      return facts;
    }
  }
  if (!offset.null()) {
    const Cost width = magnitudeOf(model, offset, vars);
    distance = width;
    if (isConstantCost(width)) {
      facts.step = StepKind::kConstant;
      facts.trips = repeatedCost(evaluateConstant(model, offset).value_or(1));
      return facts;
    }
  }

  // for (j = max(0, i - k); j < i; j++): ends that move together, however they are written
  if (offset.null() && (update.op == "++" || update.op == "--")) {
    const BlockWalk window = windowWalkOf(model, loop, start, bound, decreasing, vars, variable);
    if (window.found && isConstantCost(window.trips)) {
      facts.step = StepKind::kConstant;
      facts.trips = window.trips;
      return facts;
    }
    if (window.found) distance = window.trips;
  }

  if (update.op == "submask") {
    const EnclosingLoop* outer = nullptr;
    for (const EnclosingLoop& frame : frames)
      if (mentionsIdentifier(start, frame.variable) || maskTiedTo(loop, start, variable, frame))
        outer = &frame;
    facts.step = StepKind::kSubmask;
    if (outer) {
      const Cost exponent = exponentOfRange(outer->range);
      facts.trips = divideCosts(exponentialCost(exponent, 3), outer->trips);
    } else {
      facts.trips = startSize;
    }
    return facts;
  }
  // (1 << p) <= n, 1LL << k < n, pow(2, k) <= n: the variable is an exponent, log n rounds
  if ((update.op == "++" || update.op == "+=") && !bound.null() &&
      usesAsExponent(condition, variable)) {
    facts.step = StepKind::kGeometric;
    facts.trips = logCost(boundSize);
    return facts;
  }
  if (update.op == "*=" && isIdentifierNamed(unwrap(update.amount), variable)) {
    // x *= x squares: log log of the bound
    facts.step = StepKind::kGeometric;
    facts.trips = logLogCost(distance);
    return facts;
  }
  if (update.op == "lowbit") {
    // Fenwick's i += i & -i walks the tree it indexes: log of that array's size.
    facts.step = StepKind::kGeometric;
    facts.trips =
        logCost(usedExtent(model, {indexedArraySize(model, loop.field("body"), variable)}));
    if (isConstantCost(facts.trips)) facts.trips = logCost(addCosts(startSize, boundSize));
    return facts;
  }
  if (update.op == "*=" || update.op == "<<=" || update.op == "/=" || update.op == ">>=") {
    facts.step = StepKind::kGeometric;
    facts.trips = logCost(distance);
    // for (k = 1; num > 0; k <<= 1) num -= min(k, num): a doubling counter used up against
    // another value ends when that value is spent, after log of it rounds.
    // One spent by a fixed amount instead takes as many rounds as the value.
    if (bound.null() && (update.op == "*=" || update.op == "<<=")) {
      const SpentValue spent = spentValue(model, loop.field("body"), condition, variable, vars);
      facts.trips = spent.byCounter ? logCost(spent.value) : spent.value;
      if (!spent.byCounter) facts.step = StepKind::kCounted;
      // for (gap = 1; rank[n - 1] != n - 1; gap *= 2): an offset doubled until the test, which
      // reads something else, holds; it stays within the array it offsets into: log of that
      if (isConstantCost(spent.value)) {
        Cost offset = indexedArraySize(model, loop.field("body"), variable);
        if (isConstantCost(offset)) offset = primarySize(model);
        facts.step = StepKind::kGeometric;
        facts.trips = logCost(offset);
      }
    }
    return facts;
  }
  if (update.op == "+=" || update.op == "-=") {
    const Node amount = unwrap(update.amount);
    // j += a[i] with distinct entries a[i]: the same harmonic sum as j += i
    Node stepName =
        amount.type() == "subscript_expression" ? unwrap(amount.field("indices")).child(0) : amount;
    // j += 2 * i: odd multiples only, the same sum to a constant factor
    if (amount.type() == "binary_expression" && amount.field("operator").text() == "*") {
      const Node l = unwrap(amount.field("left")), r = unwrap(amount.field("right"));
      if (l.type() == "number_literal") stepName = r;
      if (r.type() == "number_literal") stepName = l;
    }
    if (stepName.type() == "identifier") {
      const EnclosingLoop* outer = frameOf(frames, stepName.text());
      // for (j = i; j <= 3 * i; j += i): a fixed number of steps of i
      if (outer && !bound.null() && mentionsIdentifier(bound, outer->variable)) {
        facts.step = StepKind::kBlocks;
        facts.trips = divideCosts(boundSize, outer->range);
        return facts;
      }
      // for (i = 0; i < n; i += len) under len <<= 1: n / len blocks for each length, whose
      // sum over the doubling lengths is within 2n, not a harmonic sum
      if (outer && scalesItsCounter(model, *outer)) {
        facts.step = StepKind::kBlocks;
        facts.trips = divideCosts(distance, outer->trips);
        return facts;
      }
      if (outer) {
        // Only steps restricted to primes make a sieve, wherever the multiples start.
        const bool sieve = stepsOverPrimes(
            model, loop, *outer,
            amount.type() == "subscript_expression" ? containerName(amount) : std::string());
        facts.step = sieve ? StepKind::kSieve : StepKind::kHarmonic;
        // sum over i <= N of M / i is M log N (over primes: M log log N)
        const Cost total =
            multiplyCosts(distance, sieve ? logLogCost(outer->range) : logCost(outer->range));
        facts.trips = divideCosts(total, outer->trips);
        return facts;
      }
    }
    // m += (k += 36) + 18: a step that itself grows by a constant each pass covers the
    // distance in its square root of passes
    bool accelerates = false;
    visitNodes(amount, [&](const Node& n) {
      if ((n.type() == "assignment_expression" && (n.field("operator").text() == "+=") &&
           !mentionsIdentifier(n.field("right"), n.field("left").text())) ||
          (n.type() == "update_expression" && n.text().find("++") != std::string_view::npos))
        accelerates = accelerates || !mentionsIdentifier(n, variable);
      return !accelerates;
    });
    if (accelerates) {
      facts.step = StepKind::kSquareRoot;
      facts.trips = sqrtCost(distance);
      return facts;
    }
    // m += p * p, or p2 set to p * p by the enclosing loop: the sum of M / p^2 over p converges,
    // so the passes over the whole enclosing loop stay within the distance
    for (const EnclosingLoop& frame : frames) {
      if (frame.variable.empty()) continue;
      Node squared = amount;
      if (amount.type() == "identifier") {
        const std::string name(amount.text());
        visitNodes(frame.node.field("condition"), [&](const Node& n) {
          if (n.type() == "assignment_expression" &&
              isIdentifierNamed(unwrap(n.field("left")), name))
            squared = unwrap(n.field("right"));
          return true;
        });
      }
      if (squared.type() == "binary_expression" && squared.field("operator").text() == "*" &&
          isIdentifierNamed(unwrap(squared.field("left")), frame.variable) &&
          isIdentifierNamed(unwrap(squared.field("right")), frame.variable)) {
        facts.step = StepKind::kTwoPointer;
        facts.trips = divideCosts(distance, frame.trips);
        return facts;
      }
    }
    const Cost step = magnitudeOf(model, amount, vars);
    if (!isConstantCost(step)) {
      facts.step = StepKind::kBlocks;
      facts.trips = divideCosts(distance, step);
      return facts;
    }
  }
  // for (j = 1; i * j <= M; j++), for (j = 1; j <= M / i; j++): the multiples of an outer i
  if (update.op == "++" && !bound.null()) {
    Node divisor;
    Node b = unwrap(bound);
    // j <= M / i + 1: a constant more or fewer passes each
    if (b.type() == "binary_expression" &&
        (b.field("operator").text() == "+" || b.field("operator").text() == "-") &&
        evaluateConstant(model, b.field("right")))
      b = unwrap(b.field("left"));
    if (b.type() == "binary_expression" && b.field("operator").text() == "/")
      divisor = unwrap(b.field("right"));
    if (!variableSide.null() && variableSide.type() == "binary_expression" &&
        variableSide.field("operator").text() == "*")
      for (const Node factor :
           {unwrap(variableSide.field("left")), unwrap(variableSide.field("right"))})
        if (!mentionsIdentifier(factor, variable)) divisor = factor;
    // j * a[s] <= 2 * n with distinct entries a[s]: the same harmonic sum as j * s <= n
    if (divisor.type() == "subscript_expression") {
      const Node indices = divisor.field("indices");
      divisor = unwrap(indices.type() == "subscript_argument_list" ? indices.child(0) : indices);
    }
    const EnclosingLoop* outer =
        divisor.type() == "identifier" ? frameOf(frames, divisor.text()) : nullptr;
    // for (t = 1; t <= n / k; t++) with k a parameter: n / k passes, the division kept so that
    // a caller handing in each k of a count sums them (harmonic when k counts 1, 2, ..., n)
    const Symbol* parameter = outer || divisor.type() != "identifier"
                                  ? nullptr
                                  : findSymbolAt(model, divisor.text(), loop);
    if (parameter && parameter->isParameter && parameter->kind == ContainerKind::kScalar) {
      const Cost top = divisor == unwrap(b.field("right"))
                           ? magnitudeOf(model, b.field("left"), vars)
                           : boundSize;
      const Cost by = magnitudeOf(model, divisor, vars);
      if (!isConstantCost(top) && !isConstantCost(by)) {
        facts.step = StepKind::kBlocks;
        facts.trips = divideCosts(top, by);
        return facts;
      }
    }
    if (outer && outer->variable != variable) {
      const Cost top = divisor == unwrap(b.field("right"))
                           ? magnitudeOf(model, b.field("left"), vars)
                           : boundSize;
      const bool sieve = stepsOverPrimes(model, loop, *outer);
      facts.step = sieve ? StepKind::kSieve : StepKind::kHarmonic;
      facts.trips =
          divideCosts(multiplyCosts(top, sieve ? logLogCost(outer->range) : logCost(outer->range)),
                      outer->trips);
      return facts;
    }
  }
  // the rest of a block, one block, or the whole blocks between two positions
  if ((update.op == "++" || update.op == "--") && !bound.null()) {
    const BlockWalk walk = blockWalkOf(model, loop, start, bound, decreasing, vars);
    if (walk.found) {
      facts.step = StepKind::kBlocks;
      facts.trips = walk.trips;
      return facts;
    }
  }
  if (rootDegree >= 2) {
    facts.step = StepKind::kSquareRoot;
    facts.trips = rootCost(boundSize, rootDegree);
    return facts;
  }
  // for (j = 0; j < primes.size() && i * primes[j] < N; j++), or the product tested as an exit
  // of the body (if (i * primes[j] > N) break;): a linear sieve, which also stops at the
  // smallest prime factor of i, marks each number once over all i, so the inner loop's passes
  // sum to the bound. Without that stop, i walks the primes up to N / i: N log log N over all
  // i (N log N over every step).
  std::vector<Comparison> products = comparisons;
  for (const Node& statement : childrenOf(loop.field("body")))
    if (statement.type() == "if_statement" &&
        (!findDescendant(statement.field("consequence"), {"break_statement"}).null() ||
         !findDescendant(statement.field("alternative"), {"break_statement"}).null()))
      collectComparisons(statement.field("condition"), products);
  if (products.size() > 1 && !frames.empty()) {
    const std::string& outer = frames.back().variable;
    for (const Comparison& c : products) {
      const Node side = unwrap(c.left);
      if (side.type() != "binary_expression" || side.field("operator").text() != "*") continue;
      // i * p[j], (ll)i * j: the outer variable times what the inner loop walks
      const Node l = unwrapConversions(model, side.field("left"));
      const Node r = unwrapConversions(model, side.field("right"));
      const bool product = (isIdentifierNamed(l, outer) && mentionsIdentifier(r, variable) &&
                            !mentionsIdentifier(r, outer)) ||
                           (isIdentifierNamed(r, outer) && mentionsIdentifier(l, variable) &&
                            !mentionsIdentifier(l, outer));
      if (product) {
        const Cost top = magnitudeOf(model, c.right, vars);
        facts.step = StepKind::kTwoPointer;
        facts.trips = divideCosts(top, frames.back().trips);
        // p[j] <= lp[i]: the walk stops at the smallest prime factor of i as surely
        bool bySmallest = false;
        for (const Comparison& other : products)
          for (const Node& bound : {unwrap(other.left), unwrap(other.right)})
            bySmallest = bySmallest ||
                         (bound.type() == "subscript_expression" &&
                          isIdentifierNamed(
                              unwrap(bound.field("indices")).type() == "subscript_argument_list"
                                  ? unwrap(unwrap(bound.field("indices")).child(0))
                                  : unwrap(bound.field("indices")),
                              outer));
        if (bySmallest || stopsAtDivisor(loop.field("body"), outer)) return facts;
        const Node entry = findDescendant(side, {"subscript_expression"});
        const bool primes = !entry.null() && filledUnderFlagTest(model, containerName(entry));
        facts.step = primes ? StepKind::kSieve : StepKind::kHarmonic;
        facts.trips = divideCosts(multiplyCosts(top, primes ? logLogCost(top) : logCost(top)),
                                  frames.back().trips);
        return facts;
      }
    }
  }
  // for (i = 0; s[i]; i++): a walk to the string's terminating zero is as long as the string
  if (isConstantCost(distance) && update.op == "++") {
    const Node scanned = sentinelScanned(condition, variable, start);
    const Cost length =
        scanned.null() ? constantCost() : containerSize(model, containerName(scanned), scanned);
    if (!isConstantCost(length)) {
      facts.step = StepKind::kCounted;
      facts.trips = length;
      facts.range = length;
      return facts;
    }
  }
  facts.step = isConstantCost(distance) ? StepKind::kConstant : StepKind::kCounted;
  facts.trips = isConstantCost(distance)
                    ? repeatedCost(literalPasses(model, start, bound, comparison, update))
                    : distance;
  return facts;
}

LoopFacts forFacts(const Model& model, const Node& loop, const std::vector<EnclosingLoop>& frames,
                   const std::vector<LoopVariable>& vars) {
  auto [variable, start] = readInitialiser(loop.field("initializer"));
  bool startFromOutside = true;
  const Node condition = loop.field("condition");
  // for (l = 0, r = 0; r < n; ++r): the variable the condition tests, not the first declared
  const Node init = loop.field("initializer");
  if (!variable.empty() && !condition.null() && !mentionsIdentifier(condition, variable) &&
      init.type() == "declaration")
    for (const Node& d : childrenOf(init))
      if (d.type() == "init_declarator" && mentionsIdentifier(condition, declaredName(d))) {
        variable = declaredName(d);
        start = d.field("value");
        break;
      }
  // for (i = 0, j = i + k; j < n; i++, j++): likewise among the assignments
  for (Node e = init; !variable.empty() && !condition.null() &&
                      !mentionsIdentifier(condition, variable) && e.type() == "comma_expression";
       e = e.field("right")) {
    const Node next = e.field("right");
    const Node assigned = next.type() == "comma_expression" ? next.field("left") : next;
    if (assigned.type() == "assignment_expression" &&
        mentionsIdentifier(condition, assigned.field("left").text())) {
      variable = std::string(assigned.field("left").text());
      start = assigned.field("right");
    }
  }
  // for (int k = 0; m < lim; m += (k += 4)): the condition tests what the update moves
  if (!variable.empty() && !condition.null() && !mentionsIdentifier(condition, variable)) {
    const Node moved = unwrap(loop.field("update"));
    if (moved.type() == "assignment_expression" &&
        unwrap(moved.field("left")).type() == "identifier" &&
        mentionsIdentifier(condition, unwrap(moved.field("left")).text())) {
      variable = std::string(unwrap(moved.field("left")).text());
      start = Node{};
      startFromOutside = false;
    }
  }
  if (variable.empty()) {
    // for (; i < n; i++): the variable the update moves
    const Node update = unwrap(loop.field("update"));
    if (update.type() == "update_expression")
      variable = std::string(update.field("argument").text());
    if (update.type() == "assignment_expression")
      variable = std::string(update.field("left").text());
  }
  // for (; e > 0; e /= 2): a value halved from what it held before the loop starts there
  if (start.null() && loop.field("initializer").null()) {
    const Node moved = unwrap(loop.field("update"));
    const std::string_view op =
        moved.type() == "assignment_expression" ? moved.field("operator").text() : "";
    if ((op == "/=" || op == ">>=") && isIdentifierNamed(unwrap(moved.field("left")), variable))
      start = unwrap(moved.field("left"));
  }
  if (condition.null())
    return {variable, StepKind::kUnknown, constantCost(), constantCost(), loop.line()};
  // for (int x; cin >> x;), for (; scanf("%d", &x) == 1;): one pass per value of the input, as
  // while (cin >> x) makes
  if (readsInput(model, condition))
    return {variable, StepKind::kContainer, sizeCost("input"), sizeCost("input"), loop.line()};
  Update update = readUpdate(loop.field("update"), variable);
  if (update.op.empty()) update = findUpdateIn(loop.field("body"), variable);
  // for (p = i >> 1; i > 1 && ..; i = p, p = i >> 1): the header moves another index, by halves
  if (update.op.empty()) {
    const std::string index = scaledIndexOf(model, loop);
    if (!index.empty())
      return {index, StepKind::kGeometric, scaledIndexTrips(model, loop, index), constantCost(),
              loop.line()};
  }
  LoopFacts facts = countedFacts(model, loop, frames, vars, variable, start, condition, update);
  // for (j = i + 1; j < n; j++) { if (covered[j]) break; covered[j] = 1; }: marking scans
  if (!frames.empty() && facts.step == StepKind::kCounted &&
      stopsAtMarks(loop.field("body"), variable)) {
    facts.step = StepKind::kTwoPointer;
    facts.trips = divideCosts(facts.trips, frames.back().trips);
  }
  // for (; j < n && ...; j++) with j from outside the enclosing loop: a two-pointer sweep
  if (start.null() && startFromOutside && !frames.empty() &&
      !resetInside(frames.back().node.field("body"), variable, loop)) {
    facts.step = StepKind::kTwoPointer;
    facts.trips = divideCosts(facts.trips, frames.back().trips);
  }
  // for (i = 2; i <= top; i++) { int q = n / i; ...; top = q; }: the bound shrinks to n / i and
  // meets the counter near the square root of n.
  if (facts.step == StepKind::kCounted && (update.op == "++" || update.op == "+=")) {
    const Cost root = shrinkingBoundRoot(model, loop, condition, variable, vars);
    if (!isConstantCost(root)) {
      facts.step = StepKind::kSquareRoot;
      facts.trips = root;
    }
  }
  facts.line = loop.line();
  return facts;
}

}  // namespace

bool swappedForSmaller(const Node& loop, const std::string& name) {
  if (name.empty()) return false;
  Node scope = loop;
  while (!scope.parent().null() && scope.type() != "function_definition" &&
         scope.type() != "lambda_expression")
    scope = scope.parent();
  bool found = false;
  visitNodes(scope, [&](const Node& n) {
    if (found) return false;
    if (n.type() != "if_statement") return true;
    const Node swap = findDescendant(n.field("consequence"), {"call_expression"});
    const std::string_view callee = swap.null() ? "" : swap.field("function").text();
    if (callee != "swap" && callee != "std::swap") return true;
    if (!mentionsIdentifier(swap.field("arguments"), name)) return true;
    bool sizes = false;
    visitNodes(n.field("condition"), [&](const Node& c) {
      if (c.type() == "field_expression" && c.field("field").text() == "size") sizes = true;
      return !sizes;
    });
    found = sizes;
    return !found;
  });
  return found;
}

namespace {

LoopFacts rangeFacts(const Model& model, const Node& loop,
                     const std::vector<EnclosingLoop>& frames) {
  LoopFacts facts;
  facts.line = loop.line();
  facts.variable = declaredName(loop.field("declarator"));
  Node right = unwrap(loop.field("right"));
  // a | views::reverse, irange(0, n) | reversed: an adaptor walks what it adapts
  for (int guard = 0;
       guard < 8 && right.type() == "binary_expression" && right.field("operator").text() == "|";
       ++guard)
    right = unwrap(right.field("left"));
  // views::iota(0, n), boost::irange(1, n + 1), iota_view(0, n): a count to its end (with one
  // argument iota never ends: the body's exits decide)
  if (right.type() == "call_expression") {
    std::string_view callee = right.field("function").text();
    if (const size_t angle = callee.find('<'); angle != std::string_view::npos)
      callee = callee.substr(0, angle);
    if (const size_t scope = callee.rfind("::"); scope != std::string_view::npos)
      callee.remove_prefix(scope + 2);
    const Node arguments = right.field("arguments");
    if ((callee == "iota" || callee == "irange" || callee == "iota_view") &&
        (arguments.childCount() == 2 || arguments.childCount() == 3)) {
      const Node end = arguments.child(1);
      facts.step = StepKind::kCounted;
      facts.trips = magnitudeOf(model, end, loopVariablesOf(frames));
      facts.range = facts.trips;
      if (isConstantCost(facts.trips)) facts.step = StepKind::kConstant;
      return facts;
    }
  }
  // Small to large: the container walked is the smaller of two, so each entry moves into one
  // at least twice as large, log n times over all the merges of the run.
  // if (g[a].size() > g[b].size()) swap(a, b); for (x : g[a]): the row's index swapped
  const Node row = right.type() == "subscript_expression" ? unwrap(right.field("indices")) : Node{};
  const Node rowIndex =
      row.type() == "subscript_argument_list" && row.childCount() > 0 ? unwrap(row.child(0)) : row;
  if (walksSmallerSide(loop) || swappedForSmaller(loop, containerName(right)) ||
      (rowIndex.type() == "identifier" && swappedForSmaller(loop, std::string(rowIndex.text())))) {
    // the entries merged: what the containers received, else the size the program reads;
    // an array of them counts its rows, not their entries
    const Symbol* merged = containerAt(model, containerName(right), right);
    Cost entries = merged && !isConstantCost(merged->elements) ? merged->elements : Cost{};
    if (isConstantCost(entries) && merged && merged->dimensions.empty())
      entries = containerSize(model, containerName(right), right);
    if (isConstantCost(entries)) entries = primarySize(model);
    facts.step = StepKind::kContainer;
    facts.trips = multiplyCosts(entries, logCost(entries));
    facts.overRun = true;
    return facts;
  }
  // for (i..n) for (k : at[i]) at[i + k].push_back(k): each value steps through n / k rows
  if (!frames.empty() && feedsOwnBuckets(loop, frames.back())) {
    const Cost range = frames.back().range;
    facts.step = StepKind::kHarmonic;
    facts.trips = divideCosts(multiplyCosts(range, logCost(range)), frames.back().trips);
    return facts;
  }
  // for (int v : g[u].out), for (char c : words[i]): one row of all such rows
  if (!memberRow(model, right).null() || !stringRow(model, right).null()) {
    facts.step = StepKind::kAdjacency;
    facts.trips = rowShare(model, right, frames);
    return facts;
  }
  if (right.type() == "subscript_expression") {
    const Symbol* symbol = findSymbol(model, containerName(right.field("argument")));
    if (symbol && symbol->nestedContainer) {
      // for (u = 1; u <= n; u++) for (v : adj[u]): the edges spread over that loop's passes
      facts.step = StepKind::kAdjacency;
      facts.trips = rowShare(model, right, frames);
      return facts;
    }
  }
  if (right.type() == "initializer_list") {
    facts.step = StepKind::kConstant;
    return facts;
  }
  facts.step = StepKind::kContainer;
  facts.trips = containerSize(model, containerName(right), right);
  return facts;
}

}  // namespace

std::vector<LoopVariable> loopVariablesOf(const std::vector<EnclosingLoop>& frames) {
  std::vector<LoopVariable> vars;
  for (const EnclosingLoop& frame : frames) {
    if (!frame.variable.empty()) vars.push_back({frame.variable, frame.range});
    vars.insert(vars.end(), frame.locals.begin(), frame.locals.end());
  }
  return vars;
}

LoopFacts loopFactsOf(const Model& model, const Node& loop,
                      const std::vector<EnclosingLoop>& enclosing,
                      const std::vector<LoopVariable>& locals) {
  const std::string_view type = loop.type();
  // a list filled once per neighbour walked: as long as the row it was filled from
  if (LoopFacts listed = neighbourListFacts(model, loop, enclosing);
      listed.step != StepKind::kUnknown)
    return listed;
  // A range-for's trips are its range's size: it needs no variables in scope.
  if (type == "for_range_loop") return rangeFacts(model, loop, enclosing);
  std::vector<LoopVariable> vars = locals;
  const std::vector<LoopVariable> inLoops = loopVariablesOf(enclosing);
  vars.insert(vars.end(), inLoops.begin(), inLoops.end());
  // while (x != p[x]) { p[x] = p[p[x]]; x = p[x]; }: a compressed chain, climbed in log n
  if (LoopFacts chain = compressedChainFacts(model, loop); chain.step != StepKind::kUnknown)
    return chain;
  if (type == "for_statement") return forFacts(model, loop, enclosing, vars);
  return whileLoopFacts(model, loop, enclosing, vars);
}

std::string describeLoop(const LoopFacts& facts, const Node& loop) {
  const std::string kind = loop.type() == "for_range_loop"  ? "range-for loop"
                           : loop.type() == "for_statement" ? "for loop"
                           : loop.type() == "do_statement"  ? "do-while loop"
                                                            : "while loop";
  switch (facts.step) {
    case StepKind::kHarmonic:
      return "Harmonic " + kind + " over " + facts.variable;
    case StepKind::kSieve:
      return "Sieve " + kind + " over multiples";
    case StepKind::kSubmask:
      return "Submask enumeration";
    case StepKind::kTwoPointer:
      return "Two-pointer " + kind + " (amortised)";
    case StepKind::kStackPops:
      return "Monotonic stack pops (amortised)";
    case StepKind::kBalancing:
      return "Balancing " + kind + " (amortised)";
    case StepKind::kGrowth:
      return "Growing " + kind + " (amortised over its bound)";
    case StepKind::kDoubling:
      return "Doubling " + kind + " (pushes while walking the old entries)";
    case StepKind::kBinarySearch:
      return "Binary search " + kind;
    case StepKind::kQueue:
      return "Queue-driven " + kind;
    case StepKind::kAdjacency:
      return "Adjacency-list " + kind + " (edges, amortised)";
    case StepKind::kTestCases:
      return "Test-case " + kind;
    case StepKind::kPermutations:
      return "Permutation " + kind;
    case StepKind::kGeometric:
      return "Logarithmic " + kind;
    case StepKind::kSquareRoot:
      return "Square-root " + kind;
    default:
      break;
  }
  return facts.variable.empty() ? kind : kind + " over " + facts.variable;
}

}  // namespace quorbel
