// Reads the program's declarations into the symbol table: globals, locals, struct members and
// parameters with their types; named constants with their values; the sizes read from input
// and the scalars derived from them; the functions, member functions and lambdas.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>

#include "base/regex.h"
#include "base/text.h"
#include "model/alphabet_constants.h"
#include "model/constant_uses.h"
#include "model/inputs.h"
#include "model/loop_parts.h"
#include "model/magnitude.h"
#include "model/member_calls.h"
#include "model/member_values.h"
#include "model/model.h"
#include "model/nodes_of_type.h"
#include "model/reassignments.h"
#include "model/test_loops.h"
#include "model/types.h"
#include "model/values.h"
#include "syntax/preprocess.h"

namespace quorbel {
namespace {

// Values from here up stand for input limits; smaller constants are counts like 26 letters.
constexpr double kSmallestLimit = 100;
// A literal array extent or loop bound from here up stands for an input limit.
constexpr double kLiteralLimit = 1000;
// Values from here up are moduli and infinities rather than limits.
constexpr double kLargestLimit = 5e8;
// The syntax tree is read no deeper than the estimate walks it.
constexpr int kMaxDepth = 40000;

// The name a function definition defines: "solve" for `void Solver::solve(int n)`.
std::string definedName(const Node& definition) {
  Node declarator = definition.field("declarator");
  for (int guard = 0; guard < 6 && !declarator.null() && declarator.type() != "function_declarator";
       ++guard)
    declarator = declarator.field("declarator");
  std::string name(declarator.field("declarator").text());
  const size_t scope = name.rfind("::");
  return scope == std::string::npos ? name : name.substr(scope + 2);
}

// The declarations of the symbol's name read before at its line and scope, in their order.
std::vector<const Symbol*> readingsOf(const Model& model, const Symbol& symbol);

class Reader {
 public:
  explicit Reader(Model& model) : model_(model) {}

  void read(const Node& root) {
    uses_ = readNameUses(root);
    model_.library = readLibraryNames(root);
    readAliases(root);
    readDeclarations(root);
    indexDeclarations(model_);
    readUses(root);
    markInputs(model_);
    readTestCounts(root);
    readReassignments(model_);
    // Extents and derived sizes read again, now that the sizes read from input are known.
    // The first reading's declarations answer scope questions while the second is made.
    second_ = true;
    readDeclarations(root);
    model_.declarations.swap(reread_);
    indexDeclarations(model_);
    // Extents made of values the facts size (vector<int> freq(top + 1)) are read once more,
    // each scalar keeping the facts found for it.
    if (readValueFacts(model_)) {
      keepFacts_ = true;
      reread_.clear();
      readDeclarations(root);
      model_.declarations.swap(reread_);
      indexDeclarations(model_);
    }
    readMemberValues(model_);
    // Built values and rows take their extents in the sizes of the members just read.
    for (const Node& assignment : builds_)
      readConstructedAssignment(assignment.field("left"), assignment.field("right"));
    readRowResizes();
    // ..and containers sized in a set-up function's parameters, the callers' arguments.
    readMemberValues(model_);
  }

 private:
  // MOD only taking remainders and INF only stored and compared are no sizes; LOG bounding a
  // loop that shifts by its counter, or an extent beside a large one, counts levels; K of an
  // extent 1 << K counts the items whose subsets the table holds.
  const AlphabetUses& alphabetUses() {
    if (!alphabet_) alphabet_ = readAlphabetUses(model_.root);
    return *alphabet_;
  }

  void readConstantUses(Symbol& symbol) {
    auto found = uses_.find(symbol.name);
    if (found == uses_.end()) return;
    const NameUses& use = found->second;
    symbol.notASize = (use.modulus || use.sentinel) && !use.size;
    // SIGMA = 256 sizing a table indexed by characters counts letters, not input
    if (use.size && symbol.value && *symbol.value >= kSmallestLimit && *symbol.value <= 256 &&
        sizesAlphabet(alphabetUses(), symbol.name, *symbol.value))
      symbol.notASize = true;
    symbol.countsLevels = use.levels;
    symbol.countsItems = use.subsets && !symbol.notASize;
    for (const Node& other : use.besideExtents)
      if (evaluateConstant(model_, other).value_or(0) >= kLiteralLimit) symbol.countsLevels = true;
  }

  // Test counts, known by what their loops read, before any size is chosen as the primary one.
  void readTestCounts(const Node& root) {
    TestLoopMemo memo;
    // The loop statements, as isLoopNodeType tells them.
    for (const Node& n : descendantsOfType(
             root, {"for_statement", "while_statement", "do_statement", "for_range_loop"})) {
      const TestLoop test = testLoopOf(model_, n, &memo);
      if (test.found && !test.sizes.empty() && !test.untilEnd) model_.testCounts.insert(test.count);
    }
  }

  // ---- Type aliases: typedef long long ll; using vi = vector<int>; ----
  void readAliases(const Node& root) {
    for (const Node& n : descendantsOfType(root, {"type_definition", "alias_declaration"})) {
      if (n.type() == "type_definition") {
        const std::string type(n.field("type").text());
        for (const Node& d : childrenOf(n)) {
          if (d == n.field("type")) continue;
          // typedef long long ll, *pll: a pointer alias names an address, not the type.
          const bool direct = d.type() == "type_identifier" || d.type() == "identifier";
          const std::string name = direct ? std::string(d.text()) : declaredTypeName(d);
          if (!name.empty()) aliases_[name] = {direct ? type : type + "*", {}};
        }
      } else if (n.type() == "alias_declaration") {
        TypeAlias alias{std::string(n.field("type").text()), {}};
        // template <class T> using V = vector<T>;
        const Node outer = n.parent();
        if (outer.type() == "template_declaration")
          for (const Node& p : childrenOf(outer.field("parameters")))
            alias.parameters.push_back(declaredTypeName(p));
        aliases_[std::string(n.field("name").text())] = alias;
      }
    }
    // Meanings normalised once all names are known, so the order of definitions does not matter.
    TypeAliases normalised = aliases_;
    for (auto& [name, alias] : normalised) alias.meaning = normaliseType(alias.meaning, aliases_);
    aliases_ = normalised;
    for (const auto& [name, alias] : aliases_)
      if (alias.parameters.empty() && kindOfType(alias.meaning) == ContainerKind::kScalar &&
          alias.meaning.find_first_of("<*(") == std::string::npos)
        model_.scalarAliases.insert(name);
  }

  static std::string declaredTypeName(const Node& declarator) {
    Node current = declarator;
    for (int guard = 0; guard < 8 && !current.null(); ++guard) {
      if (current.type() == "type_identifier" || current.type() == "identifier")
        return std::string(current.text());
      Node inner = current.field("declarator");
      if (inner.null()) inner = current.field("name");
      if (inner.null()) inner = current.child(0);
      current = inner;
    }
    return "";
  }

