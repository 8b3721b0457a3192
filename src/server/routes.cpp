#include "server/routes.h"

#include <cstdlib>
#include <utility>

#include "analysis/input_limit.h"
#include "analysis/pipeline.h"
#include "runner/runner.h"
#include "runner/runner_box.h"
#include "server/file_text.h"
#include "server/http_server.h"
#include "server/json_value.h"
#include "server/limit_request.h"
#include "server/measure_route.h"
#include "server/render_html.h"
#include "server/render_json.h"
#include "server/server_switches.h"
#include "server/static_files.h"
#include "syntax/text.h"
#include "verdict/verdict.h"
#include "verdict/verdict_report.h"

namespace quorbel {
namespace {

constexpr std::string_view kJsonType = "application/json; charset=utf-8";
constexpr std::string_view kTextType = "text/plain; charset=utf-8";
constexpr std::string_view kHtmlType = "text/html; charset=utf-8";
constexpr std::string_view kExpectedCode = "Expected JSON body with a string code field.";
constexpr std::string_view kCodeTooLarge =
    "The code is too large to analyze: the limit is 1 MB (1048576 bytes).";

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
  return respond(status, kJsonType, renderJsonRunResult(refused), kCorsHeaders);
}

bool isJsonContentType(const Request& request) {
  const auto header = request.headers.find("content-type");
  if (header == request.headers.end()) return false;
  return lowerCopy(header->second).find("application/json") != std::string::npos;
}

std::string formCode(const Request& request) {
  auto params = parseParams(request.body);
  const auto code = params.find("code");
  return code == params.end() ? std::string() : std::move(code->second);
}

struct SavedAnalysis {
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
  result.analysis = analyze(code);
  result.lineCount = countCodeLines(code);
  if (limits != nullptr &&
      !judgeAtLimits(result.analysis, *limits, result.verdict, result.limitError))
    return result;
  if (!save || !storageSaveEnabled() || trim(code).empty()) return result;
  result.saved = store.saveAnalysis(AnalysisRecord{code, result.analysis, result.lineCount});
  result.saveFailed = !result.saved;
  if (result.saveFailed) result.storageError = store.lastError();
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
        "{\"ok\":true,\"isolation\":" + jsonString(isolationName(runnerIsolation())) + "}",
        kCorsHeaders);
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
  std::string code;
  if (isJsonContentType(request)) {
    if (!jsonFieldString(request.body, "code", code)) {
      return jsonErrorResponse(400, kExpectedCode);
    }
  } else {
    code = formCode(request);
  }
  if (code.size() > kMaxAnalysisBytes) {
    return jsonErrorResponse(413, kCodeTooLarge);
  }
  GivenLimits limits;
  std::string limitError;
  if (isJsonContentType(request) && !readLimitRequest(request.body, limits, limitError)) {
    return jsonErrorResponse(400, limitError);
  }
  // "save": false judges the same code at other limits without another history row.
  JsonValue body;
  const JsonValue* save = parseJson(request.body, body) ? jsonMember(body, "save") : nullptr;
  const bool saving = save == nullptr || save->text != "false";
  const SavedAnalysis result = analyzeAndSave(code, store, &limits, saving);
  if (!result.limitError.empty()) return jsonErrorResponse(400, result.limitError);
  return respond(
      200, kJsonType,
      renderAnalysisJson(code, result.analysis, result.verdict, result.saved, result.storageError),
      kCorsHeaders);
}

Response routeRunApi(const Request& request) {
  if (!backendRunEnabled()) {
    return runRefusal(503, "internal_error", "C++ runner is not enabled.");
  }
  if (runnerValidationRequired() && !gRunnerValidatedOnStart) {
    return runRefusal(503, "internal_error",
                      "Runner Linux validation is required before execution.");
  }
  if (!runnerSecretAccepted(request.headers)) {
    return runRefusal(401, "internal_error", "Runner backend authorization failed.");
  }
  RunRequest run;
  if (!isJsonContentType(request) || !jsonFieldString(request.body, "code", run.code)) {
    return runRefusal(400, "bad_request", kExpectedCode);
  }
  jsonFieldString(request.body, "input", run.input);
  // A shorter time limit than the cap, in milliseconds; anything unreadable means the cap.
  JsonValue body;
  if (parseJson(request.body, body)) {
    const JsonValue* limit = jsonMember(body, "timeLimitMs");
    const double ms = limit != nullptr && limit->kind == JsonValue::Kind::kNumber
                          ? std::strtod(limit->text.c_str(), nullptr)
                          : 0;
    if (ms > 0 && ms < 1e9) run.timeLimitMs = static_cast<int64_t>(ms);
  }
  const RunResult result = runCppProgram(run);
  int status = 200;
  if (result.status == "bad_request") status = 400;
  if (result.status == "internal_error") status = 502;
  return respond(status, kJsonType, renderJsonRunResult(result), kCorsHeaders);
}

Response routeAnalyzeForm(const Request& request, AnalysisStore& store) {
  const std::string code = formCode(request);
  if (code.size() > kMaxAnalysisBytes) {
    return jsonErrorResponse(413, kCodeTooLarge);
  }
  SavedAnalysis result = analyzeAndSave(code, store);
  if (result.saveFailed) {
    result.analysis.notes.push_back("Analysis ran, but SQLite history was not saved: " +
                                    result.storageError);
  }
  return respond(200, kHtmlType, renderPage(code, result.analysis));
}

}  // namespace

Response jsonErrorResponse(int status, std::string_view message) {
  return respond(status, kJsonType, "{\"error\":" + jsonString(message) + "}", kCorsHeaders);
}

Response routeRequest(const Request& request, AnalysisStore& store) {
  const std::string& method = request.method;
  const std::string& path = request.path;
  const bool apiPath = path == "/api/analyze" || path == "/api/run" || path == "/api/measure";
  if (method == "OPTIONS" && apiPath) {
    return respond(204, kTextType, "", kCorsHeaders);
  }
  if (method == "GET") return routeGet(request);
  if (method == "POST" && path == "/api/analyze") return routeAnalyzeApi(request, store);
  if (path == "/api/run" && method != "POST") {
    RunResult refused;
    refused.status = "bad_request";
    refused.error = "Method not allowed.";
    return respond(405, kJsonType, renderJsonRunResult(refused),
                   std::string(kCorsHeaders) + "Allow: POST, OPTIONS\r\n");
  }
  if (method == "POST" && path == "/api/run") return routeRunApi(request);
  if (path == "/api/measure" && method != "POST")
    return respond(405, kJsonType,
                   "{\"status\":\"bad_request\",\"message\":\"Method not allowed.\"}",
                   std::string(kCorsHeaders) + "Allow: POST, OPTIONS\r\n");
  if (method == "POST" && path == "/api/measure") return routeMeasureApi(request, request.socket);
  if (method == "POST" && path == "/analyze") return routeAnalyzeForm(request, store);
  return respond(404, kTextType, "Not found\n");
}

}  // namespace quorbel
