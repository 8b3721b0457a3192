// Roles of the values a program reads, from how the whole program uses them:
//   for (int i = 1; i <= n; i++)         n bounds a loop                     -> size
//   while (t--) { cin >> n; ... }        t counts blocks reading sizes        -> test count
//   adj[u].push_back(v); unite(a, b)     u, v index containers (also through
//                                        a parameter that indexes one)       -> position
//   cin >> x; x--; ... a[x]              decremented first                   -> 1-based position
//   vector<int> a(n); cin >> k; a[k]     a container of exactly n slots      -> 0-based position
//   if (op == 1) ...  switch (c) case 'a':                                  -> one of the literals
//   tree.add_child(boss - 1, i)          a member function's indexing parameter -> position
//   cin >> u >> v >> w; edges.push_back({u, v, w})   after n, m: the first two of a record
//                                        read m times are vertices of n      -> position
#include "measure/input_roles.h"

#include <functional>
#include <set>

#include "measure/size_extents.h"

namespace quorbel {
namespace {

bool isNameNode(const Node& node) {
  return node.type() == "identifier" || node.type() == "field_identifier" ||
         node.type() == "type_identifier";
}

void collectNames(const Node& node, std::set<std::string>& names) {
  if (node.null()) return;
  visitNodes(node, [&](const Node& n) {
    if (isNameNode(n)) names.insert(std::string(n.text()));
    return true;
  });
}

Node unwrap(Node node) {
  while (!node.null() &&
         (node.type() == "condition_clause" || node.type() == "parenthesized_expression"))
    node = node.child(0);
  return node;
}

std::optional<double> literalValue(const Node& node) {
  if (node.type() == "number_literal") {
    try {
      return std::stod(std::string(node.text()), nullptr);
    } catch (...) {
      return std::nullopt;
    }
  }
  if (node.type() == "char_literal") {
    const std::string_view text = node.text();
    if (text.size() == 3) return static_cast<double>(static_cast<unsigned char>(text[1]));
  }
  return std::nullopt;
}

// What the program does with each name, gathered once over the whole tree.
struct Usage {
  std::set<std::string> boundsLoop;
  std::set<std::string> indexes;
  std::set<std::string> decremented;
  std::map<std::string, std::set<double>> literals;
  std::map<std::string, std::string> indexedContainer;  // x in a[x]: a
  std::set<std::string> stored;  // put in a braced record ({u, v, w}) or read into a field
  std::map<std::string, Node> firstExtent;  // int cnt[4], a[N][M]: 4 for cnt, N for a
  // s[i] == 'A', g[i][j] != '#', switch (s[i]) case 'L': the characters a string's letters
  // are compared with.
  std::map<std::string, std::set<double>> letters;
};

// The array a subscript reaches down to: g for g[i][j], s for s[i]; empty for anything else.
std::string subscriptedName(Node node) {
  if (node.type() != "subscript_expression") return std::string();
  while (node.type() == "subscript_expression") node = node.field("argument");
  return node.type() == "identifier" ? std::string(node.text()) : std::string();
}

// The function a call names: `unite` for unite(a, b), `add_edge` for g.add_edge(a, b).
std::string calleeName(const Node& function) {
  if (function.type() == "field_expression") return std::string(function.field("field").text());
  return std::string(function.text());
}

class UsageReader {
 public:
  explicit UsageReader(const Model& model) : model_(model) {}

  Usage read() {
    findPositionParameters();
    findRecordTypes();
    visitNodes(model_.root, [&](const Node& n) {
      visitNode(n);
      return true;
    });
    return usage_;
  }

