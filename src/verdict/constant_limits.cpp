#include "verdict/constant_limits.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "syntax/regex.h"
#include "syntax/text.h"
#include "verdict/limit_values.h"

namespace quorbel {
namespace {

// An array whose first length is a constant: "int a[maxN]" on line 4.
struct ConstantArray {
  std::string name;
  std::string dimension;  // as written: "maxN"
  double length = 0;
  int line = 0;
};

std::vector<ConstantArray> constantArrays(const SourceFacts& facts) {
  const auto lookup = [&](const std::string& name, double& value) {
    const auto known = facts.constants.find(name);
    if (known == facts.constants.end()) return false;
    value = known->second.value;
    return true;
  };
  std::vector<ConstantArray> arrays;
  for (const SourceDeclaration& declaration : facts.declarations) {
    for (const Declarator& d : declaration.declarators) {
      double length = 0;
      if (d.dimensions.empty() || !evaluateConstantExpression(d.dimensions[0], lookup, length) ||
          !std::isfinite(length) || length <= 0)
        continue;
      arrays.push_back({d.name, d.dimensions[0], length, declaration.line});
    }
  }
  return arrays;
}

// True when `body` indexes `array` with `variable` ("a[i]", "a[i + 1]", "a[i-1]").
bool indexesWith(const std::string& body, const std::string& array, const std::string& variable) {
  return containsRegex(body, "(^|[^A-Za-z0-9_])" + regexEscape(array) + R"(\s*\[\s*)" +
                                 regexEscape(variable) + R"(\s*[\]+-])");
}

}  // namespace

std::vector<ConstantLimit> readConstantLimits(const SourceFacts& facts,
                                              const std::vector<std::string>& sizes) {
  std::vector<ConstantLimit> limits;
  const std::vector<ConstantArray> arrays = constantArrays(facts);
  for (const std::string& size : sizes) {
    const auto constant = facts.constants.find(size);
    if (constant != facts.constants.end() && constant->second.value >= 0) {
      limits.push_back({size, constant->second.value,
                        "constant " + size + " = " + formatLimitValue(constant->second.value) +
                            " on line " + std::to_string(constant->second.line)});
      continue;
    }
    const ConstantArray* best = nullptr;
    int loopLine = 0;
    for (const CountedLoop& loop : facts.loops) {
      if (loop.bound != size) continue;
      for (const ConstantArray& array : arrays) {
        if ((best == nullptr || array.length < best->length) &&
            indexesWith(loop.body, array.name, loop.variable)) {
          best = &array;
          loopLine = loop.line;
        }
      }
    }
    if (best == nullptr) continue;
    limits.push_back({size, best->length,
                      "array " + best->name + "[" + best->dimension + "] of " +
                          formatLimitValue(best->length) + " on line " +
                          std::to_string(best->line) + ", indexed up to " + size + " on line " +
                          std::to_string(loopLine)});
  }
  return limits;
}

}  // namespace quorbel
