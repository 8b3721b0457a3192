// "Will it pass?": the finished analysis judged at the problem's limits. The limits come from
// the user, from a constraints comment in the source, or from named constants that size
// arrays, and each says where it came from; the time limit defaults to 1 second, the memory
// limit to 256 MB, and a second buys about 10^8 simple operations.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/result.h"

namespace quorbel {

// ---- What the user gives ----

// One value as typed, with the label that names it in messages ("--limit n=2e5", "limits.n").
struct GivenValue {
  std::string name;  // the size's name; empty for the time and memory limits
  std::string text;
  std::string label;
};

struct GivenLimits {
  std::vector<GivenValue> sizes;  // a later value for the same name wins
  std::optional<GivenValue> timeLimit;
  std::optional<GivenValue> memoryLimit;
};

// ---- The verdict ----

struct SizeLimit {
  std::string name;
  bool known = false;
  double value = 0;
  std::string origin;  // "given", "comment", "constant", or empty when unknown
  std::string
      source;  // "given", "constraints comment on line 3", "constant maxN = 200005 on line 3"
};

struct TimeVerdict {
  std::string status = "unknown";  // "fits", "tight", "too slow" or "unknown"
  std::string expression;          // the formula evaluated: "(n + q) * log n"
  std::vector<std::string> sizes;  // the names it uses
  bool evaluated = false;
  double log10Operations = 0;
  std::string operationsText;  // "about 5.3 million"
  std::string evaluation;      // "(n + q) * log n at n = 2*10^5, q = 10^5: about 5.3 million"
  std::string dominantTerm;    // "n * log n"; "60 * n" with the constant a fixed loop adds
  double log10DominantOperations = 0;
  std::string dominantText;          // "about 3.5 million"
  double budget = 0;                 // operations within the time limit
  std::vector<std::string> missing;  // sizes without a limit
  std::string summary;
};

struct MemoryItem {
  std::string line;  // "5", or "-" when the breakdown row has none
  std::string what;  // "int dp[5005][5005]"
  bool counted = false;
  double bytes = 0;
  std::string text;  // "about 100 MB", or why it is not counted
};

struct MemoryVerdict {
  std::string status = "unknown";  // "fits", "too much" or "unknown"
  double bytes = 0;                // the counted items together
  std::string bytesText;
  std::vector<MemoryItem> items;
  std::vector<std::string> missing;
  std::string summary;
};

struct Verdict {
  std::vector<SizeLimit> sizes;  // every size of the estimate, in first-seen order
  double timeLimitSeconds = 1;
  std::string timeLimitSource = "default";
  double memoryLimitMb = 256;
  std::string memoryLimitSource = "default";
  double operationsPerSecond = 1e8;
  TimeVerdict time;
  MemoryVerdict memory;
  std::vector<std::string> notes;
};

// Judges `analysis` at the limits, reading the program only through what the analysis carries.
// False, with a message naming the value, when a given value does not parse, is negative, above
// 10^18 or not whole, names no size of the estimate, or is a time or memory limit of 0; nothing is
// judged then.
bool judgeAtLimits(const Analysis& analysis, const GivenLimits& given, Verdict& verdict,
                   std::string& error);

}  // namespace quorbel
