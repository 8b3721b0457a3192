// Facts read from the raw source text, line by line or over the whole text:
//   int half = n / 2;                    division alias half -> (n, 2)
//   int hi = n - 1;                      first assignment hi -> "n - 1"
//   vector<int> a(n);  a.resize(m);      container sizes
//   vector<vector<int>> g(n);            adjacency list g
//   vector<pair<int,int>> edgeList;      edge list
//   int n = g.size();  int V, E;         graph symbols
//   priority_queue<int> pq;  set<int> s; heaps and ordered containers
#include "syntax/context.h"

#include <cstdint>
#include <vector>

#include "syntax/bound_symbols.h"
#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel {

const Context* gContext = nullptr;

namespace {

std::vector<std::string_view> splitLines(std::string_view code) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (true) {
    size_t end = code.find('\n', start);
    if (end == std::string_view::npos) {
      lines.push_back(code.substr(start));
      return lines;
    }
    lines.push_back(code.substr(start, end - start));
    start = end + 1;
  }
}

// The decimal value of a divisor; false when it does not fit a 32-bit integer, because such
// a "divisor" cannot describe a real bound.
bool parseDivisor(const std::string& digits, int32_t& value) {
  if (digits.empty() || digits.size() > 10) return false;
  int64_t parsed = 0;
  for (char c : digits) parsed = parsed * 10 + (c - '0');
  if (parsed > INT32_MAX) return false;
  value = static_cast<int32_t>(parsed);
  return true;
}

void collectAliases(std::string_view code, Context& context) {
  const std::string& id = identifierRegexPattern();
  const std::string pattern = "\\b(?:int|long\\s+long|ll|size_t|auto)\\s+(" + id + ")\\s*=\\s*(" +
                              id + ")\\s*/\\s*([2-9][0-9]*)\\s*;";
  for (const RegexMatch& match : findAllRegex(code, pattern)) {
    int32_t divisor = 0;
    if (!parseDivisor(match.groups[3], divisor)) continue;
    context.aliases[match.groups[1]] = AliasInfo{normalizeBoundSymbol(match.groups[2]), divisor};
  }
}

// Where a right-hand side ends: its first ',' or ';', or a ')' that closes a bracket opened
// before the '=' (`if (n <= 0) return 0;` assigns "0", never "0) return 0").
size_t rightHandSideEnd(std::string_view rhs) {
  int depth = 0;
  for (size_t i = 0; i < rhs.size(); ++i) {
    if (rhs[i] == ',' || rhs[i] == ';') return i;
    if (rhs[i] == '(') ++depth;
    if (rhs[i] == ')' && --depth < 0) return i;
  }
  return rhs.size();
}

void collectFirstAssignment(std::string_view line, Context& context) {
  size_t equals = line.find('=');
  if (equals == std::string_view::npos || equals + 1 == line.size()) return;
  std::string name = lastUsefulIdentifier(line.substr(0, equals));
  std::string rhs = trim(line.substr(equals + 1));
  if (rhs.empty() || isIgnoredBoundToken(name)) return;
  rhs.resize(rightHandSideEnd(rhs));
  context.assignments.emplace(name, trim(rhs));
}

// Records `owner`'s size from the first argument of a size-giving argument list.
void recordContainerSize(const std::string& owner, std::string_view arguments, Context& context) {
  std::vector<std::string> pieces = splitTopLevelComma(arguments);
  if (pieces.empty() || isConstantBoundExpression(pieces[0])) return;
  context.containerSizes[owner] = symbolFromBoundExpression(pieces[0]);
}

// `vector<T> name(size, ...)`.
void collectConstructorSize(std::string_view line, Context& context) {
  size_t vectorWord = line.find("vector");
  if (vectorWord == std::string_view::npos) return;
  size_t open = line.find('<', vectorWord);
  if (open == std::string_view::npos) return;
  size_t close = matchingBracket(line, open, '<', '>');
  if (close == std::string_view::npos) return;
  size_t position = skipSpaces(line, close + 1);
  while (position < line.size() && (line[position] == '*' || line[position] == '&')) ++position;
  position = skipSpaces(line, position);
  std::string name;
  size_t end = position;
  if (!readIdentifierAt(line, position, name, end)) return;
  position = skipSpaces(line, end);
  if (position >= line.size() || line[position] != '(') return;
  size_t closeParen = matchingBracket(line, position, '(', ')');
  if (closeParen == std::string_view::npos) return;
  std::string arguments = trim(line.substr(position + 1, closeParen - position - 1));
  if (arguments.empty()) return;
  recordContainerSize(name, arguments, context);
}

