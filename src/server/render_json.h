// The JSON documents of the web service, written byte for byte: keys in a fixed order, no
// white space anywhere, UTF-8 passed through unchanged.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/result.h"
#include "base/json_text.h"
#include "runner/runner.h"

namespace quorbel {

// [{"line":..,"signal":..,"cost":..},...]; the line stays a JSON string.
std::string renderJsonRows(const std::vector<Row>& rows);

// The /api/analyze document: notation, label, pattern, space{notation, label, pattern,
// signals, breakdown}, constraintBudget, constraints, lineCount, signals, breakdown, notes,
// saved, storageError only when `storageError` is not empty, "verdict" with `renderedVerdict`
// as its value when that is not empty, and last "cost": {"time": ..., "space": ...}, the costs
// the notations were formatted from as terms (server/render_cost_json.h), then "confidence":
// {"time": ..., "space": ...} ("high", "medium" or "low") and "assumptions": [{"line",
// "dimension", "text"}, ...], what the estimates assumed.
std::string renderJsonAnalysis(const Analysis& analysis, int lineCount, bool saved,
                               std::string_view storageError,
                               std::string_view renderedVerdict = "");
// The /api/run document: status, phase, stdout, stderr, compilerOutput, exitCode, timedOut,
// stdoutTruncated, stderrTruncated, compileMs, runMs, error only when not empty, signal,
// explanation, timeLimitMs, memoryLimitMb, memoryKb, verdict when judged, and for a request
// with tests: tests (each test's status, verdict, streams, exit, runMs, memoryKb, signal and
// explanation), passed and total.
std::string renderJsonRunResult(const RunResult& result);

}  // namespace quorbel
