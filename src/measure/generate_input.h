// An input for a program, written from its plan at a chosen size: n numbers after n, m pairs
// after m, a word of n letters, an n x m grid, per-test blocks after a test count of 1.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "measure/input_plan.h"

namespace quorbel {

struct GenerateOptions {
  double size = 16;       // every size grows to this (capped by its stated limit)
  std::string vary;       // when set, only this size grows; the others are held
  double heldSize = 100;  // the value of held sizes
  std::string shape;      // "", "tree", "permutation", "connected"
  uint64_t seed = 1;
  size_t maxBytes = 8u << 20;
  bool ignoreLimits = false;  // sizes pass their stated limits (values keep their ranges)
  // Test counts that grow with the sizes, each test as large as the sizes: the counts the
  // estimate multiplies by (limits per test). The others stay at one test.
  std::set<std::string> growingCounts;
  // Shapes tried after a crash or an invalid input at a small size, where the plan's guess
  // about a value's use was wrong: plain values without a stated range drawn within the least
  // size read so far (a value that indexes an array after all), positions drawn from 1 to
  // size - 1 (valid whether the program counts from 0 or from 1), n - 1 pairs of positions
  // of n forming a tree even where the program also loops between them (a path walked up to
  // the common ancestor).
  bool valuesWithinSizes = false;
  bool positionsEitherBase = false;
  bool pairsFormTrees = false;
  bool wordsOfDigits = false;  // words as decimal numbers (digit DP, stoi(s), s[i] - '0')
  // Values the estimate measures its work in (log a of a gcd, the digits of x): drawn up to
  // the grown size, which they take as a size of their own, so that their growth is timed.
  std::set<std::string> grownValues;
};

struct GeneratedInput {
  std::string text;
  std::map<std::string, double> sizes;  // the value each size took
  bool complete = true;                 // false when the input would pass maxBytes
  bool atLimit = false;                 // every growing size reached its stated limit
  std::string shapeUsed;                // "tree (n - 1 edges)", "permutation", ...
};

// The largest value each size of this plan can take: its stated limit (when `stated`), the
// extent of a fixed array a loop over it fills, the range of its type.
std::map<std::string, double> sizeCaps(const InputPlan& plan, const Model& model, bool stated);
double sizeCap(const InputPlan& plan, const Model& model, const std::string& size,
               bool stated = true);

// Where the growing sizes stop growing together: the least cap among them (test counts held at
// one do not count). Every growing size takes min(size, this).
double growthCap(const InputPlan& plan, const Model& model, const GenerateOptions& options);

// Writes one input. Deterministic for a seed. Never fails: an expression it cannot evaluate
// counts the grown size.
GeneratedInput generateInput(const InputPlan& plan, const Model& model,
                             const GenerateOptions& options);

}  // namespace quorbel
