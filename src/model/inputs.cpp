// Recognises input by behaviour:
//   cin >> n >> m;   fin >> n (an ifstream);   io >> n (a type with its own operator>>)
//   scanf("%d %d", &n, &m);   scanf("%s", s + 1)   (s becomes an input string)
//   template <class T> void rd(T& x) { x = 0; char c = getchar(); ... }  rd(n);
//   int nxt() { int x; cin >> x; return x; }   int n = nxt();
// A helper counts as a reader when its body consumes the stream, directly or through another
// reader; its name plays no part.
#include "model/inputs.h"

#include <algorithm>
#include <set>

#include "model/magnitude.h"
#include "model/nodes_of_type.h"

namespace quorbel {

bool isLibraryReader(std::string_view name) {
  for (const char* reader :
       {"scanf", "std::scanf", "getchar", "getchar_unlocked", "_getchar_nolock", "getc", "fgetc",
        "fread", "fgets", "gets", "fscanf", "getline", "std::getline"})
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

namespace {

// Rounds of the reader fixpoint: a helper calling a helper calling getchar resolves in three.
constexpr int kReaderRounds = 8;

class InputMarker {
 public:
  explicit InputMarker(Model& model) : model_(model) {}

  void run() {
    findReaders();
    for (const Node& n : descendantsOfType(model_.root, {"binary_expression", "call_expression"})) {
      if (n.type() == "binary_expression" && n.field("operator").text() == ">>")
        readExtraction(n);
      else if (n.type() == "call_expression")
        readCall(n);
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
  bool isStream(const Node& object) const {
    Node n = object;
    while (!n.null() && n.type() == "parenthesized_expression") n = n.child(0);
    if (n.text() == "cin" || n.text() == "std::cin") return true;
    if (n.type() != "identifier") return false;
    const Symbol* symbol = findSymbol(model_, n.text());
    if (!symbol) return false;
    // ifstream fin, istringstream in, or an object of a type the program gives an operator>>.
    return symbol->typeText.find("stream") != std::string::npos ||
           (symbol->kind == ContainerKind::kScalar && model_.functions.count("operator>>") > 0 &&
            !symbol->typeText.empty() && templateFree(symbol->typeText));
  }

  static bool templateFree(const std::string& type) {
    for (const char* builtin : {"int", "long", "short", "char", "bool", "double", "float",
                                "unsigned", "signed", "size_t", "auto"})
      if (type.find(builtin) != std::string::npos) return false;
    return true;
  }

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

  static std::string calleeOf(const Node& call) {
    const Node function = call.field("function");
    std::string name(function.type() == "template_function" ? function.field("name").text()
                                                            : function.text());
    return name;
  }

  bool consumesInput(const Node& body) const {
    bool found = false;
    visitNodes(body, [&](const Node& n) {
      if (found) return false;
      if (n.type() == "binary_expression" && n.field("operator").text() == ">>" &&
          isStream(extractionChain(n, nullptr)))
        found = true;
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
    if (!readers_.count(callee) || reader == model_.functions.end()) return;
    // Arguments bound to reference parameters receive what the helper reads.
    const Function& function = reader->second;
    for (uint32_t i = 0; i < arguments.childCount(); ++i) {
      const bool variadic = !function.byReference.empty() && i >= function.byReference.size() &&
                            function.byReference.back();
      if (variadic || (i < function.byReference.size() && function.byReference[i]))
        markInput(arguments.child(i));
    }
    // n = nxt(); int n = nxt();
    const Node parent = call.parent();
    if (parent.type() == "assignment_expression") markInput(parent.field("left"));
    if (parent.type() == "init_declarator") markInput(parent.field("declarator"));
  }

  Model& model_;
  std::set<std::string> readers_;
};

}  // namespace

void markInputs(Model& model) { InputMarker(model).run(); }

}  // namespace quorbel
