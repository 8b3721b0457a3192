// Symbolic complexity terms: a product of linear, root, log and log-log factors over symbol
// names ("poly"), an exponential ("exp"), or a free-form notation with an explicit rank
// ("custom"). The label, pattern and limit rows of a report are read from a term.
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
}  // namespace quorbel
