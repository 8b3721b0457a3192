// Symbolic complexity terms: a product of linear, root, log and log-log factors over symbol
// names ("poly"), an exponential ("exp"), or a free-form notation with an explicit rank
// ("custom"). Terms are compared by a single integer, their rank.
#pragma once

#include <string>
#include <vector>

namespace quorbel {

struct RootFactor {
  std::string symbol;
  int degree = 2;  // at least 2: 2 square root, 3 cube root, ...

  bool operator==(const RootFactor&) const = default;
};

struct Term {
  std::string kind = "poly";  // "poly", "exp" or "custom"
  std::vector<std::string> linear;
  std::vector<RootFactor> roots;
  std::vector<std::string> logs;
  std::vector<std::string> logLogs;
  std::string notation;  // custom terms only, "O(...)" included
  std::string reason;
  int rank = 0;  // custom terms only

  bool operator==(const Term&) const = default;
};

// ---- Term construction ----
// The first argument is always the term's reason.
Term constantTerm(const std::string& reason);
Term linearTerm(const std::string& reason, const std::string& symbol);
// A degree below 2 is stored as 2.
Term rootTerm(const std::string& reason, const std::string& symbol, int degree);
Term sqrtTerm(const std::string& reason, const std::string& symbol);
Term logTerm(const std::string& reason, const std::string& symbol);
Term logLogTerm(const std::string& reason, const std::string& symbol);
// symbol * log symbol.
Term linearithmicTerm(const std::string& reason, const std::string& symbol);
Term exponentialTerm(const std::string& reason);
Term customTerm(const std::string& notation, const std::string& reason, int rank);

// ---- Ranking and combination ----
// True for a "poly" term with no factors at all.
bool isConstant(const Term& term);
// custom: its rank; exp: 200; poly: 20 per linear, 10 per root, 5 per log, 4 per log-log factor.
int rankTerm(const Term& term);
// A copy of `b` when it ranks strictly higher, otherwise of `a`.
Term maxTerm(const Term& a, const Term& b);
// The product; a custom factor absorbs the other (the higher rank wins, ties keep `a`) and an
// exponential absorbs a polynomial. Reasons are joined with a space.
Term multiplyTerms(const Term& a, const Term& b);
// The dominating term of a sum of independent costs: the top-ranked terms, distinct by
// notation, as one term or as a custom "O(a + b)" with reason "Independent passes".
Term summarizeTerms(const std::vector<Term>& terms);

}  // namespace quorbel
