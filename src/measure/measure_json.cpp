#include "measure/measure_json.h"

#include <cmath>
#include <cstdio>

#include "base/json_text.h"

namespace quorbel {
namespace {

std::string number(double value) {
  if (!std::isfinite(value)) return "null";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.6g", value);
  return buffer;
}

// Sizes are whole numbers however large: 1048576, never 1.04858e+06.
std::string integer(double value) {
  if (!std::isfinite(value)) return "null";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.0f", value);
  return buffer;
}

}  // namespace

std::string renderMeasurementJson(const Measurement& m, bool withInput, size_t inputLimit) {
  std::string json =
      "{\"status\":" + jsonString(m.status) + ",\"message\":" + jsonString(m.message);
  json += ",\"measured\":" +
          (m.fit.decided ? jsonString("O(" + m.fit.measured + ")") : std::string("null"));
  json += ",\"estimate\":" + jsonString(m.estimate);
  json += ",\"estimateClass\":" + jsonString(m.estimateClass);
  json += std::string(",\"agrees\":") + (m.agrees ? "true" : "false");
  json += ",\"comparison\":" + jsonString(m.comparison);
  json += ",\"confidence\":" + number(m.fit.confidence);
  json += ",\"undecided\":" + jsonString(m.fit.undecided);
  json += ",\"sizes\":" + renderJsonList(m.sizes);
  json += ",\"vary\":" + jsonString(m.vary);
  json += ",\"shape\":" + jsonString(m.shape);
  json += ",\"baselineSeconds\":" + number(m.fit.baseline);
  json += ",\"points\":[";
  for (size_t i = 0; i < m.runs.size(); ++i) {
    const SizeRun& run = m.runs[i];
    if (i > 0) json += ',';
    json += "{\"size\":" + integer(run.size) + ",\"sizes\":{";
    bool first = true;
    for (const auto& [name, value] : run.sizes) {
      json += (first ? "" : ",") + jsonString(name) + ":" + integer(value);
      first = false;
    }
    json += "},\"seconds\":[";
    for (size_t k = 0; k < run.seconds.size(); ++k) json += (k ? "," : "") + number(run.seconds[k]);
    json += "],\"best\":" + number(run.best) + ",\"inputBytes\":" + std::to_string(run.inputBytes) +
            ",\"blocks\":" + integer(run.blocks) + "}";
  }
  json += "],\"ranking\":[";
  for (size_t i = 0; i < m.fit.ranking.size(); ++i) {
    json += (i ? "," : "") + std::string("{\"class\":") + jsonString(m.fit.ranking[i].name) +
            ",\"error\":" + number(m.fit.ranking[i].error) + "}";
  }
  json += "],\"stopReason\":" + jsonString(m.stopReason);
  json += ",\"compileSeconds\":" + number(m.compileSeconds);
  json += ",\"notes\":" + renderJsonList(m.notes);
  if (withInput) {
    if (m.largestInput.size() <= inputLimit)
      json += ",\"largestInput\":" + jsonString(m.largestInput);
    json += ",\"largestInputBytes\":" + std::to_string(m.largestInput.size());
  }
  json += ",\"plan\":" + jsonString(m.plan);
  json += ",\"notGrown\":" + renderJsonList(m.notGrown);
  json += ",\"measuredBy\":" + jsonString(m.measuredBy);
  return json + "}";
}

}  // namespace quorbel
