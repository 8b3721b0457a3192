// `quorbel lsp` driven as an editor drives it: the real executable on pipes, every byte it
// writes read as protocol frames (anything else on standard output fails the test).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/json_text.h"
#include "lsp/framing.h"
#include "server/json_value.h"
#include "test_support.h"

namespace quorbel {
namespace {

using Clock = std::chrono::steady_clock;

// ---- A client on pipes ----

class LspProcess {
 public:
  explicit LspProcess(const std::vector<std::string>& environment = {},
                      const std::vector<std::string>& arguments = {"lsp"}) {
    int in[2], out[2];
    EXPECT_EQ(pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    errors_ = memfd_create("stderr", MFD_CLOEXEC);
    pid_ = fork();
    if (pid_ == 0) {
      if (dup2(in[0], 0) < 0 || dup2(out[1], 1) < 0 || dup2(errors_, 2) < 0) _exit(125);
      for (const std::string& entry : environment) putenv(const_cast<char*>(entry.c_str()));
      std::vector<std::string> argv = {testing::quorbelBinary()};
      argv.insert(argv.end(), arguments.begin(), arguments.end());
      std::vector<char*> args;
      for (std::string& arg : argv) args.push_back(arg.data());
      args.push_back(nullptr);
      execv(args[0], args.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    output_ = out[0];
  }

  ~LspProcess() {
    if (input_ >= 0) close(input_);
    if (pid_ > 0 && !status_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(output_);
    close(errors_);
  }

  void sendRaw(const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
      const ssize_t wrote = write(input_, bytes.data() + done, bytes.size() - done);
      ASSERT_GT(wrote, 0) << "the server stopped reading";
      done += static_cast<size_t>(wrote);
    }
  }
  void send(const std::string& json) { sendRaw(frameMessage(json)); }
  void request(int id, const std::string& method, const std::string& params) {
    send(R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + R"(,"method":")" + method +
         R"(","params":)" + params + "}");
  }
  void notify(const std::string& method, const std::string& params) {
    send(R"({"jsonrpc":"2.0","method":")" + method + R"(","params":)" + params + "}");
  }
  void initialize(const std::string& options = "null") {
    request(1, "initialize",
            R"({"processId":null,"rootUri":null,"capabilities":{"textDocument":{"inlayHint":{}}},)"
            R"("initializationOptions":)" +
                options + "}");
    ASSERT_TRUE(response(1));
    notify("initialized", "{}");
  }
  void open(const std::string& uri, const std::string& text, int version = 1) {
    notify("textDocument/didOpen",
           R"({"textDocument":{"uri":)" + jsonString(uri) + R"(,"languageId":"cpp","version":)" +
               std::to_string(version) + R"(,"text":)" + jsonString(text) + "}}");
  }
  void change(const std::string& uri, const std::string& text, int version) {
    notify("textDocument/didChange", R"({"textDocument":{"uri":)" + jsonString(uri) +
                                         R"(,"version":)" + std::to_string(version) +
                                         R"(},"contentChanges":[{"text":)" + jsonString(text) +
                                         "}]}");
  }

  // The next message `match` accepts, within `seconds`; the ones before it are kept in `seen`.
  std::optional<JsonValue> waitFor(const std::function<bool(const JsonValue&)>& match,
                                   double seconds = 30) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
      while (!pending_.empty()) {
        JsonValue message = std::move(pending_.front());
        pending_.erase(pending_.begin());
        if (match(message)) return message;
        seen.push_back(std::move(message));
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return std::nullopt;
      pollfd polled{output_, POLLIN, 0};
      if (poll(&polled, 1, static_cast<int>(left.count())) <= 0) continue;
      char buffer[65536];
      const ssize_t got = read(output_, buffer, sizeof buffer);
      if (got <= 0) return std::nullopt;
      feedFrames(reader_, std::string_view(buffer, static_cast<size_t>(got)));
      for (Frame frame = nextFrame(reader_); frame.status != FrameStatus::kNeedMore;
           frame = nextFrame(reader_)) {
        JsonValue message;
        EXPECT_EQ(frame.status, FrameStatus::kMessage) << "not a frame on standard output";
        EXPECT_TRUE(parseJson(frame.body, message)) << "not JSON: " << frame.body;
        pending_.push_back(std::move(message));
      }
    }
  }
  std::optional<JsonValue> response(int id, double seconds = 30) {
    return waitFor(
        [id](const JsonValue& m) {
          const JsonValue* got = jsonMember(m, "id");
          return got != nullptr && got->text == std::to_string(id) &&
                 jsonMember(m, "method") == nullptr;
        },
        seconds);
  }
  std::optional<JsonValue> notification(const std::string& method, double seconds = 30) {
    return waitFor(
        [&method](const JsonValue& m) {
          const JsonValue* got = jsonMember(m, "method");
          return got != nullptr && got->text == method;
        },
        seconds);
  }
  // Diagnostics for `version` of the document.
  std::optional<JsonValue> diagnostics(int version, double seconds = 30) {
    return waitFor(
        [version](const JsonValue& m) {
          const JsonValue* method = jsonMember(m, "method");
          const JsonValue* params = jsonMember(m, "params");
          const JsonValue* got = params ? jsonMember(*params, "version") : nullptr;
          return method != nullptr && method->text == "textDocument/publishDiagnostics" &&
                 got != nullptr && got->text == std::to_string(version);
        },
        seconds);
  }

