// Recognises input by behaviour:
//   cin >> n >> m;   fin >> n (an ifstream);   io >> n (a type with its own operator>>)
//   scanf("%d %d", &n, &m);   scanf("%s", s + 1)   (s becomes an input string)
//   template <class T> void rd(T& x) { x = 0; char c = getchar(); ... }  rd(n);
//   int nxt() { int x; cin >> x; return x; }   int n = nxt();
//   auto in = [&](auto&... xs) { (cin >> ... >> xs); };   in(n, m);
//   struct Scanner { int nextInt() { ... getchar() ... } } sc;   int n = sc.nextInt();
//   template <class T> istream& operator>>(istream& is, vector<T>& v)   cin >> a;  (a's entries)
// A helper counts as a reader when its body consumes the stream, directly or through another
// reader; its name plays no part.
#include "model/inputs.h"

#include <algorithm>
#include <map>
#include <set>

#include "model/loop_parts.h"
#include "model/magnitude.h"
#include "model/nodes_of_type.h"

namespace quorbel {

bool isLibraryReader(std::string_view name) {
  if (name.substr(0, 5) == "std::") name.remove_prefix(5);
  for (const char* reader :
       {"scanf", "getchar", "getchar_unlocked", "_getchar_nolock", "getc", "getc_unlocked", "fgetc",
        "fread", "fread_unlocked", "fgets", "gets", "fscanf", "getline"})
    if (name == reader) return true;
  return false;
}

bool touchesInput(const Model& model) {
  for (const Node& n : descendantsOfType(model.root, {"identifier", "qualified_identifier"})) {
    const std::string_view name = n.text();
    if (name == "cin" || name == "std::cin" || name == "stdin" || name == "read" ||
        isLibraryReader(name))
      return true;
  }
  return false;
}

std::string readerCalleeOf(const Node& call) {
  Node function = call.field("function");
  if (function.type() == "field_expression") function = function.field("field");
  return std::string(function.type() == "template_function" ? function.field("name").text()
                                                            : function.text());
}

bool isInputStream(const Model& model, const Node& object) {
  Node n = object;
  while (!n.null() && n.type() == "parenthesized_expression") n = n.child(0);
  if (n.text() == "cin" || n.text() == "std::cin") return true;
  if (n.type() != "identifier") return false;
  const Symbol* symbol = findSymbol(model, n.text());
  if (!symbol) return false;
  // A number is shifted, not read from: its type's first word is a number type's.
  const auto numberType = [](const std::string& type) {
    size_t start = type.find_first_not_of(" \t");
    while (start != std::string::npos &&
           (type.compare(start, 6, "const ") == 0 || type.compare(start, 7, "static ") == 0))
      start = type.find_first_not_of(" \t", type.find(' ', start));
    if (start == std::string::npos) return true;
    const size_t end = type.find_first_of(" \t<*&", start);
    const std::string first = type.substr(start, end == std::string::npos ? end : end - start);
    for (const char* builtin :
         {"int",      "long",    "short",    "char",    "bool",     "double",  "float",
          "unsigned", "signed",  "size_t",   "auto",    "ll",       "ull",     "i64",
          "u64",      "int64_t", "uint64_t", "int32_t", "uint32_t", "__int128"})
      if (first == builtin) return true;
    return false;
  };
  // The program's own operator>>, however it is spaced: operator>>, operator >>.
  const bool ownExtraction =
      model.functions.count("operator>>") > 0 || model.functions.count("operator >>") > 0;
  // ifstream fin, istringstream in, or an object of a type the program gives an operator>>.
  return symbol->typeText.find("stream") != std::string::npos ||
         (symbol->kind == ContainerKind::kScalar && ownExtraction && !symbol->typeText.empty() &&
          !model.scalarAliases.count(symbol->typeText) && !numberType(symbol->typeText));
}

Node foldedReadOf(const Model& model, const Node& fold) {
  if (fold.type() != "fold_expression" || fold.field("operator").text() != ">>") return {};
  return isInputStream(model, fold.field("left")) ? fold.field("right") : Node{};
}

namespace {

// Rounds of the reader fixpoint: a helper calling a helper calling getchar resolves in three.
constexpr int kReaderRounds = 8;

class InputMarker {
 public:
  explicit InputMarker(Model& model) : model_(model) {}

