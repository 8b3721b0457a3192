// A member set from a parameter holds what each caller passed: the object keeps the value from
// one member function to the next, so a loop to the member in another function runs as far as
// the argument of the call that set it.
#include "model/member_values.h"

#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/loop_parts.h"
#include "model/magnitude.h"
#include "model/member_calls.h"
#include "model/nodes_of_type.h"

namespace quorbel {
namespace {

// SA<string> -> SA: the name a constructor of the type is known by.
std::string baseTypeName(std::string_view type) {
  return std::string(type.substr(0, type.find('<')));
}

// Where objects are built or set up, grouped once per file: every setter of every type asks,
// and a file of many types would otherwise be searched whole for each. Each group keeps the
// file's order.
struct Sites {
  // Declarations, calls, new and compound literals by the type they name: Dsu d(n), Dsu(n),
  // new Dsu(n), Dsu{n}.
  std::map<std::string, std::vector<Node>> byType;
  // Calls through an object by the member they call: x.init(n) under "init".
  std::map<std::string, std::vector<Node>> byMember;
  // The body of each struct or class, the first the file defines by that name.
  std::map<std::string, Node> bodies;
};

Sites readSites(const Model& model) {
  Sites sites;
  for (const Node& n : descendantsOfType(
           model.root,
           {"declaration", "call_expression", "new_expression", "compound_literal_expression"})) {
    const std::string_view type = n.type();
    const Node named = n.field(type == "call_expression" ? "function" : "type");
    sites.byType[baseTypeName(named.text())].push_back(n);
    if (type == "call_expression" && named.type() == "field_expression")
      sites.byMember[std::string(named.field("field").text())].push_back(n);
  }
  for (const Node& n : descendantsOfType(model.root, {"struct_specifier", "class_specifier"}))
    if (!n.field("body").null()) sites.bodies.emplace(std::string(n.field("name").text()), n);
  return sites;
}

// The body of the struct or class named `owner`, null when the program defines none.
Node classBody(const Sites& sites, const std::string& owner) {
  auto found = sites.bodies.find(owner);
  return found == sites.bodies.end() ? Node{} : found->second.field("body");
}

class MemberValueReader {
 public:
  MemberValueReader(Model& model, const Function& setter, const std::string& owner,
                    const Sites& sites)
      : model_(model),
        setter_(setter),
        owner_(owner),
        body_(classBody(sites, owner)),
        sites_(sites) {}

  // Each member the function sets, with the size it holds over every call that sets it.
  std::map<std::string, Cost> read() {
    std::map<std::string, Cost> held;
    if (body_.null()) return held;
    const std::map<std::string, Cost> given = valuesGiven();
    const bool constructor = setter_.name == owner_;
    // t.assign(size + 1, 0) in init(int size): what the callers pass sizes the container.
    // A constructor's are sized per object where the object is declared.
    if (given.empty() && constructor) return held;
    std::map<std::string, Cost> bindings;
    if (!bindArguments(bindings)) return held;
    if (!constructor) sizeContainers(bindings);
    for (const auto& [member, value] : given) {
      Cost bound = value;
      bool unbound = false;
      for (const std::string& size : sizesOf(value)) {
        const size_t bar = size.find_first_not_of('|');
        const std::string name = size.substr(bar, size.find('|', bar) - bar);
        if (!isParameter(name)) continue;
        auto found = bindings.find(name);
        if (found == bindings.end()) {
          unbound = true;
          break;
        }
        bound = substituteSize(bound, size, found->second);
      }
      bound = simplifyCost(bound);
      if (!unbound && !isConstantCost(bound)) held[member] = bound;
    }
    return held;
  }

  // ---- What the function gives its members ----
 private:
  void sizeContainers(const std::map<std::string, Cost>& bindings) {
    auto resize = [&](Symbol& symbol) {
      if (!isOwnMember(symbol) || symbol.kind == ContainerKind::kScalar) return;
      for (Cost& extent : symbol.dimensions)
        for (const auto& [parameter, size] : bindings)
          extent = simplifyCost(substituteSize(extent, parameter, size));
    };
    for (auto& [name, symbol] : model_.declarations) resize(symbol);
    for (auto& [name, symbol] : model_.symbols) resize(symbol);
  }

