// Reads the program's declarations into the symbol table: globals, locals, struct members and
// parameters with their types; named constants with their values; the sizes read from input
// and the scalars derived from them; the functions, member functions and lambdas.
#include <cctype>
#include <cmath>

#include "model/magnitude.h"
#include "model/model.h"
#include "syntax/parse_tree.h"
#include "syntax/preprocess.h"
#include "syntax/regex.h"

namespace quorbel {
namespace {

// Values from here up stand for input limits; smaller constants are counts like 26 letters.
constexpr double kSmallestLimit = 100;
// Values from here up are moduli and infinities rather than limits.
constexpr double kLargestLimit = 5e8;
// The syntax tree is read no deeper than the estimate walks it.
constexpr int kMaxDepth = 40000;

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

ContainerKind kindOfType(const std::string& type) {
  if (type.find("priority_queue") != std::string::npos) return ContainerKind::kHeap;
  if (type.find("unordered_") != std::string::npos) return ContainerKind::kHashed;
  if (type.find("map") != std::string::npos || type.find("set") != std::string::npos)
    return ContainerKind::kOrdered;
  if (type.find("bitset") != std::string::npos) return ContainerKind::kBitset;
  if (type.find("vector") != std::string::npos || type.find("deque") != std::string::npos ||
      type.find("array<") != std::string::npos || type.find("list<") != std::string::npos)
    return ContainerKind::kVector;
  if (type.find("queue") != std::string::npos || type.find("stack") != std::string::npos)
    return ContainerKind::kQueue;
  if (type.find("string") != std::string::npos) return ContainerKind::kString;
  return ContainerKind::kScalar;
}

int bytesOfType(const std::string& type) {
  if (type.find("pair") != std::string::npos) return 8;
  if (type.find("long") != std::string::npos || type.find("double") != std::string::npos ||
      type.find("ll") != std::string::npos || type.find("int64") != std::string::npos)
    return 8;
  if (type.find("bool") != std::string::npos || type.find("char") != std::string::npos) return 1;
  return 4;
}

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

class Reader {
 public:
  explicit Reader(Model& model) : model_(model) {}

  void read(const Node& root) {
    readAliases(root);
    readDeclarations(root);
    readInputs(root);
    // Extents and derived sizes read again, now that the sizes read from input are known.
    readDeclarations(root);
  }

 private:
  // ---- Type aliases: typedef long long ll; using vi = vector<int>; ----
  void readAliases(const Node& root) {
    visitNodes(root, [&](const Node& n) {
      if (n.type() == "type_definition") {
        const std::string type(n.field("type").text());
        for (const Node& d : childrenOf(n))
          if (d.type() != "primitive_type" && !(d == n.field("type")))
            aliases_[declaredName(d)] = type;
      } else if (n.type() == "alias_declaration") {
        aliases_[std::string(n.field("name").text())] = std::string(n.field("type").text());
      }
      return true;
    });
  }

  std::string resolveType(std::string type) {
    for (int guard = 0; guard < 8; ++guard) {
      bool changed = false;
      for (const auto& [alias, meaning] : aliases_) {
        if (alias.empty()) continue;
        size_t at = 0;
        while ((at = type.find(alias, at)) != std::string::npos) {
          const bool startOk =
              at == 0 ||
              !(std::isalnum(static_cast<unsigned char>(type[at - 1])) || type[at - 1] == '_');
          const size_t end = at + alias.size();
          const bool endOk =
              end >= type.size() ||
              !(std::isalnum(static_cast<unsigned char>(type[end])) || type[end] == '_');
          if (startOk && endOk && meaning.find(alias) == std::string::npos) {
            type.replace(at, alias.size(), meaning);
            changed = true;
            at += meaning.size();
          } else {
            at = end;
          }
        }
      }
      if (!changed || type.size() > 400) break;
    }
    return type;
  }