 private:
  void visitNode(const Node& n) {
    const std::string_view type = n.type();
    if (type == "for_statement" || type == "while_statement" || type == "do_statement") {
      const Node condition = unwrap(n.field("condition"));
      if (!condition.null() && condition.type() == "binary_expression") {
        const std::string_view op = condition.field("operator").text();
        if (op == "<" || op == "<=" || op == ">" || op == ">=" || op == "!=") {
          // for (auto u = 0; u < n; u++) declares a counter of its own: a u read elsewhere
          // is another variable, which this loop does not bound.
          std::set<std::string> compared, declared;
          collectNames(condition.field("left"), compared);
          collectNames(condition.field("right"), compared);
          const Node init = type == "for_statement" ? n.field("initializer") : Node();
          if (!init.null() && init.type() == "declaration")
            for (const Node& child : childrenOf(init))
              if (child.type() == "init_declarator") declared.insert(declaredName(child));
          for (const std::string& name : compared)
            if (declared.count(name) == 0) usage_.boundsLoop.insert(name);
        }
      }
      if (type == "for_statement") {
        // for (int i = l; i <= r; i++): the start bounds the loop as much as the end.
        // Only the values: for (int i = 1, a, b; ...) declares a and b, which bound nothing.
        const Node init = n.field("initializer");
        if (!init.null() && init.type() == "declaration") {
          for (uint32_t i = 0; i < init.childCount(); ++i)
            if (init.child(i).type() == "init_declarator")
              collectNames(init.child(i).field("value"), usage_.boundsLoop);
        } else if (!init.null()) {
          collectNames(init.field("right"), usage_.boundsLoop);
        }
      }
    } else if (type == "subscript_expression") {
      const Node index = n.field("indices").null() ? n.field("index") : n.field("indices");
      // m[key] of a map takes any key: the key is a value, not a position.
      const Node owner = n.field("argument");
      const Symbol* container =
          owner.type() == "identifier" ? findSymbol(model_, std::string(owner.text())) : nullptr;
      if (container != nullptr &&
          (container->kind == ContainerKind::kOrdered || container->kind == ContainerKind::kHashed))
        return;
      collectNames(index, usage_.indexes);
      visitNodes(index, [&](const Node& part) {
        if (part.type() == "binary_expression" && part.field("operator").text() == "-" &&
            part.field("right").text() == "1")
          collectNames(part.field("left"), usage_.decremented);
        return true;
      });
      const Node bare = index.type() == "subscript_argument_list" && index.childCount() == 1
                            ? index.child(0)
                            : index;
      if (isNameNode(bare)) exactIndex(std::string(bare.text()), n.field("argument"));
    } else if (type == "update_expression" && n.text().find("--") != std::string_view::npos) {
      collectNames(n.field("argument"), usage_.decremented);
    } else if (type == "assignment_expression" && n.field("operator").text() == "-=" &&
               n.field("right").text() == "1") {
      collectNames(n.field("left"), usage_.decremented);
    } else if (type == "binary_expression") {
      const std::string_view op = n.field("operator").text();
      if (op == "==" || op == "!=") {
        addLiteral(n.field("left"), n.field("right"));
        addLiteral(n.field("right"), n.field("left"));
      }
    } else if (type == "switch_statement") {
      const Node subject = unwrap(n.field("condition"));
      const std::string letters = subscriptedName(subject);
      if (!letters.empty())
        visitNodes(n.field("body"), [&](const Node& c) {
          const Node value = c.type() == "case_statement" ? c.field("value") : Node();
          if (!value.null() && value.type() == "char_literal" && literalValue(value))
            usage_.letters[letters].insert(*literalValue(value));
          return true;
        });
      if (isNameNode(subject)) {
        visitNodes(n.field("body"), [&](const Node& c) {
          if (c.type() == "case_statement") {
            const std::optional<double> value = literalValue(c.field("value"));
            if (value) usage_.literals[std::string(subject.text())].insert(*value);
          }
          return true;
        });
      }
    } else if (type == "call_expression") {
      readCall(n);
    } else if (type == "initializer_list") {
      collectNames(n, usage_.stored);
    } else if (type == "field_expression") {
      usage_.stored.insert(std::string(n.field("field").text()));
    } else if (type == "array_declarator" && n.field("declarator").type() == "identifier" &&
               !n.field("size").null()) {
      usage_.firstExtent[std::string(n.field("declarator").text())] = n.field("size");
    }
  }

  void addLiteral(const Node& side, const Node& other) {
    const std::string letters = subscriptedName(unwrap(side));
    if (!letters.empty() && other.type() == "char_literal" && literalValue(other))
      usage_.letters[letters].insert(*literalValue(other));
    if (!isNameNode(side)) return;
    const std::optional<double> value = literalValue(other);
    if (value) usage_.literals[std::string(side.text())].insert(*value);
  }

  void exactIndex(const std::string& name, const Node& container) {
    if (container.type() == "identifier")
      usage_.indexedContainer[name] = std::string(container.text());
  }