  // n(k) of the initialiser list; n = k, this->n = k and while ((1 << lg) < k) lg++ at the top
  // of the body. A value given inside a branch or a loop is not the member's for every call.
  std::map<std::string, Cost> valuesGiven() const {
    std::map<std::string, Cost> given;
    for (const Node& part : childrenOf(setter_.definition)) {
      if (part.type() != "field_initializer_list") continue;
      for (const Node& initialiser : childrenOf(part)) {
        if (initialiser.type() != "field_initializer" || initialiser.childCount() < 2) continue;
        const Node arguments = initialiser.child(1);
        const std::string member(initialiser.child(0).text());
        if (arguments.childCount() == 1 && isScalarMember(member))
          given[member] = magnitudeOf(model_, arguments.child(0), {});
      }
    }
    for (const Node& statement : childrenOf(setter_.body)) {
      if (statement.type() == "expression_statement") {
        const Node assignment = statement.child(0);
        if (assignment.type() != "assignment_expression" ||
            assignment.field("operator").text() != "=")
          continue;
        const std::string member = memberNamed(assignment.field("left"));
        if (!member.empty()) given[member] = magnitudeOf(model_, assignment.field("right"), {});
      }
      if (statement.type() == "while_statement") readLevelCount(statement, given);
    }
    return given;
  }

  // while (V > (1 << lg)) lg++; while ((1LL << lg) < n) ++lg: lg ends at the log of the value
  // the shift is compared with.
  void readLevelCount(const Node& loop, std::map<std::string, Cost>& given) const {
    Node step = loop.field("body");
    if (step.type() == "compound_statement" && step.childCount() == 3) step = step.child(1);
    if (step.type() == "expression_statement") step = step.child(0);
    if (step.type() != "update_expression" || step.text().find("++") == std::string_view::npos)
      return;
    const std::string member = memberNamed(step.field("argument"));
    if (member.empty()) return;
    const Node comparison = unwrap(loop.field("condition"));
    if (comparison.type() != "binary_expression") return;
    const std::string_view op = comparison.field("operator").text();
    if (op != "<" && op != "<=" && op != ">" && op != ">=") return;
    for (const char* side : {"left", "right"}) {
      const Node shift = unwrap(comparison.field(side));
      if (shift.type() != "binary_expression" || shift.field("operator").text() != "<<" ||
          unwrap(shift.field("right")).text() != member)
        continue;
      const Node other = comparison.field(side == std::string_view("left") ? "right" : "left");
      if (mentionsIdentifier(other, member)) return;
      given[member] = logCost(magnitudeOf(model_, other, {}));
    }
  }

  // n or this->n where n is a scalar member of the type, not a local or parameter of the function.
  std::string memberNamed(const Node& target) const {
    if (target.type() == "field_expression" && target.field("argument").type() == "this") {
      const std::string name(target.field("field").text());
      return isScalarMember(name) ? name : std::string();
    }
    if (target.type() != "identifier") return "";
    const Symbol* symbol = findSymbolAt(model_, target.text(), target);
    if (!symbol || !isOwnMember(*symbol) || symbol->kind != ContainerKind::kScalar) return "";
    return std::string(target.text());
  }

  bool isOwnMember(const Symbol& symbol) const {
    return symbol.member && symbol.scopeStart == ts_node_start_byte(body_.raw);
  }

  bool isScalarMember(const std::string& name) const {
    auto [first, last] = model_.declarations.equal_range(name);
    for (auto it = first; it != last; ++it)
      if (isOwnMember(it->second) && it->second.kind == ContainerKind::kScalar) return true;
    const Symbol* table = findSymbol(model_, name);
    return table && isOwnMember(*table) && table->kind == ContainerKind::kScalar;
  }

  bool isParameter(const std::string& name) const {
    for (const std::string& parameter : setter_.parameters)
      if (parameter == name) return true;
    return false;
  }

