#include "detectors/builtins.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "analysis/notation.h"
#include "analysis/pipeline.h"
#include "detectors/library_calls.h"
#include "syntax/context.h"

namespace quorbel {
namespace {

constexpr const char* kUnknownCallNote =
    "Function calls inside loops are treated as O(1) unless the analyzer recognizes the "
    "called pattern.";

// Joins lines with line feeds so that line numbers can be read off the list.
std::string program(std::initializer_list<const char*> lines) {
  std::string code;
  for (const char* line : lines) code += std::string(line) + "\n";
  return code;
}

std::vector<Row> rowsWithSignal(const Analysis& analysis, const std::string& signal) {
  std::vector<Row> rows;
  for (const Row& row : analysis.breakdown) {
    if (row.signal == signal) rows.push_back(row);
  }
  return rows;
}

bool hasNote(const Analysis& analysis, const std::string& note) {
  for (const std::string& n : analysis.notes) {
    if (n == note) return true;
  }
  return false;
}

// The first call node of a one-statement snippet.
const SyntaxNodeInfo* firstCall(const SyntaxReaderResult& syntax) {
  for (const SyntaxNodeInfo& node : syntax.nodes) {
    if (node.type == "call_expression") return &node;
  }
  return nullptr;
}

// ---- The table ----

TEST(LibraryCallsTest, OutsideLoopChargesFollowTableOrder) {
  Context context;
  context.logContainers = {"st"};
  context.priorityQueues = {"pq"};
  struct Case {
    const char* name;
    const char* code;
    std::vector<std::string> signals;
    const char* cost;  // of the first charge
  };
  const Case cases[] = {
      {"sort", "void f() { sort(a.begin(), a.end()); }", {"STL sort"}, "O(n * log n)"},
      {"qualified stable sort",
       "void f() { std::stable_sort(a, a + n); }",
       {"STL sort"},
       "O(n * log n)"},
      {"partial sort",
       "void f() { partial_sort(a, a + k, a + n); }",
       {"Partial sort"},
       "O(n * log n)"},
      {"nth element", "void f() { nth_element(a, a + k, a + n); }", {"Linear STL pass"}, "O(n)"},
      {"accumulate", "void f() { accumulate(a, a + n, 0); }", {"Linear STL pass"}, "O(n)"},
      {"free find without a dot", "void f() { find(a, a + n, x); }", {"Linear find"}, "O(n)"},
      {"find with a dot anywhere is not free", "void f() { find(v.begin(), v.end(), x); }", {}, ""},
      {"string find", "void f() { s.find(x); }", {}, ""},
      {"ordered find", "void f() { st.find(x); }", {"Ordered container operation"}, "O(log n)"},
      {"member lower_bound on a set: two rows",
       "void f() { st.lower_bound(x); }",
       {"Binary-search STL helper", "Ordered container operation"},
       "O(log n)"},
      {"member lower_bound on a vector",
       "void f() { v.lower_bound(x); }",
       {"Binary-search STL helper"},
       "O(log n)"},
      {"heap push outside loops", "void f() { pq.push(x); }", {}, ""},
      {"names compared whole", "void f() { mysort(a, b); sorted(a); }", {}, ""},
      {"names compared case-sensitively", "void f() { Sort(a, b); }", {}, ""},
  };
  for (const Case& c : cases) {
    const SyntaxReaderResult syntax = readCppSyntax(c.code);
    std::vector<std::string> signals;
    std::string cost;
    for (const SyntaxNodeInfo& node : syntax.nodes) {
      if (node.type != "call_expression") continue;
      for (const LibraryCharge& charge : libraryChargesOutsideLoops(node, context)) {
        signals.push_back(charge.signal);
        if (cost.empty()) cost = formatTerm(charge.term);
      }
    }
    EXPECT_EQ(signals, c.signals) << c.name;
    EXPECT_EQ(cost, c.cost) << c.name;
  }
}

TEST(LibraryCallsTest, InsideLoopRowsAndReasons) {
  Context context;
  context.logContainers = {"st"};
  context.priorityQueues = {"pq"};
  struct Case {
    const char* name;
    const char* code;
    LibraryCallKind kind;
    bool charged;
    const char* signal;
    const char* reason;
  };
  const Case cases[] = {
      {"sort", "sort(a, a + n);", LibraryCallKind::kSort, true, "Sort inside loop", "sort"},
      {"binary search takes its in-loop reason", "upper_bound(a, a + n, x);",
       LibraryCallKind::kBinarySearch, true, "Binary-search helper inside loop",
       "binary-search helper"},
      {"heap pop", "pq.pop();", LibraryCallKind::kHeapOperation, true,
       "Priority queue operation inside loop", "heap operation"},
      {"heap top is not charged", "pq.top();", LibraryCallKind::kHeapOperation, false, "", ""},
      {"push on a plain queue", "q.push(x);", LibraryCallKind::kHeapOperation, false, "", ""},
      {"ordered erase", "st.erase(x);", LibraryCallKind::kOrderedContainer, true,
       "Ordered container operation inside loop", "ordered container operation"},
      {"ordered count is not in the row", "st.count(x);", LibraryCallKind::kOrderedContainer, false,
       "", ""},
      {"partial sort has no in-loop row", "partial_sort(a, a + k, a + n);",
       LibraryCallKind::kPartialSort, false, "", ""},
      {"linear pass has no in-loop row", "count(a, a + n, x);", LibraryCallKind::kLinearPass, false,
       "", ""},
  };
  for (const Case& c : cases) {
    const SyntaxReaderResult syntax = readCppSyntax(c.code);
    const SyntaxNodeInfo* call = firstCall(syntax);
    ASSERT_NE(call, nullptr) << c.name;
    LibraryCharge charge;
    EXPECT_EQ(libraryChargeInsideLoop(c.kind, *call, context, charge), c.charged) << c.name;
    if (!c.charged) continue;
    EXPECT_EQ(charge.signal, c.signal) << c.name;
    EXPECT_EQ(charge.term.reason, c.reason) << c.name;
  }
}

TEST(LibraryCallsTest, HelperBodiesTakeOnlyTheFirstMatchingRow) {
  Context context;
  context.logContainers = {"st"};
  context.priorityQueues = {"pq"};
  struct Case {
    const char* name;
    const char* code;
    bool matched;
    const char* cost;
    const char* reason;
  };
  const Case cases[] = {
      {"member lower_bound counts once, as a binary search", "st.lower_bound(x);", true, "O(log n)",
       "binary-search STL helper"},
      {"heap push", "pq.push(x);", true, "O(log n)", "heap operation"},
      {"count", "count(a, a + n, 0);", true, "O(n)", "linear STL pass"},
      {"partial sort", "partial_sort(a, a + k, a + n);", true, "O(n * log n)", "partial sort"},
      {"vector push_back", "v.push_back(x);", false, "", ""},
  };
  for (const Case& c : cases) {
    const SyntaxReaderResult syntax = readCppSyntax(c.code);
    const SyntaxNodeInfo* call = firstCall(syntax);
    ASSERT_NE(call, nullptr) << c.name;
    LibraryCharge charge;
    ASSERT_EQ(libraryChargeInHelperBody(*call, context, charge), c.matched) << c.name;
    if (!c.matched) continue;
    EXPECT_EQ(formatTerm(charge.term), c.cost) << c.name;
    EXPECT_EQ(charge.term.reason, c.reason) << c.name;
  }
}

TEST(LibraryCallsTest, KnownNames) {
  for (const char* name : {"if", "return", "sort", "equal_range", "abs", "emplace_back", "top",
                           "find", "begin", "end", "pop", "push"}) {
    EXPECT_TRUE(isKnownCallName(name)) << name;
  }
  for (const char* name : {"count", "accumulate", "min_element", "next_permutation", "solve",
                           "Sort", "", "sorted", "push_front"}) {
    EXPECT_FALSE(isKnownCallName(name)) << name;
  }
}

// ---- analyzeBuiltins ----

TEST(BuiltinsTest, CountsOneRowPerMatchingTableRow) {
  const std::string code = program({
      "#include <set>",
      "int main() {",
      "  std::set<int> st;",
      "  int x = 3;",
      "  auto it = st.lower_bound(x);",
      "  for (int i = 0; i < x; i++) st.lower_bound(i);",
      "}",
  });
  const SyntaxReaderResult syntax = readCppSyntax(code);
  const Context context = collectContext(code);
  ActiveContext active(&context);
  Analysis analysis;
  DetectionResult detection;
  EXPECT_EQ(analyzeBuiltins(syntax.nodes, context, analysis, detection), 2u)
      << "the call inside the loop is not charged here";
  ASSERT_EQ(analysis.breakdown.size(), 2u);
  EXPECT_EQ(analysis.breakdown[0].line, "5");
  EXPECT_EQ(analysis.breakdown[0].signal, "Binary-search STL helper");
  EXPECT_EQ(analysis.breakdown[1].signal, "Ordered container operation");
  ASSERT_EQ(detection.terms.size(), 2u);
  ASSERT_EQ(analysis.signals.size(), 2u);
  EXPECT_EQ(analysis.signals[0], "Line 5: Binary-search STL helper contributes O(log n).");
}

TEST(BuiltinsTest, OwnFunctionsNamedLikeAlgorithmsAreNotLibraryCalls) {
  const std::string code = program({
      "int parent[100];",
      "int find(int x) { return parent[x] == x ? x : parent[x] = find(parent[x]); }",
      "int count(int x) { return x + 1; }",
      "int main() {",
      "  std::set<int> seen;",
      "  int a[5];",
      "  int r = find(3) + count(4);",
      "  seen.find(r);",
      "  return std::find(a, a + 5, r) - a;",
      "}",
  });
  const SyntaxReaderResult syntax = readCppSyntax(code);
  const Context context = collectContext(code);
  ActiveContext active(&context);
  Analysis analysis;
  DetectionResult detection;
  analyzeBuiltins(syntax.nodes, context, analysis, detection);
  std::vector<std::string> rows;
  for (const Row& row : analysis.breakdown) rows.push_back(row.line + " " + row.signal);
  EXPECT_EQ(rows, (std::vector<std::string>{"8 Ordered container operation", "9 Linear find"}));

  const std::string library = program({
      "int main() {",
      "  int a[5];",
      "  return find(a, a + 5, 2) - a + count(a, a + 5, 1);",
      "}",
  });
  const SyntaxReaderResult librarySyntax = readCppSyntax(library);
  Analysis libraryAnalysis;
  DetectionResult libraryDetection;
  analyzeBuiltins(librarySyntax.nodes, Context{}, libraryAnalysis, libraryDetection);
  ASSERT_EQ(libraryAnalysis.breakdown.size(), 2u);
  EXPECT_EQ(libraryAnalysis.breakdown[0].signal, "Linear find");
  EXPECT_EQ(libraryAnalysis.breakdown[1].signal, "Linear STL pass");
}

// ---- Whole programs ----

TEST(BuiltinsTest, SortOutsideLoopsWhateverTheVectorIsCalled) {
  const Analysis analysis = analyze(program({
      "#include <bits/stdc++.h>",
      "using namespace std;",
      "int main() {",
      "  int count; cin >> count;",
      "  vector<int> values(count);",
      "  sort(values.begin(), values.end());",
      "  cout << values[0];",
      "}",
  }));
  const std::vector<Row> rows = rowsWithSignal(analysis, "STL sort");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].line, "6");
  EXPECT_EQ(rows[0].cost, "O(n * log n)");
  EXPECT_EQ(analysis.notation, "O(n * log n)");
}

