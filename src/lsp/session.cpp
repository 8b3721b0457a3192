#include "lsp/session.h"

#include <cstdio>
#include <cstdlib>

#include "base/json_text.h"
#include "lsp/editor_messages.h"
#include "lsp/editor_settings.h"
#include "lsp/measure_message.h"
#include "lsp/positions.h"

namespace quorbel {
namespace {

constexpr const char* kMeasureCommand = "quorbel.measure";
constexpr int kMessageError = 1;
constexpr int kMessageWarning = 2;
constexpr int kMessageInfo = 3;

// ---- Reading params ----

const JsonValue* memberAt(const JsonValue& value, std::initializer_list<const char*> path) {
  const JsonValue* at = &value;
  for (const char* key : path) {
    at = jsonMember(*at, key);
    if (at == nullptr) return nullptr;
  }
  return at;
}

std::optional<std::string> stringAt(const JsonValue& value,
                                    std::initializer_list<const char*> path) {
  const JsonValue* at = memberAt(value, path);
  if (at == nullptr || at->kind != JsonValue::Kind::kString) return std::nullopt;
  return at->text;
}

// A whole number from 0 to 2^31 - 1, as positions and versions are.
std::optional<int> intAt(const JsonValue& value, std::initializer_list<const char*> path) {
  const JsonValue* at = memberAt(value, path);
  if (at == nullptr || at->kind != JsonValue::Kind::kNumber ||
      at->text.find_first_not_of("0123456789") != std::string::npos || at->text.size() > 10)
    return std::nullopt;
  const long long number = std::atoll(at->text.c_str());
  if (number > 0x7fffffff) return std::nullopt;
  return static_cast<int>(number);
}

std::optional<TextPosition> positionAt(const JsonValue& params) {
  const std::optional<int> line = intAt(params, {"position", "line"});
  const std::optional<int> character = intAt(params, {"position", "character"});
  if (!line || !character) return std::nullopt;
  return TextPosition{*line, *character};
}

std::optional<TextRange> rangeAt(const JsonValue& value) {
  const std::optional<int> startLine = intAt(value, {"range", "start", "line"});
  const std::optional<int> startCharacter = intAt(value, {"range", "start", "character"});
  const std::optional<int> endLine = intAt(value, {"range", "end", "line"});
  const std::optional<int> endCharacter = intAt(value, {"range", "end", "character"});
  if (!startLine || !startCharacter || !endLine || !endCharacter) return std::nullopt;
  return TextRange{{*startLine, *startCharacter}, {*endLine, *endCharacter}};
}

// The capabilities answered to `initialize`; inlay hints only to a client that has them.
std::string capabilities(bool inlayHints) {
  std::string text = R"({"capabilities":{"textDocumentSync":1,"hoverProvider":true,)"
                     R"("codeLensProvider":{"resolveProvider":false},)";
  if (inlayHints) text += R"("inlayHintProvider":true,)";
  text += R"("executeCommandProvider":{"commands":[")" + std::string(kMeasureCommand) +
          R"("]}},"serverInfo":{"name":"quorbel","version":"1.0"}})";
  return text;
}

}  // namespace

// ---- Lifecycle ----

LspSession::LspSession(SendMessage send, SessionOptions options)
    : send_(std::move(send)), options_(options), analyses_([this] { runAnalyses(); }) {}

LspSession::~LspSession() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  analyses_.join();
  if (measurement_.joinable()) measurement_.join();
}

int LspSession::statusAtEndOfInput() const { return shutdownRequested_ ? 0 : 1; }

void LspSession::answerBadFrame(const std::string& problem) {
  send_(renderRpcError({kRpcParseError, "unreadable message header: " + problem, "null"}));
}

std::optional<int> LspSession::handleMessage(std::string_view body) {
  RpcMessage message;
  RpcError error;
  if (!readRpcMessage(body, message, error)) {
    send_(renderRpcError(error));
    return std::nullopt;
  }
  if (message.kind == RpcKind::kResponse) return std::nullopt;  // the server asks nothing
  if (message.kind == RpcKind::kNotification) {
    if (message.method == "exit") return statusAtEndOfInput();
    try {
      if (initialized_ && !shutdownRequested_) dispatchNotification(message);
    } catch (const std::exception& failure) {
      std::fprintf(stderr, "quorbel lsp: %s: %s\n", message.method.c_str(), failure.what());
    }
    return std::nullopt;
  }
  try {
    if (message.method == "initialize" && !initialized_) {
      initialized_ = true;
      reply(message, initialize(message.params));
    } else if (!initialized_) {
      replyError(message, kRpcServerNotInitialized, "the server is not initialized yet");
    } else if (shutdownRequested_) {
      replyError(message, kRpcInvalidRequest, "the server is shutting down");
    } else {
      dispatchRequest(message);
    }
  } catch (const std::exception& failure) {
    // One request that could not be served (out of memory) does not end the session.
    replyError(message, kRpcInternalError, failure.what());
  }
  return std::nullopt;
}

