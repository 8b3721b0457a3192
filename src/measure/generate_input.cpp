// Writes an input by running the plan like a tiny program: sizes and the values of earlier
// reads feed the counts of later repeats, branches test the values just written, and
// container sizes come from the declarations the plan recorded.
#include "measure/generate_input.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <random>
#include <set>

#include "measure/primes.h"
#include "measure/size_extents.h"
#include "model/source_facts.h"

namespace quorbel {
namespace {

constexpr double kIntCap = 1e9;
constexpr double kWideCap = 1e18;
constexpr double kExactInDouble = 9007199254740992.0;  // 2^53

bool isWideType(const std::string& type) {
  return type.find("long") != std::string::npos || type.find("ll") != std::string::npos ||
         type.find("64") != std::string::npos || type.find("double") != std::string::npos;
}

class Writer {
 public:
  Writer(const InputPlan& plan, const Model& model, const GenerateOptions& options)
      : plan_(plan),
        model_(model),
        options_(options),
        random_(options.seed),
        caps_(sizeCaps(plan, model, !options.ignoreLimits)),
        together_(growthCap(plan, model, options)) {}

  GeneratedInput write() {
    for (const std::string& size : plan_.sizes) capped_[size] = false;
    runSteps(plan_.steps, 1.0);
    result_.complete = !overflow_;
    bool anyGrowing = false, allAtLimit = true;
    for (const auto& [name, atCap] : capped_) {
      if (!growing(name)) continue;
      anyGrowing = true;
      allAtLimit = allAtLimit && atCap;
    }
    result_.atLimit = anyGrowing && allAtLimit;
    return result_;
  }

 private:
  bool growing(const std::string& size) const {
    return options_.vary.empty() || options_.vary == size;
  }

  // ---- Expressions ----

  bool evaluate(const Node& node, double& value) {
    if (node.null()) return false;
    const std::string_view type = node.type();
    if (type == "number_literal") {
      return evaluateConstantExpression(
          node.text(), [](const std::string&, double&) { return false; }, value);
    }
    if (type == "char_literal" && node.text().size() == 3) {
      value = static_cast<unsigned char>(node.text()[1]);
      return true;
    }
    if (type == "identifier" || type == "type_identifier")
      return lookup(std::string(node.text()), value);
    if (type == "parameter_declaration") return evaluate(node.field("type"), value);
    if (type == "parenthesized_expression" || type == "condition_clause")
      return evaluate(node.child(node.childCount() - 1), value);
    if (type == "cast_expression") return evaluate(node.field("value"), value);
    if (type == "unary_expression") {
      double inner = 0;
      if (!evaluate(node.field("argument"), inner)) return false;
      const std::string_view op = node.field("operator").text();
      value = op == "-" ? -inner : op == "!" ? (inner == 0 ? 1 : 0) : inner;
      return true;
    }
    if (type == "update_expression") return evaluate(node.field("argument"), value);
    if (type == "binary_expression") return evaluateBinary(node, value);
    if (type == "call_expression") return evaluateCall(node, value);
    return false;
  }

  bool evaluateBinary(const Node& node, double& value) {
    double a = 0, b = 0;
    if (!evaluate(node.field("left"), a) || !evaluate(node.field("right"), b)) return false;
    const std::string_view op = node.field("operator").text();
    if (op == "+")
      value = a + b;
    else if (op == "-")
      value = a - b;
    else if (op == "*")
      value = a * b;
    else if (op == "/")
      value = b == 0 ? 0 : std::trunc(a / b);
    else if (op == "%")
      value = b == 0 ? 0 : std::fmod(a, b);
    else if (op == "<<")
      value = b < 0 || b > 62 ? 0 : a * std::pow(2.0, b);
    else if (op == ">>")
      value = b < 0 || b > 62 ? 0 : std::floor(a / std::pow(2.0, b));
    else if (op == "==")
      value = a == b;
    else if (op == "!=")
      value = a != b;
    else if (op == "<")
      value = a < b;
    else if (op == "<=")
      value = a <= b;
    else if (op == ">")
      value = a > b;
    else if (op == ">=")
      value = a >= b;
    else if (op == "&&")
      value = a != 0 && b != 0;
    else if (op == "||")
      value = a != 0 || b != 0;
    else
      return false;
    return true;
  }

