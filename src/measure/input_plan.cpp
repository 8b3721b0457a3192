// Derives what a program reads, in order, from the statements of main and what it calls:
//   cin >> n >> m;                          two reads
//   for (int i = 0; i < n; i++) cin >> a[i];  a repeat of n - 0 passes around one read
//   for (auto& x : v) cin >> x;             a repeat over v's size
//   while (t--) solve();                    a repeat of t passes around solve's reads
//   while (cin >> x) ...                    reads until the input ends
//   if (type == 1) cin >> l >> r; else cin >> k;    a branch on a value already read
//   vector<int> a(n + 1); int m = n - 1;    sizes and values later counts refer to
// Roles come from how the whole program uses each value afterwards (input_roles.cpp).
#include "measure/input_plan.h"

#include <cctype>
#include <functional>
#include <set>

#include "measure/input_roles.h"
#include "model/source_facts.h"

namespace quorbel {
namespace {

constexpr int kMaxCallDepth = 4;

// cin, or a stream the program declares to read from (ifstream fin("cow.in"), istream& in):
// the measurement hands every such stream the generated input.
bool isInputStream(const Model& model, std::string_view text) {
  if (text == "cin" || text == "std::cin") return true;
  const Symbol* symbol = findSymbol(model, std::string(text));
  if (symbol == nullptr) return false;
  const std::string& type = symbol->typeText;
  return type.find("ifstream") != std::string::npos ||
         (type.find("istream") != std::string::npos &&
          type.find("istringstream") == std::string::npos);
}

// The stream at the leftmost leaf of (((cin >> a) >> b) >> c), and the targets in order.
bool extractionTargets(const Model& model, const Node& expression, std::vector<Node>& targets) {
  Node left = expression;
  std::vector<Node> found;
  while (!left.null() && left.type() == "binary_expression" &&
         left.field("operator").text() == ">>") {
    found.insert(found.begin(), left.field("right"));
    left = left.field("left");
  }
  if (found.empty() || !isInputStream(model, left.text())) return false;
  targets = found;
  return true;
}

std::string calleeName(const Node& call) {
  const Node function = call.field("function");
  if (function.type() == "template_function") return std::string(function.field("name").text());
  return std::string(function.text());
}

bool isScanfName(std::string_view name) { return name == "scanf" || name == "std::scanf"; }

bool isLineReader(std::string_view name) { return name == "getline" || name == "std::getline"; }

// The C library's character readers, locked or not: a function calling one reads by itself.
bool isCharacterReader(std::string_view name) {
  for (const char* reader : {"getchar", "getchar_unlocked", "_getchar_nolock", "getc",
                             "getc_unlocked", "fgetc", "fgetc_unlocked", "fread", "fread_unlocked"})
    if (name == reader) return true;
  return false;
}

// The variable a read lands in: a for a[i][j], u for e[i].u, x for &x or *(p) forms.
struct Target {
  std::string base;    // the declared container or scalar
  std::string name;    // the value's name for roles: the member for e[i].u, else base
  int subscripts = 0;  // how many [..] were applied
  double offset = 0;   // scanf("%s", s + 1): the characters skipped before the read lands
};

Target targetOf(Node node) {
  Target target;
  for (int guard = 0; guard < 16 && !node.null(); ++guard) {
    const std::string_view type = node.type();
    if (type == "pointer_expression" || type == "parenthesized_expression") {
      node = node.field("argument").null() ? node.child(0) : node.field("argument");
    } else if (type == "subscript_expression") {
      ++target.subscripts;
      node = node.field("argument");
    } else if (type == "field_expression") {
      if (target.name.empty()) target.name = std::string(node.field("field").text());
      node = node.field("argument");
    } else if (type == "binary_expression") {  // scanf("%s", s + 1)
      const Node right = node.field("right");
      double skipped = 0;
      if (node.field("operator").text() == "+" && right.type() == "number_literal" &&
          evaluateConstantExpression(
              right.text(), [](const std::string&, double&) { return false; }, skipped))
        target.offset += skipped;
      node = node.field("left");
    } else if (type == "call_expression" && node.field("function").type() == "field_expression" &&
               node.field("function").field("field").text() == "at") {
      // a.at(i).at(j) reads like a[i][j].
      ++target.subscripts;
      node = node.field("function").field("argument");
    } else {
      break;
    }
  }
  if (!node.null() && node.type() == "identifier") target.base = std::string(node.text());
  if (target.name.empty()) target.name = target.base;
  return target;
}

// int, long long, double, char, string: what one read of the target yields.
ValueType typeOfTarget(const Model& model, const Target& target, bool line) {
  if (line) return ValueType::kLine;
  const Symbol* symbol = findSymbol(model, target.base);
  if (symbol == nullptr) return ValueType::kInteger;
  const std::string& type = symbol->typeText;
  if (type.find("string") != std::string::npos) {
    // vector<string> v; cin >> v[i] reads a word; string s; cin >> s[i] a letter.
    const bool container =
        type.find("vector") != std::string::npos || symbol->kind == ContainerKind::kArray;
    const int wordDepth = container ? 1 : 0;
    return target.subscripts > wordDepth ? ValueType::kChar : ValueType::kWord;
  }
  if (type.find("char") != std::string::npos) {
    const int dims = symbol->kind == ContainerKind::kArray
                         ? static_cast<int>(symbol->dimensions.size())
                         : (symbol->kind == ContainerKind::kScalar ? 0 : 1);
    return target.subscripts < dims && symbol->kind == ContainerKind::kArray ? ValueType::kWord
                                                                             : ValueType::kChar;
  }
  if (type.find("double") != std::string::npos || type.find("float") != std::string::npos)
    return ValueType::kReal;
  return ValueType::kInteger;
}

ValueType typeOfConversion(std::string_view spec) {
  if (spec.find('f') != std::string_view::npos || spec.find('e') != std::string_view::npos ||
      spec.find('g') != std::string_view::npos)
    return ValueType::kReal;
  if (spec.find('c') != std::string_view::npos) return ValueType::kChar;
  if (spec.find('s') != std::string_view::npos) return ValueType::kWord;
  if (spec.find('[') != std::string_view::npos) return ValueType::kLine;
  return ValueType::kInteger;
}

// The conversions of a scanf format, in order, without the suppressed ones (%*d).
std::vector<ValueType> conversionsOf(std::string_view format) {
  std::vector<ValueType> types;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (i + 1 < format.size() && format[i + 1] == '%') {
      ++i;
      continue;
    }
    size_t end = i + 1;
    const bool suppressed = end < format.size() && format[end] == '*';
    while (end < format.size() &&
           (std::isdigit(static_cast<unsigned char>(format[end])) || format[end] == '*' ||
            format[end] == 'l' || format[end] == 'h' || format[end] == 'L' || format[end] == 'I' ||
            format[end] == 'q' || format[end] == 'j' || format[end] == 'z'))
      ++end;
    if (end < format.size() && format[end] == '[') {
      const size_t close = format.find(']', end + 2);
      end = close == std::string_view::npos ? format.size() - 1 : close;
    }
    if (end >= format.size()) break;
    if (!suppressed) types.push_back(typeOfConversion(format.substr(i + 1, end - i)));
    i = end;
  }
  return types;
}

class PlanWalker {
 public:
  explicit PlanWalker(const Model& model) : model_(model) {}