  // The names of the record types the program declares or aliases (struct E, typedef
  // pair<int, int> pii, using T = tuple<int, int, int>); number aliases (ll) convert, they
  // build no record.
  void findRecordTypes() {
    visitNodes(model_.root, [&](const Node& n) {
      const std::string_view type = n.type();
      if ((type == "struct_specifier" || type == "class_specifier") && !n.field("name").null())
        recordTypes_.insert(std::string(n.field("name").text()));
      else if (type == "type_definition" || type == "alias_declaration")
        for (const Node& child : childrenOf(n))
          if (child.type() == "type_identifier") recordTypes_.insert(std::string(child.text()));
      return true;
    });
    for (const std::string& alias : model_.scalarAliases) recordTypes_.erase(alias);
  }

  // pii(d, ii(a, b)), make_pair(u, v), make_tuple(u, v, w), Edge(u, v, w), pair<int, int>(u, v):
  // the arguments are kept together as one record, as in a braced {u, v, w}.
  bool buildsRecord(const Node& function) const {
    if (function.type() == "template_function") {
      const std::string_view name = function.field("name").text();
      return name == "pair" || name == "tuple" || name == "std::pair" || name == "std::tuple";
    }
    const std::string_view name = function.text();
    return name == "make_pair" || name == "make_tuple" || name == "std::make_pair" ||
           name == "std::make_tuple" || recordTypes_.count(std::string(name)) != 0;
  }

  // adj[u].push_back(v), g[u].emplace_back(v, w), unite(a, b) where unite indexes its parameters.
  void readCall(const Node& call) {
    const Node function = call.field("function");
    const Node arguments = call.field("arguments");
    if (buildsRecord(function)) collectNames(arguments, usage_.stored);
    // edges.emplace_back(u, v, w): the container builds the record from the arguments.
    if (function.type() == "field_expression" && function.field("field").text() == "emplace_back" &&
        function.field("argument").type() != "subscript_expression" && arguments.childCount() >= 2)
      collectNames(arguments, usage_.stored);
    if (function.type() == "field_expression") {
      const std::string_view method = function.field("field").text();
      const Node owner = function.field("argument");
      if ((method == "push_back" || method == "emplace_back" || method == "insert" ||
           method == "push" || method == "emplace") &&
          owner.type() == "subscript_expression" && arguments.childCount() > 0) {
        Node first = arguments.child(0);
        if (first.type() == "initializer_list" && first.childCount() > 0) first = first.child(0);
        if (isNameNode(first)) usage_.indexes.insert(std::string(first.text()));
        return;
      }
    }
    auto found = positionParameters_.find(calleeName(function));
    if (found == positionParameters_.end()) return;
    for (size_t index : found->second) {
      if (index >= arguments.childCount()) continue;
      // f(a, b) and f(a - 1, b - 1): the names are positions, 1-based when the call subtracts.
      const Node argument = arguments.child(static_cast<uint32_t>(index));
      if (isNameNode(argument)) {
        usage_.indexes.insert(std::string(argument.text()));
      } else if (argument.type() == "binary_expression" &&
                 argument.field("operator").text() == "-" &&
                 argument.field("right").text() == "1" && isNameNode(argument.field("left"))) {
        usage_.indexes.insert(std::string(argument.field("left").text()));
        usage_.decremented.insert(std::string(argument.field("left").text()));
      }
    }
  }

  // A parameter that indexes a container in its function, directly or through another call.
  void findPositionParameters() {
    for (int round = 0; round < 3; ++round) {
      for (const auto& [name, function] : model_.functions) {
        std::set<std::string> indexed;
        visitNodes(function.body, [&](const Node& n) {
          if (n.type() == "subscript_expression") {
            const Node index = n.field("indices").null() ? n.field("index") : n.field("indices");
            collectNames(index, indexed);
          } else if (n.type() == "call_expression" &&
                     n.field("function").type() == "field_expression" &&
                     n.field("function").field("argument").type() == "subscript_expression") {
            // g[u].push_back(v): v is a vertex as much as u.
            const Node arguments = n.field("arguments");
            if (arguments.childCount() > 0 && isNameNode(arguments.child(0)))
              indexed.insert(std::string(arguments.child(0).text()));
          } else if (n.type() == "call_expression") {
            auto callee = positionParameters_.find(calleeName(n.field("function")));
            const Node arguments = n.field("arguments");
            if (callee != positionParameters_.end())
              for (size_t i : callee->second)
                if (i < arguments.childCount())
                  collectNames(arguments.child(static_cast<uint32_t>(i)), indexed);
          }
          return true;
        });
        for (size_t i = 0; i < function.parameters.size(); ++i)
          if (indexed.count(function.parameters[i]) != 0) positionParameters_[name].insert(i);
      }
    }
  }

