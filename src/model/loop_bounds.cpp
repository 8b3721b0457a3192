// Bounds a loop whose count no rule derives by the nearest size that bounds what it moves or
// reads, and says how far the bound reaches: a quantity kept across the enclosing loop (never
// declared or started over inside it) moves within its range once over all of that loop's
// passes, and a global container is popped no more often over the run than it was pushed.
#include "model/loop_bounds.h"

#include <set>

#include "model/loop_parts.h"

namespace quorbel {
namespace {

// n, |s|, n * m: a size as the sentences name it, without the O( ).
std::string sizeText(const Cost& size) {
  const std::string text = formatCost(size);
  if (text.size() > 3 && text.rfind("O(", 0) == 0 && text.back() == ')')
    return text.substr(2, text.size() - 3);
  return text;
}

// ---- What the loop reads ----

// getchar and its kin; fread too, as a helper that refills a buffer with it hands out one
// character of that buffer per call.
bool isCharacterRead(std::string_view callee) {
  return callee == "getchar" || callee == "getc" || callee == "getchar_unlocked" ||
         callee == "getc_unlocked" || callee == "fgetc" || callee == "_getchar_nolock" ||
         callee == "cin.get" || callee == "std::cin.get" || callee == "fread" ||
         callee == "fread_unlocked";
}

// A call in `scope` reading one character, directly or through a program function that does.
bool readsCharacter(const Model& model, const Node& scope, int depth = 0) {
  bool found = false;
  visitNodes(scope, [&](const Node& n) {
    if (found) return false;
    if (n.type() != "call_expression") return true;
    const std::string callee(n.field("function").text());
    if (isCharacterRead(callee)) found = true;
    auto function = model.functions.find(callee);
    if (!found && depth == 0 && function != model.functions.end() && !function->second.body.null())
      found = readsCharacter(model, function->second.body, depth + 1);
    return !found;
  });
  return found;
}

// buf[len++] = c or *out++ = c: the buffer a character loop fills, or empty.
std::string filledBuffer(const Node& body) {
  std::string name;
  visitNodes(body, [&](const Node& n) {
    if (!name.empty()) return false;
    if (n.type() != "assignment_expression") return true;
    const Node left = unwrap(n.field("left"));
    if (left.type() == "subscript_expression" &&
        !findDescendant(left.field("indices"), {"update_expression"}).null())
      name = containerName(left.field("argument"));
    if (left.type() == "pointer_expression") {
      const Node moved = unwrap(left.field("argument"));
      if (moved.type() == "update_expression") name = containerName(moved.field("argument"));
    }
    return name.empty();
  });
  return name;
}

// ---- What the loop moves ----

enum class Move { kNone, kStep, kLink };

// How the loop moves `name`: a step (++, --, +=, -=) or a link followed from where it is
// (x = par[x], p = t[p].link, v = v + d[v]).
Move moveOf(const Node& loop, const std::string& name) {
  Move move = Move::kNone;
  visitNodes(loop, [&](const Node& n) {
    if (n.type() == "lambda_expression") return false;
    if (n.type() == "update_expression" && isIdentifierNamed(unwrap(n.field("argument")), name))
      move = Move::kStep;
    if (n.type() == "assignment_expression" && isIdentifierNamed(unwrap(n.field("left")), name)) {
      const std::string_view op = n.field("operator").text();
      if (op == "+=" || op == "-=" || op == "/=" || op == ">>=" || op == "*=" || op == "<<=")
        move = Move::kStep;
      if (op == "=" && move == Move::kNone && mentionsIdentifier(n.field("right"), name))
        move = Move::kLink;
    }
    return true;
  });
  return move;
}

// The index of a subscript, its brackets stripped.
Node indexOf(const Node& subscript) {
  const Node indices = unwrap(subscript.field("indices"));
  return unwrap(indices.type() == "subscript_argument_list" ? indices.child(0) : indices);
}

// The entries of a container; of an array, the extents a walk uses (the input's sizes where
// the extents are capacities).
Cost sizeOf(const Model& model, const std::string& name, const Node& use) {
  const Symbol* symbol = containerAt(model, name, use);
  if (symbol && !symbol->dimensions.empty()) {
    const Cost used = usedExtent(model, symbol->dimensions);
    if (!isConstantCost(used)) return used;
  }
  return containerSize(model, name, use);
}

// A container `scope` indexes with `name` (x[name], x[name - 1].f, x[name][c]) whose size names
// the program's sizes; empty when none does.
std::string indexedBy(const Model& model, const Node& scope, const std::string& name) {
  std::string found;
  visitNodes(scope, [&](const Node& n) {
    if (!found.empty()) return false;
    if (n.type() == "subscript_expression" && mentionsIdentifier(indexOf(n), name) &&
        findDescendant(indexOf(n), {"subscript_expression"}).null()) {
      Node base = n.field("argument");
      while (base.type() == "subscript_expression") base = base.field("argument");
      const std::string container = containerName(base);
      if (!container.empty() && container != name && !isConstantCost(sizeOf(model, container, n)))
        found = container;
    }
    return found.empty();
  });
  return found;
}

// The side `name` is compared with in `condition`, if any: n of i + z[i] < n.
Node comparedWith(const Node& condition, const std::string& name) {
  std::vector<Comparison> comparisons;
  collectComparisons(condition, comparisons);
  for (const Comparison& c : comparisons) {
    const bool left = mentionsIdentifier(c.left, name);
    if (left != mentionsIdentifier(c.right, name)) return left ? c.right : c.left;
  }
  return {};
}

// (1 << k) < v, 1LL << k: `name` shifts.
bool isShiftAmount(const Node& condition, const std::string& name) {
  bool found = false;
  visitNodes(condition, [&](const Node& n) {
    if (found) return false;
    found = n.type() == "binary_expression" && n.field("operator").text() == "<<" &&
            mentionsIdentifier(n.field("right"), name);
    return !found;
  });
  return found;
}

// The innermost frames in whose passes `name` is kept: not declared in them nor started over.
size_t framesKeeping(const std::vector<EnclosingLoop>& frames, const std::string& name,
                     const Node& loop) {
  size_t kept = 0;
  for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
    if (resetInside(it->node.field("body"), name, loop)) break;
    ++kept;
  }
  return kept;
}

// Declared in the body of `frame`, so made afresh in each of its passes; a variable of the
// loop's own header is kept across them.
bool declaredInside(const Symbol* symbol, const EnclosingLoop& frame) {
  return symbol && !symbol->scope.empty() &&
         symbol->scopeStart > ts_node_start_byte(frame.node.raw) &&
         symbol->scopeEnd <= ts_node_end_byte(frame.node.raw);
}

// The function definition or lambda around `node`.
Node enclosingFunction(const Node& node) {
  Node scope = node;
  while (!scope.parent().null() && scope.type() != "function_definition" &&
         scope.type() != "lambda_expression")
    scope = scope.parent();
  return scope;
}

// An assignment `name = value` in `scope` whose value does not mention `name`: a fresh start.
bool startsOver(const Node& scope, const std::string& name, const Node& exclude) {
  bool found = false;
  visitNodes(scope, [&](const Node& n) {
    if (found || n == exclude) return false;
    found = n.type() == "assignment_expression" && n.field("operator").text() == "=" &&
            isIdentifierNamed(unwrap(n.field("left")), name) &&
            !mentionsIdentifier(n.field("right"), name);
    return !found;
  });
  return found;
}

// A fresh start of `name` inside some loop of `scope`: pos = 0 for each query.
bool startsOverInLoops(const Node& scope, const std::string& name) {
  bool found = false;
  visitNodes(scope, [&](const Node& n) {
    if (found) return false;
    if (isLoopNode(n)) found = startsOver(n.field("body"), name, Node{});
    return !found;
  });
  return found;
}

// stk[++top] = u in a recursive function, outside its loops: each activation pushes one entry,
// so the pops of all activations under one outer call never outnumber them, however the
// callers empty the stack between outer calls.
bool pushedByEachActivation(const Node& function, const std::string& name) {
  const std::string self = declaredName(function.field("declarator"));
  bool recursive = false, pushes = false;
  visitNodes(function.field("body"), [&](const Node& n) {
    if (n.type() == "call_expression" && n.field("function").text() == self) recursive = true;
    return !recursive && n.type() != "lambda_expression";
  });
  visitNodes(function.field("body"), [&](const Node& n) {
    if (isLoopNode(n) || n.type() == "lambda_expression") return false;
    if (n.type() == "update_expression" && n.field("operator").text() == "++" &&
        isIdentifierNamed(unwrap(n.field("argument")), name))
      pushes = true;
    return !pushes;
  });
  return recursive && pushes && !self.empty();
}

// Every loop of `scope` that tests `name` moves it the same way: all up or all down. Mo's
// window ends, moved both ways by loops, are kept from call to call but travel without bound.
bool loopsMoveOneWay(const Node& scope, const std::string& name) {
  bool up = false, down = false;
  visitNodes(scope, [&](const Node& n) {
    if (up && down) return false;
    if (!isLoopNode(n) || !mentionsIdentifier(n.field("condition"), name)) return true;
    visitNodes(n, [&](const Node& m) {
      if (m.type() == "update_expression" && isIdentifierNamed(unwrap(m.field("argument")), name))
        (m.field("operator").text() == "++" ? up : down) = true;
      if (m.type() == "assignment_expression" && isIdentifierNamed(unwrap(m.field("left")), name)) {
        const std::string_view op = m.field("operator").text();
        if (op == "+=") up = true;
        if (op == "-=") down = true;
      }
      return true;
    });
    return true;
  });
  return !(up && down);
}

// The quantity a run of `loop` moves is kept from one run to the next over the whole program,
// so all runs together move it across its range once:
//   a global pointer or stack counter the loop's function never starts over (ptr, tp);
//   a walk from a state remembered between calls: int p = last; ... last = cur;
//   a walk from a parameter every call hands the state the previous call returned:
//   last = extend(last, c).
bool keptOverRunBy(const Model& model, const Node& loop, const std::string& name,
                   const Symbol* symbol) {
  if (!symbol || symbol->kind != ContainerKind::kScalar) return false;
  const Node function = enclosingFunction(loop);
  if (function.type() != "function_definition") return false;
  const bool global = symbol->scope.empty() || symbol->member;
  if (global)
    return !symbol->isParameter && !startsOver(function, name, Node{}) &&
           (!startsOverInLoops(model.root, name) || pushedByEachActivation(function, name)) &&
           loopsMoveOneWay(model.root, name);
  // int p = last, or p = last before the loop, with last a global the function moves on
  Node start;
  visitNodes(function, [&](const Node& n) {
    if (!start.null() || n == loop) return false;
    if (n.type() == "init_declarator" && declaredName(n) == name) start = n.field("value");
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=" &&
        isIdentifierNamed(unwrap(n.field("left")), name))
      start = n.field("right");
    return start.null();
  });
  start = unwrap(start);
  if (start.type() == "identifier") {
    const Symbol* from = findSymbolAt(model, start.text(), start);
    const std::string state(start.text());
    return from && (from->scope.empty() || from->member) && from->kind == ContainerKind::kScalar &&
           startsOver(function, state, Node{});
  }
  if (!symbol->isParameter) return false;
  // last = extend(last, c): the state handed in is the one the previous call returned
  const std::string callee = declaredName(function.field("declarator"));
  const Node parameters = findDescendant(function.field("declarator"), {"parameter_list"});
  int position = -1, k = 0;
  for (const Node& parameter : childrenOf(parameters)) {
    if (parameter.type() != "parameter_declaration") continue;
    if (declaredName(parameter.field("declarator")) == name) position = k;
    ++k;
  }
  if (position < 0 || callee.empty()) return false;
  bool fed = false, other = false;
  visitNodes(model.root, [&](const Node& n) {
    if (n.type() != "call_expression") return true;
    const Node f = n.field("function");
    const std::string_view called =
        f.type() == "field_expression" ? f.field("field").text() : f.text();
    if (called != callee) return true;
    const Node argument = unwrap(n.field("arguments").child(static_cast<uint32_t>(position)));
    const Node parent = n.parent();
    // The state lives across the passes of the loop making the calls: a = find(a) on a fresh
    // a in each pass hands no state on.
    Node around = n.parent();
    while (!around.null() && !isLoopNode(around)) around = around.parent();
    const Symbol* state =
        argument.type() == "identifier" ? findSymbolAt(model, argument.text(), argument) : nullptr;
    const bool kept = !around.null() && state &&
                      !(state->scopeStart > ts_node_start_byte(around.raw) &&
                        state->scopeEnd <= ts_node_end_byte(around.raw));
    const bool feeds = kept && parent.type() == "assignment_expression" &&
                       isIdentifierNamed(unwrap(parent.field("left")), argument.text());
    (feeds ? fed : other) = true;
    return true;
  });
  return fed && !other;
}

