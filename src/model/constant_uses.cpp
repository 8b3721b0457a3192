#include "model/constant_uses.h"

#include <vector>

namespace quorbel {
namespace {

// The syntax tree is read no deeper than the declarations are.
constexpr size_t kMaxDepth = 40000;

bool isComparison(std::string_view op) {
  return op == "<" || op == "<=" || op == ">" || op == ">=" || op == "==" || op == "!=";
}

bool isArithmetic(std::string_view op) { return op == "+" || op == "-" || op == "*" || op == "/"; }

class UseReader {
 public:
  std::map<std::string, NameUses> uses;

  void walk(const Node& n) {
    if (n.null() || path_.size() > kMaxDepth) return;
    if (n.type() == "identifier") readUse(n);
    path_.push_back(n);
    const uint32_t count = n.childCount();
    for (uint32_t i = 0; i < count; ++i) walk(n.child(i));
    path_.pop_back();
  }

 private:
  void readUse(const Node& identifier) {
    if (path_.empty()) return;
    NameUses& use = uses[std::string(identifier.text())];
    if (isWrite(identifier)) use.written = true;
    Node child = identifier;
    bool arithmetic = false;
    size_t k = path_.size();
    // Up through parentheses, casts and arithmetic to the place the value goes.
    for (; k > 0; --k) {
      const Node& p = path_[k - 1];
      const std::string_view type = p.type();
      if (type == "parenthesized_expression" || type == "cast_expression" ||
          type == "unary_expression") {
        child = p;
        continue;
      }
      if (type == "binary_expression" && isArithmetic(p.field("operator").text())) {
        arithmetic = true;
        child = p;
        continue;
      }
      break;
    }
    if (k == 0) return;
    const Node& place = path_[k - 1];
    const std::string_view type = place.type();
    if (type == "init_declarator" || type == "array_declarator" || type == "enumerator") {
      if (type == "array_declarator" && place.field("size") == child)
        readExtent(k - 1, identifier.text(), use);
      else if (const Node loop = loopStartedAt(k - 1);
               !loop.null() && place.field("value") == child) {
        // for (int b = B - 1; b >= 0; b--): the loop runs down from the constant, which
        // bounds it as i < B would running up.
        use.size = true;
        readLevelLoop(loop, use);
      } else if (type == "init_declarator" && place.field("value") == child && !arithmetic &&
                 !isConstantDeclaration(k - 1))
        use.sentinel = true;
      return;
    }
    if (type == "template_argument_list") {
      use.size = true;
      return;
    }
    if (type == "binary_expression") {
      const std::string_view op = place.field("operator").text();
      const bool right = place.field("right") == child;
      if (op == "%" && right) use.modulus = true;
      if ((op == "<<" || op == ">>") && right) use.size = true;
      if (op == "<<" && right && place.field("left").text() == "1" && isExtent(k - 1))
        use.subsets = true;
      if (isComparison(op)) readComparison(k - 1, op, use);
      return;
    }
    if (type == "assignment_expression" && place.field("right") == child) {
      const std::string_view op = place.field("operator").text();
      if (op == "%=") use.modulus = true;
      if (op == "=" && !arithmetic) use.sentinel = true;
      return;
    }
    if (type == "argument_list" && k >= 2) {
      const Node& owner = path_[k - 2];
      // vector<int> a(N), a.assign(N, 0), a.resize(N): a container's length.
      if (owner.type() == "init_declarator" || owner.type() == "declaration") {
        use.size = true;
        return;
      }
      if (owner.type() == "call_expression" && !arithmetic) {
        const Node function = owner.field("function");
        const std::string_view name = function.type() == "field_expression"
                                          ? function.field("field").text()
                                          : function.text();
        if (name == "resize" || name == "assign" || name == "reserve") use.size = true;
        // fill(d, d + n, INF), min(best, INF): a value stored or compared.
        else if (name == "fill" || name == "std::fill" || name == "min" || name == "max" ||
                 name == "std::min" || name == "std::max" || name == "memset")
          use.sentinel = true;
      }
    }
  }

  // x = .., x += .., ++x, cin >> x, &x, f(x): the place may give `identifier` a new value.
  bool isWrite(const Node& identifier) const {
    const Node& parent = path_.back();
    const std::string_view type = parent.type();
    if (type == "assignment_expression") return parent.field("left") == identifier;
    if (type == "update_expression") return true;
    if (type == "pointer_expression") return parent.field("operator").text() == "&";
    if (type == "binary_expression")
      return parent.field("operator").text() == ">>" && parent.field("right") == identifier;
    return type == "argument_list" && path_.size() >= 2 &&
           path_[path_.size() - 2].type() == "call_expression";
  }