  // The aliases are all read before any type is resolved, so a spelling resolves alike each time;
  // each declaration is read up to three times and most spell one of a few types.
  const std::string& resolveType(const std::string& type) {
    auto found = resolved_.find(type);
    if (found == resolved_.end())
      found = resolved_.emplace(type, normaliseType(type, aliases_)).first;
    return found->second;
  }

  // The program's own function a call expression calls, if any.
  const Function* programFunctionCalled(const Node& value) const {
    if (value.type() != "call_expression") return nullptr;
    Node function = value.field("function");
    if (function.type() == "template_function") function = function.field("name");
    if (function.type() != "identifier") return nullptr;
    auto found = model_.functions.find(std::string(function.text()));
    if (found == model_.functions.end() || found->second.isLambda) return nullptr;
    return &found->second;
  }

  // ---- Declarations ----
  // A walk that knows which function it is in, so that each local records its scope.
  void readDeclarations(const Node& node, int depth = 0) {
    if (node.null() || depth > kMaxDepth) return;
    const std::string_view type = node.type();
    std::string outer;  // the scope to restore, when this node opens one
    bool opens = false;
    const int outerLoops = loops_;
    if (isLoopNode(node)) ++loops_;
    if (type == "declaration" || type == "field_declaration") {
      readDeclaration(node, false);
    } else if (type == "optional_parameter_declaration" &&
               node.parent().type() == "template_parameter_list") {
      // template <int LOG = 20>: a value fixed when the program is compiled, a constant like
      // any other, whose uses then decide what it counts.
      readDeclaration(node, false);
    } else if (type == "parameter_declaration" || type == "optional_parameter_declaration") {
      readDeclaration(node, true);
    } else if (type == "function_definition") {
      readFunction(node);
      outer = std::exchange(scope_, definedName(node));
      opens = true;
    } else if (type == "for_range_loop") {
      readRangeVariable(node);
    } else if (type == "field_initializer") {
      readMemberInitialiser(node);
    } else if (type == "field_declaration_list") {
      outer = std::exchange(scope_, std::string());
      opens = true;
    } else if (type == "init_declarator" && node.field("value").type() == "lambda_expression") {
      outer = std::exchange(scope_, declaredName(node));
      opens = true;
    }
    const uint32_t count = node.childCount();
    for (uint32_t i = 0; i < count; ++i) readDeclarations(node.child(i), depth + 1);
    if (opens) scope_ = std::move(outer);
    loops_ = outerLoops;
  }