// ---- The frontier an extension loop pushes ----

// z[i] grown by the loop, started from a frontier r that the enclosing pass then moves to
// i + z[i]: z[i] = min(r - i, z[i - l]); while (..) z[i]++; if (i + z[i] > r) r = i + z[i];
bool extendsFrontier(const Node& loop, const EnclosingLoop& frame, const std::string& entries) {
  std::set<std::string> frontiers;
  visitNodes(frame.node, [&](const Node& n) {
    if (n.type() != "assignment_expression" || n.field("operator").text() != "=") return true;
    const Node left = unwrap(n.field("left"));
    if (left.type() == "identifier" && mentionsIdentifier(n.field("right"), entries))
      frontiers.insert(std::string(left.text()));
    return true;
  });
  bool clipped = false;
  visitNodes(frame.node, [&](const Node& n) {
    if (clipped || n == loop) return false;
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=") {
      const Node left = unwrap(n.field("left"));
      if (left.type() == "subscript_expression" && containerName(left) == entries)
        for (const std::string& frontier : frontiers)
          clipped = clipped || mentionsIdentifier(n.field("right"), frontier);
    }
    return !clipped;
  });
  return clipped;
}

// ---- Membership walks ----

// The container whose membership of `name` the condition tests: s.count(v), s.find(v) != ...
std::string memberTested(const Node& condition, const std::string& name) {
  std::string found;
  visitNodes(condition, [&](const Node& n) {
    if (!found.empty()) return false;
    if (n.type() != "call_expression") return true;
    const Node f = n.field("function");
    if (f.type() != "field_expression") return true;
    const std::string_view method = f.field("field").text();
    if ((method == "count" || method == "find" || method == "contains") &&
        mentionsIdentifier(n.field("arguments"), name))
      found = containerName(f.field("argument"));
    return found.empty();
  });
  return found;
}