// `name.resize(size)` or `name.assign(size, value)`.
void collectResizeSize(std::string_view line, Context& context) {
  size_t dot = line.find(".resize");
  if (dot == std::string_view::npos) dot = line.find(".assign");
  if (dot == std::string_view::npos) return;
  std::string owner = previousIdentifierBefore(line, dot);
  if (owner.empty()) return;
  size_t open = line.find('(', dot);
  if (open == std::string_view::npos) return;
  size_t close = matchingBracket(line, open, '(', ')');
  if (close == std::string_view::npos) return;
  recordContainerSize(owner, line.substr(open + 1, close - open - 1), context);
}

std::string firstTokenAmong(std::string_view code, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (containsIdentifierToken(code, name)) return name;
  return "";
}

// `int n = adj.size();`: the name assigned the size of an adjacency list.
std::string vertexCountFromSizeAssignment(std::string_view code, const Context& context) {
  std::vector<std::string> candidates(context.adjacencyLists.begin(), context.adjacencyLists.end());
  if (candidates.empty()) candidates.push_back("adj");
  for (const std::string& candidate : candidates) {
    size_t from = 0;
    // The last '=' before each occurrence, found by one forward sweep per candidate.
    size_t lastEquals = std::string_view::npos;
    size_t swept = 0;
    while (true) {
      size_t occurrence = code.find(".size", from);
      if (occurrence == std::string_view::npos) break;
      from = occurrence + 5;
      if (previousIdentifierBefore(code, occurrence) != candidate) continue;
      for (; swept <= occurrence; ++swept)
        if (code[swept] == '=') lastEquals = swept;
      if (lastEquals == std::string_view::npos) continue;
      size_t lineBreak = code.rfind('\n', lastEquals);
      size_t lineStart = lineBreak == std::string_view::npos ? 0 : lineBreak + 1;
      std::string name = lastUsefulIdentifier(code.substr(lineStart, lastEquals - lineStart));
      if (!name.empty()) return name;
    }
  }
  return "";
}

void collectGraphSymbols(std::string_view code, Context& context) {
  ActiveContext active(&context);
  std::string vertices = firstTokenAmong(
      code, {"vertices", "vertex_count", "vertexCount", "node_count", "nodeCount", "nodes", "V"});
  std::string edges = firstTokenAmong(code, {"edges", "edge_count", "edgeCount", "E"});
  if (vertices.empty()) vertices = vertexCountFromSizeAssignment(code, context);
  if (vertices.empty()) {
    std::vector<std::string> names(context.adjacencyLists.begin(), context.adjacencyLists.end());
    names.push_back("adj");
    for (const std::string& name : names) {
      std::string symbol;
      if (indexedAccessSymbol(code, name, symbol)) {
        vertices = symbol;
        break;
      }
    }
  }
  if (edges.empty()) edges = firstAdjacencyRangeSymbol(code);
  GraphSymbols graph{vertices.empty() ? std::string("v") : vertices, edges};
  if (graph.edges.empty() || graph.edges == graph.vertices) graph.edges = std::string("e");
  context.graph = std::move(graph);
}

void collectHeapsAndOrderedContainers(std::string_view line, Context& context) {
  static const std::vector<std::string> logTypes = {"multiset", "multimap", "set", "map"};
  std::string name;
  if (containsIdentifierToken(line, "priority_queue") &&
      declarationNameAfterTemplate(line, "priority_queue", name)) {
    context.priorityQueues.insert(name);
    return;
  }
  for (const std::string& type : logTypes) {
    if (containsIdentifierToken(line, type) && declarationNameAfterTemplate(line, type, name)) {
      context.logContainers.insert(name);
      return;
    }
  }
}

}  // namespace