  const Model& model_;
  Usage usage_;
  std::map<std::string, std::set<size_t>> positionParameters_;
  std::set<std::string> recordTypes_;
};

// ---- Roles over the plan ----

struct Frame {
  bool testBlock = false;
  bool repeat = false;
  std::string firstSize;
  std::set<std::string> countNames;  // the names its pass count is written in
};

// A position's stated range this many times the largest size's is no position.
constexpr double kPastEverySize = 100;

class RoleAssigner {
 public:
  RoleAssigner(const Model& model, InputPlan& plan) : model_(model), plan_(plan) {}

  void assign() {
    usage_ = UsageReader(model_).read();
    indexingBounds_ = indexingBounds(model_);
    for (const StatedRange& range : readStatedRanges(*model_.text)) statedNames_.insert(range.name);
    collectCountNames(plan_.steps);
    std::vector<Frame> frames{Frame{}};
    walk(plan_.steps, frames);
    if (plan_.sizes.empty()) growPlainNumbers();
    markWholeNumbers();
    markTestCounts(plan_.steps);
    applyStatedRanges();
  }

 private:
  // Names the pass counts and container sizes are written in, and through `m = n - 1` or
  // `int sz = n * 2` the names those are assigned from; an assignment that feeds no count
  // (now = ++tally[id]) makes nothing a size.
  void collectCountNames(const std::vector<PlanStep>& steps) {
    std::vector<const PlanStep*> assigns;
    std::function<void(const std::vector<PlanStep>&)> gather =
        [&](const std::vector<PlanStep>& list) {
          for (const PlanStep& step : list) {
            collectNames(step.count, countNames_);
            collectNames(step.start, countNames_);
            if (step.kind == PlanStep::Kind::kAssign && !step.container.empty()) {
              containerSizes_[step.container] = step.expression;
              collectNames(step.expression, countNames_);
            } else if (step.kind == PlanStep::Kind::kAssign) {
              assigns.push_back(&step);
            }
            gather(step.body);
            gather(step.otherwise);
          }
        };
    gather(steps);
    for (int round = 0; round < 3; ++round)
      for (const PlanStep* assign : assigns)
        if (countNames_.count(assign->target) != 0) collectNames(assign->expression, countNames_);
  }

  bool insideRepeat(const std::vector<Frame>& frames) const {
    for (const Frame& frame : frames)
      if (frame.repeat && !frame.testBlock) return true;
    return false;
  }

  std::string governingSize(const std::vector<Frame>& frames) const {
    for (auto frame = frames.rbegin(); frame != frames.rend(); ++frame)
      if (!frame->firstSize.empty()) return frame->firstSize;
    return plan_.sizes.empty() ? std::string() : plan_.sizes.front();
  }

  void addSize(const std::string& name, std::vector<Frame>& frames) {
    if (plan_.sizes.empty()) promoteEarlyNumbers(frames);
    if (std::find(plan_.sizes.begin(), plan_.sizes.end(), name) == plan_.sizes.end())
      plan_.sizes.push_back(name);
    if (frames.back().firstSize.empty()) frames.back().firstSize = name;
  }

  void walk(std::vector<PlanStep>& steps, std::vector<Frame>& frames) {
    for (PlanStep& step : steps) {
      if (step.kind == PlanStep::Kind::kRead) {
        assignValue(step.value, frames);
      } else if (step.kind == PlanStep::Kind::kRepeat || step.kind == PlanStep::Kind::kUntilEnd) {
        Frame frame;
        frame.repeat = true;
        frame.testBlock = step.kind == PlanStep::Kind::kRepeat && bodyReadsSize(step.body);
        collectNames(step.count, frame.countNames);
        auto sized = containerSizes_.find(step.container);
        if (sized != containerSizes_.end()) collectNames(sized->second, frame.countNames);
        frames.push_back(frame);
        walk(step.body, frames);
        frames.pop_back();
        if (!frame.testBlock) markRecordVertices(step.body, frame, frames);
      } else if (step.kind == PlanStep::Kind::kBranch) {
        walk(step.body, frames);
        walk(step.otherwise, frames);
      }
    }
  }

