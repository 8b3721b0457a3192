// The reader mirrors the growth chart's reader in public/ide-runner.js, so that the page's
// curve and the verdict read a notation the same way.
#include "verdict/notation_expression.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "syntax/text.h"

namespace quorbel {
namespace {

using Op = Expression::Op;

constexpr int kMaxDepth = 200;

Expression node(Op op) {
  Expression e;
  e.op = op;
  return e;
}

Expression numberNode(double value) {
  Expression e = node(Op::kNumber);
  e.number = value;
  return e;
}
constexpr size_t kMaxTerms = 64;

// ---- Tokens ----

struct Token {
  char kind = 0;  // 'n' number, 'i' identifier, or one of + * ^ ( ) ! ,
  std::string text;
  double number = 0;
};

// The multiplication signs written as UTF-8 symbols: · × ⋅.
size_t timesSignLength(std::string_view text, size_t at) {
  for (std::string_view sign : {"\xC2\xB7", "\xC3\x97", "\xE2\x8B\x85"})
    if (text.substr(at, sign.size()) == sign) return sign.size();
  return 0;
}

bool tokenize(std::string_view text, std::vector<Token>& tokens) {
  size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    const auto byte = static_cast<unsigned char>(c);
    if (isSpaceByte(c)) {
      ++at;
    } else if (const size_t sign = timesSignLength(text, at); sign > 0) {
      tokens.push_back({'*', "", 0});
      at += sign;
    } else if (c >= '0' && c <= '9') {
      size_t end = at;
      while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.'))
        ++end;
      Token token{'n', std::string(text.substr(at, end - at)), 0};
      const auto [rest, error] =
          std::from_chars(token.text.data(), token.text.data() + token.text.size(), token.number);
      if (error != std::errc() || rest != token.text.data() + token.text.size()) return false;
      tokens.push_back(std::move(token));
      at = end;
    } else if (isIdentifierStartByte(byte)) {
      size_t end = at + 1;
      while (end < text.size() && isIdentifierPartByte(static_cast<unsigned char>(text[end])) &&
             timesSignLength(text, end) == 0)
        ++end;
      tokens.push_back({'i', std::string(text.substr(at, end - at)), 0});
      at = end;
    } else if (std::string_view("+*^()!,").find(c) != std::string_view::npos) {
      tokens.push_back({c, "", 0});
      ++at;
    } else {
      return false;
    }
  }
  return true;
}

// ---- Parsing ----

struct FunctionInfo {
  Op op;
  int degree = 2;
  bool manyArguments = false;
};

bool functionNamed(const std::string& name, FunctionInfo& info) {
  if (name == "log" || name == "lg" || name == "ln" || name == "log2") {
    info = {Op::kLog};
  } else if (name == "sqrt") {
    info = {Op::kRoot, 2};
  } else if (name == "cuberoot" || name == "cbrt") {
    info = {Op::kRoot, 3};
  } else if (name == "alpha") {
    info = {Op::kAlpha};
  } else if (name == "min" || name == "max") {
    info = {name == "min" ? Op::kMin : Op::kMax, 2, true};
  } else if (name.size() > 4 && name.starts_with("root") &&
             std::all_of(name.begin() + 4, name.end(),
                         [](char c) { return c >= '0' && c <= '9'; })) {
    const int degree = name.size() > 6 ? 0 : std::stoi(name.substr(4));
    if (degree < 2) return false;
    info = {Op::kRoot, degree};
  } else {
    return false;
  }
  return true;
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  bool parseAll(Expression& out) {
    if (!expression(out, 0)) return false;
    return position_ == tokens_.size();
  }

 private:
  const Token* peek() const { return position_ < tokens_.size() ? &tokens_[position_] : nullptr; }
  bool at(char kind) const { return peek() != nullptr && peek()->kind == kind; }
  bool startsFunction() const {
    FunctionInfo info;
    return at('i') && functionNamed(peek()->text, info);
  }

  bool expression(Expression& out, int depth) {
    if (depth > kMaxDepth) return false;
    Expression first;
    if (!product(first, depth + 1)) return false;
    if (!at('+')) {
      out = std::move(first);
      return true;
    }
    out = node(Op::kSum);
    out.args.push_back(std::move(first));
    while (at('+')) {
      ++position_;
      Expression next;
      if (!product(next, depth + 1)) return false;
      out.args.push_back(std::move(next));
    }
    return true;
  }

  bool product(Expression& out, int depth) {
    Expression first;
    if (!power(first, depth + 1)) return false;
    std::vector<Expression> factors;
    factors.push_back(std::move(first));
    for (;;) {
      if (at('*')) {
        ++position_;
      } else if (!startsFunction()) {
        break;  // "n log n" multiplies without a sign, but only before a function
      }
      Expression next;
      if (!power(next, depth + 1)) return false;
      factors.push_back(std::move(next));
    }
    if (factors.size() == 1) {
      out = std::move(factors[0]);
    } else {
      out = node(Op::kProduct);
      out.args = std::move(factors);
    }
    return true;
  }

  bool power(Expression& out, int depth) {
    if (depth > kMaxDepth) return false;
    Expression base;
    if (!postfix(base, depth + 1)) return false;
    if (!at('^')) {
      out = std::move(base);
      return true;
    }
    ++position_;
    Expression exponent;
    if (!power(exponent, depth + 1)) return false;
    out = node(Op::kPower);
    out.args.push_back(std::move(base));
    out.args.push_back(std::move(exponent));
    return true;
  }

  bool postfix(Expression& out, int depth) {
    if (!atom(out, depth + 1)) return false;
    while (at('!')) {
      ++position_;
      Expression factorial = node(Op::kFactorial);
      factorial.args.push_back(std::move(out));
      out = std::move(factorial);
    }
    return true;
  }

  bool atom(Expression& out, int depth) {
    if (depth > kMaxDepth || peek() == nullptr) return false;
    const Token token = tokens_[position_++];
    if (token.kind == 'n') {
      out = numberNode(token.number);
      return true;
    }
    if (token.kind == '(') {
      if (!expression(out, depth + 1) || !at(')')) return false;
      ++position_;
      return true;
    }
    if (token.kind != 'i') return false;
    FunctionInfo info;
    if (!functionNamed(token.text, info)) {
      out = node(Op::kName);
      out.name = token.text;
      return true;
    }
    out = node(info.op);
    out.degree = info.degree;
    if (at('(')) {
      ++position_;
      do {
        Expression argument;
        if (!expression(argument, depth + 1)) return false;
        out.args.push_back(std::move(argument));
      } while (at(',') && (++position_, true));
      if (!at(')')) return false;
      ++position_;
    } else {
      Expression argument;  // "log n", "log log n", "sqrt n"
      if (!postfix(argument, depth + 1)) return false;
      out.args.push_back(std::move(argument));
    }
    return info.manyArguments ? !out.args.empty() : out.args.size() == 1;
  }

  std::vector<Token> tokens_;
  size_t position_ = 0;
};

// ---- Evaluation ----

double log10Sum(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return NAN;
  if (a == -INFINITY) return b;
  if (b == -INFINITY) return a;
  if (a == INFINITY || b == INFINITY) return INFINITY;
  const double top = std::max(a, b);
  return top + std::log10(std::pow(10.0, a - top) + std::pow(10.0, b - top));
}

double log10Power(double base, double exponent) {
  if (std::isnan(base) || std::isnan(exponent)) return NAN;
  const double times = std::pow(10.0, exponent);  // the exponent's own value
  if (times == 0 || base == 0) return 0;
  if (base == -INFINITY) return -INFINITY;
  return times * base;
}

double log10Factorial(double a) {
  if (std::isnan(a) || a == INFINITY) return a;
  const double value = std::pow(10.0, a);
  if (!std::isfinite(value)) return INFINITY;
  return std::lgamma(value + 1) / std::log(10.0);
}

// A logarithm counts halvings: at least one step.
double log10Log(double a) {
  if (std::isnan(a) || a == INFINITY) return a;
  const double bits = a == -INFINITY ? 0 : a / std::log10(2.0);
  return std::log10(std::max(1.0, bits));
}

// The inverse Ackermann function is at most 4 for any input that fits in memory.
double log10Alpha(double a) {
  if (std::isnan(a)) return a;
  const double value = a > 10 ? INFINITY : std::pow(10.0, a);
  const double alpha = value < 4 ? 1 : value < 16 ? 2 : value < 65536 ? 3 : 4;
  return std::log10(alpha);
}

// ---- Rendering ----

std::string numberText(double value) {
  char buffer[64];
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
  } else {
    std::snprintf(buffer, sizeof buffer, "%g", value);
  }
  return buffer;
}

