// Test-case loops found by what they do, whatever they are called: a loop whose trip count is
// a value the program read (while (t--), for (tc = 1; tc <= T; tc++), while (q) { ...; q--; })
// or that reads until the input ends (while (cin >> n)), and whose passes read input. The
// sizes a pass reads that count the items it reads (the n of n numbers, m edges, a string)
// are test sizes: the items of all passes are bounded by the input's length, so work in them
// sums over the passes instead of multiplying by the count.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "model/model.h"

namespace quorbel {

// How the walk prices a test loop.
enum class TestPricing {
  kSplit,     // no comment: terms in test sizes once, the others times the count
  kSummed,    // a comment bounds the sum of the sizes over all tests
  kMultiply,  // a comment gives per-test limits only: the count multiplies everything
};

struct TestLoop {
  bool found = false;
  std::string count;               // the count's name; T for a loop reading to the end
  bool untilEnd = false;           // the passes run until the input ends: the count has no name
  std::vector<std::string> sizes;  // test sizes as costs name them: n, |s|
  TestPricing pricing = TestPricing::kSplit;
  // Why the count multiplies, for the report: "a comment gives per-test limits".
  std::string multiplyReason;
};

// What the test-loop reading asks of the whole program whatever the loop, kept by a caller that
// asks of many loops: which comment patterns match, and the name an unnamed count takes.
struct TestLoopMemo {
  std::map<std::string, bool> comments;  // by pattern
  std::string unnamedCount;
  // The program's identifiers by their text, in the order they are written, once asked.
  std::map<std::string_view, std::vector<Node>> identifiers;
  bool identifiersRead = false;
};

TestLoop testLoopOf(const Model& model, const Node& loop, TestLoopMemo* memo = nullptr);
// The terms of one pass's cost that grow with a test size are charged once, the others once
// per pass; with no test sizes the count multiplies the whole pass.
Cost splitTestCost(const TestLoop& test, const Cost& pass);
// True when `scope` empties or replaces the container `name`: v.clear(), v = {}, v.assign(..),
// memset(v, ..), fill(v, ..).
bool clearsContainer(const Node& scope, const std::string& name);

}  // namespace quorbel