  void readDeclaration(const Node& n, bool parameter) {
    const std::string declaredType = resolveType(std::string(n.field("type").text()));
    // A value fixed for the whole run is a constant whatever its declaration says: `const`, or a
    // scalar never written after its initialiser (int M = 500000;). Which constants are sizes
    // then follows from their values and uses.
    const bool templateValue = n.type() == "optional_parameter_declaration" &&
                               n.parent().type() == "template_parameter_list";
    const bool declaredConstant =
        templateValue || (n.text().substr(0, 32).find("const") != std::string_view::npos &&
                          !parameter && declaredType.find("string") == std::string::npos);
    const bool scalarType = kindOfType(declaredType) == ContainerKind::kScalar &&
                            declaredType != "auto" && n.type() == "declaration";
    for (const Node& d : childrenOf(n)) {
      const std::string_view dtype = d.type();
      if (dtype == "init_declarator" && declareBindings(d.field("declarator"))) continue;
      if (templateValue && !(d == n.field("declarator"))) continue;  // the default's own names
      if (dtype != "identifier" && dtype != "init_declarator" && dtype != "array_declarator" &&
          dtype != "field_identifier" && dtype != "reference_declarator" &&
          dtype != "pointer_declarator" && dtype != "function_declarator")
        continue;
      std::string typeText = declaredType;
      Node value = dtype == "init_declarator" ? d.field("value")
                   : templateValue            ? n.field("default_value")
                                              : Node{};
      const Symbol* copied = nullptr;
      Cost returned;
      if (typeText == "auto" && !value.null()) {
        // auto g = vector<vector<int>>(n, ...): the type is the constructor's; auto b = a: a's.
        if (value.type() == "call_expression" &&
            kindOfType(resolveType(std::string(value.field("function").text()))) !=
                ContainerKind::kScalar) {
          typeText = resolveType(std::string(value.field("function").text()));
          value = value.field("arguments");
        } else if (value.type() == "call_expression" &&
                   isProgramType(std::string(value.field("function").text()))) {
          // auto h = Hld(g): an object of the program's type
          typeText = std::string(value.field("function").text());
        } else if (value.type() == "identifier") {
          copied = findSymbol(model_, value.text());
          if (copied && copied->kind != ContainerKind::kScalar) typeText = copied->typeText;
        } else if (const Function* called = programFunctionCalled(value)) {
          // auto got = build(s): the type build returns, as long as what it returns.
          typeText = resolveType(std::string(called->definition.field("type").text()));
          if (kindOfType(typeText) != ContainerKind::kScalar)
            returned = magnitudeOf(model_, value, {});
        }
      } else if (!value.null() && kindOfType(typeText) != ContainerKind::kScalar &&
                 programFunctionCalled(value)) {
        // vector<int> got = build(s): as long as what build returns, as auto would be.
        returned = magnitudeOf(model_, value, {});
      }
      // vector<int> a(n) parses as a function declaration when n could name a type.
      bool constructed = dtype == "function_declarator";
      // auto got(build<T>(n)) parses the call as a parameter of a function type: got has the
      // type build returns, as long as what it returns.
      if (constructed && typeText == "auto") {
        const Node only =
            d.field("parameters").childCount() == 1 ? d.field("parameters").child(0) : Node{};
        auto called = !callArgumentsOf(only).null()
                          ? model_.functions.find(typeAsCallee(only.field("type")))
                          : model_.functions.end();
        if (called != model_.functions.end()) {
          typeText = resolveType(std::string(called->second.definition.field("type").text()));
          if (kindOfType(typeText) != ContainerKind::kScalar)
            returned = magnitudeOf(model_, only, {});
          constructed = false;  // a copy of what the call returns, not a constructor's
        }
      }
      const bool structure =
          isLibraryStructureName(libraryNameOf(n.field("type").text(), model_.library));
      if (constructed && ((kindOfType(typeText) == ContainerKind::kScalar && !structure &&
                           !isProgramType(typeText)) ||
                          parameter))
        continue;
      Symbol symbol;
      symbol.name = declaredName(d);
      if (symbol.name.empty()) continue;
      symbol.typeText = typeText;
      symbol.kind = structure ? ContainerKind::kStructure : kindOfType(typeText);
      symbol.isParameter = parameter;
      symbol.line = d.line();
      symbol.scope = scope_;
      markScope(symbol, d);
      // for (string p, q; cin >> p >> q;): the loop's own variables are one object for all
      // its passes, as if declared just before it
      const bool startsLoop =
          n.parent().type() == "for_statement" && n.parent().field("initializer") == n;
      symbol.declaredInLoop = loops_ > (startsLoop ? 1 : 0);
      symbol.elementBytes = bytesOfType(typeText);
      symbol.nestedContainer = isNestedType(typeText);
      if (symbol.kind == ContainerKind::kArray) symbol.dimensions = fixedArrayExtents(typeText);
      if (symbol.kind == ContainerKind::kBitset) symbol.dimensions = bitsetExtent(n.field("type"));
      if (!isConstantCost(returned)) symbol.dimensions = {returned};
      if (copied && copied->kind != ContainerKind::kScalar) {
        symbol.dimensions = copied->dimensions;
        symbol.nestedContainer = copied->nestedContainer;
        symbol.literalLimit = copied->literalLimit;
      }
      Node inner = d;
      if (dtype == "init_declarator") inner = d.field("declarator");
      if (constructed) {
        value = d.field("parameters");
        inner = d.field("declarator");
      }
      // Array extents, outermost first: a[N][M] nests as ((a[N])[M]).
      std::vector<Cost> extents;
      while (!inner.null() && inner.type() == "array_declarator") {
        const Node size = inner.field("size");
        // char s[1000006]: a literal this large is an input limit the program left unnamed;
        // the array's own size names it.
        const bool literal = size.type() == "number_literal" &&
                             evaluateConstant(model_, size).value_or(0) >= kLiteralLimit;
        extents.insert(extents.begin(), literal && !symbol.literalLimit
                                            ? sizeCost("|" + symbol.name + "|")
                                            : magnitudeOf(model_, size, {}));
        symbol.literalLimit = symbol.literalLimit || literal;
        inner = inner.field("declarator");
      }
      if (!extents.empty()) {
        if (symbol.kind != ContainerKind::kScalar && symbol.kind != ContainerKind::kArray)
          symbol.nestedContainer = true;
        symbol.kind = ContainerKind::kArray;
        symbol.dimensions.insert(symbol.dimensions.begin(), extents.begin(), extents.end());
      }
      if (!value.null()) {
        symbol.assigned = true;
        symbol.initialiser = value;
        auto use = uses_.find(symbol.name);
        const bool neverWritten = scalarType && !parameter && !symbol.member &&
                                  use != uses_.end() && !use->second.written;
        readInitialiser(symbol, value, declaredConstant || neverWritten);
        // bitset<32> bs(mask): the argument is the bits' value, the template their count
        if (symbol.kind == ContainerKind::kBitset)
          symbol.dimensions = bitsetExtent(n.field("type"));
        // string u = t + '#' + s: as long as the strings it joins.
        if (symbol.kind == ContainerKind::kString && symbol.dimensions.empty()) {
          const Cost joined = joinedLength(value);
          if (!isConstantCost(joined)) symbol.dimensions = {joined};
        }
      }
      if (symbol.isConstant) readConstantUses(symbol);
      // What the inputs marked on the first reading of this declaration stays marked.
      if (second_) {
        for (const Symbol* earlier : readingsOf(model_, symbol)) {
          symbol.fromInput = symbol.fromInput || earlier->fromInput;
          symbol.holdsInput = symbol.holdsInput || earlier->holdsInput;
          // What its uses told a container of its own (resized, indexed, named length).
          symbol.indexed = symbol.indexed || earlier->indexed;
          if (symbol.indexes.empty()) symbol.indexes = earlier->indexes;
          if (symbol.sizeName.empty()) symbol.sizeName = earlier->sizeName;
          if (symbol.dimensions.empty() && symbol.kind != ContainerKind::kScalar)
            symbol.dimensions = earlier->dimensions;
          if (earlier->kind == ContainerKind::kString && symbol.kind == ContainerKind::kArray)
            symbol.kind = ContainerKind::kString;
          if (keepFacts_) symbol.largestEntry = earlier->largestEntry;
          if (keepFacts_ && earlier->hasDerived) {
            symbol.derived = earlier->derived;
            symbol.hasDerived = true;
          }
        }
      }
      (second_ ? reread_ : model_.declarations).emplace(symbol.name, symbol);
      Symbol& stored = model_.symbols[symbol.name];
      // char s[N] found read whole stays a string when the declarations are read again.
      if (stored.fromInput && stored.kind == ContainerKind::kString &&
          symbol.kind == ContainerKind::kArray && symbol.typeText == "char")
        symbol.kind = ContainerKind::kString;
      // A local that shadows a global keeps what is known about either. A parameter never
      // replaces another declaration: its uses find it in its function's scope, while calls
      // pass the caller's object, which the table describes.
      if (!stored.name.empty() && symbol.dimensions.empty() && !symbol.hasDerived &&
          !symbol.value && !symbol.fromInput && stored.kind == symbol.kind &&
          stored.typeText == symbol.typeText && (parameter || !stored.isParameter))
        continue;
      if (!stored.name.empty() && parameter && !stored.isParameter) continue;
      // int t in main beside a member vector<long long> t: the scalar's facts stay with its
      // own declaration, which its uses find; the member keeps the table's entry.
      if (!stored.name.empty() && stored.member && stored.kind != ContainerKind::kScalar &&
          symbol.kind == ContainerKind::kScalar && !symbol.scope.empty() &&
          stored.scopeStart != symbol.scopeStart)
        continue;
      const bool wasInput = stored.fromInput, wasAssigned = stored.assigned,
                 wasIndexed = stored.indexed, heldInput = stored.holdsInput;
      const std::string sizeName = stored.sizeName, largestEntry = stored.largestEntry,
                        indexes = stored.indexes;
      const std::vector<Cost> resized = stored.dimensions;
      stored = symbol;
      stored.fromInput = stored.fromInput || wasInput;
      stored.assigned = stored.assigned || wasAssigned;
      stored.indexed = stored.indexed || wasIndexed;
      stored.holdsInput = stored.holdsInput || heldInput;
      if (stored.sizeName.empty()) stored.sizeName = sizeName;
      if (stored.largestEntry.empty()) stored.largestEntry = largestEntry;
      if (stored.indexes.empty()) stored.indexes = indexes;
      if (stored.dimensions.empty()) stored.dimensions = resized;
    }
  }