// x of v += x in the loop, when x is a plain name.
std::string stepOf(const Node& loop, const std::string& name) {
  std::string step;
  visitNodes(loop, [&](const Node& n) {
    if (!step.empty()) return false;
    if (n.type() == "assignment_expression" && n.field("operator").text() == "+=" &&
        isIdentifierNamed(unwrap(n.field("left")), name) &&
        unwrap(n.field("right")).type() == "identifier")
      step = std::string(unwrap(n.field("right")).text());
    return step.empty();
  });
  return step;
}

// v starts from a table keyed by the step (v = from[x], v = from.count(x) ? from[x] : x) and
// the table is given v back after the loop (from[x] = v).
bool startKeptPerStep(const Node& loop, const std::string& name, const std::string& step) {
  const Node scope = loop.parent();
  std::string table;
  bool stored = false;
  const auto keyedRead = [&](const Node& value) {
    std::string read;
    visitNodes(value, [&](const Node& n) {
      if (read.empty() && n.type() == "subscript_expression" && isIdentifierNamed(indexOf(n), step))
        read = containerName(n.field("argument"));
      return read.empty();
    });
    return read;
  };
  visitNodes(scope, [&](const Node& n) {
    if (n == loop) return false;
    if (n.type() == "init_declarator" && declaredName(n) == name && table.empty())
      table = keyedRead(n.field("value"));
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=") {
      const Node left = unwrap(n.field("left"));
      if (isIdentifierNamed(left, name) && table.empty()) table = keyedRead(n.field("right"));
      if (left.type() == "subscript_expression" && !table.empty() && containerName(left) == table &&
          isIdentifierNamed(indexOf(left), step) &&
          isIdentifierNamed(unwrap(n.field("right")), name))
        stored = true;
    }
    return true;
  });
  return !table.empty() && stored;
}