bool isSimple(const Expression& e) {
  return e.op == Op::kNumber || e.op == Op::kName || e.op == Op::kLog || e.op == Op::kRoot ||
         e.op == Op::kMin || e.op == Op::kMax || e.op == Op::kAlpha;
}

std::string parenthesised(const Expression& e, bool needed) {
  const std::string text = renderExpression(e);
  return needed ? "(" + text + ")" : text;
}

std::string joined(const std::vector<Expression>& args, const char* separator, bool wrapSums) {
  std::string text;
  for (size_t i = 0; i < args.size(); ++i) {
    if (i > 0) text += separator;
    text += parenthesised(args[i], wrapSums && args[i].op == Op::kSum);
  }
  return text;
}

std::string functionName(const Expression& e) {
  if (e.op == Op::kLog) return "log";
  if (e.degree == 2) return "sqrt";
  if (e.degree == 3) return "cuberoot";
  return "root" + std::to_string(e.degree);
}

bool isNameFactor(const Expression& e, const std::string& name) {
  if (e.op == Op::kName) return e.name == name;
  return e.op == Op::kPower && e.args[0].op == Op::kName && e.args[0].name == name;
}

void collectNames(const Expression& e, std::vector<std::string>& names) {
  if (e.op == Op::kName && std::find(names.begin(), names.end(), e.name) == names.end())
    names.push_back(e.name);
  for (const Expression& arg : e.args) collectNames(arg, names);
}

}  // namespace