  // auto [lo, hi] = solve(); for (auto& [u, w] : edges): each name holds a value taken apart
  // from another, never a size read by itself. False when `declarator` binds no names.
  bool declareBindings(const Node& declarator) {
    Node binding = declarator;
    while (binding.type() == "reference_declarator")
      binding = binding.child(binding.childCount() - 1);
    if (binding.type() != "structured_binding_declarator") return false;
    for (const Node& part : childrenOf(binding)) {
      if (part.type() != "identifier") continue;
      Symbol symbol;
      symbol.name = std::string(part.text());
      symbol.typeText = "auto";
      symbol.assigned = true;
      symbol.bound = true;
      symbol.line = part.line();
      symbol.scope = scope_;
      symbol.declaredInLoop = loops_ > 0;
      markScope(symbol, part);
      (second_ ? reread_ : model_.declarations).emplace(symbol.name, symbol);
      Symbol& stored = model_.symbols[symbol.name];
      if (stored.name.empty()) stored = symbol;
    }
    return true;
  }

  // Seg(int n) : t(4 * n), keys(src) {}: a member initialiser sizes the member as a
  // constructor call would, in the constructor's parameters (replaced at each declaration).
  void readMemberInitialiser(const Node& initialiser) {
    auto found = model_.symbols.find(std::string(initialiser.child(0).text()));
    const Node arguments = initialiser.child(1);
    if (found == model_.symbols.end() || found->second.kind == ContainerKind::kScalar ||
        arguments.type() != "argument_list" || !found->second.dimensions.empty())
      return;
    Symbol& member = found->second;
    const Symbol* source = arguments.childCount() == 1
                               ? findSymbolAt(model_, arguments.child(0).text(), arguments.child(0))
                               : nullptr;
    if (source && source->kind != ContainerKind::kScalar) {
      member.dimensions = {containerSize(model_, source->name, arguments.child(0))};
      return;
    }
    readInitialiser(member, arguments, false);
  }

  // The length of a string joined with +: the lengths of the strings in it, characters aside.
  Cost joinedLength(const Node& expression, int depth = 0) {
    const Node e = unwrap(expression);
    if (depth > kMaxDepth) return constantCost();
    if (e.type() == "binary_expression" && e.field("operator").text() == "+")
      return addCosts(joinedLength(e.field("left"), depth + 1),
                      joinedLength(e.field("right"), depth + 1));
    // to_string(x): as many characters as x has digits
    const std::string_view callee = e.type() == "call_expression" ? e.field("function").text() : "";
    if (callee == "to_string" || callee == "std::to_string") return magnitudeOf(model_, e, {});
    if (e.type() != "identifier") return constantCost();
    const Symbol* joined = findSymbolAt(model_, e.text(), e);
    if (!joined || joined->kind != ContainerKind::kString) return constantCost();
    return containerSize(model_, joined->name, e);
  }

  // The block, loop, function or class a declaration is visible in.
  static void markScope(Symbol& symbol, const Node& declarator) {
    for (Node n = declarator.parent(); !n.null(); n = n.parent()) {
      const std::string_view type = n.type();
      if (type == "compound_statement" || type == "for_statement" || type == "for_range_loop" ||
          type == "function_definition" || type == "lambda_expression" ||
          type == "field_declaration_list" || type == "translation_unit" ||
          type == "template_declaration") {
        symbol.scopeStart = ts_node_start_byte(n.raw);
        symbol.scopeEnd = ts_node_end_byte(n.raw);
        symbol.member = type == "field_declaration_list";
        return;
      }
    }
  }

  // bitset<1 << K>, bitset<N>: as many bits as its argument, when that is a size.
  std::vector<Cost> bitsetExtent(const Node& type) {
    const Node arguments = type.field("arguments");
    const Node bits =
        arguments.null() ? Node{} : findDescendant(arguments, {"binary_expression", "identifier"});
    const Cost extent = bits.null() ? constantCost() : magnitudeOf(model_, bits, {});
    if (isConstantCost(extent)) return {};
    return {extent};
  }

  // array<array<int, M>, N>: N then M, each a named limit, a literal or a small constant.
  std::vector<Cost> fixedArrayExtents(const std::string& type) {
    std::vector<Cost> extents;
    std::string current = type;
    for (int guard = 0; guard < 4 && kindOfType(current) == ContainerKind::kArray; ++guard) {
      const std::vector<std::string> arguments = templateArguments(current);
      if (arguments.size() < 2) break;
      const Symbol* named = findSymbol(model_, arguments[1]);
      extents.push_back(named && isLimitConstant(*named) ? sizeCost(named->name) : constantCost());
      current = arguments[0];
    }
    return extents;
  }

  void readInitialiser(Symbol& symbol, const Node& value, bool constant) {
    const std::string_view vtype = value.type();
    if (vtype == "argument_list" || vtype == "initializer_list" || vtype == "parameter_list") {
      if (symbol.kind == ContainerKind::kScalar || vtype == "initializer_list") return;
      // vector<int> a(n); vector<vector<int>> g(n, vector<int>(m)); string s(n, 'a')
      // vector g(n, vector<int>()): without template arguments the fill tells the element.
      const Node fill = value.child(1);
      if (templateArguments(symbol.typeText).empty() && fill.type() == "call_expression" &&
          kindOfType(resolveType(std::string(fill.field("function").text()))) !=
              ContainerKind::kScalar)
        symbol.nestedContainer = true;
      Node current = value;
      std::string element = symbol.typeText;
      bool sized = true;
      for (int guard = 0; guard < 4 && !current.null() && current.childCount() > 0; ++guard) {
        const Cost extent = magnitudeOf(model_, current.child(0), {});
        if (isConstantCost(extent) && !evaluateConstant(model_, current.child(0))) {
          sized = false;
          break;
        }
        symbol.dimensions.push_back(extent);
        const std::vector<std::string> arguments = templateArguments(element);
        element = arguments.empty() ? std::string() : arguments.front();
        current = constructorArguments(current.child(1));
      }
      // vector<array<int, LOG>> up(n): each of the n entries holds the array's extents too,
      // where a constant names them; a literal (array<int, 3>) is a record's fixed width.
      const std::vector<std::string> inside = templateArguments(element);
      if (sized && !symbol.dimensions.empty() && kindOfType(element) == ContainerKind::kArray &&
          inside.size() == 2 && !inside[1].empty() && isIdentifierStartByte(inside[1][0])) {
        const std::vector<Cost> inner = fixedArrayExtents(element);
        symbol.dimensions.insert(symbol.dimensions.end(), inner.begin(), inner.end());
      }
      return;
    }
    // const int N = s.size(): fixed once set, but by the run; its size is read below.
    if (constant) {
      if (const std::optional<double> fixed = evaluateConstant(model_, value)) {
        symbol.isConstant = true;
        symbol.value = fixed;
        return;
      }
    }
    if (symbol.kind != ContainerKind::kScalar) return;
    // int n = strlen(s), m = t.size(): the length of an input string is a size of its own.
    const Node call = value.type() == "cast_expression" ? value.field("value") : value;
    if (call.type() == "call_expression") {
      const std::string text(call.text());
      const Node f = call.field("function");
      std::string object;
      if (text.find("strlen") == 0) object = containerName(call.field("arguments").child(0));
      if (f.type() == "field_expression" &&
          (f.field("field").text() == "size" || f.field("field").text() == "length"))
        object = containerName(f.field("argument"));
      Symbol* read = containerAt(model_, object, call);
      if (read && read->fromInput && read->kind != ContainerKind::kScalar &&
          (read->kind == ContainerKind::kString || text.find("strlen") == 0)) {
        symbol.fromInput = true;
        // The string's length goes by this name from now on: n = s.size() makes |s| n.
        if (read->sizeName.empty()) read->sizeName = symbol.name;
        return;
      }
    }
    symbol.value = evaluateConstant(model_, value);
    symbol.derived = magnitudeOf(model_, value, {});
    symbol.hasDerived = !isConstantCost(symbol.derived);
  }