// ---- The rules ----

LoopBound charactersBound(const Model& model, const Node& loop) {
  LoopBound bound;
  const Node condition = loop.field("condition");
  if (!readsCharacter(model, loop)) return bound;
  // Only a loop whose test reads the character it stops at: while (c >= '0' && c <= '9').
  bool testsCharacter = false;
  visitNodes(condition, [&](const Node& n) {
    testsCharacter = testsCharacter || n.type() == "char_literal" || n.type() == "call_expression";
    return !testsCharacter;
  });
  if (!testsCharacter && !readsCharacter(model, condition)) return bound;
  bound.found = true;
  const std::string buffer = filledBuffer(loop.field("body"));
  const Cost size = buffer.empty() ? Cost{} : containerSize(model, buffer, loop);
  if (!buffer.empty() && !isConstantCost(size)) {
    bound.bound = size;
    bound.what = "|" + buffer + "|";
    bound.why = "the characters it reads fill " + buffer;
    return bound;
  }
  if (condition.text().find("EOF") != std::string_view::npos) {
    bound.bound = sizeCost("input");
    bound.what = "the input";
    bound.why = "it reads characters to the end of the input";
    return bound;
  }
  bound.bound = constantCost();
  bound.what = "one token's characters";
  bound.why = "it reads the characters of one value";
  return bound;
}