  void closeInput() {
    close(input_);
    input_ = -1;
  }
  // The exit status, or -1 when it has not exited within `seconds`.
  int exitStatus(double seconds = 30) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return *status_;
      }
      usleep(10000);
    }
    return -1;
  }

  std::vector<JsonValue> seen;

 private:
  pid_t pid_ = -1;
  int input_ = -1, output_ = -1, errors_ = -1;
  FrameReader reader_;
  std::vector<JsonValue> pending_;
  std::optional<int> status_;
};

// ---- Reading answers ----

const JsonValue* at(const JsonValue& value, std::initializer_list<const char*> path) {
  const JsonValue* node = &value;
  for (const char* key : path)
    if (node == nullptr || (node = jsonMember(*node, key)) == nullptr) return nullptr;
  return node;
}

std::string textAt(const std::optional<JsonValue>& value, std::initializer_list<const char*> path) {
  if (!value) return "<no message>";
  const JsonValue* node = at(*value, path);
  if (node == nullptr) return "<absent>";
  if (node->kind == JsonValue::Kind::kArray) return "[" + std::to_string(node->items.size()) + "]";
  if (node->kind == JsonValue::Kind::kObject) return "{}";
  if (node->kind == JsonValue::Kind::kNull) return "null";
  return node->text;
}

const JsonValue& diagnosticList(const JsonValue& message) {
  static const JsonValue kNone;
  const JsonValue* list = at(message, {"params", "diagnostics"});
  return list != nullptr ? *list : kNone;
}

const char* const kUri = "file:///work/a.cpp";

const char* const kSlow =
    "// 1 <= n <= 2*10^5\n"
    "#include <bits/stdc++.h>\n"
    "using namespace std;\n"
    "int main() {\n"
    "  int n;\n"
    "  cin >> n;\n"
    "  vector<long long> a(n);\n"
    "  for (int i = 0; i < n; i++) cin >> a[i];\n"
    "  long long best = 0;\n"
    "  for (int i = 0; i < n; i++) {\n"
    "    for (int j = i + 1; j < n; j++) {\n"
    "      best = max(best, a[i] + a[j]);\n"
    "    }\n"
    "  }\n"
    "  cout << best << endl;\n"
    "}\n";

std::string fastProgram() {
  std::string text = kSlow;
  const std::string inner = "    for (int j = i + 1; j < n; j++) {\n";
  text.replace(text.find(inner), inner.size(), "    {\n");
  return text;
}

std::string hoverParams(int line, int character) {
  return R"({"textDocument":{"uri":")" + std::string(kUri) + R"("},"position":{"line":)" +
         std::to_string(line) + R"(,"character":)" + std::to_string(character) + "}}";
}