  void run() {
    findReaders();
    findFilledParameters();
    model_.readers = filled_;
    for (const Node& n : descendantsOfType(
             model_.root, {"binary_expression", "call_expression", "fold_expression"})) {
      if (n.type() == "binary_expression" && n.field("operator").text() == ">>")
        readExtraction(n);
      else if (n.type() == "call_expression")
        readCall(n);
      else if (const Node pack = foldedReadOf(model_, n); !pack.null())
        markInput(pack);
    }
    // s = buf; string t(s): a copy of an input string is input too.
    for (const Node& n :
         descendantsOfType(model_.root, {"assignment_expression", "init_declarator"})) {
      if (n.type() == "assignment_expression" && n.field("operator").text() == "=")
        readCopy(n.field("left"), n.field("right"));
      else if (n.type() == "init_declarator")
        readCopy(n.field("declarator"), n.field("value"));
    }
    // A constant is never a size read, whatever a helper writes into it.
    for (auto& entry : model_.symbols)
      if (entry.second.kind == ContainerKind::kScalar && entry.second.isConstant)
        entry.second.fromInput = false;
  }

 private:
  // ---- Streams and readers ----
  bool isStream(const Node& object) const { return isInputStream(model_, object); }

  // The leftmost operand of a chain cin >> a >> b, and the targets in order.
  Node extractionChain(const Node& n, std::vector<Node>* targets) const {
    Node left = n;
    while (!left.null() && left.type() == "binary_expression" &&
           left.field("operator").text() == ">>") {
      if (targets) targets->insert(targets->begin(), left.field("right"));
      left = left.field("left");
    }
    return left;
  }

  static std::string calleeOf(const Node& call) { return readerCalleeOf(call); }

  bool consumesInput(const Node& body) const {
    bool found = false;
    visitNodes(body, [&](const Node& n) {
      if (found) return false;
      if (n.type() == "binary_expression" && n.field("operator").text() == ">>" &&
          isStream(extractionChain(n, nullptr)))
        found = true;
      if (!foldedReadOf(model_, n).null()) found = true;
      if (n.type() == "call_expression") {
        const Node function = n.field("function");
        const std::string callee = calleeOf(n);
        if (isLibraryReader(callee) || readers_.count(callee)) found = true;
        // cin.get(), fin.getline(buf, n)
        if (function.type() == "field_expression" && isStream(function.field("argument")))
          found = true;
      }
      return !found;
    });
    return found;
  }

  void findReaders() {
    for (int round = 0; round < kReaderRounds; ++round) {
      bool grew = false;
      for (const auto& [name, function] : model_.functions) {
        if (readers_.count(name) || name == "main" || function.body.null()) continue;
        if (consumesInput(function.body)) {
          readers_.insert(name);
          grew = true;
        }
      }
      if (!grew) break;
    }
  }

  // ---- What each reader fills ----
  // The parameter a read target stands for: x of x, &x, a[i], p.first, s + 1, or the
  // container a reference of a range loop walks (for (auto& e : v) cin >> e fills v).
  static int parameterOf(const Function& function, const Node& target,
                         const std::map<std::string, std::string>& aliases) {
    Node n = target;
    for (int guard = 0; guard < 6 && !n.null(); ++guard) {
      const std::string_view type = n.type();
      if (type == "pointer_expression" || type == "parenthesized_expression")
        n = n.child(n.childCount() - 1);
      else if (type == "binary_expression" && n.field("operator").text() == "+")
        n = n.field("left");
      else
        break;
    }
    std::string name = n.type() == "identifier" ? std::string(n.text()) : containerName(n);
    auto alias = aliases.find(name);
    if (alias != aliases.end()) name = alias->second;
    for (size_t i = 0; i < function.parameters.size(); ++i)
      if (!name.empty() && function.parameters[i] == name) return static_cast<int>(i);
    return -1;
  }

  bool callsReader(const Node& node) const {
    bool found = false;
    visitNodes(node, [&](const Node& n) {
      if (found) return false;
      if (n.type() == "call_expression") {
        const std::string callee = calleeOf(n);
        found = isLibraryReader(callee) || readers_.count(callee) > 0;
      }
      return !found;
    });
    return found;
  }

