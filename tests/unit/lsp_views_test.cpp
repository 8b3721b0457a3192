// What the editor shows of an analysed document: diagnostics from the verdict on the line that
// costs the most at the limits, the costs of loops and calls, and hovers. Programs are analysed
// for real; every expectation is worked out from the program and its limits by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lsp/document_analysis.h"
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
  return text.replace(text.find(from), from.size(), to);
}

const std::string kUnstated = replaced(kQuadratic, "// 1 <= n <= 2*10^5", "//");

std::string withBreaks(const std::string& text, const std::string& lineEnd) {
  std::string out;
  for (const char c : text) out += c == '\n' ? lineEnd : std::string(1, c);
  return out;
}

GivenLimits limits(const std::string& n, const std::string& seconds = "") {
  GivenLimits given{{{"n", n, "limits.n"}}, std::nullopt, std::nullopt};
  if (!seconds.empty()) given.timeLimit = GivenValue{"", seconds, "timeLimitSeconds"};
  return given;
}

TEST(LspViewsTest, Diagnostics) {
  struct Case {
    const char* name;
    std::string text;
    GivenLimits limits;
    std::string want;  // "line severity code message" per diagnostic
  };
  const std::string slow =
      "11 2 too-slow too slow: about 4*10^10 operations at n = 2*10^5 (limit 1 s); "
      "for loop over j: O(n^2)\n";
  const Case cases[] = {
      {"too slow on the inner loop: (2*10^5)^2 = 4*10^10", kQuadratic, {}, slow},
      {"fast once the inner loop is gone",
       replaced(kQuadratic, "for (int j = i + 1; j < n; j++) {", "{"),
       {},
       ""},
      {"no limit, no verdict", kUnstated, {}, ""},
      {"the editor's limit: (10^3)^2 = 10^6 fits", kQuadratic, limits("1000"), ""},
      {"the editor's limit: (2*10^4)^2 = 4*10^8 is tight", kUnstated, limits("2*10^4"),
       "11 3 tight tight: about 400 million operations at n = 2*10^4 (limit 1 s), so the "
       "constant factor decides; for loop over j: O(n^2)\n"},
      {"a size the file lacks and an unreadable time limit are left out", kQuadratic,
       GivenLimits{{{"q", "5", "limits.q"}}, GivenValue{"", "abc", "t"}, std::nullopt}, slow},
      {"CRLF keeps the line", withBreaks(kQuadratic, "\r\n"), {}, slow},
      {"a lone CR keeps the line", withBreaks(kQuadratic, "\r"), {}, slow},
      {"the larger at the limits, not the first: m^2 = 10^10 against n^2 = 10^6",
       "// 1 <= n <= 1000, 1 <= m <= 10^5\nint main() {\n  int n, m;\n  cin >> n >> m;\n"
       "  long long s = 0;\n  for (int i = 0; i < n; i++)\n    for (int j = 0; j < n; j++) s++;\n"
       "  for (int i = 0; i < m; i++)\n    for (int j = 0; j < m; j++) s++;\n}\n",
       {},
       "9 2 too-slow too slow: about 10^10 operations at n = 1000, m = 10^5 (limit 1 s); "
       "for loop over j: O(m^2)\n"},
      {"memory: 10005 * 10005 * 8 bytes = 800.8 MB on the array's line",
       "// 1 <= n <= 10^4\nlong long dp[10005][10005];\nint main() {\n  int n;\n  cin >> n;\n"
       "  for (int i = 0; i < n; i++) dp[i][0] = i;\n}\n",
       {},
       "2 2 memory too much memory: about 801 MB (limit 256 MB); long long dp[10005][10005]: "
       "about 801 MB\n"},
      {"a parse error is a hint on its line",
       "int main() {\n  int n;\n  cin >> n;\n  int x = ;\n}\n",
       {},
       "4 4 parse-error The code does not parse cleanly: the first syntax error is on line 4, "
       "and what it hides may be missing from the estimate.\n"},
      {"over 1 MB is not analysed",
       "int main() {}\n" + std::string(1048576, ' '),
       {},
       "0 3 not-analysed file is too large to analyze (limit 1 MB)\n"},
  };
  for (const Case& c : cases) {
    std::string got;
    for (const EditorDiagnostic& d : diagnosticsOf(analyseDocument(c.text, c.limits)))
      got += std::to_string(d.line) + " " + std::to_string(d.severity) + " " + d.code + " " +
             d.message + "\n";
    EXPECT_EQ(got, c.want) << c.name;
  }
}

TEST(LspViewsTest, LineCosts) {
  std::string got;
  for (const LineCost& cost : lineCostsOf(analyseDocument(kQuadratic, {})))
    got += std::to_string(cost.line) + " " + cost.cost + " " + cost.what + "\n";
  EXPECT_EQ(got,
            "8 O(n) for loop over i\n10 O(n) for loop over i\n11 O(n^2) for loop over j\n"
            "15 O(n * log n) sort\n");
}

TEST(LspViewsTest, Hover) {
  const DocumentAnalysis stated = analyseDocument(kQuadratic, {});
  const DocumentAnalysis unstated = analyseDocument(kUnstated, {});
  struct Case {
    const char* name;
    const DocumentAnalysis* document;
    int line;
    std::vector<std::string> contains;  // empty: the hover says nothing
  };
  const Case cases[] = {
      {"the inner loop: all of 4*10^10",
       &stated,
       11,
       {"**Time** `O(n^2)` — for loop over j",
        "Share: 100% of the total at n = 2\\*10^5 (4\\*10^10 of 4\\*10^10 operations)"}},
      {"the reading loop: 2*10^5 of 4*10^10", &stated, 8, {"`O(n)` — for loop over i", "under 1%"}},
      {"the vector's line: its space and bytes",
       &stated,
       7,
       {"**Space** `O(n)`", "vector\\<long long> a: about 1.6 MB"}},
      {"main: the whole estimate",
       &stated,
       4,
       {"**Time** `O(n^2)` — Quadratic", "confidence high", "**Space** `O(n)`", "time: too slow"}},
      {"the first line too", &stated, 1, {"**Time** `O(n^2)`"}},
      {"a line with nothing", &stated, 9, {}},
      {"past the end", &stated, 99, {}},
      {"without limits, the growth", &unstated, 11, {"grows as fast as the whole estimate O(n^2)"}},
      {"without limits, a slower part", &unstated, 8, {"grows slower than the whole estimate"}},
  };
  for (const Case& c : cases) {
    const std::string text = hoverTextOf(*c.document, c.line);
    if (c.contains.empty()) {
      EXPECT_EQ(text, "") << c.name;
    }
    for (const std::string& part : c.contains)
      EXPECT_NE(text.find(part), std::string::npos) << c.name << ": " << part << "\n" << text;
  }
}

}  // namespace
}  // namespace quorbel
