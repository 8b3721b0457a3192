#include "server/measure_route.h"

#include <poll.h>
#include <sys/socket.h>

#include "measure/measure_json.h"
#include "runner/runner.h"
#include "server/access_policy.h"
#include "server/http_server.h"
#include "server/json_value.h"
#include "server/routes.h"
#include "server/run_gate.h"
#include "server/server_switches.h"

namespace quorbel {
namespace {

// Within the runner's own per-run CPU limit of 3 s, with room for a second repetition.
constexpr double kMaxBudgetSeconds = 1.5;
// Every generated input fits (generate_input.h caps them at 8 MB): the page offers it whole.
constexpr size_t kMaxInputBytes = 8u << 20;

Response measureRefusal(int status, const std::string& statusWord, const std::string& message) {
  Measurement refused;
  refused.status = statusWord;
  refused.message = message;
  return Response{status, "application/json; charset=utf-8", renderMeasurementJson(refused, false),
                  ""};
}

// A client that closed its end (or reset it) reads as end of file or an error; one that is
// only waiting for the answer has nothing to read.
bool clientGone(int socket) {
  if (socket < 0) return false;
  pollfd polled{socket, static_cast<short>(POLLIN | POLLRDHUP), 0};
  if (poll(&polled, 1, 0) <= 0) return false;
  if (polled.revents & (POLLRDHUP | POLLHUP | POLLERR)) return true;
  char byte;
  return recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

}  // namespace

Response routeMeasureApi(const Request& request, int clientSocket) {
  if (!backendRunEnabled())
    return measureRefusal(503, "refused",
                          "Measuring runs the program, and the C++ runner is not enabled on this "
                          "server (QUORBEL_ENABLE_BACKEND_RUN); the static estimate stands alone.");
  if (runnerValidationRequired() && !gRunnerValidatedOnStart)
    return measureRefusal(503, "refused", "Runner Linux validation is required before execution.");
  // It runs the program: the same doors as /api/run.
  if (const std::optional<std::string> refusal = runAccessRefusal(request))
    return measureRefusal(403, "refused", *refusal);
  if (!runnerSecretAccepted(request.headers))
    return measureRefusal(401, "refused", "Runner backend authorization failed.");
  if (const std::optional<std::string> unboxed = unboxedRunRefusal())
    return measureRefusal(503, "refused", *unboxed);
  // A cross-site page may post text/plain without asking first: only JSON is read.
  if (!isJsonContentType(request))
    return measureRefusal(415, "bad_request", "Expected Content-Type: application/json.");
  JsonValue body;
  const JsonValue* code = nullptr;
  if (parseJson(request.body, body)) code = jsonMember(body, "code");
  if (code == nullptr || code->kind != JsonValue::Kind::kString)
    return measureRefusal(400, "bad_request", "Expected a JSON body with a code field.");
  MeasureOptions options;
  if (const JsonValue* budget = jsonMember(body, "budgetSeconds")) {
    double seconds = 0;
    try {
      seconds = budget->kind == JsonValue::Kind::kNumber ? std::stod(budget->text) : 0;
    } catch (...) {
      seconds = 0;
    }
    if (!(seconds > 0 && seconds <= kMaxBudgetSeconds))
      return measureRefusal(400, "bad_request",
                            "budgetSeconds must be a number above 0 and at most 1.5.");
    options.budgetSeconds = seconds;
  }
  for (const auto& [key, target] :
       {std::pair<const char*, std::string*>{"vary", &options.vary}, {"shape", &options.shape}}) {
    const JsonValue* value = jsonMember(body, key);
    if (value != nullptr && value->kind == JsonValue::Kind::kString) *target = value->text;
  }
  options.cancelled = [clientSocket] { return clientGone(clientSocket); };
  // A measurement holds a box for all its runs: it waits its turn with the runs.
  RunGate& gate = processRunGate();
  if (!gate.enter()) {
    Response busy = measureRefusal(429, "refused", std::string(kRunsBusyMessage));
    busy.extraHeaders = retryAfterHeader();
    return busy;
  }
  const HeldBox held(gate);
  const Measurement measurement = measureProgram(code->text, options);
  int status = 200;
  if (measurement.status == "bad_request") status = 400;
  // As /api/analyze answers a tripped bound: asking again would not help.
  if (measurement.status == "analysis_stopped") status = 422;
  if (measurement.status == "internal_error") status = 502;
  return Response{status, "application/json; charset=utf-8",
                  renderMeasurementJson(measurement, true, kMaxInputBytes), ""};
}

}  // namespace quorbel
