#include "model/test_loops.h"

#include <algorithm>
#include <set>

#include "base/regex.h"
#include "model/inputs.h"
#include "model/loop_parts.h"
#include "model/magnitude.h"
#include "model/nodes_of_type.h"

namespace quorbel {
namespace {

// User functions are followed this deep from a pass; deeper helpers are not read.
constexpr int kMaxCallDepth = 4;

std::string calleeOf(const Node& call) {
  const Node function = call.field("function");
  std::string name(function.type() == "field_expression" ? function.field("field").text()
                                                         : function.text());
  const size_t angle = name.find('<');
  if (angle != std::string::npos) name = name.substr(0, angle);
  const size_t scope = name.rfind("::");
  return scope == std::string::npos ? name : name.substr(scope + 2);
}

// The name a read fills: n for n, &n, a[i], p.first.
std::string targetName(Node target);

// The identifier a read's target starts from, for the scope it is read in.
Node targetNode(Node target) {
  for (int guard = 0; guard < 8 && !target.null(); ++guard) {
    const std::string_view type = target.type();
    if (type == "identifier") return target;
    if (type == "pointer_expression" || type == "parenthesized_expression")
      target = target.child(target.childCount() - 1);
    else if (type == "subscript_expression" || type == "field_expression")
      target = target.field(type == "subscript_expression" ? "argument" : "argument");
    else if (type == "binary_expression")
      target = target.field("left");
    else
      break;
  }
  return {};
}

std::string targetName(Node target) {
  for (int guard = 0; guard < 6 && !target.null(); ++guard) {
    const std::string_view type = target.type();
    if (type == "pointer_expression" || type == "parenthesized_expression")
      target = target.childCount() ? target.child(target.childCount() - 1) : Node{};
    else
      break;
  }
  if (target.null()) return "";
  if (target.type() == "identifier") return std::string(target.text());
  return containerName(target);
}

// What the reads of a pass are: each read statement's targets, and the loops that read.
struct PassReads {
  std::vector<std::vector<std::string>> statements;
  std::set<uint32_t> readingLoops;  // node ids
  std::vector<Node> loops;
  std::set<std::string> handedCounts;  // values handed to a reader: the n of readArray(a, n)
  std::map<std::string, Node> readAt;  // where each name is first read: its scope there decides
  bool any = false;
};

class PassReader {
 public:
  explicit PassReader(const Model& model) : model_(model) {}

  // True when the function reads input, itself or through the functions it calls.
  bool functionReads(const Function& function, int depth) {
    auto known = reads_.find(function.name);
    if (known != reads_.end()) return known->second;
    reads_[function.name] = false;  // a recursive call adds nothing new
    if (depth > kMaxCallDepth) return false;
    PassReads inner;
    read(function.body, function.body, inner, depth + 1);
    reads_[function.name] = inner.any;
    return inner.any;
  }

  void read(const Node& root, const Node& scope, PassReads& out, int depth) {
    visitNodes(root, [&](const Node& n) {
      const std::string_view type = n.type();
      if (isLoopNode(n)) out.loops.push_back(n);
      if (type == "binary_expression" && n.field("operator").text() == ">>") {
        std::vector<std::string> targets;
        Node left = n;
        while (!left.null() && left.type() == "binary_expression" &&
               left.field("operator").text() == ">>") {
          targets.push_back(targetName(left.field("right")));
          left = unwrap(left.field("left"));
        }
        if (!left.null() && isInputStream(model_, left)) {
          record(n, scope, targets, out);
          return false;
        }
        return true;
      }
      if (const Node pack = foldedReadOf(model_, n); !pack.null()) {
        record(n, scope, {targetName(pack)}, out);
        return false;
      }
      if (type == "call_expression") {
        const std::string callee = readerCalleeOf(n);
        const Node function = n.field("function");
        const Node arguments = n.field("arguments");
        std::vector<std::string> targets;
        // cin.get(c), fin.getline(buf, n)
        const bool streamMethod = function.type() == "field_expression" &&
                                  isInputStream(model_, function.field("argument"));
        if (streamMethod || isLibraryReader(callee)) {
          const uint32_t first = callee == "scanf" || callee == "getline" ? 1
                                 : callee == "fscanf"                     ? 2
                                                                          : 0;
          for (uint32_t i = first; i < arguments.childCount(); ++i)
            targets.push_back(targetName(arguments.child(i)));
          record(n, scope, targets, out);
          return true;
        }
        auto reader = model_.readers.find(callee);
        auto defined = model_.functions.find(callee);
        if (defined == model_.functions.end() || depth > kMaxCallDepth) return true;
        if (reader == model_.readers.end() && !functionReads(defined->second, depth)) return true;
        // read(a, n): the filled arguments are read; a count handed to the reader is a size
        // it reads that many items of.
        for (uint32_t i = 0; i < arguments.childCount(); ++i) {
          const bool fills =
              reader != model_.readers.end() &&
              (i < reader->second.size() ? reader->second[i]
                                         : !reader->second.empty() && reader->second.back());
          const std::string name = targetName(arguments.child(i));
          if (fills || reader == model_.readers.end())
            targets.push_back(name);
          else if (!name.empty())
            out.handedCounts.insert(name);
        }
        const Node parent = n.parent();
        if (parent.type() == "assignment_expression")
          targets.push_back(targetName(parent.field("left")));
        if (parent.type() == "init_declarator") targets.push_back(declaredName(parent));
        record(n, scope, targets, out);
        if (followed_.insert(callee).second)
          read(defined->second.body, defined->second.body, out, depth + 1);
      }
      return true;
    });
  }