  InputPlan walk() {
    InputPlan plan;
    auto main = model_.functions.find("main");
    if (main == model_.functions.end() || main->second.body.null()) return plan;
    readMembers();
    readExtractionOperators();
    active_.insert("main");
    walkStatement(main->second.body, plan.steps, 0);
    return plan;
  }

 private:
  // ---- Which functions read ----

  // A function that reads by itself: its body extracts from cin, calls scanf, getchar, fread.
  bool functionReads(const std::string& name) {
    auto cached = readsCache_.find(name);
    if (cached != readsCache_.end()) return cached->second;
    readsCache_[name] = false;  // recursion reads nothing more than its first pass
    const Node body = bodyOf(name);
    if (body.null()) return false;
    const bool reads = containsReads(body);
    readsCache_[name] = reads;
    return reads;
  }

  // ---- Extraction into the program's own types ----

  // istream& operator>>(istream& in, Point& p) { return in >> p.x >> p.y; }, free or a friend
  // in the struct: its body by the type it reads into.
  void readExtractionOperators() {
    visitNodes(model_.root, [&](const Node& n) {
      if (n.type() != "function_definition") return true;
      // istream& operator>>(...) wraps the function's declarator in a reference declarator.
      Node declarator;
      visitNodes(n.field("declarator"), [&](const Node& part) {
        if (declarator.null() && part.type() == "function_declarator") declarator = part;
        return declarator.null();
      });
      if (declarator.null()) return false;
      std::string name(declarator.field("declarator").text());
      std::erase(name, ' ');
      if (name != "operator>>") return false;
      std::vector<Node> parameters;
      for (const Node& child : childrenOf(declarator.field("parameters")))
        if (child.type() == "parameter_declaration") parameters.push_back(child);
      if (parameters.size() != 2) return false;
      const Node type = parameters[1].field("type");
      if (type.type() == "type_identifier" || type.type() == "struct_specifier")
        extractors_[std::string(type.type() == "struct_specifier" ? type.field("name").text()
                                                                  : type.text())] = n.field("body");
      return false;
    });
  }