  // cin >> n; cout << fib(n): a program that reads only numbers, outside any loop, has no
  // count to grow; its work grows with those numbers, so they grow instead.
  void growPlainNumbers() {
    for (PlanStep& step : plan_.steps)
      if (step.kind == PlanStep::Kind::kRead && step.value.type == ValueType::kInteger &&
          step.value.role == ValueRole::kValue) {
        step.value.role = ValueRole::kSize;
        plan_.sizes.push_back(step.value.name);
      }
  }

  // A program that reads a few numbers and nothing in a loop (cin >> n; factor n): its sizes
  // count no items, they are the numbers its work is measured in.
  void markWholeNumbers() {
    for (const PlanStep& step : plan_.steps)
      if ((step.kind != PlanStep::Kind::kRead && step.kind != PlanStep::Kind::kAssign) ||
          (step.kind == PlanStep::Kind::kRead && step.value.type != ValueType::kInteger))
        return;
    for (PlanStep& step : plan_.steps)
      if (step.kind == PlanStep::Kind::kRead && step.value.role == ValueRole::kSize &&
          step.value.type == ValueType::kInteger)
        step.value.wholeNumber = true;
  }

  // m records after n and m (u v w, kept as {u, v, w} or read into fields): the first two are
  // vertices of n when nothing else gave them a role. Only for a count other than the vertices'
  // own, so that n pairs of plain values after n keep their range.
  void markRecordVertices(std::vector<PlanStep>& body, const Frame& repeat,
                          const std::vector<Frame>& frames) {
    std::vector<PlanValue*> reads;
    for (PlanStep& step : body)
      if (step.kind == PlanStep::Kind::kRead && step.value.type == ValueType::kInteger)
        reads.push_back(&step.value);
    const std::string vertices = governingSize(frames);
    if (reads.size() < 2 || vertices.empty() || repeat.countNames.count(vertices) != 0) return;
    bool anyValue = false;
    for (size_t i = 0; i < 2; ++i) {
      const bool vertex =
          reads[i]->role == ValueRole::kPosition && reads[i]->governingSize == vertices;
      const bool value = reads[i]->role == ValueRole::kValue &&
                         usage_.stored.count(reads[i]->name) != 0 &&
                         statedNames_.count(reads[i]->name) == 0;
      if (!vertex && !value) return;
      anyValue = anyValue || value;
    }
    if (!anyValue) return;
    for (size_t i = 0; i < 2; ++i) {
      if (reads[i]->role == ValueRole::kPosition) continue;
      reads[i]->role = ValueRole::kPosition;
      reads[i]->governingSize = vertices;
      reads[i]->low = 1;
      reads[i]->eitherBase = usage_.decremented.count(reads[i]->name) == 0;
    }
  }

  // A block whose reads include a count of their own: a test case (n, then n numbers).
  bool bodyReadsSize(const std::vector<PlanStep>& body) const {
    for (const PlanStep& step : body) {
      if (step.kind == PlanStep::Kind::kRead && countNames_.count(step.value.name) != 0 &&
          step.value.type == ValueType::kInteger)
        return true;
      if ((step.kind == PlanStep::Kind::kBranch) &&
          (bodyReadsSize(step.body) || bodyReadsSize(step.otherwise)))
        return true;
    }
    return false;
  }

