#include "model/source_facts.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>

#include "model/nodes_of_type.h"
#include "base/regex.h"
#include "base/text.h"

namespace quorbel {
namespace {

constexpr int kMaxDepth = 100;
constexpr int kMaxNesting = 8;  // containers of containers looked into
// The input is read at the top of its loop, so the head of a loop's body is enough, and nested
// loops of a large program are not scanned once per enclosing loop.
constexpr size_t kScannedBodyBytes = 2000;
// Longer lines (a table, a padded file) measure nothing worth a regular expression's retries.
constexpr size_t kMaxLineBytes = 1000;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// ---- Constant expressions ----

struct ConstToken {
  char kind = 0;  // 'n' number, 'i' identifier, '<' for <<, '>' for >>, or + - * / % ( )
  std::string text;
  double number = 0;
};

bool readNumberToken(std::string_view text, size_t& at, ConstToken& token) {
  std::string digits;
  if (text.substr(at, 2) == "0x" || text.substr(at, 2) == "0X") {
    at += 2;
    double value = 0;
    size_t start = at;
    while (at < text.size() &&
           (std::isxdigit(static_cast<unsigned char>(text[at])) || text[at] == '\'')) {
      if (text[at] != '\'') {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[at])));
        value = value * 16 + (isDigit(c) ? c - '0' : c - 'a' + 10);
      }
      ++at;
    }
    if (at == start) return false;
    token = {'n', "", value};
  } else {
    while (at < text.size() && (isDigit(text[at]) || text[at] == '\'' || text[at] == '.')) {
      if (text[at] != '\'') digits += text[at];
      ++at;
    }
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
      size_t next = at + 1;
      std::string exponent = "e";
      if (next < text.size() && (text[next] == '+' || text[next] == '-')) exponent += text[next++];
      if (next >= text.size() || !isDigit(text[next])) return false;
      while (next < text.size() && isDigit(text[next])) exponent += text[next++];
      digits += exponent;
      at = next;
    }
    char* end = nullptr;
    const double value = std::strtod(digits.c_str(), &end);
    if (digits.empty() || end != digits.c_str() + digits.size()) return false;
    token = {'n', "", value};
  }
  while (at < text.size() && std::string_view("uUlLfFzZ").find(text[at]) != std::string_view::npos)
    ++at;
  return true;
}

bool tokenizeConstant(std::string_view text, std::vector<ConstToken>& tokens) {
  size_t at = 0;
  while ((at = skipSpaces(text, at)) < text.size()) {
    const char c = text[at];
    ConstToken token;
    std::string word;
    size_t end = 0;
    if (isDigit(c) || (c == '.' && at + 1 < text.size() && isDigit(text[at + 1]))) {
      if (!readNumberToken(text, at, token)) return false;
    } else if (readIdentifierAt(text, at, word, end)) {
      token = {'i', word, 0};
      at = end;
    } else if (text.substr(at, 2) == "<<" || text.substr(at, 2) == ">>") {
      token = {c, "", 0};
      at += 2;
    } else if (std::string_view("+-*/%()").find(c) != std::string_view::npos) {
      token = {c, "", 0};
      ++at;
    } else {
      return false;
    }
    tokens.push_back(std::move(token));
  }
  return !tokens.empty();
}

bool isTypeWord(const std::string& word) {
  static const std::set<std::string, std::less<>> kWords = {
      "int",   "long", "unsigned", "signed",  "short",    "char",    "double",
      "float", "bool", "size_t",   "int64_t", "uint64_t", "int32_t", "uint32_t",
      "ll",    "ull",  "LL",       "i64",     "u64",      "const"};
  return kWords.contains(word);
}

class ConstantParser {
 public:
  ConstantParser(std::vector<ConstToken> tokens,
                 const std::function<bool(const std::string&, double&)>& lookup)
      : tokens_(std::move(tokens)), lookup_(lookup) {}

  bool parseAll(double& value) { return shift(value, 0) && position_ == tokens_.size(); }
  std::string unknownName;

 private:
  bool at(char kind, size_t offset = 0) const {
    return position_ + offset < tokens_.size() && tokens_[position_ + offset].kind == kind;
  }

