// The whole-program indexes by name answer as the searches they replace: every call, every
// identifier and every enclosing function, on programs that reuse names across scopes.
#include "model/program_index.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "model/entry_points.h"
#include "model/model.h"
#include "model/nodes_of_type.h"
#include "test_support.h"

namespace quorbel {
namespace {

// Names declared again and again: a global and a lambda named f, a member f called through an
// object, a template helper called with and without its arguments, a parameter named like a
// function, a lambda inside a lambda and a call at file scope.
const char* const kPrograms[] = {
    "#include <bits/stdc++.h>\n"
    "using namespace std;\n"
    "int f(int n) { return n ? f(n - 1) : 0; }\n"
    "struct S { int f(int x) { return x; } int g() { return f(2); } };\n"
    "template <class T> T twice(T v) { return v + v; }\n"
    "int helper(int f) { auto inner = [&](int k) { auto deeper = [&](int j) { return j + f; };\n"
    "  return deeper(k); }; return inner(f) + twice<long long>(f) + twice(f); }\n"
    "int global = f(3);\n"
    "int main() { S s; auto f = [](int x) { return x * 2; }; int n; cin >> n;\n"
    "  cout << f(n) + s.f(n) + ::f(n) + helper(n) + std::max(n, 1); }\n",
    // Two definitions under one name (an overload), a function named only in a pointer, and a
    // class whose constructor shares its name.
    "void go(int a) {}\n"
    "void go(double a) { go(1); }\n"
    "int pick(int x) { return x; }\n"
    "struct P { int v; P(int v) : v(v) {} };\n"
    "int main() { int (*fp)(int) = pick; P p(fp(2)); go(1.5); }\n",
    "int main() {}\n",
    "",
};

// The calls of `name` found by reading every call of the program.
std::vector<Node> scannedCalls(const Model& model, std::string_view name) {
  std::vector<Node> calls;
  for (const Node& n : descendantsOfType(model.root, {"call_expression"})) {
    Node callee = n.field("function");
    if (callee.type() == "template_function") callee = callee.field("name");
    if (callee.text() == name) calls.push_back(n);
  }
  return calls;
}

std::vector<Node> scannedIdentifiers(const Model& model, std::string_view name) {
  std::vector<Node> found;
  for (const Node& n : descendantsOfType(model.root, {"identifier"}))
    if (n.text() == name) found.push_back(n);
  return found;
}

// The innermost definition around `node`, found by comparing each ancestor with every function.
const Function* scannedFunctionAround(const Model& model, const Node& node) {
  for (Node p = node.parent(); !p.null(); p = p.parent())
    for (const auto& [name, function] : model.functions)
      if (!function.definition.null() && p == function.definition) return &function;
  return nullptr;
}

bool sameNodes(const std::vector<Node>& a, const std::vector<Node>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!(a[i] == b[i])) return false;
  return true;
}

TEST(ProgramIndexTest, AnswersAsTheSearchOfTheWholeTree) {
  for (const char* program : kPrograms) {
    const Model model = buildModel(std::string(program));
    std::set<std::string> names = {"", "absent", "s.f", "::f", "std::max"};
    visitNodes(model.root, [&](const Node& n) {
      names.emplace(n.text());
      return true;
    });
    for (const std::string& name : names) {
      EXPECT_TRUE(sameNodes(callsSpelled(model, name), scannedCalls(model, name)))
          << "calls of '" << name << "' in " << program;
      EXPECT_TRUE(sameNodes(identifiersSpelled(model, name), scannedIdentifiers(model, name)))
          << "identifiers '" << name << "' in " << program;
    }
    visitNodes(model.root, [&](const Node& n) {
      EXPECT_EQ(functionAround(model, n), scannedFunctionAround(model, n))
          << "around '" << n.text() << "' on line " << n.line();
      return true;
    });
  }
}

TEST(ProgramIndexTest, NamesTheInnermostFunctionAroundACall) {
  const Model model = buildModel(std::string(kPrograms[0]));
  // want: the function whose definition holds the first call of that text, read by hand;
  // empty at file scope.
  const testing::Case<const char*, const char*> kCases[] = {
      // The model keeps one function per name: main's lambda f is the f it knows, so the
      // global f's own recursion stands in no function it knows.
      {"a function whose name a later lambda takes", "f(n - 1)", ""},
      {"a member calling a member", "f(2)", "g"},
      {"a lambda inside a lambda", "deeper(k)", "inner"},
      {"the innermost lambda's own body is its own", "j + f", "deeper"},
      {"a template called with its arguments", "twice<long long>(f)", "helper"},
      {"a template called without its arguments", "twice(f)", "helper"},
      {"main's lambda shadows the global f", "f(n)", "main"},
      {"an initialiser at file scope", "f(3)", ""},
  };
  for (const auto& c : kCases) {
    Node found;
    visitNodes(model.root, [&](const Node& n) {
      if (found.null() && n.text() == c.in) found = n;
      return found.null();
    });
    ASSERT_FALSE(found.null()) << c.name;
    const Function* around = functionAround(model, found);
    EXPECT_EQ(around ? around->name : "", c.want) << c.name;
  }
  // The calls of f as written f(...): the recursion, the member's, main's lambda's; not s.f(n)
  // nor ::f(n), spelled otherwise, and not the definitions.
  EXPECT_EQ(callsSpelled(model, "f").size(), 4u);
  EXPECT_EQ(callsSpelled(model, "twice").size(), 2u);
  EXPECT_TRUE(callsSpelled(model, "absent").empty());
}

TEST(ProgramIndexTest, EntryFunctionsAreKeptAndFoundAgainWhenTheFunctionsChange) {
  Model model =
      buildModel(std::string("int a(int n) { return b(n); }\n"
                             "int b(int n) { return n; }\n"
                             "int c() { return a(1); }\n"));
  const std::set<std::string> want = {"c"};
  EXPECT_EQ(findEntryFunctions(model), want);
  EXPECT_EQ(&findEntryFunctions(model), &findEntryFunctions(model));
  // A helper read later, calling c: c is no longer an entry, and nothing calls d.
  const Model more = buildModel(std::string("int d() { return c(); }\n"));
  model.functions.insert(*more.functions.find("d"));
  EXPECT_EQ(findEntryFunctions(model), (std::set<std::string>{"d"}));
}

}  // namespace
}  // namespace quorbel