  void readRangeVariable(const Node& loop) {
    if (declareBindings(loop.field("declarator"))) return;
    const std::string name = declaredName(loop.field("declarator"));
    if (name.empty()) return;
    Symbol& stored = model_.symbols[name];
    if (stored.name.empty()) {
      stored.name = name;
      stored.line = loop.line();
    }
  }

  void readFunction(const Node& n) {
    Node declarator = n.field("declarator");
    for (int guard = 0;
         guard < 6 && !declarator.null() && declarator.type() != "function_declarator"; ++guard)
      declarator = declarator.field("declarator");
    if (declarator.null()) return;
    Function function;
    function.name = definedName(n);
    function.body = n.field("body");
    function.definition = n;
    function.line = n.line();
    readParameters(declarator.field("parameters"), function);
    if (function.name.empty() || function.body.null()) return;
    // SA() {} beside SA(Str s, V<int> sa) : sa(sa) {...}: of a name defined more than once, an
    // empty definition gives way to one that does something; otherwise the first stands.
    auto defined = model_.functions.find(function.name);
    if (defined == model_.functions.end() ||
        (isEmptyDefinition(defined->second) && !isEmptyDefinition(function)))
      model_.functions[function.name] = function;
    // Read again with the declarations: each definition is kept once.
    bool known = false;
    const auto [from, to] = model_.members.equal_range(function.name);
    for (auto it = from; it != to && !known; ++it) known = it->second.definition == n;
    if (!known && !ownerOf(function).empty()) model_.members.emplace(function.name, function);
  }

  // A type the program defines with members or a constructor of its own (Hld of struct Hld).
  bool isProgramType(const std::string& name) const {
    if (name.empty() || name == "auto") return false;
    if (model_.functions.count(name) && ownerOf(model_.functions.at(name)) == name) return true;
    for (const auto& [member, function] : model_.members)
      if (ownerOf(function) == name) return true;
    return false;
  }

  // No statement and no member initialiser: calling it does nothing.
  static bool isEmptyDefinition(const Function& function) {
    return function.body.childCount() == 0 &&
           findDescendant(function.definition, {"field_initializer_list"}).null();
  }

  void readParameters(const Node& list, Function& function) {
    for (const Node& p : childrenOf(list)) {
      const std::string name = declaredName(p.field("declarator"));
      function.parameters.push_back(name);
      function.parameterTypes.push_back(resolveType(std::string(p.field("type").text())));
      function.defaults.push_back(p.field("default_value"));
      const std::string_view declarator = p.field("declarator").type();
      function.byReference.push_back(declarator == "reference_declarator" ||
                                     declarator == "pointer_declarator" ||
                                     p.type() == "variadic_parameter_declaration");
    }
  }

  // ---- Uses: resizes, subscripts, assignments and lambdas ----
  void readUses(const Node& root) {
    std::set<std::string> movedOtherwise;  // scalars assigned or counted down somewhere
    for (const Node& n : descendantsOfType(
             root, {"call_expression", "declaration", "init_declarator", "assignment_expression",
                    "update_expression", "subscript_expression"})) {
      if (n.type() == "call_expression")
        readResize(n);
      else if (n.type() == "declaration" || n.type() == "init_declarator")
        readLambda(n);
      else if (n.type() == "assignment_expression" || n.type() == "update_expression")
        readAssignment(n);
      else if (n.type() == "subscript_expression")
        markIndexed(n);
      if (n.type() == "assignment_expression" ||
          (n.type() == "update_expression" && n.text().find("--") != std::string_view::npos)) {
        const Node target = unwrap(n.field(n.type() == "update_expression" ? "argument" : "left"));
        if (target.type() == "identifier") movedOtherwise.insert(std::string(target.text()));
      }
    }
    // Only a count that never goes back (no --, no reset) stays below the slots it indexes:
    // head and tail of a queue kept in an array are moved back and set again.
    for (const auto& [scalar, array] : countedIndexes_)
      if (!movedOtherwise.count(scalar)) model_.symbols[scalar].indexes = array;
  }

  // memo.assign(n, vector<ll>(n, -1)); par.resize(n): extents given after the declaration.
  void readResize(const Node& call) {
    const Node f = call.field("function");
    if (f.type() != "field_expression") return;
    const std::string_view method = f.field("field").text();
    if (method != "assign" && method != "resize") return;
    // Rows are sized once the sizes read from input are known (readRowResizes).
    if (f.field("argument").type() == "subscript_expression") {
      rowResizes_.push_back(call);
      return;
    }
    Symbol* found = containerAt(model_, containerName(f.field("argument")), call);
    if (!found || !found->dimensions.empty() || found->kind == ContainerKind::kScalar) return;
    found->dimensions = extentsBuilt(call.field("arguments"));
  }

  // up[k].assign(n, 0) of vector<int> up[LOG], g[i].resize(m) of g(n): the rows' length, when
  // the rows are counted and their length is not yet known.
  void readRowResizes() {
    for (const Node& call : rowResizes_) {
      const Node row = call.field("function").field("argument");
      Symbol* found = containerAt(model_, containerName(row), call);
      if (!found || !found->nestedContainer || found->dimensions.size() != 1) continue;
      // a[i].resize(d + 1) with d read for each row: rows of their own lengths, which the
      // items read into them count, not one length for all
      if (mentionsLoopLocal(call.field("arguments"))) continue;
      const std::vector<Cost> extents = extentsBuilt(call.field("arguments"));
      found->dimensions.insert(found->dimensions.end(), extents.begin(), extents.end());
    }
  }

  bool mentionsLoopLocal(const Node& arguments) {
    bool local = false;
    visitNodes(arguments, [&](const Node& n) {
      if (n.type() == "identifier") {
        const Symbol* symbol = findSymbolAt(model_, n.text(), n);
        local = local || (symbol && symbol->declaredInLoop);
      }
      return !local;
    });
    return local;
  }