const std::string kDocument = R"({"textDocument":{"uri":")" + std::string(kUri) + R"("}})";

// ---- Tests ----

TEST(LspServerTest, Capabilities) {
  for (const bool hints : {true, false}) {
    LspProcess server;
    server.request(
        1, "initialize",
        hints ? R"({"capabilities":{"textDocument":{"inlayHint":{}}}})" : R"({"capabilities":{}})");
    const std::optional<JsonValue> answer = server.response(1);
    EXPECT_EQ(textAt(answer, {"result", "capabilities", "textDocumentSync"}), "1");
    EXPECT_EQ(textAt(answer, {"result", "capabilities", "hoverProvider"}), "true");
    EXPECT_EQ(textAt(answer, {"result", "capabilities", "codeLensProvider"}), "{}");
    EXPECT_EQ(textAt(answer, {"result", "capabilities", "inlayHintProvider"}),
              hints ? "true" : "<absent>");
    EXPECT_EQ(textAt(answer, {"result", "capabilities", "executeCommandProvider", "commands"}),
              "[1]");
  }
}

// What an editor sees, from opening a too-slow file to leaving.
TEST(LspServerTest, TooSlowThenFast) {
  LspProcess server;
  server.initialize();
  server.open(kUri, kSlow);
  const std::optional<JsonValue> slow = server.diagnostics(1);
  ASSERT_TRUE(slow);
  ASSERT_EQ(diagnosticList(*slow).items.size(), 1u);
  const JsonValue& warning = diagnosticList(*slow).items[0];
  // The inner loop, line 11 of the file, is the editor's line 10, from its first non-blank.
  EXPECT_EQ(textAt(warning, {"range", "start", "line"}), "10");
  EXPECT_EQ(textAt(warning, {"range", "start", "character"}), "4");
  EXPECT_EQ(textAt(warning, {"severity"}), "2");
  EXPECT_EQ(textAt(warning, {"message"}),
            "too slow: about 4*10^10 operations at n = 2*10^5 (limit 1 s); for loop over j: "
            "O(n^2)");

  server.request(2, "textDocument/hover", hoverParams(10, 8));
  const std::string hover = textAt(server.response(2), {"result", "contents", "value"});
  EXPECT_NE(hover.find("`O(n^2)` — for loop over j"), std::string::npos) << hover;

  server.request(3, "textDocument/codeLens", kDocument);
  const std::optional<JsonValue> lenses = server.response(3);
  ASSERT_TRUE(lenses);
  std::string titles;
  for (const JsonValue& lens : at(*lenses, {"result"})->items)
    titles +=
        textAt(lens, {"range", "start", "line"}) + " " + textAt(lens, {"command", "title"}) + "\n";
  EXPECT_EQ(titles, "7 O(n) for loop over i\n9 O(n) for loop over i\n10 O(n^2) for loop over j\n");

  server.request(
      4, "textDocument/inlayHint",
      R"({"textDocument":{"uri":")" + std::string(kUri) +
          R"("},"range":{"start":{"line":10,"character":0},"end":{"line":10,"character":0}}})");
  const std::optional<JsonValue> hints = server.response(4);
  EXPECT_EQ(textAt(hints, {"result"}), "[1]");

  server.change(kUri, fastProgram(), 2);
  const std::optional<JsonValue> fast = server.diagnostics(2);
  ASSERT_TRUE(fast);
  EXPECT_EQ(diagnosticList(*fast).items.size(), 0u);

  server.request(5, "shutdown", "null");
  EXPECT_EQ(textAt(server.response(5), {"result"}), "null");
  server.notify("exit", "null");
  EXPECT_EQ(server.exitStatus(), 0);
}

TEST(LspServerTest, LastEditWins) {
  LspProcess server;
  server.initialize();
  server.open(kUri, kSlow);
  ASSERT_TRUE(server.diagnostics(1));
  // Edits in a burst, well inside the debounce delay: only the last is analysed and published.
  for (int version = 2; version <= 6; ++version)
    server.change(kUri, version % 2 == 0 ? fastProgram() : kSlow, version);
  const std::optional<JsonValue> last = server.diagnostics(6);
  ASSERT_TRUE(last);
  EXPECT_EQ(diagnosticList(*last).items.size(), 0u);
  for (const JsonValue& earlier : server.seen)
    EXPECT_NE(textAt(earlier, {"method"}), "textDocument/publishDiagnostics")
        << "published version " << textAt(earlier, {"params", "version"});
}

