#include "lsp/measure_message.h"

#include <cstdio>

#include "runner/runner.h"
#include "server/server_switches.h"

namespace quorbel {

std::optional<std::string> measureRefusal() {
  if (!backendRunEnabled())
    return "Measuring runs the program, and runs are turned off on this machine "
           "(QUORBEL_ENABLE_BACKEND_RUN).";
  return unboxedRunRefusal();
}

std::string measurementMessage(const Measurement& m) {
  std::string text = "quorbel measure: ";
  if (m.fit.decided) {
    char confidence[32];
    std::snprintf(confidence, sizeof confidence, "%.2f", m.fit.confidence);
    text += "measured O(" + m.fit.measured + ") (confidence " + confidence + "): " + m.comparison;
  } else {
    text += m.status;
  }
  if (!m.message.empty()) text += ". " + m.message;
  if (!m.stopReason.empty()) text += " Stopped: " + m.stopReason + ".";
  return text;
}

}  // namespace quorbel