LoopBound poppedBound(const Model& model, const Node& loop,
                      const std::vector<EnclosingLoop>& frames) {
  LoopBound bound;
  // The containers it removes from; one its test reads comes first, and one it also pushes
  // only when its test reads it (a queue drained as it fills).
  const Node condition = loop.field("condition");
  std::string popped;
  for (const bool tested : {true, false})
    visitNodes(loop, [&](const Node& n) {
      if (!popped.empty()) return false;
      if (n.type() != "call_expression") return true;
      const Node f = n.field("function");
      if (f.type() != "field_expression") return true;
      const std::string_view method = f.field("field").text();
      const std::string name = containerName(f.field("argument"));
      const bool read = !condition.null() && mentionsIdentifier(condition, name);
      if ((method == "pop" || method == "pop_back" || method == "pop_front" || method == "erase") &&
          !name.empty() && read == tested && (read || !pushesInto(loop, name, Node{})))
        popped = name;
      return popped.empty();
    });
  // stack[--top], st[top--]: an array kept as a stack by a counter the loop lowers
  std::string counter;
  if (popped.empty())
    visitNodes(loop, [&](const Node& n) {
      if (!popped.empty()) return false;
      if (n.type() != "subscript_expression") return true;
      const Node index = indexOf(n);
      if (index.type() == "update_expression" && index.field("operator").text() == "--" &&
          unwrap(index.field("argument")).type() == "identifier") {
        popped = containerName(n.field("argument"));
        counter = std::string(unwrap(index.field("argument")).text());
      }
      return popped.empty();
    });
  if (popped.empty()) return bound;
  bound.found = true;
  bound.bound = containerSize(model, popped, loop);
  bound.what = "|" + popped + "|";
  bound.why = "it removes entries of " + popped;
  // A container whose entries are not counted holds what the program's first size counts.
  if (isConstantCost(bound.bound)) {
    bound.bound = primarySize(model);
    bound.what = sizeText(bound.bound);
    bound.why = "it removes entries of " + popped + ", taken to hold the first size read";
  }
  const Symbol* symbol = containerAt(model, popped, loop);
  // A queue the loop both pops and pushes: each vertex or cell it holds, once.
  if (counter.empty() && pushesInto(loop, popped, Node{})) {
    const std::string adjacency = walkedAdjacency(model, loop.field("body"));
    const std::string grid = writtenGrid(model, loop.field("body"));
    bound.bound = !adjacency.empty() ? vertexCount(model, adjacency)
                  : !grid.empty()    ? usedExtent(model, findSymbol(model, grid)->dimensions)
                                     : primarySize(model);
    if (!grid.empty() && isConstantCost(bound.bound)) bound.bound = loopBoundedCells(model, grid);
    if (isConstantCost(bound.bound)) bound.bound = primarySize(model);
    bound.what = sizeText(bound.bound);
    bound.why = "each entry pushed into " + popped + " is popped once";
    return bound;
  }
  if (!counter.empty()) {
    bound.bound = sizeOf(model, popped, loop);
    bound.what = "|" + popped + "|";
    bound.why = "it pops the stack " + counter + " keeps in " + popped;
    if (keptOverRunBy(model, loop, counter, findSymbolAt(model, counter, loop)))
      bound.span = BoundSpan::kProgram;
    else if (!frames.empty() && framesKeeping(frames, counter, loop) > 0)
      bound.span = BoundSpan::kEnclosingPasses;
    return bound;
  }
  // A container that outlives every call is popped over the run no more than it was pushed.
  if (symbol && symbol->scope.empty() && !symbol->isParameter) {
    bound.span = BoundSpan::kProgram;
    return bound;
  }
  if (!frames.empty() && framesKeeping(frames, popped, loop) > 0 &&
      !declaredInside(symbol, frames.back()))
    bound.span = BoundSpan::kEnclosingPasses;
  return bound;
}

// How the loop moves the entry `name` (z[i]++, d[i] += 1): a step, or nothing.
Move entryMoveOf(const Node& loop, const std::string& name) {
  Move move = Move::kNone;
  visitNodes(loop, [&](const Node& n) {
    if (n.type() == "update_expression" && unwrap(n.field("argument")).text() == name)
      move = Move::kStep;
    if (n.type() == "assignment_expression" && unwrap(n.field("left")).text() == name &&
        (n.field("operator").text() == "+=" || n.field("operator").text() == "-="))
      move = Move::kStep;
    return move == Move::kNone;
  });
  return move;
}

// The side an entry is compared with that names a size: n of i - z[i] >= 0 && i + z[i] < n.
Node entryComparedWith(const Model& model, const Node& condition, const std::string& entry,
                       const std::vector<LoopVariable>& vars) {
  std::vector<Comparison> comparisons;
  collectComparisons(condition, comparisons);
  for (const Comparison& c : comparisons) {
    const bool left = c.left.text().find(entry) != std::string_view::npos;
    const Node side = left ? c.right : c.left;
    if (left != (c.right.text().find(entry) != std::string_view::npos) &&
        !isConstantCost(magnitudeOf(model, side, vars)))
      return side;
  }
  return {};
}

// x /= p, x >>= 1, x = x / d: `name` divided by something each pass.
bool dividesInLoop(const Node& loop, const std::string& name) {
  bool found = false;
  visitNodes(loop, [&](const Node& n) {
    if (found || n.type() != "assignment_expression" ||
        !isIdentifierNamed(unwrap(n.field("left")), name))
      return !found;
    const std::string_view op = n.field("operator").text();
    const Node right = unwrap(n.field("right"));
    found = op == "/=" || op == ">>=" ||
            (op == "=" && right.type() == "binary_expression" &&
             (right.field("operator").text() == "/" || right.field("operator").text() == ">>") &&
             isIdentifierNamed(unwrap(right.field("left")), name));
    return !found;
  });
  return found;
}

