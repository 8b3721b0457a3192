#include "estimate/time_cost.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <set>

#include "estimate/c_allocations.h"
#include "estimate/counter_indices.h"
#include "estimate/counter_sums.h"
#include "estimate/library_costs.h"
#include "estimate/mo_helpers.h"
#include "model/call_arity.h"
#include "model/checked_indices.h"
#include "model/early_exits.h"
#include "model/entry_moves.h"
#include "model/entry_points.h"
#include "model/halved_ranges.h"
#include "model/inputs.h"
#include "model/leaving_branches.h"
#include "model/loop_bounds.h"
#include "model/loop_parts.h"
#include "model/loops.h"
#include "model/magnitude.h"
#include "model/member_calls.h"
#include "model/member_inits.h"
#include "model/recursion.h"
#include "model/recursion_guards.h"
#include "model/recursion_measures.h"
#include "model/test_loops.h"
#include "model/types.h"
#include "model/whole_walks.h"

namespace quorbel {

const char* const kUncountedLoopNote =
    "A loop's trip count could not be derived from its condition and updates, so it was "
    "counted as running a constant number of times.";

// Sizes a callee's cost is written in whose arguments carry no size the program reads or names.
constexpr size_t kMaxUnnamedShown = 3;

std::string describeUnnamed(const std::vector<std::string>& unnamed) {
  std::string text =
      "A function's cost depends on a value that could not be named in the "
      "program's sizes, so it was counted as a constant: ";
  for (size_t i = 0; i < unnamed.size() && i < kMaxUnnamedShown; ++i)
    text += (i ? "; " : "") + unnamed[i];
  if (unnamed.size() > kMaxUnnamedShown)
    text += "; and " + std::to_string(unnamed.size() - kMaxUnnamedShown) + " more";
  return text + ".";
}

namespace {

// Entries written into existing slots (cin >> a[i]) are counted apart from pushes.
constexpr const char* kSlotsSuffix = "#slots";

// Deeper syntax only comes from pathological input; the walk stops there.
constexpr int kMaxDepth = 40000;

// s = s + c, s = c + s: a new string built from the old one and assigned back.
bool appendsToItself(const Node& assignment) {
  if (assignment.field("operator").text() != "=") return false;
  const Node left = assignment.field("left");
  const Node right = assignment.field("right");
  if (left.type() != "identifier" || right.type() != "binary_expression" ||
      right.field("operator").text() != "+")
    return false;
  for (const Node side : {right.field("left"), right.field("right")})
    if (side.type() == "identifier" && side.text() == left.text()) return true;
  return false;
}

// Whether some term of `cost` grows with `size`.
bool namesSize(const Cost& cost, const std::string& size) {
  for (const Monomial& term : cost.terms)
    if (term.sizes.count(size)) return true;
  return false;
}

std::string calleeName(const Node& function) {
  std::string name(function.type() == "field_expression" ? function.field("field").text()
                                                         : function.text());
  const size_t angle = name.find('<');
  if (angle != std::string::npos) name = name.substr(0, angle);
  const size_t scope = name.rfind("::");
  return scope == std::string::npos ? name : name.substr(scope + 2);
}

// Answers the walks of one estimate share: each walk asks them again of the same calls, loops
// and functions. Those in `halved` and `kept` read only what the model was built with. A test
// loop reads the members' extents, which the first walk may learn: `testLoops` is emptied when
// it does. `recursion` is filled only by the walks that see the model as it ends.
struct WalkMemo {
  std::map<std::pair<uint32_t, std::string>, std::vector<bool>> halved;  // argument list, callee
  std::map<std::string, bool> kept;  // by function: its memo table is never reset
  TestLoopMemo tests;
  std::map<uint32_t, TestLoop> testLoops;  // by the loop's slot
  bool settled = false;
  std::map<std::string, RecursionFacts> recursion;  // by function
};

class TimeWalker {
 public:
  TimeWalker(Model& model, WalkMemo& memo) : model_(model), memo_(memo) {}

  TimeEstimate run() {
    TimeEstimate estimate;
    // A file of many entries keeps this sum at its cap of terms for every addition.
    RunningSum total;
    auto main = model_.functions.find("main");
    if (main != model_.functions.end()) {
      total.total = constructGlobals(model_.root, 0);
      addToSum(total, summary(main->second));
      addPushes(pushes_["main"], unit());
    } else {
      // A snippet: the functions nothing else calls and the top-level statements, each once.
      for (const std::string& name : findEntryFunctions(model_)) {
        addToSum(total, summary(model_.functions.at(name)));
        addPushes(pushes_[name], unit());
      }
      addToSum(total, walk(model_.root, 0));
    }
    for (const auto& [name, cost] : once_) addToSum(total, cost);
    estimate.total = simplifyCost(total.total);
    estimate.contributions = contributions_;
    estimate.recursionDepths = depths_found_;
    estimate.heapAllocations = heap_;
    estimate.pattern = dominantPattern(estimate.total);
    if (uncounted_) estimate.notes.push_back(kUncountedLoopNote);
    if (!unnamed_.empty()) estimate.notes.push_back(describeUnnamed(unnamed_));
    estimate.assumptions = assumptions_;
    return estimate;
  }

  // Members' extents as the declarations that construct them give them.
  const std::map<std::string, std::vector<Cost>>& constructedMembers() const {
    return constructed_;
  }

  // The largest index used along each extent of each array, for the next pass to read.
  const std::map<std::string, std::vector<Cost>>& filledArrays() const { return filled_; }

  // Container entries pushed over the run, for the next pass to read.
  std::map<std::string, Cost> grownContainers() const {
    std::map<std::string, Cost> grown = local_;
    for (const auto& [name, count] : state_.pushes) grown[name] = addCosts(grown[name], count);
    return grown;
  }

 private:
  struct FunctionState {
    std::vector<EnclosingLoop> frames;
    const Function* function = nullptr;
    Cost amortised;
    std::map<std::string, Cost> pushes;  // entries added to each container per call
    std::vector<LoopVariable> locals;    // scalars bound outside loops: int m = v.size();
  };

  // The function's scalars bound outside loops, then each loop's variable and its locals,
  // outermost first; asked at every call, so built in one copy.
  std::vector<LoopVariable> variablesInScope() const {
    size_t count = state_.locals.size();
    for (const EnclosingLoop& frame : state_.frames) count += 1 + frame.locals.size();
    std::vector<LoopVariable> vars;
    vars.reserve(count);
    vars.insert(vars.end(), state_.locals.begin(), state_.locals.end());
    for (const EnclosingLoop& frame : state_.frames) {
      if (!frame.variable.empty()) vars.push_back({frame.variable, frame.range});
      vars.insert(vars.end(), frame.locals.begin(), frame.locals.end());
    }
    return vars;
  }

  // One unit of work: a statement executed once.
  static Cost unit() { return Cost{{Monomial{}}}; }

  Cost summary(const Function& function) {
    // Keyed by the definition: Graph::solve and Solution::solve are two functions.
    const std::string key = function.name + "@" + std::to_string(function.definition.id());
    auto cached = summaries_.find(key);
    if (cached != summaries_.end()) return cached->second;
    if (inProgress_.count(key)) return constantCost();
    inProgress_.insert(key);
    FunctionState saved = state_;
    state_ = FunctionState{};
    state_.function = &function;
    Cost work = walk(function.body, 0);
    work = addCosts(work, state_.amortised);
    work = addCosts(work, constructMembers(function));
    const RecursionFacts recursion = recursionOf(function);
    // UnionFind(int n) : N(n): the loops bounded by N run as far as n
    Cost total = bindInitialisedMembers(model_, function, recursionCost(recursion, work));
    if (recursion.shape != RecursionShape::kNone) {
      // Each activation pushes what one walk of the body pushes; a container the activation
      // also pops (push, recurse, pop) holds only what the activations on the stack pushed.
      const Cost activations = recursionCost(recursion, unit());
      const Cost depth = recursionDepth(recursion);
      for (auto& entry : state_.pushes) {
        const std::string name = nameOfKey(entry.first);
        const bool undone = popsFrom(function.body, name);
        if (clearedByEachCall(function, name)) continue;  // one activation's share at a time
        // Halving activations push in proportion to their range, so their pushes add up as
        // their work does (one call on half the range: a geometric sum, the first call's).
        const bool halving = recursion.shape == RecursionShape::kHalving;
        const Cost all = halving ? recursionCost(recursion, entry.second)
                                 : multiplyCosts(entry.second, activations);
        // A local of the function is freed when its activation returns: only the activations
        // on the stack hold theirs, and halved ranges on the stack sum to the first one's.
        const Symbol* symbol = entryOfKey(model_, entry.first);
        const bool local = symbol && symbol->scope == function.name && !symbol->isParameter;
        if (local && halving && !isConstantCost(entry.second)) continue;
        entry.second = simplifyCost(undone || local ? multiplyCosts(entry.second, depth) : all);
      }
      contributions_.push_back(
          {function.line, describeRecursion(recursion) + " in " + function.name, total});
      if (!recursion.assumed.empty())
        assumptions_.push_back({function.line, "time", recursion.assumed, recursion.assumedLevel});
      shapes_[function.name] = recursion.shape;
      depths_[function.name] = recursionDepth(recursion);
    }
    // A container local to the function starts empty on every call: what one call adds is
    // its size, and nothing of it reaches the callers. A helper's is told in its callers'
    // sizes where they call it.
    const bool told = isEntryOrMain(function);
    for (auto it = state_.pushes.begin(); it != state_.pushes.end();) {
      const std::string name = nameOfKey(it->first);
      // s.push_back(0) on a parameter taken by value grows the copy, not the caller's s nor
      // another function's container of that name.
      bool copy = false;
      for (size_t k = 0; k < function.parameters.size(); ++k)
        copy = copy || (function.parameters[k] == name && k < function.byReference.size() &&
                        !function.byReference[k]);
      if (copy) {
        it = state_.pushes.erase(it);
        continue;
      }
      const Symbol* symbol = entryOfKey(model_, it->first);
      // A container taken by reference is the caller's: its pushes go back to the call.
      const bool parameter =
          std::count(function.parameters.begin(), function.parameters.end(), name);
      if (symbol && symbol->scope == function.name && !parameter) {
        Cost& held = told ? local_[it->first] : calleeLocals_[function.name][it->first];
        held = addCosts(held, it->second);
        it = state_.pushes.erase(it);
      } else {
        ++it;
      }
    }
    pushes_[function.name] = state_.pushes;
    state_ = saved;
    inProgress_.erase(key);
    summaries_[key] = total;
    return total;
  }

