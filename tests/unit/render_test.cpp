// The result page and the JSON documents. The documents are compared whole: key order,
// separators and escapes all matter to the front end, which reads them without a tolerant
// parser. The page template is read from public/ under the working directory, so the page's
// tests run inside a scratch directory holding their own template.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "server/render_html.h"
#include "server/render_json.h"
#include "test_support.h"

namespace quorbel {
namespace {

// ---- JSON documents ----

TEST(RenderJsonTest, JsonString) {
  const testing::Case<std::string, std::string> cases[] = {
      {"backslash", "a\\b", R"j("a\\b")j"},
      {"named controls", "\b\t\n\f\r", R"j("\b\t\n\f\r")j"},
      {"NUL byte", std::string(1, '\0'), R"j("\u0000")j"},
      {"byte 0x1f, lower-case hex", "\x1f", R"j("\u001f")j"},
      {"vertical tab has no short form", "\v", R"j("\u000b")j"},
      {"0x20 is plain", " ", R"j(" ")j"},
      {"DEL passes", "\x7f", "\"\x7f\""},
      {"invalid UTF-8 becomes U+FFFD", "\xFF\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"slash is not escaped", "a/b", R"j("a/b")j"},
  };
  for (const auto& c : cases) EXPECT_EQ(jsonString(c.in), c.want) << c.name;
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
      .space = {"O(n)", "Linear", "Array", {"vector v"}, {{"2", "vector<int> v(n)", "O(n)"}}},
      .parseErrorLine = 7,
      .timeCost = multiplyCosts(sizeCost("n"), logCost(sizeCost("n"))),
      .spaceCost = sizeCost("n"),
      .assumptions = {{39, "time", "trip count \"bounded\" by |adj|", "medium"},
                      {0, "space", "tests are summed", "medium"}},
      .confidence = {"medium", "medium"}};
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
      R"j("notes":["note one"],"parseErrorLine":7,"saved":true,)j"
      R"j("cost":{"time":{"terms":[{"factors":[{"size":"n","power":1,"logs":1,"logLogs":0,)j"
      R"j("alphas":0,"exponential":1,"exponentialSize":"","factorial":false}],"constant":1}]},)j"
      R"j("space":{"terms":[{"factors":[{"size":"n","power":1,"logs":0,"logLogs":0,)j"
      R"j("alphas":0,"exponential":1,"exponentialSize":"","factorial":false}],"constant":1}]}},)j"
      R"j("confidence":{"time":"medium","space":"medium"},)j"
      R"j("assumptions":[{"line":39,"dimension":"time","text":"trip count \"bounded\" by |adj|"},)j"
      R"j({"line":0,"dimension":"space","text":"tests are summed"}]})j";
  EXPECT_EQ(renderJsonAnalysis(sampleAnalysis(), 12, true, ""), want);
}

TEST(RenderJsonTest, AnalysisDocumentEdges) {
  const std::string head =
      R"j({"notation":"","label":"","pattern":"",)j"
      R"j("space":{"notation":"","label":"","pattern":"","signals":[],"breakdown":[]},)j"
      R"j("constraintBudget":"","constraints":[],"lineCount":)j";
  const std::string tail =
      R"j(,"signals":[],"breakdown":[],"notes":[],"parseErrorLine":0,"saved":false)j";
  const std::string cost =
      R"j(,"cost":{"time":{"terms":[]},"space":{"terms":[]}},)j"
      R"j("confidence":{"time":"high","space":"high"},"assumptions":[]})j";
  EXPECT_EQ(renderJsonAnalysis(Analysis{}, 0, false, ""), head + "0" + tail + cost);
  EXPECT_EQ(renderJsonAnalysis(Analysis{}, -1, false, "disk \"full\""),
            head + "-1" + tail + R"j(,"storageError":"disk \"full\"")j" + cost);
  // The verdict follows every earlier key; the structured cost, then the confidence, come last.
  EXPECT_EQ(renderJsonAnalysis(Analysis{}, 0, false, "x", "{}"),
            head + "0" + tail + R"j(,"storageError":"x","verdict":{})j" + cost);
  // Sized exponentials, roots and factorials keep their parts apart; 60 passes stay a constant.
  Analysis shapes;
  shapes.timeCost = multiplyCosts(
      multiplyCosts(sizedExponentialCost(sizeCost("k"), sizeCost("n")), repeatedCost(60)),
      multiplyCosts(sqrtCost(sizeCost("m")), factorialCost(sizeCost("q"))));
  EXPECT_NE(
      renderJsonAnalysis(shapes, 0, false, "")
          .find(
              R"j("terms":[{"factors":[{"size":"n","power":0,"logs":0,"logLogs":0,"alphas":0,"exponential":1,"exponentialSize":"k","factorial":false},{"size":"m","power":0.5,)j"
              R"j("logs":0,"logLogs":0,"alphas":0,"exponential":1,"exponentialSize":"","factorial":false},{"size":"q","power":0,"logs":0,"logLogs":0,"alphas":0,"exponential":1,"exponentialSize":"","factorial":true}],"constant":60}])j"),
      std::string::npos);
}

