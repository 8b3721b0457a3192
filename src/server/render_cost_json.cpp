#include "server/render_cost_json.h"

#include <cstdio>

#include "server/render_json.h"

namespace quorbel {
namespace {

std::string numberText(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6g", value);
  return buffer;
}

std::string renderFactor(const std::string& size, const Growth& g) {
  std::string name = size;
  std::string base;
  const size_t caret = size.find('^');
  if (g.sizedExponential && caret != std::string::npos) {
    base = size.substr(0, caret);
    name = size.substr(caret + 1);
  }
  return "{\"size\":" + jsonString(name) +
         ",\"power\":" + numberText(static_cast<double>(g.power) / kWholePower) +
         ",\"logs\":" + std::to_string(g.logs) + ",\"logLogs\":" + std::to_string(g.logLogs) +
         ",\"alphas\":" + std::to_string(g.alphas) + ",\"exponential\":" + numberText(g.expBase) +
         ",\"exponentialSize\":" + jsonString(base) +
         ",\"factorial\":" + (g.factorial ? "true" : "false") + "}";
}

}  // namespace

std::string renderJsonCost(const Cost& cost) {
  std::string out = "{\"terms\":[";
  for (size_t t = 0; t < cost.terms.size(); ++t) {
    out += t == 0 ? "{\"factors\":[" : ",{\"factors\":[";
    bool first = true;
    for (const auto& [size, growth] : cost.terms[t].sizes) {
      out += (first ? "" : ",") + renderFactor(size, growth);
      first = false;
    }
    out += "],\"constant\":" + numberText(cost.terms[t].constant) + "}";
  }
  return out + "]}";
}

}  // namespace quorbel
