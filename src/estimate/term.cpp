#include "estimate/term.h"

#include <cstdint>
#include <set>

#include "base/text.h"
#include "estimate/notation.h"

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

}  // namespace quorbel
