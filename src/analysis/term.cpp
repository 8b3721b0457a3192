#include "analysis/term.h"

#include <cstdint>
#include <set>

#include "analysis/notation.h"
#include "syntax/text.h"

namespace quorbel {

// ---- Term construction ----

Term constantTerm(const std::string& reason) {
  Term term;
  term.reason = reason;
  return term;
}

Term linearTerm(const std::string& reason, const std::string& symbol) {
  Term term = constantTerm(reason);
  term.linear.push_back(symbol);
  return term;
}

Term rootTerm(const std::string& reason, const std::string& symbol, int degree) {
  Term term = constantTerm(reason);
  term.roots.push_back({symbol, degree < 2 ? 2 : degree});
  return term;
}

Term sqrtTerm(const std::string& reason, const std::string& symbol) {
  return rootTerm(reason, symbol, 2);
}

Term logTerm(const std::string& reason, const std::string& symbol) {
  Term term = constantTerm(reason);
  term.logs.push_back(symbol);
  return term;
}

Term logLogTerm(const std::string& reason, const std::string& symbol) {
  Term term = constantTerm(reason);
  term.logLogs.push_back(symbol);
  return term;
}

Term linearithmicTerm(const std::string& reason, const std::string& symbol) {
  Term term = linearTerm(reason, symbol);
  term.logs.push_back(symbol);
  return term;
}

Term exponentialTerm(const std::string& reason) {
  Term term = constantTerm(reason);
  term.kind = "exp";
  return term;
}

Term customTerm(const std::string& notation, const std::string& reason, int rank) {
  Term term = constantTerm(reason);
  term.kind = "custom";
  term.notation = notation;
  term.rank = rank;
  return term;
}

// ---- Ranking and combination ----

bool isConstant(const Term& term) {
  return term.kind == "poly" && term.linear.empty() && term.roots.empty() && term.logs.empty() &&
         term.logLogs.empty();
}

int rankTerm(const Term& term) {
  if (term.kind == "custom") return term.rank;
  if (term.kind == "exp") return 200;
  // Unsigned arithmetic wraps like the 32-bit sum it stands for, without overflow traps.
  uint32_t rank = 20u * static_cast<uint32_t>(term.linear.size()) +
                  10u * static_cast<uint32_t>(term.roots.size()) +
                  5u * static_cast<uint32_t>(term.logs.size()) +
                  4u * static_cast<uint32_t>(term.logLogs.size());
  return static_cast<int>(rank);
}

Term maxTerm(const Term& a, const Term& b) { return rankTerm(b) > rankTerm(a) ? b : a; }

Term multiplyTerms(const Term& a, const Term& b) {
  if (a.kind == "custom" || b.kind == "custom") return rankTerm(a) < rankTerm(b) ? b : a;
  if (a.kind == "exp") return a;
  if (b.kind == "exp") return b;
  Term product;
  product.linear = a.linear;
  product.linear.insert(product.linear.end(), b.linear.begin(), b.linear.end());
  product.roots = a.roots;
  product.roots.insert(product.roots.end(), b.roots.begin(), b.roots.end());
  product.logs = a.logs;
  product.logs.insert(product.logs.end(), b.logs.begin(), b.logs.end());
  product.logLogs = a.logLogs;
  product.logLogs.insert(product.logLogs.end(), b.logLogs.begin(), b.logLogs.end());
  product.reason = trim(a.reason + " " + b.reason);
  return product;
}

Term summarizeTerms(const std::vector<Term>& terms) {
  int best = 0;
  bool anyGrowing = false;
  for (const Term& term : terms) {
    if (isConstant(term)) continue;
    int rank = rankTerm(term);
    if (!anyGrowing || rank > best) best = rank;
    anyGrowing = true;
  }
  if (!anyGrowing || best == 0) return constantTerm("");

  std::vector<const Term*> kept;
  std::vector<std::string> inners;
  std::set<std::string> seen;
  for (const Term& term : terms) {
    if (isConstant(term) || rankTerm(term) != best) continue;
    std::string inner = innerTermNotation(term);
    if (!seen.insert(inner).second) continue;
    kept.push_back(&term);
    inners.push_back(inner);
  }
  if (kept.size() == 1) return *kept.front();

  std::string sum;
  for (const std::string& inner : inners) sum += (sum.empty() ? "" : " + ") + inner;
  return customTerm("O(" + sum + ")", "Independent passes", best);
}

}  // namespace quorbel
