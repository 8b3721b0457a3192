// The verdict in every interface: "quorbel analyze json" prints the body /api/analyze answers
// for the same code and limits, the full report has its section, and refused limits give
// status 1 on the command line and 400 from the API.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/json_value.h"
#include "server/render_json.h"
#include "server/routes.h"
#include "storage/analysis_store.h"
#include "test_support.h"

namespace quorbel {
namespace {

// Sorts its input: O(n log n) time, a fixed array. n and the time limit come from line 3.
const std::string kProgram =
    "#include <bits/stdc++.h>\nusing namespace std;\n"
    "// 1 <= n <= 2*10^5, time limit 2 s\n"
    "const int maxN = 2e5 + 5;\nint a[maxN];\n"
    "int main() { int n; cin >> n; for (int i = 0; i < n; i++) cin >> a[i]; sort(a, a + n); }\n";

class VerdictInterfacesTest : public ::testing::Test {
 protected:
  testing::CommandOutput cli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), testing::quorbelBinary());
    return testing::runCommand(arguments, {.environment = {"QUORBEL_SAVE_ANALYSES"}});
  }

  Response api(const std::string& body) {
    Request request;
    request.method = "POST";
    request.path = "/api/analyze";
    request.headers["content-type"] = "application/json";
    request.body = body;
    return routeRequest(request, store_);
  }

  testing::ScopedTmpDir tmp_;
  testing::ScopedEnv save_{"QUORBEL_SAVE_ANALYSES", std::nullopt};
  AnalysisStore store_{tmp_.path() + "/history.db"};
  const std::string file_ = tmp_.write("a.cpp", kProgram);
};

TEST_F(VerdictInterfacesTest, JsonModePrintsTheApiBody) {
  const std::string code = jsonString(kProgram);
  const struct {
    std::vector<std::string> flags;
    std::string body;
  } kCases[] = {
      {{}, "{\"code\":" + code + "}"},
      {{"--limit", "n=10^6", "--time-limit=1", "--memory-limit", "64"},
       "{\"code\":" + code + ",\"limits\":{\"n\":\"10^6\"},\"timeLimitSeconds\":1," +
           "\"memoryLimitMb\":64}"},
  };
  for (const auto& c : kCases) {
    std::vector<std::string> arguments = {"analyze", "json", file_};
    arguments.insert(arguments.end(), c.flags.begin(), c.flags.end());
    const testing::CommandOutput out = cli(arguments);
    const Response response = api(c.body);
    EXPECT_EQ(out.status, 0) << out.err;
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(out.out, response.body + "\n");
    JsonValue document;
    ASSERT_TRUE(parseJson(response.body, document));
    ASSERT_GE(document.members.size(), 4u);
    EXPECT_EQ(document.members[document.members.size() - 4].key, "verdict");
    EXPECT_EQ(document.members[document.members.size() - 3].key, "cost");
    EXPECT_EQ(document.members[document.members.size() - 2].key, "confidence");
    EXPECT_EQ(document.members.back().key, "assumptions");
  }
  // The n limit came from the comment, the time limit from the same line.
  const Response fromSource = api("{\"code\":" + code + "}");
  EXPECT_NE(fromSource.body.find(R"("source":"constraints comment on line 3")"), std::string::npos);
  EXPECT_NE(fromSource.body.find(R"("timeLimitSeconds":2,"timeLimitSource":"constraints)"),
            std::string::npos);
}

TEST_F(VerdictInterfacesTest, FullReportAndShortReport) {
  const testing::CommandOutput full = cli({"analyze", "full", file_});
  EXPECT_NE(full.out.find("\nVerdict at the limits:\n  - n = 2*10^5 (constraints comment on line "
                          "3)\n"),
            std::string::npos)
      << full.out;
  // The file states its limits: the short report says the verdict without any flag.
  const testing::CommandOutput plain = cli({"analyze", file_});
  EXPECT_NE(plain.out.find("\nVerdict: time fits, memory fits\n"), std::string::npos) << plain.out;
  const testing::CommandOutput limited = cli({"analyze", file_, "--limit", "n=10^9"});
  EXPECT_NE(limited.out.find("\nVerdict: time too slow, memory fits\n"), std::string::npos)
      << limited.out;
}

TEST_F(VerdictInterfacesTest, RefusedLimits) {
  const struct {
    std::vector<std::string> flags;
    std::string message;
  } kCli[] = {
      {{"--limit", "k=5"}, "quorbel: --limit k=5: the estimate has no size named 'k' (its sizes: "},
      {{"--limit", "n"}, "quorbel: --limit n: expected NAME=VALUE, such as n=2e5.\n"},
      {{"--time-limit", "0"}, "quorbel: --time-limit 0: '0' must be more than 0 seconds\n"},
      {{"--memory-limit"}, "quorbel: --memory-limit needs a value, such as 256.\n"},
  };
  for (const auto& c : kCli) {
    std::vector<std::string> arguments = {"analyze", "full", file_};
    arguments.insert(arguments.end(), c.flags.begin(), c.flags.end());
    const testing::CommandOutput out = cli(arguments);
    EXPECT_EQ(out.status, 1) << c.message;
    EXPECT_EQ(out.out, "");
    // The list of sizes after an unknown name is the estimator's; only its start is fixed.
    EXPECT_EQ(out.err.substr(0, c.message.size()), c.message);
  }
  const std::string code = "{\"code\":\"int main() { return 0; }\",";
  const struct {
    std::string body;
    std::string error;
  } kApi[] = {
      {code + R"j("limits":{"n":"1e19"}})j",
       R"j({"error":"limits.n: the estimate has no size named 'n' (it names no sizes)"})j"},
      {code + R"j("limits":[1]})j",
       R"j({"error":"limits: expected an object such as {\"n\": 200000}"})j"},
      {code + R"j("limits":{"n":true}})j",
       R"j({"error":"limits.n: expected a number or a string"})j"},
      {code + R"j("timeLimitSeconds":-1})j",
       R"j({"error":"timeLimitSeconds: '-1' must be more than 0 seconds"})j"},
      {code + R"j("memoryLimitMb":"lots"})j",
       R"j({"error":"memoryLimitMb: 'lots' is not a number of megabytes"})j"},
      {code + R"j("limits":{"n":5})j",
       R"j({"error":"Malformed JSON body: expected one JSON object."})j"},
  };
  for (const auto& c : kApi) {
    const Response response = api(c.body);
    EXPECT_EQ(response.status, 400) << c.body;
    EXPECT_EQ(response.body, c.error);
  }
}

TEST(JsonValueTest, StrictDocuments) {
  const struct {
    std::string text;
    bool ok;
  } kCases[] = {
      {R"j({"a":[1,-2.5e3,"\u00e9\ud83d\ude00",true,null],"b":{}})j", true},
      {" 2e5 ", true},
      {R"({"a":1,})", false},
      {R"({"a" 1})", false},
      {"01", false},
      {"\"tab\there\"", false},
      {std::string(65, '[') + std::string(65, ']'), false},
      {std::string(64, '[') + std::string(64, ']'), true},
  };
  for (const auto& c : kCases) {
    JsonValue value;
    EXPECT_EQ(parseJson(c.text, value), c.ok) << c.text;
  }
  JsonValue value;
  ASSERT_TRUE(parseJson(R"({"s":"\u00e9\ud83d\ude00","s":"last"})", value));
  EXPECT_EQ(jsonMember(value, "s")->text, "last");
  ASSERT_TRUE(parseJson(R"("\u00e9\ud83d\ude00")", value));
  EXPECT_EQ(value.text, "\xC3\xA9\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace quorbel
