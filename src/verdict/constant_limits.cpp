#include "verdict/constant_limits.h"

#include <cmath>
#include <map>

#include "base/limit_values.h"

namespace quorbel {
namespace {

// An array whose first length is a constant: "int a[maxN]" on line 4.
struct ConstantArray {
  std::string name;
  std::string dimension;  // as written: "maxN"
  double length = 0;
  int line = 0;
};

// By name; a name declared twice keeps its shorter array.
std::map<std::string, ConstantArray> constantArrays(const SourceFacts& facts) {
  std::map<std::string, ConstantArray> arrays;
  for (const SourceDeclaration& declaration : facts.declarations) {
    for (const Declarator& d : declaration.declarators) {
      if (d.extents.empty() || !d.extents[0].known) continue;
      const double length = d.extents[0].value;
      if (!std::isfinite(length) || length <= 0) continue;
      const auto known = arrays.find(d.name);
      if (known == arrays.end() || length < known->second.length)
        arrays[d.name] = {d.name, d.extents[0].written, length, declaration.line};
    }
  }
  return arrays;
}

}  // namespace

std::vector<ConstantLimit> readConstantLimits(const SourceFacts& facts,
                                              const std::vector<std::string>& sizes) {
  std::vector<ConstantLimit> limits;
  const std::map<std::string, ConstantArray> arrays = constantArrays(facts);
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
      for (const std::string& name : loop.indexed) {
        const auto array = arrays.find(name);
        if (array != arrays.end() && (best == nullptr || array->second.length < best->length)) {
          best = &array->second;
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