// ---- The context ----

Context collectContext(std::string_view code) {
  static uint64_t analysisCounter = 0;
  Context context;
  context.analysisId = ++analysisCounter;
  const std::vector<std::string_view> lines = splitLines(code);

  collectAliases(code, context);
  for (std::string_view line : lines) collectFirstAssignment(line, context);
  for (std::string_view line : lines) {
    collectConstructorSize(line, context);
    collectResizeSize(line, context);
  }
  std::string name;
  for (std::string_view line : lines)
    if (containsRegex(line, "\\bvector\\s*<\\s*vector\\s*<") &&
        declarationNameAfterTemplate(line, "vector", name))
      context.adjacencyLists.insert(name);
  if (mentionsIndexedAccess(code, "adj")) context.adjacencyLists.insert("adj");
  for (std::string_view line : lines)
    if (containsRegex(line, "\\bvector\\s*<\\s*pair\\s*<") &&
        declarationNameAfterTemplate(line, "vector", name))
      context.edgeLists.insert(name);
  collectGraphSymbols(code, context);
  for (std::string_view line : lines) collectHeapsAndOrderedContainers(line, context);
  return context;
}

// ---- Text functions ----

bool declarationNameAfterTemplate(std::string_view text, std::string_view templateName,
                                  std::string& name) {
  size_t at = text.find(templateName);
  if (at == std::string_view::npos) return false;
  size_t position = skipSpaces(text, at + templateName.size());
  if (position < text.size() && text[position] == '<') {
    size_t close = matchingBracket(text, position, '<', '>');
    if (close == std::string_view::npos || close + 1 >= text.size()) return false;
    position = close + 1;
  }
  while (true) {
    position = skipSpaces(text, position);
    if (position < text.size() && (text[position] == '*' || text[position] == '&')) {
      ++position;
      continue;
    }
    break;
  }
  std::string token;
  size_t end = position;
  if (!readIdentifierAt(text, position, token, end)) return false;
  name = token;
  return true;
}

bool memberCall(std::string_view text, std::string& owner, std::string& member) {
  size_t dot = text.find('.');
  if (dot == std::string_view::npos) return false;
  std::string found = previousIdentifierBefore(text, dot);
  size_t position = skipSpaces(text, dot + 1);
  if (found.empty()) return false;
  std::string token;
  size_t end = position;
  if (!readIdentifierAt(text, position, token, end)) return false;
  position = skipSpaces(text, end);
  if (position >= text.size() || text[position] != '(') return false;
  owner = found;
  member = token;
  return true;
}

std::string callName(const SyntaxNodeInfo& node) {
  size_t open = node.text.find('(');
  if (open != std::string_view::npos) {
    std::string name = previousIdentifierBefore(node.text, open);
    if (!name.empty()) return name;
  }
  std::string owner, member;
  if (memberCall(node.text, owner, member)) return member;
  return "";
}

std::string functionNameFromDefinition(std::string_view text) {
  size_t open = text.find('(');
  if (open == std::string_view::npos) return "";
  std::string name = previousIdentifierBefore(text, open);
  if (name == "if" || name == "for" || name == "while" || name == "switch" || name == "catch")
    return "";
  return name;
}

bool indexedAccessSymbol(std::string_view code, std::string_view name, std::string& symbol) {
  if (name.empty()) return false;
  size_t position = 0;
  std::string token;
  while (position < code.size()) {
    size_t end = position;
    if (!readIdentifierAt(code, position, token, end)) {
      ++position;
      continue;
    }
    position = end;
    if (token != name) continue;
    size_t open = skipSpaces(code, end);
    if (open >= code.size() || code[open] != '[') continue;
    // Only the first access is read: later ones are usually element reads, not the size.
    size_t close = code.find(']', open);
    if (close == std::string_view::npos) return false;
    return singleBoundIdentifier(code.substr(open + 1, close - open - 1), symbol);
  }
  return false;
}

}  // namespace quorbel
