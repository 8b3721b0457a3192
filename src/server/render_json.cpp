#include "server/render_json.h"

#include <array>

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

std::string renderJsonSpace(const SpaceSummary& space) {
  std::string out = "{\"notation\":" + jsonString(space.notation);
  appendField(out, "label", jsonString(space.label));
  appendField(out, "pattern", jsonString(space.pattern));
  appendField(out, "signals", renderJsonList(space.signals));
  appendField(out, "breakdown", renderJsonRows(space.breakdown));
  out += '}';
  return out;
}

// The length of the well-formed UTF-8 sequence starting at `at` (Unicode's table 3-7: no
// overlong forms, no surrogates, nothing above U+10FFFF); 0 when the bytes there are not one.
size_t utf8SequenceLength(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) {
    return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
  };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  const auto tail = [&](size_t i) { return byte(i) >= 0x80 && byte(i) <= 0xBF; };
  if (lead >= 0xC2 && lead <= 0xDF) return tail(1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
    return byte(1) >= low && byte(1) <= high && tail(2) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    const unsigned char low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
    return byte(1) >= low && byte(1) <= high && tail(2) && tail(3) ? 4 : 0;
  }
  return 0;
}

}  // namespace

std::string validUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const size_t length = utf8SequenceLength(text, at);
    if (length == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD for each byte that starts no sequence
      ++at;
      continue;
    }
    out.append(text.substr(at, length));
    at += length;
  }
  return out;
}

std::string jsonString(std::string_view raw) {
  static constexpr char kHex[] = "0123456789abcdef";
  // Program output and submitted code may hold any bytes; the JSON body must be UTF-8.
  const std::string text = validUtf8(raw);
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
  appendField(out, "signal", jsonString(result.signal));
  appendField(out, "explanation", jsonString(result.explanation));
  appendField(out, "timeLimitMs", std::to_string(result.timeLimitMs));
  appendField(out, "memoryLimitMb", std::to_string(result.memoryLimitMb));
  out += '}';
  return out;
}

}  // namespace quorbel