std::string LspSession::initialize(const JsonValue& params) {
  if (const JsonValue* options = jsonMember(params, "initializationOptions")) {
    GivenLimits limits;
    std::string error;
    if (readEditorLimits(*options, limits, error)) {
      std::lock_guard<std::mutex> lock(mutex_);
      limits_ = std::move(limits);
    } else {
      showMessage(kMessageWarning, "quorbel: initializationOptions: " + error);
    }
  }
  return capabilities(memberAt(params, {"capabilities", "textDocument", "inlayHint"}) != nullptr);
}

// ---- Dispatch ----

void LspSession::dispatchRequest(const RpcMessage& message) {
  const std::string& method = message.method;
  if (method == "shutdown") {
    shutdownRequested_ = true;
    reply(message, "null");
    return;
  }
  if (method == "workspace/executeCommand") {
    if (stringAt(message.params, {"command"}) != kMeasureCommand)
      return replyError(message, kRpcInvalidParams, "unknown command");
    // The answer comes at once; what the measurement finds, as a message when it ends.
    reply(message, "null");
    return startMeasurement(message.params);
  }
  const bool known = method == "textDocument/hover" || method == "textDocument/codeLens" ||
                     method == "textDocument/inlayHint";
  if (!known) return replyError(message, kRpcMethodNotFound, "unknown method " + method);
  const std::optional<std::string> uri = stringAt(message.params, {"textDocument", "uri"});
  if (!uri) return replyError(message, kRpcInvalidParams, "expected textDocument.uri");
  if (method == "textDocument/hover") {
    const std::optional<TextPosition> position = positionAt(message.params);
    if (!position) return replyError(message, kRpcInvalidParams, "expected a position");
    const auto document = currentAnalysis(*uri);
    return reply(message, document ? renderHover(*document, *position) : "null");
  }
  if (method == "textDocument/codeLens") {
    const auto document = currentAnalysis(*uri);
    return reply(message, document ? renderCodeLenses(*document) : "[]");
  }
  const std::optional<TextRange> range = rangeAt(message.params);
  if (!range) return replyError(message, kRpcInvalidParams, "expected a range");
  const auto document = currentAnalysis(*uri);
  reply(message, document ? renderInlayHints(*document, range->start.line, range->end.line) : "[]");
}

void LspSession::dispatchNotification(const RpcMessage& message) {
  if (message.method == "textDocument/didOpen") openOrChange(message.params, true);
  if (message.method == "textDocument/didChange") openOrChange(message.params, false);
  if (message.method == "textDocument/didClose") closeDocumentOf(message.params);
  if (message.method == "workspace/didChangeConfiguration") changeSettings(message.params);
  // Everything else (initialized, didSave, $/cancelRequest, $/setTrace) needs nothing.
}

// ---- Documents ----

void LspSession::openOrChange(const JsonValue& params, bool opened) {
  const std::optional<std::string> uri = stringAt(params, {"textDocument", "uri"});
  const int version = intAt(params, {"textDocument", "version"}).value_or(0);
  if (!uri) return;
  std::optional<std::string> text;
  if (opened) text = stringAt(params, {"textDocument", "text"});
  std::lock_guard<std::mutex> lock(mutex_);
  const auto open = queue_.documents.find(*uri);
  if (!opened) {
    const JsonValue* changes = jsonMember(params, "contentChanges");
    if (open == queue_.documents.end() || changes == nullptr ||
        changes->kind != JsonValue::Kind::kArray)
      return;
    // Whole texts as asked for; ranged changes, from a client that sends them anyway, applied
    // in order.
    std::string changed = open->second.text;
    for (const JsonValue& change : changes->items) {
      const std::optional<std::string> replacement = stringAt(change, {"text"});
      if (!replacement) continue;
      const std::optional<TextRange> range = rangeAt(change);
      changed = range ? applyRangedChange(changed, *range, *replacement) : *replacement;
    }
    text = std::move(changed);
  }
  if (!text) return;
  const LspClock::time_point now = LspClock::now();
  noteDocumentText(queue_, *uri, std::move(*text), version, opened ? now : now + options_.debounce);
  wake_.notify_all();
}

void LspSession::closeDocumentOf(const JsonValue& params) {
  const std::optional<std::string> uri = stringAt(params, {"textDocument", "uri"});
  if (!uri) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!queue_.documents.contains(*uri)) return;
  closeDocument(queue_, *uri);
  cache_.erase(*uri);
  // What was shown for a closed file goes with it.
  send_(renderRpcNotification("textDocument/publishDiagnostics",
                              "{\"uri\":" + jsonString(*uri) + ",\"diagnostics\":[]}"));
}