// The names a loop's test reads, and the entries (z[i]) it reads; a for loop without a test
// reads what its update moves.
std::vector<std::string> testedNames(const Model& model, const Node& loop) {
  Node tested = loop.field("condition");
  if (tested.null()) tested = loop.field("update");
  std::vector<std::string> names;
  std::set<std::string> seen;
  visitNodes(tested, [&](const Node& n) {
    const std::string text(n.text());
    if (n.type() == "identifier" && !model.functions.count(text) && seen.insert(text).second)
      names.push_back(text);
    if (n.type() == "subscript_expression" && seen.insert(text).second) names.push_back(text);
    return true;
  });
  return names;
}

// The container the condition measures (s.size() < k, s.length() < 22) that the body grows,
// bounded by what it is compared with.
LoopBound grownBound(const Model& model, const Node& loop, const std::vector<LoopVariable>& vars) {
  LoopBound bound;
  std::vector<Comparison> comparisons;
  collectComparisons(loop.field("condition"), comparisons);
  for (const Comparison& c : comparisons)
    for (const bool left : {true, false}) {
      const Node call = unwrapConversions(model, left ? c.left : c.right);
      const Node f = call.type() == "call_expression" ? call.field("function") : Node{};
      if (f.type() != "field_expression" ||
          (f.field("field").text() != "size" && f.field("field").text() != "length"))
        continue;
      const std::string grown = containerName(f.field("argument"));
      if (grown.empty() || !pushesInto(loop.field("body"), grown, Node{})) continue;
      const Node side = left ? c.right : c.left;
      bound.found = true;
      bound.bound = magnitudeOf(model, side, vars);
      bound.what = std::string(side.text());
      bound.why = grown + " grows up to it";
      return bound;
    }
  return bound;
}

LoopBound movedBound(const Model& model, const Node& loop, const std::vector<EnclosingLoop>& frames,
                     const std::vector<LoopVariable>& vars) {
  LoopBound bound;
  const Node condition = loop.field("condition");
  for (const std::string& name : testedNames(model, loop)) {
    const bool entry = name.find('[') != std::string::npos;
    const Move move = entry ? entryMoveOf(loop, name) : moveOf(loop, name);
    if (move == Move::kNone) continue;
    const Node side =
        entry ? entryComparedWith(model, condition, name, vars) : comparedWith(condition, name);
    const Cost sideSize = side.null() ? Cost{} : magnitudeOf(model, side, vars);
    bound.found = true;
    if (!entry && isShiftAmount(condition, name)) {
      bound.bound = isConstantCost(sideSize) ? constantCost() : logCost(sideSize);
      bound.what = isConstantCost(sideSize) ? "the bits of a word" : "log " + sizeText(sideSize);
      bound.why = name + " is a shift amount";
      return bound;
    }
    // x /= p: as many rounds as the value has bits
    if (!entry && dividesInLoop(loop, name)) {
      const Symbol* value = findSymbolAt(model, name, loop);
      const Cost own = !value                                   ? Cost{}
                       : value->fromInput || value->isParameter ? sizeCost(name)
                       : value->hasDerived                      ? value->derived
                                                                : Cost{};
      bound.bound = isConstantCost(own) ? constantCost() : logCost(own);
      bound.what = isConstantCost(own) ? "the bits of a word" : "log " + sizeText(own);
      bound.why = name + " is divided each round";
      // a value kept across the enclosing loop only shrinks: its divisions in all of them
      if (!frames.empty() && framesKeeping(frames, name, loop) > 0 &&
          !declaredInside(findSymbolAt(model, name, loop), frames.back()))
        bound.span = BoundSpan::kEnclosingPasses;
      return bound;
    }
    // while (seen.count(v)) v += x: no more steps than the set holds; from a start kept per
    // step x (v = from[x] ... from[x] = v), each x passes its multiples once over the run
    const std::string members = entry ? "" : memberTested(condition, name);
    if (!members.empty() && !isConstantCost(sizeOf(model, members, loop))) {
      const Cost size = sizeOf(model, members, loop);
      bound.bound = size;
      bound.what = "|" + members + "|";
      bound.why = name + " steps while it is in " + members;
      const std::string step = stepOf(loop, name);
      if (!step.empty() && startKeptPerStep(loop, name, step)) {
        bound.bound = multiplyCosts(size, logCost(size));
        bound.what = "|" + members + "| log |" + members + "|";
        bound.why = name + " resumes for each step " + step + " where it stopped";
        bound.span = BoundSpan::kProgram;
      }
      return bound;
    }
    const std::string container =
        entry ? containerName(findDescendant(condition, {"subscript_expression"}))
              : indexedBy(model, loop, name);
    if (!entry && !container.empty()) {
      bound.bound = sizeOf(model, container, loop);
      bound.what = "|" + container + "|";
      bound.why = name + " indexes " + container;
    } else if (!isConstantCost(sideSize)) {
      bound.bound = sideSize;
      bound.what = sizeText(sideSize);
      bound.why = name + " moves towards " + std::string(side.text());
    } else if (entry) {
      // while (t[i + 1 + p[i]] == t[i - 1 - p[i]]) p[i]++: as far as the entries it reads
      const std::string entries = name.substr(0, name.find('['));
      const Cost size = sizeOf(model, entries, loop);
      if (isConstantCost(size)) {
        bound.found = false;
        continue;
      }
      bound.bound = size;
      bound.what = "|" + entries + "|";
      bound.why = name + " grows within " + entries;
    } else {
      bound.found = false;
      continue;
    }
    if (entry) {
      const std::string entries = name.substr(0, name.find('['));
      if (!frames.empty() && extendsFrontier(loop, frames.back(), entries)) {
        bound.span = BoundSpan::kEnclosingPasses;
        bound.why = name + " extends a frontier kept across the passes";
      }
      return bound;
    }
    const Symbol* symbol = findSymbolAt(model, name, loop);
    if (keptOverRunBy(model, loop, name, symbol)) {
      bound.span = BoundSpan::kProgram;
      bound.why += ", from where an earlier run left it";
    } else if (!frames.empty() && framesKeeping(frames, name, loop) > 0 &&
               !declaredInside(symbol, frames.back())) {
      bound.span = BoundSpan::kEnclosingPasses;
    }
    return bound;
  }
  return grownBound(model, loop, vars);
}