 private:
  // The statement a read belongs to: its expression statement, declaration or loop header.
  static Node statementOf(const Node& n) {
    Node p = n;
    for (int guard = 0; guard < 64 && !p.null(); ++guard, p = p.parent()) {
      const std::string_view type = p.type();
      if (type == "expression_statement" || type == "declaration" || type == "condition_clause" ||
          isLoopNode(p))
        return p;
    }
    return {};
  }

  // A read marks every loop between it and the scope it was found in. Reads of one statement,
  // or of statements that follow one another (cin >> n; cin >> s;), are read together.
  void record(const Node& n, const Node& scope, std::vector<std::string> targets, PassReads& out) {
    out.any = true;
    // The declaration each name read stands for is the one in scope at the read.
    visitNodes(n, [&](const Node& inner) {
      if (inner.type() == "identifier")
        for (const std::string& target : targets)
          if (target == inner.text()) out.readAt.emplace(target, inner);
      return true;
    });
    if (n.parent().type() == "init_declarator" || n.parent().type() == "assignment_expression")
      for (const std::string& target : targets) out.readAt.emplace(target, n.parent());
    targets.erase(std::remove(targets.begin(), targets.end(), std::string()), targets.end());
    const Node statement = statementOf(n);
    bool together = false;
    if (!statement.null() && !out.statements.empty()) {
      together = statement.id() == lastStatement_;
      if (!together) {
        const std::vector<Node> siblings = childrenOf(statement.parent());
        for (size_t i = 1; i < siblings.size(); ++i)
          if (siblings[i] == statement) together = siblings[i - 1].id() == lastStatement_;
      }
    }
    if (!statement.null()) lastStatement_ = statement.id();
    if (!targets.empty()) {
      if (together)
        out.statements.back().insert(out.statements.back().end(), targets.begin(), targets.end());
      else
        out.statements.push_back(targets);
    }
    int guard = 0;
    for (Node p = n.parent(); !p.null() && !(p == scope) && guard < 200; p = p.parent(), ++guard)
      if (isLoopNode(p)) out.readingLoops.insert(p.id());
  }

