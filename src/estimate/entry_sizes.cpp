#include "estimate/entry_sizes.h"

#include <algorithm>
#include <set>
#include <vector>

#include "model/entry_points.h"
#include "model/tree.h"

namespace quorbel {
namespace {

// What a cast or parentheses wrap: `(int)x`, `int(x)`, `static_cast<int>(x)`, `(x)`.
Node unwrapped(Node value) {
  for (int depth = 0; depth < 4 && !value.null(); ++depth) {
    if (value.type() == "cast_expression") {
      value = value.field("value");
    } else if (value.type() == "parenthesized_expression" && value.childCount() == 1) {
      value = value.child(0);
    } else if (value.type() == "call_expression" &&
               value.field("function").type() != "field_expression" &&
               value.field("arguments").childCount() == 1) {
      value = value.field("arguments").child(0);
    } else {
      break;
    }
  }
  return value;
}

// The container whose size or length `value` is, when that is all it is.
std::string measuredContainer(const Node& value) {
  const Node call = unwrapped(value);
  if (call.type() != "call_expression" || call.field("arguments").childCount() != 0) return "";
  const Node member = call.field("function");
  if (member.type() != "field_expression") return "";
  const std::string_view field = member.field("field").text();
  const Node object = member.field("argument");
  if ((field != "size" && field != "length") || object.type() != "identifier") return "";
  return std::string(object.text());
}

void renameIn(Cost& cost, const std::map<std::string, std::string>& names) {
  for (const auto& [container, local] : names) {
    cost = substituteSize(cost, container, sizeCost(local));
    cost = substituteSize(cost, "|" + container + "|", sizeCost(local));
  }
}

void renameAll(std::vector<Contribution>& contributions,
               const std::map<std::string, std::string>& names) {
  for (Contribution& contribution : contributions) renameIn(contribution.cost, names);
}

}  // namespace

std::map<std::string, std::string> findEntrySizeNames(const Model& model) {
  std::map<std::string, std::string> names;
  // With a main, the program's sizes are what it reads; its functions are its own helpers.
  if (model.functions.contains("main")) return names;
  for (const std::string& name : findEntryFunctions(model)) {
    const Function& function = model.functions.at(name);
    visitNodes(function.body, [&](const Node& node) {
      if (node.type() != "init_declarator") return true;
      const std::string container = measuredContainer(node.field("value"));
      const auto& parameters = function.parameters;
      if (container.empty() ||
          std::find(parameters.begin(), parameters.end(), container) == parameters.end())
        return true;
      names.emplace(container, declaredName(node.field("declarator")));
      return true;
    });
  }
  return names;
}

void nameEntrySizes(const Model& model, TimeEstimate& time, SpaceEstimate& space) {
  std::map<std::string, std::string> names = findEntrySizeNames(model);
  // A local named like a size the estimate already has (`n` read elsewhere) would merge two
  // different sizes into one.
  std::set<std::string> existing;
  for (const Cost* cost : {&time.total, &space.total})
    for (const std::string& size : sizesOf(*cost)) existing.insert(size);
  std::erase_if(names, [&](const auto& entry) {
    return entry.second.empty() || existing.contains(entry.second);
  });
  if (names.empty()) return;
  renameIn(time.total, names);
  renameIn(space.total, names);
  renameAll(time.contributions, names);
  renameAll(time.recursionDepths, names);
  renameAll(time.heapAllocations, names);
  renameAll(space.contributions, names);
}

}  // namespace quorbel
