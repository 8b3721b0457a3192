#include "model/magnitude.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "base/text.h"
#include "model/halved_ranges.h"
#include "model/reassignments.h"
#include "model/returned_sizes.h"

namespace quorbel {

// g[0], g.front(), g.back(), g.at(0): one fixed row of the container `g`, which tells the row
// length of a table; null otherwise. A row picked by a variable (g[u]) is that row's own length,
// as an adjacency list's.
Node fixedRowOwner(const Node& expression) {
  const auto fixed = [](const Node& index) {
    bool digit = false;
    for (char c : index.text()) {
      if (c >= '0' && c <= '9')
        digit = true;
      else if (c != '[' && c != ']' && c != '(' && c != ')' && c != ' ')
        return false;
    }
    return digit;
  };
  if (expression.type() == "subscript_expression")
    return fixed(expression.field("indices")) ? expression.field("argument") : Node{};
  if (expression.type() != "call_expression") return {};
  const Node function = expression.field("function");
  if (function.type() != "field_expression") return {};
  const std::string_view field = function.field("field").text();
  if (field == "front" || field == "back") return function.field("argument");
  return field == "at" && fixed(expression.field("arguments")) ? function.field("argument")
                                                               : Node{};
}

namespace {

// INT_MAX, LLONG_MAX, RAND_MAX: the headers' constants, never sizes.
bool isLibraryConstant(std::string_view name) {
  for (char c : name)
    if (std::islower(static_cast<unsigned char>(c))) return false;
  return true;
}

// The size of the container an expression names where it stands: a parameter named like a
// container of the caller's is the parameter, replaced by the argument at each call.
Cost containerSizeAt(const Model& model, const Node& expression) {
  // grid.front().size(): the length of one row, not the number of rows.
  if (const Node owner = fixedRowOwner(expression); owner.type() == "identifier") {
    const Symbol* symbol = findSymbolAt(model, owner.text(), owner);
    if (symbol && symbol->nestedContainer) return rowLength(model, *symbol);
  }
  const std::string name = containerName(expression);
  Node use = expression;
  while (!use.null() && use.type() != "identifier" && use.childCount() > 0) use = use.child(0);
  const Symbol* symbol = findSymbolAt(model, name, use);
  // A nested parameter's size() counts its rows, whatever the caller's rows hold.
  if (symbol && symbol->isParameter && symbol->nestedContainer) return sizeCost(name + "#rows");
  if (symbol && symbol->isParameter && symbol->kind != ContainerKind::kScalar)
    return sizeCost(symbol->kind == ContainerKind::kString ? "|" + name + "|" : name);
  return containerSize(model, name, use);
}

// The entries pushed onto `array`, kept as a stack by a counter, where `use` asks. In a
// function with a parameter named like one of those sizes (push(int n, ..) beside main's n) a
// call would take the size for its argument: there the stack is told by its own name, |heap|.
Cost stackSize(const Model& model, const std::string& array, const Node& use) {
  // the pushes counted, else the array's extent
  const Symbol* symbol = findSymbol(model, array);
  const Cost size =
      symbol && !isConstantCost(symbol->elements) ? symbol->elements : containerSize(model, array);
  Node function = use;
  for (int guard = 0; guard < 400 && !function.null() && function.type() != "function_definition";
       ++guard)
    function = function.parent();
  if (function.null()) return size;
  const Node declarator = findDescendant(function.field("declarator"), {"identifier"});
  auto found = model.functions.find(std::string(declarator.text()));
  if (found == model.functions.end()) return size;
  for (const std::string& size_name : sizesOf(size))
    for (const std::string& parameter : found->second.parameters)
      if (parameter == size_name) return sizeCost("|" + array + "|");
  return size;
}

Cost magnitudeOfIdentifier(const Model& model, std::string_view name,
                           const std::vector<LoopVariable>& loops, const Node& use = {}) {
  const Symbol* symbol = findSymbolAt(model, name, use);
  // cin >> n; n = 1 << n; for (i < n): the value the last reassignment before the use gave,
  // over what the name was bound to before it (int w = n; ... w = 1 << n;).
  const Reassignment* reassigned = reassignmentAt(model, name, use);
  if (reassigned && symbol && symbol->kind == ContainerKind::kScalar &&
      symbol->scopeStart <= reassigned->from && reassigned->to <= symbol->scopeEnd)
    return reassigned->value;
  for (auto it = loops.rbegin(); it != loops.rend(); ++it)
    if (it->name == name) return it->range;
  // A name the snippet never declares, or a scalar it never gives a value: a size it leaves
  // to its reader (`int n; for (i < n)`).
  if (!symbol) return isLibraryConstant(name) ? constantCost() : sizeCost(std::string(name));
  if (symbol->isConstant) {
    if (isLimitConstant(*symbol)) return sizeCost(symbol->name);
    if (isLogConstant(*symbol)) return logCost(primarySize(model));
    // dp[1 << K][K]: however small, K is the size the table grows with.
    if (symbol->countsItems && !symbol->countsLevels) return sizeCost(symbol->name);
    // const int m = 2 * n: a constant with no value before the run is a size made of sizes.
    if (!symbol->value && symbol->hasDerived) return symbol->derived;
    return constantCost();
  }
  if (symbol->kind != ContainerKind::kScalar) return containerSize(model, symbol->name, use);
  // hn of heap[++hn] = x: as large as the items pushed onto the array it keeps as a stack
  auto stack = model.counted.stacks.find(symbol->name);
  if (stack != model.counted.stacks.end()) return stackSize(model, stack->second, use);
  // auto [lo, hi] = range(): a part of a returned value, a position or count no larger than
  // the program's size; the binding's own name is no size the reader knows.
  if (symbol->bound) return primarySize(model);
  if (symbol->fromInput || symbol->isParameter) return sizeCost(symbol->name);
  if (symbol->hasDerived) return symbol->derived;
  if (!symbol->value && !symbol->assigned) return sizeCost(symbol->name);
  // ++sc in a recursion, then sz[sc]: a count kept where no loop bounds it is still a slot of
  // the array it indexes
  if (!symbol->indexes.empty()) {
    const Symbol* array = findSymbol(model, symbol->indexes);
    if (array && array->kind == ContainerKind::kArray && !array->dimensions.empty())
      return array->dimensions.front();
  }
  return constantCost();
}

// __builtin_clz(n), countl_zero(n), __builtin_popcountll(n): counts of bits, at most log n.
bool isBitCount(std::string_view name) {
  if (name.substr(0, 5) == "std::") name.remove_prefix(5);
  for (std::string_view count :
       {"__builtin_clz", "__builtin_clzl", "__builtin_clzll", "__builtin_ctz", "__builtin_ctzl",
        "__builtin_ctzll", "__builtin_popcount", "__builtin_popcountll", "countl_zero",
        "countr_zero", "popcount", "__builtin_ffs", "__builtin_ffsll"})
    if (name == count) return true;
  return false;
}

// The logarithm of a value: of its size, or of a named constant too large to be a limit
// (floor(log2(MAX_K)) with MAX_K = 1e9 levels of doubling).
Cost logOfValue(const Model& model, const Node& argument, const std::vector<LoopVariable>& loops) {
  Node a = argument;
  while (!a.null() && (a.type() == "parenthesized_expression" || a.type() == "cast_expression"))
    a = a.child(a.childCount() - 1);
  const Cost value = magnitudeOf(model, a, loops);
  if (!isConstantCost(value) || a.type() != "identifier") return logCost(value);
  const Symbol* symbol = findSymbolAt(model, a.text(), a);
  if (symbol && symbol->isConstant && symbol->value && *symbol->value >= 100)
    return logCost(sizeCost(symbol->name));
  return constantCost();
}

Cost magnitudeOfCall(const Model& model, const Node& call, const std::vector<LoopVariable>& loops);

// using uint = unsigned; typedef long long ll;
bool isTypeAlias(const Model& model, const std::string& name) {
  for (const Node& top : childrenOf(model.root)) {
    if (top.type() == "alias_declaration" && top.field("name").text() == name) return true;
    if (top.type() == "type_definition" && top.field("declarator").text() == name) return true;
  }
  return false;
}

// The size of an argument: a container's entries, a scalar's value.
Cost argumentSize(const Model& model, const Node& argument,
                  const std::vector<LoopVariable>& loops) {
  if (const Node passed = passedThrough(argument); !(passed == argument))
    return argumentSize(model, passed, loops);
  if (argument.type() == "identifier") {
    const Symbol* symbol = findSymbolAt(model, argument.text(), argument);
    if (symbol && symbol->kind != ContainerKind::kScalar) return containerSizeAt(model, argument);
  }
  return magnitudeOf(model, argument, loops);
}

// build(s) returning a container sized by s: as many entries as it returns, in the caller's
// sizes; a left-out argument passes the parameter's default.
Cost returnedSizeOf(const Model& model, const Function& function, const std::vector<Node>& given,
                    const std::vector<LoopVariable>& loops) {
  std::vector<Cost> sizes;
  std::vector<RowShape> shapes;
  for (size_t k = 0; k < function.parameters.size(); ++k) {
    Node argument = k < given.size() ? given[k] : Node{};
    if (argument.null() && k < function.defaults.size()) argument = function.defaults[k];
    sizes.push_back(argumentSize(model, argument, loops));
    // A nested argument's size() counts its rows, not every entry of every row.
    const Symbol* nested =
        argument.type() == "identifier" ? findSymbolAt(model, argument.text(), argument) : nullptr;
    if (nested && nested->nestedContainer && !nested->isParameter)
      shapes.push_back({vertexCount(model, nested->name), rowLength(model, *nested)});
    else if (nested && nested->nestedContainer)
      shapes.push_back({sizes.back(), sizeCost(nested->name + "#row")});
    else
      shapes.push_back({sizes.back(), sizes.back()});
  }
  return returnedSize(model, function, sizes, shapes);
}

// bsr(n) { return 31 - __builtin_clz(n); }, half(x) { return x / 2; }: a helper whose body is
// one return is the value of that expression with its parameters bound to the arguments;
// uint(n) of a type alias converts. Helpers are followed a few levels deep only.
Cost magnitudeOfHelper(const Model& model, const Node& call,
                       const std::vector<LoopVariable>& loops) {
  static thread_local int depth = 0;
  const Node function = call.field("function");
  const Node arguments = call.field("arguments");
  const std::string name(function.type() == "template_function" ? function.field("name").text()
                                                                : function.text());
  auto helper = model.functions.find(name);
  if (helper == model.functions.end()) {
    if (arguments.childCount() == 1 &&
        (function.type() == "type_identifier" || isTypeAlias(model, name)))
      return magnitudeOf(model, arguments.child(0), loops);
    return constantCost();
  }
  const Node body = helper->second.body;
  if (depth >= 3 || body.null()) return constantCost();
  if (body.childCount() != 1 || body.child(0).type() != "return_statement")
    return returnedSizeOf(model, helper->second, childrenOf(arguments), loops);
  if (helper->second.parameters.size() != arguments.childCount()) return constantCost();
  const Node returned = body.child(0).childCount() ? body.child(0).child(0) : Node{};
  std::vector<LoopVariable> bound;
  for (size_t k = 0; k < helper->second.parameters.size(); ++k)
    bound.push_back({helper->second.parameters[k],
                     magnitudeOf(model, arguments.child(static_cast<uint32_t>(k)), loops)});
  // Counted back down however the reading ends: the thread runs the next analysis too.
  struct Deeper {
    int& depth;
    explicit Deeper(int& d) : depth(++d) {}
    ~Deeper() { --depth; }
  } deeper(depth);
  return magnitudeOf(model, returned, bound);
}

Cost magnitudeOfCall(const Model& model, const Node& call, const std::vector<LoopVariable>& loops) {
  const Node function = call.field("function");
  const Node arguments = call.field("arguments");
  if (function.type() == "field_expression") {
    const std::string_view method = function.field("field").text();
    if (method == "size" || method == "length" || method == "end" || method == "rend") {
      // x.size() in a helper whose x is bound to the caller's argument: the argument's size.
      const Node object = function.field("argument");
      for (auto it = loops.rbegin(); object.type() == "identifier" && it != loops.rend(); ++it)
        if (it->name == object.text()) return it->range;
      return containerSizeAt(model, object);
    }
    return constantCost();
  }
  const std::string_view name = function.text();
  // A function the program defines is read from its body, whatever library name it shares.
  if (function.type() == "identifier" && model.functions.count(std::string(name)))
    return magnitudeOfHelper(model, call, loops);
  const Node first = arguments.child(0);
  // static_cast<int>(v.size()), int(s.length()): a conversion keeps the value it converts.
  if (function.type() == "primitive_type" || function.type() == "sized_type_specifier" ||
      (function.type() == "identifier" && model.scalarAliases.count(std::string(name))) ||
      (function.type() == "template_function" && function.field("name").text() == "static_cast"))
    return magnitudeOf(model, first, loops);
  // The math library's functions by their base names: std::ceil and ceill are ceil.
  std::string_view base = name;
  if (base.substr(0, 5) == "std::") base.remove_prefix(5);
  for (std::string_view stem : {"sqrt", "cbrt", "ceil", "floor", "round", "trunc", "fabs"})
    if (base.size() == stem.size() + 1 && base.substr(0, stem.size()) == stem &&
        (base.back() == 'l' || base.back() == 'f'))
      base = stem;
  if (base == "sqrt" || base == "isqrt") return sqrtCost(magnitudeOf(model, first, loops));
  if (base == "cbrt") return rootCost(magnitudeOf(model, first, loops), 3);
  // Rounding keeps the value it rounds: ceil(sqrtl(n)) is still the root of n.
  for (std::string_view rounding : {"ceil", "floor", "round", "trunc", "llround", "lround", "rint",
                                    "lrint", "llrint", "nearbyint", "fabs", "labs"})
    if (base == rounding) return magnitudeOf(model, first, loops);
  if (name == "log2" || name == "__lg" || name == "log" || name == "std::__lg" || name == "log10" ||
      name == "bit_width" || name == "std::bit_width" || name == "log2l" || isBitCount(name))
    return logOfValue(model, first, loops);
  // the digits of a number: as many as its logarithm
  if (name == "to_string" || name == "std::to_string") return logOfValue(model, first, loops);
  if (name == "max" || name == "std::max") {
    Cost total;
    for (const Node& argument : childrenOf(arguments))
      total = addCosts(total, magnitudeOf(model, argument, loops));
    return total;
  }
  if (name == "min" || name == "std::min") {
    for (const Node& argument : childrenOf(arguments)) {
      Cost value = magnitudeOf(model, argument, loops);
      if (!isConstantCost(value)) return value;
    }
    return constantCost();
  }
  if (name == "size" || name == "std::size" || name == "ssize" || name == "std::ssize" ||
      name == "end" || name == "std::end" || name == "strlen")
    return containerSizeAt(model, first);
  if (name == "abs" || name == "llabs") return magnitudeOf(model, first, loops);
  if (name == "pow" || name == "std::pow" || name == "powl") {
    // pow(2, k) is 2^k; pow(n, 3) is n^3
    const auto base = evaluateConstant(model, first);
    const auto exponent = evaluateConstant(model, arguments.child(1));
    if (base && *base >= 2 && !exponent)
      return exponentialCost(magnitudeOf(model, arguments.child(1), loops), *base);
    if (!base && exponent && *exponent >= 1 && *exponent <= 8) {
      const Cost once = magnitudeOf(model, first, loops);
      Cost power = once;
      for (int k = 1; k < static_cast<int>(*exponent); ++k) power = multiplyCosts(power, once);
      return power;
    }
    return constantCost();
  }
  return magnitudeOfHelper(model, call, loops);
}

Cost magnitudeOfBinary(const Model& model, const Node& e, const std::vector<LoopVariable>& loops) {
  const std::string_view op = e.field("operator").text();
  const Node leftNode = e.field("left"), rightNode = e.field("right");
  if (op == "<<") {
    const auto base = evaluateConstant(model, leftNode);
    if (base && *base == 1) {
      // 1 << (n / 2), 1 << half: the halves of meet in the middle
      const Cost exponent = magnitudeOf(model, rightNode, loops);
      return isHalfOf(model, rightNode) ? exponentialCost(exponent, std::sqrt(2.0))
                                        : powerOfTwoCost(exponent);
    }
    return magnitudeOf(model, leftNode, loops);
  }
  // a + n on an array is a position: the offset counts, the array's size does not.
  auto isContainer = [&](const Node& side) {
    const Symbol* symbol = side.type() == "identifier" ? findSymbol(model, side.text()) : nullptr;
    return symbol && symbol->kind != ContainerKind::kScalar &&
           symbol->kind != ContainerKind::kString;
  };
  const Cost left = isContainer(leftNode) ? constantCost() : magnitudeOf(model, leftNode, loops);
  const Cost right = isContainer(rightNode) ? constantCost() : magnitudeOf(model, rightNode, loops);
  if (op == "+" || op == "|" || op == "^") return addCosts(left, right);
  if (op == "*") return multiplyCosts(left, right);
  // 64 - __builtin_clzll(n), digits - 1 - countl_zero(k): the bit length of n, log n.
  const Node counted = rightNode.type() == "call_expression" ? rightNode : Node{};
  if (op == "-" && isConstantCost(left) && !counted.null() &&
      isBitCount(counted.field("function").text()))
    return right;
  // l / n with l = n * m: a size that every term of the dividend holds divides out.
  const Cost divisor = simplifyCost(right);
  if (op == "/" && divisor.terms.size() == 1 && divisor.terms[0].sizes.size() == 1 &&
      !isConstantCost(left)) {
    const auto& [size, growth] = *divisor.terms[0].sizes.begin();
    const Cost dividend = simplifyCost(left);
    bool holds = true;
    for (const Monomial& term : dividend.terms) {
      auto found = term.sizes.find(size);
      holds = holds && found != term.sizes.end() && found->second == growth;
    }
    if (holds) return divideCosts(dividend, divisor);
  }
  if (op == "-" || op == ">>" || op == "/") return isConstantCost(left) ? constantCost() : left;
  if (op == "%" || op == "&") return isConstantCost(right) ? left : right;
  return constantCost();
}

}  // namespace

Node constructorArguments(const Node& argument) {
  if (argument.type() == "call_expression") return argument.field("arguments");
  if (argument.type() == "parameter_declaration" &&
      argument.field("declarator").type() == "abstract_function_declarator")
    return argument.field("declarator").field("parameters");
  return {};
}

std::string containerName(const Node& expression) {
  Node e = expression;
  for (int guard = 0; guard < 8 && !e.null(); ++guard) {
    const std::string_view type = e.type();
    if (type == "identifier" || type == "field_identifier" || type == "type_identifier")
      return std::string(e.text());
    if (type == "field_expression") {
      const std::string_view field = e.field("field").text();
      // this->a, s.a: the member; a.begin(): the object
      if (field == "begin" || field == "end" || field == "rbegin" || field == "rend" ||
          field == "size" || field == "length" || field == "data")
        e = e.field("argument");
      else
        e = e.field("field");
    } else if (type == "call_expression") {
      const Node function = e.field("function");
      if (function.type() == "field_expression")
        e = function;
      else
        e = e.field("arguments").child(0);
    } else if (type == "subscript_expression") {
      e = e.field("argument");
    } else if (type == "binary_expression") {
      e = e.field("left");
    } else {
      e = e.childCount() ? e.child(e.childCount() - 1) : Node{};
    }
  }
  return "";
}

bool madeOfItemCounts(const Model& model, const Cost& extent) {
  const std::vector<std::string> sizes = sizesOf(extent);
  for (const std::string& size : sizes) {
    const Symbol* symbol = findSymbol(model, size);
    if (!symbol || !symbol->countsItems) return false;
  }
  return !sizes.empty();
}

namespace {

// A literal extent (the |a| of a[100005], or the 20 of w[20]) is as large as the indices that
// fill it: p[i] for i < n holds n entries, dp[mask] for mask < 2^k holds 2^k.
Cost usedDimension(const Model& model, const Symbol& symbol, size_t k) {
  const Cost& declared = symbol.dimensions[k];
  const bool literal = isConstantCost(declared) ||
                       sizesOf(declared) == std::vector<std::string>{"|" + symbol.name + "|"} ||
                       madeOfItemCounts(model, declared);
  if (literal && k < symbol.filled.size() && !isConstantCost(symbol.filled[k]))
    return symbol.filled[k];
  return declared;
}

}  // namespace

Cost rowLength(const Model& model, const Symbol& symbol) {
  if (!symbol.isParameter && symbol.dimensions.size() >= 2) return usedDimension(model, symbol, 1);
  return sizeCost(symbol.name + "#row");
}

Cost containerSize(const Model& model, const std::string& name) {
  const Symbol* symbol = findSymbol(model, name);
  return symbol ? containerSizeOf(model, *symbol) : constantCost();
}

Cost containerSize(const Model& model, const std::string& name, const Node& use) {
  const Symbol* symbol = containerAt(model, name, use);
  return symbol ? containerSizeOf(model, *symbol) : constantCost();
}

namespace {

// The container whose whole range a declaration copies: s of v(s.begin(), s.end()), of
// vector<int> v = s and of string t(s).
std::string copiedContainer(const Symbol& symbol) {
  const Node list = symbol.initialiser;
  if (list.null()) return {};
  if (list.type() == "identifier") return std::string(list.text());
  // vector<int> v(s) may parse as a function's declaration taking a type named s.
  if ((list.type() == "argument_list" || list.type() == "parameter_list") &&
      childrenOf(list).size() == 1) {
    const std::string_view only = list.child(0).text();
    const bool name =
        !only.empty() && isIdentifierStartByte(only.front()) &&
        std::all_of(only.begin(), only.end(), [](char c) { return isIdentifierPartByte(c); });
    return name ? std::string(only) : std::string();
  }
  if (list.type() != "argument_list") return {};
  const std::vector<Node> ends = childrenOf(list);
  if (ends.size() != 2) return {};
  std::string owner;
  const char* const kEnds[2][2] = {{"begin", "rbegin"}, {"end", "rend"}};
  for (uint32_t k = 0; k < 2; ++k) {
    // v(s.begin() + i, s.end()): a part of s, at most all of it
    Node call = ends[k];
    for (int guard = 0; guard < 4 && call.type() == "binary_expression"; ++guard) {
      const std::string_view op = call.field("operator").text();
      if (op != "+" && op != "-") break;
      call = call.field("left");
    }
    const Node function = call.type() == "call_expression" ? call.field("function") : Node{};
    if (function.null() || function.type() != "field_expression") return {};
    const std::string_view field = function.field("field").text();
    if (field != kEnds[k][0] && field != kEnds[k][1]) return {};
    const std::string object(function.field("argument").text());
    if (k == 1 && object != owner) return {};
    owner = object;
  }
  return owner;
}

}  // namespace

Cost containerSizeOf(const Model& model, const Symbol& entry) {
  const Symbol* symbol = &entry;
  const std::string& name = entry.name;
  if (symbol->isParameter)
    return sizeCost(symbol->kind == ContainerKind::kString ? "|" + name + "|" : symbol->name);
  // char s[1000006] read whole: as long as the string read, named by its length if it has one.
  if (symbol->kind == ContainerKind::kString && symbol->fromInput && symbol->literalLimit)
    return sizeCost(symbol->sizeName.empty() ? "|" + name + "|" : symbol->sizeName);
  // char w[55] read with %s: a word no longer than the array, whatever is read into it.
  if (symbol->kind == ContainerKind::kString && !symbol->literalLimit &&
      !symbol->dimensions.empty() && !symbol->isParameter) {
    bool small = true;
    for (const Cost& extent : symbol->dimensions) small = small && isConstantCost(extent);
    if (small) return constantCost();
  }
  Cost extent;
  if (!symbol->dimensions.empty()) {
    extent = usedDimension(model, *symbol, 0);
    if (symbol->kind == ContainerKind::kArray || symbol->kind == ContainerKind::kVector)
      for (size_t i = 1; i < symbol->dimensions.size(); ++i)
        extent = multiplyCosts(extent, usedDimension(model, *symbol, i));
  }
  if (symbol->literalLimit && !sizesOf(simplifyCost(extent)).empty() &&
      (!isConstantCost(symbol->elements) || !isConstantCost(symbol->slotWrites))) {
    // int a[200005] holding the n numbers read is sized by them; a list per slot
    // (vector<int> adj[100005]) holds the edges pushed over the vertices read.
    extent = symbol->nestedContainer ? usedExtent(model, {extent}) : constantCost();
  }
  // Pushes grow a container past its extent; reads into slots fill the extent, and only tell
  // the size of one whose extent is a literal (int w[20] holding the n weights).
  Cost size = addCosts(extent, symbol->elements);
  // heap[++hn] = x, to[u][deg[u]++] = v: a plain array's entries fill it, never past its extent
  if (symbol->kind == ContainerKind::kArray && !symbol->nestedContainer && !isConstantCost(extent))
    size = extent;
  if (isConstantCost(extent)) size = addCosts(size, symbol->slotWrites);
  // vector<int> v(s.begin(), s.end()): as many entries as the container it copies, asked when
  // wanted, so that entries the copied one learns after the declaration count too.
  if (isConstantCost(size) && isConstantCost(symbol->elements)) {
    static thread_local int copies = 0;
    const std::string copied = copiedContainer(*symbol);
    const Symbol* source = copied.empty() ? nullptr : findSymbol(model, copied);
    if (source && source->kind != ContainerKind::kScalar && copied != name && copies < 4) {
      ++copies;
      size = containerSize(model, copied, symbol->initialiser);
      --copies;
    }
  }
  if (!isConstantCost(size)) return size;
  if (symbol->fromInput && (symbol->kind == ContainerKind::kString || !symbol->sizeName.empty()))
    return sizeCost(symbol->sizeName.empty() ? "|" + name + "|" : symbol->sizeName);
  // An unsized vector used as an array holds what its caller put there: the program's size.
  if (symbol->kind == ContainerKind::kVector && symbol->indexed && symbol->dimensions.empty() &&
      symbol->scope.empty())
    return primarySize(model);
  return constantCost();
}

// The sizes the program reads, test counts aside, in reading order.
std::vector<std::string> readSizes(const Model& model) {
  std::vector<std::string> sizes;
  for (const std::string& name : model.inputOrder) {
    const Symbol* symbol = findSymbol(model, name);
    if (!isTestCount(model, name) && symbol && symbol->kind == ContainerKind::kScalar)
      sizes.push_back(name);
  }
  return sizes;
}

bool isCapacity(const Model& model, const Cost& extent) {
  const std::vector<std::string> sizes = sizesOf(simplifyCost(extent));
  if (sizes.empty()) return false;
  for (const std::string& size : sizes) {
    // |adj| of vector<int> adj[100005]: an unnamed limit.
    if (size.size() > 2 && size.front() == '|') {
      const Symbol* array = findSymbol(model, size.substr(1, size.size() - 2));
      if (array && array->literalLimit) continue;
    }
    const Symbol* symbol = findSymbol(model, size);
    if (!symbol || !isLimitConstant(*symbol)) return false;
  }
  return true;
}

Cost usedExtent(const Model& model, const std::vector<Cost>& extents) {
  // adj[maxN] or grid[maxN][maxM] only bound what the input fills: a traversal visits the
  // vertices or cells the program read (its k-th size for the k-th extent), not the capacity.
  const std::vector<std::string> sizes = readSizes(model);
  Cost product;
  for (size_t k = 0; k < extents.size(); ++k) {
    const bool capacity = isCapacity(model, extents[k]) && k < sizes.size();
    product = multiplyCosts(product, capacity ? sizeCost(sizes[k]) : extents[k]);
  }
  return simplifyCost(product);
}

Cost reachedCells(const Model& model, const Symbol& grid) {
  // A literal extent the program's indices are known to stay below is that bound; the others
  // take the sizes read in their place.
  std::vector<Cost> extents = grid.dimensions;
  for (size_t k = 0; k < extents.size(); ++k) extents[k] = usedDimension(model, grid, k);
  return usedExtent(model, extents);
}

bool listsItsEntries(const Symbol& symbol) {
  Node list = symbol.initialiser;
  // Mat r({{1, 0}, {0, 1}}): the list handed to the constructor
  if (!list.null() && list.type() == "argument_list" && list.childCount() == 1)
    list = childrenOf(list).front();
  return !list.null() && list.type() == "initializer_list";
}

Cost vertexCount(const Model& model, const std::string& name) {
  const Symbol* symbol = findSymbol(model, name);
  if (!symbol) return constantCost();
  if (symbol->isParameter) return sizeCost(symbol->name);
  if (!symbol->dimensions.empty()) return usedExtent(model, {symbol->dimensions.front()});
  return primarySize(model);
}

Cost edgeCount(const Model& model, const std::string& name) {
  const Symbol* symbol = findSymbol(model, name);
  if (!symbol) return constantCost();
  if (symbol->isParameter) return sizeCost(symbol->name + "#edges");
  return symbol->elements;
}

Cost magnitudeOf(const Model& model, const Node& expression,
                 const std::vector<LoopVariable>& loops) {
  const Node& e = expression;
  if (e.null()) return constantCost();
  const std::string_view type = e.type();
  // `vector<int> a(n)` may parse as a declaration of a function taking a `n`.
  if (type == "identifier" || type == "type_identifier")
    return magnitudeOfIdentifier(model, e.text(), loops, e);
  if (type == "parameter_declaration") {
    // S obj(build(s)) parses build(s) as a parameter of a function type: still a call.
    const Node declarator = e.field("declarator");
    auto called = model.functions.find(typeAsCallee(e.field("type")));
    if (const Node arguments = callArgumentsOf(e);
        !arguments.null() && called != model.functions.end())
      return returnedSizeOf(model, called->second, childrenOf(arguments), loops);
    // vector<int> v(n * m) parses n * m as a parameter m of type pointer to n: a product.
    if (declarator.type() == "pointer_declarator" &&
        declarator.field("declarator").type() == "identifier")
      return multiplyCosts(magnitudeOf(model, e.field("type"), loops),
                           magnitudeOf(model, declarator.field("declarator"), loops));
    return magnitudeOf(model, e.field("type"), loops);
  }
  if (type == "field_expression") {
    // p.first, it->second: a member of a library type the program never declares holds a
    // value, not a size the program names.
    const std::string_view field = e.field("field").text();
    if (!findSymbol(model, field)) return constantCost();
    return magnitudeOfIdentifier(model, field, loops);
  }
  if (type == "call_expression") return magnitudeOfCall(model, e, loops);
  if (type == "binary_expression") return magnitudeOfBinary(model, e, loops);
  if (type == "parenthesized_expression" || type == "cast_expression" ||
      type == "unary_expression" || type == "condition_clause" || type == "comma_expression")
    return e.childCount() ? magnitudeOf(model, e.child(e.childCount() - 1), loops) : constantCost();
  if (type == "sizeof_expression") return containerSize(model, containerName(e), e);
  if (type == "subscript_expression") {
    // An entry of an array the input fills is at most the largest one, where a scalar holds it
    // (mx = max(mx, a[i])): the loop for (x = 1; x <= a[i]; ++x) runs up to mx times.
    const std::string array = containerName(e);
    const Symbol* symbol = findSymbolAt(model, array, e);
    if (symbol && symbol->holdsInput && !symbol->largestEntry.empty() &&
        e.field("argument").type() == "identifier")
      return magnitudeOfIdentifier(model, symbol->largestEntry, loops, e);
    // The size of one adjacency list or one row: adj[u].size(), g[v]
    return constantCost();
  }
  return constantCost();
}

Node passedThrough(const Node& expression) {
  if (expression.type() != "call_expression" || expression.field("arguments").childCount() == 0)
    return expression;
  const std::string_view callee = expression.field("function").text();
  for (std::string_view name : {"gets", "fgets", "strcpy", "strncpy", "strcat", "strncat"})
    if (callee == name || callee == "std::" + std::string(name))
      return passedThrough(expression.field("arguments").child(0));
  return expression;
}

}  // namespace quorbel