bool parseNotation(std::string_view notation, Expression& out) {
  const std::string text = trim(notation);
  if (text.size() < 3 || !text.starts_with("O(") || text.back() != ')') return false;
  std::vector<Token> tokens;
  if (!tokenize(std::string_view(text).substr(2, text.size() - 3), tokens) || tokens.empty())
    return false;
  return Parser(std::move(tokens)).parseAll(out);
}

std::vector<std::string> expressionNames(const Expression& expression) {
  std::vector<std::string> names;
  collectNames(expression, names);
  return names;
}

double evaluateLog10(const Expression& e, const std::map<std::string, double>& values) {
  const auto sub = [&](size_t i) { return evaluateLog10(e.args[i], values); };
  switch (e.op) {
    case Op::kNumber:
      return e.number > 0 ? std::log10(e.number) : -INFINITY;
    case Op::kName: {
      const auto found = values.find(e.name);
      if (found == values.end()) return NAN;
      return found->second > 0 ? std::log10(found->second) : -INFINITY;
    }
    case Op::kSum: {
      double total = -INFINITY;
      for (size_t i = 0; i < e.args.size(); ++i) total = log10Sum(total, sub(i));
      return total;
    }
    case Op::kProduct: {
      double total = 0;
      bool zero = false;
      for (size_t i = 0; i < e.args.size(); ++i) {
        const double factor = sub(i);
        if (std::isnan(factor)) return NAN;
        zero = zero || factor == -INFINITY;
        if (!zero) total += factor;
      }
      return zero ? -INFINITY : total;
    }
    case Op::kPower:
      return log10Power(sub(0), sub(1));
    case Op::kFactorial:
      return log10Factorial(sub(0));
    case Op::kLog:
      return log10Log(sub(0));
    case Op::kRoot:
      return sub(0) / e.degree;
    case Op::kAlpha:
      return log10Alpha(sub(0));
    case Op::kMin:
    case Op::kMax: {
      double best = sub(0);
      for (size_t i = 1; i < e.args.size(); ++i) {
        const double next = sub(i);
        if (std::isnan(next) || std::isnan(best)) return NAN;
        best = e.op == Op::kMin ? std::min(best, next) : std::max(best, next);
      }
      return best;
    }
  }
  return NAN;
}