TEST(BuiltinsTest, StringFindIsNeitherLinearNorOrdered) {
  const Analysis analysis = analyze(program({
      "#include <string>",
      "int main() {",
      "  std::string s = \"abcab\";",
      "  int p = s.find(\"ab\");",
      "  return p;",
      "}",
  }));
  EXPECT_TRUE(rowsWithSignal(analysis, "Linear find").empty());
  EXPECT_TRUE(rowsWithSignal(analysis, "Ordered container operation").empty());
  EXPECT_EQ(analysis.notation, "O(1)");
}

TEST(BuiltinsTest, FindOnADeclaredSetIsAnOrderedOperation) {
  const Analysis analysis = analyze(program({
      "#include <set>",
      "int main() {",
      "  std::set<int> s;",
      "  return s.find(4) == s.end();",
      "}",
  }));
  const std::vector<Row> rows = rowsWithSignal(analysis, "Ordered container operation");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].line, "4");
  EXPECT_TRUE(rowsWithSignal(analysis, "Linear find").empty());
}

TEST(BuiltinsTest, LowerBoundOnASetAddsTwoRows) {
  const Analysis analysis = analyze(program({
      "#include <set>",
      "using namespace std;",
      "int main() {",
      "  set<int> st;",
      "  int x; cin >> x;",
      "  auto it = st.lower_bound(x);",
      "}",
  }));
  const std::vector<Row> search = rowsWithSignal(analysis, "Binary-search STL helper");
  const std::vector<Row> ordered = rowsWithSignal(analysis, "Ordered container operation");
  ASSERT_EQ(search.size(), 1u);
  ASSERT_EQ(ordered.size(), 1u);
  EXPECT_EQ(search[0].cost, "O(log n)");
  EXPECT_EQ(ordered[0].cost, "O(log n)");
  EXPECT_EQ(search[0].line, "6");
  EXPECT_EQ(analysis.notation, "O(log n)");
}