void LspSession::changeSettings(const JsonValue& params) {
  const JsonValue* settings = jsonMember(params, "settings");
  if (settings == nullptr) return;
  GivenLimits limits;
  std::string error;
  if (!readEditorLimits(*settings, limits, error)) {
    showMessage(kMessageWarning, "quorbel: settings: " + error);
    return;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  limits_ = std::move(limits);
  requeueDocuments(queue_, LspClock::now());
  wake_.notify_all();
}

std::shared_ptr<const DocumentAnalysis> LspSession::currentAnalysis(const std::string& uri) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto open = queue_.documents.find(uri);
  if (open == queue_.documents.end()) return nullptr;
  const long revision = open->second.revision;
  const auto cached = cache_.find(uri);
  if (cached != cache_.end() && cached->second.revision == revision) return cached->second.analysis;
  std::string text = open->second.text;
  const GivenLimits limits = limits_;
  lock.unlock();
  auto fresh = std::make_shared<const DocumentAnalysis>(analyseDocument(std::move(text), limits));
  lock.lock();
  if (isCurrentRevision(queue_, uri, revision)) cache_[uri] = {revision, fresh};
  return fresh;
}

// ---- The analysis thread ----

void LspSession::runAnalyses() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    std::optional<AnalysisJob> job = takeDueAnalysis(queue_, LspClock::now());
    if (!job) {
      if (const std::optional<LspClock::time_point> next = nextDueTime(queue_))
        wake_.wait_until(lock, *next);
      else
        wake_.wait(lock);
      continue;
    }
    const GivenLimits limits = limits_;
    lock.unlock();
    auto document =
        std::make_shared<const DocumentAnalysis>(analyseDocument(std::move(job->text), limits));
    lock.lock();
    // A newer edit, new limits or a close while it ran: its own analysis is due or unwanted.
    if (stopping_ || !isCurrentRevision(queue_, job->uri, job->revision)) continue;
    cache_[job->uri] = {job->revision, document};
    send_(renderRpcNotification("textDocument/publishDiagnostics",
                                renderDiagnosticsParams(job->uri, job->version, *document)));
  }
}

// ---- Measuring ----

void LspSession::startMeasurement(const JsonValue& params) {
  // The file is the command's first argument: its URI, or an object holding it.
  std::optional<std::string> uri;
  if (const JsonValue* arguments = jsonMember(params, "arguments");
      arguments != nullptr && arguments->kind == JsonValue::Kind::kArray &&
      !arguments->items.empty()) {
    const JsonValue& first = arguments->items.front();
    uri = first.kind == JsonValue::Kind::kString ? std::optional(first.text)
                                                 : stringAt(first, {"uri"});
  }
  if (const std::optional<std::string> refusal = measureRefusal())
    return showMessage(kMessageWarning, "quorbel measure: " + *refusal);
  // The measurement analyses the program again, outside the bounds (its runs take longer than
  // they allow): only a program whose bounded analysis finished goes on to it.
  const auto document = uri ? currentAnalysis(*uri) : nullptr;
  if (document == nullptr)
    return showMessage(kMessageError, "quorbel measure: the file is not open");
  if (!document->refusal.empty())
    return showMessage(kMessageError, "quorbel measure: " + document->refusal);
  std::unique_lock<std::mutex> lock(mutex_);
  if (measuring_) {
    lock.unlock();
    return showMessage(kMessageInfo, "quorbel measure: a measurement is already running");
  }
  measuring_ = true;
  std::string code = document->text;
  lock.unlock();
  if (measurement_.joinable()) measurement_.join();
  showMessage(kMessageInfo, "quorbel measure: compiling and running the program...");
  measurement_ = std::thread([this, code = std::move(code)] {
    MeasureOptions options;
    options.cancelled = [this] {
      std::lock_guard<std::mutex> guard(mutex_);
      return stopping_;
    };
    const Measurement measured = measureProgram(code, options);
    std::lock_guard<std::mutex> guard(mutex_);
    measuring_ = false;
    if (!stopping_)
      send_(renderRpcNotification("window/showMessage",
                                  "{\"type\":" + std::to_string(kMessageInfo) + ",\"message\":" +
                                      jsonString(measurementMessage(measured)) + "}"));
  });
}

// ---- Sending ----

void LspSession::showMessage(int type, const std::string& text) {
  send_(renderRpcNotification("window/showMessage", "{\"type\":" + std::to_string(type) +
                                                        ",\"message\":" + jsonString(text) + "}"));
}

void LspSession::reply(const RpcMessage& request, const std::string& resultJson) {
  send_(renderRpcResult(request.id, resultJson));
}

void LspSession::replyError(const RpcMessage& request, int code, const std::string& message) {
  send_(renderRpcError({code, message, request.id}));
}

}  // namespace quorbel