  // What one call of `callee` adds to each container, in the caller's sizes.
  std::map<std::string, Cost> pushesOfCall(const Function& callee, const Node& call,
                                           const std::vector<LoopVariable>& vars) {
    const Node arguments = call.type() == "call_expression" ? call.field("arguments") : call;
    std::map<std::string, Cost> pushes;
    for (const auto& [key, count] : pushes_[callee.name]) {
      // gen(.., out) pushing into its reference parameter out fills the caller's container
      const size_t hash = key.find('#');
      const std::string name = nameOfKey(key);
      std::string into = key;
      for (size_t k = 0; k < callee.parameters.size(); ++k) {
        if (callee.parameters[k] != name || k >= callee.byReference.size() ||
            !callee.byReference[k])
          continue;
        const Node argument = arguments.child(static_cast<uint32_t>(k));
        const Symbol* given = argument.type() == "identifier"
                                  ? findSymbolAt(model_, argument.text(), argument)
                                  : nullptr;
        if (given && given->kind != ContainerKind::kScalar && !given->isParameter)
          into = containerKey(model_, argument.text(), argument) +
                 (hash == std::string::npos ? "" : key.substr(hash));
      }
      pushes[into] = addCosts(pushes[into], substituteArguments(callee, count, call, vars));
    }
    return pushes;
  }

  // A callee's pushes count once per call, so the loops around the call multiply them.
  void addPushes(const std::map<std::string, Cost>& pushes, const Cost& times) {
    for (const auto& [name, count] : pushes)
      state_.pushes[name] =
          addCosts(state_.pushes[name], simplifyCost(multiplyCosts(times, count)));
  }

  Cost multiplier() const {
    Cost product;
    for (const EnclosingLoop& frame : state_.frames) product = multiplyCosts(product, frame.trips);
    return product;
  }

  Cost walk(const Node& node, int depth) {
    if (node.null() || depth > kMaxDepth) return unit();
    const std::string_view type = node.type();
    if (type == "function_definition" || type == "lambda_expression" ||
        type == "struct_specifier" || type == "class_specifier" || type == "template_declaration" ||
        type == "comment" || type == "preproc_include")
      return unit();
    if (isLoopNode(node)) return walkLoop(node, depth);
    if (type == "if_statement" && !state_.frames.empty()) {
      // A check made only on a lookup hit whose success leaves: run in full once per call.
      const Node check = checkedOnHit(node);
      if (!check.null()) {
        state_.amortised = addCosts(state_.amortised, simplifyCost(walk(check, depth + 1)));
        Cost cost =
            addCosts(unit(), walk(unwrap(node.field("condition")).field("left"), depth + 1));
        return addCosts(std::move(cost), walk(node.field("consequence"), depth + 1));
      }
      // A branch that leaves the function when done runs to its end once per call.
      if (leavesAfterLooping(node)) {
        state_.amortised =
            addCosts(state_.amortised, simplifyCost(walk(node.field("consequence"), depth + 1)));
        return addCosts(addCosts(unit(), walk(node.field("condition"), depth + 1)),
                        walk(node.field("alternative"), depth + 1));
      }
    }
    Cost cost = unit();
    // [&] { ... }(): a lambda called where it is written runs its body right here.
    if (type == "call_expression" && node.field("function").type() == "lambda_expression") {
      cost = addCosts(walk(node.field("function").field("body"), depth + 1),
                      walk(node.field("arguments"), depth + 1));
      return cost;
    }
    if (type == "call_expression") {
      cost = walkCall(node);
      recordCAllocation(node);
    }
    if (type == "binary_expression" || type == "assignment_expression")
      cost = addCosts(std::move(cost), walkOperatorCall(node));
    if (type == "parameter_declaration") cost = walkDeclaredCall(node);
    if (type == "new_expression") recordAllocation(node);
    if (type == "binary_expression" || type == "assignment_expression" ||
        type == "update_expression")
      recordStores(node);
    // s = s + c copies s before appending: a copy of what it holds
    if (type == "assignment_expression" && appendsToItself(node)) {
      const Symbol* symbol = findSymbol(model_, node.field("left").text());
      if (symbol && symbol->kind == ContainerKind::kString)
        cost = addCosts(std::move(cost), containerSize(model_, symbol->name, node));
    }
    if (type == "subscript_expression") {
      cost = subscriptCost(model_, node);
      recordFill(node);
    }
    if (type == "init_declarator" || type == "function_declarator") cost = allocationCost(node);
    if (type == "declaration") cost = addCosts(std::move(cost), constructorCost(node));
    if (type == "init_declarator") bindLocal(node);
    const uint32_t count = node.childCount();
    for (uint32_t i = 0; i < count; ++i)
      cost = addCosts(std::move(cost), walk(node.child(i), depth + 1));
    if (type == "init_declarator") recordReturned(node.field("declarator"), node.field("value"));
    if (type == "assignment_expression" && node.field("operator").text() == "=" &&
        node.field("left").type() == "identifier")
      recordReturned(node.field("left"), node.field("right"));
    return cost;
  }

  // vector<ll> L = allSums(0, n / 2): L holds what the helper's returned local received in
  // that call, told in this call's arguments.
  void recordReturned(const Node& target, const Node& value) {
    const std::string name = declaredName(target);
    if (name.empty() || value.null() || value.type() != "call_expression") return;
    const Symbol* symbol = findSymbolAt(model_, name, target);
    if (!symbol || symbol->kind == ContainerKind::kScalar) return;
    const Function* callee = userFunction(value);
    if (!callee || callee->body.null() || (state_.function && callee == state_.function)) return;
    auto locals = calleeLocals_.find(callee->name);
    if (locals == calleeLocals_.end()) return;
    Cost received;
    visitNodes(callee->body, [&](const Node& n) {
      if (n.type() == "lambda_expression") return false;
      if (n.type() == "return_statement" && n.childCount() > 0 &&
          n.child(0).type() == "identifier") {
        auto held = locals->second.find(containerKey(model_, n.child(0).text(), n.child(0)));
        if (held != locals->second.end()) received = addCosts(received, held->second);
      }
      return true;
    });
    if (isConstantCost(received)) return;
    const Cost size =
        simplifyCost(substituteArguments(*callee, received, value, variablesInScope()));
    const std::string key = containerKey(model_, name, target);
    state_.pushes[key] = addCosts(state_.pushes[key], size);
  }

  // a * b, p *= q with a of the program's type Matrix: a call of the operator Matrix defines,
  // priced by its body (a member, or a free function whose first parameter is of that type).
  Cost walkOperatorCall(const Node& expression) {
    const std::string op(expression.field("operator").text());
    if (op == "=" || op == "<<" || op == ">>") return constantCost();
    const Node left = unwrap(expression.field("left"));
    if (left.type() != "identifier" && left.type() != "subscript_expression" &&
        left.type() != "field_expression")
      return constantCost();
    const std::string name = containerName(left);
    const Symbol* symbol = name.empty() ? nullptr : findSymbolAt(model_, name, left);
    if (!symbol || symbol->typeText.empty() || symbol->typeText == "auto") return constantCost();
    const Function* callee = memberOfType(model_, symbol->typeText, "operator" + op);
    // p *= q without an operator*= of its own: written through operator*
    if (!callee && expression.type() == "assignment_expression")
      callee = memberOfType(model_, symbol->typeText, "operator" + op.substr(0, op.size() - 1));
    if (!callee) {
      auto free = model_.functions.find("operator" + op);
      if (free != model_.functions.end() && !free->second.parameterTypes.empty() &&
          !ownerOf(free->second).size() &&
          free->second.parameterTypes.front().find(baseTypeName(symbol->typeText)) !=
              std::string::npos)
        callee = &free->second;
    }
    if (!callee || (state_.function && callee->definition == state_.function->definition))
      return constantCost();
    const Cost cost = summary(*callee);
    if (!isConstantCost(cost))
      contributions_.push_back({expression.line(), "call to " + callee->name,
                                simplifyCost(multiplyCosts(multiplier(), cost))});
    return cost;
  }

