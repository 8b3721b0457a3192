// The result page and its pieces. The page template is read from public/ under the working
// directory, so these tests run inside a scratch directory holding their own template.
#include "server/render_html.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace quorbel {
namespace {

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
  for (const Case& c : cases) {
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
            "<pre>if (a &lt; b)\nx;\n</pre>|3|O(n^2)|Quadratic &lt;slow&gt;|"
            "O(1)|Constant|Scalars|<li>int x</li>|"
            "Nested loops|Budget &amp;amp; more|"
            "<li><strong>n</strong><span>~10K</span><small>n^2 &lt;= 1e8</small></li>|"
            "<li>outer</li><li></li>|"
            "<tr><td>2</td><td>for i</td><td>O(n)</td></tr>"
            "<tr><td>-</td><td>a&quot;b</td><td>O(n^2)</td></tr>|"
            "<li>n&#39;b</li>|{{UNKNOWN}}|Quadratic &lt;slow&gt;");
}

TEST(RenderHtmlTest, PlaceholdersAreFilledInTheFixedOrder) {
  ScratchWorkingDirectory scratch;
  scratch.write("public/complexity.html", "[{{CODE}}]");
  // {{CODE}} inside the code is left alone (its step has passed), later ones are filled, and
  // {{SPACE_LABEL}} is not eaten by the earlier {{LABEL}} step (the names differ).
  EXPECT_EQ(
      renderPage("{{LABEL}} {{CODE}} {{SPACE_LABEL}} {{NOTES}} {{LINE_COUNT}}", pageAnalysis()),
      "[Quadratic &lt;slow&gt; {{CODE}} Constant <li>n&#39;b</li> 1]");
  scratch.write("public/complexity.html", "{{LABEL}}|{{NOTES}}");
  Analysis a;
  a.label = "{{NOTES}}";    // filled at step 4, so step 14 still sees it
  a.notes = {"{{LABEL}}"};  // filled at step 14, after the label's step
  EXPECT_EQ(renderPage("", a), "<li>{{LABEL}}</li>|<li>{{LABEL}}</li>");
}

TEST(RenderHtmlTest, MissingTemplateEmptyConstraintsAndBlankCode) {
  ScratchWorkingDirectory scratch;
  EXPECT_EQ(renderPage("int main() {}", pageAnalysis()), "") << "no template, an empty page";
  scratch.write("public/complexity.html", "{{CONSTRAINTS}}|{{LINE_COUNT}}|{{SIGNALS}}");
  EXPECT_EQ(renderPage(" \n\t\r\n", Analysis{}), "|0|");
  EXPECT_EQ(renderPage("x", Analysis{}), "|1|");
  EXPECT_EQ(renderPage("x\n", Analysis{}), "|2|") << "a final line feed opens one more line";
}

}  // namespace
}  // namespace quorbel