TEST(RenderJsonTest, RunResultDocument) {
  RunResult defaults;
  EXPECT_EQ(renderJsonRunResult(defaults),
            R"j({"status":"internal_error","phase":"","stdout":"","stderr":"",)j"
            R"j("compilerOutput":"","exitCode":-1,"timedOut":false,"stdoutTruncated":false,)j"
            R"j("stderrTruncated":false,"compileMs":0,"runMs":0,"signal":"","explanation":"",)j"
            R"j("timeLimitMs":0,"memoryLimitMb":0,"memoryKb":0})j");

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
                      .runMs = 7,
                      .signal = "SIGSEGV",
                      .explanation = "SIGSEGV: invalid",
                      .timeLimitMs = 1500,
                      .memoryLimitMb = 512};
  EXPECT_EQ(renderJsonRunResult(ran),
            R"j({"status":"runtime_error","phase":"run","stdout":"1 2\n","stderr":"oops\t",)j"
            R"j("compilerOutput":"warning: \u0001","exitCode":-11,"timedOut":true,)j"
            R"j("stdoutTruncated":true,"stderrTruncated":false,"compileMs":1234567890123,)j"
            R"j("runMs":7,"error":"Output limit exceeded.","signal":"SIGSEGV",)j"
            R"j("explanation":"SIGSEGV: invalid","timeLimitMs":1500,"memoryLimitMb":512,)j"
            R"j("memoryKb":0})j");
}

// ---- The result page ----

using testing::ScratchWorkingDirectory;

TEST(RenderHtmlTest, ReplaceAll) {
  struct Case {
    const char* name;
    std::string text;
    const char* pattern;
    const char* replacement;
    const char* want;
  };
  const Case cases[] = {
      {"replacement holding the pattern is not rescanned", "{{A}}", "{{A}}", "{{A}}{{A}}",
       "{{A}}{{A}}"},
      {"replacement forming the pattern with what follows is not rescanned", "abb", "ab", "a",
       "ab"},
      {"empty pattern changes nothing", "abc", "", "x", "abc"},
      {"empty replacement", "a--b--", "--", "", "ab"},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    replaceAll(text, c.pattern, c.replacement);
    EXPECT_EQ(text, c.want) << c.name;
  }
}

Analysis pageAnalysis() {
  Analysis a;
  a.notation = "O(n^2)";
  a.label = "Quadratic <slow>";
  a.pattern = "Nested loops";
  a.constraintBudget = "Budget &amp; more";  // escaped again: escaping is not idempotent
  a.signals = {"outer", ""};
  a.breakdown = {{"2", "for i", "O(n)"}, {"-", "a\"b", "O(n^2)"}};
  a.notes = {"n'b"};
  a.constraints = {{"n", "~10K", "n^2 <= 1e8"}};
  a.space.notation = "O(1)";
  a.space.label = "Constant";
  a.space.pattern = "Scalars";
  a.space.signals = {"int x"};
  a.space.breakdown = {{"1", "not shown", "O(1)"}};
  return a;
}

