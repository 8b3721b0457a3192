// `quorbel lsp` as an editor drives it: the server on a pair of pipes, exactly as it serves
// standard input and output, every byte it writes read back as protocol frames.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "base/json_text.h"
#include "lsp/framing.h"
#include "lsp/stdio_server.h"
#include "server/json_value.h"
#include "test_support.h"

namespace quorbel {
namespace {

class Editor {
 public:
  Editor() {
    int in[2], out[2];
    EXPECT_EQ(pipe(in) | pipe(out), 0);
    input_ = in[1];
    output_ = out[0];
    server_ = std::thread([this, in, out] {
      status_ = serveLanguageServer(in[0], out[1]);
      close(in[0]);
      close(out[1]);
    });
  }
  ~Editor() { EXPECT_NE(exitStatus(), -1); }

  void raw(const std::string& bytes) {
    EXPECT_EQ(write(input_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // A request when `id` is given, else a notification.
  void send(const std::string& method, const std::string& params, int id = 0) {
    const std::string idText = id > 0 ? "\"id\":" + std::to_string(id) + "," : "";
    raw(frameMessage(R"({"jsonrpc":"2.0",)" + idText + R"("method":")" + method + R"(","params":)" +
                     params + "}"));
  }
  // Initializes (the answer is returned) and opens file:///a.cpp holding `text`.
  std::string open(const std::string& text, const std::string& options = "null") {
    send("initialize",
         R"({"capabilities":{"textDocument":{"inlayHint":{}}},)"
         R"("initializationOptions":)" +
             options + "}",
         1);
    const std::string answer = await(R"("id":1,)");
    send("textDocument/didOpen",
         R"({"textDocument":{"uri":"file:///a.cpp","version":1,"text":)" + jsonString(text) + "}}");
    return answer;
  }
  void change(const std::string& text, int version) {
    send("textDocument/didChange", R"({"textDocument":{"uri":"file:///a.cpp","version":)" +
                                       std::to_string(version) + R"(},"contentChanges":[{"text":)" +
                                       jsonString(text) + "}]}");
  }
  // The next message holding `part`, within 30 s; those before it go to `skipped`.
  std::string await(const std::string& part) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      for (Frame f = nextFrame(reader_); f.status != FrameStatus::kNeedMore;
           f = nextFrame(reader_)) {
        JsonValue message;
        EXPECT_TRUE(f.status == FrameStatus::kMessage && parseJson(f.body, message)) << f.body;
        if (f.body.find(part) != std::string::npos) return f.body;
        skipped.push_back(f.body);
      }
      pollfd polled{output_, POLLIN, 0};
      char buffer[65536];
      if (poll(&polled, 1, 100) <= 0) continue;
      const ssize_t got = read(output_, buffer, sizeof buffer);
      if (got <= 0) break;
      feedFrames(reader_, std::string_view(buffer, static_cast<size_t>(got)));
    }
    return "";
  }
  // Ends the input (if the server is still reading) and gives the server's exit status.
  int exitStatus() {
    if (input_ >= 0) close(input_);
    input_ = -1;
    if (server_.joinable()) server_.join();
    if (output_ >= 0) close(output_);
    output_ = -1;
    return status_;
  }

  std::vector<std::string> skipped;

 private:
  int input_ = -1, output_ = -1, status_ = -1;
  FrameReader reader_;
  std::thread server_;
};

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

const char* const kSlow =
    "// 1 <= n <= 2*10^5\n"
    "int main() {\n"
    "  int n;\n"
    "  cin >> n;\n"
    "  vector<long long> a(n);\n"
    "  for (int i = 0; i < n; i++) cin >> a[i];\n"
    "  long long best = 0;\n"
    "  for (int i = 0; i < n; i++) {\n"
    "    for (int j = i + 1; j < n; j++) {\n"  // the editor's line 8
    "      best = max(best, a[i] + a[j]);\n"
    "    }\n"
    "  }\n"
    "}\n";

std::string fastProgram() {
  std::string text = kSlow;
  const std::string inner = "for (int j = i + 1; j < n; j++) {";
  return text.replace(text.find(inner), inner.size(), "{");
}

const std::string kAt = R"("textDocument":{"uri":"file:///a.cpp"})";

TEST(LspServerTest, TooSlowThenFast) {
  Editor editor;
  EXPECT_TRUE(has(editor.open(kSlow),
                  R"({"textDocumentSync":1,"hoverProvider":true,"codeLensProvider":{)"
                  R"("resolveProvider":false},"inlayHintProvider":true,"executeCommandProvider":)"
                  R"({"commands":["quorbel.measure"]}})"));
  EXPECT_TRUE(
      has(editor.await(R"("version":1,)"),
          R"({"range":{"start":{"line":8,"character":4},"end":{"line":8,"character":37}},)"
          R"("severity":2,"code":"too-slow","source":"quorbel","message":"too slow: about )"
          R"j(4*10^10 operations at n = 2*10^5 (limit 1 s); for loop over j: O(n^2)"}]})j"));
  editor.send("textDocument/hover", "{" + kAt + R"(,"position":{"line":8,"character":9}})", 2);
  EXPECT_TRUE(has(editor.await(R"("id":2,)"), "`O(n^2)` — for loop over j"));
  editor.send("textDocument/codeLens", "{" + kAt + "}", 3);
  EXPECT_TRUE(has(editor.await(R"("id":3,)"),
                  R"({"range":{"start":{"line":8,"character":4},"end":{"line":8,"character":37}},)"
                  R"("command":{"title":"O(n^2) for loop over j","command":""}})"));
  editor.send(
      "textDocument/inlayHint",
      "{" + kAt + R"(,"range":{"start":{"line":8,"character":0},"end":{"line":8,"character":0}}})",
      4);
  EXPECT_TRUE(has(editor.await(R"("id":4,)"),
                  R"j("result":[{"position":{"line":8,"character":37},"label":"O(n^2)",)j"));
  editor.change(fastProgram(), 2);
  EXPECT_TRUE(has(editor.await(R"("version":2,)"), R"("diagnostics":[]})"));
  editor.send("shutdown", "null", 5);
  EXPECT_EQ(editor.await(R"("id":5,)"), R"({"jsonrpc":"2.0","id":5,"result":null})");
  editor.send("exit", "null");
  EXPECT_EQ(editor.exitStatus(), 0);
}

TEST(LspServerTest, LastEditWins) {
  Editor editor;
  editor.open(kSlow);
  ASSERT_NE(editor.await(R"("version":1,)"), "");
  // A burst well inside the debounce delay: only the last text is analysed and published.
  for (int version = 2; version <= 6; ++version)
    editor.change(version % 2 == 0 ? fastProgram() : kSlow, version);
  EXPECT_TRUE(has(editor.await(R"("version":6,)"), R"("diagnostics":[]})"));
  for (const std::string& earlier : editor.skipped)
    EXPECT_FALSE(has(earlier, "publish")) << earlier;
}

TEST(LspServerTest, MalformedAndOutOfTurnMessages) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* want;
  };
  const auto request = [](int id, const std::string& method, const std::string& params) {
    return frameMessage(R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + R"(,"method":")" +
                        method + R"(","params":)" + params + "}");
  };
  const std::string position = R"(,"position":{"line":0,"character":0}})";
  const std::string range =
      R"(,"range":{"start":{"line":0,"character":0},"end":{"line":9,"character":0}}})";
  const std::string unknown = R"({"textDocument":{"uri":"file:///nowhere.cpp"})";
  const Case cases[] = {
      {"before initialize", request(9, "textDocument/hover", "{" + kAt + position),
       R"("id":9,"error":{"code":-32002)"},
      {"initialize", request(10, "initialize", "{}"), R"("id":10,"result":{"capabilities")"},
      {"initialize again", request(11, "initialize", "{}"), R"("id":11,"error":{"code":-32601)"},
      {"not JSON", frameMessage("{oops"), R"("id":null,"error":{"code":-32700)"},
      {"no length", "Content-Type: x\r\n\r\n", R"("id":null,"error":{"code":-32700)"},
      {"JSON but no message", frameMessage("[1]"), R"("id":null,"error":{"code":-32600)"},
      {"no method", frameMessage(R"({"jsonrpc":"2.0","id":12})"),
       R"("id":12,"error":{"code":-32600)"},
      {"unknown method", request(13, "x/y", "{}"), R"("id":13,"error":{"code":-32601)"},
      {"hover without a position", request(14, "textDocument/hover", "{" + kAt + "}"),
       R"("id":14,"error":{"code":-32602)"},
      {"unknown command", request(15, "workspace/executeCommand", R"({"command":"x"})"),
       R"("id":15,"error":{"code":-32602)"},
      {"hover, unknown document", request(16, "textDocument/hover", unknown + position),
       R"("id":16,"result":null})"},
      {"lenses, unknown document", request(17, "textDocument/codeLens", unknown + "}"),
       R"("id":17,"result":[]})"},
      {"hints, unknown document", request(18, "textDocument/inlayHint", unknown + range),
       R"("id":18,"result":[]})"},
      {"shutdown", request(19, "shutdown", "null"), R"("id":19,"result":null})"},
      {"after shutdown", request(20, "textDocument/codeLens", unknown + "}"),
       R"("id":20,"error":{"code":-32600)"},
  };
  Editor editor;
  for (const Case& c : cases) {
    editor.raw(c.bytes);
    EXPECT_TRUE(has(editor.await(R"({"jsonrpc":"2.0",)"), c.want)) << c.name;
  }
  EXPECT_TRUE(editor.skipped.empty());
}