  // Ranks r(build(s)) in a block parses build(s) as a parameter of a function type; it is a
  // call of the program's build all the same.
  Cost walkDeclaredCall(const Node& parameter) {
    const Node arguments = callArgumentsOf(parameter);
    if (arguments.null()) return constantCost();
    const Node list = parameter.parent();
    const Node declared = list.parent();
    if (declared.type() != "function_declarator" || declared.parent().type() != "declaration" ||
        declared.parent().parent().type() != "compound_statement")
      return constantCost();
    auto found = model_.functions.find(typeAsCallee(parameter.field("type")));
    if (found == model_.functions.end()) return constantCost();
    const Function& callee = found->second;
    if (state_.function && callee.definition == state_.function->definition) return constantCost();
    const std::vector<LoopVariable> vars = variablesInScope();
    const Cost cost = substituteArguments(callee, summary(callee), arguments, vars, kTimeOfCall);
    addPushes(pushesOfCall(callee, arguments, vars), multiplier());
    if (!isConstantCost(cost))
      contributions_.push_back({parameter.line(), "call to " + callee.name,
                                simplifyCost(multiplyCosts(multiplier(), cost))});
    return cost;
  }

  // int r = l + len - 1; inside a loop: r ranges as far as the loop variables it is made of.
  void bindLocal(const Node& declarator) {
    const Node value = declarator.field("value");
    const std::string name = declaredName(declarator);
    const Symbol* symbol = findSymbol(model_, name);
    if (value.null() || name.empty() || !symbol || symbol->kind != ContainerKind::kScalar ||
        symbol->fromInput)
      return;
    const Cost magnitude = magnitudeOf(model_, value, variablesInScope());
    if (isConstantCost(magnitude)) return;
    if (state_.frames.empty())
      state_.locals.push_back({name, magnitude});
    else
      state_.frames.back().locals.push_back({name, magnitude});
  }

  // SA<string> -> SA: the name a constructor of the type is known by.
  static std::string baseTypeName(std::string_view type) {
    return std::string(type.substr(0, type.find('<')));
  }

  // Members sized in the constructor's parameters take this object's arguments.
  void sizeMembers(const Function& constructor, const Node& arguments,
                   const std::vector<LoopVariable>& vars) {
    for (const std::string& parameter : constructor.parameters)
      for (auto& [name, symbol] : model_.symbols) {
        if (symbol.dimensions.empty() || symbol.scope != "" || symbol.isParameter) continue;
        bool mentions = false;
        for (const Cost& extent : symbol.dimensions)
          for (const std::string& size : sizesOf(extent))
            mentions = mentions || size == parameter || size == "|" + parameter + "|";
        if (!mentions) continue;
        std::vector<Cost> sized;
        for (const Cost& extent : symbol.dimensions)
          sized.push_back(simplifyCost(substituteArguments(constructor, extent, arguments, vars)));
        constructed_[name] = sized;
      }
  }

  // Ranked r(a); SegTree st(n); Fenwick f{n}: the constructor runs with the declaration's
  // arguments in place of its parameters.
  Cost constructorCost(const Node& declaration) {
    const std::string type = baseTypeName(declaration.field("type").text());
    auto found = model_.functions.find(type);
    if (found == model_.functions.end() || found->second.isLambda) return constantCost();
    const Function& constructor = found->second;
    Cost total;
    for (const Node& d : childrenOf(declaration)) {
      Node arguments;
      if (d.type() == "init_declarator") arguments = d.field("value");
      if (d.type() == "function_declarator") arguments = d.field("parameters");
      if (d.type() == "identifier" && constructor.parameters.empty()) arguments = d;
      if (arguments.null()) continue;
      const std::vector<LoopVariable> vars = variablesInScope();
      const Cost cost =
          substituteArguments(constructor, summary(constructor), arguments, vars, kTimeOfCall);
      sizeMembers(constructor, arguments, vars);
      addPushes(pushesOfCall(constructor, arguments, vars), multiplier());
      if (!isConstantCost(cost))
        contributions_.push_back({declaration.line(), "constructor of " + constructor.name,
                                  simplifyCost(multiplyCosts(multiplier(), cost))});
      total = addCosts(total, cost);
    }
    return total;
  }

  // vector<int> seen(MX) at namespace scope is filled before main runs, as a local one is
  // where it is declared.
  Cost constructGlobals(const Node& scope, int depth) {
    Cost total;
    if (depth > 8) return total;
    for (const Node& n : childrenOf(scope)) {
      const std::string_view type = n.type();
      if (type == "namespace_definition" || type == "linkage_specification") {
        total = addCosts(total, constructGlobals(n.field("body"), depth + 1));
        continue;
      }
      if (type != "declaration") continue;
      for (const Node& d : childrenOf(n))
        if (d.type() == "init_declarator" || d.type() == "function_declarator")
          total = addCosts(total, allocationCost(d));
    }
    return total;
  }

  // vector<int> a(n) fills n entries.
  Cost allocationCost(const Node& declarator) {
    const bool constructed = declarator.type() == "function_declarator";
    const Node value = declarator.field(constructed ? "parameters" : "value");
    if (value.null() || (value.type() != "argument_list" && !constructed)) return constantCost();
    if (constructed && declarator.parent().type() != "declaration") return constantCost();
    const Symbol* symbol = findSymbolAt(model_, declaredName(declarator), declarator);
    if (!symbol || symbol->kind == ContainerKind::kScalar) return constantCost();
    // bitset<32> b(mask): the argument is the bits' value; the template counts them
    if (symbol->kind == ContainerKind::kBitset) return containerSizeOf(model_, *symbol);
    // SA<string> sa(s, build(s)) where a member elsewhere is `vector<int> sa`: the name found
    // belongs to another declaration, and this one's constructor is priced as a call.
    const Node declaration = declarator.parent();
    if (declaration.type() == "declaration" &&
        model_.functions.count(baseTypeName(declaration.field("type").text())))
      return constantCost();
    return constructedEntries(value);
  }

  // The entries `vector<int>(n, vector<int>(m))`-style arguments fill: n * m.
  Cost constructedEntries(const Node& arguments) {
    Cost size;
    const std::vector<LoopVariable> vars = variablesInScope();
    Node current = arguments;
    for (int guard = 0; guard < 4 && current.childCount() > 0; ++guard) {
      size = multiplyCosts(size.terms.empty() ? Cost{{Monomial{}}} : size,
                           magnitudeOf(model_, current.child(0), vars));
      current = constructorArguments(current.child(1));
      if (current.null()) break;
    }
    return simplifyCost(size);
  }

  // S(int n) : a(n, -1), g(n) {}: the constructor fills its member containers before its body.
  Cost constructMembers(const Function& function) {
    Cost total;
    const Node list = findDescendant(function.definition, {"field_initializer_list"});
    if (list.null() || !(list.parent() == function.definition)) return total;
    for (const Node& initialiser : childrenOf(list)) {
      const Node arguments = initialiser.type() == "field_initializer"
                                 ? findDescendant(initialiser, {"argument_list"})
                                 : Node{};
      const Node member = childrenOf(initialiser).empty() ? Node{} : initialiser.child(0);
      if (arguments.null() || member.null()) continue;
      const Symbol* symbol = findSymbolAt(model_, member.text(), member);
      if (!symbol || symbol->kind == ContainerKind::kScalar ||
          symbol->kind == ContainerKind::kStructure)
        continue;
      total = addCosts(total, constructedEntries(arguments));
    }
    return total;
  }