  // The body of the extraction operator the program defines for what `target` names (a Point,
  // an element of vector<Point>, of Point ps[N]); null when it defines none.
  Node extractorFor(const Node& target, std::string& recordRead) const {
    if (extractors_.empty()) return Node();
    const Target read = targetOf(target);
    const Symbol* symbol = findSymbol(model_, read.base);
    if (symbol == nullptr) return Node();
    const std::string& type = symbol->typeText;
    for (const auto& [record, body] : extractors_) {
      // The record's name as a whole word of the declared type.
      for (size_t at = type.find(record); at != std::string::npos; at = type.find(record, at + 1)) {
        const auto word = [](char c) {
          return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
        };
        const size_t end = at + record.size();
        if ((at == 0 || !word(type[at - 1])) && (end >= type.size() || !word(type[end]))) {
          recordRead = record;
          return body;
        }
      }
    }
    return Node();
  }

  // ---- Which function a call runs ----

  // The member functions defined in the program's classes, by "Class::name".
  void readMembers() {
    visitNodes(model_.root, [&](const Node& n) {
      if ((n.type() != "struct_specifier" && n.type() != "class_specifier") ||
          n.field("name").null() || n.field("body").null())
        return true;
      const std::string owner(n.field("name").text());
      for (const Node& member : childrenOf(n.field("body"))) {
        if (member.type() != "function_definition" || member.field("body").null()) continue;
        Node declarator = member.field("declarator");
        for (int guard = 0;
             guard < 6 && !declarator.null() && declarator.type() != "function_declarator"; ++guard)
          declarator = declarator.field("declarator");
        if (declarator.null()) continue;
        const std::string name(declarator.field("declarator").text());
        members_.emplace(owner + "::" + name, member.field("body"));
      }
      return true;
    });
  }

  Node bodyOf(const std::string& key) const {
    auto member = members_.find(key);
    if (member != members_.end()) return member->second;
    auto function = model_.functions.find(key);
    return function == model_.functions.end() ? Node() : function->second.body;
  }

  // The key of the function a call runs: its name, or "Class::name" for a member function
  // called on an object of the program's class (s.solve(), p->run(), Solution().solve());
  // empty when the program does not define it.
  std::string calledKey(const Node& call) const {
    const Node function = call.field("function");
    if (function.type() != "field_expression") {
      const std::string name = calleeName(call);
      return model_.functions.count(name) != 0 ? name : std::string();
    }
    const std::string method(function.field("field").text());
    const Node object = function.field("argument");
    std::string type;
    if (object.type() == "call_expression") {
      type = std::string(object.field("function").text());
    } else if (const Symbol* symbol = findSymbol(model_, targetOf(object).base)) {
      type = symbol->typeText;
    }
    while (!type.empty() && (type.back() == '*' || type.back() == '&' || type.back() == ' '))
      type.pop_back();
    if (members_.count(type + "::" + method) != 0) return type + "::" + method;
    return std::string();
  }

