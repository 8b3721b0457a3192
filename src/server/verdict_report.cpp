#include "server/verdict_report.h"

#include <cmath>
#include <cstdio>

#include "base/file_text.h"
#include "server/render_json.h"
#include "base/limit_values.h"

namespace quorbel {
namespace {

std::string statusWord(const std::string& status) {
  return status == "unknown" ? "no verdict" : status;
}

// JSON numbers: whole values below 10^15 in plain digits, others with ten significant digits;
// null for what is not finite.
std::string jsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  char buffer[64];
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.10g", value);
  }
  return buffer;
}

// A count carried as its logarithm, rounded to a whole number; null when not evaluated.
std::string jsonCount(bool evaluated, double log10Value) {
  if (!evaluated || std::isnan(log10Value) || log10Value > 300) return "null";
  return jsonNumber(std::round(std::pow(10.0, log10Value)));
}

// Builds {"a":..,"b":..} field by field.
class JsonObject {
 public:
  JsonObject& add(const char* key, const std::string& rendered) {
    text_ += (text_.empty() ? "{\"" : ",\"") + std::string(key) + "\":" + rendered;
    return *this;
  }
  JsonObject& text(const char* key, const std::string& value) {
    return add(key, jsonString(value));
  }
  std::string done() const { return text_.empty() ? "{}" : text_ + "}"; }

 private:
  std::string text_;
};

std::string renderSizes(const Verdict& verdict) {
  std::string out = "[";
  for (const SizeLimit& size : verdict.sizes) {
    if (out.size() > 1) out += ',';
    out += JsonObject()
               .text("name", size.name)
               .add("known", size.known ? "true" : "false")
               .add("value", size.known ? jsonNumber(size.value) : "null")
               .text("text", size.known ? formatLimitValue(size.value) : "")
               .text("origin", size.origin)
               .text("source", size.source)
               .done();
  }
  return out + "]";
}

std::string renderTime(const TimeVerdict& time) {
  return JsonObject()
      .text("status", time.status)
      .text("summary", time.summary)
      .text("expression", time.expression)
      .add("sizes", renderJsonList(time.sizes))
      .add("missing", renderJsonList(time.missing))
      .add("operations", jsonCount(time.evaluated, time.log10Operations))
      .add("operationsLog10", time.evaluated ? jsonNumber(time.log10Operations) : "null")
      .text("operationsText", time.operationsText)
      .text("evaluation", time.evaluation)
      .text("dominantTerm", time.dominantTerm)
      .add("dominantOperations", jsonCount(time.evaluated, time.log10DominantOperations))
      .text("dominantText", time.dominantText)
      .add("budget", jsonNumber(time.budget))
      .done();
}

std::string renderMemory(const MemoryVerdict& memory) {
  std::string items = "[";
  for (const MemoryItem& item : memory.items) {
    if (items.size() > 1) items += ',';
    items += JsonObject()
                 .text("line", item.line)
                 .text("what", item.what)
                 .add("counted", item.counted ? "true" : "false")
                 .add("bytes", item.counted ? jsonNumber(std::round(item.bytes)) : "null")
                 .text("text", item.text)
                 .done();
  }
  return JsonObject()
      .text("status", memory.status)
      .text("summary", memory.summary)
      .add("bytes", jsonNumber(std::round(memory.bytes)))
      .text("bytesText", memory.bytesText)
      .add("missing", renderJsonList(memory.missing))
      .add("items", items + "]")
      .done();
}

}  // namespace

std::vector<std::string> verdictLines(const Verdict& verdict) {
  std::vector<std::string> lines;
  for (const SizeLimit& size : verdict.sizes) {
    lines.push_back(size.known ? size.name + " = " + formatLimitValue(size.value) + " (" +
                                     size.source + ")"
                               : size.name + ": no limit");
  }
  lines.push_back("time limit: " + formatSeconds(verdict.timeLimitSeconds) + " (" +
                  verdict.timeLimitSource + "); memory limit: " +
                  formatMegabytes(verdict.memoryLimitMb) + " (" + verdict.memoryLimitSource + ")");
  if (!verdict.time.evaluation.empty()) lines.push_back("operations: " + verdict.time.evaluation);
  lines.push_back("time: " + verdict.time.summary);
  lines.push_back("memory: " + verdict.memory.summary);
  for (const MemoryItem& item : verdict.memory.items)
    lines.push_back("line " + item.line + ": " + item.what + ": " + item.text);
  for (const std::string& note : verdict.notes) lines.push_back("note: " + note);
  return lines;
}

void printVerdictSection(const Verdict& verdict, std::ostream& out) {
  out << "Verdict at the limits:\n";
  for (const std::string& line : verdictLines(verdict)) out << "  - " << line << '\n';
  out << '\n';
}

void printVerdictLine(const Verdict& verdict, std::ostream& out) {
  out << "Verdict: time " << statusWord(verdict.time.status) << ", memory "
      << statusWord(verdict.memory.status) << '\n';
}

std::string renderJsonVerdict(const Verdict& verdict) {
  return JsonObject()
      .add("sizes", renderSizes(verdict))
      .add("timeLimitSeconds", jsonNumber(verdict.timeLimitSeconds))
      .text("timeLimitSource", verdict.timeLimitSource)
      .add("memoryLimitMb", jsonNumber(verdict.memoryLimitMb))
      .text("memoryLimitSource", verdict.memoryLimitSource)
      .add("operationsPerSecond", jsonNumber(verdict.operationsPerSecond))
      .add("time", renderTime(verdict.time))
      .add("memory", renderMemory(verdict.memory))
      .add("notes", renderJsonList(verdict.notes))
      .done();
}

std::string renderAnalysisJson(std::string_view code, const Analysis& analysis,
                               const Verdict& verdict, bool saved, std::string_view storageError) {
  return renderJsonAnalysis(analysis, countCodeLines(code), saved, storageError,
                            renderJsonVerdict(verdict));
}

}  // namespace quorbel