  bool shift(double& value, int depth) {
    if (depth > kMaxDepth || !additive(value, depth + 1)) return false;
    while (at('<') || at('>')) {
      const bool left = at('<');
      ++position_;
      double amount = 0;
      if (!additive(amount, depth + 1) || amount < 0 || amount > 62) return false;
      value = left ? value * std::ldexp(1.0, static_cast<int>(amount))
                   : std::floor(value / std::ldexp(1.0, static_cast<int>(amount)));
    }
    return true;
  }

  bool additive(double& value, int depth) {
    if (!multiplicative(value, depth + 1)) return false;
    while (at('+') || at('-')) {
      const bool plus = at('+');
      ++position_;
      double right = 0;
      if (!multiplicative(right, depth + 1)) return false;
      value = plus ? value + right : value - right;
    }
    return true;
  }

  bool multiplicative(double& value, int depth) {
    if (!unary(value, depth + 1)) return false;
    while (at('*') || at('/') || at('%')) {
      const char op = tokens_[position_++].kind;
      double right = 0;
      if (!unary(right, depth + 1)) return false;
      const bool integral = value == std::floor(value) && right == std::floor(right);
      if (op == '*') {
        value *= right;
      } else if (right == 0) {
        return false;
      } else if (op == '/') {
        // Integer operands divide as C++ integers do; 1e5 / 2 is a double either way.
        value = integral ? std::trunc(value / right) : value / right;
      } else {
        if (!integral) return false;
        value = std::fmod(value, right);
      }
    }
    return true;
  }

  // "(int)" or "(long long)" before an operand.
  bool atCast() const {
    if (!at('(')) return false;
    size_t offset = 1;
    while (at('i', offset) && isTypeWord(tokens_[position_ + offset].text)) ++offset;
    return offset > 1 && at(')', offset);
  }

  bool unary(double& value, int depth) {
    if (depth > kMaxDepth) return false;
    if (at('-') || at('+')) {
      const bool minus = at('-');
      ++position_;
      if (!unary(value, depth + 1)) return false;
      if (minus) value = -value;
      return true;
    }
    if (atCast()) {
      while (!at(')')) ++position_;
      ++position_;
      return unary(value, depth + 1);
    }
    if (position_ >= tokens_.size()) return false;
    const ConstToken token = tokens_[position_++];
    if (token.kind == 'n') {
      value = token.number;
      return true;
    }
    if (token.kind == '(') {
      if (!shift(value, depth + 1) || !at(')')) return false;
      ++position_;
      return true;
    }
    if (token.kind != 'i') return false;
    if (isTypeWord(token.text) && at('(')) return unary(value, depth + 1);  // int(1e5)
    if (lookup_(token.text, value)) return true;
    if (unknownName.empty()) unknownName = token.text;
    return false;
  }

  std::vector<ConstToken> tokens_;
  const std::function<bool(const std::string&, double&)>& lookup_;
  size_t position_ = 0;
};

// ---- Declarations ----

// The index of the first declarator name: the last identifier before the first "[", "(",
// "=", "{", "," or ";" outside angle brackets.
size_t declaratorStart(std::string_view text) {
  int angles = 0;
  size_t lastIdentifier = std::string_view::npos;
  size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    std::string word;
    size_t end = 0;
    if (readIdentifierAt(text, at, word, end)) {
      if (angles == 0) lastIdentifier = at;
      at = end;
      continue;
    }
    if (c == '<') ++angles;
    if (c == '>') angles = std::max(0, angles - 1);
    if (angles == 0 && std::string_view("[(={,;").find(c) != std::string_view::npos) break;
    ++at;
  }
  return lastIdentifier;
}

// The position just past the bracket group opening at `at`, or the text's end.
size_t pastGroup(std::string_view text, size_t at) {
  const char open = text[at];
  const char close = open == '[' ? ']' : open == '(' ? ')' : '}';
  const size_t end = matchingBracket(text, at, open, close);
  return end == std::string_view::npos ? text.size() : end + 1;
}

// Reads one declarator at `at` up to the next comma outside brackets.
bool readDeclarator(std::string_view text, size_t& at, Declarator& out) {
  at = skipSpaces(text, at);
  while (at < text.size() && (text[at] == '*' || text[at] == '&')) at = skipSpaces(text, at + 1);
  size_t end = 0;
  if (!readIdentifierAt(text, at, out.name, end)) return false;
  at = skipSpaces(text, end);
  while (at < text.size() && text[at] == '[') {
    const size_t close = pastGroup(text, at);
    out.dimensions.push_back(trim(text.substr(at + 1, close - at - 2)));
    at = skipSpaces(text, close);
  }
  const size_t start = at;
  while (at < text.size() && text[at] != ',' && text[at] != ';') {
    at = (text[at] == '(' || text[at] == '{' || text[at] == '[') ? pastGroup(text, at) : at + 1;
  }
  out.initializer = trim(text.substr(start, at - start));
  return true;
}