  uint32_t lastStatement_ = UINT32_MAX;
  const Model& model_;
  std::map<std::string, bool> reads_;
  std::set<std::string> followed_;
};

// True when `name` is a scalar read from the input. Asked where it is used (`use`), the
// declaration in scope there answers: main's int T = 1 is no count because a helper reads a
// string T.
bool isInputScalar(const Model& model, std::string_view name, const Node& use = Node{}) {
  if (!use.null()) {
    if (const Symbol* declared = findSymbolAt(model, name, use))
      return declared->fromInput && declared->kind == ContainerKind::kScalar;
  }
  const Symbol* symbol = findSymbol(model, name);
  if (symbol && symbol->fromInput && symbol->kind == ContainerKind::kScalar) return true;
  // int t read in main while the table holds a member vector t: the declaration read counts.
  auto [first, last] = model.declarations.equal_range(std::string(name));
  for (auto it = first; it != last; ++it)
    if (it->second.fromInput && it->second.kind == ContainerKind::kScalar) return true;
  return false;
}

bool countsByOne(const Update& update) {
  return update.op == "++" || update.op == "--" ||
         ((update.op == "+=" || update.op == "-=") && update.amount.text() == "1");
}

// True when a loop's condition reads values (while (cin >> n), while (scanf(..) == 2),
// while (getline(cin, s))). Characters taken one by one (c = getchar(), gc()) are the digits of
// one value, not a test per pass.
bool readsIn(const Model& model, const Node& node) {
  bool characters = false;
  visitNodes(node, [&](const Node& n) {
    if (n.type() != "call_expression") return true;
    const std::string callee = readerCalleeOf(n);
    static const std::set<std::string, std::less<>> kCharacterReaders = {
        "getchar", "getchar_unlocked", "_getchar_nolock",
        "getc",    "getc_unlocked",    "fgetc",
        "fread",   "fread_unlocked",   "get",
        "peek"};
    auto reader = model.readers.find(callee);
    if (kCharacterReaders.count(callee) ||
        (reader != model.readers.end() &&
         std::none_of(reader->second.begin(), reader->second.end(), [](bool b) { return b; })))
      characters = true;
    return !characters;
  });
  if (characters) return false;
  PassReader reader(model);
  PassReads pass;
  reader.read(node, node, pass, 0);
  return pass.any;
}

// True when `condition` tests only values the pass read against zero: !n, n == 0 && m == 0.
bool testsReadValuesForZero(const Node& condition, const std::set<std::string>& readNames) {
  bool onlyReadAndZero = true, anyRead = false;
  visitNodes(condition, [&](const Node& n) {
    const std::string_view type = n.type();
    if (type == "identifier") {
      anyRead = anyRead || readNames.count(std::string(n.text())) > 0;
      onlyReadAndZero = onlyReadAndZero && readNames.count(std::string(n.text())) > 0;
    } else if (type == "number_literal") {
      onlyReadAndZero = onlyReadAndZero && n.text() == "0";
    } else if (type == "binary_expression") {
      const std::string_view op = n.field("operator").text();
      onlyReadAndZero = onlyReadAndZero && (op == "==" || op == "&&" || op == "||");
    } else if (type == "unary_expression") {
      onlyReadAndZero = onlyReadAndZero && n.field("operator").text() == "!";
    } else if (type != "parenthesized_expression" && type != "condition_clause") {
      onlyReadAndZero = false;
    }
    return onlyReadAndZero;
  });
  return onlyReadAndZero && anyRead;
}

// Input ended by a terminating line of zeros: while (true) { cin >> n >> m; if (n == 0 &&
// m == 0) break; ... } reads tests until the input ends.
bool endsOnZeros(const Node& body, const std::set<std::string>& readNames) {
  bool found = false;
  visitNodes(body, [&](const Node& n) {
    if (found || isLoopNode(n)) return false;
    if (n.type() != "if_statement") return true;
    Node then = n.field("consequence");
    if (then.type() == "compound_statement" && then.childCount() == 1) then = then.child(0);
    found = then.type() == "break_statement" &&
            testsReadValuesForZero(unwrap(n.field("condition")), readNames);
    return !found;
  });
  return found;
}

std::set<std::string> namesRead(const PassReads& pass) {
  std::set<std::string> names;
  for (const auto& statement : pass.statements) names.insert(statement.begin(), statement.end());
  return names;
}

// The count of a loop and the variable that counts its passes: {t, t} for while (t--),
// {T, tc} for for (tc = 1; tc <= T; tc++), {"input", ""} for while (cin >> n).
std::pair<std::string, std::string> countOf(const Model& model, const Node& loop) {
  // for (auto& row : g) with g(n) rows read as groups: n passes
  if (loop.type() == "for_range_loop") {
    const Node range = unwrap(loop.field("right"));
    const Symbol* symbol =
        range.type() == "identifier" ? findSymbolAt(model, range.text(), range) : nullptr;
    if (!symbol || symbol->dimensions.empty()) return {};
    const std::vector<std::string> sizes = sizesOf(symbol->dimensions.front());
    if (sizes.size() != 1 || !isInputScalar(model, sizes.front(), range)) return {};
    return {sizes.front(), ""};
  }
  const Node condition = unwrap(loop.field("condition"));
  const Node body = loop.field("body");
  // while (true) { cin >> n >> m; if (n == 0 && m == 0) break; ... }: until a line of zeros
  if (condition.null() || condition.text() == "true" || condition.text() == "1") {
    if (loop.type() == "do_statement") return {};
    PassReader reader(model);
    PassReads pass;
    reader.read(body, body, pass, 0);
    if (pass.any && endsOnZeros(body, namesRead(pass))) return {"input", ""};
    return {};
  }
  // while (cin >> n), and for (int n; cin >> n;) that counts nothing else
  if ((loop.type() != "for_statement" || loop.field("update").null()) && readsIn(model, condition))
    return {"input", ""};
  // t--, --t, t-- > 0, t-- != 0
  Node update;
  if (condition.type() == "update_expression") update = condition;
  if (condition.type() == "binary_expression" &&
      unwrap(condition.field("left")).type() == "update_expression")
    update = unwrap(condition.field("left"));
  if (!update.null()) {
    const std::string name(update.field("argument").text());
    if (update.text().find("--") == std::string_view::npos ||
        !isInputScalar(model, name, update.field("argument")))
      return {};
    return {name, name};
  }
  // while (t) { ...; t--; }
  if (condition.type() == "identifier") {
    const std::string name(condition.text());
    if (isInputScalar(model, name, condition) && countsByOne(findUpdateIn(body, name)))
      return {name, name};
    return {};
  }
  // for (tc = 1; tc <= T; tc++), while (i < q) { ...; i++; }
  std::vector<Comparison> comparisons;
  collectComparisons(condition, comparisons);
  if (comparisons.size() != 1) return {};
  const Node left = unwrapConversions(model, comparisons[0].left),
             right = unwrapConversions(model, comparisons[0].right);
  // while (t > 0) { ...; t--; }
  const auto stepOf = [&](const std::string& variable) {
    Update step =
        loop.type() == "for_statement" ? readUpdate(loop.field("update"), variable) : Update{};
    return step.op.empty() ? findUpdateIn(body, variable) : step;
  };
  if (left.type() == "identifier" && right.type() == "number_literal" &&
      isInputScalar(model, left.text(), left) && countsByOne(stepOf(std::string(left.text()))))
    return {std::string(left.text()), std::string(left.text())};
  for (const auto& [counter, bound] : {std::pair{left, right}, std::pair{right, left}}) {
    if (counter.type() != "identifier" || bound.type() != "identifier") continue;
    if (!isInputScalar(model, bound.text(), bound)) continue;
    const std::string variable(counter.text());
    if (countsByOne(stepOf(variable))) return {std::string(bound.text()), variable};
  }
  return {};
}

// True when the counter picks entries in the body (a[i]): a loop over items, not over tests.
bool indexesWith(const Node& body, const std::string& variable) {
  if (variable.empty()) return false;
  bool indexes = false;
  visitNodes(body, [&](const Node& n) {
    if (indexes) return false;
    if (n.type() == "subscript_expression" && mentionsIdentifier(n.field("indices"), variable))
      indexes = true;
    return !indexes;
  });
  return indexes;
}

// The sizes a reading loop's trip count is made of: k of for (i < k), n of a vector a(n).
std::vector<std::string> countingNames(const Model& model, const Node& loop) {
  std::vector<std::string> names;
  if (loop.type() == "for_range_loop") {
    const Symbol* symbol = findSymbol(model, containerName(unwrap(loop.field("right"))));
    if (symbol)
      for (const Cost& extent : symbol->dimensions)
        for (const std::string& size : sizesOf(extent)) names.push_back(size);
    return names;
  }
  visitNodes(loop.field("condition"), [&](const Node& n) {
    if (n.type() == "identifier") names.emplace_back(n.text());
    return true;
  });
  return names;
}

// Whether `node` lies in the subtree of `outer`: their bytes nest as their nodes do.
bool within(const Node& node, const Node& outer) {
  return ts_node_start_byte(node.raw) >= ts_node_start_byte(outer.raw) &&
         ts_node_end_byte(node.raw) <= ts_node_end_byte(outer.raw);
}

bool commentMatches(const Model& model, const std::string& pattern, TestLoopMemo* memo) {
  if (memo) {
    auto known = memo->comments.find(pattern);
    if (known != memo->comments.end()) return known->second;
  }
  bool matches = false;
  for (const Node& comment : descendantsOfType(model.root, {"comment"}))
    if (containsRegex(comment.text(), pattern)) {
      matches = true;
      break;
    }
  if (memo) memo->comments.emplace(pattern, matches);
  return matches;
}

// True when `count` is only declared, read and tested by the loop's header: t of while (t--).
bool onlyCounts(const Model& model, const Node& loop, const std::string& count,
                TestLoopMemo* memo) {
  int outside = 0;
  if (memo) {
    // Asked of every loop that may count tests: the program's identifiers are grouped once.
    if (!memo->identifiersRead) {
      for (const Node& n : descendantsOfType(model.root, {"identifier"}))
        memo->identifiers[n.text()].push_back(n);
      memo->identifiersRead = true;
    }
    auto named = memo->identifiers.find(count);
    if (named != memo->identifiers.end())
      for (const Node& n : named->second)
        if (!within(n, loop) && ++outside > 2) return false;
    return !mentionsIdentifier(loop.field("body"), count);
  }
  for (const Node& n : descendantsOfType(model.root, {"identifier"}))
    if (n.text() == count && !within(n, loop) && ++outside > 2) return false;
  return !mentionsIdentifier(loop.field("body"), count);
}

// A comment that bounds the count (1 <= T <= 100) gives the statement's per-test limits.
bool commentBoundsCount(const Model& model, const std::string& count, TestLoopMemo* memo) {
  if (count.empty() || count == "input" || count.size() > 20) return false;
  std::string letters;
  for (char c : count) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && !(c >= '0' && c <= '9') && c != '_') return false;
    letters +=
        letter ? std::string("[") + static_cast<char>(c | 0x20) + static_cast<char>(c & ~0x20) + "]"
               : std::string(1, c);
  }
  return commentMatches(model, "(^|[^A-Za-z0-9_])" + letters + "[ ]*(<=|≤|<)[ ]*[0-9]", memo);
}

