#include "model/counted_arrays.h"

#include <set>

#include "model/loop_parts.h"
#include "model/nodes_of_type.h"

namespace quorbel {
namespace {

// The single index of a subscript, unwrapped.
Node indexOf(const Node& subscript) {
  const Node indices = subscript.field("indices");
  return unwrap(indices.type() == "subscript_argument_list" ? indices.child(0) : indices);
}

// The subscript an assignment writes, through a member: a[i] of a[i] = x and of a[i].w = x.
Node writtenSubscript(const Node& assignment) {
  Node left = unwrap(assignment.field("left"));
  if (left.type() == "field_expression") left = unwrap(left.field("argument"));
  return left.type() == "subscript_expression" ? left : Node{};
}

bool isCountUp(const Node& update) {
  return update.type() == "update_expression" && update.text().find("++") != std::string_view::npos;
}

}  // namespace

CountedArrays findCountedArrays(const Node& root) {
  std::map<std::string, std::string> grown;  // counter -> the array it indexes a write of
  std::set<std::string> countedDown;         // scalars decremented: c--, --c, c -= 1
  std::set<std::string> countedUp;           // arrays whose entries are incremented: cnt[u]++
  std::map<std::string, std::string> rows;   // table -> count of t[u][cnt[u]] = v
  for (const Node& n : descendantsOfType(root, {"update_expression", "assignment_expression"})) {
    const std::string_view type = n.type();
    if (type == "update_expression") {
      const Node argument = unwrap(n.field("argument"));
      if (argument.type() == "identifier" && n.text().find("--") != std::string_view::npos)
        countedDown.insert(std::string(argument.text()));
      if (argument.type() == "subscript_expression" && isCountUp(n))
        countedUp.insert(containerName(argument.field("argument")));
    }
    if (type == "assignment_expression" && n.field("operator").text() == "-=" &&
        unwrap(n.field("left")).type() == "identifier")
      countedDown.insert(std::string(unwrap(n.field("left")).text()));
    if (type != "assignment_expression") continue;
    const Node written = writtenSubscript(n);
    if (written.null()) continue;
    const Node index = indexOf(written);
    // a[++c] = x, a[c++].w = x
    if (isCountUp(index) && unwrap(index.field("argument")).type() == "identifier" &&
        written.field("argument").type() == "identifier")
      grown.emplace(std::string(unwrap(index.field("argument")).text()),
                    std::string(written.field("argument").text()));
    // t[u][cnt[u]] = v, t[u][cnt[u]++] = v
    const Node row = unwrap(written.field("argument"));
    const Node count = isCountUp(index) ? unwrap(index.field("argument")) : index;
    if (row.type() == "subscript_expression" && count.type() == "subscript_expression" &&
        row.field("argument").type() == "identifier" &&
        count.field("argument").type() == "identifier" &&
        indexOf(row).text() == indexOf(count).text() && !indexOf(row).null()) {
      const std::string counter(count.field("argument").text());
      rows.emplace(std::string(row.field("argument").text()), counter);
      if (isCountUp(index)) countedUp.insert(counter);
    }
  }
  CountedArrays found;
  for (const auto& [counter, array] : grown)
    if (countedDown.count(counter)) found.stacks[counter] = array;
  for (const auto& [table, count] : rows)
    if (countedUp.count(count) && count != table) {
      found.rowCounts.emplace(count, table);
      found.countOfRows[table] = count;
    }
  return found;
}

}  // namespace quorbel
