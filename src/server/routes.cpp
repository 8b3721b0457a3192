#include "server/routes.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

#include "analysis/bounded_analysis.h"
#include "analysis/cpp_presence.h"
#include "base/analysis_bounds.h"
#include "base/file_text.h"
#include "base/input_limit.h"
#include "base/text.h"
#include "runner/runner.h"
#include "runner/runner_box.h"
#include "server/access_policy.h"
#include "server/http_server.h"
#include "server/json_value.h"
#include "server/limit_request.h"
#include "server/measure_route.h"
#include "server/render_html.h"
#include "server/render_json.h"
#include "server/run_gate.h"
#include "server/run_request.h"
#include "server/server_switches.h"
#include "server/static_files.h"
#include "server/verdict_report.h"
#include "verdict/verdict.h"

namespace quorbel {
namespace {

constexpr std::string_view kJsonType = "application/json; charset=utf-8";
constexpr std::string_view kTextType = "text/plain; charset=utf-8";
constexpr std::string_view kHtmlType = "text/html; charset=utf-8";
constexpr std::string_view kExpectedCode = "Expected JSON body with a string code field.";
constexpr std::string_view kCodeTooLarge =
    "The code is too large to analyze: the limit is 1 MB (1048576 bytes).";
constexpr std::string_view kEmptyCode = "The code is empty: nothing to analyze.";
constexpr const char* kStorageFailure = "The history database could not be written.";
// A bound of the analysis tripped, or the text is no C++: asking again would not help.
constexpr int kStoppedStatus = 422;
// A queue full now has room again within a run or two.
constexpr int kRetryAfterSeconds = 5;

Response respond(int status, std::string_view contentType, std::string body,
                 std::string_view extraHeaders = "") {
  return Response{status, std::string(contentType), std::move(body), std::string(extraHeaders)};
}

Response notFound() { return respond(404, kTextType, "Not found"); }

// A run that never started: the result's other fields keep their defaults.
Response runRefusal(int status, std::string_view statusWord, std::string_view error) {
  RunResult refused;
  refused.status = statusWord;
  refused.error = error;
  return respond(status, kJsonType, renderJsonRunResult(refused));
}

// The body as one JSON object, read by the one JSON parser; its top-level members are the
// request's fields. A refusal otherwise: 415 for another content type, 400 for bad JSON.
std::optional<Response> readJsonBody(const Request& request, JsonValue& document, bool forRun) {
  const auto refuse = [&](int status, std::string_view message) {
    return forRun ? runRefusal(status, "bad_request", message) : jsonErrorResponse(status, message);
  };
  if (!isJsonContentType(request)) return refuse(415, "Expected Content-Type: application/json.");
  if (!parseJson(request.body, document) || document.kind != JsonValue::Kind::kObject)
    return refuse(400, "Malformed JSON body: expected one JSON object.");
  return std::nullopt;
}

// A top-level string member; false when absent or of another kind.
bool stringMember(const JsonValue& document, std::string_view key, std::string& out) {
  const JsonValue* value = jsonMember(document, key);
  if (value == nullptr || value->kind != JsonValue::Kind::kString) return false;
  out = value->text;
  return true;
}

std::string formCode(const Request& request) {
  auto params = parseParams(request.body);
  const auto code = params.find("code");
  return code == params.end() ? std::string() : std::move(code->second);
}

struct SavedAnalysis {
  std::string stopped;  // "analysis stopped after ...": a bound tripped, nothing else is set
  std::string notCpp;   // why the text is no C++ (cpp_presence.h); nothing was judged or saved
  Analysis analysis;
  int lineCount = 0;
  bool saved = false;
  bool saveFailed = false;
  std::string storageError;  // the store's message when the save failed
  Verdict verdict;
  std::string limitError;  // a given limit that could not be judged; nothing was saved then
};

// Blank code is analysed but never saved: the history holds submissions, not empty forms.
// With `limits`, the verdict is judged before the save, so a refused limit saves nothing.
SavedAnalysis analyzeAndSave(const std::string& code, AnalysisStore& store,
                             const GivenLimits* limits = nullptr, bool save = true) {
  SavedAnalysis result;
  bool judged = true;
  BoundedAnalysis bounded = analyzeWithinBounds(code, [&](const Analysis& analysis) {
    if (limits != nullptr)
      judged = judgeAtLimits(analysis, *limits, result.verdict, result.limitError);
  });
  if (bounded.stopped) {
    result.stopped = *bounded.stopped;
    return result;
  }
  result.analysis = std::move(bounded.analysis);
  if (const std::optional<std::string> why = whyNotCpp(result.analysis)) {
    result.notCpp = *why;
    result.lineCount = countCodeLines(code);
    return result;
  }
  result.lineCount = countCodeLines(code);
  if (!judged) return result;
  if (!save || !storageSaveEnabled() || trim(code).empty()) return result;
  result.saved = store.saveAnalysis(AnalysisRecord{code, result.analysis, result.lineCount});
  result.saveFailed = !result.saved;
  if (result.saveFailed) {
    // The detail (paths, SQLite's words) goes to the server's log, not to the client.
    std::fprintf(stderr, "history save failed: %s\n", store.lastError().c_str());
    result.storageError = kStorageFailure;
  }
  return result;
}

Response serveStaticFile(const std::string& path) {
  const std::string file = "public" + path;
  std::string contents;
  if (!readRegularFile(file, contents)) return notFound();
  return respond(200, staticContentType(file), std::move(contents));
}

Response routeGet(const Request& request) {
  const std::string& path = request.path;
  if (path == "/healthz") {
    // "ok" stays the first key, so that callers matching {"ok":true, keep working.
    return respond(
        200, kJsonType,
        "{\"ok\":true,\"isolation\":" + jsonString(isolationName(runnerIsolation())) + "}");
  }
  if (path == "/styles.css") {
    return respond(200, "text/css; charset=utf-8", readFile("public/styles.css"));
  }
  if (isStaticFilePath(path)) return serveStaticFile(path);
  if (path == "/") return respond(200, kHtmlType, readFile("public/index.html"));
  if (path == "/ide") return respond(200, kHtmlType, renderIde());
  if (path == "/storage") return respond(200, kHtmlType, renderStorage());
  if (path == "/cli") return respond(200, kHtmlType, renderCli());
  if (path == "/complexity" || path == "/analyze") {
    return respond(200, kHtmlType, renderPage(""));
  }
  return notFound();
}

Response routeAnalyzeApi(const Request& request, AnalysisStore& store) {
  JsonValue document;
  if (std::optional<Response> refusal = readJsonBody(request, document, false)) return *refusal;
  std::string code;
  if (!stringMember(document, "code", code)) return jsonErrorResponse(400, kExpectedCode);
  if (code.size() > kMaxAnalysisBytes) {
    return jsonErrorResponse(413, kCodeTooLarge);
  }
  // As the command line refuses an empty file: there is nothing to estimate or judge.
  if (trim(code).empty()) return jsonErrorResponse(400, kEmptyCode);
  GivenLimits limits;
  std::string limitError;
  if (!readLimitRequest(document, limits, limitError)) {
    return jsonErrorResponse(400, limitError);
  }
  // "save": false judges the same code at other limits without another history row.
  const JsonValue* save = jsonMember(document, "save");
  const bool saving = save == nullptr || save->text != "false";
  const SavedAnalysis result = analyzeAndSave(code, store, &limits, saving);
  if (!result.stopped.empty()) return jsonErrorResponse(kStoppedStatus, result.stopped);
  if (!result.notCpp.empty()) return jsonErrorResponse(kStoppedStatus, result.notCpp);
  if (!result.limitError.empty()) return jsonErrorResponse(400, result.limitError);
  return respond(
      200, kJsonType,
      renderAnalysisJson(code, result.analysis, result.verdict, result.saved, result.storageError));
}

Response routeRunApi(const Request& request) {
  if (!backendRunEnabled()) {
    return runRefusal(503, "internal_error", "C++ runner is not enabled.");
  }
  if (runnerValidationRequired() && !gRunnerValidatedOnStart) {
    return runRefusal(503, "internal_error",
                      "Runner Linux validation is required before execution.");
  }
  if (const std::optional<std::string> refusal = runAccessRefusal(request)) {
    return runRefusal(403, "bad_request", *refusal);
  }
  if (!runnerSecretAccepted(request.headers)) {
    return runRefusal(401, "internal_error", "Runner backend authorization failed.");
  }
  if (const std::optional<std::string> unboxed = unboxedRunRefusal()) {
    return runRefusal(503, "internal_error", *unboxed);
  }
  JsonValue document;
  if (std::optional<Response> refusal = readJsonBody(request, document, true)) return *refusal;
  RunRequest run;
  std::string requestError;
  if (!readRunRequest(document, run, requestError))
    return runRefusal(400, "bad_request", requestError);
  RunGate& gate = processRunGate();
  if (!gate.enter()) {
    // routeRequest adds the CORS block: a second one would make browsers drop the answer.
    Response busy = runRefusal(429, "internal_error", kRunsBusyMessage);
    busy.extraHeaders = retryAfterHeader();
    return busy;
  }
  const HeldBox held(gate);
  const RunResult result = runCppProgram(run);
  int status = 200;
  if (result.status == "bad_request") status = 400;
  if (result.status == "internal_error") status = 502;
  return respond(status, kJsonType, renderJsonRunResult(result));
}

Response routeAnalyzeForm(const Request& request, AnalysisStore& store) {
  const std::string code = formCode(request);
  if (code.size() > kMaxAnalysisBytes) {
    return jsonErrorResponse(413, kCodeTooLarge);
  }
  // Another site's page may post this form without the user knowing: it gets its answer, but
  // fills no one's history.
  SavedAnalysis result = analyzeAndSave(code, store, nullptr, !isCrossSiteRequest(request));
  if (!result.stopped.empty()) return respond(kStoppedStatus, kTextType, result.stopped + "\n");
  // The result page has no verdict to withhold: it says why there is no estimate instead.
  if (!result.notCpp.empty())
    result.analysis.notes.insert(result.analysis.notes.begin(), result.notCpp);
  if (result.saveFailed) {
    result.analysis.notes.push_back("Analysis ran, but SQLite history was not saved: " +
                                    result.storageError);
  }
  std::string page;
  const std::optional<std::string> stopped = runWithinBounds(
      analysisBoundsFromEnvironment(), [&] { page = renderPage(code, result.analysis); });
  if (stopped) return respond(kStoppedStatus, kTextType, *stopped + "\n");
  return respond(200, kHtmlType, std::move(page));
}

Response routeWithoutCors(const Request& request, AnalysisStore& store) {
  const std::string& method = request.method;
  const std::string& path = request.path;
  const bool apiPath = path == "/api/analyze" || path == "/api/run" || path == "/api/measure";
  if (method == "OPTIONS" && apiPath) {
    return respond(204, kTextType, "");
  }
  if (method == "GET") return routeGet(request);
  if (method == "POST" && path == "/api/analyze") return routeAnalyzeApi(request, store);
  if (path == "/api/run" && method != "POST") {
    RunResult refused;
    refused.status = "bad_request";
    refused.error = "Method not allowed.";
    return respond(405, kJsonType, renderJsonRunResult(refused), "Allow: POST, OPTIONS\r\n");
  }
  if (method == "POST" && path == "/api/run") return routeRunApi(request);
  if (path == "/api/measure" && method != "POST")
    return respond(405, kJsonType,
                   "{\"status\":\"bad_request\",\"message\":\"Method not allowed.\"}",
                   "Allow: POST, OPTIONS\r\n");
  if (method == "POST" && path == "/api/measure") return routeMeasureApi(request, request.socket);
  if (method == "POST" && path == "/analyze") return routeAnalyzeForm(request, store);
  return respond(404, kTextType, "Not found\n");
}

}  // namespace

Response jsonErrorResponse(int status, std::string_view message) {
  return respond(status, kJsonType, "{\"error\":" + jsonString(message) + "}");
}

Response busyResponse(const Request& request, int status, std::string_view message) {
  Response response = request.path == "/api/run" ? runRefusal(status, "internal_error", message)
                                                 : jsonErrorResponse(status, message);
  response.extraHeaders = corsHeaders(request) + retryAfterHeader();
  return response;
}

std::string retryAfterHeader() {
  return "Retry-After: " + std::to_string(kRetryAfterSeconds) + "\r\n";
}

Response routeRequest(const Request& request, AnalysisStore& store) {
  Response response = routeWithoutCors(request, store);
  // The API and the health probe carry the CORS grant, for allowed origins only.
  if (request.path == "/api/analyze" || request.path == "/api/run" ||
      request.path == "/api/measure" || request.path == "/healthz")
    response.extraHeaders = corsHeaders(request) + response.extraHeaders;
  return response;
}

}  // namespace quorbel