  // The extents (n, vector<int>(m)) give, outermost first, up to the first constant one.
  std::vector<Cost> extentsBuilt(const Node& arguments) const {
    Node current = arguments;
    std::vector<Cost> extents;
    for (int guard = 0; guard < 4 && !current.null() && current.childCount() > 0; ++guard) {
      const Cost extent = magnitudeOf(model_, current.child(0), {});
      if (isConstantCost(extent)) break;
      extents.push_back(extent);
      current = constructorArguments(current.child(1));
    }
    return extents;
  }

  // f = vector<vector<int>>(n + 1, vector<int>(L)); this->d = vector<ll>(n): a container
  // declared bare (a member, most often) gets its extents from the object built into it, as
  // a declaration with those arguments would.
  void readConstructedAssignment(const Node& left, const Node& right) {
    std::string name;
    if (left.type() == "identifier") name = std::string(left.text());
    if (left.type() == "field_expression" && left.field("argument").type() == "this")
      name = std::string(left.field("field").text());
    if (name.empty() || right.type() != "call_expression") return;
    if (kindOfType(resolveType(std::string(right.field("function").text()))) ==
        ContainerKind::kScalar)
      return;
    Symbol* found = containerAt(model_, name, left);
    if (!found || !found->dimensions.empty() || found->kind == ContainerKind::kScalar ||
        found->kind == ContainerKind::kArray)
      return;
    readInitialiser(*found, right.field("arguments"), false);
  }

  void markIndexed(const Node& subscript) {
    Symbol* found = containerAt(model_, containerName(subscript.field("argument")), subscript);
    if (!found) return;
    found->indexed = true;
    // sz[sc]++, ch[++tot][c]: the index is a slot of the array, never past its extent
    if (found->kind != ContainerKind::kArray || subscript.field("argument").type() != "identifier")
      return;
    const Node indices = subscript.field("indices");
    Node index = unwrap(indices.type() == "subscript_argument_list" && indices.childCount() == 1
                            ? indices.child(0)
                            : indices);
    if (index.type() == "update_expression") index = index.field("argument");
    if (index.type() != "identifier") return;
    auto scalar = model_.symbols.find(std::string(index.text()));
    auto use = uses_.find(std::string(index.text()));
    // int c = 2 * k; ... c++: a position started at a value, not a count from a fixed start
    if (scalar != model_.symbols.end() && scalar->second.kind == ContainerKind::kScalar &&
        use != uses_.end() && use->second.written &&
        (scalar->second.initialiser.null() || evaluateConstant(model_, scalar->second.initialiser)))
      countedIndexes_.emplace(scalar->first, found->name);
  }

  // sz = vals.size(); m = n * (n - 1) / 2: a scalar assigned from sizes is a size too.
  void readAssignment(const Node& n) {
    const Node left = n.field(n.type() == "update_expression" ? "argument" : "left");
    if (n.type() == "assignment_expression") builds_.push_back(n);
    // q[i].id = i: a member given a value through its object holds that value, no size of its
    // own; what the value is stays with the object's entry.
    if (left.type() == "field_expression") {
      auto member = model_.symbols.find(std::string(left.field("field").text()));
      if (member != model_.symbols.end() && member->second.kind == ContainerKind::kScalar)
        member->second.assigned = true;
      return;
    }
    if (left.type() != "identifier") return;
    auto found = model_.symbols.find(std::string(left.text()));
    if (found == model_.symbols.end()) return;
    Symbol& symbol = found->second;
    symbol.assigned = true;
    if (n.type() == "update_expression" || n.field("operator").text() != "=") return;
    if (symbol.kind != ContainerKind::kScalar || symbol.fromInput || symbol.hasDerived ||
        symbol.isConstant)
      return;
    const Cost value = magnitudeOf(model_, n.field("right"), {});
    if (isConstantCost(value)) return;
    // the program's size stands for what the calls pass, no larger than what they walk
    symbol.derived = namesParameterOutside(n, symbol, value) ? primarySize(model_) : value;
    symbol.hasDerived = true;
  }

  // mx = max(mx, d) in dfs(v, p, d): a name declared outside the function given its parameter
  // holds whatever the calls pass, and the parameter's name means nothing where it is read.
  bool namesParameterOutside(const Node& at, const Symbol& symbol, const Cost& value) const {
    Node function = at.parent();
    for (int guard = 0; guard < 64 && !function.null(); ++guard, function = function.parent())
      if (function.type() == "function_definition" || function.type() == "lambda_expression") break;
    if (function.null() || function.type() != "function_definition") return false;
    auto found = model_.functions.find(definedName(function));
    if (found == model_.functions.end() || symbol.scope == found->first) return false;
    // arrLen = sz in a constructor: a member takes what each object is built with, told where
    // the object is declared.
    if (symbol.member) return false;
    const std::vector<std::string>& parameters = found->second.parameters;
    for (const std::string& size : sizesOf(value))
      if (std::find(parameters.begin(), parameters.end(), size) != parameters.end()) return true;
    return false;
  }

  // auto check = [&](int mid) {...};  function<void(int)> dfs = [&](int u) {...};
  void readLambda(const Node& n) {
    if (n.type() != "init_declarator") return;
    const Node value = n.field("value");
    if (value.null() || value.type() != "lambda_expression") return;
    Function function;
    function.name = declaredName(n.field("declarator"));
    function.body = value.field("body");
    function.definition = value;
    function.line = value.line();
    function.isLambda = true;
    const Node declarator = value.field("declarator");
    readParameters(declarator.field("parameters"), function);
    if (!function.name.empty() && !function.body.null()) model_.functions[function.name] = function;
  }