// seen[s[left++]]--: a pointer the body steps though the test does not read it, over the
// container it indexes; kept across the enclosing loop, over all of its passes.
LoopBound steppedPointerBound(const Model& model, const Node& loop,
                              const std::vector<EnclosingLoop>& frames) {
  LoopBound bound;
  visitNodes(loop.field("body"), [&](const Node& n) {
    // a nested loop's own counter is that loop's business, not a pointer this one moves
    if (bound.found || n.type() == "lambda_expression" || isLoopNode(n)) return false;
    if (n.type() != "update_expression") return true;
    const Node pointer = unwrap(n.field("argument"));
    if (pointer.type() != "identifier") return true;
    const std::string name(pointer.text());
    const std::string container = indexedBy(model, loop, name);
    const Symbol* symbol = findSymbolAt(model, name, loop);
    if (container.empty() || !symbol || symbol->kind != ContainerKind::kScalar) return true;
    bound.found = true;
    bound.bound = sizeOf(model, container, loop);
    bound.what = "|" + container + "|";
    bound.why = "it steps " + name + ", which indexes " + container;
    if (!frames.empty() && framesKeeping(frames, name, loop) > 0 &&
        !declaredInside(symbol, frames.back()))
      bound.span = BoundSpan::kEnclosingPasses;
    return false;
  });
  return bound;
}

// A variable the test reads that the body sets afresh (now = next of a path rebuilt) and that
// indexes a container: a walk over that container's entries.
LoopBound assignedBound(const Model& model, const Node& loop) {
  LoopBound bound;
  for (const std::string& name : testedNames(model, loop)) {
    if (name.find('[') != std::string::npos) continue;
    bool assigned = false;
    visitNodes(loop.field("body"), [&](const Node& n) {
      assigned = assigned || (n.type() == "assignment_expression" &&
                              isIdentifierNamed(unwrap(n.field("left")), name));
      return !assigned;
    });
    const std::string container = assigned ? indexedBy(model, loop, name) : "";
    if (container.empty()) continue;
    bound.found = true;
    bound.bound = sizeOf(model, container, loop);
    bound.what = "|" + container + "|";
    bound.why = name + " is set to entries of " + container + " each pass";
    return bound;
  }
  return bound;
}

// for (auto it = s.begin(); it != s.end(); ) and while (it != m.end()): the entries walked.
LoopBound iteratorBound(const Model& model, const Node& loop) {
  LoopBound bound;
  std::string walked;
  visitNodes(loop.field("condition"), [&](const Node& n) {
    if (!walked.empty()) return false;
    if (n.type() == "call_expression" && n.field("function").type() == "field_expression" &&
        n.field("function").field("field").text() == "end")
      walked = containerName(n.field("function").field("argument"));
    return walked.empty();
  });
  if (walked.empty() || isConstantCost(containerSize(model, walked, loop))) return bound;
  bound.found = true;
  bound.bound = containerSize(model, walked, loop);
  bound.what = "|" + walked + "|";
  bound.why = "it walks the entries of " + walked;
  return bound;
}

