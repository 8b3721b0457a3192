// The JSON documents, compared whole: key order, separators and escapes all matter to the
// front end, which reads them without a tolerant parser.
#include "server/render_json.h"

#include <gtest/gtest.h>

#include <string>

namespace quorbel {
namespace {

TEST(RenderJsonTest, JsonString) {
  struct Case {
    const char* name;
    std::string text;
    std::string want;
  };
  const Case cases[] = {
      {"backslash", "a\\b", R"j("a\\b")j"},
      {"named controls", "\b\t\n\f\r", R"j("\b\t\n\f\r")j"},
      {"NUL byte", std::string(1, '\0'), R"j("\u0000")j"},
      {"byte 0x1f, lower-case hex", "\x1f", R"j("\u001f")j"},
      {"vertical tab has no short form", "\v", R"j("\u000b")j"},
      {"0x20 is plain", " ", R"j(" ")j"},
      {"DEL passes", "\x7f", "\"\x7f\""},
      {"invalid UTF-8 passes unchanged", "\xFF\x80", "\"\xFF\x80\""},
      {"slash is not escaped", "a/b", R"j("a/b")j"},
  };
  for (const Case& c : cases) EXPECT_EQ(jsonString(c.text), c.want) << c.name;
}

Analysis sampleAnalysis() {
  return Analysis{
      .notation = "O(n log n)",
      .label = "Linearithmic",
      .pattern = "Sorting",
      .constraintBudget = "About 100M.",
      .signals = {"sort \"v\"", "", "loop\nnext"},
      .breakdown = {{"4", "std::sort", "O(n log n)"}, {"-", "tab\there", "O(1)"}},
      .notes = {"note one"},
      .constraints = {{"n", "~4.52M", "sort <"}},
      .space = {"O(n)", "Linear", "Array", {"vector v"}, {{"2", "vector<int> v(n)", "O(n)"}}}};
}

TEST(RenderJsonTest, AnalysisDocumentKeyOrder) {
  const std::string want =
      R"j({"notation":"O(n log n)","label":"Linearithmic","pattern":"Sorting",)j"
      R"j("space":{"notation":"O(n)","label":"Linear","pattern":"Array",)j"
      R"j("signals":["vector v"],"breakdown":[{"line":"2","signal":"vector<int> v(n)","cost":"O(n)"}]},)j"
      R"j("constraintBudget":"About 100M.",)j"
      R"j("constraints":[{"variable":"n","maxValue":"~4.52M","assumption":"sort <"}],)j"
      R"j("lineCount":12,"signals":["sort \"v\"","","loop\nnext"],)j"
      R"j("breakdown":[{"line":"4","signal":"std::sort","cost":"O(n log n)"},)j"
      R"j({"line":"-","signal":"tab\there","cost":"O(1)"}],)j"
      R"j("notes":["note one"],"saved":true})j";
  EXPECT_EQ(renderJsonAnalysis(sampleAnalysis(), 12, true, ""), want);
}

TEST(RenderJsonTest, AnalysisDocumentEdges) {
  const std::string head =
      R"j({"notation":"","label":"","pattern":"",)j"
      R"j("space":{"notation":"","label":"","pattern":"","signals":[],"breakdown":[]},)j"
      R"j("constraintBudget":"","constraints":[],"lineCount":)j";
  const std::string tail = R"j(,"signals":[],"breakdown":[],"notes":[],"saved":false)j";
  EXPECT_EQ(renderJsonAnalysis(Analysis{}, 0, false, ""), head + "0" + tail + "}");
  EXPECT_EQ(renderJsonAnalysis(Analysis{}, -1, false, "disk \"full\""),
            head + "-1" + tail + R"j(,"storageError":"disk \"full\""})j");
  // The verdict comes last, after every earlier key.
  EXPECT_EQ(renderJsonAnalysis(Analysis{}, 0, false, "x", "{}"),
            head + "0" + tail + R"j(,"storageError":"x","verdict":{}})j");
}

TEST(RenderJsonTest, RunResultDocument) {
  RunResult defaults;
  EXPECT_EQ(renderJsonRunResult(defaults),
            R"j({"status":"internal_error","phase":"","stdout":"","stderr":"",)j"
            R"j("compilerOutput":"","exitCode":-1,"timedOut":false,"stdoutTruncated":false,)j"
            R"j("stderrTruncated":false,"compileMs":0,"runMs":0})j");

  const RunResult ran{.status = "runtime_error",
                      .phase = "run",
                      .stdout = "1 2\n",
                      .stderr = "oops\t",
                      .compilerOutput = "warning: \x01",
                      .error = "Output limit exceeded.",
                      .exitCode = -11,
                      .timedOut = true,
                      .stdoutTruncated = true,
                      .compileMs = 1234567890123,
                      .runMs = 7};
  EXPECT_EQ(renderJsonRunResult(ran),
            R"j({"status":"runtime_error","phase":"run","stdout":"1 2\n","stderr":"oops\t",)j"
            R"j("compilerOutput":"warning: \u0001","exitCode":-11,"timedOut":true,)j"
            R"j("stdoutTruncated":true,"stderrTruncated":false,"compileMs":1234567890123,)j"
            R"j("runMs":7,"error":"Output limit exceeded."})j");
}

}  // namespace
}  // namespace quorbel