  Cost walkLoop(const Node& loop, int depth) {
    LoopFacts facts = loopFactsOf(model_, loop, state_.frames, state_.locals);
    TestLoop test = testLoopAt(loop);
    if (test.found) priceTests(test, facts);
    // A count no rule derives is bounded by what the loop moves or reads, and says so.
    LoopBound bounded;
    // A helper's pointer or stack counter kept from call to call moves across its range once
    // over the run, whichever call moves it: the range, charged once.
    if (facts.step == StepKind::kCounted && loop.type() == "while_statement" &&
        !facts.variable.empty() && state_.function && !isEntryOrMain(*state_.function) &&
        keptOverRun(model_, loop, facts.variable)) {
      bounded = boundByWhatMoves(model_, loop, state_.frames, variablesInScope());
      if (bounded.found && !bounded.assumed && bounded.span == BoundSpan::kProgram)
        facts.trips = bounded.bound;
      else
        bounded = LoopBound{};
    }
    if (facts.step == StepKind::kUnknown) {
      bounded = boundByWhatMoves(model_, loop, state_.frames, variablesInScope());
      uncounted_ = uncounted_ || !bounded.found;
      assumptions_.push_back({loop.line(), "time", describeBound(bounded),
                              bounded.found && !bounded.assumed ? "medium" : "low"});
      facts.trips = bounded.found ? bounded.bound : constantCost();
      if (bounded.span == BoundSpan::kEnclosingPasses && !state_.frames.empty())
        facts.trips = divideCosts(facts.trips, state_.frames.back().trips);
    }
    const bool sharedOut = walksAmortisedFill(loop);
    if (sharedOut) facts.trips = divideCosts(facts.trips, state_.frames.back().trips);
    const bool overRun = facts.overRun || (bounded.found && bounded.span == BoundSpan::kProgram);
    Cost range = facts.range;
    if (isConstantCost(range)) range = facts.trips;
    // A pass of a test loop whose sizes are summed is charged as if it saw all the items.
    const bool summed =
        test.found && (test.pricing == TestPricing::kSummed ||
                       (test.pricing == TestPricing::kSplit && !test.sizes.empty()));
    // A loop charged once over the run adds its body's pushes once per call, as it is priced.
    state_.frames.push_back(
        {loop, facts.variable, range, summed || overRun ? unit() : facts.trips, {}});
    if (test.found) ++testDepth_;
    if (summed) testFrames_[loop.id()] = test;
    if (test.found) testLoops_.insert(loop.id());
    Cost body = walk(loop.field("body"), depth + 1);
    body = addCosts(std::move(body), walk(loop.field("condition"), depth + 1));
    body = addCosts(std::move(body), walk(loop.field("update"), depth + 1));
    if (loop.type() == "for_range_loop")
      body = addCosts(std::move(body), walk(loop.field("right"), depth + 1));
    state_.frames.pop_back();
    if (test.found) --testDepth_;
    Cost total = test.found ? splitTestCost(test, body)
                            : multiplyCosts(facts.trips.terms.empty() ? unit() : facts.trips, body);
    // Pops of a container that outlives every call: all runs together pop what was pushed.
    if (overRun) {
      const std::string key = "loop at line " + std::to_string(loop.line());
      once_[key] = simplifyCost(total);
      total = unit();
    }
    // An amortised loop is worth a row even when its share per pass is constant: its total
    // over the enclosing loops is what it contributes.
    const bool amortised =
        facts.step == StepKind::kTwoPointer || facts.step == StepKind::kStackPops ||
        facts.step == StepKind::kAdjacency || facts.step == StepKind::kBalancing ||
        facts.step == StepKind::kGrowth || facts.step == StepKind::kDoubling || sharedOut ||
        (bounded.found && bounded.span != BoundSpan::kRun);
    if (!isConstantCost(facts.trips) || (amortised && !state_.frames.empty()))
      contributions_.push_back(
          {facts.line, describeLoop(facts, loop),
           simplifyCost(multiplyCosts(multiplier(), multiplyCosts(facts.trips, unit())))});
    return addCosts(total, unit());
  }

  // for (v) { path.clear(); dfs(v); for (x : path) ... }: a container emptied in each pass and
  // filled there by a traversal charged once over the passes holds, over all of them, what the
  // traversal visits once; a walk over it costs that total spread over the passes.
  bool walksAmortisedFill(const Node& loop) {
    if (state_.frames.empty()) return false;
    const EnclosingLoop& pass = state_.frames.back();
    auto fills = amortisedFills_.find(pass.node.id());
    if (fills == amortisedFills_.end()) return false;
    const std::string walked = containerWalkedWhole(model_, loop);
    if (walked.empty() || !fills->second.count(containerKey(model_, walked, loop))) return false;
    const Symbol* symbol = findSymbolAt(model_, walked, loop);
    const bool declared = symbol && symbol->scopeStart >= ts_node_start_byte(pass.node.raw) &&
                          symbol->scopeEnd <= ts_node_end_byte(pass.node.raw);
    return declared || clearedIn(pass.node, walked);
  }

  TestLoop testLoopAt(const Node& loop) {
    if (loop.table == nullptr) return testLoopOf(model_, loop, &memo_.tests);
    auto known = memo_.testLoops.find(loop.slot);
    if (known == memo_.testLoops.end())
      known = memo_.testLoops.emplace(loop.slot, testLoopOf(model_, loop, &memo_.tests)).first;
    return known->second;
  }

  RecursionFacts recursionOf(const Function& function) {
    if (!memo_.settled) return recursionFactsOf(model_, function);
    auto known = memo_.recursion.find(function.name);
    if (known == memo_.recursion.end())
      known = memo_.recursion.emplace(function.name, recursionFactsOf(model_, function)).first;
    return known->second;
  }

  // The outermost test loop follows the comments (or their absence); loops inside it split
  // their passes by test sizes. The walk that states the other assumption flips the first.
  void priceTests(TestLoop& test, LoopFacts& facts) {
    if (testDepth_ > 0 && test.pricing == TestPricing::kSummed) test.pricing = TestPricing::kSplit;
    const bool first = testDepth_ == 0 && tests_.empty();
    if (first && flipTests_)
      test.pricing =
          test.pricing == TestPricing::kMultiply ? TestPricing::kSummed : TestPricing::kMultiply;
    if (first) tests_.push_back({facts.line, test});
    facts.step = StepKind::kTestCases;
    facts.trips = sizeCost(test.count);
  }

  const Function* userFunction(const Node& call) {
    const Node function = call.field("function");
    const std::string name = calleeName(function);
    if (function.type() == "field_expression") {
      // seg[c].update(..), it->add(..): a member of the element's type.
      if (const Function* member = memberCalledThrough(model_, call)) return member;
      // t.query(...) where a member elsewhere is also named t: the object in scope here
      const Node argument = function.field("argument");
      const Symbol* object = findSymbolAt(model_, containerName(argument), argument);
      // hld.query(..) beside a Segtree::query: the member of the object's own type
      if (object && argument.type() == "identifier")
        if (const Function* own = memberOfType(model_, object->typeText, name)) return own;
      if (object && object->kind != ContainerKind::kScalar && !object->typeText.empty() &&
          model_.functions.count(name) == 0)
        return nullptr;
      if (object && object->kind != ContainerKind::kScalar) return nullptr;
    }
    auto found = model_.functions.find(name);
    if (found == model_.functions.end() || !mayCall(call, found->second)) return nullptr;
    return &found->second;
  }

  Cost walkCall(const Node& call) {
    const Function* callee = userFunction(call);
    const std::vector<LoopVariable> vars = variablesInScope();
    if (!callee) {
      recordPushes(call);
      recordRows(call);
      recordScanned(call);
      LibraryCost library = libraryCallCost(model_, call, vars);
      // ranges::lower_bound(views::iota(lo, hi), true, {}, [&](auto x) { ...n... }): the
      // algorithm calls a lambda it is handed about as often as its own cost says.
      if (library.known) {
        Cost handed;
        for (const Node& argument : childrenOf(call.field("arguments")))
          if (argument.type() == "lambda_expression")
            handed = addCosts(handed, walk(argument.field("body"), 1));
        handed = simplifyCost(handed);
        if (!handed.terms.empty() && !isConstantCost(handed))
          library.cost =
              multiplyCosts(isConstantCost(library.cost) ? unit() : library.cost, handed);
      }
      if (library.known && !isConstantCost(library.cost))
        contributions_.push_back(
            {call.line(), library.what, simplifyCost(multiplyCosts(multiplier(), library.cost))});
      return library.cost;
    }
    if (state_.function && callee->definition == state_.function->definition) return constantCost();
    // vector<Seg> t(k, Seg(n)): the elements' members take the sizes of the constructor call.
    if (ownerOf(*callee) == callee->name) sizeMembers(*callee, call.field("arguments"), vars);
    Cost cost = substituteArguments(*callee, summary(*callee), call, vars, kTimeOfCall);
    // a helper moving a window's kept ends to each query of a block-sorted list: Mo's walk in
    // place of each call's distance to its arguments
    if (!state_.frames.empty())
      if (const std::vector<std::string> targets = pointerTargets(model_, *callee);
          !targets.empty())
        if (const Cost walk = moWalkPerPass(model_, state_.frames.back(), call);
            !walk.terms.empty()) {
          Cost own = summary(*callee);
          for (const std::string& target : targets)
            own = substituteSize(own, target, constantCost());
          cost = addCosts(substituteArguments(*callee, own, call, vars), walk);
        }
    recordStack(*callee, call, vars);
    recordCalleeLocals(*callee, call, vars);
    // A memo kept across the loop's passes computes each state once, whichever pass asks.
    auto shape = shapes_.find(callee->name);
    const bool memoised = shape != shapes_.end() && shape->second == RecursionShape::kMemoised;
    // A global memo table nothing clears fills once over the whole run, whoever asks and
    // however often: every test of a test loop shares it.
    if (memoised && !state_.frames.empty() && keptForTheRun(*callee)) {
      once_[callee->name] = addCosts(once_[callee->name], cost);
      return constantCost();
    }
    // A traversal guarding itself by a mark or memo (if (dp[v] != -1) return dp[v]) returns at
    // once from a vertex seen before, wherever it is called from.
    const bool selfGuarded = shape != shapes_.end() &&
                             shape->second == RecursionShape::kTraversal &&
                             !recursionOf(*callee).table.empty();
    if (!state_.frames.empty() && isTraversal(*callee) &&
        (guardedByMark(call) || memoised || selfGuarded) && !resetsInLoop(*callee)) {
      // Each vertex is visited once over the whole loop: charge the traversal once.
      state_.amortised = addCosts(state_.amortised, cost);
      const std::map<std::string, Cost> pushes = pushesOfCall(*callee, call, vars);
      for (const auto& entry : pushes)
        amortisedFills_[state_.frames.back().node.id()].insert(entry.first);
      addPushes(pushes, unit());
      return constantCost();
    }
    addCallPushes(pushesOfCall(*callee, call, vars));
    if (!isConstantCost(cost))
      contributions_.push_back({call.line(), "call to " + callee->name,
                                simplifyCost(multiplyCosts(multiplier(), cost))});
    return cost;
  }