  // v.size(), s.length(), sz(v), min(a, b), max(a, b).
  bool evaluateCall(const Node& call, double& value) {
    const Node function = call.field("function");
    const Node arguments = call.field("arguments");
    if (function.type() == "field_expression") {
      const std::string_view method = function.field("field").text();
      if (method != "size" && method != "length") return false;
      auto found = lengths_.find(std::string(function.field("argument").text()));
      if (found == lengths_.end()) return false;
      value = found->second;
      return true;
    }
    const std::string_view name = function.text();
    if ((name == "min" || name == "max" || name == "std::min" || name == "std::max") &&
        arguments.childCount() == 2) {
      double a = 0, b = 0;
      if (!evaluate(arguments.child(0), a) || !evaluate(arguments.child(1), b)) return false;
      value = name.ends_with("min") ? std::min(a, b) : std::max(a, b);
      return true;
    }
    if (arguments.childCount() == 1) {
      auto found = lengths_.find(std::string(arguments.child(0).text()));
      if (found != lengths_.end()) {
        value = found->second;
        return true;
      }
    }
    return false;
  }

  bool lookup(const std::string& name, double& value) {
    auto found = values_.find(name);
    if (found != values_.end()) {
      value = found->second;
      return true;
    }
    const Symbol* symbol = findSymbol(model_, name);
    if (symbol != nullptr && symbol->value) {
      value = *symbol->value;
      return true;
    }
    return false;
  }

  // ---- Steps ----

  void runSteps(const std::vector<PlanStep>& steps, double passesAround) {
    for (size_t i = 0; i < steps.size() && !overflow_; ++i) {
      const PlanStep& step = steps[i];
      switch (step.kind) {
        case PlanStep::Kind::kRead:
          writeValue(step.value, passesAround);
          break;
        case PlanStep::Kind::kAssign: {
          double value = 0;
          if (!evaluate(step.expression, value)) break;
          if (!step.container.empty())
            lengths_[step.container] = value;
          else
            values_[step.target] = value;
          break;
        }
        case PlanStep::Kind::kBranch: {
          double value = 0;
          const bool taken = evaluate(step.condition, value) ? value != 0 : coin();
          runSteps(taken ? step.body : step.otherwise, passesAround);
          break;
        }
        case PlanStep::Kind::kRepeat:
        case PlanStep::Kind::kUntilEnd:
          runRepeat(step, passesAround);
          break;
      }
    }
  }

  // Whether `steps` read a size of their own: a block that sizes itself.
  static bool readsSize(const std::vector<PlanStep>& steps) {
    for (const PlanStep& step : steps)
      if ((step.kind == PlanStep::Kind::kRead &&
           (step.value.role == ValueRole::kSize || step.value.role == ValueRole::kTestCount)) ||
          readsSize(step.body) || readsSize(step.otherwise))
        return true;
    return false;
  }

  double passesOf(const PlanStep& step, double passesAround) {
    // while (cin >> n >> m) { m edges }: one case as large as the sizes, as a test count of
    // one would give, rather than as many cases as the size with one edge each.
    if (step.kind == PlanStep::Kind::kUntilEnd && readsSize(step.body)) return 1;
    if (step.kind == PlanStep::Kind::kUntilEnd)
      return std::max(1.0, std::floor(grownSize() / passesAround));
    double count = 0;
    if (!step.container.empty()) {
      auto found = lengths_.find(step.container);
      if (found != lengths_.end()) return std::max(0.0, found->second);
      return std::max(1.0, std::floor(grownSize() / passesAround));
    }
    if (!evaluate(step.count, count)) return std::max(1.0, std::floor(grownSize() / passesAround));
    double start = 0;
    if (!step.start.null() && !evaluate(step.start, start)) start = 0;
    double passes = count - start + (step.inclusive ? 1 : 0);
    return std::max(0.0, passes);
  }

