#include "server/run_request.h"

#include <gtest/gtest.h>

#include "server/http_request.h"
#include "server/json_value.h"

namespace quorbel {
namespace {

bool read(const std::string& body, RunRequest& run, std::string& error) {
  JsonValue document;
  if (!parseJson(body, document)) {
    error = "not JSON";
    return false;
  }
  return readRunRequest(document, run, error);
}

TEST(RunRequestTest, FieldsAndTheirRefusals) {
  struct Case {
    const char* name;
    const char* body;
    const char* error;  // empty: read
  };
  const Case kCases[] = {
      {"code and input alone", R"({"code":"x","input":"1"})", ""},
      {"an input of another kind is none, as always", R"({"code":"x","input":5})", ""},
      {"every field",
       R"({"code":"x","standard":"c++23","debug":true,"expectedOutput":"1",)"
       R"("tests":[{"input":"1","expectedOutput":"2"},{"input":"3"}]})",
       ""},
      {"null fields are absent", R"({"code":"x","standard":null,"debug":null,"tests":null})", ""},
      {"no code", R"({"input":"1"})", "Expected JSON body with a string code field."},
      {"code of another kind", R"({"code":1})", "Expected JSON body with a string code field."},
      {"an unknown standard", R"({"code":"x","standard":"c++11"})",
       "Expected standard to be \"c++17\", \"c++20\" or \"c++23\"."},
      {"the standard's plain name only", R"({"code":"x","standard":"gnu++20"})",
       "Expected standard to be \"c++17\", \"c++20\" or \"c++23\"."},
      {"debug as a string", R"({"code":"x","debug":"true"})",
       "Expected debug to be true or false."},
      {"expected output as a number", R"({"code":"x","expectedOutput":3})",
       "Expected expectedOutput and standard to be strings."},
      {"tests as an object", R"({"code":"x","tests":{"input":"1"}})",
       "Expected tests to be an array of {\"input\", \"expectedOutput\"} objects."},
      {"a test as a string", R"({"code":"x","tests":["1"]})",
       "Expected each test to be an object with a string input and expectedOutput."},
      {"a test's input as a number", R"({"code":"x","tests":[{"input":1}]})",
       "Expected each test to be an object with a string input and expectedOutput."},
  };
  for (const Case& c : kCases) {
    RunRequest run;
    std::string error;
    EXPECT_EQ(read(c.body, run, error), c.error[0] == '\0') << c.name;
    EXPECT_EQ(error, c.error) << c.name;
  }
}

TEST(RunRequestTest, ReadsWhatItWasGiven) {
  RunRequest run;
  std::string error;
  ASSERT_TRUE(read(R"({"code":"c","input":"i","standard":"c++17","debug":true,"timeLimitMs":4000,)"
                   R"("tests":[{"input":"a","expectedOutput":"b"},{"input":"c"}]})",
                   run, error));
  EXPECT_EQ(run.code, "c");
  EXPECT_EQ(run.input, "i");
  EXPECT_EQ(run.standard, "c++17");
  EXPECT_TRUE(run.debug);
  EXPECT_EQ(run.timeLimitMs, 4000);
  ASSERT_EQ(run.tests.size(), 2u);
  EXPECT_EQ(run.tests[0].expectedOutput, "b");
  EXPECT_FALSE(run.tests[1].expectedOutput.has_value());
  EXPECT_FALSE(run.expectedOutput.has_value());
  // A caller sending code and input alone keeps the defaults.
  RunRequest plain;
  ASSERT_TRUE(read(R"({"code":"c","input":"i"})", plain, error));
  EXPECT_EQ(plain.standard, "c++20");
  EXPECT_FALSE(plain.debug);
  EXPECT_EQ(plain.timeLimitMs, 0);
  EXPECT_TRUE(plain.tests.empty());
}

// /api/run takes a judge-sized body; every other route keeps its 2 MB. Both sides of each limit.
TEST(RunRequestTest, BodyLimitOfEachRoute) {
  struct Case {
    const char* path;
    size_t length;
    RequestRead read;
  };
  const Case kCases[] = {
      {"/api/run", kMaxRunRequestBodyBytes, RequestRead::kIncomplete},
      {"/api/run", kMaxRunRequestBodyBytes + 1, RequestRead::kBodyTooLarge},
      {"/api/run", size_t{1} << 40, RequestRead::kBodyTooLarge},
      {"/api/analyze", kMaxRequestBodyBytes, RequestRead::kIncomplete},
      {"/api/analyze", kMaxRequestBodyBytes + 1, RequestRead::kBodyTooLarge},
      {"/api/run/", kMaxRequestBodyBytes + 1, RequestRead::kBodyTooLarge},
      {"/api/measure", kMaxRequestBodyBytes + 1, RequestRead::kBodyTooLarge},
  };
  for (const Case& c : kCases) {
    Request request;
    const std::string head = std::string("POST ") + c.path +
                             " HTTP/1.1\r\nContent-Length: " + std::to_string(c.length) +
                             "\r\n\r\n{";
    EXPECT_EQ(takeRequest(head, false, request), c.read) << c.path << " " << c.length;
  }
}

}  // namespace
}  // namespace quorbel
