// What the editor shows of an analysed document: diagnostics from the verdict on the line that
// dominates, the costs of loops and calls, hovers, and the JSON they travel in with the
// protocol's positions. Programs are analysed for real; every expectation is worked out from
// the program and its limits by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lsp/document_analysis.h"
#include "lsp/editor_messages.h"
#include "lsp/editor_settings.h"
#include "lsp/editor_views.h"

namespace quorbel {
namespace {

// Two nested loops over n (line 11 inside line 10) after a reading loop, then a sort.
const char* const kQuadratic =
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
    "  sort(a.begin(), a.end());\n"
    "  cout << best << endl;\n"
    "}\n";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

// The program with its inner loop gone: O(n log n) fits.
std::string linearProgram() {
  return replaced(kQuadratic, "    for (int j = i + 1; j < n; j++) {\n", "    {\n");
}

std::string describe(const std::vector<EditorDiagnostic>& diagnostics) {
  std::string text;
  for (const EditorDiagnostic& d : diagnostics)
    text += std::to_string(d.line) + " " + std::to_string(d.severity) + " " + d.code + " " +
            d.message + "\n";
  return text;
}

GivenLimits sizeLimit(const std::string& name, const std::string& value) {
  return GivenLimits{{{name, value, "limits." + name}}, std::nullopt, std::nullopt};
}

TEST(LspViewsTest, Diagnostics) {
  struct Case {
    const char* name;
    std::string text;
    GivenLimits limits;
    std::string want;
  };
  const std::string tooLarge = "int main() {}\n" + std::string(1048576, ' ');
  const Case cases[] = {
      {"too slow on the inner loop: (2*10^5)^2 = 4*10^10",
       kQuadratic,
       {},
       "11 2 too-slow too slow: about 4*10^10 operations at n = 2*10^5 (limit 1 s); "
       "for loop over j: O(n^2)\n"},
      {"fast once the inner loop is gone", linearProgram(), {}, ""},
      {"no limit, no verdict", replaced(kQuadratic, "// 1 <= n <= 2*10^5", "//"), {}, ""},
      {"the editor's limit: (10^3)^2 = 10^6 fits", kQuadratic, sizeLimit("n", "1000"), ""},
      {"the editor's limit: (2*10^4)^2 = 4*10^8 is tight",
       replaced(kQuadratic, "// 1 <= n <= 2*10^5", "//"), sizeLimit("n", "2*10^4"),
       "11 3 tight tight: about 400 million operations at n = 2*10^4 (limit 1 s), so the "
       "constant factor decides; for loop over j: O(n^2)\n"},
      {"a size the file does not have is left out", kQuadratic, sizeLimit("q", "5"),
       "11 2 too-slow too slow: about 4*10^10 operations at n = 2*10^5 (limit 1 s); "
       "for loop over j: O(n^2)\n"},
      {"the larger at the limits dominates, not the first: m^2 = 10^10 against n^2 = 10^6",
       "// 1 <= n <= 1000, 1 <= m <= 10^5\n"
       "int main() {\n"
       "  int n, m;\n"
       "  cin >> n >> m;\n"
       "  long long s = 0;\n"
       "  for (int i = 0; i < n; i++)\n"
       "    for (int j = 0; j < n; j++) s += i ^ j;\n"
       "  for (int i = 0; i < m; i++)\n"
       "    for (int j = 0; j < m; j++) s += i & j;\n"
       "}\n",
       {},
       "9 2 too-slow too slow: about 10^10 operations at n = 1000, m = 10^5 (limit 1 s); "
       "for loop over j: O(m^2)\n"},
      {"memory: 10005 * 10005 * 8 bytes = 800.8 MB on the array's line",
       "// 1 <= n <= 10^4\n"
       "long long dp[10005][10005];\n"
       "int main() {\n"
       "  int n;\n"
       "  cin >> n;\n"
       "  for (int i = 0; i < n; i++) dp[i][0] = i;\n"
       "}\n",
       {},
       "2 2 memory too much memory: about 801 MB (limit 256 MB); long long dp[10005][10005]: "
       "about 801 MB\n"},
      {"a parse error is a hint on its line",
       "int main() {\n  int n;\n  cin >> n;\n  int x = ;\n  for (int i = 0; i < n; i++) x++;\n}\n",
       {},
       "4 4 parse-error The code does not parse cleanly: the first syntax error is on line 4, "
       "and what it hides may be missing from the estimate.\n"},
      {"over 1 MB is not analysed",
       tooLarge,
       {},
       "0 3 not-analysed file is too large to analyze (limit 1 MB)\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(describe(diagnosticsOf(analyseDocument(c.text, c.limits))), c.want) << c.name;
}

TEST(LspViewsTest, LineEndingsKeepTheLine) {
  // CRLF and lone CR: the warning stays on the editor's line 11.
  for (const char* lineEnd : {"\r\n", "\r"}) {
    std::string text;
    for (const char* c = kQuadratic; *c != '\0'; ++c)
      text += *c == '\n' ? lineEnd : std::string(1, *c);
    const std::vector<EditorDiagnostic> diagnostics = diagnosticsOf(analyseDocument(text, {}));
    ASSERT_EQ(diagnostics.size(), 1u) << (lineEnd[1] ? "CRLF" : "CR");
    EXPECT_EQ(diagnostics[0].line, 11) << (lineEnd[1] ? "CRLF" : "CR");
  }
}

TEST(LspViewsTest, LineCosts) {
  std::string got;
  for (const LineCost& cost : lineCostsOf(analyseDocument(kQuadratic, {})))
    got += std::to_string(cost.line) + " " + cost.cost + " " + cost.what + "\n";
  EXPECT_EQ(got,
            "8 O(n) for loop over i\n"
            "10 O(n) for loop over i\n"
            "11 O(n^2) for loop over j\n"
            "15 O(n * log n) sort\n");
}

TEST(LspViewsTest, Hover) {
  const DocumentAnalysis document = analyseDocument(kQuadratic, {});
  struct Case {
    const char* name;
    int line;
    std::vector<std::string> contains;  // empty: the hover says nothing
  };
  const Case cases[] = {
      {"the inner loop: all of 4*10^10",
       11,
       {"**Time** `O(n^2)` — for loop over j",
        "Share: 100% of the total at n = 2\\*10^5 (4\\*10^10 of 4\\*10^10 operations)"}},
      {"the reading loop: 2*10^5 of 4*10^10",
       8,
       {"`O(n)` — for loop over i", "Share: under 1% of the total"}},
      {"the sort: 2*10^5 * 18 of 4*10^10", 15, {"`O(n * log n)` — sort", "under 1%"}},
      {"the vector's line: its space and bytes",
       7,
       {"**Space** `O(n)`", "vector\\<long long> a: about 1.6 MB"}},
      {"main: the whole estimate",
       4,
       {"**Time** `O(n^2)` — Quadratic", "confidence high", "**Space** `O(n)`", "time: too slow"}},
      {"the first line too", 1, {"**Time** `O(n^2)`"}},
      {"a line with nothing", 9, {}},
      {"past the end", 99, {}},
  };
  for (const Case& c : cases) {
    const std::string text = hoverTextOf(document, c.line);
    if (c.contains.empty()) {
      EXPECT_EQ(text, "") << c.name;
    }
    for (const std::string& part : c.contains)
      EXPECT_NE(text.find(part), std::string::npos) << c.name << ": " << part << "\n" << text;
  }
}

TEST(LspViewsTest, HoverWithoutLimitsComparesGrowth) {
  const DocumentAnalysis document =
      analyseDocument(replaced(kQuadratic, "// 1 <= n <= 2*10^5", "//"), {});
  EXPECT_NE(hoverTextOf(document, 11).find("grows as fast as the whole estimate O(n^2)"),
            std::string::npos);
  EXPECT_NE(hoverTextOf(document, 8).find("grows slower than the whole estimate O(n^2)"),
            std::string::npos);
}

TEST(LspViewsTest, PositionsInMessages) {
  // Line 11 indented 4 blanks, ending in a comment of é (1 unit) and 😀 (2 units), after CRLF.
  std::string text = replaced(kQuadratic, "j++) {\n", "j++) {  // \xC3\xA9\xF0\x9F\x98\x80\n");
  text = replaced(text, "\n", "\r\n");
  const DocumentAnalysis document = analyseDocument(text, {});
  // "    for (int j = i + 1; j < n; j++) {" is 37 units, then "  // " 5, é 1, 😀 2: 45.
  const std::string range =
      R"("range":{"start":{"line":10,"character":4},"end":{"line":10,"character":45}})";
  EXPECT_NE(renderDiagnosticsParams("file:///a.cpp", 3, document)
                .find(R"({"uri":"file:///a.cpp","version":3,"diagnostics":[{)" + range +
                      R"(,"severity":2,"code":"too-slow","source":"quorbel","message":"too slow)"),
            std::string::npos);
  EXPECT_NE(renderInlayHints(document, 10, 10)
                .find(R"j([{"position":{"line":10,"character":45},"label":"O(n^2)",)j"),
            std::string::npos);
  EXPECT_EQ(renderInlayHints(document, 11, 13), "[]");
  EXPECT_NE(renderCodeLenses(document).find(
                "{" + range + R"(,"command":{"title":"O(n^2) for loop over j","command":""}})"),
            std::string::npos);
  EXPECT_EQ(renderHover(document, {8, 0}), "null");
  EXPECT_EQ(renderDiagnosticsParams("u", 1, analyseDocument(linearProgram(), {})),
            R"({"uri":"u","version":1,"diagnostics":[]})");
}

TEST(LspViewsTest, EditorSettings) {
  struct Case {
    const char* name;
    const char* json;
    std::string want;  // "sizes|time|memory" or "error: ..."
  };
  const Case cases[] = {
      {"top level", R"({"limits":{"n":"2e5","m":100},"timeLimitSeconds":2})", "n=2e5 m=100|2|"},
      {"under quorbel", R"({"quorbel":{"memoryLimitMb":"512"}})", "||512"},
      {"nothing", R"({})", "||"},
      {"not an object", R"(5)", "||"},
      {"limits not an object", R"({"limits":[1]})",
       "error: limits: expected an object such as {\"n\": 200000}"},
      {"a value neither number nor string", R"({"limits":{"n":true}})",
       "error: limits.n: expected a number or a string"},
  };
  for (const Case& c : cases) {
    JsonValue settings;
    ASSERT_TRUE(parseJson(c.json, settings)) << c.name;
    GivenLimits limits;
    std::string error;
    std::string got;
    if (!readEditorLimits(settings, limits, error)) {
      got = "error: " + error;
    } else {
      for (const GivenValue& size : limits.sizes)
        got += (got.empty() ? "" : " ") + size.name + "=" + size.text;
      got += "|" + (limits.timeLimit ? limits.timeLimit->text : "") + "|" +
             (limits.memoryLimit ? limits.memoryLimit->text : "");
    }
    EXPECT_EQ(got, c.want) << c.name;
  }
}

TEST(LspViewsTest, EditorLimitsThisFileCannotTake) {
  const Analysis analysis = analyseDocument(kQuadratic, {}).analysis;
  Verdict verdict;
  const std::vector<std::string> unused =
      judgeAtEditorLimits(analysis,
                          GivenLimits{{{"q", "5", "limits.q"}, {"n", "1000", "limits.n"}},
                                      GivenValue{"", "abc", "timeLimitSeconds"},
                                      std::nullopt},
                          verdict);
  ASSERT_EQ(unused.size(), 2u);
  EXPECT_NE(unused[0].find("limits.q"), std::string::npos);
  EXPECT_NE(unused[1].find("timeLimitSeconds"), std::string::npos);
  // n = 1000 was kept: 10^6 fits in the default second.
  EXPECT_EQ(verdict.time.status, "fits");
  EXPECT_EQ(verdict.timeLimitSeconds, 1);
}

}  // namespace
}  // namespace quorbel