TEST(LspServerTest, ExitStatus) {
  struct Case {
    const char* name;
    std::vector<std::string> methods;  // requests get ids; "exit" is a notification
    int want;
  };
  const Case cases[] = {
      {"shutdown then exit", {"initialize", "shutdown", "exit"}, 0},
      {"exit without shutdown", {"initialize", "exit"}, 1},
      {"input ends after shutdown", {"initialize", "shutdown"}, 0},
      {"input ends without shutdown", {"initialize"}, 1},
  };
  for (const Case& c : cases) {
    Editor editor;
    for (size_t i = 0; i < c.methods.size(); ++i)
      editor.send(c.methods[i], "{}", c.methods[i] == "exit" ? 0 : static_cast<int>(i) + 1);
    EXPECT_EQ(editor.exitStatus(), c.want) << c.name;
  }
}

TEST(LspServerTest, SettingsBoundsAndRuns) {
  // The editor's n = 2*10^5 makes it too slow; n = 1000 (10^6 operations) clears it.
  Editor editor;
  editor.open(std::string(kSlow).replace(0, 19, "//"), R"({"limits":{"n":"2e5"}})");
  EXPECT_TRUE(has(editor.await(R"("version":1,)"), R"("code":"too-slow")"));
  editor.send("workspace/didChangeConfiguration",
              R"({"settings":{"quorbel":{"limits":{"n":1000}}}})");
  EXPECT_TRUE(has(editor.await(R"("version":1,)"), R"("diagnostics":[]})"));
  editor.send("workspace/didChangeConfiguration", R"({"settings":{"limits":[1]}})");
  EXPECT_TRUE(has(editor.await("window/showMessage"), "limits: expected an object"));
  {
    const testing::ScopedEnv runsOff("QUORBEL_ENABLE_BACKEND_RUN", "0");
    editor.send("workspace/executeCommand",
                R"({"command":"quorbel.measure","arguments":["file:///a.cpp"]})", 2);
    EXPECT_EQ(editor.await(R"("id":2,)"), R"({"jsonrpc":"2.0","id":2,"result":null})");
    EXPECT_TRUE(has(editor.await("window/showMessage"), "runs are turned off"));
  }
  const testing::ScopedEnv briefly("QUORBEL_ANALYSIS_SECONDS", "0.2");
  editor.change(testing::sizeChainProgram(400), 2);
  EXPECT_TRUE(has(editor.await(R"("version":2,)"), R"("message":"analysis stopped after 0.2 s)"));
}

TEST(LspServerTest, MegabyteDocuments) {
  // A 1 MB file of loops is analysed within the bounds (or stopped by them, in a slow sanitized
  // build); one byte more is refused at once.
  std::string loops = "int main() {\n  int n;\n  cin >> n;\n  long long s = 0;\n";
  while (loops.size() < 1048576 - 64) loops += "  for (int i = 0; i < n; i++) s += i;\n";
  loops += "}\n";
  loops += std::string(1048576 - loops.size(), '\n');
  Editor editor;
  const auto started = std::chrono::steady_clock::now();
  editor.open(loops);
  const std::string whole = editor.await(R"("version":1,)");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(12));
  EXPECT_TRUE(has(whole, R"("diagnostics":[]})") || has(whole, "analysis stopped")) << whole;
  editor.change(loops + " ", 2);
  EXPECT_TRUE(has(editor.await(R"("version":2,)"), "file is too large to analyze (limit 1 MB)"));
}

}  // namespace
}  // namespace quorbel