  // The expression at path_[at] is an array's extent or a template's argument, as it stands or
  // in parentheses.
  bool isExtent(size_t at) const {
    Node child = path_[at];
    for (size_t k = at; k > 0; --k) {
      const Node& p = path_[k - 1];
      if (p.type() == "parenthesized_expression") {
        child = p;
        continue;
      }
      if (p.type() == "template_argument_list") return true;
      return p.type() == "array_declarator" && p.field("size") == child;
    }
    return false;
  }

  // The for statement whose initializer declares the variable of path_[at], if it does.
  Node loopStartedAt(size_t at) const {
    if (at < 2 || path_[at - 1].type() != "declaration") return Node{};
    const Node& loop = path_[at - 2];
    if (loop.type() != "for_statement" || !(loop.field("initializer") == path_[at - 1]))
      return Node{};
    return loop;
  }

  // Inside `const int M = N + 5`, N is used to define another constant, not as a value.
  bool isConstantDeclaration(size_t at) const {
    for (size_t k = at; k > 0; --k) {
      const Node& n = path_[k - 1];
      if (n.type() != "declaration") continue;
      const std::string_view text = n.text();
      return text.find("const") != std::string_view::npos;
    }
    return false;
  }

  // i < N in a loop's condition bounds the loop; d == INF elsewhere compares with a mark.
  void readComparison(size_t at, std::string_view op, NameUses& use) {
    for (size_t k = at; k > 0; --k) {
      const Node& n = path_[k - 1];
      const std::string_view type = n.type();
      if (type == "parenthesized_expression" || type == "condition_clause" ||
          (type == "binary_expression" &&
           (n.field("operator").text() == "&&" || n.field("operator").text() == "||")))
        continue;
      if ((type == "for_statement" || type == "while_statement") && op != "==" && op != "!=") {
        use.size = true;
        if (type == "for_statement") readLevelLoop(n, use);
        return;
      }
      break;
    }
    use.sentinel = true;
  }

  // up[v][k] = up[up[v][k - 1]][k - 1], par[k][v] = par[k - 1][par[k - 1][v]]: a table read at
  // one of its own entries, each level composing the one below it twice.
  static bool composesLevels(const Node& subscript, std::string_view counter) {
    if (!mentionsIdentifier(subscript, counter)) return false;
    const std::string root = arrayRoot(subscript);
    if (root.empty()) return false;
    bool composed = false;
    visitNodes(subscript.field("indices"), [&](const Node& n) {
      if (composed) return false;
      if (n.type() == "subscript_expression" && arrayRoot(n) == root) composed = true;
      return true;
    });
    if (composed) return true;
    // par[k - 1][par[k - 1][v]]: the inner read stands in the outer row's index.
    const Node row = subscript.field("argument");
    return row.type() == "subscript_expression" && composesLevels(row, counter);
  }

  static std::string arrayRoot(Node n) {
    while (n.type() == "subscript_expression") n = n.field("argument");
    return n.type() == "identifier" ? std::string(n.text()) : std::string();
  }

  // for (j = 0; j < LOG; j++) ... 1 << j ...: the bound counts doubling levels; so does a loop
  // over j that composes a jump table's level j - 1 into level j.
  static void readLevelLoop(const Node& loop, NameUses& use) {
    const Node initializer = loop.field("initializer");
    std::string counter =
        declaredName(initializer.type() == "declaration" ? initializer.field("declarator")
                                                         : initializer.field("left"));
    if (counter.empty()) return;
    visitNodes(loop, [&](const Node& n) {
      if (use.levels) return false;
      if (n.type() == "binary_expression") {
        const std::string_view op = n.field("operator").text();
        if ((op == "<<" || op == ">>") && n.field("right").type() == "identifier" &&
            n.field("right").text() == counter)
          use.levels = true;
      }
      if (n.type() == "subscript_expression" && composesLevels(n, counter)) use.levels = true;
      return true;
    });
  }

  // int up[N][LOG]: the other extents of the array, kept to tell later whether one is large.
  // dp[1 << K][K] is no such pair: the large extent is the subsets of K items, made of K itself.
  void readExtent(size_t at, std::string_view name, NameUses& use) {
    use.size = true;
    size_t top = at;
    while (top > 0 && path_[top - 1].type() == "array_declarator") --top;
    for (Node d = path_[top]; d.type() == "array_declarator"; d = d.field("declarator"))
      if (!(d == path_[at]) && !mentionsIdentifier(d.field("size"), name))
        use.besideExtents.push_back(d.field("size"));
  }

  std::vector<Node> path_;
};

}  // namespace

std::map<std::string, NameUses> readNameUses(const Node& root) {
  UseReader reader;
  reader.walk(root);
  return reader.uses;
}

}  // namespace quorbel