  // A reader hands one value back: read(x), x = readInt(), int x = read(); its reads target
  // only its own parameters and locals, or it reads character by character.
  bool isReaderFunction(const std::string& name) {
    auto function = model_.functions.find(name);
    if (function == model_.functions.end() || name == "main") return false;
    const Node body = function->second.body;
    bool characterReads = false;
    bool foreignTarget = false;
    visitNodes(body, [&](const Node& n) {
      if (n.type() == "call_expression") {
        const std::string callee = calleeName(n);
        if (isCharacterReader(callee)) characterReads = true;
      }
      std::vector<Node> targets;
      if (n.type() == "binary_expression" && extractionTargets(model_, n, targets)) {
        for (const Node& target : targets) {
          const Symbol* symbol = findSymbol(model_, targetOf(target).base);
          if (symbol != nullptr && symbol->scope != name) foreignTarget = true;
        }
      }
      return true;
    });
    return characterReads || (!foreignTarget && containsReads(body));
  }

  bool containsReads(const Node& node) {
    bool found = false;
    visitNodes(node, [&](const Node& n) {
      if (found) return false;
      std::vector<Node> targets;
      if (n.type() == "binary_expression" && extractionTargets(model_, n, targets)) found = true;
      if (n.type() == "call_expression") {
        const std::string callee = calleeName(n);
        if (isScanfName(callee) || isLineReader(callee) || isCharacterReader(callee))
          found = true;
        else if (const std::string key = calledKey(n);
                 !key.empty() && active_.count(key) == 0 && functionReads(key))
          found = true;
      }
      return !found;
    });
    return found;
  }

  // ---- Statements ----

  void walkStatement(const Node& node, std::vector<PlanStep>& steps, int depth) {
    if (node.null()) return;
    const std::string_view type = node.type();
    if (type == "compound_statement" || type == "translation_unit") {
      const std::vector<Node> children = childrenOf(node);
      std::vector<bool> readsAfter(children.size() + 1, false);
      for (size_t i = children.size(); i-- > 0;)
        readsAfter[i] = readsAfter[i + 1] || containsReads(children[i]);
      for (size_t i = 0; i < children.size(); ++i) {
        // if (op == '?') { ...; continue; } cin >> u >> v;: what follows is read only when
        // the test fails, as if it were the else-part.
        if (readsAfter[i + 1] && leavesEarly(children[i])) {
          PlanStep step;
          step.kind = PlanStep::Kind::kBranch;
          step.condition = children[i].field("condition");
          step.line = children[i].line();
          walkStatement(children[i].field("consequence"), step.body, depth);
          for (size_t rest = i + 1; rest < children.size(); ++rest)
            walkStatement(children[rest], step.otherwise, depth);
          steps.push_back(step);
          return;
        }
        walkStatement(children[i], steps, depth);
      }
    } else if (type == "expression_statement") {
      if (node.childCount() > 0) walkExpression(node.child(0), steps, depth);
    } else if (type == "declaration") {
      walkDeclaration(node, steps, depth);
    } else if (type == "for_statement") {
      walkFor(node, steps, depth);
    } else if (type == "for_range_loop") {
      walkRangeFor(node, steps, depth);
    } else if (type == "while_statement" || type == "do_statement") {
      walkWhile(node, steps, depth);
    } else if (type == "if_statement") {
      walkIf(node, steps, depth);
    } else if (type == "return_statement") {
      if (node.childCount() > 0) walkExpression(node.child(0), steps, depth);
    }
  }

  // An if without else whose then-part reads nothing and ends in continue or return.
  bool leavesEarly(const Node& statement) {
    if (statement.type() != "if_statement" || !statement.field("alternative").null()) return false;
    const Node consequence = statement.field("consequence");
    if (containsReads(consequence) || containsReads(statement.field("condition"))) return false;
    Node last = consequence;
    if (last.type() == "compound_statement") {
      const std::vector<Node> children = childrenOf(last);
      if (children.empty()) return false;
      last = children.back();
    }
    return last.type() == "continue_statement" || last.type() == "return_statement";
  }

