#include "verdict/verdict.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "cost/cost_values.h"
#include "model/source_facts.h"
#include "base/text.h"
#include "verdict/constant_limits.h"
#include "base/limit_values.h"
#include "verdict/memory_estimate.h"

namespace quorbel {
namespace {

constexpr double kMaxValue = 1e18;
constexpr double kOperationsPerSecond = 1e8;
// Up to this many times the budget, the constant factor decides.
constexpr double kTightFactor = 5;
// Comparisons of base-10 logarithms: 10^8 operations against a budget of 10^8 fit.
constexpr double kTolerance = 1e-12;
constexpr const char* kNumberForms = " (write it as 200000, 2e5, 2*10^5 or 10^9)";

// Names under which programs keep the number of test cases.
const std::set<std::string, std::less<>> kTestCountNames = {
    "t", "T", "tc", "tt", "tests", "testcases", "testCases", "test", "cases", "numTests", "nTests"};

void addName(std::vector<std::string>& names, const std::string& name) {
  if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::string joinedNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// ---- Reading what was given ----

bool readSizeValue(const GivenValue& given, double& value, std::string& error) {
  const ReadNumber number = readLimitNumber(given.text);
  const std::string quoted = "'" + given.text + "'";
  if (!number.ok && number.problem == "is negative") {
    error = given.label + ": " + quoted + " is negative; a size is 0 or more";
  } else if (!number.ok) {
    error = given.label + ": " + quoted + " is not a number" + kNumberForms;
  } else if (number.value > kMaxValue) {
    error = given.label + ": " + quoted + " is above 10^18";
  } else if (number.value != std::floor(number.value)) {
    error = given.label + ": " + quoted + " is not a whole number";
  } else {
    value = number.value;
    return true;
  }
  return false;
}

bool readLimit(const GivenValue& given, bool seconds, double& value, std::string& error) {
  const ReadNumber number = seconds ? readSeconds(given.text) : readMegabytes(given.text);
  const std::string quoted = "'" + given.text + "'";
  const char* unit = seconds ? "seconds" : "megabytes";
  if (!number.ok && number.problem != "is negative") {
    error = given.label + ": " + quoted + " is not a number of " + unit;
  } else if (!number.ok || number.value <= 0) {
    error = given.label + ": " + quoted + " must be more than 0 " + unit;
  } else if (number.value > kMaxValue) {
    error = given.label + ": " + quoted + " is above 10^18";
  } else {
    value = number.value;
    return true;
  }
  return false;
}

// ---- Limits from the program ----

// True when `size` stands for the length of `collection`: a comment says so (n == nums.length)
// or the code sets it from the collection (int n = nums.size();).
bool namesLengthOf(const std::string& size, const std::string& collection,
                   const SourceFacts& facts) {
  const auto same = [&](const LengthEquality& equality) {
    return equality.size == size && equality.collection == collection;
  };
  return size != collection && (std::any_of(facts.commentLimits.lengths.begin(),
                                            facts.commentLimits.lengths.end(), same) ||
                                std::any_of(facts.lengths.begin(), facts.lengths.end(), same));
}

// How well a comment's name matches a size: 0 the same name, 1 the same but for case, 2 a
// length and the size that stands for it (|s| of a string the program measures with s.size(),
// which the estimate calls n; nums.length where the code sets n = nums.size(); n where a
// comment says n == nums.length and the estimate says nums); -1 no match.
int commentMatch(const CommentLimit& limit, const std::string& size,
                 const std::vector<std::string>& sizes, const SourceFacts& facts) {
  if (limit.name == size || (limit.length && "|" + limit.name + "|" == size)) return 0;
  if (contains(sizes, limit.name)) return -1;
  if (lowerCopy(limit.name) == lowerCopy(size)) return 1;
  if (limit.length && namesLengthOf(size, limit.name, facts)) return 2;
  if (!limit.length && namesLengthOf(limit.name, size, facts)) return 2;
  if (!limit.length || size != "n") return -1;
  const bool measured =
      std::any_of(facts.measured.begin(), facts.measured.end(),
                  [&](const std::string& word) { return word.ends_with(limit.name); });
  return measured ? 2 : -1;
}

const CommentLimit* bestCommentLimit(const std::string& size, const std::vector<std::string>& sizes,
                                     const SourceFacts& facts) {
  const CommentLimit* best = nullptr;
  int bestRank = 3;
  for (const CommentLimit& limit : facts.commentLimits.sizes) {
    const int rank = commentMatch(limit, size, sizes, facts);
    if (rank < 0) continue;
    // A sum over all test cases bounds the total work and wins over the per-test bound.
    if (rank < bestRank || (rank == bestRank && limit.sumOverTests && !best->sumOverTests)) {
      best = &limit;
      bestRank = rank;
    }
  }
  return best;
}

// The size a given name stands for: itself, or for "nums.length" the collection when the
// estimate names it, else the size the code or a comment ties to its length.
std::string givenSizeName(const std::string& name, const std::vector<std::string>& sizes,
                          const SourceFacts& facts) {
  const std::string collection = lengthCollection(name);
  if (collection.empty() || contains(sizes, collection))
    return collection.empty() ? name : collection;
  for (const std::string& size : sizes)
    if (namesLengthOf(size, collection, facts)) return size;
  return name;
}

std::string commentSource(const CommentLimit& limit, const std::string& size) {
  std::string source = "constraints comment on line " + std::to_string(limit.line);
  if (limit.length && size == "|" + limit.name + "|") {
    source += ": the length of " + limit.name;
  } else if (limit.length) {
    source += ": |" + limit.name + "|, the length of " + limit.name;
  } else if (limit.name != size) {
    source += ": written " + limit.name;
  }
  if (limit.sumOverTests) source += ": sum over all test cases";
  return source;
}

// ---- Time ----

struct TimeTerms {
  Cost terms;
  std::vector<std::string> dropped;  // test-count names left out
};

// With the sum of n over all test cases bounded, t tests of n * log n cost no more than one
// test of the summed size: the test count leaves the terms that grow at least linearly in n.
TimeTerms timeTerms(const Cost& time, const std::vector<SizeLimit>& sizes,
                    const std::set<std::string>& summed) {
  TimeTerms out{time, {}};
  if (summed.empty()) return out;
  for (Monomial& term : out.terms.terms) {
    const bool bySum = std::any_of(summed.begin(), summed.end(), [&](const std::string& name) {
      return term.sizes.contains(name);
    });
    if (!bySum) continue;
    for (const SizeLimit& size : sizes) {
      if (!kTestCountNames.contains(size.name) || summed.contains(size.name)) continue;
      if (term.sizes.erase(size.name) > 0) addName(out.dropped, size.name);
    }
  }
  out.terms = simplifyCost(out.terms);
  return out;
}

// The formula inside "O(...)".
std::string formulaOf(const Cost& cost) {
  const std::string notation = formatCost(cost);
  return notation.substr(2, notation.size() - 3);
}

// A product with the constant factor the notation drops: "60 * n".
std::string countedTerm(const Monomial& term) {
  if (term.constant <= 1) return formatMonomial(term);
  return formatLimitValue(term.constant) + (term.sizes.empty() ? "" : " * " + formatMonomial(term));
}

// The formula the operations are counted by: the notation's, or its terms with their constants.
std::string countedFormula(const Cost& cost) {
  if (std::all_of(cost.terms.begin(), cost.terms.end(),
                  [](const Monomial& term) { return term.constant <= 1; }))
    return formulaOf(cost);
  std::string text;
  for (const Monomial& term : cost.terms) text += (text.empty() ? "" : " + ") + countedTerm(term);
  return text;
}

std::string valuesText(const std::vector<std::string>& names,
                       const std::map<std::string, double>& values) {
  std::string text;
  for (const std::string& name : names)
    text += (text.empty() ? "" : ", ") + name + " = " + formatLimitValue(values.at(name));
  return text;
}

void judgeTime(const Analysis& analysis, Verdict& verdict, const std::set<std::string>& summed,
               const std::map<std::string, double>& values) {
  TimeVerdict& time = verdict.time;
  time.budget = verdict.timeLimitSeconds * verdict.operationsPerSecond;
  const TimeTerms terms = timeTerms(analysis.timeCost, verdict.sizes, summed);
  time.expression = formulaOf(terms.terms);
  time.sizes = sizesInOrderShown(terms.terms);
  for (const std::string& name : time.sizes)
    if (!values.contains(name)) time.missing.push_back(name);
  if (!time.missing.empty()) {
    time.summary = "no verdict for time: no limit for " + joinedNames(time.missing);
    return;
  }
  time.evaluated = true;
  time.log10Operations = log10OfCost(terms.terms, values);
  time.operationsText = describeCount(time.log10Operations);
  if (time.sizes.empty()) {
    // O(1) has no term worth naming and nothing to evaluate at.
    time.status = "fits";
    time.summary = "fits: the estimate does not grow with the input";
    return;
  }
  time.evaluation = countedFormula(terms.terms) + " at " + valuesText(time.sizes, values) + ": " +
                    time.operationsText;
  size_t dominant = 0;
  std::vector<double> termValues;
  for (const Monomial& term : terms.terms.terms) termValues.push_back(log10OfTerm(term, values));
  for (size_t i = 1; i < termValues.size(); ++i)
    if (termValues[i] > termValues[dominant]) dominant = i;
  time.dominantTerm = countedTerm(terms.terms.terms[dominant]);
  time.log10DominantOperations = termValues[dominant];
  time.dominantText = describeCount(termValues[dominant]);

  const double budget = std::log10(time.budget);
  const std::string budgetText =
      formatLimitValue(time.budget) + " for " + formatSeconds(verdict.timeLimitSeconds);
  const std::string operations = time.operationsText + " operations";
  if (time.log10Operations <= budget + kTolerance) {
    time.status = "fits";
    time.summary = "fits: " + operations + ", within the budget of " + budgetText;
  } else if (time.log10Operations <= budget + std::log10(kTightFactor) + kTolerance) {
    time.status = "tight";
    time.summary = "tight: " + operations + ", up to 5 times the budget of " + budgetText +
                   ", so the constant factor decides";
  } else {
    time.status = "too slow";
    time.summary = "too slow: " + operations + ", more than 5 times the budget of " + budgetText;
  }
  time.summary += "; the " + time.dominantTerm + " term: " + time.dominantText + " operations";
  if (!terms.dropped.empty()) {
    verdict.notes.push_back(joinedNames(terms.dropped) +
                            " is left out of the terms that grow with a size summed over all "
                            "test cases: together the test cases cost no more than one test of "
                            "the summed size.");
  }
}

// ---- Memory ----

void judgeMemory(const Analysis& analysis, const SourceFacts& facts, Verdict& verdict,
                 const std::map<std::string, double>& values) {
  std::vector<std::string> unlimited;
  for (const SizeLimit& size : verdict.sizes)
    if (!size.known) unlimited.push_back(size.name);
  MemoryEstimate estimate = estimateMemory(analysis.spaceContributions, facts, values, unlimited);
  MemoryVerdict& memory = verdict.memory;
  memory.items = std::move(estimate.items);
  memory.missing = std::move(estimate.missing);
  const MemoryItem* largest = nullptr;
  for (const MemoryItem& item : memory.items) {
    if (!item.counted) continue;
    memory.bytes += item.bytes;
    if (largest == nullptr || item.bytes > largest->bytes) largest = &item;
  }
  memory.bytesText = describeBytes(memory.bytes);
  const std::string limit = formatMegabytes(verdict.memoryLimitMb);
  if (memory.bytes > verdict.memoryLimitMb * 1e6) {
    memory.status = "too much";
    memory.summary = "too much: " + memory.bytesText + ", more than the " + limit + " limit";
    if (largest != nullptr)
      memory.summary +=
          "; the largest is " + largest->what + " (line " + largest->line + "): " + largest->text;
  } else if (!memory.missing.empty()) {
    memory.summary = "no verdict for memory: no limit for " + joinedNames(memory.missing);
  } else {
    memory.status = "fits";
    memory.summary = "fits: " + memory.bytesText + " of " + limit;
  }
}

// The sizes of the estimate: the time cost's, the space cost's, the space rows'.
std::vector<std::string> estimateSizes(const Analysis& analysis) {
  std::vector<std::string> names;
  std::vector<Cost> costs = {analysis.timeCost, analysis.spaceCost};
  for (const Contribution& row : analysis.spaceContributions) costs.push_back(row.cost);
  for (const Cost& cost : costs)
    for (const std::string& name : sizesInOrderShown(cost)) addName(names, name);
  return names;
}

}  // namespace

bool judgeAtLimits(const Analysis& analysis, const GivenLimits& given, Verdict& verdict,
                   std::string& error) {
  verdict = Verdict{};
  verdict.operationsPerSecond = kOperationsPerSecond;
  const std::vector<std::string> names = estimateSizes(analysis);

  static const SourceFacts kNoFacts;
  const SourceFacts& facts = analysis.facts ? *analysis.facts : kNoFacts;
  const CommentLimits& stated = facts.commentLimits;

  // Everything given is checked before anything is judged.
  std::map<std::string, double> givenSizes;
  for (GivenValue value : given.sizes) {
    value.name = givenSizeName(value.name, names, facts);
    if (!contains(names, value.name)) {
      error = value.label + ": the estimate has no size named '" + value.name + "'" +
              (names.empty() ? std::string(" (it names no sizes)")
                             : " (its sizes: " + joinedNames(names) + ")");
      return false;
    }
    if (!readSizeValue(value, givenSizes[value.name], error)) return false;
  }
  if (given.timeLimit && !readLimit(*given.timeLimit, true, verdict.timeLimitSeconds, error))
    return false;
  if (given.memoryLimit && !readLimit(*given.memoryLimit, false, verdict.memoryLimitMb, error))
    return false;
  if (given.timeLimit) verdict.timeLimitSource = "given";
  if (given.memoryLimit) verdict.memoryLimitSource = "given";

  const std::vector<ConstantLimit> constants = readConstantLimits(facts, names);
  if (!given.timeLimit && stated.timeLimitSeconds > 0) {
    verdict.timeLimitSeconds = stated.timeLimitSeconds;
    verdict.timeLimitSource = "constraints comment on line " + std::to_string(stated.timeLine);
  }
  if (!given.memoryLimit && stated.memoryLimitMb > 0) {
    verdict.memoryLimitMb = stated.memoryLimitMb;
    verdict.memoryLimitSource = "constraints comment on line " + std::to_string(stated.memoryLine);
  }

  std::map<std::string, double> values;
  std::set<std::string> summed;
  for (const std::string& name : names) {
    SizeLimit size;
    size.name = name;
    const CommentLimit* comment = bestCommentLimit(name, names, facts);
    const auto constant = std::find_if(constants.begin(), constants.end(),
                                       [&](const ConstantLimit& c) { return c.name == name; });
    if (givenSizes.contains(name)) {
      size = {name, true, givenSizes[name], "given", "given"};
    } else if (comment != nullptr && comment->value <= kMaxValue) {
      size = {name, true, comment->value, "comment", commentSource(*comment, name)};
      if (comment->sumOverTests) summed.insert(name);
    } else if (constant != constants.end() && constant->value <= kMaxValue) {
      size = {name, true, constant->value, "constant", constant->source};
    }
    if (size.known) values[name] = size.value;
    verdict.sizes.push_back(std::move(size));
  }

  judgeTime(analysis, verdict, summed, values);
  judgeMemory(analysis, facts, verdict, values);
  return true;
}

}  // namespace quorbel