  void runRepeat(const PlanStep& step, double passesAround) {
    const double passes = std::min(passesOf(step, passesAround), 1e8);
    std::vector<const PlanValue*> reads;
    for (const PlanStep& inner : step.body)
      if (inner.kind == PlanStep::Kind::kRead) reads.push_back(&inner.value);
    prepareShape(step, reads, passes);
    // Tests whose count grows with the sizes are each as large as the sizes; other repeats
    // share the sizes among their passes.
    const bool wholeTests = step.count.type() == "identifier" &&
                            options_.growingCounts.count(std::string(step.count.text())) != 0;
    for (double pass = 0; pass < passes && !overflow_; ++pass) {
      pass_ = static_cast<size_t>(pass);
      runSteps(step.body, wholeTests ? passesAround : passesAround * std::max(1.0, passes));
      newline();
    }
    edges_.clear();
    permutation_.clear();
    parentOf_ = nullptr;
  }

  // Two positions of one size read together are an edge (u v) or a range (l r): edges take
  // the chosen shape, ranges come out ordered.
  void prepareShape(const PlanStep& step, const std::vector<const PlanValue*>& reads,
                    double passes) {
    edgeFirst_ = edgeSecond_ = nullptr;
    if (reads.size() >= 2 && reads[0]->role == ValueRole::kPosition &&
        reads[1]->role == ValueRole::kPosition &&
        reads[0]->governingSize == reads[1]->governingSize &&
        (options_.pairsFormTrees || (!reads[0]->boundsLoop && !reads[1]->boundsLoop)) &&
        !reads[0]->eitherBase) {
      double vertices = 0;
      if (!lookup(reads[0]->governingSize, vertices) || vertices < 1) return;
      const size_t n = static_cast<size_t>(vertices);
      const bool tree =
          options_.shape == "tree" || (options_.shape.empty() && passes + 1 == vertices);
      const bool connected = options_.shape == "connected";
      if (!tree && !connected) return;
      edgeFirst_ = reads[0];
      edgeSecond_ = reads[1];
      std::vector<size_t> label(n);
      std::iota(label.begin(), label.end(), 0);
      std::shuffle(label.begin(), label.end(), random_);
      const size_t total = static_cast<size_t>(passes);
      for (size_t k = 0; k < total; ++k) {
        size_t a, b;
        if (k + 1 < n) {
          a = label[k + 1];
          b = label[std::uniform_int_distribution<size_t>(0, k)(random_)];
        } else {
          a = std::uniform_int_distribution<size_t>(0, n - 1)(random_);
          b = std::uniform_int_distribution<size_t>(0, n - 1)(random_);
        }
        if (coin()) std::swap(a, b);
        edges_.push_back({a, b});
      }
      result_.shapeUsed =
          tree ? "tree (" + reads[0]->governingSize + " - 1 edges)" : "connected graph";
      (void)step;
      return;
    }
    if (options_.shape == "permutation" && reads.size() == 1 &&
        reads[0]->role == ValueRole::kPosition) {
      double n = 0;
      if (!lookup(reads[0]->governingSize, n) || n < 1) return;
      permutation_.resize(static_cast<size_t>(n));
      std::iota(permutation_.begin(), permutation_.end(), 0);
      std::shuffle(permutation_.begin(), permutation_.end(), random_);
      result_.shapeUsed = "permutation";
      return;
    }
    // One position read for each vertex after the first (for i = 1; i < n: cin >> parent):
    // a parent among the vertices before it, so the parents form a tree rooted at the first.
    if (reads.size() == 1 && reads[0]->role == ValueRole::kPosition && !reads[0]->boundsLoop &&
        !reads[0]->eitherBase && (options_.shape.empty() || options_.shape == "tree")) {
      double vertices = 0;
      if (!lookup(reads[0]->governingSize, vertices) || passes + 1 != vertices) return;
      parentOf_ = reads[0];
      // for (v = 1; v < n; v++) cin >> p: vertex v's parent is below v, the root is v's start
      // less one; a program that takes the parent down by one reads it one higher.
      double start = 0;
      if (!step.start.null() && !evaluate(step.start, start)) start = 1;
      parentLow_ = reads[0]->takenDownByOne ? 1 : std::max(0.0, start - 1);
      result_.shapeUsed =
          "tree (a parent for each of " + reads[0]->governingSize + " - 1 vertices)";
    }
  }

