// Trip counts of the loop shapes contest programs use:
//   for (int i = a; i < n; i++)          n            for (i = 1; i < n; i *= 2)     log n
//   for (i = 1; i * i <= n; i++)         sqrt n       for (j = i; j <= n; j += i)    harmonic
//   for (j = i * i; j <= n; j += i)      sieve        for (s = m; s; s = (s-1) & m)  submask
//   while (j < n && ...) j++             two pointers (j declared outside the enclosing loop)
//   while (!st.empty() && ...) st.pop()  amortised by the pushes of the enclosing loop
//   while (lo <= hi) { mid = ... }       log of the range    while (t--)  the test count
//   for (int v : adj[u])                 the edges spread over the vertices
#include "model/loops.h"

#include <cmath>

namespace quorbel {
namespace {

// ---- Reading the parts of a loop ----

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

struct Comparison {
  Node left, right;
  std::string op;
};

bool isComparison(std::string_view op) {
  return op == "<" || op == "<=" || op == ">" || op == ">=" || op == "!=" || op == "==";
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
  if (e.type() == "assignment_expression")
    return {std::string(e.field("left").text()), e.field("right")};
  return {"", {}};
}

struct Update {
  std::string op;  // "++", "--", "+=", "-=", "*=", "/=", "<<=", ">>=", "submask", "lowbit"
  Node amount;
};

bool isLowBit(const Node& e) {
  // i & -i, i & (-i), (i & -i)
  const Node n = unwrap(e);
  return n.type() == "binary_expression" && n.field("operator").text() == "&" &&
         n.text().find('-') != std::string_view::npos;
}

Update readUpdate(const Node& update, const std::string& variable) {
  Node u = unwrap(update);
  if (u.null()) return {};
  if (u.type() == "comma_expression") {
    Update first = readUpdate(u.field("left"), variable);
    return first.op.empty() ? readUpdate(u.field("right"), variable) : first;
  }
  if (u.type() == "update_expression" && isIdentifierNamed(u.field("argument"), variable))
    return {std::string(u.field("operator").text()), {}};
  if (u.type() != "assignment_expression" || !isIdentifierNamed(u.field("left"), variable))
    return {};
  const std::string op(u.field("operator").text());
  const Node right = unwrap(u.field("right"));
  if ((op == "+=" || op == "-=") && isLowBit(right)) return {"lowbit", {}};
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

// The update of `variable` in a body; a halving or doubling one wins over a step by one
// (`if (n % 2) n -= 1; else n /= 2;` halves at least every other pass).
Update findUpdateIn(const Node& body, const std::string& variable) {
  Update found;
  visitNodes(body, [&](const Node& n) {
    if (isGeometric(found.op)) return false;
    if (n.type() == "lambda_expression") return false;
    if (n.type() == "update_expression" || n.type() == "assignment_expression") {
      Update u = readUpdate(n, variable);
      if (!u.op.empty() && (found.op.empty() || isGeometric(u.op))) found = u;
    }
    return !isGeometric(found.op);
  });
  return found;
}

// The size of an array the body indexes with `variable`: bit[i] in a Fenwick loop.
Cost indexedArraySize(const Model& model, const Node& body, const std::string& variable) {
  Cost size;
  visitNodes(body, [&](const Node& n) {
    if (!isConstantCost(size)) return false;
    if (n.type() == "subscript_expression" && mentionsIdentifier(n.field("indices"), variable))
      size = containerSize(model, containerName(n.field("argument")));
    return isConstantCost(size);
  });
  return size;
}

// ---- Questions about the loop's surroundings ----

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
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=" &&
        isIdentifierNamed(n.field("left"), variable))
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
      if ((op == "/" && right.text() == "2") || (op == ">>" && right.text() == "1")) found = true;
    }
    return !found;
  });
  return found;
}

Cost tripsOfBound(const Model& model, const Node& bound, const std::vector<LoopVariable>& vars) {
  return magnitudeOf(model, bound, vars);
}

// Enclosing loop whose variable is `name`, or null.
const EnclosingLoop* frameOf(const std::vector<EnclosingLoop>& frames, std::string_view name) {
  for (auto it = frames.rbegin(); it != frames.rend(); ++it)
    if (it->variable == name) return &*it;
  return nullptr;
}