// The value written in an initializer: "= 5", "{5}", "(5)".
std::string initializerValue(const std::string& initializer) {
  if (initializer.starts_with("=")) return trim(std::string_view(initializer).substr(1));
  if (initializer.size() >= 2 && (initializer[0] == '{' || initializer[0] == '('))
    return trim(std::string_view(initializer).substr(1, initializer.size() - 2));
  return "";
}

bool looksLikeType(std::string_view text) {
  if (trim(text).empty()) return false;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (!isIdentifierPartByte(byte) && !isSpaceByte(c) &&
        std::string_view(":<>,*").find(c) == std::string_view::npos)
      return false;
  }
  return !isDigit(trim(text)[0]);
}

// ---- Facts from nodes ----

void addConstant(SourceFacts& facts, const std::string& name, std::string_view expression,
                 int line) {
  double value = 0;
  const auto lookup = [&](const std::string& other, double& found) {
    const auto known = facts.constants.find(other);
    if (known == facts.constants.end()) return false;
    found = known->second.value;
    return true;
  };
  if (evaluateConstantExpression(expression, lookup, value) && std::isfinite(value))
    facts.constants[name] = {name, value, line};
}

void readDefine(SourceFacts& facts, std::string_view text, int line) {
  std::string body = trim(text);
  if (!body.starts_with("#")) return;
  body = trim(std::string_view(body).substr(1));
  if (!body.starts_with("define")) return;
  body = trim(std::string_view(body).substr(6));
  std::string name;
  size_t end = 0;
  if (!readIdentifierAt(body, 0, name, end) || (end < body.size() && body[end] == '(')) return;
  const std::string value = trim(std::string_view(body).substr(end));
  if (value.empty()) return;
  if (looksLikeType(value)) {
    facts.typeAliases[name] = value;
  } else {
    addConstant(facts, name, value, line);
  }
}

void readTypedef(SourceFacts& facts, std::string_view text) {
  std::string body = trim(text);
  if (body.ends_with(";")) body.pop_back();
  if (body.find('(') != std::string::npos) return;  // a function pointer type
  if (body.starts_with("typedef")) {
    body = trim(std::string_view(body).substr(7));
    const std::string alias = previousIdentifierBefore(body, body.size());
    if (alias.empty() || body.size() <= alias.size()) return;
    facts.typeAliases[alias] = trim(std::string_view(body).substr(0, body.size() - alias.size()));
  } else if (body.starts_with("using")) {
    const size_t equals = body.find('=');
    if (equals == std::string::npos) return;
    const std::string alias = trim(std::string_view(body).substr(5, equals - 5));
    facts.typeAliases[alias] = trim(std::string_view(body).substr(equals + 1));
  }
}

// Splits a declaration's text ("static int a[N], b[N];") into type and declarators; false
// when no declarator name is found.
bool splitDeclaration(std::string_view text, SourceDeclaration& out) {
  const size_t start = declaratorStart(text);
  if (start == std::string_view::npos) return false;
  out.type = trim(text.substr(0, start));
  if (out.type.empty()) return false;
  size_t at = start;
  for (;;) {
    Declarator declarator;
    if (!readDeclarator(text, at, declarator)) break;
    out.declarators.push_back(std::move(declarator));
    if (at >= text.size() || text[at] != ',') break;
    ++at;
  }
  return !out.declarators.empty();
}

void readDeclaration(SourceFacts& facts, std::string_view text, int line) {
  SourceDeclaration declaration;
  if (!splitDeclaration(text, declaration)) return;
  declaration.line = line;
  const bool constant = containsIdentifierToken(declaration.type, "const") ||
                        containsIdentifierToken(declaration.type, "constexpr");
  if (constant && declaration.type.find('<') == std::string::npos) {
    for (const Declarator& d : declaration.declarators) {
      const std::string value = initializerValue(d.initializer);
      if (d.dimensions.empty() && !value.empty()) addConstant(facts, d.name, value, line);
    }
  }
  facts.declarations.push_back(std::move(declaration));
}