  void assignValue(PlanValue& value, std::vector<Frame>& frames) {
    const std::string& name = value.name;
    const bool nested = insideRepeat(frames);
    if (value.type == ValueType::kWord || value.type == ValueType::kLine) {
      value.role = ValueRole::kValue;
      // A string whose letters the program tells apart by two or more characters (DNA's
      // A, C, G, T; a grid's '.' and '#'; moves L, R, U, D) is written in those: a letter
      // outside them may index past a table of four.
      auto letters = usage_.letters.find(value.base.empty() ? name : value.base);
      if (letters != usage_.letters.end() && letters->second.size() >= 2)
        value.literals.assign(letters->second.begin(), letters->second.end());
      if (!nested) {
        // cin >> n >> s; for (i = 0; i < n; i++) s[i]: the string is n letters long.
        const std::string walkedTo = sizeWalkingOver(name);
        if (!walkedTo.empty()) {
          value.lengthSize = walkedTo;
          return;
        }
        value.lengthSize = name;
        addSize(name, frames);
      } else {
        value.lengthSize = lastFreeSize(frames);
      }
      return;
    }
    if (value.type == ValueType::kChar || value.type == ValueType::kReal) {
      value.role = usage_.literals.count(name) != 0 && value.type == ValueType::kChar
                       ? ValueRole::kChoice
                       : ValueRole::kValue;
      if (value.role == ValueRole::kChoice)
        value.literals.assign(usage_.literals[name].begin(), usage_.literals[name].end());
      // cin >> g[i][j] of a grid whose cells are told apart by '.' and '#'.
      auto letters = usage_.letters.find(value.base.empty() ? name : value.base);
      if (value.role == ValueRole::kValue && value.type == ValueType::kChar &&
          letters != usage_.letters.end() && letters->second.size() >= 2) {
        value.role = ValueRole::kChoice;
        value.literals.assign(letters->second.begin(), letters->second.end());
      }
      return;
    }
    const bool counts = countNames_.count(name) != 0;
    const bool bounds = usage_.boundsLoop.count(name) != 0;
    if (counts || (bounds && !nested)) {
      value.role = ValueRole::kSize;
      addSize(name, frames);
      return;
    }
    // cin >> u >> v; u--; v--: taken down by one right away, a 1-based position.
    if (usage_.indexes.count(name) != 0 || bounds ||
        (nested && usage_.decremented.count(name) != 0)) {
      value.boundsLoop = bounds;
      value.governingSize = governingSize(frames);
      if (!value.governingSize.empty()) {
        value.role = ValueRole::kPosition;
        // vector<int> a(n); a[x]: x takes the positions 0..n-1 unless the program decrements it.
        auto container = usage_.indexedContainer.find(name);
        auto sized = container == usage_.indexedContainer.end()
                         ? containerSizes_.end()
                         : containerSizes_.find(container->second);
        const bool exact =
            sized != containerSizes_.end() && sized->second.text() == value.governingSize;
        value.low = usage_.decremented.count(name) == 0 && exact ? 0 : 1;
        value.takenDownByOne = usage_.decremented.count(name) != 0;
        if (container != usage_.indexedContainer.end()) {
          auto extent = usage_.firstExtent.find(container->second);
          if (extent != usage_.firstExtent.end()) value.extent = extent->second;
        }
        return;
      }
    }
    auto literals = usage_.literals.find(name);
    if (literals != usage_.literals.end() && !literals->second.empty() &&
        literals->second.size() <= 8) {
      value.role = ValueRole::kChoice;
      value.literals.assign(literals->second.begin(), literals->second.end());
      return;
    }
    // cin >> n >> k: a number read once, beside the sizes, is a parameter of the problem (a
    // window, a target, a budget), usually bounded by them; it grows with them unless a
    // comment gives it a range.
    if (!nested && !plan_.sizes.empty() && !statedNames_.count(name)) {
      value.role = ValueRole::kSize;
      addSize(name, frames);
      return;
    }
    value.role = ValueRole::kValue;
    // The same parameter read ahead of the sizes (cin >> k >> n): decided once a size follows.
    if (!nested && plan_.sizes.empty() && !statedNames_.count(name)) early_.push_back(&value);
  }

  // Numbers read before the first size, outside any repeat, are sizes as much as those read
  // after them (a row width read before the row count; n of cin >> n >> m before m edges, which
  // then governs the positions as the first size read).
  // REQUIRES: no size was found yet.
  void promoteEarlyNumbers(std::vector<Frame>& frames) {
    std::vector<std::string> early;
    for (PlanValue* value : early_) {
      if (value->role != ValueRole::kValue ||
          std::find(plan_.sizes.begin(), plan_.sizes.end(), value->name) != plan_.sizes.end())
        continue;
      value->role = ValueRole::kSize;
      early.push_back(value->name);
    }
    if (!early.empty() && frames.back().firstSize.empty()) frames.back().firstSize = early[0];
    plan_.sizes.insert(plan_.sizes.begin(), early.begin(), early.end());
    early_.clear();
  }