  // ---- Declarations ----
  // A walk that knows which function it is in, so that each local records its scope.
  void readDeclarations(const Node& node, int depth = 0) {
    if (node.null() || depth > kMaxDepth) return;
    const std::string_view type = node.type();
    const std::string outer = scope_;
    const int outerLoops = loops_;
    if (isLoopNode(node)) ++loops_;
    if (type == "declaration" || type == "field_declaration") {
      readDeclaration(node, false);
    } else if (type == "parameter_declaration" || type == "optional_parameter_declaration") {
      readDeclaration(node, true);
    } else if (type == "function_definition") {
      readFunction(node);
      scope_ = definedName(node);
    } else if (type == "for_range_loop") {
      readRangeVariable(node);
    } else if (type == "field_declaration_list") {
      scope_.clear();
    } else if (type == "init_declarator" && node.field("value").type() == "lambda_expression") {
      scope_ = declaredName(node);
    }
    const uint32_t count = node.childCount();
    for (uint32_t i = 0; i < count; ++i) readDeclarations(node.child(i), depth + 1);
    scope_ = outer;
    loops_ = outerLoops;
  }

  void readDeclaration(const Node& n, bool parameter) {
    const std::string typeText = resolveType(std::string(n.field("type").text()));
    const bool constant = n.text().substr(0, 32).find("const") != std::string_view::npos &&
                          !parameter && typeText.find("string") == std::string::npos;
    for (const Node& d : childrenOf(n)) {
      const std::string_view dtype = d.type();
      if (dtype != "identifier" && dtype != "init_declarator" && dtype != "array_declarator" &&
          dtype != "field_identifier" && dtype != "reference_declarator" &&
          dtype != "pointer_declarator" && dtype != "function_declarator")
        continue;
      // vector<int> a(n) parses as a function declaration when n could name a type.
      const bool constructed = dtype == "function_declarator";
      if (constructed && (kindOfType(typeText) == ContainerKind::kScalar || parameter)) continue;
      Symbol symbol;
      symbol.name = declaredName(d);
      if (symbol.name.empty()) continue;
      symbol.typeText = typeText;
      symbol.kind = kindOfType(typeText);
      symbol.isParameter = parameter;
      symbol.line = d.line();
      symbol.scope = scope_;
      symbol.declaredInLoop = loops_ > 0;
      symbol.elementBytes = bytesOfType(typeText);
      symbol.nestedContainer = typeText.find("vector<vector") != std::string::npos ||
                               typeText.find("vector<set") != std::string::npos;
      Node inner = d;
      Node value;
      if (dtype == "init_declarator") {
        value = d.field("value");
        inner = d.field("declarator");
      }
      if (constructed) {
        value = d.field("parameters");
        inner = d.field("declarator");
      }
      // Array extents, outermost first: a[N][M] nests as ((a[N])[M]).
      std::vector<Cost> extents;
      while (!inner.null() && inner.type() == "array_declarator") {
        extents.insert(extents.begin(), magnitudeOf(model_, inner.field("size"), {}));
        inner = inner.field("declarator");
      }
      if (!extents.empty()) {
        if (symbol.kind != ContainerKind::kScalar) symbol.nestedContainer = true;
        symbol.kind = ContainerKind::kArray;
        symbol.dimensions = extents;
      }
      if (!value.null()) {
        symbol.assigned = true;
        symbol.initialiser = value;
        readInitialiser(symbol, value, constant);
      }
      Symbol& stored = model_.symbols[symbol.name];
      // A local that shadows a global keeps what is known about either.
      if (!stored.name.empty() && symbol.dimensions.empty() && !symbol.hasDerived &&
          !symbol.value && !symbol.fromInput && stored.kind == symbol.kind)
        continue;
      const bool wasInput = stored.fromInput, wasAssigned = stored.assigned,
                 wasIndexed = stored.indexed;
      const std::string sizeName = stored.sizeName;
      const std::vector<Cost> resized = stored.dimensions;
      stored = symbol;
      stored.fromInput = stored.fromInput || wasInput;
      stored.assigned = stored.assigned || wasAssigned;
      stored.indexed = stored.indexed || wasIndexed;
      if (stored.sizeName.empty()) stored.sizeName = sizeName;
      if (stored.dimensions.empty()) stored.dimensions = resized;
    }
  }