// The names the head of `body` subscripts with `variable`: a[i], a [ i + 1], a[i-1].
std::vector<std::string> indexedWith(std::string_view body, const std::string& variable) {
  std::vector<std::string> names;
  body = body.substr(0, kScannedBodyBytes);
  for (size_t open = body.find('['); open != std::string_view::npos;
       open = body.find('[', open + 1)) {
    size_t at = skipSpaces(body, open + 1);
    if (body.substr(at, variable.size()) != variable) continue;
    at = skipSpaces(body, at + variable.size());
    if (at >= body.size() || std::string_view("]+-").find(body[at]) == std::string_view::npos)
      continue;
    size_t start = open;
    while (start > 0 && isSpaceByte(body[start - 1])) --start;
    const size_t end = start;
    while (start > 0 && isIdentifierPartByte(static_cast<unsigned char>(body[start - 1]))) --start;
    while (start < end && !isIdentifierStartByte(static_cast<unsigned char>(body[start]))) ++start;
    const std::string name(body.substr(start, end - start));
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
      names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// for (int i = 1; i <= n; i++) or for (i = 0; n > i; ++i): the variable and the bound name.
void readLoop(SourceFacts& facts, std::string_view text, int line) {
  const size_t open = text.find('(');
  if (open == std::string_view::npos) return;
  const size_t close = matchingBracket(text, open, '(', ')');
  if (close == std::string_view::npos) return;
  const std::string_view header = text.substr(open + 1, close - open - 1);
  const size_t first = header.find(';');
  const size_t second = first == std::string_view::npos ? first : header.find(';', first + 1);
  if (second == std::string_view::npos) return;
  const std::string_view init = header.substr(0, first);
  const size_t equals = init.find('=');
  if (equals == std::string_view::npos) return;
  const std::string variable = previousIdentifierBefore(init, equals);
  const std::string condition = trim(header.substr(first + 1, second - first - 1));
  for (const char* comparison : {"<=", "<", ">=", ">"}) {
    const size_t at = condition.find(comparison);
    if (at == std::string::npos) continue;
    std::string left = trim(std::string_view(condition).substr(0, at));
    std::string right =
        trim(std::string_view(condition).substr(at + std::string_view(comparison).size()));
    if (comparison[0] == '>') std::swap(left, right);
    std::string bound;
    size_t end = 0;
    if (left == variable && readIdentifierAt(right, 0, bound, end) && end == right.size())
      facts.loops.push_back({variable, bound, indexedWith(text.substr(close + 1), variable), line});
    return;
  }
}

// What a line measures: the words before .size() and .length(), and the sizes it sets from a
// collection's length (int n = nums.size();  n = (int)s.length();  const int n = int(a.size());).
void readMeasures(std::string_view line, SourceFacts& facts) {
  for (const std::string_view call : {".size()", ".length()"}) {
    for (size_t at = line.find(call); at != std::string_view::npos; at = line.find(call, at + 1)) {
      size_t start = at;
      while (start > 0 && isIdentifierPartByte(static_cast<unsigned char>(line[start - 1])))
        --start;
      if (start < at) facts.measured.emplace_back(line.substr(start, at - start));
    }
  }
  // Cheap tests first: the regular expression runs on the few lines that measure something.
  if (line.size() > kMaxLineBytes || line.find('=') == std::string_view::npos ||
      (line.find(".size") == std::string_view::npos &&
       line.find("length") == std::string_view::npos))
    return;
  static const std::string kAssigned =
      R"((?:^|[^A-Za-z0-9_.])\s*([A-Za-z_][A-Za-z0-9_]*)\s*=\s*(?:\(\s*int\s*\)|int\s*\()?\s*)"
      R"(([A-Za-z_][A-Za-z0-9_]*)\s*\.\s*(?:size|length)\s*\(\s*\))";
  for (const RegexMatch& match : findAllRegex(line, kAssigned))
    facts.lengths.push_back({match.groups[1], match.groups[2]});
}

// ---- What each declared name stores ----

// Probes that tell an affine length (n + 1, 2 * n) from one that is not (n / 2, n * n).
constexpr double kProbes[] = {0, 1, 1000003};

Extent readExtent(const std::string& written, const std::map<std::string, double>& constants) {
  Extent extent;
  extent.written = written;
  std::string size;
  double probe = 0;
  const auto lookup = [&](const std::string& name, double& value) {
    const auto known = constants.find(name);
    if (known != constants.end()) {
      value = known->second;
      return true;
    }
    if (size.empty() || name != size) return false;
    value = probe;
    return true;
  };
  extent.known = evaluateConstantExpression(written, lookup, extent.value, &size);
  if (extent.known || size.empty()) return extent;
  extent.size = size;
  double at[std::size(kProbes)] = {};
  for (size_t i = 0; i < std::size(kProbes); ++i) {
    probe = kProbes[i];
    if (!evaluateConstantExpression(written, lookup, at[i])) return extent;
  }
  extent.offset = at[0];
  extent.scale = at[1] - at[0];
  extent.affine = extent.scale * kProbes[2] + extent.offset == at[2];
  return extent;
}

StoredType readStoredType(const std::string& type, const SourceFacts& facts,
                          const std::map<std::string, double>& constants) {
  const auto sizeOf = [&](const std::string& text) {
    return sizeOfType(text, facts.typeAliases, constants);
  };
  StoredType stored;
  stored.element = sizeOf(type);
  const ContainerInfo list = describeContainer(type, facts.typeAliases);
  if (!list.container) return stored;
  stored.container = true;
  stored.entryOverhead = list.entryOverhead;
  stored.listElement = sizeOf(list.element);
  const ContainerInfo inner = describeContainer(list.element, facts.typeAliases);
  stored.nested = inner.container;
  if (inner.container) stored.innerElement = sizeOf(inner.element);
  std::string innermost = list.element;
  for (int level = 0; level < kMaxNesting; ++level) {
    const ContainerInfo next = describeContainer(innermost, facts.typeAliases);
    if (!next.container) break;
    innermost = next.element;
  }
  stored.innermostElement = sizeOf(innermost);
  return stored;
}

// Evaluates lengths and element sizes once every constant and alias of the program is known.
void describeStorage(SourceFacts& facts) {
  std::map<std::string, double> constants;
  for (const auto& [name, constant] : facts.constants) constants[name] = constant.value;
  // Most declarations share a handful of types (int, vector<int>): each is read once.
  std::map<std::string, StoredType> storedByType;
  for (SourceDeclaration& declaration : facts.declarations) {
    auto known = storedByType.find(declaration.type);
    if (known == storedByType.end())
      known =
          storedByType.emplace(declaration.type, readStoredType(declaration.type, facts, constants))
              .first;
    const StoredType& stored = known->second;
    for (Declarator& d : declaration.declarators) {
      d.stored = stored;
      d.builtNested = stored.nested && d.initializer.find('(', 1) != std::string::npos;
      d.shown = declaration.type + " " + d.name;
      for (const std::string& dimension : d.dimensions) {
        d.extents.push_back(readExtent(dimension, constants));
        d.shown += "[" + dimension + "]";
      }
    }
  }
}

}  // namespace

bool evaluateConstantExpression(std::string_view text,
                                const std::function<bool(const std::string&, double&)>& lookup,
                                double& value, std::string* unknownName) {
  std::vector<ConstToken> tokens;
  if (!tokenizeConstant(text, tokens)) return false;
  ConstantParser parser(std::move(tokens), lookup);
  double result = 0;
  const bool ok = parser.parseAll(result);
  if (unknownName != nullptr) *unknownName = parser.unknownName;
  if (ok) value = result;
  return ok;
}

SourceFacts readSourceFacts(const Model& model) {
  SourceFacts facts;
  if (!model.text) return facts;
  const std::string_view text = *model.text;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    readMeasures(text.substr(start, end - start), facts);
    start = end + 1;
  }
  if (!model.parsed) return facts;
  for (const Node& node :
       descendantsOfType(model.root, {"comment", "preproc_def", "type_definition",
                                      "alias_declaration", "declaration", "for_statement"})) {
    const std::string_view type = node.type();
    if (type == "comment") {
      readCommentLimits(std::string(node.text()), node.line(), facts.commentLimits);
    } else if (type == "preproc_def") {
      readDefine(facts, node.text(), node.line());
    } else if (type == "type_definition" || type == "alias_declaration") {
      readTypedef(facts, node.text());
    } else if (type == "declaration") {
      readDeclaration(facts, node.text(), node.line());
    } else if (type == "for_statement") {
      readLoop(facts, node.text(), node.line());
    }
  }
  describeStorage(facts);
  return facts;
}

}  // namespace quorbel
