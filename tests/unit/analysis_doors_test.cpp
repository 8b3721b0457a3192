// Every door to the analysis runs it under the same bounds: the JSON API, the form page, a
// measurement (over HTTP and on the command line) and `quorbel analyze`. A small file of
// macro-built structs nested thousands deep is refused by each, and none of them lets the
// process grow past what the bounds allow.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cctype>
#include <chrono>
#include <string>
#include <vector>

#include "analysis/bounded_analysis.h"
#include "base/analysis_bounds.h"
#include "base/json_text.h"
#include "server/routes.h"
#include "test_support.h"

namespace quorbel {
namespace {

using testing::ScopedEnv;

// Structs nested 24^3 = 13,824 deep, built by macros: 600 bytes of text. Each level opens 24
// copies of the level below and closes them again. Unbounded, the parse and the model of so
// deep a tree took gigabytes; within the bounds it stops at 384 MB.
std::string nestedStructMacros() {
  std::string text = "#include <iostream>\n#define O0 struct {\n#define C0 } x;\n";
  for (int level = 1; level <= 3; ++level) {
    for (const char* name : {"O", "C"}) {
      text += "#define " + std::string(name) + std::to_string(level);
      for (int copy = 0; copy < 24; ++copy)
        text += " " + std::string(name) + std::to_string(level - 1);
      text += "\n";
    }
  }
  return text + "O3 int a; C3\nint main() { int n; std::cin >> n; for (int i = 0; i < n; i++); }\n";
}

std::string urlEncoded(const std::string& text) {
  std::string out;
  const char* hex = "0123456789ABCDEF";
  for (const unsigned char c : text) {
    if (std::isalnum(c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

Response postTo(const std::string& path, const std::string& type, const std::string& body,
                AnalysisStore& store) {
  Request request;
  request.method = "POST";
  request.path = path;
  request.target = path;
  request.body = body;
  request.headers["content-type"] = type;
  request.headers["host"] = "127.0.0.1";
  return routeRequest(request, store);
}

long peakResidentKib(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return usage.ru_maxrss;
}

constexpr long kOneGibInKib = 1L << 20;
// The address sanitizer's shadow and quarantine hold memory of their own.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

TEST(AnalysisDoorsTest, HostileMacrosAreRefusedByEveryServerDoor) {
  ScopedEnv unboxed("QUORBEL_RUNNER_ALLOW_UNBOXED", "1");
  ScopedEnv run("QUORBEL_ENABLE_BACKEND_RUN", std::nullopt);
  ScopedEnv save("QUORBEL_SAVE_ANALYSES", std::nullopt);
  testing::ScratchDir scratch;
  AnalysisStore store(scratch.path() + "/history.db");
  const std::string code = nestedStructMacros();
  ASSERT_LT(code.size(), 1000u);
  const std::string json = "{\"code\":" + jsonString(code) + "}";
  struct Door {
    const char* name;
    std::string path, type, body;
  };
  const Door doors[] = {
      {"JSON API", "/api/analyze", "application/json", json},
      {"form page", "/analyze", "application/x-www-form-urlencoded", "code=" + urlEncoded(code)},
      {"measure", "/api/measure", "application/json", json},
  };
  for (const Door& door : doors) {
    const auto start = std::chrono::steady_clock::now();
    const Response response = postTo(door.path, door.type, door.body, store);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(response.status, 422) << door.name << ": " << response.body.substr(0, 300);
    EXPECT_NE(response.body.find("analysis stopped after"), std::string::npos)
        << door.name << ": " << response.body.substr(0, 300);
    // Within the 3 s of CPU and the clock's backstop of three times that, with room to spare
    // for a loaded machine.
    EXPECT_LT(seconds, 12.0) << door.name;
  }
  if (!kSanitized) {
    EXPECT_LT(peakResidentKib(RUSAGE_SELF), kOneGibInKib);
  }
}

// Text with no C++ in it, and empty code, get no estimate from the server either: the same
// note as the command line's, no verdict, no history row.
TEST(AnalysisDoorsTest, NoCppAndEmptyCodeAreRefused) {
  ScopedEnv save("QUORBEL_SAVE_ANALYSES", "1");
  testing::ScratchDir scratch;
  AnalysisStore store(scratch.path() + "/history.db");
  const std::string readme =
      "# A solution\n\nThis program reads the input and prints the answer quickly.\n";
  struct Case {
    const char* name;
    std::string path, type, body;
    int status;
    const char* bodyPart;
  };
  const Case cases[] = {
      {"README by the API", "/api/analyze", "application/json",
       "{\"code\":" + jsonString(readme) + "}", 422, "This does not look like C++"},
      // The result page has no verdict: it shows the note instead of an estimate.
      {"README by the form page", "/analyze", "application/x-www-form-urlencoded",
       "code=" + urlEncoded(readme), 200, "This does not look like C++"},
      {"empty code", "/api/analyze", "application/json", R"({"code":""})", 400,
       R"({"error":"The code is empty: nothing to analyze."})"},
      {"blank code", "/api/analyze", "application/json", R"({"code":" \n\t "})", 400,
       "The code is empty"},
      {"C++ is still answered", "/api/analyze", "application/json",
       R"({"code":"int main(){int n;for(int i=0;i<n;i++);}"})", 200, R"x("notation":"O(n)")x"},
  };
  for (const Case& c : cases) {
    const Response response = postTo(c.path, c.type, c.body, store);
    EXPECT_EQ(response.status, c.status) << c.name << ": " << response.body.substr(0, 300);
    EXPECT_NE(response.body.find(c.bodyPart), std::string::npos)
        << c.name << ": " << response.body.substr(0, 300);
  }
  EXPECT_EQ(testing::query(scratch.path() + "/history.db", "SELECT COUNT(*) FROM analyses;"),
            std::vector<std::string>{"1"})
      << "only the C++ program was saved";
}

// The command line's two commands that analyse: exit status 4 with the bound's message.
TEST(AnalysisDoorsTest, HostileMacrosAreRefusedByTheCommandLine) {
  testing::ScratchDir scratch;
  const std::string file = scratch.write("macros.cpp", nestedStructMacros());
  for (const char* command : {"analyze", "measure"}) {
    const testing::CommandOutput output = testing::runCommand(
        {testing::quorbelBinary(), command, file}, {{"QUORBEL_RUNNER_ALLOW_UNBOXED=1"}});
    EXPECT_EQ(output.status, 4) << command << ": " << output.out << output.err;
    EXPECT_NE((output.out + output.err).find("analysis stopped after"), std::string::npos)
        << command << ": " << output.out << output.err;
  }
  EXPECT_LT(peakResidentKib(RUSAGE_CHILDREN), kOneGibInKib);
}

// The bounded entry point itself: the later work shares the analysis' budget, and a tripped
// bound leaves no half analysis behind.
TEST(AnalysisDoorsTest, BoundedEntryPointRunsTheLaterWorkWithinTheSameBounds) {
  bool ranAfter = false;
  const BoundedAnalysis plain =
      analyzeWithinBounds("int main(){int n;for(int i=0;i<n;i++);}",
                          [&](const Analysis& analysis) { ranAfter = !analysis.notation.empty(); });
  EXPECT_FALSE(plain.stopped);
  EXPECT_EQ(plain.analysis.notation, "O(n)");
  EXPECT_TRUE(ranAfter);

  // Work after the analysis that would take forever is stopped by the same clock.
  ScopedEnv seconds("QUORBEL_ANALYSIS_SECONDS", "0.3");
  const BoundedAnalysis endless = analyzeWithinBounds("int main(){}", [](const Analysis&) {
    while (true) checkAnalysisBounds();
  });
  ASSERT_TRUE(endless.stopped);
  EXPECT_EQ(endless.stopped->rfind("analysis stopped after 0.3 s", 0), 0u) << *endless.stopped;
  EXPECT_EQ(endless.analysis.notation, "");

  ScopedEnv memory("QUORBEL_ANALYSIS_MEMORY_MB", "64");
  ScopedEnv longer("QUORBEL_ANALYSIS_SECONDS", "30");
  const BoundedAnalysis macros = analyzeWithinBounds(nestedStructMacros());
  ASSERT_TRUE(macros.stopped);
  EXPECT_NE(macros.stopped->find("it needed more than 64 MB of memory"), std::string::npos)
      << *macros.stopped;
}

}  // namespace
}  // namespace quorbel