  // The stack a call holds: the callee's own recursion and the deepest stack its body's calls
  // hold, in the caller's sizes. A helper's stack is told where its caller calls it, so no
  // parameter of the helper reaches the total (lcm(a, b) calling gcd(a, b) from main).
  void recordStack(const Function& callee, const Node& call,
                   const std::vector<LoopVariable>& vars) {
    Cost stack = calleeStacks_[callee.name];
    auto depth = depths_.find(callee.name);
    if (depth != depths_.end()) stack = addCosts(stack, depth->second);
    if (isConstantCost(stack)) return;
    const Cost held = simplifyCost(substituteArguments(callee, stack, call, vars));
    if (state_.function && !isEntryOrMain(*state_.function)) {
      Cost& deepest = calleeStacks_[state_.function->name];
      deepest = simplifyCost(addCosts(deepest, held));
      return;
    }
    const std::string what = depth != depths_.end() ? "Recursion stack of " + callee.name
                                                    : "Recursion stack under " + callee.name;
    depths_found_.push_back({call.line(), what, held});
  }

  // The size a helper's local containers reach and the indices it writes, in the sizes of
  // the caller that calls it.
  void recordCalleeLocals(const Function& callee, const Node& call,
                          const std::vector<LoopVariable>& vars) {
    const bool told = !state_.function || isEntryOrMain(*state_.function);
    for (const auto& [name, size] : calleeLocals_[callee.name]) {
      const Cost reached = simplifyCost(substituteArguments(callee, size, call, vars));
      Cost& held = told ? local_[name] : calleeLocals_[state_.function->name][name];
      held = addCosts(held, reached);
    }
    for (const auto& [name, extents] : calleeFills_[callee.name]) {
      std::vector<Cost>& filled = told ? filled_[name] : calleeFills_[state_.function->name][name];
      if (filled.size() < extents.size()) filled.resize(extents.size());
      for (size_t k = 0; k < extents.size(); ++k)
        filled[k] = addCosts(filled[k], substituteArguments(callee, extents[k], call, vars));
    }
  }

  bool isEntryOrMain(const Function& function) {
    return function.name == "main" || isEntry(function);
  }

  bool isEntry(const Function& function) {
    if (!entries_) {
      entries_.emplace();
      if (!model_.functions.count("main"))
        for (const std::string& name : findEntryFunctions(model_)) entries_->insert(name);
    }
    return entries_->count(function.name) > 0;
  }

  bool isTraversal(const Function& function) {
    auto shape = shapes_.find(function.name);
    if (shape != shapes_.end() &&
        (shape->second == RecursionShape::kTraversal || shape->second == RecursionShape::kMemoised))
      return true;
    // A BFS: a queue-driven loop over an adjacency list or grid.
    auto known = queueDriven_.find(function.name);
    if (known != queueDriven_.end()) return known->second;
    bool queue = false;
    visitNodes(function.body, [&](const Node& n) {
      if (queue) return false;
      if (n.type() == "while_statement" &&
          n.field("condition").text().find("empty") != std::string_view::npos &&
          loopFactsOf(model_, n, {}).step == StepKind::kQueue)
        queue = true;
      return !queue;
    });
    queueDriven_[function.name] = queue;
    // int explore(int s) { return bfs(s); }: a function with no loop of its own that runs a
    // traversal is one, whatever else it does once.
    if (!queue) queue = queueDriven_[function.name] = wrapsTraversal(function);
    return queue;
  }

  bool wrapsTraversal(const Function& function) {
    bool loops = false, traverses = false;
    visitNodes(function.body, [&](const Node& n) {
      if (loops || n.type() == "lambda_expression") return false;
      if (isLoopNode(n)) loops = true;
      if (n.type() == "call_expression" && !loops) {
        const Function* callee = userFunction(n);
        if (callee && callee != &function && !callee->body.null() && isTraversal(*callee))
          traverses = true;
      }
      return !loops;
    });
    // memset(vis, 0, sizeof vis); dfs(u);: marks started over in every call visit again
    return traverses && !loops && !reinitialisesMarks(function.body);
  }

  // if (!vis[i]) dfs(i); if (col[i] == -1 && !dfs(i, 0)): a call made only for unmarked
  // vertices, so the traversals of one loop share their marks.
  bool guardedByMark(const Node& call) {
    const Node loop = state_.frames.back().node;
    for (Node n = call.parent(); !n.null() && !(n == loop); n = n.parent()) {
      if (n.type() == "if_statement" || n.type() == "binary_expression") {
        const Node condition = n.type() == "if_statement" ? n.field("condition") : n;
        if (!findDescendant(condition, {"subscript_expression"}).null()) return true;
      }
    }
    // for (...) { if (seen[i]) continue; ... bfs(i); }
    bool skips = false;
    visitNodes(loop.field("body"), [&](const Node& n) {
      if (skips) return false;
      if (n.type() == "if_statement" &&
          !findDescendant(n.field("condition"), {"subscript_expression"}).null() &&
          !findDescendant(n.field("consequence"), {"continue_statement"}).null())
        skips = true;
      return !skips;
    });
    return skips;
  }

  bool keptForTheRun(const Function& function) {
    auto known = memo_.kept.find(function.name);
    if (known == memo_.kept.end())
      known = memo_.kept.emplace(function.name, tableKeptForTheRun(function)).first;
    return known->second;
  }

  bool tableKeptForTheRun(const Function& function) {
    const std::string table = memoTableOf(function);
    const Symbol* symbol = findSymbol(model_, table);
    const Symbol* seen = declarationAt(model_, table, function.body);
    if (seen) symbol = seen;
    if (table.empty() || !symbol || !symbol->scope.empty() || symbol->isParameter) return false;
    bool reset = false;
    visitNodes(model_.root, [&](const Node& n) {
      if (reset) return false;
      if (n.type() == "call_expression") {
        const std::string name = calleeName(n.field("function"));
        const Node f = n.field("function");
        const bool named =
            (f.type() == "field_expression" && containerName(f.field("argument")) == table) ||
            mentionsIdentifier(n.field("arguments"), table);
        if (named && (name == "memset" || name == "fill" || name == "assign" || name == "clear" ||
                      name == "fill_n" || name == "resize"))
          reset = true;
      }
      return !reset;
    });
    return !reset;
  }

  // True when the innermost loop's body resets a table the callee indexes (its marks or memo):
  // a traversal or memo cleared between passes runs again. A list it only fills is no mark.
  bool resetsInLoop(const Function& callee) {
    auto known = indexed_.find(callee.name);
    if (known == indexed_.end()) {
      known = indexed_.emplace(callee.name, std::set<std::string>{}).first;
      visitNodes(callee.body, [&](const Node& n) {
        if (n.type() == "subscript_expression") known->second.insert(containerName(n));
        return true;
      });
    }
    const std::set<std::string>& indexed = known->second;
    const Node body = state_.frames.back().node.field("body");
    bool reset = false;
    visitNodes(body, [&](const Node& n) {
      if (reset) return false;
      if (n.type() == "call_expression") {
        const std::string name = calleeName(n.field("function"));
        const Node f = n.field("function");
        bool named =
            f.type() == "field_expression" && indexed.count(containerName(f.field("argument"))) > 0;
        for (const std::string& table : indexed)
          named = named || mentionsIdentifier(n.field("arguments"), table);
        if (named && (name == "memset" || name == "fill" || name == "assign" || name == "clear"))
          reset = true;
      }
      return !reset;
    });
    return reset;
  }

  // f(k + 1) where f costs O(x): the argument's value is neither a constant nor a size the model
  // can name, so x becomes O(1); the note says so rather than leave it unsaid.
  void noteIfUnnamed(const Function& callee, const std::string& key, const Node& argument,
                     const Cost& summaryCost, const Cost& value) {
    if (argument.null() || !isConstantCost(value)) return;
    const std::vector<std::string> sizes = sizesOf(simplifyCost(summaryCost));
    if (std::find(sizes.begin(), sizes.end(), key) == sizes.end()) return;
    if (evaluateConstant(model_, argument)) return;  // f(5): a constant indeed
    const std::string what = callee.name + "'s " + key;
    for (const std::string& seen : unnamed_)
      if (seen.rfind(what + " ", 0) == 0) return;
    std::string given(argument.text());
    if (given.size() > 40) given = given.substr(0, 37) + "...";
    unnamed_.push_back(what + " at line " + std::to_string(argument.line()) + " (" + given + ")");
    assumptions_.push_back(
        {argument.line(), "time",
         what + " is " + given + ", which names no size the program reads; counted as constant",
         "low"});
  }