bool guardedByFlag(const Node& loop, const EnclosingLoop& outer) {
  // if (!composite[i]) / if (is_prime[i]) around the inner loop
  for (Node n = loop.parent(); !n.null() && !(n == outer.node); n = n.parent())
    if (n.type() == "if_statement") {
      const Node condition = n.field("condition");
      if (condition.text().find('[') != std::string_view::npos &&
          mentionsIdentifier(condition, outer.variable))
        return true;
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
  if (e.type() == "binary_expression" && e.field("operator").text() == "*") {
    const int left = rootDegreeOf(model, e.field("left"), variable);
    const int right = rootDegreeOf(model, e.field("right"), variable);
    return left + right;
  }
  return 0;
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
  bool decreasing =
      update.op == "--" || update.op == "-=" || update.op == "/=" || update.op == ">>=";
  int rootDegree = 0;
  for (const Comparison& c : comparisons) {
    const bool onLeft = mentionsIdentifier(c.left, variable);
    const bool onRight = mentionsIdentifier(c.right, variable);
    if (!onLeft && !onRight) continue;
    Node side = unwrap(onLeft ? c.left : c.right);
    bound = onLeft ? c.right : c.left;
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
  const Cost startSize = magnitudeOf(model, start, vars);
  const Cost boundSize = bound.null() ? constantCost() : tripsOfBound(model, bound, vars);
  // The distance a counter covers: from its start down to the bound, or up to the bound.
  const Cost distance =
      decreasing ? (isConstantCost(startSize) ? boundSize : startSize) : boundSize;
  facts.range = addCosts(startSize, boundSize);

  if (update.op == "submask") {
    const EnclosingLoop* outer = nullptr;
    for (const EnclosingLoop& frame : frames)
      if (mentionsIdentifier(start, frame.variable)) outer = &frame;
    facts.step = StepKind::kSubmask;
    if (outer) {
      const Cost exponent = exponentOfRange(outer->range);
      facts.trips = divideCosts(exponentialCost(exponent, 3), outer->trips);
    } else {
      facts.trips = startSize;
    }
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
    return facts;
  }
  if (update.op == "+=" || update.op == "-=") {
    const Node amount = unwrap(update.amount);
    // j += a[i] with distinct entries a[i]: the same harmonic sum as j += i
    const Node stepName =
        amount.type() == "subscript_expression" ? unwrap(amount.field("indices")).child(0) : amount;
    if (stepName.type() == "identifier") {
      const EnclosingLoop* outer = frameOf(frames, stepName.text());
      // for (j = i; j <= 3 * i; j += i): a fixed number of steps of i
      if (outer && !bound.null() && mentionsIdentifier(bound, outer->variable)) {
        facts.step = StepKind::kBlocks;
        facts.trips = divideCosts(boundSize, outer->range);
        return facts;
      }
      if (outer) {
        const bool sieve =
            (start.type() == "binary_expression" && start.field("operator").text() == "*") ||
            guardedByFlag(loop, *outer);
        facts.step = sieve ? StepKind::kSieve : StepKind::kHarmonic;
        // sum over i <= N of M / i is M log N (over primes: M log log N)
        const Cost total =
            multiplyCosts(distance, sieve ? logLogCost(outer->range) : logCost(outer->range));
        facts.trips = divideCosts(total, outer->trips);
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
  if (rootDegree >= 2) {
    facts.step = StepKind::kSquareRoot;
    facts.trips = rootCost(boundSize, rootDegree);
    return facts;
  }
  // for (j = 0; j < primes.size() && i * primes[j] < N; j++): a linear sieve marks each number
  // once over all i, so the inner loop's passes sum to the bound.
  if (comparisons.size() > 1 && !frames.empty()) {
    for (const Comparison& c : comparisons) {
      const Node side = unwrap(c.left);
      if (side.type() == "binary_expression" && side.field("operator").text() == "*" &&
          mentionsIdentifier(side, variable) && mentionsIdentifier(side, frames.back().variable)) {
        facts.step = StepKind::kTwoPointer;
        facts.trips = divideCosts(magnitudeOf(model, c.right, vars), frames.back().trips);
        return facts;
      }
    }
  }
  facts.step = isConstantCost(distance) ? StepKind::kConstant : StepKind::kCounted;
  facts.trips = distance;
  return facts;
}

LoopFacts forFacts(const Model& model, const Node& loop, const std::vector<EnclosingLoop>& frames,
                   const std::vector<LoopVariable>& vars) {
  auto [variable, start] = readInitialiser(loop.field("initializer"));
  const Node condition = loop.field("condition");
  if (variable.empty()) {
    // for (; i < n; i++): the variable the update moves
    const Node update = unwrap(loop.field("update"));
    if (update.type() == "update_expression")
      variable = std::string(update.field("argument").text());
    if (update.type() == "assignment_expression")
      variable = std::string(update.field("left").text());
  }
  if (condition.null())
    return {variable, StepKind::kUnknown, constantCost(), constantCost(), loop.line()};
  Update update = readUpdate(loop.field("update"), variable);
  if (update.op.empty()) update = findUpdateIn(loop.field("body"), variable);
  LoopFacts facts = countedFacts(model, loop, frames, vars, variable, start, condition, update);
  // for (; j < n && ...; j++) with j from outside the enclosing loop: a two-pointer sweep
  if (start.null() && !frames.empty() &&
      !resetInside(frames.back().node.field("body"), variable, loop)) {
    facts.step = StepKind::kTwoPointer;
    facts.trips = divideCosts(facts.trips, frames.back().trips);
  }
  facts.line = loop.line();
  return facts;
}

// ---- while and do ----

LoopFacts whileFacts(const Model& model, const Node& loop, const std::vector<EnclosingLoop>& frames,
                     const std::vector<LoopVariable>& vars) {
  const Node condition = unwrap(loop.field("condition"));
  const Node body = loop.field("body");
  LoopFacts facts;
  facts.line = loop.line();
  if (condition.null()) return facts;

  // do { ... } while (next_permutation(a.begin(), a.end()))
  if (condition.text().find("next_permutation") != std::string_view::npos) {
    const Node call = findDescendant(condition, {"call_expression"});
    const Node args = call.field("arguments");
    Cost size = containerSize(model, containerName(args.child(0)));
    if (isConstantCost(size)) size = magnitudeOf(model, args.child(1), vars);
    facts.step = StepKind::kPermutations;
    facts.trips = factorialCost(size);
    return facts;
  }

  // Containers: stacks popped in a loop that pushes them, queues and heaps drained once.
  const std::string tested = testedContainer(condition);
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
    facts.step = StepKind::kQueue;
    const std::string adjacency = walkedAdjacency(model, body);
    const std::string grid = writtenGrid(model, body);
    if (!adjacency.empty())
      facts.trips = vertexCount(model, adjacency);
    else if (!grid.empty())
      facts.trips = usedExtent(model, findSymbol(model, grid)->dimensions);
    else
      facts.trips = containerSize(model, tested);
    if (isConstantCost(facts.trips)) facts.trips = primarySize(model);
    // for (s = 1; s <= n; s++) if (!seen[s]) { BFS from s }: each vertex once over all passes
    if (!frames.empty() && (!adjacency.empty() || !grid.empty()) &&
        !reinitialisesMarks(frames.back().node.field("body")))
      facts.trips = divideCosts(facts.trips, frames.back().trips);
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
    const Symbol* symbol = findSymbol(model, variable.text());
    facts.variable = std::string(variable.text());
    if (symbol && symbol->fromInput && frames.empty() && isTestCountName(symbol->name)) {
      facts.step = StepKind::kTestCases;
      facts.trips = model.sumBoundedTests ? constantCost() : sizeCost(symbol->name);
      return facts;
    }
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
  if (condition.type() == "identifier") divisors.push_back(condition);
  for (const Node& divisor : divisors) {
    if (divisor.type() != "identifier") continue;
    bool divides = false;
    visitNodes(body, [&](const Node& n) {
      if (divides) return false;
      if (n.type() == "binary_expression" &&
          (n.field("operator").text() == "%" || n.field("operator").text() == "/") &&
          unwrap(n.field("right")).text() == divisor.text())
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
    // while (n % d == 0) n /= d: the names inside the tested expression
    if (l.type() == "binary_expression")
      for (const Node side : {unwrap(l.field("left")), unwrap(l.field("right"))})
        if (side.type() == "identifier") candidates.emplace_back(side.text());
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
    for (const Comparison& c : comparisons) {
      const bool onLeft = mentionsIdentifier(c.left, variable);
      if (onLeft == mentionsIdentifier(c.right, variable)) continue;
      bound = onLeft ? c.right : c.left;
      const Node side = unwrap(onLeft ? c.left : c.right);
      squareRoot = side.type() == "binary_expression" && side.field("operator").text() == "*";
      break;
    }
    Cost own;
    const Symbol* symbol = findSymbol(model, variable);
    if (symbol && (symbol->fromInput || symbol->isParameter))
      own = sizeCost(variable);
    else if (symbol && symbol->hasDerived)
      own = symbol->derived;
    const Cost boundSize = bound.null() ? constantCost() : magnitudeOf(model, bound, vars);
    if (update.op == "/=" || update.op == ">>=" || update.op == "lowbit" || update.op == "*=" ||
        update.op == "<<=") {
      facts.step = StepKind::kGeometric;
      facts.trips = logCost(addCosts(own, boundSize));
      // A value that only shrinks, kept across the enclosing loop: log n divisions in all.
      if (!frames.empty() && (update.op == "/=" || update.op == ">>=") &&
          !resetInside(frames.back().node.field("body"), variable, loop))
        facts.trips = divideCosts(facts.trips, frames.back().trips);
      return facts;
    }
    if (squareRoot) {
      facts.step = StepKind::kSquareRoot;
      facts.trips = sqrtCost(boundSize);
      return facts;
    }
    if (update.op == "++" || update.op == "--" || update.op == "+=" || update.op == "-=") {
      facts.step = StepKind::kCounted;
      facts.trips = addCosts(own, boundSize);
      if (!frames.empty() && !resetInside(frames.back().node.field("body"), variable, loop)) {
        facts.step = StepKind::kTwoPointer;
        facts.trips = divideCosts(facts.trips, frames.back().trips);
      }
      return facts;
    }
  }
  // while (x != p[x]) x = p[x]: a walk along a parent chain.
  facts.step = StepKind::kUnknown;
  facts.trips = constantCost();
  return facts;
}

LoopFacts rangeFacts(const Model& model, const Node& loop,
                     const std::vector<EnclosingLoop>& frames) {
  LoopFacts facts;
  facts.line = loop.line();
  facts.variable = declaredName(loop.field("declarator"));
  const Node right = unwrap(loop.field("right"));
  if (right.type() == "subscript_expression") {
    const std::string base = containerName(right.field("argument"));
    const Symbol* symbol = findSymbol(model, base);
    if (symbol && symbol->nestedContainer) {
      facts.step = StepKind::kAdjacency;
      // for (u = 1; u <= n; u++) for (v : adj[u]): the edges spread over that loop's passes
      const Node index = unwrap(right.field("indices")).type() == "subscript_argument_list"
                             ? right.field("indices").child(0)
                             : right.field("indices");
      const EnclosingLoop* owner = frameOf(frames, index.text());
      facts.trips =
          divideCosts(edgeCount(model, base), owner ? owner->trips : vertexCount(model, base));
      return facts;
    }
  }
  if (right.type() == "initializer_list") {
    facts.step = StepKind::kConstant;
    return facts;
  }
  facts.step = StepKind::kContainer;
  facts.trips = containerSize(model, containerName(right));
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
  std::vector<LoopVariable> vars = locals;
  const std::vector<LoopVariable> inLoops = loopVariablesOf(enclosing);
  vars.insert(vars.end(), inLoops.begin(), inLoops.end());
  const std::string_view type = loop.type();
  if (type == "for_statement") return forFacts(model, loop, enclosing, vars);
  if (type == "for_range_loop") return rangeFacts(model, loop, enclosing);
  return whileFacts(model, loop, enclosing, vars);
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
