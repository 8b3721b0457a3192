// What a program reads, in the order it reads it, derived from the model: the values it
// extracts (cin >> a >> b, scanf("%d", &x), read(x), getline), the loops around them with the
// expressions that count their passes, the branches that choose between reads, and the
// assignments and container sizes those counts refer to. Each value read carries a role that
// says how to generate it: a size, a test count, a position in a container, one of the literals
// it is compared with, or a plain value in a range.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/model.h"

namespace quorbel {

enum class ValueType { kInteger, kReal, kChar, kWord, kLine };

enum class ValueRole {
  kSize,       // counts passes or sizes a container: grows with the measurement
  kTestCount,  // counts blocks that read sizes of their own: held at 1 unless varied
  kPosition,   // indexes a container or bounds a loop over one: within [base, size - 1 + base]
  kChoice,     // compared with literals (type == 1, op == '+'): one of those literals
  kValue,      // anything else: a value within `low`..`high`
};

struct PlanValue {
  std::string name;  // the variable read: "a" for a[i], "u" for e[i].u
  ValueType type = ValueType::kInteger;
  ValueRole role = ValueRole::kValue;
  double low = 1;  // kValue: the range; kPosition: low is the first position (0 or 1)
  double high = 1e9;
  std::string governingSize;     // kPosition: the size whose positions it takes
  std::vector<double> literals;  // kChoice; a kWord's letters when the program names them
  std::string lengthSize;        // kWord read as a size's worth of letters: that size
  bool rangeFromComment = false;
  std::string highName;     // 1 <= k <= n: at most what the size n took
  bool boundsLoop = false;  // kPosition: l or r of a range the program loops over
  // kPosition whose base the program does not show (a record's vertices): 1..size-1, a valid
  // position whether the program counts from 0 or from 1.
  bool eitherBase = false;
  bool takenDownByOne = false;  // kPosition: the program subtracts one (x--, a[x - 1])
  // kSize of a program that reads only numbers (cin >> n; factor n): the number is the work's
  // own measure, written as a prime, where trial division costs most.
  bool wholeNumber = false;
  // kPosition indexing an array declared with a fixed extent (int cnt[4]; cnt[x]++): that
  // extent, which bounds the position whatever the size.
  Node extent;
  // Where the read lands: the variable, the subscripts applied to it (g[i] of char g[N][M] is
  // 1) and the characters skipped (scanf("%s", s + 1) skips 1); a word must fit what is left.
  std::string base;
  int subscripts = 0;
  double offset = 0;
  int line = 0;
};

struct PlanStep {
  enum class Kind { kRead, kRepeat, kUntilEnd, kBranch, kAssign };
  Kind kind = Kind::kRead;
  PlanValue value;  // kRead
  // kRepeat: passes = count - start (+1 when inclusive); a range-for counts a container.
  Node count;
  Node start;
  bool inclusive = false;
  std::string container;            // range-for over this container, or kAssign of a container size
  Node condition;                   // kBranch
  std::vector<PlanStep> body;       // kRepeat, kUntilEnd, kBranch's then-part
  std::vector<PlanStep> otherwise;  // kBranch's else-part
  std::string target;               // kAssign: the scalar or container assigned
  Node expression;                  // kAssign
  int line = 0;
};

struct InputPlan {
  std::vector<PlanStep> steps;
  std::vector<std::string> sizes;  // every size read, in reading order (test counts included)
  std::vector<std::string> notes;  // what the plan had to guess
  bool readsInput = false;
};

// Walks main (and the functions it calls, each once per call site, a few deep) in order and
// records the reads. Never fails: a program without reads gives an empty plan.
InputPlan deriveInputPlan(const Model& model);

// The plan in one line, for reports and tests: "n:size n*(a:value)", "t:tests t*(n:size
// n*(a:pos1))", "s:word(s)", "until-end(x:value)", "if(q:choice | l:pos1 | k:value)".
std::string describePlan(const InputPlan& plan);

// The values read anywhere under the plan's steps, in order.
std::vector<const PlanValue*> planValues(const InputPlan& plan);

}  // namespace quorbel