  // What a call costs, as against what it pushes, returns or fills: only a cost left unnamed is
  // told in the notes.
  static constexpr bool kTimeOfCall = true;

  std::vector<bool> halvedArguments(const Function& callee, const Node& arguments) {
    if (arguments.table == nullptr) return halvedRanges(model_, callee, childrenOf(arguments));
    const auto key = std::make_pair(arguments.slot, callee.name);
    auto known = memo_.halved.find(key);
    if (known == memo_.halved.end())
      known = memo_.halved.emplace(key, halvedRanges(model_, callee, childrenOf(arguments))).first;
    return known->second;
  }

  Cost substituteArguments(const Function& callee, const Cost& summaryCost, const Node& call,
                           const std::vector<LoopVariable>& vars, bool timeOfCall = false) {
    // A call's arguments, or a declaration's: `Seg st(n)` may parse as `n` naming a type.
    const Node arguments = call.type() == "call_expression" ? call.field("arguments") : call;
    Cost cost = summaryCost;
    // A replacement leaves the cost's terms merged and in order; once they are, replacing a
    // size no term names changes nothing, and what would replace it is not worked out.
    bool merged = false;
    const auto replace = [&](const std::string& size, const auto& by) {
      if (merged && !namesSize(cost, size)) return;
      cost = substituteSize(cost, size, by());
      merged = true;
    };
    std::vector<std::pair<std::string, Cost>> replacements;
    const std::vector<bool> halved = halvedArguments(callee, arguments);
    for (size_t i = 0; i < callee.parameters.size(); ++i) {
      const std::string& parameter = callee.parameters[i];
      if (parameter.empty()) continue;
      Node argument = arguments.child(static_cast<uint32_t>(i));
      // Seg st(n) parses n as a type; S obj(build(s)) parses build(s) as one, which stays a call.
      if (argument.type() == "parameter_declaration" &&
          argument.field("declarator").type() != "abstract_function_declarator")
        argument = argument.field("type");
      // A parameter the call leaves out takes its default: sa_is(s) with int B = 200.
      const bool defaulted =
          argument.null() && i < callee.defaults.size() && !callee.defaults[i].null();
      if (defaulted) argument = callee.defaults[i];
      if (!argument.null()) argument = passedThrough(argument);
      const std::string name = containerName(argument);
      const Symbol* symbol = findSymbol(model_, name);
      // A string parameter's size is written |s|.
      const Symbol* own = findSymbol(model_, parameter);
      const std::string key = own && own->isParameter && own->kind == ContainerKind::kString
                                  ? "|" + parameter + "|"
                                  : parameter;
      // go(k) for k = 1, 2, ..., n (or n down to 1) costing X / k each: the calls sum to X log n
      if (timeOfCall && !argument.null() && countsUpByOne(model_, argument, state_.frames))
        cost = summedOverCounter(
            cost, key, calledForDivisors(call, *frameOf(state_.frames, unwrap(argument).text())));
      // go(k) for k from m up: X / k is at most X / m
      else if (const Node from =
                   timeOfCall && !argument.null() ? counterStart(argument, state_.frames) : Node{};
               !from.null() && !isConstantCost(magnitudeOf(model_, from, vars)))
        cost = reciprocalAtLeast(cost, key, magnitudeOf(model_, from, vars));
      // go(a[i]), go(k) counting down from n: the value is only bounded above; no division
      else if (timeOfCall && !argument.null() && boundedAboveOnly(argument, state_.frames))
        cost = withoutReciprocal(cost, key);
      const std::string placeholder = "\x01" + std::to_string(i);
      replace(key, [&] { return sizeCost(placeholder); });
      const bool named = namesSize(cost, placeholder);
      if (named || timeOfCall) {
        Cost value;
        if (symbol && symbol->kind != ContainerKind::kScalar && argument.type() == "identifier")
          value = containerSize(model_, name, argument);
        else if (const Symbol* table = rowPassed(callee, parameter, argument))
          value = rowLength(model_, *table);  // f(a[j]) with a a table of rows: one row
        else
          value = magnitudeOf(model_, argument, vars);
        if (argument.null() && model_.symbols.count(parameter)) value = sizeCost(parameter);
        // A program that reads nothing is a harness for its functions: the data it passes is
        // one example, and the functions' costs stand in their own parameters.
        if (readsNothing_ && isConstantCost(value) && !argument.null() && isInMain(call) &&
            !evaluateConstant(model_, argument)) {
          const bool container = own && own->isParameter && own->kind != ContainerKind::kScalar;
          value = sizeCost(container && key == parameter ? "|" + parameter + "|" : key);
        }
        if (timeOfCall) noteIfUnnamed(callee, key, argument, summaryCost, value);
        // gen(0, n / 2): half the items under the exponent, 2^(n/2)
        if (named && i < halved.size() && halved[i]) cost = halveExponentials(cost, placeholder);
        if (named) replacements.push_back({placeholder, value});
      }
      replace(parameter + "#edges", [&] { return symbol ? edgeCount(model_, name) : Cost{}; });
      replace(parameter + "#rows", [&] {
        if (!symbol) return sizeCost(parameter);
        // Mat r = {{1, 0}, {0, 1}} passed on: as many rows as its list holds while nothing adds
        // rows. (A program that reads nothing passes examples: its lists stand for any size.)
        if (!readsNothing_ && listsItsEntries(*symbol) && isConstantCost(symbol->elements))
          return constantCost();
        return vertexCount(model_, name);
      });
      replace(parameter + "#row",
              [&] { return symbol ? rowLength(model_, *symbol) : sizeCost(parameter + "#row"); });
    }
    for (const auto& [placeholder, value] : replacements)
      cost = substituteSize(cost, placeholder, value);
    return cost;
  }

  // The table of rows whose row `argument` (a[j]) is, when the callee's `parameter` is a
  // container; each name looked up in its own scope, as the caller's a and the callee's a
  // may be two containers.
  const Symbol* rowPassed(const Function& callee, const std::string& parameter,
                          const Node& argument) const {
    const Node row = unwrap(argument);
    if (row.type() != "subscript_expression" || callee.body.null()) return nullptr;
    const Symbol* own = findSymbolAt(model_, parameter, callee.body);
    if (!own || !own->isParameter || own->kind == ContainerKind::kScalar) return nullptr;
    const Symbol* table = findSymbolAt(model_, containerName(row), row);
    return table && table->nestedContainer ? table : nullptr;
  }

  bool isInMain(const Node& node) const {
    auto main = model_.functions.find("main");
    if (main == model_.functions.end() || main->second.body.null()) return false;
    const Node& body = main->second.body;
    return ts_node_start_byte(node.raw) >= ts_node_start_byte(body.raw) &&
           ts_node_end_byte(node.raw) <= ts_node_end_byte(body.raw);
  }

  // data[s] = vector<int>(n) for every level s of a sparse table: each row assigned holds
  // what it was built with, once per pass of the loops around.
  void recordRow(const Node& assignment, const Symbol* symbol) {
    if (!symbol || !symbol->nestedContainer || assignment.field("operator").text() != "=") return;
    const Node value = unwrap(assignment.field("right"));
    if (value.type() != "call_expression") return;
    const Node function = value.field("function");
    if (function.type() != "template_function" ||
        model_.functions.count(std::string(function.field("name").text())))
      return;
    const Node arguments = value.field("arguments");
    if (arguments.childCount() == 0) return;
    const Cost each = magnitudeOf(model_, arguments.child(0), variablesInScope());
    const Cost total = simplifyCost(multiplyCosts(multiplier(), each));
    if (!isConstantCost(total) && !state_.frames.empty())
      heap_.push_back({assignment.line(), "Rows of " + symbol->name, total});
  }

  // sp.assign(levels, vector<int>(m)) and g.resize(n, vector<int>(m)): a table of rows made
  // at once, rows times each row's length, whatever loops the call sits in.
  void recordRows(const Node& call) {
    const Node function = call.field("function");
    if (function.type() != "field_expression") return;
    const std::string_view method = function.field("field").text();
    if (method != "assign" && method != "resize") return;
    const Symbol* symbol = findSymbol(model_, containerName(function.field("argument")));
    const Node arguments = call.field("arguments");
    if (!symbol || !symbol->nestedContainer || arguments.childCount() != 2) return;
    const Node row = unwrap(arguments.child(1));
    if (row.type() != "call_expression" || row.field("arguments").childCount() == 0) return;
    const std::vector<LoopVariable> vars = variablesInScope();
    // assign replaces what the table held: the loops around it make no more rows
    const Cost total =
        simplifyCost(multiplyCosts(magnitudeOf(model_, arguments.child(0), vars),
                                   magnitudeOf(model_, row.field("arguments").child(0), vars)));
    if (!isConstantCost(total)) heap_.push_back({call.line(), "Rows of " + symbol->name, total});
  }

