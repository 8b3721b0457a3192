// The parsed header of a classic for loop: iterator, start, bound and step shape.
#pragma once

#include <string>
#include <string_view>

namespace quorbel {

enum LoopStepKind : int {
  kUnknownStep = 0,
  kConstantStep = 1,        // i++, i += 2
  kSymbolStep = 2,          // i += k, i = i + k
  kMultiplicativeStep = 3,  // i *= 2
  kSelfPowerStep = 4,       // x *= x
};

struct LoopModel {
  bool valid = false;  // iterator, start and a comparison with the iterator on exactly one side
  std::string iterator;
  std::string start;            // trimmed start value
  std::string boundExpression;  // the side of the condition without the iterator
  std::string boundSymbol;      // symbolFromBoundExpression(boundExpression)
  std::string comparison;       // the operator
  int stepKind = kUnknownStep;
  std::string stepSymbol;  // kSymbolStep only, normalised
};

// Models "for (init; cond; update)"; not valid for while loops, range-for loops, headers
// without an initialised iterator, or conditions naming the iterator on both or no side.
LoopModel extractForLoopModel(std::string_view text);

}  // namespace quorbel