std::vector<Expression> expandTerms(const Expression& e) {
  if (e.op == Op::kSum) {
    std::vector<Expression> terms;
    for (const Expression& arg : e.args) {
      for (Expression& term : expandTerms(arg)) terms.push_back(std::move(term));
      if (terms.size() > kMaxTerms) return {e};
    }
    return terms;
  }
  if (e.op != Op::kProduct) return {e};
  std::vector<std::vector<Expression>> products = {{}};
  for (const Expression& factor : e.args) {
    const std::vector<Expression> choices = expandTerms(factor);
    if (products.size() * choices.size() > kMaxTerms) return {e};
    std::vector<std::vector<Expression>> next;
    for (const std::vector<Expression>& partial : products) {
      for (const Expression& choice : choices) {
        std::vector<Expression> grown = partial;
        // A chosen term that is itself a product contributes its factors, not a nesting.
        if (choice.op == Op::kProduct) {
          grown.insert(grown.end(), choice.args.begin(), choice.args.end());
        } else {
          grown.push_back(choice);
        }
        next.push_back(std::move(grown));
      }
    }
    products = std::move(next);
  }
  std::vector<Expression> terms;
  for (std::vector<Expression>& factors : products) {
    if (factors.size() == 1) {
      terms.push_back(std::move(factors[0]));
    } else {
      Expression product = node(Op::kProduct);
      product.args = std::move(factors);
      terms.push_back(std::move(product));
    }
  }
  return terms;
}

std::string renderExpression(const Expression& e) {
  switch (e.op) {
    case Op::kNumber:
      return numberText(e.number);
    case Op::kName:
      return e.name;
    case Op::kSum:
      return joined(e.args, " + ", false);
    case Op::kProduct:
      return joined(e.args, " * ", true);
    case Op::kPower: {
      const bool simpleBase = e.args[0].op == Op::kNumber || e.args[0].op == Op::kName ||
                              e.args[0].op == Op::kAlpha || e.args[0].op == Op::kMin ||
                              e.args[0].op == Op::kMax;
      const bool simpleExponent = e.args[1].op == Op::kNumber || e.args[1].op == Op::kName;
      return parenthesised(e.args[0], !simpleBase) + "^" +
             parenthesised(e.args[1], !simpleExponent);
    }
    case Op::kFactorial:
      return parenthesised(e.args[0], e.args[0].op != Op::kNumber && e.args[0].op != Op::kName) +
             "!";
    case Op::kLog:
    case Op::kRoot:
      if (isSimple(e.args[0])) return functionName(e) + " " + renderExpression(e.args[0]);
      return functionName(e) + "(" + renderExpression(e.args[0]) + ")";
    case Op::kAlpha:
      return "alpha(" + renderExpression(e.args[0]) + ")";
    case Op::kMin:
    case Op::kMax:
      return std::string(e.op == Op::kMin ? "min(" : "max(") + joined(e.args, ", ", false) + ")";
  }
  return "";
}

Expression withoutFactor(const Expression& term, const std::string& name) {
  if (isNameFactor(term, name)) return numberNode(1);
  if (term.op != Op::kProduct) return term;
  Expression kept = node(Op::kProduct);
  for (const Expression& factor : term.args)
    if (!isNameFactor(factor, name)) kept.args.push_back(factor);
  if (kept.args.empty()) return numberNode(1);
  if (kept.args.size() == 1) return kept.args[0];
  return kept;
}

bool hasFactor(const Expression& term, const std::string& name) {
  if (isNameFactor(term, name)) return true;
  if (term.op != Op::kProduct) return false;
  return std::any_of(term.args.begin(), term.args.end(),
                     [&](const Expression& factor) { return isNameFactor(factor, name); });
}

}  // namespace quorbel