  void readInitialiser(Symbol& symbol, const Node& value, bool constant) {
    const std::string_view vtype = value.type();
    if (vtype == "argument_list" || vtype == "initializer_list" || vtype == "parameter_list") {
      if (symbol.kind == ContainerKind::kScalar || vtype == "initializer_list") return;
      // vector<int> a(n); vector<vector<int>> g(n, vector<int>(m)); string s(n, 'a')
      Node current = value;
      for (int guard = 0; guard < 4 && !current.null() && current.childCount() > 0; ++guard) {
        const Cost extent = magnitudeOf(model_, current.child(0), {});
        if (isConstantCost(extent) && !evaluateConstant(model_, current.child(0))) break;
        symbol.dimensions.push_back(extent);
        current = constructorArguments(current.child(1));
      }
      return;
    }
    if (constant) {
      symbol.isConstant = true;
      symbol.value = evaluateConstant(model_, value);
      if (symbol.value) return;
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
      auto read = model_.symbols.find(object);
      if (read != model_.symbols.end() && read->second.fromInput &&
          read->second.kind != ContainerKind::kScalar &&
          (read->second.kind == ContainerKind::kString || text.find("strlen") == 0)) {
        symbol.fromInput = true;
        // The string's length goes by this name from now on: n = s.size() makes |s| n.
        if (read->second.sizeName.empty()) read->second.sizeName = symbol.name;
        return;
      }
    }
    symbol.value = evaluateConstant(model_, value);
    symbol.derived = magnitudeOf(model_, value, {});
    symbol.hasDerived = !isConstantCost(symbol.derived);
  }

  void readRangeVariable(const Node& loop) {
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
    if (!function.name.empty() && !function.body.null() && !model_.functions.count(function.name))
      model_.functions[function.name] = function;
  }

  void readParameters(const Node& list, Function& function) {
    for (const Node& p : childrenOf(list)) {
      const std::string name = declaredName(p.field("declarator"));
      function.parameters.push_back(name);
      function.parameterTypes.push_back(resolveType(std::string(p.field("type").text())));
    }
  }

  // ---- Inputs: cin >> n >> m; scanf("%d", &n); read(n); n = readInt(); ----
  void readInputs(const Node& root) {
    visitNodes(root, [&](const Node& n) {
      if (n.type() == "binary_expression" && n.field("operator").text() == ">>")
        readExtraction(n);
      else if (n.type() == "call_expression")
        readInputCall(n);
      else if (n.type() == "declaration" || n.type() == "init_declarator")
        readLambda(n);
      else if (n.type() == "assignment_expression" || n.type() == "update_expression")
        readAssignment(n);
      else if (n.type() == "subscript_expression")
        markIndexed(n);
      return true;
    });
    for (auto& entry : model_.symbols) {
      Symbol& symbol = entry.second;
      if (symbol.fromInput && symbol.kind == ContainerKind::kScalar && symbol.isConstant)
        symbol.fromInput = false;
    }
  }

  void markInput(const Node& target) {
    Node n = target;
    while (!n.null() &&
           (n.type() == "pointer_expression" || n.type() == "parenthesized_expression"))
      n = n.child(0);
    if (n.null() || n.type() != "identifier") return;
    const std::string name(n.text());
    auto found = model_.symbols.find(name);
    if (found == model_.symbols.end()) return;
    Symbol& symbol = found->second;
    if (symbol.fromInput) return;
    symbol.fromInput = true;
    if (symbol.kind == ContainerKind::kScalar || symbol.kind == ContainerKind::kString)
      model_.inputOrder.push_back(name);
  }

  void readExtraction(const Node& n) {
    // (((cin >> a) >> b) >> c): the stream sits at the leftmost leaf.
    Node left = n;
    std::vector<Node> targets;
    while (!left.null() && left.type() == "binary_expression" &&
           left.field("operator").text() == ">>") {
      targets.insert(targets.begin(), left.field("right"));
      left = left.field("left");
    }
    if (left.null() || (left.text() != "cin" && left.text() != "std::cin" &&
                        lower(left.text()).find("in") == std::string::npos))
      return;
    for (const Node& target : targets) markInput(target);
  }

