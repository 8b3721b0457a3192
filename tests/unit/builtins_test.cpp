#include "detectors/builtins.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The signals of the library-call rows, outside and inside loops.
bool isLibrarySignal(const std::string& signal) {
  for (const char* library :
       {"STL sort", "Partial sort", "Linear STL pass", "Linear find", "Ordered container operation",
        "Binary-search STL helper", "Sort inside loop", "Binary-search helper inside loop",
        "Priority queue operation inside loop", "Ordered container operation inside loop"}) {
    if (signal == library) return true;
  }
  return false;
}

bool hasNote(const Analysis& analysis, const std::string& note) {
  return std::find(analysis.notes.begin(), analysis.notes.end(), note) != analysis.notes.end();
}

// What the table knows about names: st is an ordered set, pq a heap.
Context libraryContext() {
  Context context;
  context.logContainers = {"st"};
  context.priorityQueues = {"pq"};
  return context;
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
  const Context context = libraryContext();
  struct Case {
    const char* name;
    const char* code;
    std::vector<std::string> signals;
    const char* cost;  // of the first charge
  };
  const Case cases[] = {
      {"sort", "sort(a.begin(), a.end());", {"STL sort"}, "O(n * log n)"},
      {"qualified stable sort", "std::stable_sort(a, a + n);", {"STL sort"}, "O(n * log n)"},
      {"partial sort", "partial_sort(a, a + k, a + n);", {"Partial sort"}, "O(n * log n)"},
      {"nth element", "nth_element(a, a + k, a + n);", {"Linear STL pass"}, "O(n)"},
      {"free find without a dot", "find(a, a + n, x);", {"Linear find"}, "O(n)"},
      {"find with a dot anywhere is not free", "find(v.begin(), v.end(), x);", {}, ""},
      {"string find", "s.find(x);", {}, ""},
      {"ordered find", "st.find(x);", {"Ordered container operation"}, "O(log n)"},
      {"set lower_bound: two rows",
       "st.lower_bound(x);",
       {"Binary-search STL helper", "Ordered container operation"},
       "O(log n)"},
      {"vector lower_bound", "v.lower_bound(x);", {"Binary-search STL helper"}, "O(log n)"},
      {"heap push outside loops", "pq.push(x);", {}, ""},
      {"names compared whole", "mysort(a, b); sorted(a);", {}, ""},
      {"names compared case-sensitively", "Sort(a, b);", {}, ""},
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
  const Context context = libraryContext();
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
  const Context context = libraryContext();
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

// ---- analyzeBuiltins ----

// "line signal" of every row analyzeBuiltins adds for a program.
std::vector<std::string> builtinRows(const std::string& code) {
  const SyntaxReaderResult syntax = readCppSyntax(code);
  const Context context = collectContext(code);
  ActiveContext active(&context);
  Analysis analysis;
  DetectionResult detection;
  analyzeBuiltins(syntax.nodes, context, analysis, detection);
  std::vector<std::string> rows;
  for (const Row& row : analysis.breakdown) rows.push_back(row.line + " " + row.signal);
  return rows;
}

TEST(BuiltinsTest, OwnFunctionsNamedLikeAlgorithmsAreNotLibraryCalls) {
  const std::string own = program({
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
  EXPECT_EQ(builtinRows(own),
            (std::vector<std::string>{"8 Ordered container operation", "9 Linear find"}));
  const std::string library = program(
      {"int main() {", "  int a[5];", "  return find(a, a + 5, 2) - a + count(a, a + 5, 1);", "}"});
  EXPECT_EQ(builtinRows(library), (std::vector<std::string>{"3 Linear find", "3 Linear STL pass"}));
}

// ---- Whole programs ----

TEST(BuiltinsTest, WholePrograms) {
  struct Case {
    const char* name;
    std::string code;
    const char* rows;  // "line signal cost" of every library-call row, joined by "; "
    const char* notation;
    bool unknownCallNote;
  };
  const Case cases[] = {
      {"sort outside loops whatever the vector is called",
       program({"int main() {", "  int count; cin >> count;", "  vector<int> values(count);",
                "  sort(values.begin(), values.end());", "}"}),
       "4 STL sort O(n * log n)", "O(n * log n)", false},
      {"heap push is charged only inside loops; push is a known name",
       program({"int main() {", "  int m; std::cin >> m;", "  std::priority_queue<int> pq;",
                "  pq.push(1);", "  for (int i = 0; i < m; i++) {", "    pq.push(i);", "  }", "}"}),
       "6 Priority queue operation inside loop O(m * log n)", "O(m * log n)", false},
      {"count inside a loop adds no row but the note",
       program({"int main() {", "  int n; cin >> n;", "  vector<int> a(n);",
                "  for (int i = 0; i < n; i++) {", "    int c = count(a.begin(), a.end(), i);",
                "  }", "}"}),
       "", "O(n)", true},
  };
  for (const Case& c : cases) {
    const Analysis analysis = analyze(c.code);
    std::string rows;
    for (const Row& row : analysis.breakdown) {
      if (!isLibrarySignal(row.signal)) continue;
      rows += (rows.empty() ? "" : "; ") + row.line + " " + row.signal + " " + row.cost;
    }
    EXPECT_EQ(rows, c.rows) << c.name;
    EXPECT_EQ(analysis.notation, c.notation) << c.name;
    EXPECT_EQ(hasNote(analysis, kUnknownCallNote), c.unknownCallNote) << c.name;
  }
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
      {"helper without a summary", "void tick(int i) {}\nint main() { for (;;) tick(1); }", true},
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

}  // namespace
}  // namespace quorbel
