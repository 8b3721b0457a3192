#include "model/block_walks.h"

#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "model/loop_parts.h"

namespace quorbel {
namespace {

// Locals and helper bodies are followed no deeper than this.
constexpr int kMaxDepth = 6;
constexpr double kTiny = 1e-9;
// Bounds worth reading are a few names long; anything larger is not read at all.
constexpr int kMaxNodes = 400;
constexpr size_t kMaxTerms = 32;

// A polynomial over the names in the bounds, a block size allowed a negative power: x / B is
// x * B^-1. Floor division is taken as exact; what it rounds away is less than one block.
using Powers = std::map<std::string, int>;
struct Form {
  std::map<Powers, double> terms;
  std::set<std::string> divisors;  // the names divided by
  bool tooLarge = false;           // more terms than a bound has: read as nothing
};

Form constantForm(double value) {
  Form f;
  if (std::abs(value) > kTiny) f.terms[{}] = value;
  return f;
}

Form atomForm(const std::string& name, int power = 1) {
  Form f;
  f.terms[{{name, power}}] = 1;
  return f;
}

Form add(const Form& a, const Form& b, double sign = 1) {
  Form sum = a;
  for (const auto& [powers, c] : b.terms) {
    sum.terms[powers] += sign * c;
    if (std::abs(sum.terms[powers]) < kTiny) sum.terms.erase(powers);
  }
  sum.divisors.insert(b.divisors.begin(), b.divisors.end());
  sum.tooLarge = a.tooLarge || b.tooLarge;
  return sum;
}

Form multiply(const Form& a, const Form& b) {
  Form product;
  for (const auto& [pa, ca] : a.terms)
    for (const auto& [pb, cb] : b.terms) {
      Powers powers = pa;
      for (const auto& [name, power] : pb)
        if ((powers[name] += power) == 0) powers.erase(name);
      product.terms[powers] += ca * cb;
      if (std::abs(product.terms[powers]) < kTiny) product.terms.erase(powers);
    }
  product.tooLarge = a.tooLarge || b.tooLarge || product.terms.size() > kMaxTerms;
  if (product.tooLarge) product.terms.clear();
  product.divisors = a.divisors;
  product.divisors.insert(b.divisors.begin(), b.divisors.end());
  return product;
}

// The declaration of `name` nearest before `use` in the blocks around it: its initialiser and
// the block it lives in.
std::pair<Node, Node> nearestInitialiser(const Node& use, const std::string& name) {
  Node inner = use;
  for (Node scope = use.parent(); !scope.null(); inner = scope, scope = scope.parent()) {
    const std::string_view type = scope.type();
    if (type == "function_definition" || type == "lambda_expression") break;
    if (type != "compound_statement" && type != "for_statement") continue;
    // Children are read in place: the blocks up to the function's body hold many statements.
    Node found;
    const uint32_t statements = scope.childCount();
    for (uint32_t i = 0; i < statements; ++i) {
      const Node statement = scope.child(i);
      if (statement == inner) break;
      if (statement.type() != "declaration") continue;
      const uint32_t declarators = statement.childCount();
      for (uint32_t k = 0; k < declarators; ++k) {
        const Node d = statement.child(k);
        if (d.type() == "init_declarator" && declaredName(d) == name) found = d.field("value");
      }
    }
    if (!found.null()) return {found, scope};
  }
  return {};
}

class FormReader {
 public:
  FormReader(const Model& model, const Node& loop) : model_(model), loop_(loop) {}

  std::optional<Form> read(const Node& expression, int depth,
                           const std::map<std::string, Form>& bound = {}) {
    const Node e = unwrap(expression);
    const std::string_view type = e.type();
    // bounds are short: a long or deep expression is no block arithmetic, and stops here
    if (depth > kMaxDepth || e.null() || ++visited_ > kMaxNodes) return std::nullopt;
    if (type == "number_literal") {
      const auto value = evaluateConstant(model_, e);
      if (!value) return std::nullopt;
      return constantForm(*value);
    }
    if (type == "identifier") return readName(e, depth, bound);
    if (type == "unary_expression" && e.field("operator").text() == "-") {
      const auto inner = read(e.field("argument"), depth, bound);
      if (!inner) return std::nullopt;
      return add(Form{}, *inner, -1);
    }
    if (type == "binary_expression") return readBinary(e, depth, bound);
    if (type == "call_expression") return readCall(e, depth, bound);
    return std::nullopt;
  }