  Model& model_;
  TypeAliases aliases_;
  std::unordered_map<std::string, std::string> resolved_;  // spelling -> resolveType's answer
  std::map<std::string, NameUses> uses_;
  std::optional<AlphabetUses> alphabet_;  // read on the first constant that asks
  std::string scope_;
  bool second_ = false;                                // reading the declarations again
  bool keepFacts_ = false;                             // ... after the value facts were read
  std::multimap<std::string, Symbol> reread_;          // the declarations as read the second time
  int loops_ = 0;                                      // loops around the node being read
  std::vector<Node> rowResizes_;                       // g[i].resize(m), read after the inputs
  std::vector<Node> builds_;                           // assignments, for the values built in them
  std::map<std::string, std::string> countedIndexes_;  // sc -> sz of sz[sc]: the first array
};

// One walk of the whole program, so that the block-walk rule, which needs a division by a
// name somewhere, does not search each loop's surroundings in a program that has none.
bool dividesByName(const Node& root) {
  for (const Node& n : descendantsOfType(root, {"binary_expression"}))
    if (n.field("operator").text() == "/" && unwrap(n.field("right")).type() == "identifier")
      return true;
  return false;
}

}  // namespace

Model buildModel(const SyntaxReaderResult& syntax) {
  Model model;
  model.text = syntax.source;
  if (!syntax.source || !syntax.tree) return model;
  model.sumBoundedTests = statesSumBound(*syntax.source);
  model.tree = syntax.tree;
  model.nodes = readNodeTable(ts_tree_root_node(syntax.tree.get()));
  model.root = tableRoot(*model.nodes, *syntax.source);
  model.parsed = true;
  Reader(model).read(model.root);
  model.dividesByName = dividesByName(model.root);
  model.counted = findCountedArrays(model.root);
  return model;
}

Model buildModel(std::string_view source) {
  return buildModel(readCppSyntax(expandMacros(source)));
}

const Symbol* findSymbol(const Model& model, std::string_view name) {
  auto found = model.symbols.find(std::string(name));
  return found == model.symbols.end() ? nullptr : &found->second;
}

// Per name, its declarations' scopes sorted by start (the outer first where two start alike,
// the multimap's order kept among equal scopes), each with the nearest scope holding it. Scopes
// are syntax nodes, so two of them are nested or apart: the innermost scope holding a place is
// the last one starting at or before it that holds it, reached from there through the holders.
struct DeclarationIndex {
  static constexpr uint32_t kNone = UINT32_MAX;
  struct Entry {
    uint32_t start = 0, end = 0;
    Symbol* symbol = nullptr;
    uint32_t holder = kNone;  // the nearest earlier entry whose scope holds this one's
    uint32_t first = 0;       // the first entry with this very scope, in the multimap's order
    uint32_t order = 0;       // its place among the name's declarations in the multimap
  };
  struct Group {
    std::vector<Entry> entries;
    bool nested = true;  // every two scopes nested or apart; else the name is scanned
  };
  const void* owner = nullptr;  // the multimap indexed, and its size then
  size_t size = 0;
  std::unordered_map<std::string_view, Group> groups;
};

namespace {

void indexGroup(DeclarationIndex::Group& group) {
  auto& entries = group.entries;
  std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    return a.start != b.start ? a.start < b.start : a.end > b.end;
  });
  std::vector<uint32_t> open;
  for (uint32_t i = 0; i < entries.size(); ++i) {
    auto& entry = entries[i];
    while (!open.empty() && entries[open.back()].end < entry.end) {
      if (entries[open.back()].end > entry.start) group.nested = false;  // overlapping scopes
      open.pop_back();
    }
    entry.holder = open.empty() ? DeclarationIndex::kNone : open.back();
    const bool same =
        i > 0 && entries[i - 1].start == entry.start && entries[i - 1].end == entry.end;
    entry.first = same ? entries[i - 1].first : i;
    open.push_back(i);
  }
}

// Whether the index describes the model's declarations as they are.
const DeclarationIndex* currentIndex(const Model& model) {
  const DeclarationIndex* index = model.declarationIndex.get();
  return index && index->owner == &model.declarations && index->size == model.declarations.size()
             ? index
             : nullptr;
}

size_t declarationCount(const Model& model, std::string_view name) {
  if (const DeclarationIndex* index = currentIndex(model)) {
    const auto group = index->groups.find(name);
    return group == index->groups.end() ? 0 : group->second.entries.size();
  }
  return model.declarations.count(std::string(name));
}

std::vector<const Symbol*> readingsOf(const Model& model, const Symbol& symbol) {
  std::vector<const Symbol*> found;
  const DeclarationIndex* index = currentIndex(model);
  if (!index) {
    auto [first, last] = model.declarations.equal_range(symbol.name);
    for (auto it = first; it != last; ++it)
      if (it->second.line == symbol.line && it->second.scopeStart == symbol.scopeStart)
        found.push_back(&it->second);
    return found;
  }
  const auto group = index->groups.find(symbol.name);
  if (group == index->groups.end()) return found;
  const auto& entries = group->second.entries;
  const auto byStart = [](const auto& e, uint32_t start) { return e.start < start; };
  std::vector<std::pair<uint32_t, const Symbol*>> ordered;
  for (auto it = std::lower_bound(entries.begin(), entries.end(), symbol.scopeStart, byStart);
       it != entries.end() && it->start == symbol.scopeStart; ++it)
    if (it->symbol->line == symbol.line) ordered.emplace_back(it->order, it->symbol);
  std::sort(ordered.begin(), ordered.end());
  for (const auto& [order, earlier] : ordered) found.push_back(earlier);
  return found;
}

}  // namespace

void indexDeclarations(Model& model) {
  auto index = std::make_shared<DeclarationIndex>();
  index->owner = &model.declarations;
  index->size = model.declarations.size();
  for (auto& [name, symbol] : model.declarations) {
    auto& entries = index->groups[std::string_view(name)].entries;
    entries.push_back({symbol.scopeStart, symbol.scopeEnd, &symbol, DeclarationIndex::kNone, 0,
                       static_cast<uint32_t>(entries.size())});
  }
  for (auto& [name, group] : index->groups) indexGroup(group);
  model.declarationIndex = std::move(index);
}

Symbol* declarationAt(Model& model, std::string_view name, const Node& use) {
  if (use.null()) return nullptr;
  const uint32_t at = ts_node_start_byte(use.raw);
  if (const DeclarationIndex* index = currentIndex(model)) {
    const auto found = index->groups.find(name);
    if (found == index->groups.end()) return nullptr;
    const auto& [entries, nested] = found->second;
    if (nested) {
      // The last scope starting at or before `at`, then its holders, until one holds `at`.
      const auto after =
          std::upper_bound(entries.begin(), entries.end(), at,
                           [](uint32_t place, const auto& e) { return place < e.start; });
      uint32_t i = after == entries.begin() ? DeclarationIndex::kNone
                                            : static_cast<uint32_t>(after - entries.begin() - 1);
      while (i != DeclarationIndex::kNone && at >= entries[i].end) i = entries[i].holder;
      return i == DeclarationIndex::kNone ? nullptr : entries[entries[i].first].symbol;
    }
  }
  Symbol* innermost = nullptr;
  auto [first, last] = model.declarations.equal_range(std::string(name));
  for (auto it = first; it != last; ++it) {
    Symbol& d = it->second;
    if (at < d.scopeStart || at >= d.scopeEnd) continue;
    if (!innermost || d.scopeEnd - d.scopeStart < innermost->scopeEnd - innermost->scopeStart)
      innermost = &d;
  }
  return innermost;
}

const Symbol* findSymbolAt(const Model& model, std::string_view name, const Node& use) {
  const Symbol* table = findSymbol(model, name);
  if (use.null() || declarationCount(model, name) < 2) return table;
  const Symbol* innermost = declarationAt(const_cast<Model&>(model), name, use);
  // A container's entry in the table carries what the whole program did with it (pushes,
  // resizes); a scalar's own declaration carries its value, its reads and its scope.
  if (!innermost || !table) return table;
  // A member and a local of another function named alike: the table holds one of them, and
  // where the other is in scope it is what the name means.
  const bool other = innermost->line != table->line && innermost->kind != table->kind;
  if (innermost->kind != ContainerKind::kScalar && !innermost->isParameter && !other) return table;
  return innermost;
}