TEST(BuiltinsTest, HeapPushIsChargedOnlyInsideLoops) {
  const Analysis analysis = analyze(program({
      "#include <queue>",
      "int main() {",
      "  int m; std::cin >> m;",
      "  std::priority_queue<int> pq;",
      "  pq.push(1);",
      "  for (int i = 0; i < m; i++) {",
      "    pq.push(i);",
      "  }",
      "}",
  }));
  for (const Row& row : analysis.breakdown) EXPECT_NE(row.line, "5") << row.signal;
  const std::vector<Row> rows = rowsWithSignal(analysis, "Priority queue operation inside loop");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].line, "7");
  EXPECT_EQ(rows[0].cost, "O(m * log n)");
  EXPECT_EQ(analysis.notation, "O(m * log n)");
  EXPECT_FALSE(hasNote(analysis, kUnknownCallNote)) << "push is a known name";
}

TEST(BuiltinsTest, CountInsideALoopAddsNoRowButTheNote) {
  const Analysis analysis = analyze(program({
      "#include <bits/stdc++.h>",
      "using namespace std;",
      "int main() {",
      "  int n; cin >> n;",
      "  vector<int> a(n);",
      "  for (int i = 0; i < n; i++) {",
      "    int c = count(a.begin(), a.end(), i);",
      "  }",
      "}",
  }));
  for (const Row& row : analysis.breakdown) EXPECT_NE(row.line, "7") << row.signal;
  EXPECT_TRUE(rowsWithSignal(analysis, "Linear STL pass").empty());
  EXPECT_TRUE(hasNote(analysis, kUnknownCallNote));
  EXPECT_EQ(analysis.notation, "O(n)");
}