 private:
  std::optional<Form> readName(const Node& e, int depth, const std::map<std::string, Form>& bound) {
    const std::string name(e.text());
    auto parameter = bound.find(name);
    if (parameter != bound.end()) return parameter->second;
    // a named constant stays a name, as a block size it divides by does
    // a local computed once before the loop and never changed: what it was computed from
    const auto [initialiser, scope] = bound.empty() ? initialiserOf(name) : std::pair<Node, Node>{};
    if (!initialiser.null() && initialiser.type() != "initializer_list" &&
        !assignedIn(scope, name)) {
      const auto inner = read(initialiser, depth + 1);
      if (inner) return inner;
    }
    return atomForm(name);
  }

  std::optional<Form> readBinary(const Node& e, int depth,
                                 const std::map<std::string, Form>& bound) {
    const std::string_view op = e.field("operator").text();
    if (op != "+" && op != "-" && op != "*" && op != "/") return std::nullopt;
    const auto left = read(e.field("left"), depth, bound);
    if (!left) return std::nullopt;
    if (op == "/") {
      // x / B with B a name holding no constant: a position counted in blocks
      const Node divisor = unwrap(e.field("right"));
      if (divisor.type() != "identifier") return std::nullopt;
      Form quotient = multiply(*left, atomForm(std::string(divisor.text()), -1));
      quotient.divisors.insert(std::string(divisor.text()));
      return quotient;
    }
    const auto right = read(e.field("right"), depth, bound);
    if (!right) return std::nullopt;
    if (op == "*") return multiply(*left, *right);
    return add(*left, *right, op == "+" ? 1 : -1);
  }

  // get(l) with auto get = [&](int x) { return (x - 1) / b + 1; }: the helper's one return,
  // its parameters replaced by the arguments.
  std::optional<Form> readCall(const Node& e, int depth, const std::map<std::string, Form>& bound) {
    auto found = model_.functions.find(std::string(e.field("function").text()));
    if (found == model_.functions.end() || found->second.body.null()) return std::nullopt;
    const Function& helper = found->second;
    const std::vector<Node> statements = childrenOf(helper.body);
    if (statements.size() != 1 || statements[0].type() != "return_statement") return std::nullopt;
    const std::vector<Node> arguments = childrenOf(e.field("arguments"));
    if (arguments.size() != helper.parameters.size()) return std::nullopt;
    std::map<std::string, Form> passed;
    for (size_t i = 0; i < arguments.size(); ++i) {
      const auto argument = read(arguments[i], depth + 1, bound);
      if (!argument) return std::nullopt;
      passed[helper.parameters[i]] = *argument;
    }
    // a helper's own names other than its parameters stay names: b of (x - 1) / b
    passed.emplace("", Form{});
    return read(statements[0].child(0), depth + 1, passed);
  }

  // A walk's start, its ends and the guards around it name the same few locals: each local's
  // initialiser, and whether its block assigns it again, are looked up once per reader.
  std::pair<Node, Node> initialiserOf(const std::string& name) {
    auto known = initialisers_.find(name);
    if (known == initialisers_.end())
      known = initialisers_.emplace(name, nearestInitialiser(loop_, name)).first;
    return known->second;
  }

  bool assignedIn(const Node& scope, const std::string& name) {
    auto known = assigned_.find(name);
    if (known == assigned_.end())
      known = assigned_.emplace(name, assignedAnywhereIn(scope, name)).first;
    return known->second;
  }

 public:
  // The initialiser of a local `name` is read as its value only when no statement of its
  // block assigns it again.
  static bool assignedAnywhereIn(const Node& scope, const std::string& name) {
    bool assigned = false;
    visitNodes(scope, [&](const Node& n) {
      if (assigned) return false;
      if ((n.type() == "assignment_expression" &&
           isIdentifierNamed(unwrap(n.field("left")), name)) ||
          (n.type() == "update_expression" && isIdentifierNamed(unwrap(n.field("argument")), name)))
        assigned = true;
      return !assigned;
    });
    return assigned;
  }

