// The parts of a loop the trip-count rules read (its comparisons, the variable it starts and
// how it steps) and the questions they ask about its surroundings (is the pointer reset inside
// the enclosing loop, does the enclosing loop push the stack this loop pops). Shared by the
// rules for counted loops (loops.cpp) and for while loops (while_loops.cpp).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/loops.h"

namespace quorbel {

// ---- Reading the parts of a loop ----

bool isIdentifierNamed(const Node& node, std::string_view name);
// Strips parentheses, condition clauses and casts.
Node unwrap(Node node);
// unwrap, and also conversions written as calls: ll(t), int(n), static_cast<int>(q).
Node unwrapConversions(const Model& model, Node node);

struct Comparison {
  Node left, right;
  std::string op;
};
// The comparisons joined by && in a condition.
void collectComparisons(const Node& condition, std::vector<Comparison>& out);
// The variable a for-initialiser starts, and its start value.
std::pair<std::string, Node> readInitialiser(const Node& init);

struct Update {
  std::string op;  // "++", "--", "+=", "-=", "*=", "/=", "<<=", ">>=", "submask", "lowbit"
  Node amount;
};
Update readUpdate(const Node& update, const std::string& variable);
bool isGeometric(const std::string& op);
// 2 * k, k * 2, k << 1, k + k, and any of them plus or or one: `variable` doubled, as a child
// of a binary heap or tree laid out in an array is.
bool isDoubled(const Node& value, std::string_view variable);
// The update of `variable` in a body; a halving or doubling one wins over a step by one.
Update findUpdateIn(const Node& body, const std::string& variable);
// The size of an array the body indexes with `variable`: bit[i] in a Fenwick loop.
Cost indexedArraySize(const Model& model, const Node& body, const std::string& variable);

// g[u] of g[u].size(), g[u].begin(), g[u].end(), (int)g[u].size() when g holds a list per
// slot; null for anything else.
Node nestedRow(const Model& model, const Node& expression);
// The share of one list `row` of a nested container per pass: the entries spread over the
// passes of the enclosing loop that walks the row's index, else over all the rows. A row's
// length kept apart (cnt[u] of t[u][cnt[u]++] = v) is t's row u.
Cost rowShare(const Model& model, const Node& row, const std::vector<EnclosingLoop>& frames);

// ---- Questions about the loop's surroundings ----

// for (x : a) { int k = v.size(); for (j = 0; j < k; j++) v.push_back(v[j] + x); }: the
// container whose size, taken before the loop in the pass of `enclosing` (or in the loop's
// header), bounds the loop while the loop pushes into it, so that every pass of `enclosing`
// doubles it. Empty for any other loop.
std::string doubledContainer(const Model& model, const Node& loop, const Node& bound,
                             const Node& enclosing);
// The value `name` is given in the loop's header, or else before the loop in the pass of
// `enclosing` (a null node: the header only); null when neither gives it one.
Node valueBefore(const Node& loop, std::string_view name, const Node& enclosing);
// for (i = 0; i < cnt[u]; i++), for (i = 0, k = cnt[u]; i < k; i++) with cnt the row lengths
// of a table (t[u][cnt[u]++] = v): the cnt[u] the loop is bound by, else null.
Node countedRow(const Model& model, const Node& loop, const Node& bound, const Node& enclosing);
// True when `variable` is declared, or assigned other than by ++/+=, inside `scope`.
bool resetInside(const Node& scope, const std::string& variable, const Node& exclude);
bool pushesInto(const Node& scope, const std::string& object, const Node& exclude);
// True when `scope` removes entries from `object`: pop_back, pop, pop_front.
bool popsFrom(const Node& scope, const std::string& object);
// The container a condition asks about: !q.empty(), q.size() > 1.
std::string testedContainer(const Node& condition);
// The adjacency list a body walks (for (auto v : adj[u]) or adj[u].size()), or empty.
std::string walkedAdjacency(const Model& model, const Node& body);
// The array the body writes with two or more subscripts (a grid a BFS fills), or empty.
std::string writtenGrid(const Model& model, const Node& body);
// The cells of `grid` the program's loops reach: n * m when some use grid[i][j] sits in for
// loops moving i up to n and j up to m, whatever capacity the grid was declared with; O(1)
// when no such use is found.
Cost loopBoundedCells(const Model& model, const std::string& grid);
// True when a loop body starts its marks over: memset, fill, assign, a fresh vector.
bool reinitialisesMarks(const Node& body);
// True when the body halves something: / 2 or >> 1.
bool assignsHalf(const Node& body);
// The enclosing loop whose variable is `name`, or null.
const EnclosingLoop* frameOf(const std::vector<EnclosingLoop>& frames, std::string_view name);
// True when a comparison in `condition` shifts by `variable` or raises to it: (1 << k) < n.
bool usesAsExponent(const Node& condition, const std::string& variable);
// n for a range of 2^n.
Cost exponentOfRange(const Cost& range);
// How many times `variable` multiplies itself in a bound test: i * i (2), pow(i, 5) (5).
int rootDegreeOf(const Model& model, const Node& side, const std::string& variable);

// True when the body stops at an entry marked before (if (T[j]) break;) and marks the entries it
// passes (T[j] = 1): the scans of the enclosing loop cover each entry once in all.
bool stopsAtMarks(const Node& body, const std::string& variable);

// The container a loop walks: the right side of a range-for, or the one the loop's variable
// indexes in `use` (q[i].r in a condition inside it); empty when there is none.
std::string walkedContainer(const EnclosingLoop& frame, const Node& use);
// True when the program sorts `container` with a comparator that divides (x.l / block): Mo's
// order, where pointers walk q * block + n * n / block in all.
bool sortedInBlocks(const Model& model, const std::string& container);

// The rules for while and do-while loops.
LoopFacts whileLoopFacts(const Model& model, const Node& loop,
                         const std::vector<EnclosingLoop>& frames,
                         const std::vector<LoopVariable>& vars);

}  // namespace quorbel