  // The size read so far that bounds a loop walking over `name` by its counter; the last read
  // when several do, empty when none does.
  std::string sizeWalkingOver(const std::string& name) const {
    auto bounds = indexingBounds_.find(name);
    if (bounds == indexingBounds_.end()) return std::string();
    for (auto size = plan_.sizes.rbegin(); size != plan_.sizes.rend(); ++size)
      if (bounds->second.count(*size) != 0) return *size;
    return std::string();
  }

  // n strings of length m after cin >> n >> m: the last size read that counts no enclosing
  // repeat.
  std::string lastFreeSize(const std::vector<Frame>& frames) const {
    for (auto size = plan_.sizes.rbegin(); size != plan_.sizes.rend(); ++size) {
      bool counts = false;
      for (const Frame& frame : frames) counts = counts || frame.countNames.count(*size) != 0;
      if (!counts) return *size;
    }
    return std::string();
  }

  void markTestCounts(std::vector<PlanStep>& steps) {
    for (PlanStep& step : steps) {
      if (step.kind == PlanStep::Kind::kRepeat && bodyReadsSize(step.body) &&
          step.count.type() == "identifier")
        testCounts_.insert(std::string(step.count.text()));
      markTestCounts(step.body);
      markTestCounts(step.otherwise);
    }
    setTestRoles(plan_.steps);
  }

  void setTestRoles(std::vector<PlanStep>& steps) {
    for (PlanStep& step : steps) {
      if (step.kind == PlanStep::Kind::kRead && testCounts_.count(step.value.name) != 0 &&
          step.value.role == ValueRole::kSize)
        step.value.role = ValueRole::kTestCount;
      setTestRoles(step.body);
      setTestRoles(step.otherwise);
    }
  }

  void applyStatedRanges() {
    const std::vector<StatedRange> ranges = readStatedRanges(*model_.text);
    // The most any size may be, as stated: a position stated to reach past it (0 <= n <=
    // 10^18 beside k <= 50, read as init[n] under if (n < k)) indexes nothing that large, so it
    // is the value the comment states.
    double largestSize = 0;
    bool everySizeStated = !plan_.sizes.empty();
    for (const std::string& size : plan_.sizes) {
      double stated = -1;
      for (const StatedRange& range : ranges)
        if (range.name == size && range.highName.empty()) stated = std::max(stated, range.high);
      everySizeStated = everySizeStated && stated >= 1;
      largestSize = std::max(largestSize, stated);
    }
    std::function<void(std::vector<PlanStep>&)> apply = [&](std::vector<PlanStep>& steps) {
      for (PlanStep& step : steps) {
        if (step.kind == PlanStep::Kind::kRead && step.value.role == ValueRole::kPosition &&
            everySizeStated && step.value.extent.null())
          for (const StatedRange& range : ranges)
            if (range.name == step.value.name && range.highName.empty() &&
                range.high > kPastEverySize * largestSize)
              step.value.role = ValueRole::kValue;
        if (step.kind == PlanStep::Kind::kRead) applyRange(step.value, ranges);
        apply(step.body);
        apply(step.otherwise);
      }
    };
    apply(plan_.steps);
  }

  static void applyRange(PlanValue& value, const std::vector<StatedRange>& ranges) {
    for (const StatedRange& range : ranges) {
      if (range.name != value.name) continue;
      if (value.role == ValueRole::kValue || value.role == ValueRole::kSize ||
          value.role == ValueRole::kTestCount) {
        if (!range.highName.empty()) {
          if (range.highName == value.name) return;
          value.highName = range.highName;
          if (range.hasLow) value.low = range.low;
          return;
        }
        if (range.hasLow) value.low = range.low;
        value.high = range.high;
        if (value.role == ValueRole::kValue && !range.hasLow) value.low = std::min(1.0, range.high);
        value.rangeFromComment = true;
      }
      return;
    }
  }

  const Model& model_;
  InputPlan& plan_;
  Usage usage_;
  std::set<std::string> countNames_;
  std::map<std::string, Node> containerSizes_;
  std::set<std::string> statedNames_;
  std::set<std::string> testCounts_;
  std::vector<PlanValue*> early_;
  std::map<std::string, std::set<std::string>> indexingBounds_;
};

}  // namespace

void assignRoles(const Model& model, InputPlan& plan) { RoleAssigner(model, plan).assign(); }

}  // namespace quorbel
