// One editor's session with `quorbel lsp`: the protocol's lifecycle (initialize, shutdown,
// exit), the open documents with their debounced analyses, and the requests on them. Messages
// go out through `send`, which must not block: the analysis thread publishes diagnostics
// while the reading thread answers requests.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "lsp/analysis_queue.h"
#include "lsp/document_analysis.h"
#include "lsp/rpc.h"
#include "verdict/verdict.h"

namespace quorbel {

struct SessionOptions {
  // After an edit, the quiet time before the document is analysed: typing stays smooth and a
  // burst of edits costs one analysis, well within the 300 ms an edit's diagnostics may take.
  std::chrono::milliseconds debounce{100};
};

using SendMessage = std::function<void(std::string body)>;

class LspSession {
 public:
  LspSession(SendMessage send, SessionOptions options = {});
  // Stops the analysis thread and any measurement, and waits for them.
  ~LspSession();
  LspSession(const LspSession&) = delete;
  LspSession& operator=(const LspSession&) = delete;

  // Handles one message body; the exit status once it was `exit`.
  std::optional<int> handleMessage(std::string_view body);
  // Answers a message whose header could not be read (-32700).
  void answerBadFrame(const std::string& problem);
  // The exit status when the input ends without `exit`: 0 after `shutdown`, else 1.
  int statusAtEndOfInput() const;

 private:
  struct CachedAnalysis {
    long revision = 0;
    std::shared_ptr<const DocumentAnalysis> analysis;
  };

  void dispatchRequest(const RpcMessage& message);
  void dispatchNotification(const RpcMessage& message);
  std::string initialize(const JsonValue& params);
  void openOrChange(const JsonValue& params, bool opened);
  void closeDocumentOf(const JsonValue& params);
  void changeSettings(const JsonValue& params);
  void startMeasurement(const JsonValue& params);
  // The analysis of the document's current text, from the cache or made now; null when the
  // document is not open.
  std::shared_ptr<const DocumentAnalysis> currentAnalysis(const std::string& uri);
  void runAnalyses();
  void showMessage(int type, const std::string& text);
  void reply(const RpcMessage& request, const std::string& resultJson);
  void replyError(const RpcMessage& request, int code, const std::string& message);

  SendMessage send_;
  SessionOptions options_;
  bool initialized_ = false;
  bool shutdownRequested_ = false;

  std::mutex mutex_;  // guards everything below
  std::condition_variable wake_;
  bool stopping_ = false;
  AnalysisQueue queue_;
  std::map<std::string, CachedAnalysis> cache_;
  GivenLimits limits_;
  bool measuring_ = false;

  std::thread measurement_;
  std::thread analyses_;
};

}  // namespace quorbel