  void readInputCall(const Node& n) {
    readResize(n);
    const std::string callee(n.field("function").text());
    const Node arguments = n.field("arguments");
    if (callee == "scanf" || callee == "std::scanf") {
      for (uint32_t i = 1; i < arguments.childCount(); ++i) markInput(arguments.child(i));
      return;
    }
    const std::string lowered = lower(callee);
    if (lowered.find("read") == std::string::npos && lowered.find("input") == std::string::npos)
      return;
    for (const Node& argument : childrenOf(arguments)) markInput(argument);
    // n = readInt();
    const Node parent = n.parent();
    if (parent.type() == "assignment_expression") markInput(parent.field("left"));
    if (parent.type() == "init_declarator") {
      auto found = model_.symbols.find(declaredName(parent));
      if (found != model_.symbols.end() && !found->second.fromInput) {
        found->second.fromInput = true;
        model_.inputOrder.push_back(found->first);
      }
    }
  }

  // memo.assign(n, vector<ll>(n, -1)); par.resize(n): extents given after the declaration.
  void readResize(const Node& call) {
    const Node f = call.field("function");
    if (f.type() != "field_expression") return;
    const std::string_view method = f.field("field").text();
    if (method != "assign" && method != "resize") return;
    auto found = model_.symbols.find(containerName(f.field("argument")));
    if (found == model_.symbols.end() || !found->second.dimensions.empty() ||
        found->second.kind == ContainerKind::kScalar)
      return;
    Node current = call.field("arguments");
    std::vector<Cost> extents;
    for (int guard = 0; guard < 4 && !current.null() && current.childCount() > 0; ++guard) {
      const Cost extent = magnitudeOf(model_, current.child(0), {});
      if (isConstantCost(extent)) break;
      extents.push_back(extent);
      current = constructorArguments(current.child(1));
    }
    found->second.dimensions = extents;
  }

  void markIndexed(const Node& subscript) {
    auto found = model_.symbols.find(containerName(subscript.field("argument")));
    if (found != model_.symbols.end()) found->second.indexed = true;
  }

  // sz = vals.size(); m = n * (n - 1) / 2: a scalar assigned from sizes is a size too.
  void readAssignment(const Node& n) {
    const Node left = n.field(n.type() == "update_expression" ? "argument" : "left");
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
    symbol.derived = value;
    symbol.hasDerived = true;
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
  std::map<std::string, std::string> aliases_;
  std::string scope_;
  int loops_ = 0;  // loops around the node being read
};

}  // namespace

Model buildModel(std::string_view source) {
  Model model;
  auto text = std::make_shared<const std::string>(expandMacros(source));
  model.text = text;
  model.sumBoundedTests = statesSumBound(source);
  if (TSTree* tree = parseCppTree(*text).release()) {
    model.tree = std::shared_ptr<TSTree>(tree, ts_tree_delete);
    model.root = {ts_tree_root_node(tree), *text};
    model.parsed = true;
  }
  if (model.parsed) Reader(model).read(model.root);
  return model;
}

const Symbol* findSymbol(const Model& model, std::string_view name) {
  auto found = model.symbols.find(std::string(name));
  return found == model.symbols.end() ? nullptr : &found->second;
}

bool isLimitConstant(const Symbol& symbol) {
  if (!symbol.isConstant || !symbol.value) return false;
  const std::string name = lower(symbol.name);
  for (const char* word : {"mod", "inf", "eps", "md", "prime", "base", "seed", "oo"})
    if (name.find(word) != std::string::npos) return false;
  return *symbol.value >= kSmallestLimit && *symbol.value < kLargestLimit;
}

bool isLogConstant(const Symbol& symbol) {
  if (!symbol.isConstant || !symbol.value) return false;
  const std::string name = lower(symbol.name);
  const bool named = name.find("log") != std::string::npos || name == "lg" || name == "k" ||
                     name.find("lvl") != std::string::npos ||
                     name.find("level") != std::string::npos;
  return named && *symbol.value >= 8 && *symbol.value <= 64;
}

bool isTestCountName(std::string_view name) {
  const std::string lowered = lower(name);
  for (const char* word :
       {"t", "tc", "tt", "tests", "testcases", "cases", "test", "ntest", "ntests", "tcs"})
    if (lowered == word) return true;
  return false;
}

Cost primarySize(const Model& model) {
  for (const std::string& name : model.inputOrder) {
    if (isTestCountName(name)) continue;
    const Symbol* symbol = findSymbol(model, name);
    if (symbol && symbol->kind == ContainerKind::kString) return sizeCost("|" + name + "|");
    return sizeCost(name);
  }
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
  for (const char* form : kForms)
    if (containsRegex(source, form)) return true;
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