  // Which parameters a reader fills from the input: read into (cin >> x, scanf("%d", &x),
  // (cin >> ... >> xs)), handed to a reader that fills them, grown with what was read
  // (v.push_back(x)), or computed from characters taken from the input
  // (c = getchar(); x = x * 10 + c - '0').
  std::vector<bool> filledBy(const Function& function) const {
    std::vector<bool> filled(function.parameters.size(), false);
    std::map<std::string, std::string> aliases;
    std::set<std::string> sources;  // locals holding what a reader returned: c = getchar()
    visitNodes(function.body, [&](const Node& n) {
      if (n.type() == "for_range_loop" && n.field("declarator").type() == "reference_declarator")
        aliases[declaredName(n.field("declarator"))] = containerName(n.field("right"));
      if (n.type() == "assignment_expression" && callsReader(n.field("right")))
        sources.insert(std::string(unwrap(n.field("left")).text()));
      if (n.type() == "init_declarator" && callsReader(n.field("value")))
        sources.insert(declaredName(n.field("declarator")));
      return true;
    });
    const auto fill = [&](const Node& target) {
      const int i = parameterOf(function, target, aliases);
      if (i >= 0) filled[static_cast<size_t>(i)] = true;
    };
    visitNodes(function.body, [&](const Node& n) {
      const std::string_view type = n.type();
      if (type == "binary_expression" && n.field("operator").text() == ">>") {
        std::vector<Node> targets;
        if (isStream(extractionChain(n, &targets)))
          for (const Node& target : targets) fill(target);
      } else if (const Node pack = foldedReadOf(model_, n); !pack.null()) {
        fill(pack);
      } else if (type == "call_expression") {
        const Node function_ = n.field("function");
        const std::string callee = calleeOf(n);
        const Node arguments = n.field("arguments");
        if (callee == "scanf" || callee == "fscanf" || callee == "getline" || callee == "fgets" ||
            callee == "gets" || callee == "fread") {
          for (const Node& argument : childrenOf(arguments)) fill(argument);
        } else if (auto known = filled_.find(callee); known != filled_.end()) {
          for (uint32_t i = 0; i < arguments.childCount(); ++i)
            if (fillsArgument(known->second, i)) fill(arguments.child(i));
        } else if (function_.type() == "field_expression" && arguments.childCount() > 0) {
          const std::string_view method = function_.field("field").text();
          if ((method == "push_back" || method == "emplace_back" || method == "insert" ||
               method == "push" || method == "emplace") &&
              (callsReader(arguments) || mentionsAny(arguments, sources)))
            fill(function_.field("argument"));
        }
      } else if (type == "assignment_expression" || type == "init_declarator") {
        const Node right = n.field(type == "init_declarator" ? "value" : "right");
        if (type == "assignment_expression" && (callsReader(right) || mentionsAny(right, sources)))
          fill(n.field("left"));
      }
      return true;
    });
    return filled;
  }

  static bool mentionsAny(const Node& node, const std::set<std::string>& names) {
    for (const std::string& name : names)
      if (!name.empty() && mentionsIdentifier(node, name)) return true;
    return false;
  }

  // A pack parameter (Args&... xs) fills every argument from its position on.
  static bool fillsArgument(const std::vector<bool>& filled, uint32_t i) {
    if (i < filled.size()) return filled[i];
    return !filled.empty() && filled.back();
  }

  void findFilledParameters() {
    for (const std::string& name : readers_) filled_[name] = {};
    for (int round = 0; round < kReaderRounds; ++round) {
      bool grew = false;
      for (const std::string& name : readers_) {
        auto function = model_.functions.find(name);
        if (function == model_.functions.end()) continue;
        std::vector<bool> filled = filledBy(function->second);
        if (filled != filled_[name]) {
          filled_[name] = filled;
          grew = true;
        }
      }
      if (!grew) break;
    }
  }

  // ---- Marking ----
  void markInput(const Node& target) {
    Node n = target;
    // &n, (n), s + 1: the object whose storage receives the input.
    for (int guard = 0; guard < 6 && !n.null(); ++guard) {
      const std::string_view type = n.type();
      if (type == "pointer_expression" || type == "parenthesized_expression")
        n = n.child(0);
      else if (type == "binary_expression" && n.field("operator").text() == "+")
        n = n.field("left");
      else
        break;
    }
    // cin >> a[i], scanf("%d", &a[i][j]): the array's entries are input values.
    if (n.type() == "subscript_expression" || n.type() == "field_expression") {
      markEntries(containerName(n), n);
      return;
    }
    if (n.null() || n.type() != "identifier") return;
    const std::string name(n.text());
    markElementOf(n);
    auto found = model_.symbols.find(name);
    if (found == model_.symbols.end()) return;
    Symbol& symbol = found->second;
    // The declaration in scope here is the one read, whichever the table holds.
    Symbol* declared = declarationAt(model_, name, n);
    if (declared) declared->fromInput = true;
    // int t read in main while the table holds a member vector<long long> t: the scalar is
    // the size read; the member's entry stays as it is.
    if (declared && declared->kind == ContainerKind::kScalar &&
        symbol.kind != ContainerKind::kScalar && declared->scopeStart != symbol.scopeStart) {
      if (std::find(model_.inputOrder.begin(), model_.inputOrder.end(), name) ==
          model_.inputOrder.end())
        model_.inputOrder.push_back(name);
      return;
    }
    // A scalar or string declared in another scope than the table's entry of that name (a
    // helper's string T beside main's int T): only the declaration in scope is read.
    if (declared && (declared->line != symbol.line || declared->scopeStart != symbol.scopeStart) &&
        declared->kind != symbol.kind &&
        (declared->kind == ContainerKind::kScalar || declared->kind == ContainerKind::kString)) {
      if (std::find(model_.inputOrder.begin(), model_.inputOrder.end(), name) ==
          model_.inputOrder.end())
        model_.inputOrder.push_back(name);
      return;
    }
    // A container of a helper's own named like the one the table holds: only it is read.
    if (declared && declared != &symbol && declared == containerAt(model_, name, n)) {
      if (declared->kind == ContainerKind::kArray && declared->dimensions.size() == 1 &&
          declared->typeText == "char")
        declared->kind = ContainerKind::kString;
      if (declared->kind == ContainerKind::kString &&
          std::find(model_.inputOrder.begin(), model_.inputOrder.end(), name) ==
              model_.inputOrder.end())
        model_.inputOrder.push_back(name);
      return;
    }
    // cin >> a through the program's operator>> for vectors, read(a): the entries are read.
    if (symbol.kind == ContainerKind::kVector || symbol.kind == ContainerKind::kArray) {
      if (!(symbol.kind == ContainerKind::kArray && symbol.dimensions.size() == 1 &&
            symbol.typeText == "char"))
        markEntries(name, n);
    }
    // char s[N] read whole holds one string: its length is the input's.
    if (symbol.kind == ContainerKind::kArray && symbol.dimensions.size() == 1 &&
        symbol.typeText == "char")
      symbol.kind = ContainerKind::kString;
    if (symbol.fromInput) return;
    symbol.fromInput = true;
    if (symbol.kind == ContainerKind::kScalar || symbol.kind == ContainerKind::kString)
      model_.inputOrder.push_back(name);
  }