TEST(LspServerTest, MalformedMessagesAreAnsweredAndTheServerGoesOn) {
  LspProcess server;
  server.initialize();
  struct Case {
    const char* name;
    std::string bytes;
    const char* wantCode;
    const char* wantId;
  };
  const Case cases[] = {
      {"not JSON", frameMessage("{oops"), "-32700", "null"},
      {"a header without a length", "Content-Type: x\r\n\r\n", "-32700", "null"},
      {"a length that is no number", "Content-Length: many\r\n\r\n{}", "-32700", "null"},
      {"JSON but no message", frameMessage("[1,2]"), "-32600", "null"},
      {"no method", frameMessage(R"({"jsonrpc":"2.0","id":41})"), "-32600", "41"},
      {"an unknown request", frameMessage(R"({"jsonrpc":"2.0","id":42,"method":"x/y"})"), "-32601",
       "42"},
      {"hover without a position",
       frameMessage(R"({"jsonrpc":"2.0","id":43,"method":"textDocument/hover","params":)" +
                    kDocument + "}"),
       "-32602", "43"},
  };
  for (const Case& c : cases) {
    server.sendRaw(c.bytes);
    const std::optional<JsonValue> answer =
        server.waitFor([](const JsonValue& m) { return jsonMember(m, "error") != nullptr; }, 10);
    EXPECT_EQ(textAt(answer, {"error", "code"}), c.wantCode) << c.name;
    EXPECT_EQ(textAt(answer, {"id"}), c.wantId) << c.name;
  }
  // An unknown notification is no error; the next request is answered as usual.
  server.notify("x/unknown", "{}");
  server.request(50, "textDocument/hover", hoverParams(0, 0));
  const std::optional<JsonValue> answer = server.response(50);
  EXPECT_EQ(textAt(answer, {"result"}), "null");
  EXPECT_TRUE(server.seen.empty());
}

TEST(LspServerTest, UnknownDocumentsGetEmptyResults) {
  LspProcess server;
  server.initialize();
  const std::string unknown = R"({"textDocument":{"uri":"file:///nowhere.cpp"})";
  server.request(2, "textDocument/hover", unknown + R"(,"position":{"line":0,"character":0}})");
  EXPECT_EQ(textAt(server.response(2), {"result"}), "null");
  server.request(3, "textDocument/codeLens", unknown + "}");
  EXPECT_EQ(textAt(server.response(3), {"result"}), "[0]");
  server.request(
      4, "textDocument/inlayHint",
      unknown + R"(,"range":{"start":{"line":0,"character":0},"end":{"line":9,"character":0}}})");
  EXPECT_EQ(textAt(server.response(4), {"result"}), "[0]");
  // A change to a file never opened is ignored.
  server.change("file:///nowhere.cpp", kSlow, 2);
  server.request(5, "shutdown", "null");
  EXPECT_EQ(textAt(server.response(5), {"result"}), "null");
  EXPECT_TRUE(server.seen.empty());
}

TEST(LspServerTest, Lifecycle) {
  struct Case {
    const char* name;
    std::vector<std::string> messages;
    bool closeInput;
    int wantStatus;
  };
  const std::string initialize = R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})";
  const std::string shutdown = R"({"jsonrpc":"2.0","id":2,"method":"shutdown"})";
  const std::string exit = R"({"jsonrpc":"2.0","method":"exit"})";
  const Case cases[] = {
      {"shutdown then exit", {initialize, shutdown, exit}, false, 0},
      {"exit without shutdown", {initialize, exit}, false, 1},
      {"exit before initialize", {exit}, false, 1},
      {"input ends after shutdown", {initialize, shutdown}, true, 0},
      {"input ends without shutdown", {initialize}, true, 1},
  };
  for (const Case& c : cases) {
    LspProcess server;
    for (const std::string& message : c.messages) server.send(message);
    if (c.closeInput) server.closeInput();
    EXPECT_EQ(server.exitStatus(), c.wantStatus) << c.name;
  }
}

TEST(LspServerTest, RequestsOutOfTurn) {
  LspProcess server;
  server.request(7, "textDocument/hover", hoverParams(0, 0));
  EXPECT_EQ(textAt(server.response(7), {"error", "code"}), "-32002");
  server.initialize();
  server.request(8, "initialize", "{}");
  EXPECT_EQ(textAt(server.response(8), {"error", "code"}), "-32601");
  server.request(9, "shutdown", "null");
  ASSERT_TRUE(server.response(9));
  server.request(10, "textDocument/hover", hoverParams(0, 0));
  EXPECT_EQ(textAt(server.response(10), {"error", "code"}), "-32600");
}