namespace {

bool isSameDeclaration(const Symbol& a, const Symbol& b) {
  return a.line == b.line && a.scopeStart == b.scopeStart;
}

}  // namespace

Symbol* containerAt(Model& model, std::string_view name, const Node& use) {
  auto found = model.symbols.find(std::string(name));
  Symbol* table = found == model.symbols.end() ? nullptr : &found->second;
  if (!table || use.null() || declarationCount(model, name) < 2) return table;
  Symbol* declared = declarationAt(model, name, use);
  // A parameter stands for its caller's object, which the table describes.
  if (!declared || declared->kind == ContainerKind::kScalar || declared->isParameter ||
      isSameDeclaration(*declared, *table))
    return table;
  return declared;
}

const Symbol* containerAt(const Model& model, std::string_view name, const Node& use) {
  return containerAt(const_cast<Model&>(model), name, use);
}

std::string containerKey(const Model& model, std::string_view name, const Node& use) {
  const Symbol* entry = containerAt(model, name, use);
  const Symbol* table = findSymbol(model, name);
  if (!entry || entry == table) return std::string(name);
  return std::string(name) + "@" + std::to_string(entry->scopeStart);
}

std::string nameOfKey(const std::string& key) { return key.substr(0, key.find_first_of("@#")); }

Symbol* entryOfKey(Model& model, const std::string& key) {
  const std::string name = nameOfKey(key);
  const size_t at = key.find('@');
  if (at == std::string::npos) {
    auto found = model.symbols.find(name);
    return found == model.symbols.end() ? nullptr : &found->second;
  }
  const std::string scope = key.substr(at + 1, key.find('#', at) - at - 1);
  auto [first, last] = model.declarations.equal_range(name);
  for (auto it = first; it != last; ++it)
    if (std::to_string(it->second.scopeStart) == scope && it->second.kind != ContainerKind::kScalar)
      return &it->second;
  return nullptr;
}

const Symbol* entryOfKey(const Model& model, const std::string& key) {
  return entryOfKey(const_cast<Model&>(model), key);
}

bool isLimitConstant(const Symbol& symbol) {
  if (!symbol.isConstant || !symbol.value || symbol.notASize) return false;
  return *symbol.value >= kSmallestLimit && *symbol.value < kLargestLimit;
}

bool isLogConstant(const Symbol& symbol) {
  if (!symbol.isConstant || !symbol.value) return false;
  return symbol.countsLevels && *symbol.value >= 8 && *symbol.value <= 64;
}

bool isTestCount(const Model& model, std::string_view name) {
  return model.testCounts.count(std::string(name)) > 0;
}

Cost primarySize(const Model& model) {
  std::string lastCount;
  for (const std::string& name : model.inputOrder) {
    if (isTestCount(model, name)) {
      lastCount = name;
      continue;
    }
    const Symbol* symbol = findSymbol(model, name);
    if (symbol && symbol->kind == ContainerKind::kString) {
      // char w[25] read with %s: a word of bounded length sizes nothing.
      if (isConstantCost(containerSizeOf(model, *symbol))) continue;
      return sizeCost("|" + name + "|");
    }
    return sizeCost(name);
  }
  // Only counts were read (tests, then the items of each): the innermost counts the items.
  if (!lastCount.empty()) return sizeCost(lastCount);
  for (const auto& [name, symbol] : model.symbols)
    if (isLimitConstant(symbol)) return sizeCost(name);
  return sizeCost("n");
}

bool statesSumBound(std::string_view source) {
  // "the sum of n over all tests does not exceed 2*10^5", "sum of n <= 2e5", "Σn ≤ 2·10^5"
  static const char* const kForms[] = {
      "(//|/\\*|\\*)[^\\n]*([Ss]um|SUM) of [^\\n]{0,40}(over|across|in|for) (all |the )*"
      "(test|case|input)",
      "(//|/\\*|\\*)[^\\n]*([Ss]um|SUM|Σ|\\\\sum)( of)?( all)?( the)? ?[A-Za-z_|]{1,12}\\|? ?"
      "(<=|≤|<|does not exceed|doesn't exceed|is at most|will not exceed|won't exceed|not exceed)",
  };
  // Every match lies within one line and names a sum: only the lines that say "sum" (or Σ)
  // are searched, not the whole program once per form.
  for (size_t start = 0; start < source.size();) {
    const size_t end = std::min(source.find('\n', start), source.size());
    const std::string_view line = source.substr(start, end - start);
    start = end + 1;
    const bool namesSum = line.find("um") != std::string_view::npos ||
                          line.find("UM") != std::string_view::npos ||
                          line.find("Σ") != std::string_view::npos;
    if (!namesSum) continue;
    for (const char* form : kForms)
      if (containsRegex(line, form)) return true;
  }
  return false;
}

std::optional<double> evaluateConstant(const Model& model, const Node& expression) {
  const Node& e = expression;
  if (e.null()) return std::nullopt;
  const std::string_view type = e.type();
  if (type == "number_literal") {
    std::string digits;
    for (char c : e.text())
      if (c != '\'') digits += c;
    while (!digits.empty() &&
           std::string_view("uUlLfF").find(digits.back()) != std::string_view::npos &&
           digits.rfind("0x", 0) != 0)
      digits.pop_back();
    try {
      size_t used = 0;
      const double value = digits.rfind("0x", 0) == 0
                               ? static_cast<double>(std::stoll(digits, &used, 16))
                               : std::stod(digits, &used);
      return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
    } catch (...) {
      return std::nullopt;
    }
  }
  if (type == "parenthesized_expression" || type == "cast_expression") {
    return evaluateConstant(model, e.childCount() ? e.child(e.childCount() - 1) : Node{});
  }
  if (type == "identifier") {
    const Symbol* symbol = findSymbol(model, e.text());
    if (symbol && symbol->isConstant && symbol->value) return symbol->value;
    return std::nullopt;
  }
  if (type == "binary_expression") {
    const auto left = evaluateConstant(model, e.field("left"));
    const auto right = evaluateConstant(model, e.field("right"));
    if (!left || !right) return std::nullopt;
    const std::string_view op = e.field("operator").text();
    if (op == "+") return *left + *right;
    if (op == "-") return *left - *right;
    if (op == "*") return *left * *right;
    if (op == "/" && *right != 0) return *left / *right;
    if (op == "<<" && *right >= 0 && *right < 63) return *left * std::pow(2.0, *right);
    if (op == ">>" && *right >= 0 && *right < 63) return *left / std::pow(2.0, *right);
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace quorbel