  void walkExpression(const Node& expression, std::vector<PlanStep>& steps, int depth) {
    if (expression.null()) return;
    const std::string_view type = expression.type();
    std::vector<Node> targets;
    if (type == "binary_expression" && extractionTargets(model_, expression, targets)) {
      for (const Node& target : targets) {
        // Each record's operator once on the stack: the Point read inside Point's own
        // operator is its members, read one by one.
        std::string record;
        const Node extractor = extractorFor(target, record);
        if (!extractor.null() && depth < kMaxCallDepth &&
            active_.insert("operator>>:" + record).second) {
          walkStatement(extractor, steps, depth + 1);
          active_.erase("operator>>:" + record);
        } else {
          addRead(target, false, steps, ValueType::kInteger, false);
        }
      }
      return;
    }
    if (type == "comma_expression" || type == "parenthesized_expression") {
      for (const Node& child : childrenOf(expression)) walkExpression(child, steps, depth);
      return;
    }
    if (type == "call_expression") {
      walkCall(expression, steps, depth, Node());
      return;
    }
    if (type == "assignment_expression") {
      const Node right = expression.field("right");
      if (right.type() == "call_expression" && readsIntoResult(right)) {
        addRead(expression.field("left"), false, steps, ValueType::kInteger, false);
        return;
      }
      // x[i] = 2 * readInt(): the value read, scaled, lands in the left side all the same.
      if (const int calls = readerResultCalls(right); calls > 0) {
        for (int i = 0; i < calls; ++i)
          addRead(expression.field("left"), false, steps, ValueType::kInteger, false);
        return;
      }
      if (containsReads(right)) {
        walkExpression(right, steps, depth);
        return;
      }
      const Target target = targetOf(expression.field("left"));
      if (expression.field("operator").text() == "=" && target.subscripts == 0 &&
          !target.base.empty())
        addAssign(target.base, right, steps, expression.line());
    }
  }

  // How many calls in `expression` hand back a value read (readInt() * 2, readInt() - 1),
  // when nothing else in it reads.
  int readerResultCalls(const Node& expression) {
    int calls = 0;
    bool other = false;
    visitNodes(expression, [&](const Node& n) {
      if (n.type() != "call_expression") return true;
      if (readsIntoResult(n))
        ++calls;
      else if (containsReads(n))
        other = true;
      return false;
    });
    return other ? 0 : calls;
  }

  bool readsIntoResult(const Node& call) {
    const std::string callee = calleeName(call);
    return model_.functions.count(callee) != 0 && isReaderFunction(callee) &&
           call.field("arguments").childCount() == 0;
  }

  void walkCall(const Node& call, std::vector<PlanStep>& steps, int depth, const Node&) {
    const std::string callee = calleeName(call);
    const Node arguments = call.field("arguments");
    if (isScanfName(callee)) {
      if (arguments.childCount() == 0) return;
      const std::vector<ValueType> types = conversionsOf(arguments.child(0).text());
      for (uint32_t i = 1; i < arguments.childCount(); ++i) {
        const ValueType valueType = i - 1 < types.size() ? types[i - 1] : ValueType::kInteger;
        addRead(arguments.child(i), false, steps, valueType, true);
      }
      return;
    }
    if (isLineReader(callee)) {
      if (arguments.childCount() >= 2)
        addRead(arguments.child(1), true, steps, ValueType::kLine, true);
      return;
    }
    const Node function = call.field("function");
    if (function.type() == "field_expression") {
      const std::string_view method = function.field("field").text();
      if ((method == "resize" || method == "assign") && arguments.childCount() > 0) {
        const Target target = targetOf(function.field("argument"));
        if (!target.base.empty() && target.subscripts == 0)
          addContainerSize(target.base, arguments.child(0), steps, call.line());
        return;
      }
      // solver.solve(), Solution().run(): a member function of the program's own class.
      const std::string key = calledKey(call);
      if (key.empty() || active_.count(key) != 0 || depth >= kMaxCallDepth || !functionReads(key))
        return;
      active_.insert(key);
      walkStatement(bodyOf(key), steps, depth + 1);
      active_.erase(key);
      return;
    }
    auto found = model_.functions.find(callee);
    if (found == model_.functions.end() || active_.count(callee) != 0) return;
    if (isReaderFunction(callee) && arguments.childCount() > 0) {
      for (const Node& argument : childrenOf(arguments))
        addRead(argument, false, steps, ValueType::kInteger, false);
      return;
    }
    if (depth >= kMaxCallDepth || !functionReads(callee)) return;
    active_.insert(callee);
    walkStatement(found->second.body, steps, depth + 1);
    active_.erase(callee);
  }