  void recordAllocation(const Node& expression) {
    const Node size = findDescendant(expression.field("declarator"), {"new_declarator"});
    const Node extent = size.null() ? Node{} : size.child(0);
    const Cost each = magnitudeOf(model_, extent, variablesInScope());
    const Cost total = simplifyCost(multiplyCosts(multiplier(), each));
    if (!isConstantCost(total)) heap_.push_back({expression.line(), "Heap allocation", total});
  }

  void recordCAllocation(const Node& call) {
    const std::vector<Node> factors = allocatedFactors(call);
    if (factors.empty()) return;
    Cost each = unit();
    for (const Node& factor : factors)
      each = multiplyCosts(each, magnitudeOf(model_, factor, variablesInScope()));
    const Cost total = simplifyCost(multiplyCosts(multiplier(), each));
    if (!isConstantCost(total)) heap_.push_back({call.line(), "Heap allocation", total});
  }

  // cin >> a[i] fills an array slot; m[key] = v and cnt[x]++ insert into a map.
  void recordStores(const Node& node) {
    const std::string_view type = node.type();
    if (type == "binary_expression") {
      if (node.field("operator").text() != ">>" || node.text().find("cin") != 0) return;
      const Node target = node.field("right");
      if (target.type() == "subscript_expression")
        addEntry(containerName(target.field("argument")), target, kSlotsSuffix);
      return;
    }
    const Node target = node.field(type == "update_expression" ? "argument" : "left");
    // s += c and s = s + c grow a string by what they append
    if (type == "assignment_expression" && target.type() == "identifier") {
      const Symbol* symbol = findSymbol(model_, target.text());
      if (symbol && symbol->kind == ContainerKind::kString &&
          (node.field("operator").text() == "+=" || appendsToItself(node)))
        addEntry(std::string(target.text()), target);
      return;
    }
    if (type == "assignment_expression") recordCountedPush(node);
    if (target.type() != "subscript_expression") return;
    const std::string name = containerName(target.field("argument"));
    const Symbol* symbol = findSymbol(model_, name);
    if (type == "assignment_expression") recordRow(node, symbol);
    if (symbol &&
        (symbol->kind == ContainerKind::kOrdered || symbol->kind == ContainerKind::kHashed))
      addEntry(name, target);
  }

  // heap[++hn] = x pushes onto an array kept as a stack by hn; t[u][cnt[u]++] = v appends to
  // row u of a table whose row lengths cnt keeps.
  void recordCountedPush(const Node& assignment) {
    if (assignment.field("operator").text() != "=") return;
    Node written = unwrap(assignment.field("left"));
    if (written.type() == "field_expression") written = unwrap(written.field("argument"));
    if (written.type() != "subscript_expression") return;
    const Node indices = written.field("indices");
    Node index = unwrap(indices.type() == "subscript_argument_list" ? indices.child(0) : indices);
    const Node array = unwrap(written.field("argument"));
    if (index.type() == "update_expression") {
      const Node counter = unwrap(index.field("argument"));
      auto stack = model_.counted.stacks.find(std::string(counter.text()));
      if (counter.type() == "identifier" && stack != model_.counted.stacks.end() &&
          containerName(array) == stack->second)
        addEntry(stack->second, array);
      index = counter;
    }
    if (index.type() == "subscript_expression" && array.type() == "subscript_expression" &&
        model_.counted.rowCounts.count(containerName(index.field("argument"))))
      addEntry(containerName(array.field("argument")), array);
  }

  // a[i][j] inside loops over i and j: the largest index used along each extent.
  void recordFill(const Node& target) {
    std::vector<Node> indices;
    Node array = target;
    for (int guard = 0; guard < 6 && array.type() == "subscript_expression"; ++guard) {
      const Node list = array.field("indices");
      indices.insert(indices.begin(),
                     list.type() == "subscript_argument_list" ? list.child(0) : list);
      array = array.field("argument");
    }
    if (array.type() != "identifier") return;
    const std::vector<LoopVariable> vars = variablesInScope();
    // A helper's indices are told in its parameters, replaced where its callers call it.
    const bool told = !state_.function || isEntryOrMain(*state_.function);
    const std::string key = containerKey(model_, array.text(), array);
    std::vector<Cost>& filled = told ? filled_[key] : calleeFills_[state_.function->name][key];
    if (filled.size() < indices.size()) filled.resize(indices.size());
    for (size_t k = 0; k < indices.size(); ++k) {
      if (std::optional<Cost> reach = counterIndexReach(indices[k], state_.frames)) {
        filled[k] = addCosts(filled[k], *reach);
        continue;
      }
      // Only an index that walks a loop's range tells the extent used; a value read from the
      // input (a[x] = 1) could be anywhere below the capacity.
      // i % 26 wraps whatever i walks.
      // ans[qs[i].id] writes where a stored field says: a value, not the loop's range.
      bool walks = indices[k].text().find('%') == std::string_view::npos &&
                   findDescendant(indices[k], {"field_expression"}).null() &&
                   indices[k].type() != "field_expression";
      bool inLoop = false, counter = false;
      for (const LoopVariable& var : vars)
        inLoop = inLoop || mentionsIdentifier(indices[k], var.name);
      for (const EnclosingLoop& frame : state_.frames)
        counter = counter || frame.variable == unwrap(indices[k]).text();
      // g[nx][ny] after nx >= H or ny >= W sent it away: below the size it is checked against,
      // whatever the local was computed from
      const Node bound = counter || state_.frames.empty()
                             ? Node{}
                             : checkedBoundOf(model_, indices[k], state_.frames.back().node);
      if (!bound.null())
        filled[k] = addCosts(filled[k], magnitudeOf(model_, bound, vars));
      else if (walks && inLoop)
        filled[k] = addCosts(filled[k], magnitudeOf(model_, indices[k], vars));
    }
  }

  // Entries added to the container `name` where `use` stands, counted under the key of the
  // declaration it refers to there (`tail` marks writes into slots).
  void addEntry(const std::string& container, const Node& use, const char* tail = "") {
    if (container.empty()) return;
    const std::string name = containerKey(model_, container, use) + tail;
    // Small to large: entries moved out of the smaller container take no new room.
    if (!state_.frames.empty()) {
      const Node loop = state_.frames.back().node;
      if (loop.type() == "for_range_loop" &&
          (walksSmallerSide(loop) || swappedForSmaller(loop, containerName(loop.field("right")))))
        return;
    }
    state_.pushes[name] = addCosts(state_.pushes[name], simplifyCost(passesHolding(name)));
  }

  // `times` entries of container `name` multiplied by the passes of the loops around that it
  // keeps: a container declared inside a loop, or emptied in each of its passes, keeps only
  // what the loops inside that one add.
  Cost passesHolding(const std::string& name, Cost times = {}) {
    const Symbol* symbol = entryOfKey(model_, name);
    for (auto it = state_.frames.rbegin(); it != state_.frames.rend(); ++it) {
      const EnclosingLoop& frame = *it;
      const int first = frame.node.line();
      const int last = static_cast<int>(ts_node_end_point(frame.node.raw).row) + 1;
      const bool declared =
          symbol && symbol->declaredInLoop && symbol->line > first && symbol->line <= last;
      if (declared || (symbol && clearedIn(frame.node, symbol->name))) break;
      // Each test writes its items into the same slots from the start: one test's worth.
      if (testLoops_.count(frame.node.id()) && name.find(kSlotsSuffix) != std::string::npos) break;
      // A test loop's passes push what their test sizes count once over all tests.
      auto test = testFrames_.find(frame.node.id());
      if (test != testFrames_.end()) {
        const std::vector<std::string> sizes = sizesOf(times);
        const bool inSizes = std::any_of(sizes.begin(), sizes.end(), [&](const std::string& s) {
          return std::count(test->second.sizes.begin(), test->second.sizes.end(), s) > 0;
        });
        if (!inSizes) times = multiplyCosts(times, sizeCost(test->second.count));
        continue;
      }
      times = multiplyCosts(times, frame.trips);
    }
    return times;
  }

  // A callee's pushes once per pass of the loops around the call that the container keeps.
  void addCallPushes(const std::map<std::string, Cost>& pushes) {
    for (const auto& [name, count] : pushes)
      state_.pushes[name] = addCosts(state_.pushes[name], simplifyCost(passesHolding(name, count)));
  }

  // A container emptied or replaced in each pass of a loop holds one pass's entries.
  bool clearedIn(const Node& loop, const std::string& name) {
    const auto key = std::make_pair(loop.id(), name);
    auto known = cleared_.find(key);
    if (known != cleared_.end()) return known->second;
    // hn = 0 empties the stack hn keeps; memset(cnt, 0, ..) empties the rows cnt measures
    bool cleared = clearsContainer(loop.field("body"), name);
    for (const auto& [counter, array] : model_.counted.stacks)
      if (!cleared && array == name) cleared = resetsCounter(loop.field("body"), counter);
    auto count = model_.counted.countOfRows.find(name);
    if (!cleared && count != model_.counted.countOfRows.end())
      cleared = clearsContainer(loop.field("body"), count->second);
    return cleared_[key] = cleared;
  }

