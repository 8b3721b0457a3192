// `analyze` on arbitrary bytes: never crashes, never hangs (run with -timeout=5), and always
// answers with "O(...)" notations, a non-empty breakdown and at least one signal. The verdict
// at the source's own limits is always judged, and the time cost evaluates at 10^18.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "base/input_limit.h"
#include "analysis/pipeline.h"
#include "cost/cost_values.h"
#include "fuzz_checks.h"
#include "verdict/verdict.h"

using quorbel::fuzz::isBigO;
using quorbel::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Every caller refuses larger sources before analysing them.
  if (size > quorbel::kMaxAnalysisBytes) return 0;
  const std::string_view code(reinterpret_cast<const char*>(data), size);
  const quorbel::Analysis analysis = quorbel::analyze(code);

  require(isBigO(analysis.notation), "time notation is O(...)");
  require(isBigO(analysis.space.notation), "space notation is O(...)");
  require(!analysis.breakdown.empty(), "time breakdown is never empty");
  require(!analysis.signals.empty(), "time signals are never empty");
  require(!analysis.label.empty() && !analysis.pattern.empty(), "label and pattern are set");
  for (const quorbel::Row& row : analysis.breakdown) {
    require(isBigO(row.cost), "breakdown costs are O(...)");
    require(!row.line.empty(), "breakdown lines are set");
  }
  for (const quorbel::Row& row : analysis.space.breakdown)
    require(isBigO(row.cost), "space breakdown costs are O(...)");

  quorbel::Verdict verdict;
  std::string error;
  require(quorbel::judgeAtLimits(analysis, {}, verdict, error), "no given limits, nothing refused");
  require(verdict.timeLimitSeconds > 0 && verdict.memoryLimitMb > 0, "limits are positive");
  // Every cost evaluates at the largest size a limit may have.
  std::map<std::string, double> values;
  for (const std::string& name : quorbel::sizesInOrderShown(analysis.timeCost)) values[name] = 1e18;
  quorbel::log10OfCost(analysis.timeCost, values);
  return 0;
}