  void walkDeclaration(const Node& declaration, std::vector<PlanStep>& steps, int depth) {
    for (const Node& child : childrenOf(declaration)) {
      // vector<int> a(n); reads to the grammar as a function declaration taking a type n.
      if (child.type() == "function_declarator") {
        const Node parameters = child.field("parameters");
        if (parameters.childCount() > 0) {
          const std::string name = declaredName(child.field("declarator"));
          addContainerSize(name, parameters.child(0), steps, child.line());
          for (uint32_t i = 1; i < parameters.childCount(); ++i)
            addRowSizes(name, parameters.child(i), steps);
        }
        continue;
      }
      if (child.type() != "init_declarator") continue;
      const std::string name = declaredName(child);
      const Node value = child.field("value");
      if (value.null()) continue;
      if ((value.type() == "call_expression" && readsIntoResult(value)) ||
          readerResultCalls(value) == 1) {
        PlanStep step;
        step.kind = PlanStep::Kind::kRead;
        step.value.name = name;
        step.value.type = typeOfTarget(model_, Target{name, name, 0}, false);
        step.line = child.line();
        steps.push_back(step);
        continue;
      }
      if (containsReads(value)) {
        walkExpression(value, steps, depth);
        continue;
      }
      if (value.type() == "argument_list" || value.type() == "initializer_list") {
        // vector<int> a(n + 1, 0): the first argument sizes it; in
        // vector<vector<ll>> d(h, vector<ll>(w, INF)) w sizes each row.
        if (value.childCount() > 0 && value.type() == "argument_list") {
          addContainerSize(name, value.child(0), steps, child.line());
          for (uint32_t i = 1; i < value.childCount(); ++i)
            addRowSizes(name, value.child(i), steps);
        }
      } else {
        addAssign(name, value, steps, child.line());
      }
    }
  }

  // vector<ll>(w, INF) as an argument, or as the grammar reads it in a declaration that looks
  // like a function's: a parameter of type vector<ll> declared (w, INF).
  void addRowSizes(const std::string& name, const Node& argument, std::vector<PlanStep>& steps) {
    Node inner;
    if (argument.type() == "call_expression" &&
        argument.field("function").type() == "template_function")
      inner = argument.field("arguments");
    else if (argument.type() == "parameter_declaration" &&
             argument.field("type").type() == "template_type" &&
             argument.field("declarator").type() == "abstract_function_declarator")
      inner = argument.field("declarator").field("parameters");
    if (inner.null()) return;
    if (inner.childCount() == 0) return;
    addContainerSize(name + "[]", inner.child(0), steps, argument.line());
    for (uint32_t i = 1; i < inner.childCount(); ++i)
      addRowSizes(name + "[]", inner.child(i), steps);
  }

  void walkFor(const Node& loop, std::vector<PlanStep>& steps, int depth) {
    const Node body = loop.field("body");
    // for (int n, m; cin >> n >> m;): a while over reads with its variables declared first.
    if (containsReads(loop.field("condition"))) {
      walkUntilEnd(loop.field("condition"), body, loop.line(), steps, depth);
      return;
    }
    if (!containsReads(body)) return;
    PlanStep step;
    step.kind = PlanStep::Kind::kRepeat;
    step.line = loop.line();
    readCounter(loop.field("initializer"), loop.field("condition"), step);
    walkStatement(body, step.body, depth);
    steps.push_back(step);
  }

  // for (int i = START; i < COUNT; ...), i <= COUNT, COUNT > i, i >= END counting down.
  void readCounter(const Node& init, Node condition, PlanStep& step) {
    while (!condition.null() && (condition.type() == "condition_clause" ||
                                 condition.type() == "parenthesized_expression"))
      condition = condition.child(0);
    std::string variable;
    Node initial;
    if (!init.null()) {
      if (init.type() == "declaration") {
        for (const Node& child : childrenOf(init))
          if (child.type() == "init_declarator") {
            variable = declaredName(child);
            initial = child.field("value");
          }
      } else if (init.type() == "assignment_expression") {
        variable = std::string(targetOf(init.field("left")).base);
        initial = init.field("right");
      }
    }
    if (condition.null() || condition.type() != "binary_expression") {
      // for (; t--; ) or while (t--)
      const Node counted = countedDown(condition);
      if (!counted.null()) step.count = counted;
      return;
    }
    const std::string_view op = condition.field("operator").text();
    Node left = condition.field("left");
    Node right = condition.field("right");
    const bool leftIsVariable = !variable.empty() && left.text() == variable;
    const bool rightIsVariable = !variable.empty() && right.text() == variable;
    if ((op == "<" || op == "<=") && (leftIsVariable || variable.empty())) {
      step.count = right;
      step.start = initial;
      step.inclusive = op == "<=";
    } else if ((op == ">" || op == ">=") && rightIsVariable) {
      step.count = left;
      step.start = initial;
      step.inclusive = op == ">=";
    } else if ((op == ">" || op == ">=") && leftIsVariable) {
      // for (int i = n - 1; i >= 0; i--): from the start down to the bound.
      step.count = initial;
      step.start = right;
      step.inclusive = op == ">=";
    } else if (op == "!=" && leftIsVariable) {
      step.count = right;
      step.start = initial;
    }
  }