 private:
  const Model& model_;
  Node loop_;
  int visited_ = 0;
  std::map<std::string, std::pair<Node, Node>> initialisers_;  // by name: nearestInitialiser
  std::map<std::string, bool> assigned_;  // by name, in the block its initialiser lives in
};

// The block size a form's terms all share: every term a constant or c * B, the distance of two
// positions in one block. Empty when the terms say otherwise.
std::string withinOneBlock(const Form& distance) {
  if (distance.divisors.empty()) return "";
  std::string divisor;
  for (const auto& [powers, c] : distance.terms) {
    if (powers.empty()) continue;
    if (powers.size() != 1 || powers.begin()->second != 1 ||
        !distance.divisors.count(powers.begin()->first))
      return "";
    divisor = powers.begin()->first;
  }
  return divisor.empty() ? *distance.divisors.begin() : divisor;
}

// The positions whose difference over a block size the distance counts: (r - l) / B gives
// {r, l} over B. Empty when a term is anything else.
std::map<std::string, std::string> blocksBetween(const Form& distance) {
  std::map<std::string, std::string> spans;  // position -> divisor
  for (const auto& [powers, c] : distance.terms) {
    if (powers.empty()) continue;
    std::string position, divisor;
    for (const auto& [name, power] : powers) {
      if (power == -1 && distance.divisors.count(name) && divisor.empty())
        divisor = name;
      else if (power == 1 && position.empty())
        position = name;
      else
        return {};
    }
    if (position.empty() || divisor.empty()) return {};
    spans[position] = divisor;
  }
  return spans;
}

Cost magnitudeOfName(const Model& model, const Node& loop, const std::string& name,
                     const std::vector<LoopVariable>& vars) {
  // a use of the name nearest the loop, so that its scope decides which declaration it is
  Node use;
  for (Node scope = loop; !scope.null() && use.null(); scope = scope.parent())
    visitNodes(scope, [&](const Node& n) {
      if (!use.null()) return false;
      if (n.type() == "identifier" && n.text() == name) use = n;
      return use.null();
    });
  if (use.null()) return sizeCost(name);
  return magnitudeOf(model, use, vars);
}

// A position read as a value (l, r of a query) lies in the array the block size was taken
// from: B = sqrt(n) cuts positions up to n. Any other position keeps its own magnitude.
Cost positionRange(const Cost& position, const Cost& block) {
  const Cost simple = simplifyCost(block);
  if (simple.terms.size() != 1 || simple.terms[0].sizes.size() != 1) return position;
  const auto& [size, growth] = *simple.terms[0].sizes.begin();
  for (const std::string& name : sizesOf(position))
    if (name == size) return position;
  if (growth.power != kWholePower / 2 || growth.logs || growth.logLogs || growth.factorial)
    return position;
  return sizeCost(size);
}

// The conditions of the ifs whose then-branch holds `loop`, innermost first.
std::vector<Node> guardsAround(const Node& loop) {
  std::vector<Node> guards;
  Node inner = loop;
  for (Node p = loop.parent(); !p.null(); inner = p, p = p.parent()) {
    if (p.type() == "function_definition" || p.type() == "lambda_expression") break;
    if (p.type() == "if_statement" && p.field("consequence") == inner)
      guards.push_back(p.field("condition"));
  }
  return guards;
}

}  // namespace

BlockWalk windowWalkOf(const Model& model, const Node& loop, const Node& start, const Node& bound,
                       bool decreasing, const std::vector<LoopVariable>& vars,
                       const std::string& variable) {
  if (start.null() || bound.null()) return {};
  FormReader reader(model, loop);
  // A clamp only narrows the window: max(0, i - k) as the low end, min(n, i + k) as the high
  // one, so the distance to either argument bounds the walk.
  const auto clamped = [&](const Node& end, std::string_view clamp) {
    Node e = unwrap(end);
    // int lo = max(0, i - w); for (j = i; j >= lo; j--): the local's clamp
    if (e.type() == "identifier") {
      const auto [initialiser, scope] = nearestInitialiser(loop, std::string(e.text()));
      if (!initialiser.null() && !FormReader::assignedAnywhereIn(scope, std::string(e.text())))
        e = unwrap(initialiser);
    }
    if (e.type() == "call_expression") {
      std::string_view f = e.field("function").text();
      f = f.substr(0, f.find('<'));
      if (f == clamp || f == "std::" + std::string(clamp)) return childrenOf(e.field("arguments"));
    }
    return std::vector<Node>{end};
  };
  const Node& low = decreasing ? bound : start;
  const Node& high = decreasing ? start : bound;
  for (const Node& lowEnd : clamped(low, "max"))
    for (const Node& highEnd : clamped(high, "min")) {
      const auto from = reader.read(lowEnd, 0);
      const auto to = reader.read(highEnd, 0);
      if (!from || !to || from->tooLarge || to->tooLarge || !from->divisors.empty() ||
          !to->divisors.empty())
        continue;
      // the two ends move together: a name of both that the difference cancels
      const Form distance = add(*to, *from, -1);
      bool shared = false;
      for (const auto& [powers, c] : from->terms)
        shared =
            shared || (!powers.empty() && to->terms.count(powers) && !distance.terms.count(powers));
      if (!shared) continue;
      Cost trips;
      double passes = 1;
      bool window = true;
      for (const auto& [powers, c] : distance.terms) {
        if (powers.empty()) {
          passes += c;
          continue;
        }
        const auto& [name, power] = *powers.begin();
        window = window && powers.size() == 1 && power == 1 && c > 0 && name != variable;
        if (window) trips = addCosts(trips, magnitudeOfName(model, loop, name, vars));
      }
      if (!window) continue;
      if (trips.terms.empty()) trips = repeatedCost(std::max(passes, 1.0));
      return {true, simplifyCost(trips)};
    }
  return {};
}

BlockWalk blockWalkOf(const Model& model, const Node& loop, const Node& start, const Node& bound,
                      bool decreasing, const std::vector<LoopVariable>& vars) {
  // every walk found below counts positions in blocks, which takes a division by a name
  if (start.null() || bound.null() || !model.dividesByName) return {};
  FormReader reader(model, loop);
  const auto from = reader.read(start, 0);
  if (!from || from->tooLarge) return {};
  // min(n, b * i) as an upper bound: the loop stops by the nearer one, so either may tell
  std::vector<Node> ends = {bound};
  const Node b = unwrap(bound);
  if (b.type() == "call_expression" &&
      b.field("function").text().ends_with(decreasing ? "max" : "min"))
    ends = childrenOf(b.field("arguments"));
  for (const Node& end : ends) {
    const auto to = reader.read(end, 0);
    if (!to || to->tooLarge) continue;
    const Form distance = decreasing ? add(*from, *to, -1) : add(*to, *from, -1);
    const std::string divisor = withinOneBlock(distance);
    if (!divisor.empty()) return {true, magnitudeOfName(model, loop, divisor, vars)};
    const auto spans = blocksBetween(distance);
    if (!spans.empty()) {
      Cost trips;
      for (const auto& [position, by] : spans) {
        const Cost block = magnitudeOfName(model, loop, by, vars);
        trips = addCosts(
            trips,
            divideCosts(positionRange(magnitudeOfName(model, loop, position, vars), block), block));
      }
      return {true, simplifyCost(trips)};
    }
    // if (l / B == r / B) for (k = l; k <= r; k++): both ends in one block
    if (!distance.divisors.empty()) continue;
    for (const Node& guard : guardsAround(loop)) {
      const Node test = unwrap(guard.type() == "condition_clause" ? guard.field("value") : guard);
      if (test.type() != "binary_expression" || test.field("operator").text() != "==") continue;
      const auto left = reader.read(test.field("left"), 0);
      const auto right = reader.read(test.field("right"), 0);
      if (!left || !right) continue;
      const Form gap = add(*left, *right, -1);
      if (gap.tooLarge) continue;
      for (const std::string& by : gap.divisors) {
        Form scaled = multiply(gap, atomForm(by));
        Form sum = add(scaled, distance), difference = add(scaled, distance, -1);
        const auto constantOnly = [](const Form& f) {
          for (const auto& [powers, c] : f.terms)
            if (!powers.empty()) return false;
          return true;
        };
        if (!distance.terms.empty() && (constantOnly(sum) || constantOnly(difference)))
          return {true, magnitudeOfName(model, loop, by, vars)};
      }
    }
  }
  return {};
}

}  // namespace quorbel