TEST(RenderHtmlTest, RenderPageFillsEveryPlaceholder) {
  ScratchWorkingDirectory scratch;
  scratch.write("public/complexity.html",
                "<pre>{{CODE}}</pre>|{{LINE_COUNT}}|{{COMPLEXITY}}|{{LABEL}}|"
                "{{SPACE_COMPLEXITY}}|{{SPACE_LABEL}}|{{SPACE_PATTERN}}|{{SPACE_SIGNALS}}|"
                "{{PATTERN}}|{{CONSTRAINT_BUDGET}}|{{CONSTRAINTS}}|{{SIGNALS}}|{{BREAKDOWN}}|"
                "{{NOTES}}|{{UNKNOWN}}|{{LABEL}}");
  EXPECT_EQ(renderPage("if (a < b)\nx;\n", pageAnalysis()),
            "<pre>if (a &lt; b)\nx;\n</pre>|2|O(n^2)|Quadratic &lt;slow&gt;|"
            "O(1)|Constant|Scalars|<li>int x</li>|"
            "Nested loops|Budget &amp;amp; more|"
            "<li><strong>n</strong><span>~10K</span><small>n^2 &lt;= 1e8</small></li>|"
            "<li>outer</li><li></li>|"
            "<tr><td>2</td><td>for i</td><td>O(n)</td></tr>"
            "<tr><td>-</td><td>a&quot;b</td><td>O(n^2)</td></tr>|"
            "<li>n&#39;b</li>|{{UNKNOWN}}|Quadratic &lt;slow&gt;");
}

TEST(RenderHtmlTest, TemplateIsFilledInOnePass) {
  ScratchWorkingDirectory scratch;
  scratch.write("public/complexity.html", "[{{CODE}}]");
  // Placeholders typed into the code stay as typed: inserted text is never scanned again.
  EXPECT_EQ(
      renderPage("{{LABEL}} {{CODE}} {{SPACE_LABEL}} {{NOTES}} {{LINE_COUNT}}", pageAnalysis()),
      "[{{LABEL}} {{CODE}} {{SPACE_LABEL}} {{NOTES}} {{LINE_COUNT}}]");
  scratch.write("public/complexity.html", "{{LABEL}}|{{NOTES}}");
  Analysis a;
  a.label = "{{NOTES}}";
  a.notes = {"{{LABEL}}"};
  EXPECT_EQ(renderPage("", a), "{{NOTES}}|<li>{{LABEL}}</li>");
  const std::map<std::string, std::string> values = {{"A", "{{B}}"}, {"B", "b"}};
  const std::pair<const char*, const char*> fills[] = {
      {"{{A}}{{B}}", "{{B}}b"}, {"{{X}}{{B}}", "{{X}}b"}, {"{{B", "{{B"},
      {"x{{B}}}}", "xb}}"},     {"}}{{A}}", "}}{{B}}"},   {"", ""},
  };
  for (const auto& [page, want] : fills) EXPECT_EQ(fillTemplate(page, values), want) << page;
}

TEST(RenderHtmlTest, MissingTemplateEmptyConstraintsAndBlankCode) {
  ScratchWorkingDirectory scratch;
  EXPECT_EQ(renderPage("int main() {}", pageAnalysis()), "") << "no template, an empty page";
  scratch.write("public/complexity.html", "{{CONSTRAINTS}}|{{LINE_COUNT}}|{{SIGNALS}}");
  EXPECT_EQ(renderPage(" \n\t\r\n", Analysis{}), "|0|");
  EXPECT_EQ(renderPage("x", Analysis{}), "|1|");
  EXPECT_EQ(renderPage("x\n", Analysis{}), "|1|") << "a final line feed ends the line";
  EXPECT_EQ(renderPage("x\n\n", Analysis{}), "|2|") << "an empty last line still counts";
}

}  // namespace
}  // namespace quorbel