  // t--, t-- > 0, --t >= 0 (not exact, close enough), t-- != 0: the variable counted down.
  static Node countedDown(Node condition) {
    while (!condition.null() && (condition.type() == "condition_clause" ||
                                 condition.type() == "parenthesized_expression"))
      condition = condition.child(0);
    if (condition.null()) return Node();
    if (condition.type() == "binary_expression") condition = condition.field("left");
    if (condition.type() == "update_expression" &&
        condition.text().find("--") != std::string_view::npos)
      return condition.field("argument");
    return Node();
  }

  void walkRangeFor(const Node& loop, std::vector<PlanStep>& steps, int depth) {
    const Node body = loop.field("body");
    if (!containsReads(body)) return;
    PlanStep step;
    step.kind = PlanStep::Kind::kRepeat;
    step.line = loop.line();
    step.container = targetOf(loop.field("right")).base;
    // for (auto& x : a) cin >> x: the element is the container's value.
    const std::string element = declaredName(loop.field("declarator"));
    walkStatement(body, step.body, depth);
    for (PlanStep& read : step.body)
      if (read.kind == PlanStep::Kind::kRead && read.value.name == element &&
          !step.container.empty()) {
        read.value.name = step.container;
        read.value.base = step.container;
        read.value.subscripts = 1;
        Target target{step.container, step.container, 1};
        if (read.value.type == ValueType::kInteger)
          read.value.type = typeOfTarget(model_, target, false);
      }
    steps.push_back(step);
  }

  // while (cin >> x), while (scanf(...) == 1): one pass per value until the input ends.
  void walkUntilEnd(const Node& condition, const Node& body, int line, std::vector<PlanStep>& steps,
                    int depth) {
    PlanStep step;
    step.line = line;
    step.kind = PlanStep::Kind::kUntilEnd;
    Node inner = condition;
    while (!inner.null() &&
           (inner.type() == "condition_clause" || inner.type() == "parenthesized_expression"))
      inner = inner.child(0);
    if (inner.type() == "binary_expression" && inner.field("operator").text() != ">>")
      inner = inner.field("left");
    walkExpression(inner, step.body, depth);
    walkStatement(body, step.body, depth);
    steps.push_back(step);
  }

  void walkWhile(const Node& loop, std::vector<PlanStep>& steps, int depth) {
    const Node condition = loop.field("condition");
    const Node body = loop.field("body");
    if (containsReads(condition)) {
      walkUntilEnd(condition, body, loop.line(), steps, depth);
      return;
    }
    PlanStep step;
    step.line = loop.line();
    if (!containsReads(body)) return;
    step.kind = PlanStep::Kind::kRepeat;
    step.count = countedDown(condition);
    if (step.count.null()) readCounter(Node(), condition, step);
    walkStatement(body, step.body, depth);
    steps.push_back(step);
  }

  void walkIf(const Node& statement, std::vector<PlanStep>& steps, int depth) {
    const Node condition = statement.field("condition");
    Node alternative = statement.field("alternative");
    if (alternative.type() == "else_clause") alternative = alternative.child(0);
    const Node consequence = statement.field("consequence");
    if (containsReads(condition)) walkExpression(condition.child(0), steps, depth);
    if (!containsReads(consequence) && !containsReads(alternative)) return;
    PlanStep step;
    step.kind = PlanStep::Kind::kBranch;
    step.condition = condition;
    step.line = statement.line();
    walkStatement(consequence, step.body, depth);
    walkStatement(alternative, step.otherwise, depth);
    steps.push_back(step);
  }

  // ---- Steps ----

