// Turns the final time term into rough input limits. Custom terms are read by their reason
// and notation:
//   "Heap graph traversal"                  O((vertices + edges) * log vertices)
//   "Graph traversal", "DFS graph traversal" O(vertices + edges)
//   O(n!), sums of passes O(n + m), any other named or anonymous custom notation
// and poly terms by the counts of their factors: a single root, pure log-log, pure log, n,
// n log n, n^k of one symbol, products of several symbols, and everything mixed.
#include "constraints/constraint_estimates.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <set>
#include <sstream>

#include "syntax/text.h"

namespace quorbel {
namespace {

constexpr long double kOperationBudget = 1e8L;

std::string fixedText(long double value, int decimals) {
  std::ostringstream out;
  out << std::fixed << std::setprecision(decimals) << value;
  return out.str();
}

std::string roundedText(long double value) { return fixedText(std::floor(value + 0.5L), 0); }

// Largest n with n * log2(n) within the budget, by a fixed-length bisection so the result
// never depends on a convergence test.
long double solveNLogN() {
  long double lo = 1;
  long double hi = kOperationBudget;
  for (int step = 0; step < 90; ++step) {
    const long double mid = (lo + hi) / 2;
    if (mid * std::log2(std::max(mid, 2.0L)) <= kOperationBudget) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return lo;
}

std::string approximately(long double value) { return "~" + compactNumber(value); }

ConstraintEstimate roughRow(const std::string& variable, const std::string& maxValue,
                            const std::string& assumption) {
  return {variable, maxValue, roughAssumption(assumption)};
}

// ---- Custom terms ----

struct GraphNames {
  std::string vertices;
  std::string edges;
};

// The vertex and edge symbols a traversal's notation names, in the order it names them.
GraphNames graphNamesFrom(const std::vector<std::string>& variables) {
  if (variables.empty()) return {"v", "e"};
  if (variables.size() == 1) {
    return {variables[0], variables[0] == "v" ? "e" : "v"};
  }
  return {variables[0], variables[1]};
}

std::vector<ConstraintEstimate> heapGraphRows(const std::vector<std::string>& variables) {
  const GraphNames graph = graphNamesFrom(variables);
  const std::string limit = approximately(solveNLogN());
  return {
      roughRow(graph.vertices, limit,
               "Sparse heap graph traversal is roughly V log V, so this is the vertex limit when "
               "E is not huge."),
      roughRow(graph.edges, "depends on " + graph.vertices,
               "Edges cost about E log V, so the useful edge budget is roughly 100M / log2(V)."),
      roughRow(graph.vertices + " + " + graph.edges, limit,
               "If vertices and edges are the same scale, total graph size should stay near the "
               "N log N budget."),
  };
}

std::vector<ConstraintEstimate> graphRows(const std::vector<std::string>& variables) {
  const GraphNames graph = graphNamesFrom(variables);
  const std::string limit = approximately(kOperationBudget);
  return {
      roughRow(graph.vertices, limit,
               "This can approach the full linear budget only if the edge count is small."),
      roughRow(graph.edges, limit,
               "This can approach the full linear budget only if the vertex count is small."),
      roughRow(graph.vertices + " + " + graph.edges, limit,
               "For BFS/DFS-style traversals, total vertices plus edges is the useful budget."),
  };
}

std::vector<ConstraintEstimate> customRows(const Term& term) {
  const std::vector<std::string> variables = variablesFromNotation(term.notation);
  if (term.reason == "Heap graph traversal") return heapGraphRows(variables);
  if (term.reason == "Graph traversal" || term.reason == "DFS graph traversal") {
    return graphRows(variables);
  }
  if (term.notation == "O(n!)") {
    return {roughRow("n", "~10-11", "Factorial enumeration explodes almost immediately.")};
  }
  std::vector<ConstraintEstimate> rows;
  // A sum of independent passes: each pass alone may use the whole budget.
  if (term.notation.find(" + ") != std::string::npos) {
    const std::string limit = approximately(kOperationBudget);
    appendVariableRows(rows, variables, limit,
                       roughAssumption("For independent summed passes, this one variable can be "
                                       "near the full budget if the others are smaller."));
    rows.push_back(roughRow(
        "combined passes", limit,
        "For independent summed passes, the total across all bounds is the useful constraint."));
    return rows;
  }
  if (!variables.empty()) {
    appendVariableRows(rows, variables, "depends",
                       roughAssumption("This custom pattern exposes the variable names, but the "
                                       "exact per-variable limit depends on the whole "
                                       "expression."));
    return rows;
  }
  return {roughRow("input", "depends",
                   "This pattern is custom, so only the detected Big-O is shown reliably.")};
}

// ---- Poly terms ----

std::vector<ConstraintEstimate> polyRows(const Term& term) {
  const size_t linearCount = term.linear.size();
  const size_t distinctLinear =
      std::set<std::string>(term.linear.begin(), term.linear.end()).size();
  const size_t rootCount = term.roots.size();
  const size_t logCount = term.logs.size();
  const size_t logLogCount = term.logLogs.size();
  const bool linearOnly = rootCount == 0 && logCount == 0 && logLogCount == 0;

  if (linearCount == 0 && rootCount == 1 && logCount == 0 && logLogCount == 0) {
    const RootFactor& root = term.roots.front();
    return {roughRow(uniqueSymbolList({root.symbol}),
                     approximately(std::pow(kOperationBudget, root.degree)),
                     "Because root-degree work can tolerate N around the operation budget "
                     "raised to that degree.")};
  }
  if (linearCount == 0 && logCount == 0 && logLogCount >= 1) {
    return {roughRow(uniqueSymbolList(term.logLogs), "astronomical",
                     "Pure log-log work almost never breaks from N alone; numeric range "
                     "dominates first.")};
  }
  if (linearCount == 0 && logCount >= 1) {
    return {roughRow(uniqueSymbolList(term.logs), "massive",
                     "Pure logarithmic work rarely breaks from N alone; numeric range and "
                     "implementation details matter more.")};
  }
  if (linearCount == 1 && linearOnly) {
    return {roughRow(uniqueSymbolList(term.linear), approximately(kOperationBudget),
                     "Assumes one linear pass fits in about 1 second.")};
  }
  if (linearCount == 1 && rootCount == 0 && logCount == 1 && logLogCount == 0) {
    return {roughRow(uniqueSymbolList(term.linear), approximately(solveNLogN()),
                     "Solves N log2 N against a 1 second operation budget.")};
  }
  if (linearCount >= 2 && linearOnly && distinctLinear == 1) {
    return {roughRow(uniqueSymbolList(term.linear),
                     approximately(std::pow(kOperationBudget, 1.0L / linearCount)),
                     "Assumes all repeated dimensions are the same variable.")};
  }
  if (linearCount >= 2 && linearOnly) {
    // The equal-size split uses the distinct symbols: n^2 * m is two variables, not three.
    return {
        roughRow(uniqueSymbolList(term.linear) + " product", approximately(kOperationBudget),
                 "The product of those bounds should stay near the operation budget."),
        {"if equal", approximately(std::pow(kOperationBudget, 1.0L / distinctLinear)) + " each",
         "Only if each listed variable is roughly the same size."},
    };
  }
  return {roughRow("combined cost", approximately(kOperationBudget),
                   "Mixed terms are best read as a total operation budget, not an exact variable "
                   "limit.")};
}

}  // namespace

std::vector<ConstraintEstimate> estimateConstraints(const Term& term) {
  if (term.kind == "custom") return customRows(term);
  if (term.kind == "exp") {
    return {roughRow("n", "~26", "Assumes about 2^n operations and a 1 second budget.")};
  }
  if (isConstant(term)) {
    return {roughRow("input", "not bound by Big-O",
                     "No repeated work was detected, so constraints depend on memory and "
                     "parsing/input costs.")};
  }
  return polyRows(term);
}

std::string compactNumber(long double value) {
  if (!std::isfinite(value)) return "huge";
  if (value < 1) return "< 1";
  if (value >= 1e15L) {
    long double mantissa = value;
    int exponent = 0;
    while (mantissa >= 10) {
      mantissa /= 10;
      ++exponent;
    }
    // 9.96e15 would print as "10.0e15"; it is 1e16.
    if (mantissa >= 9.95L) {
      mantissa = 1;
      ++exponent;
    }
    const bool fractional = mantissa < 9.95L && std::fabs(mantissa - std::round(mantissa)) > 0.05L;
    return fixedText(mantissa, fractional ? 1 : 0) + "e" + std::to_string(exponent);
  }
  struct Scale {
    long double divisor;
    const char* suffix;
  };
  static constexpr Scale kScales[] = {{1e12L, "T"}, {1e9L, "B"}, {1e6L, "M"}, {1e3L, "K"}};
  for (const Scale& scale : kScales) {
    if (value < scale.divisor) continue;
    const long double quotient = value / scale.divisor;
    if (quotient >= 100) return roundedText(quotient) + scale.suffix;
    return fixedText(quotient, quotient >= 10 ? 1 : 2) + scale.suffix;
  }
  return roundedText(value);
}

std::string roughAssumption(const std::string& text) {
  return text +
         " Super rough: ignores constants, memory, input/output, recursion overhead, and hidden "
         "helper work.";
}

std::string uniqueSymbolList(const std::vector<std::string>& symbols) {
  std::vector<std::string> unique;
  for (const std::string& symbol : symbols) {
    if (symbol.empty()) continue;
    if (std::find(unique.begin(), unique.end(), symbol) == unique.end()) unique.push_back(symbol);
  }
  if (unique.empty()) return "N";
  std::string joined;
  for (size_t i = 0; i < unique.size(); ++i) {
    if (i > 0) joined += ", ";
    joined += unique[i];
  }
  return joined;
}

void appendVariableRows(std::vector<ConstraintEstimate>& rows,
                        const std::vector<std::string>& symbols, const std::string& maxValue,
                        const std::string& assumption) {
  for (const std::string& symbol : symbols) {
    const bool named = std::any_of(rows.begin(), rows.end(), [&](const ConstraintEstimate& row) {
      return row.variable == symbol;
    });
    // A symbol appended earlier in this call is itself a row by now, so one test covers both.
    if (!named) rows.push_back({symbol, maxValue, assumption});
  }
}

std::vector<std::string> variablesFromNotation(std::string_view notation) {
  static const std::set<std::string, std::less<>> kNotationWords = {"O", "cuberoot", "log", "root",
                                                                    "sqrt"};
  std::vector<std::string> variables;
  // Words are whole identifier runs by the analysis's own identifier rules, so a UTF-8 name
  // such as 個数 is one variable; a run that starts with a digit ("2n", "1e9") is no word.
  size_t position = 0;
  while (position < notation.size()) {
    const auto byte = static_cast<unsigned char>(notation[position]);
    if (!isIdentifierPartByte(byte)) {
      ++position;
      continue;
    }
    size_t end = position;
    while (end < notation.size() && isIdentifierPartByte(static_cast<unsigned char>(notation[end])))
      ++end;
    if (isIdentifierStartByte(byte)) {
      std::string word(notation.substr(position, end - position));
      if (!kNotationWords.contains(word) &&
          std::find(variables.begin(), variables.end(), word) == variables.end()) {
        variables.push_back(std::move(word));
      }
    }
    position = end;
  }
  return variables;
}

}  // namespace quorbel
