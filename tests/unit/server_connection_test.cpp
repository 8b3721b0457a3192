// The server as a client meets it: a request is written into one end of a socket pair (or a
// loopback TCP connection), the connection handler serves the other end, and the whole
// response is compared byte for byte.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "runner/runner_box.h"
#include "server/access_policy.h"
#include "server/connection_loop.h"
#include "server/http_server.h"
#include "server/render_json.h"
#include "server/run_gate.h"
#include "test_support.h"

namespace quorbel {
namespace {

using std::chrono::milliseconds;
using testing::ScopedEnv;
using Clock = std::chrono::steady_clock;

// A request without an Origin (or from one not allowed) gets no CORS block at all.
const std::string kCors;
const std::string kJson = "application/json; charset=utf-8";
const std::string kText = "text/plain; charset=utf-8";
const std::string kHtml = "text/html; charset=utf-8";
const std::string kForm = "application/x-www-form-urlencoded";

std::string response(const std::string& statusLine, const std::string& type,
                     const std::string& extra, const std::string& body) {
  return "HTTP/1.1 " + statusLine + "\r\nContent-Type: " + type + "\r\n" + extra +
         "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// The two spellings of the plain not-found answer.
const std::string kNotFound = response("404 Not Found", kText, "", "Not found");
const std::string kNotFoundLine = response("404 Not Found", kText, "", "Not found\n");

// The health probe's answer: "ok" first, then the runner's isolation on this host.
std::string healthy() {
  return response("200 OK", kJson, kCors,
                  R"({"ok":true,"isolation":")" + isolationName(runnerIsolation()) + "\"}");
}
const std::string kTooLarge =
    response("413 Content Too Large", kJson, kCors,
             R"({"error":"The code is too large to analyze: the limit is 1 MB (1048576 bytes)."})");
const std::string kHeadTooLarge =
    response("431 Request Header Fields Too Large", kJson, kCors,
             R"({"error":"The header block is too large: the limit is 65536 bytes."})");
const std::string kBodyTooLarge =
    response("413 Content Too Large", kJson, kCors,
             R"({"error":"Request body is too large: the limit is 2000000 bytes."})");

// A run refused before it started: the result document with its defaults (render_test.cpp).
std::string runRefusal(const std::string& status, const std::string& error) {
  RunResult refused;
  refused.status = status;
  refused.error = error;
  return renderJsonRunResult(refused);
}

// How the client side behaves after writing its request.
struct ClientPlan {
  std::vector<std::string> pieces;  // written in order
  milliseconds pause{0};            // between pieces
  bool closeAfterSending = false;   // half-close: the server sees the end of the request
  bool keepTrickling = false;       // after the pieces, one more byte every pause, forever
};

struct Outcome {
  std::string received;
  milliseconds elapsed{0};
};

// The client runs on its own thread, so that neither side can block the other on a full
// socket buffer; the server side runs here, as main runs it.
void playClient(int client, const ClientPlan& plan, std::string& received) {
  bool open = true;
  for (size_t i = 0; i < plan.pieces.size() && open; ++i) {
    if (i > 0) std::this_thread::sleep_for(plan.pause);
    open = testing::sendAll(client, plan.pieces[i]);
  }
  while (open && plan.keepTrickling) {
    std::this_thread::sleep_for(plan.pause);
    open = testing::sendAll(client, "x");
  }
  if (plan.closeAfterSending) shutdown(client, SHUT_WR);
  received = testing::receiveAll(client);
}

Outcome serveOverPair(const ClientPlan& plan, AnalysisStore& store,
                      const RequestLimits& limits = RequestLimits{}) {
  int ends[2];
  EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
  Outcome outcome;
  std::thread client(playClient, ends[0], std::cref(plan), std::ref(outcome.received));
  const auto start = Clock::now();
  serveConnection(ends[1], store, limits);
  outcome.elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  if (plan.keepTrickling) shutdown(ends[0], SHUT_RDWR);
  client.join();
  close(ends[0]);
  return outcome;
}

std::string post(const std::string& path, const std::string& type, const std::string& body,
                 const std::string& extraHeaders = "") {
  std::string head = "POST " + path + " HTTP/1.1\r\nHost: localhost:8080\r\n";
  if (!type.empty()) head += "Content-Type: " + type + "\r\n";
  return head + extraHeaders + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string postJson(const std::string& body) {
  return post("/api/analyze", "application/json", body);
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Each test runs in a scratch directory (the server reads public/ relative to the working
// directory) with a history database of its own and the switches in a known state.
class ServerConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(scratch_.path() + "/public/vendor/monaco");
    store_.emplace(scratch_.path() + "/history.db");
    ASSERT_TRUE(store_->ok()) << store_->lastError();
    gRunnerValidatedOnStart = false;
  }
  void TearDown() override { gRunnerValidatedOnStart = false; }

  void write(const std::string& relative, const std::string& contents) {
    scratch_.write(relative, contents);
  }
  std::string serve(const std::string& request) {
    return serveOverPair(ClientPlan{{request}}, *store_).received;
  }

  // The saved rows in order, each as "code#line_count".
  std::vector<std::string> savedCodes() {
    return testing::query(scratch_.path() + "/history.db",
                          "SELECT code || '#' || line_count FROM analyses ORDER BY id;");
  }

  testing::ScratchWorkingDirectory scratch_;
  std::optional<AnalysisStore> store_;
  ScopedEnv save_{"QUORBEL_SAVE_ANALYSES", std::nullopt};
  ScopedEnv run_{"QUORBEL_ENABLE_BACKEND_RUN", std::nullopt};
  ScopedEnv validated_{"QUORBEL_RUNNER_REQUIRE_VALIDATED", std::nullopt};
  ScopedEnv secret_{"QUORBEL_RUNNER_SHARED_SECRET", std::nullopt};
  ScopedEnv secretRequired_{"QUORBEL_RUNNER_REQUIRE_SHARED_SECRET", std::nullopt};
};

// ---- Fixed routes ----

// Pages answer even when their file is missing; /analyze is the result page without code.
TEST_F(ServerConnectionTest, FixedRoutes) {
  write("public/vendor/monaco/loader.js", "var x = 1;\n");
  write("public/vendor/monaco/empty.css", "");
  write("public/vendor/x", "outside the tree");
  write("public/ide-runner.js", "run()");
  write("public/complexity.html", "[{{CODE}}|{{LINE_COUNT}}]");
  const std::string js = "application/javascript; charset=utf-8";
  const std::string css = "text/css; charset=utf-8";
  const std::string notAllowed =
      response("405 Method Not Allowed", kJson, kCors + "Allow: POST, OPTIONS\r\n",
               runRefusal("bad_request", "Method not allowed."));
  const std::string preflight = response("204 No Content", kText, kCors, "");
  const auto page = [](const std::string& body) { return response("200 OK", kHtml, "", body); };
  const std::pair<const char*, std::string> kCases[] = {
      {"OPTIONS /api/run HTTP/1.1\r\n\r\n", preflight},
      {"OPTIONS /api/analyze?x=1 HTTP/1.1\r\n\r\n", preflight},
      {"OPTIONS /api/analyze/ HTTP/1.1\r\n\r\n", kNotFoundLine},
      {"GET /api/run HTTP/1.1\r\n\r\n", kNotFound},
      {"PUT /api/run HTTP/1.1\r\n\r\n", notAllowed},
      {"get /api/run HTTP/1.1\r\n\r\n", notAllowed},  // methods are case-sensitive
      {"PUT /api/analyze HTTP/1.1\r\n\r\n", kNotFoundLine},
      {"GET /healthz?probe=1 HTTP/1.0\r\nX: y\r\n\r\n", healthy()},
      {"GET /healthz/ HTTP/1.1\r\n\r\n", kNotFound},
      {"GET /vendor/monaco/loader.js HTTP/1.1\r\n\r\n", response("200 OK", js, "", "var x = 1;\n")},
      {"GET /vendor/monaco/empty.css HTTP/1.1\r\n\r\n", response("200 OK", css, "", "")},
      {"GET /ide-runner.js?v=2 HTTP/1.1\r\n\r\n", response("200 OK", js, "", "run()")},
      {"GET /vendor/monaco/../x HTTP/1.1\r\n\r\n", kNotFound},
      {"GET /vendor/monaco/ HTTP/1.1\r\n\r\n", kNotFound},  // a directory
      {"GET /ide-worker.js HTTP/1.1\r\n\r\n", kNotFound},
      {"GET /styles.css HTTP/1.1\r\n\r\n", response("200 OK", css, "", "")},
      {"GET /analyze HTTP/1.1\r\n\r\n", page("[|0]")},
      {"GET /complexity HTTP/1.1\r\n\r\n", page("[|0]")},
      {"GET /index.html HTTP/1.1\r\n\r\n", kNotFound},
  };
  for (const auto& [request, want] : kCases) EXPECT_EQ(serve(request), want) << request;
  for (const std::string name : {"index", "ide", "cli", "storage"}) {
    const std::string target = name == "index" ? "/" : "/" + name;
    EXPECT_EQ(serve("GET " + target + " HTTP/1.1\r\n\r\n"), page("")) << name << ", missing";
    write("public/" + name + ".html", name);
    EXPECT_EQ(serve("GET " + target + "?x HTTP/1.1\r\n\r\n"), page(name)) << name;
  }
  ScopedEnv noBox("QUORBEL_RUNNER_BWRAP", "/nonexistent/bwrap");
  EXPECT_EQ(serve("GET /healthz HTTP/1.1\r\n\r\n"),
            response("200 OK", kJson, kCors, R"({"ok":true,"isolation":"process-limits"})"));
}

// ---- Analysis routes ----

TEST_F(ServerConnectionTest, AnalysisRequests) {
  write("public/complexity.html", "<pre>{{CODE}}</pre>{{LINE_COUNT}}");
  const std::string refused =
      response("400 Bad Request", kJson, kCors,
               R"({"error":"Expected JSON body with a string code field."})");
  const std::string malformed =
      response("400 Bad Request", kJson, kCors,
               R"({"error":"Malformed JSON body: expected one JSON object."})");
  const std::string unsupported =
      response("415 Unsupported Media Type", kJson, kCors,
               R"({"error":"Expected Content-Type: application/json."})");
  const std::string atLimit(1048576, ' ');
  const testing::Case<std::string, std::string> kCases[] = {
      {"number code", postJson(R"({"code": 5})"), refused},
      {"empty body", postJson(""), malformed},
      {"unterminated code", postJson(R"({"code":"open)"), malformed},
      {"truncated object", postJson(R"({"code":"a")"), malformed},
      {"form data", post("/api/analyze", kForm, "code=x"), unsupported},
      {"JSON named in a parameter only",
       post("/api/analyze", "text/plain; x=application/json", R"({"code":"x"})"), unsupported},
      {"form page", post("/analyze", kForm, "code=a%3Cb%0A"),
       response("200 OK", kHtml, "", "<pre>a&lt;b\n</pre>1")},
      {"JSON code one byte over the limit", postJson("{\"code\":\"" + atLimit + " \"}"), kTooLarge},
      {"form code one byte over the limit", post("/analyze", "", "code=" + atLimit + "+"),
       kTooLarge},
  };
  for (const auto& c : kCases) EXPECT_EQ(serve(c.in), c.want) << c.name;
  const std::string declarationAtLimit = "int a;" + atLimit.substr(6);
  EXPECT_TRUE(
      contains(serve(postJson("{\"code\":\"" + declarationAtLimit + "\"}")), R"("lineCount":1)"));

  // The content type in any case and with parameters; the analysis document as the body.
  const std::string reply = serve(
      post("/api/analyze", "Application/JSON; charset=utf-8", R"({"code":"int x;\nint y;"})"));
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: " + kJson + "\r\n" + kCors;
  ASSERT_EQ(reply.substr(0, head.size()), head) << reply;
  const std::string body = reply.substr(reply.find("\r\n\r\n") + 4);
  EXPECT_TRUE(body.starts_with(R"({"notation":"O()")) << body;
  EXPECT_TRUE(contains(body, R"(,"lineCount":2,"signals":)")) << body;
  EXPECT_TRUE(contains(body, R"(,"saved":false,"verdict":{)")) << body;
  EXPECT_TRUE(contains(reply, "Content-Length: " + std::to_string(body.size()) + "\r\n"));
}

// Saving is off by default; blank code is refused, never saved; what is saved is the decoded
// code.
TEST_F(ServerConnectionTest, SavedHistory) {
  serve(postJson(R"({"code":"int x;"})"));
  EXPECT_TRUE(savedCodes().empty());
  ScopedEnv save("QUORBEL_SAVE_ANALYSES", "yes");
  const std::string blank = serve(postJson(R"({"code":" \n\t "})"));
  EXPECT_TRUE(blank.starts_with("HTTP/1.1 400 ")) << blank;
  EXPECT_TRUE(contains(blank, "The code is empty: nothing to analyze.")) << blank;
  EXPECT_TRUE(contains(serve(postJson(R"({"code":"int x;\nint y;"})")), R"("lineCount":2)"));
  EXPECT_TRUE(contains(serve(postJson(R"({"code":"int \u0041;"})")), R"("saved":true,)"));
  // A body longer than announced is cut; one shorter because the peer closed is taken as it is.
  const std::string json = "Content-Type: application/json\r\n";
  serve("POST /api/analyze HTTP/1.1\r\n" + json +
        "Content-Length: 17\r\n\r\n{\"code\":\"int a;\"}def");
  const ClientPlan closing{
      {"POST /api/analyze HTTP/1.1\r\n" + json + "Content-Length: 99\r\n\r\n{\"code\":\"int z;\"}"},
      milliseconds(0),
      true};
  EXPECT_TRUE(serveOverPair(closing, *store_).received.starts_with("HTTP/1.1 200 OK\r\n"));
  EXPECT_EQ(savedCodes(),
            (std::vector<std::string>{"int x;\nint y;#2", "int A;#1", "int a;#1", "int z;#1"}));
}

TEST_F(ServerConnectionTest, StorageFailureIsReportedNotFatal) {
  ScopedEnv save("QUORBEL_SAVE_ANALYSES", "on");
  const std::string badPath = scratch_.path() + "/a/b/history.db";
  AnalysisStore broken(badPath);
  // The client learns that the save failed, not where the database lives.
  const std::string error = "The history database could not be written.";
  const auto serveBroken = [&](const std::string& request) {
    return serveOverPair(ClientPlan{{request}}, broken).received;
  };
  const std::string json = serveBroken(postJson(R"({"code":"int x;"})"));
  EXPECT_TRUE(json.starts_with("HTTP/1.1 200 OK\r\n")) << json;
  EXPECT_TRUE(contains(json, R"(,"saved":false,"storageError":")" + error + R"(","verdict":)"))
      << json;
  write("public/complexity.html", "{{NOTES}}");
  const std::string html = serveBroken(post("/analyze", "", "code=int+x%3B"));
  EXPECT_TRUE(html.starts_with("HTTP/1.1 200 OK\r\nContent-Type: " + kHtml + "\r\n")) << html;
  EXPECT_TRUE(
      contains(html, "<li>Analysis ran, but SQLite history was not saved: " + error + "</li>"))
      << html;
}

// ---- The runner's switches ----

TEST_F(ServerConnectionTest, RunnerSwitchesAndSecret) {
  const std::string wrongBody = post("/api/run", "text/plain", R"({"code":"int main(){}"})");
  const std::string badRequest =
      response("415 Unsupported Media Type", kJson, kCors,
               runRefusal("bad_request", "Expected Content-Type: application/json."));
  const std::string unauthorized =
      response("401 Unauthorized", kJson, kCors,
               runRefusal("internal_error", "Runner backend authorization failed."));
  {
    ScopedEnv off("QUORBEL_ENABLE_BACKEND_RUN", "0");
    EXPECT_EQ(serve(wrongBody),
              response("503 Service Unavailable", kJson, kCors,
                       runRefusal("internal_error", "C++ runner is not enabled.")));
  }
  EXPECT_EQ(serve(wrongBody), badRequest) << "unset switches let the request through";
  {
    ScopedEnv required("QUORBEL_RUNNER_REQUIRE_VALIDATED", "true");
    EXPECT_EQ(serve(wrongBody),
              response("503 Service Unavailable", kJson, kCors,
                       runRefusal("internal_error",
                                  "Runner Linux validation is required before execution.")));
    gRunnerValidatedOnStart = true;
    EXPECT_EQ(serve(wrongBody), badRequest);
  }
  ScopedEnv secret("QUORBEL_RUNNER_SHARED_SECRET", "k3y");
  EXPECT_EQ(serve(wrongBody), unauthorized);
  EXPECT_EQ(serve(post("/api/run", "text/plain", "", "X-Quorbel-Runner-Secret:  k3y \r\n")),
            badRequest)
      << "the header value is trimmed like every other";
}

// Who may run: another site's page, a rebound Host name and a server open to the network
// are refused; an allow-listed origin gets its CORS grant. A text/plain body that passes every
// check meets the 415 of the body reader, which tells "let through" apart from "refused".
TEST_F(ServerConnectionTest, CrossOriginHostAndListeningPolicy) {
  const std::string allowed = "http://ide.example";
  const std::string grant = "Access-Control-Allow-Origin: " + allowed + "\r\nVary: Origin\r\n";
  struct Case {
    const char* name;
    std::string headers;  // after the request line
    std::optional<std::string> origins, runHosts, secret;
    bool beyondLoopback;
    std::string want;  // the status line's code and a part of the answer
  };
  const std::string run = "POST /api/run HTTP/1.1\r\nContent-Type: text/plain\r\n";
  const std::string cross = "403 Forbidden|Runs from another site are refused";
  const std::string host = "403 Forbidden|Runs are refused for this Host name";
  const Case cases[] = {
      {"loopback, no origin", "Host: localhost:8080\r\n", {}, {}, {}, false, "415 |"},
      {"same origin",
       "Host: 127.0.0.1:8080\r\nOrigin: http://127.0.0.1:8080\r\n",
       {},
       {},
       {},
       false,
       "415 |"},
      {"another site",
       "Host: 127.0.0.1:8080\r\nOrigin: http://evil.example\r\n",
       {},
       {},
       {},
       false,
       cross},
      {"opaque origin", "Host: 127.0.0.1\r\nOrigin: null\r\n", {}, {}, {}, false, cross},
      {"allow-listed site",
       "Host: 127.0.0.1\r\nOrigin: " + allowed + "\r\n",
       " x.example ," + allowed,
       {},
       {},
       false,
       "415 |" + grant},
      {"rebound host name", "Host: evil.example\r\n", {}, {}, {}, false, host},
      {"LAN address", "Host: 192.168.1.5:8080\r\n", {}, {}, {}, false, host},
      {"listed host", "Host: 192.168.1.5:8080\r\n", {}, "192.168.1.5", {}, false, "415 |"},
      {"beyond loopback, no secret",
       "Host: [::1]\r\n",
       {},
       {},
       {},
       true,
       "403 Forbidden|runs need QUORBEL_RUNNER_SHARED_SECRET"},
      {"beyond loopback, secret",
       "Host: [::1]\r\nX-Quorbel-Runner-Secret: s\r\n",
       {},
       {},
       "s",
       true,
       "415 |"},
  };
  for (const Case& c : cases) {
    ScopedEnv origins("QUORBEL_CORS_ORIGINS", c.origins);
    ScopedEnv hosts("QUORBEL_RUN_HOSTS", c.runHosts);
    ScopedEnv secret("QUORBEL_RUNNER_SHARED_SECRET", c.secret);
    gListensBeyondLoopback = c.beyondLoopback;
    const std::string answer = serve(run + c.headers + "Content-Length: 2\r\n\r\n{}");
    gListensBeyondLoopback = false;
    const size_t bar = c.want.find('|');
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 " + c.want.substr(0, bar))) << c.name << answer;
    EXPECT_TRUE(contains(answer, c.want.substr(bar + 1))) << c.name << answer;
    EXPECT_EQ(contains(answer, "Access-Control"), contains(c.want, "Access-Control")) << c.name;
  }
  ScopedEnv origins("QUORBEL_CORS_ORIGINS", allowed);
  const std::pair<std::string, bool> probes[] = {
      {"GET /healthz HTTP/1.1\r\nOrigin: " + allowed + "\r\n\r\n", true},
      {"OPTIONS /api/analyze HTTP/1.1\r\nOrigin: " + allowed + "\r\n\r\n", true},
      {"GET /healthz HTTP/1.1\r\nOrigin: http://evil.example\r\n\r\n", false},
      {"GET /styles.css HTTP/1.1\r\nOrigin: " + allowed + "\r\n\r\n", false},
  };
  for (const auto& [request, granted] : probes)
    EXPECT_EQ(contains(serve(request), grant), granted) << request;
}

// ---- Reading the request ----

// A request that never arrives whole, or is no request, ends the connection without an answer
// and in time.
TEST_F(ServerConnectionTest, NoAnswerWithoutAWholeRequest) {
  struct Case {
    const char* name;
    ClientPlan plan;
    RequestLimits limits;
    int atLeastMs;
    int belowMs;
  };
  const milliseconds none{0};
  const milliseconds tick{50};
  const RequestLimits usual{};
  const std::string get = "GET /healthz HTTP/1.1\r\n";
  const std::string post = "POST /api/analyze HTTP/1.1\r\nContent-Length: ";
  const Case cases[] = {
      {"closed at once", {{""}, none, true}, usual, 0, 4000},
      {"closed before the blank line", {{get}, none, true}, usual, 0, 4000},
      {"closed one byte short", {{get + "\r"}, none, true}, usual, 0, 4000},
      {"empty method", {{"\r\n\r\n"}, none, true}, usual, 0, 4000},
      {"blank request line", {{"   \r\nHost: x\r\n\r\n"}, none, true}, usual, 0, 4000},
      {"silent client, dropped after five seconds", {{get}}, usual, 4900, 9000},
      // Each byte arrives well within the receive timeout: only the request deadline ends it.
      {"trickling head", {{get + "X: "}, tick, false, true}, {1000, 600}, 550, 5000},
      {"trickling body", {{post + "100000\r\n\r\n"}, tick, false, true}, {1000, 600}, 0, 5000},
      {"stalled body, not the 15 s deadline", {{post + "10\r\n\r\ncode"}}, {300, 15000}, 250, 5000},
  };
  for (const Case& c : cases) {
    const Outcome outcome = serveOverPair(c.plan, *store_, c.limits);
    EXPECT_EQ(outcome.received, "") << c.name;
    EXPECT_GE(outcome.elapsed, milliseconds(c.atLeastMs)) << c.name;
    EXPECT_LT(outcome.elapsed, milliseconds(c.belowMs)) << c.name;
  }
}

TEST_F(ServerConnectionTest, EveryPrefixSplitIsReassembled) {
  const std::string request = "GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n";
  for (size_t split = 1; split < request.size(); ++split) {
    const ClientPlan plan{{request.substr(0, split), request.substr(split)}, milliseconds(2)};
    EXPECT_EQ(serveOverPair(plan, *store_).received, healthy()) << split;
  }
}

// The header block and body limits, with their boundaries, and the length's syntax. A refusal
// from the header alone comes at once: the body is not waited for.
TEST_F(ServerConnectionTest, SizeLimitsAndContentLength) {
  const std::string invalid =
      response("400 Bad Request", kJson, kCors, R"({"error":"Invalid Content-Length."})");
  const std::string fill = "GET /healthz HTTP/1.1\r\nX-Fill: ";
  const std::string post = "POST /api/analyze HTTP/1.1\r\nContent-Length: ";
  const std::string nowhere = "POST /nowhere HTTP/1.1\r\nContent-Length: ";
  const testing::Case<std::string, std::string> cases[] = {
      {"header block one byte over the limit",
       fill + std::string(65536 - fill.size() - 3, 'a') + "\r\n\r\n", kHeadTooLarge},
      {"header block at the limit", fill + std::string(65536 - fill.size() - 4, 'a') + "\r\n\r\n",
       healthy()},
      {"header block over the limit, blank line never sent", fill + std::string(70000, 'a'),
       kHeadTooLarge},
      {"3.6 MB header block sent at once", fill + std::string(3600000, 'a') + "\r\n\r\n",
       kHeadTooLarge},
      {"body over the limit", post + "2000001\r\n\r\n", kBodyTooLarge},
      {"length beyond any integer", post + "99999999999999999999999999\r\n\r\n", kBodyTooLarge},
      {"body exactly at the limit", nowhere + "2000000\r\n\r\n" + std::string(2000000, 'b'),
       kNotFoundLine},
      {"length checked before routing", "GET /healthz HTTP/1.1\r\nContent-Length: abc\r\n\r\n",
       invalid},
      // Surrounding blanks are part of header syntax, not of the number.
      {"blanks around the length", nowhere + " 007 \r\n\r\ncode=xy", kNotFoundLine},
  };
  for (const auto& c : cases) {
    const Outcome outcome = serveOverPair(ClientPlan{{c.in}}, *store_);
    EXPECT_EQ(outcome.received, c.want) << c.name;
    EXPECT_LT(outcome.elapsed, milliseconds(4000)) << c.name;
  }
  for (const char* value : {"12abc", "-1", "+5", "0x10", "1 2", "", "1.0"})
    EXPECT_EQ(serve(post + value + "\r\n\r\ncode=x"), invalid) << value;
}

TEST_F(ServerConnectionTest, ClientThatLeftEarlyDoesNotStopTheServer) {
  int ends[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
  const std::string request = "GET /healthz HTTP/1.1\r\n\r\n";
  ASSERT_EQ(send(ends[0], request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
  close(ends[0]);  // gone before the answer: the send fails and is ignored
  serveConnection(ends[1], *store_, RequestLimits{});
  EXPECT_EQ(serve("GET /healthz HTTP/1.1\r\n\r\n"), healthy());
}

// ---- Over TCP ----

// Two connections to a loopback port, served one after the other by handleClient.
TEST_F(ServerConnectionTest, LoopbackTcp) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  ASSERT_EQ(listen(listener, 16), 0);
  std::thread server([&] {
    for (int i = 0; i < 2; ++i) {
      const int client = accept(listener, nullptr, nullptr);
      if (client >= 0) handleClient(client, *store_);
    }
  });
  const int port = ntohs(address.sin_port);
  EXPECT_EQ(testing::loopbackExchange(port, "GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"),
            healthy());
  // An upload refused from its header: the answer arrives although the client is still
  // sending (or its send has failed because the server closed without reading the body).
  EXPECT_EQ(testing::loopbackExchange(port, postJson(std::string(3000000, 'x'))), kBodyTooLarge);
  server.join();
  close(listener);
}

// The connection loop on a real loopback listener, with short deadlines: clients that hold a
// connection open or read nothing lose it in time, and /healthz is answered meanwhile; what
// has no room is refused at once with Retry-After.
TEST_F(ServerConnectionTest, LoopServesEveryoneWithinItsDeadlines) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  ASSERT_EQ(listen(listener, 64), 0);
  const int port = ntohs(address.sin_port);
  ScopedEnv seconds("QUORBEL_ANALYSIS_SECONDS", "1");
  LoopLimits limits;
  limits.readDeadlineMs = 600;
  limits.idleTimeoutMs = 400;
  limits.writeDeadlineMs = 500;
  limits.maxConnections = 6;
  limits.analysisWorkers = 1;
  limits.analysisQueue = 1;
  std::atomic<bool> stop{false};
  std::thread server([&] { serveWithLoop(listener, *store_, limits, stop); });

  // Held connections: one that sends nothing, one trickling a header byte every 100 ms.
  const auto connectTo = [&] {
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return client;
  };
  const int silent = connectTo();
  const int trickling = connectTo();
  std::thread trickle([&] {
    for (int i = 0; i < 20 && testing::sendAll(trickling, "X"); ++i)
      std::this_thread::sleep_for(milliseconds(100));
  });
  const auto start = Clock::now();
  EXPECT_EQ(testing::loopbackExchange(port, "GET /healthz HTTP/1.1\r\n\r\n"), healthy());
  EXPECT_LT(Clock::now() - start, milliseconds(500)) << "not behind the held connections";
  EXPECT_EQ(testing::receiveAll(silent), "") << "closed at the idle limit";
  EXPECT_EQ(testing::receiveAll(trickling), "") << "closed at the request deadline";
  EXPECT_LT(Clock::now() - start, milliseconds(1500));
  trickle.join();
  close(silent);
  close(trickling);

  // A reader that takes nothing of a large file is reset at the write deadline, before the
  // kernel could hand it the rest.
  const std::string large(8 << 20, 'q');
  write("public/vendor/monaco/large.js", large);
  const int slow = socket(AF_INET, SOCK_STREAM, 0);
  const int small = 4096;
  setsockopt(slow, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  connect(slow, reinterpret_cast<sockaddr*>(&address), sizeof address);
  testing::sendAll(slow, "GET /vendor/monaco/large.js HTTP/1.1\r\n\r\n");
  std::this_thread::sleep_for(milliseconds(limits.writeDeadlineMs + 700));
  size_t received = 0;
  char chunk[65536];
  ssize_t count = 0;
  while ((count = recv(slow, chunk, sizeof chunk, 0)) > 0) received += static_cast<size_t>(count);
  EXPECT_EQ(count, -1) << "reset, not closed";
  EXPECT_LT(received, large.size());
  close(slow);

  // One analysis worker and one place in its queue: of three slow analyses sent together one
  // is refused at once, while the refusals of the header block never reach a worker.
  const std::string chain = testing::sizeChainProgram(800);
  std::vector<std::string> replies(3);
  std::vector<std::thread> clients;
  for (std::string& reply : replies) {
    clients.emplace_back([&, target = &reply] {
      *target = testing::loopbackExchange(port, postJson("{\"code\":" + jsonString(chain) + "}"));
    });
    // The first is at work before the others come: one waits, one finds no room.
    if (clients.size() == 1) std::this_thread::sleep_for(milliseconds(300));
  }
  std::this_thread::sleep_for(milliseconds(200));
  const std::pair<std::string, std::string> refusals[] = {
      {"POST /api/analyze HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
       "Transfer-Encoding is not supported"},
      {"POST /api/analyze HTTP/1.1\r\nContent-Length: 2\r\nContent-Length: 2\r\n\r\n{}",
       "Invalid Content-Length."},
      {"POST /api/analyze HTTP/1.1\r\nContent-Length: 2x\r\n\r\n{}", "Invalid Content-Length."},
  };
  for (const auto& [request, message] : refusals) {
    const std::string reply = testing::loopbackExchange(port, request);
    EXPECT_TRUE(reply.starts_with("HTTP/1.1 400 Bad Request\r\n") && contains(reply, message))
        << reply;
  }
  for (std::thread& client : clients) client.join();
  int busy = 0, stopped = 0;
  for (const std::string& reply : replies) {
    busy += reply.starts_with("HTTP/1.1 503 ") && contains(reply, "Retry-After: 5\r\n");
    stopped += reply.starts_with("HTTP/1.1 422 ") && contains(reply, "analysis stopped after 1 s");
  }
  EXPECT_EQ(busy, 1) << replies[0] << replies[1] << replies[2];
  EXPECT_EQ(stopped, 2) << replies[0] << replies[1] << replies[2];
  stop = true;
  server.join();
  close(listener);
}

// With every box busy and the queue full, a run and a measurement alike are refused at once
// with Retry-After and one CORS grant (two would make a browser drop the answer).
TEST_F(ServerConnectionTest, FullRunGateRefusesRunsAndMeasurements) {
  ScopedEnv origins("QUORBEL_CORS_ORIGINS", "http://ide.example");
  ScopedEnv unboxed("QUORBEL_RUNNER_ALLOW_UNBOXED", "1");
  RunGate& gate = processRunGate();
  const RunGateSize size = runGateSizeFromEnvironment();
  for (int i = 0; i < size.boxes; ++i) ASSERT_TRUE(gate.enter());
  std::vector<std::thread> queued;
  for (int i = 0; i < size.waiting; ++i)
    queued.emplace_back([&] { gate.enter() && (gate.leave(), true); });
  std::this_thread::sleep_for(milliseconds(200));
  for (const char* path : {"/api/run", "/api/measure"}) {
    const std::string reply = serve(post(path, "application/json", R"({"code":"int main(){}"})",
                                         "Origin: http://ide.example\r\n"));
    EXPECT_TRUE(reply.starts_with("HTTP/1.1 429 ")) << path << "\n" << reply;
    EXPECT_TRUE(contains(reply, "Retry-After: 5\r\n")) << path;
    EXPECT_TRUE(contains(reply, "Too many runs are in progress")) << path;
    size_t grants = 0;
    for (size_t at = reply.find("Access-Control-Allow-Origin:"); at != std::string::npos;
         at = reply.find("Access-Control-Allow-Origin:", at + 1))
      ++grants;
    EXPECT_EQ(grants, 1u) << path << "\n" << reply;
  }
  for (int i = 0; i < size.boxes; ++i) gate.leave();
  for (std::thread& waiting : queued) waiting.join();
}

// One box: a second run waits for it, and a run beyond the queue is refused at once.
TEST(RunGateTest, OneBoxAndABoundedQueue) {
  RunGate gate({1, 1});
  ASSERT_TRUE(gate.enter());
  std::atomic<bool> second{false};
  std::thread waiting([&] {
    second = gate.enter();
    gate.leave();
  });
  std::this_thread::sleep_for(milliseconds(100));
  EXPECT_FALSE(second) << "waits for the box";
  EXPECT_FALSE(gate.enter()) << "the box busy, the queue full";
  gate.leave();
  waiting.join();
  EXPECT_TRUE(second);
  struct Setting {
    const char* name;
    std::optional<std::string> text;
    int want;
  };
  const Setting kSettings[] = {
      {"QUORBEL_RUN_QUEUE", std::nullopt, 8}, {"QUORBEL_RUN_QUEUE", "0", 0},
      {"QUORBEL_RUN_QUEUE", "20", 20},        {"QUORBEL_RUN_QUEUE", "-1", 8},
      {"QUORBEL_RUN_QUEUE", "x", 8},          {"QUORBEL_RUN_BOXES", std::nullopt, 2},
      {"QUORBEL_RUN_BOXES", "3", 3},          {"QUORBEL_RUN_BOXES", "0", 2},
      {"QUORBEL_RUN_BOXES", "2x", 2},
  };
  for (const Setting& setting : kSettings) {
    ScopedEnv value(setting.name, setting.text);
    const RunGateSize size = runGateSizeFromEnvironment();
    const bool boxes = std::string(setting.name) == "QUORBEL_RUN_BOXES";
    EXPECT_EQ(boxes ? size.boxes : size.waiting, setting.want)
        << setting.name << "=" << setting.text.value_or("unset");
  }
}

}  // namespace
}  // namespace quorbel