  // ---- Values ----

  // The least value a size took so far, at least 1.
  double leastSize() const {
    double least = 0;
    for (const auto& [name, value] : result_.sizes)
      if (value >= 1 && (least == 0 || value < least)) least = value;
    return least == 0 ? 1 : least;
  }

  double grownSize() const { return options_.vary.empty() ? options_.size : options_.heldSize; }

  double sizeValue(const PlanValue& value, double passesAround) {
    const bool grows = growing(value.name);
    double size = grows ? options_.size : options_.heldSize;
    // Sizes grow together up to the least of their caps: with one held at its limit while the
    // others grow, an n * W table would grow as W alone.
    const bool countGrows = options_.vary == value.name ||
                            (options_.vary.empty() && options_.growingCounts.count(value.name));
    if (grows && (value.role != ValueRole::kTestCount || countGrows) && size >= together_) {
      size = together_;
      for (auto& [name, atCap] : capped_) atCap = true;
    }
    if (value.role == ValueRole::kTestCount) size = countGrows ? std::min(size, options_.size) : 1;
    if (value.role == ValueRole::kSize && passesAround > 1)
      size = std::max(1.0, std::floor(size / passesAround));
    auto found = caps_.find(value.name);
    double cap = found == caps_.end() ? kIntCap : found->second;
    // 1 <= k <= n: no more than the size it is bounded by, as that size came out.
    double bound = 0;
    if (!value.highName.empty() && lookup(value.highName, bound) && bound >= 1)
      cap = std::min(cap, bound);
    if (size >= cap) {
      size = cap;
      capped_[value.name] = true;
    }
    if (value.rangeFromComment && value.low > size && value.low <= cap) size = value.low;
    return std::floor(size);
  }

  void writeValue(const PlanValue& value, double passesAround) {
    if (value.type == ValueType::kWord || value.type == ValueType::kLine) {
      double length = 0;
      if (value.lengthSize == value.name) {
        length = sizeValue(value, passesAround);
        result_.sizes[value.name] = length;
      } else if (value.lengthSize.empty() || !lookup(value.lengthSize, length)) {
        length = std::max(1.0, std::floor(grownSize() / passesAround));
      }
      lengths_[value.name] = length;
      if (value.type == ValueType::kLine && !text_.empty() && text_.back() != '\n') text_ += '\n';
      std::string word(static_cast<size_t>(std::max(1.0, length)), 'a');
      for (char& c : word)
        c = value.literals.empty()
                ? static_cast<char>('a' + letter_(random_))
                : static_cast<char>(value.literals[std::uniform_int_distribution<size_t>(
                      0, value.literals.size() - 1)(random_)]);
      // A number too long for any integer type, read as text: no leading zero.
      if (options_.wordsOfDigits)
        for (size_t i = 0; i < word.size(); ++i)
          word[i] = static_cast<char>('0' + (i == 0 ? 1 : 0) + (word[i] - 'a') % (i == 0 ? 9 : 10));
      emit(word);
      if (value.type == ValueType::kLine) newline();
      return;
    }
    double number = 0;
    switch (value.role) {
      case ValueRole::kSize:
      case ValueRole::kTestCount:
        number = sizeValue(value, passesAround);
        // Primes only where a double holds them exactly: the size is written as it was taken.
        if (value.wholeNumber && number >= 2 && number < kExactInDouble)
          number = static_cast<double>(largestPrimeAtMost(static_cast<uint64_t>(number)));
        result_.sizes[value.name] = number;
        break;
      case ValueRole::kPosition:
        number = positionValue(value);
        break;
      case ValueRole::kChoice:
        number = value.literals[std::uniform_int_distribution<size_t>(
            0, value.literals.size() - 1)(random_)];
        break;
      case ValueRole::kValue:
        number = plainValue(value);
        break;
    }
    values_[value.name] = number;
    if (value.type == ValueType::kChar) {
      const char c = value.role == ValueRole::kValue ? static_cast<char>('a' + letter_(random_))
                                                     : static_cast<char>(number);
      emit(std::string(1, c));
    } else if (value.type == ValueType::kReal) {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.3f", number);
      emit(buffer);
    } else {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.0f", number);
      emit(buffer);
    }
  }

