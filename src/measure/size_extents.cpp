// Reads the counted loops and the word reads that index fixed arrays:
//   for (int i = 1; i <= n; i++) a[i] = ...        i runs to n, a holds 1005: n <= 1004
//   for (int j = 0; j < m; ++j) dp[i][j + 1]       j + 1 reaches m at most: m <= extent - 2
//   scanf("%s", g[i]);  char g[820][821]            a row's letters and its terminator: <= 820
// Extents are the declared ones, numbers or named constants; a vector has none.
#include "measure/size_extents.h"

#include <algorithm>
#include <vector>

#include "model/source_facts.h"

namespace quorbel {
namespace {

Node unwrapped(Node node) {
  while (!node.null() &&
         (node.type() == "condition_clause" || node.type() == "parenthesized_expression"))
    node = node.child(0);
  return node;
}

bool literalOf(const Node& node, double& value) {
  return node.type() == "number_literal" &&
         evaluateConstantExpression(
             node.text(), [](const std::string&, double&) { return false; }, value);
}

// `name`, `name + c` or `name - c`: the name and c (negative when subtracted).
bool nameAndShift(Node node, std::string& name, double& shift) {
  node = unwrapped(node);
  if (node.type() == "subscript_argument_list" && node.childCount() == 1)
    node = unwrapped(node.child(0));
  shift = 0;
  if (node.type() == "identifier") {
    name = std::string(node.text());
    return true;
  }
  if (node.type() != "binary_expression") return false;
  const std::string_view op = node.field("operator").text();
  if (op != "+" && op != "-") return false;
  const Node left = unwrapped(node.field("left"));
  const Node right = unwrapped(node.field("right"));
  double c = 0;
  if (left.type() == "identifier" && literalOf(right, c)) {
    name = std::string(left.text());
    shift = op == "+" ? c : -c;
    return true;
  }
  if (op == "+" && right.type() == "identifier" && literalOf(left, c)) {
    name = std::string(right.text());
    shift = c;
    return true;
  }
  return false;
}

// The fixed extents of every array declared with numbers or named constants, outermost first;
// a dimension left unknown is 0.
std::map<std::string, std::vector<double>> fixedExtents(const Model& model) {
  std::map<std::string, std::vector<double>> extents;
  const SourceFacts facts = readSourceFacts(model);
  for (const SourceDeclaration& declaration : facts.declarations)
    for (const Declarator& declarator : declaration.declarators) {
      if (declarator.extents.empty()) continue;
      std::vector<double> values;
      for (const Extent& extent : declarator.extents)
        values.push_back(extent.known ? extent.value : 0);
      extents[declarator.name] = values;
    }
  return extents;
}

// The counter of a for loop and the size it runs to: for (int i = s; i < n; ...), i <= n,
// n > i. The bound may be shifted (i <= n + 1): the counter then reaches n plus the shift.
struct Counter {
  std::string variable;
  std::string bound;
  double reach = 0;  // the counter's largest value is bound + reach
};

bool readCounter(const Node& loop, Counter& counter) {
  const Node init = loop.field("initializer");
  if (!init.null() && init.type() == "declaration") {
    for (const Node& child : childrenOf(init))
      if (child.type() == "init_declarator") counter.variable = declaredName(child);
  } else if (!init.null() && init.type() == "assignment_expression") {
    counter.variable = std::string(unwrapped(init.field("left")).text());
  }
  const Node condition = unwrapped(loop.field("condition"));
  if (counter.variable.empty() || condition.null() || condition.type() != "binary_expression")
    return false;
  const std::string_view op = condition.field("operator").text();
  Node variableSide = condition.field("left");
  Node boundSide = condition.field("right");
  bool inclusive = op == "<=";
  if (op == ">" || op == ">=") {
    std::swap(variableSide, boundSide);
    inclusive = op == ">=";
  } else if (op != "<" && op != "<=" && op != "!=") {
    return false;
  }
  if (unwrapped(variableSide).text() != counter.variable) return false;
  double shift = 0;
  if (!nameAndShift(boundSide, counter.bound, shift)) return false;
  counter.reach = shift - (inclusive ? 0 : 1);
  return true;
}

// Every subscript chain a[x][y] under `body` with its indices outermost first.
void forEachChain(const Node& body,
                  const std::function<void(const std::string&, const std::vector<Node>&)>& use) {
  visitNodes(body, [&](const Node& n) {
    if (n.type() != "subscript_expression") return true;
    std::vector<Node> indices;
    Node node = n;
    while (!node.null() && node.type() == "subscript_expression") {
      const Node index = node.field("indices").null() ? node.field("index") : node.field("indices");
      indices.insert(indices.begin(), index);
      node = node.field("argument");
    }
    if (node.type() == "identifier") use(std::string(node.text()), indices);
    return true;
  });
}

void lower(std::map<std::string, double>& caps, const std::string& size, double cap) {
  auto found = caps.find(size);
  caps[size] = found == caps.end() ? cap : std::min(found->second, cap);
}

}  // namespace

std::map<std::string, std::set<std::string>> indexingBounds(const Model& model) {
  std::map<std::string, std::set<std::string>> bounds;
  visitNodes(model.root, [&](const Node& loop) {
    if (loop.type() != "for_statement") return true;
    Counter counter;
    if (!readCounter(loop, counter)) return true;
    forEachChain(loop.field("body"), [&](const std::string& array,
                                         const std::vector<Node>& indices) {
      std::string name;
      double shift = 0;
      if (!indices.empty() && nameAndShift(indices.back(), name, shift) && name == counter.variable)
        bounds[array].insert(counter.bound);
    });
    return true;
  });
  return bounds;
}

std::map<std::string, double> arrayExtentCaps(const InputPlan& plan, const Model& model) {
  std::map<std::string, double> caps;
  const std::map<std::string, std::vector<double>> extents = fixedExtents(model);
  if (extents.empty()) return caps;
  const auto isSize = [&plan](const std::string& name) {
    return std::find(plan.sizes.begin(), plan.sizes.end(), name) != plan.sizes.end();
  };
  // The counter reaches bound + reach, and index counter + shift must stay below the extent.
  visitNodes(model.root, [&](const Node& loop) {
    if (loop.type() != "for_statement") return true;
    Counter counter;
    if (!readCounter(loop, counter) || !isSize(counter.bound)) return true;
    forEachChain(loop.field("body"),
                 [&](const std::string& array, const std::vector<Node>& indices) {
                   auto found = extents.find(array);
                   if (found == extents.end()) return;
                   for (size_t k = 0; k < indices.size() && k < found->second.size(); ++k) {
                     std::string name;
                     double shift = 0;
                     if (found->second[k] < 2 || !nameAndShift(indices[k], name, shift) ||
                         name != counter.variable)
                       continue;
                     lower(caps, counter.bound, found->second[k] - 1 - counter.reach - shift);
                   }
                 });
    return true;
  });
  // A word read into a character array takes its letters and a terminator.
  for (const PlanValue* value : planValues(plan)) {
    if (value->type != ValueType::kWord || value->lengthSize.empty()) continue;
    auto found = extents.find(value->base);
    const size_t dimension = static_cast<size_t>(value->subscripts);
    if (found == extents.end() || dimension >= found->second.size() || found->second[dimension] < 2)
      continue;
    const Symbol* symbol = findSymbol(model, value->base);
    if (symbol == nullptr || symbol->typeText.find("char") == std::string::npos) continue;
    lower(caps, value->lengthSize, found->second[dimension] - 1 - value->offset);
  }
  for (auto& [size, cap] : caps) cap = std::max(1.0, cap);
  return caps;
}

}  // namespace quorbel