// idx = find(text, idx) tested each pass: searches resumed from where the last one stopped
// walk the container they search once in all.
LoopBound resumedBound(const Model& model, const Node& loop) {
  LoopBound bound;
  for (const std::string& name : testedNames(model, loop)) {
    visitNodes(loop, [&](const Node& n) {
      if (bound.found) return false;
      if (n.type() != "assignment_expression" || !isIdentifierNamed(unwrap(n.field("left")), name))
        return true;
      const Node call = unwrap(n.field("right"));
      if (call.type() != "call_expression" || !mentionsIdentifier(call.field("arguments"), name))
        return true;
      for (const Node& argument : childrenOf(call.field("arguments"))) {
        const std::string container = containerName(argument);
        const Symbol* symbol = findSymbolAt(model, container, argument);
        if (bound.found || !symbol || symbol->kind == ContainerKind::kScalar) continue;
        // The searches resume where the last one stopped: the passes and the calls together
        // walk the container once, which is what one call costs.
        bound.found = true;
        bound.bound = constantCost();
        bound.what = "one search over " + container;
        bound.why = "each search resumes where " + name + " stopped";
      }
      return !bound.found;
    });
    if (bound.found) break;
  }
  return bound;
}

// cin >> x, scanf(..) in `scope`.
bool readsInput(const Node& scope) {
  bool found = false;
  visitNodes(scope, [&](const Node& n) {
    if (found) return false;
    if (n.type() == "call_expression") {
      const std::string_view callee = n.field("function").text();
      found = callee == "scanf" || callee == "getline" || callee == "gets" || callee == "fgets";
    }
    if (n.type() == "binary_expression" && n.field("operator").text() == ">>") {
      Node left = n;
      while (left.type() == "binary_expression") left = unwrap(left.field("left"));
      found = left.text() == "cin" || left.text() == "std::cin";
    }
    return !found;
  });
  return found;
}

// A pass that reads input, files it in a container (a push, an insert, a write into a slot)
// and does nothing that repeats: no loop, no call of the program's own functions (a test's
// work). A loop that only reads until a value turns up files nothing: no item.
bool readsOneItem(const Model& model, const Node& body) {
  if (!readsInput(body)) return false;
  bool repeats = false, files = false;
  visitNodes(body, [&](const Node& n) {
    if (repeats) return false;
    if (isLoopNode(n) || n.type() == "lambda_expression") repeats = true;
    const std::string_view type = n.type();
    if (type == "call_expression") {
      const Node f = n.field("function");
      if (f.type() == "identifier" && model.functions.count(std::string(f.text()))) repeats = true;
      const std::string_view method =
          f.type() == "field_expression" ? f.field("field").text() : std::string_view{};
      files = files || method == "push_back" || method == "emplace_back" || method == "push" ||
              method == "insert" || method == "emplace" || method == "push_front";
    }
    if (type == "assignment_expression" || type == "update_expression") {
      const Node target = n.field(type == "assignment_expression" ? "left" : "argument");
      files = files || !findDescendant(target, {"subscript_expression"}).null() ||
              target.type() == "subscript_expression";
    }
    return !repeats;
  });
  return files && !repeats;
}

}  // namespace

LoopBound boundByWhatMoves(const Model& model, const Node& loop,
                           const std::vector<EnclosingLoop>& frames,
                           const std::vector<LoopVariable>& vars) {
  LoopBound bound = charactersBound(model, loop);
  if (!bound.found) bound = poppedBound(model, loop, frames);
  if (!bound.found) bound = movedBound(model, loop, frames, vars);
  if (!bound.found) bound = steppedPointerBound(model, loop, frames);
  if (!bound.found) bound = iteratorBound(model, loop);
  if (!bound.found) bound = assignedBound(model, loop);
  if (!bound.found) bound = resumedBound(model, loop);
  if (bound.found) {
    bound.bound = simplifyCost(bound.bound);
    return bound;
  }
  // Nothing names a size: the program's first size stands for it, unless each pass reads the
  // input and works over what it read (a loop over test cases that ends at a sentinel). A pass
  // that reads a few values and files them (while (true) { cin >> a >> b; if (!a) break;
  // g[a].push_back(b); }) reads one item of the input: the items are as many as its size.
  const bool item = readsOneItem(model, loop.field("body"));
  if (readsInput(loop.field("body")) && !item) return bound;
  bound.bound = primarySize(model);
  bound.what = sizeText(bound.bound);
  bound.why = item
                  ? "each pass reads one item of the input; the first size the program reads "
                    "stands for their count"
                  : "nothing it moves names a size; the first size the program reads stands for it";
  bound.assumed = true;
  bound.found = true;
  return bound;
}

bool keptOverRun(const Model& model, const Node& loop, const std::string& name) {
  return keptOverRunBy(model, loop, name, findSymbolAt(model, name, loop));
}

std::string describeBound(const LoopBound& bound) {
  if (!bound.found)
    return "the loop's trip count could not be derived and each pass reads the input; counted "
           "as constant";
  std::string text = "the loop's trip count is not derived from its condition; bounded by " +
                     bound.what + " (" + bound.why + ")";
  if (bound.span == BoundSpan::kEnclosingPasses) text += " over all passes of the enclosing loop";
  if (bound.span == BoundSpan::kProgram) text += " over the whole run";
  return text;
}

}  // namespace quorbel
