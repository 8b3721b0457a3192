// Models the header of a classic counted loop:
//   for (int j = i * i; j <= n; j += i)     iterator j, start "i * i", bound n, step by i
//   for (int j = 1; j < i; j *= 2)          multiplicative step
//   for (long long x = 2; x < n; x *= x)    self-power step
#include "detectors/loop_model.h"

#include <algorithm>

#include "detectors/dependent_loops.h"
#include "detectors/loop_recognisers.h"
#include "syntax/bound_symbols.h"
#include "syntax/text.h"

namespace quorbel {
namespace {

// The step text of `i += s`, `i -= s`, `i = i + s` or `i = s + i`; false when the update
// does not add to or subtract from the iterator.
bool additiveStep(std::string_view update, const std::string& iterator, std::string& step) {
  size_t plus = update.find("+=");
  size_t minus = update.find("-=");
  size_t compound = std::min(plus, minus);
  if (compound != std::string_view::npos &&
      lastUsefulIdentifier(update.substr(0, compound)) == iterator) {
    step = trim(update.substr(compound + 2));
    return true;
  }
  for (size_t equals = update.find('='); equals != std::string_view::npos;
       equals = update.find('=', equals + 1)) {
    if (lastUsefulIdentifier(update.substr(0, equals)) != iterator) continue;
    std::string rhs = trim(update.substr(equals + 1));
    size_t sign = rhs.find_first_of("+-");
    if (sign == std::string::npos) return false;
    std::string first = trim(std::string_view(rhs).substr(0, sign));
    std::string second = trim(std::string_view(rhs).substr(sign + 1));
    step = containsIdentifierToken(first, iterator) ? second : first;
    return true;
  }
  return false;
}

int stepKindOf(const std::string& update, const std::string& iterator, std::string& stepSymbol) {
  const bool mentions = containsIdentifierToken(update, iterator);
  if (mentions && selfPowerUpdate(update)) return kSelfPowerStep;
  if (mentions && multiplicativeUpdate(update)) return kMultiplicativeStep;
  if (mentions &&
      (update.find("++") != std::string::npos || update.find("--") != std::string::npos))
    return kConstantStep;
  std::string step;
  if (!additiveStep(update, iterator, step)) return kUnknownStep;
  if (isConstantBoundExpression(step)) return kConstantStep;
  if (expressionSingleSymbol(step, stepSymbol)) return kSymbolStep;
  return kUnknownStep;
}

}  // namespace

LoopModel extractForLoopModel(std::string_view text) {
  LoopModel model;
  const std::string init = forInitializer(text);
  const std::string cond = forCondition(text);
  const std::string update = forUpdate(text);
  model.iterator = forIterator(init);
  model.start = forInitializerExpression(init, model.iterator);
  if (model.iterator.empty() || model.start.empty()) return model;

  Comparison comparison = splitComparison(cond);
  if (!comparison.found) return model;
  model.comparison = comparison.op;
  const bool onLeft = containsIdentifierToken(comparison.left, model.iterator);
  const bool onRight = containsIdentifierToken(comparison.right, model.iterator);
  if (onLeft == onRight) return model;
  model.boundExpression = onLeft ? comparison.right : comparison.left;
  model.boundSymbol = symbolFromBoundExpression(model.boundExpression);

  std::string stepSymbol;
  model.stepKind = stepKindOf(update, model.iterator, stepSymbol);
  if (model.stepKind == kSymbolStep) model.stepSymbol = stepSymbol;
  model.valid = true;
  return model;
}

}  // namespace quorbel
