#include "server/render_json.h"

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

std::string renderJsonConstraints(const std::vector<ConstraintEstimate>& constraints) {
  std::string out = "[";
  for (size_t i = 0; i < constraints.size(); ++i) {
    if (i > 0) out += ',';
    out += "{\"variable\":" + jsonString(constraints[i].variable);
    appendField(out, "maxValue", jsonString(constraints[i].maxValue));
    appendField(out, "assumption", jsonString(constraints[i].assumption));
    out += '}';
  }
  out += ']';
  return out;
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

std::string jsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        out += "\\r";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (byte < 0x20) {
          out += "\\u00";
          out += kHex[byte >> 4];
          out += kHex[byte & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

std::string renderJsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ',';
    out += jsonString(items[i]);
  }
  out += ']';
  return out;
}

std::string renderJsonRows(const std::vector<Row>& rows) {
  std::string out = "[";
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) out += ',';
    out += "{\"line\":" + jsonString(rows[i].line);
    appendField(out, "signal", jsonString(rows[i].signal));
    appendField(out, "cost", jsonString(rows[i].cost));
    out += '}';
  }
  out += ']';
  return out;
}

std::string renderJsonAnalysis(const Analysis& analysis, int lineCount, bool saved,
                               std::string_view storageError) {
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
  appendField(out, "saved", boolWord(saved));
  if (!storageError.empty()) appendField(out, "storageError", jsonString(storageError));
  out += '}';
  return out;
}

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
  out += '}';
  return out;
}

}  // namespace quorbel