  double positionValue(const PlanValue& value) {
    double size = 0;
    if (!lookup(value.governingSize, size) || size < 1) size = 1;
    const double low = value.low;
    // cnt[x] of int cnt[4]: 1..3, valid whether the program counts from 0 or from 1.
    double extent = 0;
    if (evaluate(value.extent, extent) && extent >= 2 && extent - 1 < low + size - 1)
      return 1 + std::floor(std::uniform_real_distribution<double>(0, extent - 1)(random_));
    if (&value == edgeFirst_ && pass_ < edges_.size())
      return low + static_cast<double>(edges_[pass_].first);
    if (&value == edgeSecond_ && pass_ < edges_.size())
      return low + static_cast<double>(edges_[pass_].second);
    if (!permutation_.empty() && pass_ < permutation_.size())
      return low + static_cast<double>(permutation_[pass_]);
    if (&value == parentOf_)
      return parentLow_ + static_cast<double>(std::uniform_int_distribution<size_t>(
                              0, std::min(pass_, static_cast<size_t>(size - 1)))(random_));
    // Neither 0 nor n: valid whether the program counts its vertices from 0 or from 1.
    if ((value.eitherBase || options_.positionsEitherBase) && size >= 2)
      return low + std::floor(std::uniform_real_distribution<double>(0, size - 1)(random_));
    const double offset = std::floor(std::uniform_real_distribution<double>(0, size)(random_));
    double position = low + std::min(offset, size - 1);
    auto previous = values_.find(lastPositionName_);
    // Two positions of one size read together (a range l r, an edge u v) come out ordered:
    // ranges are valid, and edges form a DAG, which a program that needs no cycle accepts and
    // one that finds cycles reads as well.
    if (lastPositionGoverning_ == value.governingSize && previous != values_.end() &&
        lastWasPosition_ && position < previous->second) {
      const double swapped = previous->second;
      replaceLastToken(position);
      values_[lastPositionName_] = position;
      position = swapped;
    }
    lastPositionName_ = value.name;
    lastPositionGoverning_ = value.governingSize;
    lastWasPositionPending_ = true;
    return position;
  }

  double plainValue(const PlanValue& value) {
    double low = value.low, high = value.high;
    double bound = 0;
    if (!value.highName.empty() && lookup(value.highName, bound) && bound >= low) high = bound;
    if (!value.rangeFromComment && value.type == ValueType::kReal) high = 1e6;
    if (options_.valuesWithinSizes && !value.rangeFromComment && value.highName.empty())
      high = std::max(low, leastSize());
    if (options_.grownValues.count(value.name) != 0 && growing(value.name)) {
      high = std::max(low, std::min(high, std::floor(options_.size)));
      result_.sizes[value.name] = high;
    }
    if (high < low) std::swap(low, high);
    if (value.type == ValueType::kReal)
      return std::uniform_real_distribution<double>(low, high)(random_);
    return std::floor(std::uniform_real_distribution<double>(low, high + 1)(random_));
  }

  // ---- Text ----