TEST(LspServerTest, UnknownArgument) {
  LspProcess server({}, {"lsp", "--tcp"});
  EXPECT_EQ(server.exitStatus(), 2);
}

TEST(LspServerTest, LimitsFromTheEditor) {
  const std::string unstated = std::string(kSlow).replace(0, 19, "//");
  LspProcess server;
  server.initialize(R"({"limits":{"n":"2e5"}})");
  server.open(kUri, unstated);
  const std::optional<JsonValue> slow = server.diagnostics(1);
  ASSERT_TRUE(slow);
  EXPECT_EQ(textAt(diagnosticList(*slow).items.at(0), {"code"}), "too-slow");
  // (10^3)^2 = 10^6 fits: the same version is published again, clear.
  server.notify("workspace/didChangeConfiguration",
                R"({"settings":{"quorbel":{"limits":{"n":1000}}}})");
  const std::optional<JsonValue> fits = server.diagnostics(1);
  ASSERT_TRUE(fits);
  EXPECT_EQ(diagnosticList(*fits).items.size(), 0u);
  server.notify("workspace/didChangeConfiguration", R"({"settings":{"limits":[1]}})");
  EXPECT_NE(textAt(server.notification("window/showMessage"), {"params", "message"})
                .find("expected an object"),
            std::string::npos);
}

TEST(LspServerTest, MegabyteDocuments) {
  // A 1 MB file of loops is analysed within the bounds; a byte more is refused at once.
  std::string loops = "int main() {\n  int n;\n  cin >> n;\n  long long s = 0;\n";
  const std::string loop = "  for (int i = 0; i < n; i++) s += i;\n";
  while (loops.size() + loop.size() + 2 <= 1048576) loops += loop;
  loops += "}\n";
  loops += std::string(1048576 - loops.size(), '\n');
  LspProcess server;
  server.initialize();
  const auto started = Clock::now();
  server.open(kUri, loops);
  const std::optional<JsonValue> whole = server.diagnostics(1, 60);
  ASSERT_TRUE(whole);
  // Three CPU seconds at most, three times that on the clock; a sanitized build may reach them.
  EXPECT_LT(Clock::now() - started, std::chrono::seconds(12));
  for (const JsonValue& diagnostic : diagnosticList(*whole).items)
    if (textAt(diagnostic, {"code"}) == "not-analysed")
      EXPECT_EQ(textAt(diagnostic, {"message"}).rfind("analysis stopped", 0), 0u);
  server.change(kUri, loops + " ", 2);
  const std::optional<JsonValue> over = server.diagnostics(2, 60);
  ASSERT_TRUE(over);
  EXPECT_EQ(textAt(diagnosticList(*over).items.at(0), {"message"}),
            "file is too large to analyze (limit 1 MB)");
}

TEST(LspServerTest, AnalysisStoppedByItsBounds) {
  LspProcess server({"QUORBEL_ANALYSIS_SECONDS=0.2"});
  server.initialize();
  server.open(kUri, testing::sizeChainProgram(400));
  const std::optional<JsonValue> stopped = server.diagnostics(1, 60);
  ASSERT_TRUE(stopped);
  EXPECT_EQ(textAt(diagnosticList(*stopped).items.at(0), {"message"}).rfind("analysis stopped", 0),
            0u);
  server.request(2, "textDocument/hover", hoverParams(0, 0));
  EXPECT_NE(textAt(server.response(2), {"result", "contents", "value"}).find("analysis stopped"),
            std::string::npos);
}

TEST(LspServerTest, MeasureRefusedWhereRunsAreOff) {
  LspProcess server({"QUORBEL_ENABLE_BACKEND_RUN=0"});
  server.initialize();
  server.open(kUri, kSlow);
  server.request(2, "workspace/executeCommand",
                 R"({"command":"quorbel.measure","arguments":[")" + std::string(kUri) + R"("]})");
  EXPECT_EQ(textAt(server.response(2), {"result"}), "null");
  EXPECT_NE(textAt(server.notification("window/showMessage"), {"params", "message"})
                .find("runs are turned off"),
            std::string::npos);
  server.request(3, "workspace/executeCommand", R"({"command":"other"})");
  EXPECT_EQ(textAt(server.response(3), {"error", "code"}), "-32602");
}

}  // namespace
}  // namespace quorbel