// Statements call the number of tests T; where the program uses T for something of its own
// (a variable, a template's type), the count keeps the name of what it runs to: the input.
std::string unnamedCount(const Model& model, TestLoopMemo* memo) {
  if (memo && !memo->unnamedCount.empty()) return memo->unnamedCount;
  std::string name = "T";
  for (const Node& n : descendantsOfType(model.root, {"identifier", "type_identifier"}))
    if (n.text() == "T") {
      name = "input";
      break;
    }
  if (memo) memo->unnamedCount = name;
  return name;
}

}  // namespace

TestLoop testLoopOf(const Model& model, const Node& loop, TestLoopMemo* memo) {
  TestLoop test;
  const auto [count, counter] = countOf(model, loop);
  if (count.empty()) return test;
  test.untilEnd = count == "input";
  const Node body = loop.field("body");
  // A loop over items picks entries with its counter (a[i]); one over groups may too
  // (g[i].push_back(x) for the m items of group i), known below by the sizes its passes read.
  const bool indexes = indexesWith(body, counter);
  PassReader reader(model);
  PassReads pass;
  reader.read(body, body, pass, 0);
  if (count == "input") reader.read(loop.field("condition"), loop, pass, 0);
  if (!pass.any) return test;
  test.count = count;

  const std::set<std::string> readNames = namesRead(pass);
  std::set<std::string> sizes;
  for (const Node& inner : pass.loops) {
    if (!pass.readingLoops.count(inner.id())) continue;
    for (const std::string& name : countingNames(model, inner))
      if (readNames.count(name) && isInputScalar(model, name) && name != count) sizes.insert(name);
  }
  // A count handed to a reader (readArray(a, n)) counts the items it reads.
  for (const std::string& name : pass.handedCounts)
    if (readNames.count(name) && isInputScalar(model, name) && name != count) sizes.insert(name);
  // A string read in the pass is items itself; so is a container read whole (cin >> a through
  // the program's operator>>, read(a)), whose extents read in the pass are test sizes.
  const auto readAt = [&](const std::string& name) {
    auto found = pass.readAt.find(name);
    return found == pass.readAt.end() ? Node{} : found->second;
  };
  for (const std::string& name : readNames) {
    const Symbol* symbol = findSymbolAt(model, name, readAt(name));
    if (!symbol) continue;
    if (symbol->kind == ContainerKind::kString) {
      sizes.insert("|" + name + "|");
      if (!symbol->sizeName.empty()) sizes.insert(symbol->sizeName);
    } else if (symbol->kind != ContainerKind::kScalar) {
      for (const Cost& extent : symbol->dimensions)
        for (const std::string& size : sizesOf(extent))
          if (readNames.count(size) && isInputScalar(model, size, readAt(size)) && size != count)
            sizes.insert(size);
    }
  }
  // A size read with a test size is one too: the n of cin >> n >> s, of cin >> n >> m and m
  // edges, of while (cin >> n && cin >> m).
  const auto isSize = [&](const std::string& name) {
    return sizes.count(name) > 0 || sizes.count("|" + name + "|") > 0;
  };
  for (const auto& statement : pass.statements)
    if (std::any_of(statement.begin(), statement.end(), isSize))
      for (const std::string& name : statement)
        if (isInputScalar(model, name, readAt(name)) && name != count) sizes.insert(name);
  test.sizes.assign(sizes.begin(), sizes.end());
  // Passes that each read sized items are tests; passes of single values are the input itself.
  if (test.untilEnd && !sizes.empty()) test.count = unnamedCount(model, memo);
  // Without test sizes only a count that is nothing but a count is one of tests: the m of an
  // edge list, also used elsewhere, counts lines whose passes read two numbers each.
  // A walk over a container's entries is one over groups only where its passes read sizes.
  const bool walk = loop.type() == "for_range_loop";
  test.found = !sizes.empty() ||
               (!indexes && !walk && (count == "input" || onlyCounts(model, loop, count, memo)));

  // "the sum of n is not bounded", "no bound on the total": the limits hold in every test.
  const bool unbounded = commentMatches(
      model, "([Nn]ot|[Nn]o|[Nn]ever) (separately |explicitly )?bound(ed)?([^a-z]|$)|[Uu]nbounded",
      memo);
  if (model.sumBoundedTests && !unbounded) {
    test.pricing = TestPricing::kSummed;
  } else if (unbounded || commentBoundsCount(model, count, memo)) {
    test.pricing = TestPricing::kMultiply;
    test.multiplyReason = "a comment gives per-test limits";
  }
  return test;
}