  void emit(const std::string& token) {
    lastWasPosition_ = lastWasPositionPending_;
    lastWasPositionPending_ = false;
    if (!text_.empty() && text_.back() != '\n') text_ += ' ';
    lastTokenStart_ = text_.size();
    text_ += token;
    if (text_.size() > options_.maxBytes) overflow_ = true;
  }

  void replaceLastToken(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
    text_.resize(lastTokenStart_);
    text_ += buffer;
  }

  // A pass ends: its last position is no pair for the next pass's first.
  void newline() {
    if (!text_.empty() && text_.back() != '\n') text_ += '\n';
    lastWasPosition_ = lastWasPositionPending_ = false;
  }

  bool coin() { return std::uniform_int_distribution<int>(0, 1)(random_) == 1; }

 public:
  std::string takeText() { return std::move(text_); }
  GeneratedInput result_;

 private:
  const InputPlan& plan_;
  const Model& model_;
  const GenerateOptions& options_;
  std::mt19937_64 random_;
  std::uniform_int_distribution<int> letter_{0, 25};
  std::map<std::string, double> values_;
  std::map<std::string, double> lengths_;
  std::map<std::string, bool> capped_;
  std::map<std::string, double> caps_;
  double together_ = kWideCap;
  std::vector<std::pair<size_t, size_t>> edges_;
  std::vector<size_t> permutation_;
  const PlanValue* edgeFirst_ = nullptr;
  const PlanValue* edgeSecond_ = nullptr;
  const PlanValue* parentOf_ = nullptr;
  double parentLow_ = 0;
  size_t pass_ = 0;
  std::string text_;
  size_t lastTokenStart_ = 0;
  std::string lastPositionName_;
  std::string lastPositionGoverning_;
  bool lastWasPosition_ = false;
  bool lastWasPositionPending_ = false;
  bool overflow_ = false;
};

}  // namespace

std::map<std::string, double> sizeCaps(const InputPlan& plan, const Model& model, bool stated) {
  std::map<std::string, double> caps;
  for (const std::string& size : plan.sizes) {
    const Symbol* symbol = findSymbol(model, size);
    caps[size] = symbol != nullptr && isWideType(symbol->typeText) ? kWideCap : kIntCap;
  }
  if (stated)
    for (const PlanValue* value : planValues(plan))
      if (caps.count(value->name) && value->rangeFromComment && value->high >= 1)
        caps[value->name] = std::min(caps[value->name], value->high);
  // for (i = 0; i < n; i++) cin >> a[i] with int a[1005]: n stays within the array whatever a
  // comment says, or the program writes past its end.
  for (const auto& [size, extentCap] : arrayExtentCaps(plan, model)) {
    auto cap = caps.find(size);
    if (cap != caps.end()) cap->second = std::min(cap->second, extentCap);
  }
  return caps;
}

double sizeCap(const InputPlan& plan, const Model& model, const std::string& size, bool stated) {
  const std::map<std::string, double> caps = sizeCaps(plan, model, stated);
  auto found = caps.find(size);
  return found == caps.end() ? kIntCap : found->second;
}

double growthCap(const InputPlan& plan, const Model& model, const GenerateOptions& options) {
  const std::map<std::string, double> caps = sizeCaps(plan, model, !options.ignoreLimits);
  std::set<std::string> heldCounts;
  for (const PlanValue* value : planValues(plan))
    if (value->role == ValueRole::kTestCount && value->name != options.vary &&
        !(options.vary.empty() && options.growingCounts.count(value->name)))
      heldCounts.insert(value->name);
  double cap = kWideCap;
  for (const auto& [size, limit] : caps)
    if ((options.vary.empty() || options.vary == size) && !heldCounts.count(size))
      cap = std::min(cap, limit);
  return cap;
}

GeneratedInput generateInput(const InputPlan& plan, const Model& model,
                             const GenerateOptions& options) {
  Writer writer(plan, model, options);
  GeneratedInput result = writer.write();
  result.text = writer.takeText();
  if (!result.text.empty() && result.text.back() != '\n') result.text += '\n';
  return result;
}

}  // namespace quorbel