  void addRead(const Node& targetNode, bool line, std::vector<PlanStep>& steps, ValueType given,
               bool typeGiven) {
    const Target target = targetOf(targetNode);
    if (target.base.empty()) return;
    PlanStep step;
    step.kind = PlanStep::Kind::kRead;
    step.value.name = target.name;
    step.value.base = target.base;
    step.value.subscripts = target.subscripts;
    step.value.offset = target.offset;
    step.value.type = typeGiven ? given : typeOfTarget(model_, target, line);
    step.value.line = targetNode.line();
    step.line = targetNode.line();
    steps.push_back(step);
  }

  void addAssign(const std::string& name, const Node& expression, std::vector<PlanStep>& steps,
                 int line) {
    PlanStep step;
    step.kind = PlanStep::Kind::kAssign;
    step.target = name;
    step.expression = expression;
    step.line = line;
    steps.push_back(step);
  }

  void addContainerSize(const std::string& name, const Node& expression,
                        std::vector<PlanStep>& steps, int line) {
    PlanStep step;
    step.kind = PlanStep::Kind::kAssign;
    step.container = name;
    step.expression = expression;
    step.line = line;
    steps.push_back(step);
  }

  const Model& model_;
  std::map<std::string, bool> readsCache_;
  std::map<std::string, Node> members_;
  std::set<std::string> active_;
  std::map<std::string, Node> extractors_;  // a record type's name: its operator>>'s body
};

void collectValues(const std::vector<PlanStep>& steps, std::vector<const PlanValue*>& out) {
  for (const PlanStep& step : steps) {
    if (step.kind == PlanStep::Kind::kRead) out.push_back(&step.value);
    collectValues(step.body, out);
    collectValues(step.otherwise, out);
  }
}

std::string describeValue(const PlanValue& value) {
  std::string text = value.name + ":";
  if (value.type == ValueType::kWord || value.type == ValueType::kLine)
    return text + (value.type == ValueType::kLine ? "line(" : "word(") + value.lengthSize + ")";
  switch (value.role) {
    case ValueRole::kSize:
      return text + "size";
    case ValueRole::kTestCount:
      return text + "tests";
    case ValueRole::kPosition:
      return text +
             (value.eitherBase ? "pos"
              : value.low == 0 ? "pos0"
                               : "pos1") +
             "(" + value.governingSize + ")";
    case ValueRole::kChoice:
      return text + "choice";
    case ValueRole::kValue:
      break;
  }
  return text + (value.type == ValueType::kChar   ? "char"
                 : value.type == ValueType::kReal ? "real"
                                                  : "value");
}

std::string describeSteps(const std::vector<PlanStep>& steps) {
  std::string text;
  auto add = [&](const std::string& part) { text += (text.empty() ? "" : " ") + part; };
  for (const PlanStep& step : steps) {
    switch (step.kind) {
      case PlanStep::Kind::kRead:
        add(describeValue(step.value));
        break;
      case PlanStep::Kind::kAssign:
        break;
      case PlanStep::Kind::kRepeat: {
        std::string count =
            step.container.empty() ? std::string(step.count.text()) : "|" + step.container + "|";
        if (count.empty()) count = "?";
        add(count + "*(" + describeSteps(step.body) + ")");
        break;
      }
      case PlanStep::Kind::kUntilEnd:
        add("until-end(" + describeSteps(step.body) + ")");
        break;
      case PlanStep::Kind::kBranch:
        add("if(" + describeSteps(step.body) + " | " + describeSteps(step.otherwise) + ")");
        break;
    }
  }
  return text;
}

bool hasRead(const std::vector<PlanStep>& steps) {
  for (const PlanStep& step : steps)
    if (step.kind == PlanStep::Kind::kRead || hasRead(step.body) || hasRead(step.otherwise))
      return true;
  return false;
}

}  // namespace

InputPlan deriveInputPlan(const Model& model) {
  InputPlan plan = PlanWalker(model).walk();
  plan.readsInput = hasRead(plan.steps);
  if (plan.readsInput) assignRoles(model, plan);
  return plan;
}

std::string describePlan(const InputPlan& plan) { return describeSteps(plan.steps); }

std::vector<const PlanValue*> planValues(const InputPlan& plan) {
  std::vector<const PlanValue*> values;
  collectValues(plan.steps, values);
  return values;
}

}  // namespace quorbel
