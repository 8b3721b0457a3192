// How large an expression's value can grow, in the program's sizes: the bound of a loop, the
// extent of an array, the argument of a call. `i < n` is bounded by n, `n * (n - 1) / 2` by n^2,
// `1 << n` by 2^n, `(int)v.size()` by the size of v; literals, moduli and unknown values by O(1).
#pragma once

#include <string>
#include <vector>

#include "cost/cost.h"
#include "model/model.h"

namespace quorbel {

// A loop variable in scope and the largest value it takes.
struct LoopVariable {
  std::string name;
  Cost range;
};

// The magnitude of an expression where `loops` are the enclosing loop variables.
Cost magnitudeOf(const Model& model, const Node& expression,
                 const std::vector<LoopVariable>& loops);
// The number of entries a container holds: its extents, what was read or pushed into it, or,
// for a parameter, the parameter itself (replaced by the argument at each call).
Cost containerSize(const Model& model, const std::string& name);
// g[0], g.front(), g.back(), g.at(0): the container one fixed row of which `expression` is;
// null otherwise.
Node fixedRowOwner(const Node& expression);
// The length of one row of a nested container: its second extent where its declaration gives
// one, else `name#row`, which a call replaces by its argument's row length.
Cost rowLength(const Model& model, const Symbol& symbol);
// The same, of the declaration `name` refers to where `use` stands (containerAt).
Cost containerSize(const Model& model, const std::string& name, const Node& use);
// The same, of one entry: the table's or a declaration's.
Cost containerSizeOf(const Model& model, const Symbol& symbol);
// What of an array's extents a traversal uses: each extent, or the program's own k-th input size
// where the k-th extent is a capacity constant (adj[maxN], grid[maxN][maxM]).
Cost usedExtent(const Model& model, const std::vector<Cost>& extents);
// The cells of a grid a traversal reaches: along each literal extent, the bound its indices are
// written below (loops over i < n, checks nx >= W), else the size usedExtent gives it.
Cost reachedCells(const Model& model, const Symbol& grid);
// ways[1 << K] with K = 18: a capacity fixed before the run, as a literal is, made of the
// constants whose subsets tables hold.
bool madeOfItemCounts(const Model& model, const Cost& extent);
// The vertex count and the edge count of an adjacency list `adj[u]` / `g[u]`.
Cost vertexCount(const Model& model, const std::string& name);
// Declared with its entries written out (Mat r = {{1, 0}, {0, 1}}, vector<int> v{1, 2, 3}).
bool listsItsEntries(const Symbol& symbol);
Cost edgeCount(const Model& model, const std::string& name);
// The arguments of a nested constructor: `(m, 0)` of `vector<int>(m, 0)`, also where the
// declaration parsed as a function's; null when `argument` constructs nothing.
Node constructorArguments(const Node& argument);
// The expression a call hands back as its value when it returns its first argument (gets(s),
// fgets(s, n, in), strcpy(d, s) give s and d); the expression itself otherwise.
Node passedThrough(const Node& expression);
// The name a container expression refers to: "a" for a, a.begin(), (a), all of `&a[0]`.
std::string containerName(const Node& expression);

}  // namespace quorbel
