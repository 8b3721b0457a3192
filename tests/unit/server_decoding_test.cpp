// The request decoders: percent-decoding, form parameters, the textual JSON field reader, the
// request head, the environment switches and the static-file table.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "server/http_request.h"
#include "server/server_switches.h"
#include "server/static_files.h"
#include "test_support.h"

namespace quorbel {
namespace {

using testing::ScopedEnv;

TEST(ServerDecodingTest, UrlDecode) {
  struct Case {
    const char* name;
    std::string text;
    std::string want;
  };
  const Case cases[] = {
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
  for (const Case& c : cases) EXPECT_EQ(urlDecode(c.text), c.want) << c.name;
}

TEST(ServerDecodingTest, ParseParams) {
  using Params = std::map<std::string, std::string>;
  struct Case {
    const char* name;
    const char* text;
    Params want;
  };
  const Case cases[] = {
      {"piece without equals is skipped", "flag&code=x", {{"code", "x"}}},
      {"empty value", "code=", {{"code", ""}}},
      {"only the first equals splits", "code=a=b", {{"code", "a=b"}}},
      {"later duplicate wins", "code=1&code=2", {{"code", "2"}}},
      {"key and value decoded", "c%6Fde=int+x%3B", {{"code", "int x;"}}},
      {"encoded ampersand stays in the value", "code=a%26b&x=1", {{"code", "a&b"}, {"x", "1"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(parseParams(c.text), c.want) << c.name;
}

TEST(ServerDecodingTest, JsonFieldString) {
  struct Case {
    const char* name;
    std::string body;
    std::optional<std::string> want;  // nullopt: not found
  };
  const Case cases[] = {
      {"white space around the colon", "{\"code\" :\n\t \"a\"}", "a"},
      {"named escapes", R"({"code":"a\nb\tc\rd\be\ff\/g"})", "a\nb\tc\rd\be\ff/g"},
      {"quote and backslash", R"({"code":"say \"hi\" \\ done"})", "say \"hi\" \\ done"},
      {"non-string then a later string", R"({"code":5,"code":"x"})", "x"},
      {"key as a string value, then the next colon's string", R"({"name":"code","other":"v"})",
       "v"},
      {"escaped key inside a string is no key", R"({"x":"\"code\"","code":"real"})", "real"},
      {"longer key is not the key", R"({"mycode":"a"})", std::nullopt},
      {"unterminated after an escape", "{\"code\":\"abc\\", std::nullopt},
      // The four characters after \u are taken blindly, a quote among them included.
      {"short unicode escape takes the quote", R"({"code":"a\u0","code":"b"})", R"(a\u0","code)"},
      {"no colon", R"({"code")", std::nullopt},
      {"empty string", R"({"code":""})", ""},
  };
  for (const Case& c : cases) {
    std::string out = "unchanged";
    const bool found = jsonFieldString(c.body, "code", out);
    EXPECT_EQ(found, c.want.has_value()) << c.name;
    EXPECT_EQ(out, c.want.value_or("unchanged")) << c.name;
  }
}

TEST(ServerDecodingTest, ParseRequestHead) {
  Request request;
  parseRequestHead(
      "POST  /api/analyze?x=1?y HTTP/1.1 extra\r\n"
      "Content-Type :  Application/JSON \r\n"
      "no colon here\r\n"
      "X-Repeat: one\r\n"
      "x-repeat: two\r\n"
      "Host: a:b",
      request);
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.target, "/api/analyze?x=1?y");
  EXPECT_EQ(request.path, "/api/analyze");
  EXPECT_EQ(request.query, "x=1?y");
  const std::map<std::string, std::string> want = {
      {"content-type", "Application/JSON"}, {"x-repeat", "two"}, {"host", "a:b"}};
  EXPECT_EQ(request.headers, want);

  Request bare;
  parseRequestHead("GET /", bare);
  EXPECT_EQ(bare.method, "GET");
  EXPECT_EQ(bare.path, "/");
  EXPECT_EQ(bare.query, "");
  EXPECT_TRUE(bare.headers.empty());
}

TEST(ServerSwitchesTest, TruthyValues) {
  struct Case {
    const char* value;
    bool want;
  };
  const Case cases[] = {{"1", true},       {"true", true},     {"YES", true},    {" On\r\n", true},
                        {"\tTrUe ", true}, {"0", false},       {"", false},      {"2", false},
                        {"y", false},      {"enabled", false}, {"on on", false}, {"\vtrue", false}};
  for (const Case& c : cases) EXPECT_EQ(isTruthySwitchValue(c.value), c.want) << c.value;
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
  for (const Case& c : cases) {
    ScopedEnv secret("QUORBEL_RUNNER_SHARED_SECRET", c.secret);
    ScopedEnv required("QUORBEL_RUNNER_REQUIRE_SHARED_SECRET", c.required);
    EXPECT_EQ(runnerSecretAccepted(c.headers), c.want) << c.name;
  }
}

TEST(ServerStaticFilesTest, ServedPaths) {
  struct Case {
    const char* path;
    bool want;
  };
  const Case cases[] = {
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
  for (const Case& c : cases) EXPECT_EQ(isStaticFilePath(c.path), c.want) << c.path;
}

TEST(ServerStaticFilesTest, ContentTypes) {
  struct Case {
    const char* file;
    const char* want;
  };
  const Case cases[] = {
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
  for (const Case& c : cases) EXPECT_EQ(staticContentType(c.file), c.want) << c.file;
}

}  // namespace
}  // namespace quorbel