  // hn = 0 in `body`: the counter starts over.
  static bool resetsCounter(const Node& body, const std::string& counter) {
    bool reset = false;
    visitNodes(body, [&](const Node& n) {
      if (reset) return false;
      reset = n.type() == "assignment_expression" && n.field("operator").text() == "=" &&
              isIdentifierNamed(unwrap(n.field("left")), counter) &&
              unwrap(n.field("right")).text() == "0";
      return !reset;
    });
    return reset;
  }

  // scanf("%d", &a[i]) fills a slot as cin >> a[i] does.
  void recordScanned(const Node& call) {
    if (calleeName(call.field("function")) != "scanf") return;
    for (const Node& argument : childrenOf(call.field("arguments"))) {
      const Node target =
          argument.type() == "pointer_expression" ? argument.field("argument") : Node{};
      if (target.type() != "subscript_expression") continue;
      addEntry(containerName(target.field("argument")), target, kSlotsSuffix);
    }
  }

  void recordPushes(const Node& call) {
    const Node function = call.field("function");
    if (function.type() != "field_expression") return;
    const std::string_view method = function.field("field").text();
    // g.add_edge(u, v) on the library's graphs adds an edge as push_back adds an entry
    const std::string name = containerName(function.field("argument"));
    const Symbol* symbol = findSymbol(model_, name);
    const bool edge = (method == "add_edge" || method == "add_clause") && symbol &&
                      symbol->kind == ContainerKind::kStructure;
    if (!addsAnEntry(method) && !edge) return;
    // s.push_back(0) on a parameter taken by value grows the call's own copy, never the
    // caller's container.
    const Function* current = state_.function;
    for (size_t i = 0; current && i < current->parameters.size(); ++i)
      if (current->parameters[i] == name && i < current->byReference.size() &&
          !current->byReference[i])
        return;
    addEntry(name, function);
  }

  std::string dominantPattern(const Cost& total) {
    const Monomial top = dominantTerm(total);
    for (const Contribution& c : contributions_)
      if (!c.cost.terms.empty() && dominantTerm(simplifyCost(c.cost)) == top) return c.what;
    return "";
  }

  Model& model_;
  WalkMemo& memo_;
  FunctionState state_;
  std::map<std::string, Cost> summaries_;
  std::map<std::string, RecursionShape> shapes_;
  std::map<std::string, std::set<std::string>> indexed_;  // by function: the tables it indexes
  std::map<std::string, Cost> once_;  // memos over global tables nothing resets: paid once
  std::map<std::string, Cost> depths_;
  std::map<std::string, Cost> calleeStacks_;  // per helper, the stack its calls hold
  std::map<std::string, std::map<std::string, Cost>> calleeLocals_;  // its locals' sizes
  std::map<std::string, std::map<std::string, std::vector<Cost>>> calleeFills_;  // its indices
  std::optional<std::set<std::string>> entries_;
  std::vector<Contribution> depths_found_;
  std::vector<Contribution> heap_;
  std::set<std::string> inProgress_;
  std::vector<Contribution> contributions_;
  std::map<std::string, std::map<std::string, Cost>> pushes_;
  std::map<std::string, Cost> local_;
  std::map<std::string, std::vector<Cost>> filled_;
  std::map<std::string, std::vector<Cost>> constructed_;  // members sized by a declaration
  bool uncounted_ = false;
  const bool readsNothing_ = model_.functions.count("main") > 0 && !touchesInput(model_);
  std::vector<Assumption> assumptions_;
  std::vector<std::string> unnamed_;         // "f's x at line 12 (k + 1)", once per parameter
  int testDepth_ = 0;                        // test loops around the node being walked
  std::map<uint32_t, TestLoop> testFrames_;  // test loops whose passes sum their sizes
  std::set<uint32_t> testLoops_;             // every test loop met
  std::map<std::pair<uint32_t, std::string>, bool> cleared_;
  std::map<std::string, bool> queueDriven_;  // by function: a BFS drains a queue in it
  // by loop: containers its passes fill through traversals charged once over the loop
  std::map<uint32_t, std::set<std::string>> amortisedFills_;

 public:
  bool flipTests_ = false;  // price the first test loop under the other assumption
  std::vector<std::pair<int, TestLoop>> tests_;
};

// Which assumption priced the test loop, and the bound under the other one.
std::string describeTestPricing(int line, const TestLoop& test, const Cost& other) {
  std::string sizes;
  for (const std::string& size : test.sizes) sizes += (sizes.empty() ? "" : ", ") + size;
  const std::string where = "Test cases (line " + std::to_string(line) + "): ";
  const std::string count = test.untilEnd ? "the number of tests" : test.count;
  if (test.pricing == TestPricing::kMultiply)
    return where + test.multiplyReason + ", so " + count +
           " multiplies each test's work; with the sizes summed over all tests: " +
           formatCost(other) + ".";
  const std::string reason = test.pricing == TestPricing::kSummed
                                 ? "a comment bounds the sum of the sizes over all tests"
                                 : "no comment bounds the tests";
  if (test.sizes.empty())
    return where + reason +
           ", so the tests' sizes are taken as summed; per-test limits only: " + formatCost(other) +
           ".";
  return where + reason + ", so the sizes each test reads (" + sizes +
         ") are taken as summed over all tests and " + count +
         " multiplies only the work without them; per-test limits only: " + formatCost(other) + ".";
}

// Pushes counted as a constant beside pushes counted in sizes: the constant ones may walk a
// container whose size the pass had not learnt yet.
bool growsFromAnother(const std::map<std::string, Cost>& grown) {
  bool sized = false, unsized = false;
  for (const auto& [key, entries] : grown) {
    if (key.find('#') != std::string::npos) continue;
    (isConstantCost(entries) ? unsized : sized) = true;
  }
  return sized && unsized;
}

// Entries read into containers: cin >> a[i] in loops, cin >> s for strings.
void applyGrowth(Model& model, const std::map<std::string, Cost>& grown) {
  for (const auto& [key, entries] : grown) {
    Symbol* found = entryOfKey(model, key);
    if (!found || isConstantCost(entries)) continue;
    // Pushes accumulate over a loop's passes; writes into slots fill the same slots again.
    if (key.find('#') == std::string::npos)
      found->elements = simplifyCost(entries);
    else
      found->slotWrites = withoutConstants(simplifyCost(entries));
  }
}

}  // namespace

TimeEstimate estimateTime(Model& model) {
  // The first pass learns how many entries each container receives; the second prices the
  // loops over them with that knowledge.
  std::map<std::string, Cost> grown;
  WalkMemo memo;
  {
    TimeWalker first(model, memo);
    first.run();
    grown = first.grownContainers();
    for (const auto& [name, extents] : first.constructedMembers())
      model.symbols[name].dimensions = extents;
    if (!first.constructedMembers().empty()) memo.testLoops.clear();
    for (const auto& [key, extents] : first.filledArrays()) {
      Symbol* found = entryOfKey(model, key);
      if (!found) continue;
      found->filled.clear();
      for (const Cost& extent : extents)
        found->filled.push_back(withoutConstants(simplifyCost(extent)));
    }
  }
  applyGrowth(model, grown);
  // A container filled from another (v.push_back(x) for each x of a set the input fills) learns
  // its entries only once the other's are known: one more pass for such a chain.
  if (growsFromAnother(grown)) {
    TimeWalker again(model, memo);
    again.run();
    applyGrowth(model, again.grownContainers());
  }
  // A stack kept by a counter receives its pushes in the loops that drain it, over rows whose
  // entries the first pass has just learnt: one more pass counts them with that knowledge.
  if (!model.counted.stacks.empty()) {
    TimeWalker again(model, memo);
    again.run();
    std::map<std::string, Cost> stacked;
    for (const auto& [key, entries] : again.grownContainers())
      for (const auto& [counter, array] : model.counted.stacks)
        if (nameOfKey(key) == array && key.find('#') == std::string::npos) stacked[key] = entries;
    applyGrowth(model, stacked);
  }
  memo.settled = true;
  TimeWalker second(model, memo);
  TimeEstimate estimate = second.run();
  if (!second.tests_.empty()) {
    TimeWalker other(model, memo);
    other.flipTests_ = true;
    const Cost otherTotal = other.run().total;
    const auto& [line, test] = second.tests_.front();
    estimate.notes.push_back(describeTestPricing(line, test, otherTotal));
    // Without a comment the tests' sizes are summed: each test reads the items its sizes
    // count, so the sum is bounded by the input's length and the answer is derived, not
    // assumed. The bound a reader whose statement gives per-test limits needs is stated beside
    // it, at a level that does not weaken the answer.
    if (test.pricing == TestPricing::kSplit &&
        formatCost(simplifyCost(otherTotal)) != formatCost(simplifyCost(estimate.total))) {
      const std::string text = "tests are summed: if every test has its own limits, " +
                               formatCost(simplifyCost(otherTotal));
      estimate.notes.push_back(text);
      estimate.assumptions.push_back({line, "time", text, "high"});
    }
  }
  return estimate;
}

}  // namespace quorbel