  void markEntries(const std::string& container, const Node& use) {
    Symbol* found = containerAt(model_, container, use);
    if (!found || found->kind == ContainerKind::kScalar) return;
    found->holdsInput = true;
    if (Symbol* declared = declarationAt(model_, container, use)) declared->holdsInput = true;
  }

  // for (auto& x : a) cin >> x: the loop's reference reads into the container's entries.
  // A few levels up only: the reference is read right in the loop's body, and each step up
  // searches down from the root.
  void markElementOf(const Node& target) {
    Node n = target.parent();
    for (int level = 0; level < 8 && !n.null(); ++level, n = n.parent()) {
      if (n.type() != "for_range_loop") continue;
      const Node declarator = n.field("declarator");
      if (declaredName(declarator) != target.text()) continue;
      if (declarator.type() == "reference_declarator")
        markEntries(containerName(n.field("right")), n);
      return;
    }
  }

  void readCopy(const Node& target, const Node& source) {
    Node from = source;
    if (from.type() == "argument_list" && from.childCount() == 1) from = from.child(0);
    if (target.type() != "identifier" || from.type() != "identifier") return;
    const Symbol* read = findSymbol(model_, from.text());
    const Symbol* copy = findSymbol(model_, target.text());
    if (read && copy && read->fromInput && read->kind == ContainerKind::kString &&
        copy->kind == ContainerKind::kString)
      markInput(target);
  }

  void readExtraction(const Node& n) {
    // (((cin >> a) >> b) >> c) is visited once, at its top.
    const Node parent = n.parent();
    if (parent.type() == "binary_expression" && parent.field("operator").text() == ">>" &&
        parent.field("left") == n)
      return;
    std::vector<Node> targets;
    if (!isStream(extractionChain(n, &targets))) return;
    for (const Node& target : targets) markInput(target);
  }

  void readCall(const Node& call) {
    const std::string callee = calleeOf(call);
    const Node arguments = call.field("arguments");
    if (callee == "scanf" || callee == "std::scanf" || callee == "fscanf") {
      for (uint32_t i = callee == "fscanf" ? 2 : 1; i < arguments.childCount(); ++i)
        markInput(arguments.child(i));
      return;
    }
    if ((callee == "getline" || callee == "std::getline") && isStream(arguments.child(0))) {
      markInput(arguments.child(1));
      return;
    }
    auto reader = model_.functions.find(callee);
    auto filled = filled_.find(callee);
    if (filled == filled_.end() || reader == model_.functions.end()) return;
    // Arguments bound to the parameters the helper fills receive what it reads.
    for (uint32_t i = 0; i < arguments.childCount(); ++i)
      if (fillsArgument(filled->second, i)) markInput(arguments.child(i));
    // n = nxt(); int n = nxt();
    const Node parent = call.parent();
    if (parent.type() == "assignment_expression") markInput(parent.field("left"));
    if (parent.type() == "init_declarator") markInput(parent.field("declarator"));
  }

  Model& model_;
  std::set<std::string> readers_;
  std::map<std::string, std::vector<bool>> filled_;  // by reader: the parameters it fills
};

}  // namespace

void markInputs(Model& model) { InputMarker(model).run(); }

}  // namespace quorbel