// ---- containsUnknownCallInsideLoop ----

TEST(UnknownCallTest, WhatCountsAsUnknownInsideLoops) {
  struct Case {
    const char* name;
    const char* code;
    bool unknown;
  };
  const Case cases[] = {
      {"known library names only",
       "int main() { for (int i = 0; i < n; i++) { v.push_back(max(i, 2)); v.size(); } }", false},
      {"accumulate", "int main() { for (int i = 0; i < n; i++) s += accumulate(a, b, 0); }", true},
      {"unknown call outside loops is ignored", "int main() { solve(); }", false},
      {"local lambda", "int main() { auto f = [](int x) { return x; }; while (n--) f(n); }", true},
      {"function pointer without a name", "int main() { for (;;) (*fp)(1); }", true},
      {"summarized helper", "int main() { for (int i = 0; i < n; i++) helper(i); }", false},
      {"recursive helper", "int main() { for (int i = 0; i < n; i++) rec(i); }", true},
      {"summary without a skip reason", "int main() { for (int i = 0; i < n; i++) pending(i); }",
       false},
      {"known name with a skipped summary", "int main() { for (;;) sort(a, b); }", true},
  };
  std::map<std::string, FunctionSummary> summaries;
  summaries["helper"].summarized = true;
  summaries["rec"].recursive = true;
  summaries["rec"].skipReason = "recursive/cyclic helper summary skipped";
  summaries["pending"];  // neither summarized nor skipped
  summaries["sort"].skipReason = "recursive/cyclic helper summary skipped";
  for (const Case& c : cases) {
    const SyntaxReaderResult syntax = readCppSyntax(c.code);
    EXPECT_EQ(containsUnknownCallInsideLoop(syntax.nodes, summaries), c.unknown) << c.name;
  }
}

TEST(UnknownCallTest, HelperWithoutSummaryIsUnknownInsideALoop) {
  const SyntaxReaderResult syntax =
      readCppSyntax("void tick(int i) {}\nint main() { for (int i = 0; i < 3; i++) tick(i); }");
  EXPECT_TRUE(containsUnknownCallInsideLoop(syntax.nodes, {}));
}

}  // namespace
}  // namespace quorbel