  // ---- What the callers pass ----
  // Each parameter bound to the sum of its arguments over every call; false when a call passes
  // a value the caller's own parameters make (known only in that caller's callers) or none
  // calls at all.
  bool bindArguments(std::map<std::string, Cost>& bindings) const {
    const std::vector<Node> calls = callArguments();
    if (calls.empty()) return false;
    for (const Node& arguments : calls) {
      std::vector<Node> passed;
      for (const Node& argument : childrenOf(arguments))
        if (argument.type() != "(" && argument.type() != ")" && argument.type() != "," &&
            argument.type() != "{" && argument.type() != "}")
          passed.push_back(argument);
      for (size_t i = 0; i < passed.size() && i < setter_.parameters.size(); ++i) {
        const Cost size = magnitudeOf(model_, passed[i], {});
        for (const std::string& name : sizesOf(size)) {
          const Symbol* named = findSymbolAt(model_, name, passed[i]);
          if (named && named->isParameter) return false;
        }
        Cost& bound = bindings[setter_.parameters[i]];
        bound = simplifyCost(addCosts(bound, size));
      }
    }
    return true;
  }

  // Dsu d(n); Dsu d{n}; Dsu(n); new Dsu(n) for a constructor; x.init(n) for another function.
  std::vector<Node> callArguments() const {
    std::vector<Node> calls;
    const bool constructor = setter_.name == owner_;
    if (!constructor) {
      auto through = sites_.byMember.find(setter_.name);
      if (through != sites_.byMember.end())
        for (const Node& n : through->second) calls.push_back(n.field("arguments"));
      return calls;
    }
    auto named = sites_.byType.find(owner_);
    if (named == sites_.byType.end()) return calls;
    for (const Node& n : named->second) {
      const std::string_view type = n.type();
      if (type == "declaration" && baseTypeName(n.field("type").text()) == owner_) {
        for (const Node& d : childrenOf(n)) {
          if (d.type() == "init_declarator" && (d.field("value").type() == "argument_list" ||
                                                d.field("value").type() == "initializer_list"))
            calls.push_back(d.field("value"));
          if (d.type() == "function_declarator") calls.push_back(d.field("parameters"));
        }
      }
      if (type == "call_expression" && baseTypeName(n.field("function").text()) == owner_)
        calls.push_back(n.field("arguments"));
      if (type == "new_expression" && baseTypeName(n.field("type").text()) == owner_ &&
          !n.field("arguments").null())
        calls.push_back(n.field("arguments"));
      if (type == "compound_literal_expression" && baseTypeName(n.field("type").text()) == owner_)
        calls.push_back(n.field("value"));
    }
    return calls;
  }

  Model& model_;
  const Function& setter_;
  const std::string owner_;
  const Node body_;
  const Sites& sites_;
};

}  // namespace

void readMemberValues(Model& model) {
  // Member functions, constructors among them, each once whichever table lists it.
  std::vector<std::pair<const Function*, std::string>> setters;
  std::set<uint32_t> seen;
  auto note = [&](const Function& function) {
    const std::string owner = ownerOf(function);
    if (function.body.null() || owner.empty() || !seen.insert(function.definition.id()).second)
      return;
    setters.push_back({&function, owner});
  };
  for (const auto& entry : model.functions) note(entry.second);
  for (const auto& entry : model.members) note(entry.second);
  if (setters.empty()) return;
  const Sites sites = readSites(model);
  std::map<std::pair<std::string, std::string>, Cost> held;  // (owner, member) -> size
  for (const auto& [function, owner] : setters)
    for (const auto& [member, size] : MemberValueReader(model, *function, owner, sites).read()) {
      Cost& known = held[{owner, member}];
      known = simplifyCost(addCosts(known, size));
    }
  for (const auto& [key, size] : held) {
    const Node body = classBody(sites, key.first);
    const uint32_t start = ts_node_start_byte(body.raw);
    auto [first, last] = model.declarations.equal_range(key.second);
    for (auto it = first; it != last; ++it) {
      if (!it->second.member || it->second.scopeStart != start) continue;
      it->second.derived = size;
      it->second.hasDerived = true;
    }
    auto table = model.symbols.find(key.second);
    if (table != model.symbols.end() && table->second.member && table->second.scopeStart == start) {
      table->second.derived = size;
      table->second.hasDerived = true;
    }
  }
}

}  // namespace quorbel
