#include "server/render_json.h"

#include <array>

#include "base/json_text.h"
#include "server/render_cost_json.h"

namespace quorbel {
namespace {

const char* boolWord(bool value) { return value ? "true" : "false"; }

// Appends ,"key":value with the value already rendered; the first key of an object is written
// by the caller so that no separator logic is needed.
void appendField(std::string& out, const char* key, std::string_view renderedValue) {
  out += ",\"";
  out += key;
  out += "\":";
  out += renderedValue;
}

// An array of objects with three string fields: the keys in order, `fields` giving the values.
template <typename Item, typename Fields>
std::string renderJsonObjects(const std::vector<Item>& items,
                              const std::array<const char*, 3>& keys, Fields fields) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ',';
    const std::array<const std::string*, 3> values = fields(items[i]);
    out += "{\"" + std::string(keys[0]) + "\":" + jsonString(*values[0]);
    appendField(out, keys[1], jsonString(*values[1]));
    appendField(out, keys[2], jsonString(*values[2]));
    out += '}';
  }
  out += ']';
  return out;
}

std::string renderJsonConstraints(const std::vector<ConstraintEstimate>& constraints) {
  return renderJsonObjects(
      constraints, {"variable", "maxValue", "assumption"}, [](const ConstraintEstimate& c) {
        return std::array<const std::string*, 3>{&c.variable, &c.maxValue, &c.assumption};
      });
}

// [{"line":39,"dimension":"time","text":"..."},...]; the line is a number, 0 for none.
std::string renderJsonAssumptions(const std::vector<Assumption>& assumptions) {
  std::string out = "[";
  for (const Assumption& a : assumptions) {
    if (out.size() > 1) out += ',';
    out += "{\"line\":" + std::to_string(a.line);
    appendField(out, "dimension", jsonString(a.dimension));
    appendField(out, "text", jsonString(a.text));
    out += '}';
  }
  return out + "]";
}

std::string renderJsonSpace(const SpaceSummary& space) {
  std::string out = "{\"notation\":" + jsonString(space.notation);
  appendField(out, "label", jsonString(space.label));
  appendField(out, "pattern", jsonString(space.pattern));
  appendField(out, "signals", renderJsonList(space.signals));
  appendField(out, "breakdown", renderJsonRows(space.breakdown));
  out += '}';
  return out;
}

}  // namespace

std::string renderJsonRows(const std::vector<Row>& rows) {
  return renderJsonObjects(rows, {"line", "signal", "cost"}, [](const Row& row) {
    return std::array<const std::string*, 3>{&row.line, &row.signal, &row.cost};
  });
}

std::string renderJsonAnalysis(const Analysis& analysis, int lineCount, bool saved,
                               std::string_view storageError, std::string_view renderedVerdict) {
  std::string out = "{\"notation\":" + jsonString(analysis.notation);
  appendField(out, "label", jsonString(analysis.label));
  appendField(out, "pattern", jsonString(analysis.pattern));
  appendField(out, "space", renderJsonSpace(analysis.space));
  appendField(out, "constraintBudget", jsonString(analysis.constraintBudget));
  appendField(out, "constraints", renderJsonConstraints(analysis.constraints));
  appendField(out, "lineCount", std::to_string(lineCount));
  appendField(out, "signals", renderJsonList(analysis.signals));
  appendField(out, "breakdown", renderJsonRows(analysis.breakdown));
  appendField(out, "notes", renderJsonList(analysis.notes));
  appendField(out, "parseErrorLine", std::to_string(analysis.parseErrorLine));
  appendField(out, "saved", boolWord(saved));
  if (!storageError.empty()) appendField(out, "storageError", jsonString(storageError));
  if (!renderedVerdict.empty()) appendField(out, "verdict", renderedVerdict);
  appendField(out, "cost",
              "{\"time\":" + renderJsonCost(analysis.timeCost) +
                  ",\"space\":" + renderJsonCost(analysis.spaceCost) + "}");
  appendField(out, "confidence",
              "{\"time\":" + jsonString(analysis.confidence.time) +
                  ",\"space\":" + jsonString(analysis.confidence.space) + "}");
  appendField(out, "assumptions", renderJsonAssumptions(analysis.assumptions));
  out += '}';
  return out;
}

namespace {

// One test of a run with tests: what its run did, without the compile's fields.
std::string renderJsonTestRun(const RunResult& run) {
  std::string out = "{\"status\":" + jsonString(run.status);
  if (!run.verdict.empty()) appendField(out, "verdict", jsonString(run.verdict));
  appendField(out, "stdout", jsonString(run.stdout));
  appendField(out, "stderr", jsonString(run.stderr));
  appendField(out, "exitCode", std::to_string(run.exitCode));
  appendField(out, "timedOut", boolWord(run.timedOut));
  appendField(out, "stdoutTruncated", boolWord(run.stdoutTruncated));
  appendField(out, "stderrTruncated", boolWord(run.stderrTruncated));
  appendField(out, "runMs", std::to_string(run.runMs));
  appendField(out, "memoryKb", std::to_string(run.memoryKb));
  if (!run.error.empty()) appendField(out, "error", jsonString(run.error));
  appendField(out, "signal", jsonString(run.signal));
  appendField(out, "explanation", jsonString(run.explanation));
  out += '}';
  return out;
}

}  // namespace

std::string renderJsonRunResult(const RunResult& result) {
  std::string out = "{\"status\":" + jsonString(result.status);
  appendField(out, "phase", jsonString(result.phase));
  appendField(out, "stdout", jsonString(result.stdout));
  appendField(out, "stderr", jsonString(result.stderr));
  appendField(out, "compilerOutput", jsonString(result.compilerOutput));
  appendField(out, "exitCode", std::to_string(result.exitCode));
  appendField(out, "timedOut", boolWord(result.timedOut));
  appendField(out, "stdoutTruncated", boolWord(result.stdoutTruncated));
  appendField(out, "stderrTruncated", boolWord(result.stderrTruncated));
  appendField(out, "compileMs", std::to_string(result.compileMs));
  appendField(out, "runMs", std::to_string(result.runMs));
  if (!result.error.empty()) appendField(out, "error", jsonString(result.error));
  appendField(out, "signal", jsonString(result.signal));
  appendField(out, "explanation", jsonString(result.explanation));
  appendField(out, "timeLimitMs", std::to_string(result.timeLimitMs));
  appendField(out, "memoryLimitMb", std::to_string(result.memoryLimitMb));
  appendField(out, "memoryKb", std::to_string(result.memoryKb));
  if (!result.verdict.empty()) appendField(out, "verdict", jsonString(result.verdict));
  if (result.total > 0) {
    std::string tests = "[";
    for (const RunResult& test : result.tests) {
      if (tests.size() > 1) tests += ',';
      tests += renderJsonTestRun(test);
    }
    appendField(out, "tests", tests + "]");
    appendField(out, "passed", std::to_string(result.passed));
    appendField(out, "total", std::to_string(result.total));
  }
  out += '}';
  return out;
}

}  // namespace quorbel