Cost splitTestCost(const TestLoop& test, const Cost& pass) {
  const Cost count = sizeCost(test.count);
  if (test.pricing == TestPricing::kMultiply) return multiplyCosts(count, pass);
  if (test.sizes.empty())
    return test.pricing == TestPricing::kSummed ? pass : multiplyCosts(count, pass);
  Cost once, repeated;
  for (const Monomial& term : simplifyCost(pass).terms) {
    bool inSizes = false;
    for (const auto& entry : term.sizes)
      inSizes = inSizes ||
                std::find(test.sizes.begin(), test.sizes.end(), entry.first) != test.sizes.end();
    if (isConstantCost(Cost{{term}})) continue;
    (inSizes ? once : repeated).terms.push_back(term);
  }
  // Every pass reads its sizes, so the count itself is bounded by the items read.
  if (once.terms.empty() && repeated.terms.empty()) return count;
  return repeated.terms.empty() ? once : addCosts(once, multiplyCosts(count, repeated));
}

bool clearsContainer(const Node& scope, const std::string& name) {
  bool clears = false;
  visitNodes(scope, [&](const Node& n) {
    if (clears) return false;
    if (n.type() == "call_expression") {
      const Node function = n.field("function");
      const std::string callee = calleeOf(n);
      if (function.type() == "field_expression" &&
          (callee == "clear" || callee == "assign" || callee == "resize") &&
          containerName(function.field("argument")) == name)
        clears = true;
      if ((callee == "memset" || callee == "fill" || callee == "fill_n") &&
          containerName(unwrap(n.field("arguments").child(0))) == name)
        clears = true;
    }
    // s = s + c keeps what s held
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=" &&
        isIdentifierNamed(unwrap(n.field("left")), name) &&
        !mentionsIdentifier(n.field("right"), name))
      clears = true;
    return !clears;
  });
  return clears;
}

}  // namespace quorbel
