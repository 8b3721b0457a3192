// The textual pieces of a loop that the loop classifier and the nested-loop reduction read:
// header parts, conditions, update shapes and root-bound shapes.
#pragma once

#include <string>
#include <string_view>

#include "syntax/bound_symbols.h"

namespace quorbel {

// ---- Loop text pieces ----
// The text inside the first balanced parenthesis group of the loop text; the whole text when
// there is no '(' or no balance.
std::string whileCondition(std::string_view text);
// The initialiser, condition and update of a classic for header, untrimmed; empty when the
// text has no "for (...;...;...)" header.
std::string forInitializer(std::string_view text);
std::string forCondition(std::string_view text);
std::string forUpdate(std::string_view text);
// The iterator declared or assigned by an initialiser ("int i = 0" gives i); empty without '='.
std::string forIterator(std::string_view init);
// forIterator(init), else the single bound identifier of the condition's left, then right side.
std::string loopIteratorFromHeader(std::string_view init, std::string_view cond);
// The trimmed start value of `iterator` in an initialiser ("int i = n - 1" gives "n - 1");
// empty when the initialiser does not assign that iterator.
std::string forInitializerExpression(std::string_view init, std::string_view iterator);
// The side a loop runs up to: the left side for ">" and ">=", else the right; and the other.
std::string comparisonBoundSide(const Comparison& comparison);
std::string comparisonIteratorSide(const Comparison& comparison);
// The symbol of a condition's bound side (of the whole text without a comparison).
std::string inferBoundSymbol(std::string_view cond);

// ---- While-loop shapes ----
// A queue drain: ".empty()" and ".pop(" both appear.
bool isQueueTraversalText(std::string_view text);
// `while (t--)` gives t, `while (--k)` gives k.
bool decrementingWhileSymbol(std::string_view text, std::string& symbol);
// True when a top-level statement of the body halves `symbol` (s /= 2, s >>= 1, s = s / 2,
// s = s >> 1); a halving inside an if or a nested block does not count.
bool whileBodyUnconditionallyHalves(std::string_view text, std::string_view symbol);

// ---- Update shapes ----
// "*= 2", "/= 3", "<<=", ">>=", or "x = y * 2" / "x = y / 2".
bool multiplicativeUpdate(std::string_view text);
// The Fenwick step: `i += i & -i`, `i -= i & -i`, `i = i + (i & -i)`.
bool lowbitUpdate(std::string_view update, std::string_view iterator);
// `x *= x` or `x = x * x`.
bool selfPowerUpdate(std::string_view update);

// ---- Root bounds ----
// `i * i` gives i and 2, `i * i * i` gives i and 3; `i * j` is false.
bool poweredIteratorExpression(std::string_view expr, std::string& iterator, int& degree);
// `pow(i, 3)` (also std::, powl, powf) gives i and 3.
bool powIteratorExpression(std::string_view expr, std::string& iterator, int& degree);
// `i <= n / i`: iterSide is the single identifier i and boundSide divides some x by it;
// `root` gets x normalised and de-aliased.
bool divisionByIteratorBound(std::string_view iterSide, std::string_view boundSide,
                             std::string& iterator, std::string& root);

}  // namespace quorbel
