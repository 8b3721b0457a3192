// The request decoders (percent-decoding, form parameters, the textual JSON field reader, the
// request head), what the server reads from its environment and arguments, and the static-file
// table.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/server_mode.h"
#include "runner/runner_config.h"
#include "server/http_request.h"
#include "server/json_value.h"
#include "server/render_json.h"
#include "server/server_switches.h"
#include "server/static_files.h"
#include "test_support.h"

namespace quorbel {
namespace {

using testing::ScopedEnv;

TEST(ServerDecodingTest, UrlDecode) {
  const testing::Case<std::string, std::string> cases[] = {
      {"plus is a space", "a+b", "a b"},
      {"lower-case hex", "%3c%3E", "<>"},
      {"one character after percent is kept", "%4", "%4"},
      {"lone percent at the end", "100%", "100%"},
      {"half hex pair is kept", "%4g", "%4g"},
      {"sign is not a hex digit", "%+1", "% 1"},
      {"NUL byte", std::string("%00"), std::string(1, '\0')},
      {"high byte", "%C3%A9", "\xC3\xA9"},
      {"escapes are decoded once", "%2541", "%41"},
  };
  for (const auto& c : cases) EXPECT_EQ(urlDecode(c.in), c.want) << c.name;
}

TEST(ServerDecodingTest, ParseParams) {
  using Params = std::map<std::string, std::string>;
  const testing::Case<const char*, Params> cases[] = {
      {"piece without equals is skipped", "flag&code=x", {{"code", "x"}}},
      {"empty value", "code=", {{"code", ""}}},
      {"only the first equals splits", "code=a=b", {{"code", "a=b"}}},
      {"later duplicate wins", "code=1&code=2", {{"code", "2"}}},
      {"key and value decoded", "c%6Fde=int+x%3B", {{"code", "int x;"}}},
      {"encoded ampersand stays in the value", "code=a%26b&x=1", {{"code", "a&b"}, {"x", "1"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(parseParams(c.in), c.want) << c.name;
}

// Request fields are the top-level members of the one JSON document, read by parseJson.
TEST(ServerDecodingTest, RequestFieldsComeFromTheTopLevelObject) {
  const testing::Case<std::string, std::optional<std::string>> cases[] = {
      {"white space around the colon", "{\"code\" :\n\t \"a\"}", "a"},
      {"named escapes", R"({"code":"a\nb\tc\rd\be\ff\/g"})", "a\nb\tc\rd\be\ff/g"},
      {"unicode escape is decoded", R"({"code":"\u00e9\ud83d\ude00"})", "\xC3\xA9\xF0\x9F\x98\x80"},
      {"a nested object's field is not the request's", R"({"meta":{"code":"A"},"code":"B"})", "B"},
      {"only nested", R"({"meta":{"code":"A"}})", std::nullopt},
      {"a later duplicate wins", R"({"code":"a","code":"b"})", "b"},
      {"non-string value", R"({"code":5})", std::nullopt},
      {"truncated document", R"({"code":"a")", std::nullopt},
      {"trailing bytes", R"({"code":"a"} x)", std::nullopt},
      {"an array is no request", R"(["code","a"])", std::nullopt},
  };
  for (const auto& c : cases) {
    JsonValue document;
    const JsonValue* code = parseJson(c.in, document) ? jsonMember(document, "code") : nullptr;
    const bool found = code != nullptr && code->kind == JsonValue::Kind::kString;
    EXPECT_EQ(found, c.want.has_value()) << c.name;
    if (found) {
      EXPECT_EQ(code->text, *c.want) << c.name;
    }
  }
}

TEST(ServerDecodingTest, InvalidUtf8BecomesReplacementCharacters) {
  const std::string fffd = "\xEF\xBF\xBD";
  const std::pair<std::string, std::string> cases[] = {
      {"plain \xC3\xA9 \xF0\x9F\x98\x80", "plain \xC3\xA9 \xF0\x9F\x98\x80"},
      {"a\xFF"
       "b",
       "a" + fffd + "b"},
      {"\xC0\xAF", fffd + fffd},                        // overlong "/"
      {"\xED\xA0\x80", fffd + fffd + fffd},             // a surrogate
      {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},  // above U+10FFFF
      {"cut \xE2\x82", "cut " + fffd + fffd},
  };
  for (const auto& [in, want] : cases) EXPECT_EQ(validUtf8(in), want) << in;
  EXPECT_EQ(jsonString("\x80\n"), "\"" + fffd + "\\n\"");
}

TEST(ServerDecodingTest, ParseRequestHead) {
  Request request;
  EXPECT_TRUE(
      parseRequestHead("POST  /api/analyze?x=1?y HTTP/1.1 extra\r\n"
                       "Content-Type:  Application/JSON \r\n"
                       "X-Repeat: one\r\n"
                       "x-repeat: two\r\n"
                       "Host: a:b",
                       request));
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.target, "/api/analyze?x=1?y");
  EXPECT_EQ(request.path, "/api/analyze");
  EXPECT_EQ(request.query, "x=1?y");
  const std::map<std::string, std::string> want = {
      {"content-type", "Application/JSON"}, {"x-repeat", "two"}, {"host", "a:b"}};
  EXPECT_EQ(request.headers, want);

  Request bare;
  EXPECT_TRUE(parseRequestHead("GET /", bare));
  EXPECT_EQ(bare.method, "GET");
  EXPECT_EQ(bare.path, "/");
  EXPECT_EQ(bare.query, "");
  EXPECT_TRUE(bare.headers.empty());
}

// The three readers of on/off words: the server's switches and the start-up validation trim
// blanks first; the runner's variables are taken as they are.
TEST(ServerSwitchesTest, OnWords) {
  struct Case {
    std::optional<std::string> value;
    bool trimmed;  // isTruthySwitchValue and startupValidationRequested
    bool raw;      // truthyEnv
  };
  const Case cases[] = {
      {std::nullopt, false, false}, {"", false, false},       {"1", true, true},
      {"true", true, true},         {"YES", true, true},      {"On", true, true},
      {"TrUe", true, true},         {" On\r\n", true, false}, {"\t1\r\n", true, false},
      {"true\n", true, false},      {"0", false, false},      {"false", false, false},
      {"2", false, false},          {"y", false, false},      {"enabled", false, false},
      {"on on", false, false},      {"\vtrue", false, false},
  };
  for (const auto& c : cases) {
    const std::string shown = c.value.value_or("(unset)");
    if (c.value) {
      EXPECT_EQ(isTruthySwitchValue(*c.value), c.trimmed) << shown;
    }
    const EnvironmentLookup lookup = [&](const char* name) {
      return std::string(name) == "QUORBEL_RUNNER_VALIDATE_ON_START" ? c.value : std::nullopt;
    };
    EXPECT_EQ(startupValidationRequested(lookup), c.trimmed) << shown;
    ScopedEnv env("QUORBEL_TEST_SWITCH", c.value);
    EXPECT_EQ(truthyEnv("QUORBEL_TEST_SWITCH"), c.raw) << shown;
  }
}

// The defaults when unset are checked through the server's routes.
TEST(ServerSwitchesTest, SetButEmptyIsNotTheDefault) {
  ScopedEnv off("QUORBEL_ENABLE_BACKEND_RUN", "");
  EXPECT_FALSE(backendRunEnabled());
}

TEST(ServerSwitchesTest, RunnerSecret) {
  using Headers = std::map<std::string, std::string>;
  struct Case {
    const char* name;
    std::optional<std::string> secret;
    std::optional<std::string> required;
    Headers headers;
    bool want;
  };
  const std::string header = "x-quorbel-runner-secret";
  const Case cases[] = {
      {"empty secret, not required", "", "no", {}, true},
      {"no secret but required", std::nullopt, "yes", {}, false},
      {"matching header", "s3cret", "yes", {{header, "s3cret"}}, true},
      {"last byte differs", "s3cret", "yes", {{header, "s3creT"}}, false},
      {"prefix is not enough", "s3cret", std::nullopt, {{header, "s3cre"}}, false},
      {"longer is not enough", "s3cret", std::nullopt, {{header, "s3crets"}}, false},
  };
  for (const auto& c : cases) {
    ScopedEnv secret("QUORBEL_RUNNER_SHARED_SECRET", c.secret);
    ScopedEnv required("QUORBEL_RUNNER_REQUIRE_SHARED_SECRET", c.required);
    EXPECT_EQ(runnerSecretAccepted(c.headers), c.want) << c.name;
  }
}

TEST(ServerModeTest, HostAndPortSelection) {
  struct Case {
    const char* name;
    const char* argument;  // the port after the program name, or none
    std::map<std::string, std::string> environment;
    const char* host;
    int port;
  };
  const Case cases[] = {
      {"defaults", nullptr, {}, "127.0.0.1", 8080},
      {"PORT alone opens to all", nullptr, {{"PORT", "3000"}}, "0.0.0.0", 3000},
      {"empty PORT is unset", nullptr, {{"PORT", ""}}, "127.0.0.1", 8080},
      {"explicit host wins", nullptr, {{"PORT", "3"}, {"QUORBEL_HOST", "10.0.0.5"}}, "10.0.0.5", 3},
      {"empty host is unset", nullptr, {{"QUORBEL_HOST", ""}}, "127.0.0.1", 8080},
      {"argument port keeps the local host", "9000", {}, "127.0.0.1", 9000},
      {"argument beats PORT, PORT still opens the host", "9000", {{"PORT", "3"}}, "0.0.0.0", 9000},
      // 0: no port, refused at start-up with exit status 2.
      {"non-numeric argument is port 0", "abc", {}, "127.0.0.1", 0},
      {"argument above 65535", "70000", {}, "127.0.0.1", 0},
      {"signed argument", "+80", {}, "127.0.0.1", 0},
      {"highest port", "65535", {}, "127.0.0.1", 65535},
      {"PORT not a number", nullptr, {{"PORT", "80x"}}, "0.0.0.0", 0},
  };
  for (const auto& c : cases) {
    char* argv[] = {const_cast<char*>("quorbel"), const_cast<char*>(c.argument), nullptr};
    const EnvironmentLookup lookup = [&](const char* name) -> std::optional<std::string> {
      const auto found = c.environment.find(name);
      if (found == c.environment.end()) return std::nullopt;
      return found->second;
    };
    const ServerAddress address = selectServerAddress(c.argument ? 2 : 1, argv, lookup);
    EXPECT_EQ(address.host, c.host) << c.name;
    EXPECT_EQ(address.port, c.port) << c.name;
  }
}

TEST(ServerStaticFilesTest, ServedPaths) {
  const std::pair<const char*, bool> cases[] = {
      {"/ide-runner.js", true},
      {"/ide-runner.js.map", false},
      {"/other.js", false},
      {"/vendor/monaco/a..b.js", false},
      {"/vendor/cpp-wasm/clang", true},
      {"/vendor/cpp-wasm\\clang", false},
      {"/vendor/monaco", false},
      {"/downloads/quorbel.tar.gz", true},
      {"/downloads", false},
      {"/vendor/other/x.js", false},
  };
  for (const auto& [path, want] : cases) EXPECT_EQ(isStaticFilePath(path), want) << path;
}

TEST(ServerStaticFilesTest, ContentTypes) {
  const std::pair<const char*, const char*> cases[] = {
      {"public/downloads/q.tar.gz", "application/gzip"},
      {"public/downloads/q.tar", "application/x-tar"},
      {"public/downloads/q.gz", "application/octet-stream"},
      {"public/vendor/monaco/a.json", "application/json; charset=utf-8"},
      {"public/vendor/cpp-wasm/sysroot/stdio.h", "text/plain; charset=utf-8"},
      {"public/vendor/cpp-wasm/clang", "application/wasm"},
      {"public/vendor/cpp-wasm/lld", "application/wasm"},
      {"public/vendor/cpp-wasm/clang2", "application/octet-stream"},
      {"public/downloads/clang", "application/octet-stream"},
      {"public/vendor/monaco/a.wasm", "application/octet-stream"},
  };
  for (const auto& [file, want] : cases) EXPECT_EQ(staticContentType(file), want) << file;
}

}  // namespace
}  // namespace quorbel
