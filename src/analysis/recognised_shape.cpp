#include "analysis/recognised_shape.h"

#include <algorithm>

namespace quorbel {
namespace {

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

bool anyRow(const std::vector<Row>& rows, bool (*test)(const Row&)) {
  return std::any_of(rows.begin(), rows.end(), test);
}

bool isHeapOperation(const Row& row) { return startsWith(row.signal, "heap "); }
bool isAdjacencyWalk(const Row& row) { return contains(row.signal, "Adjacency-list"); }
bool isQueueLoop(const Row& row) { return startsWith(row.signal, "Queue-driven"); }

// A loop counted in subsets: 2^k passes, each doing more than constant work.
bool isSubsetLoopWithWork(const Row& row) {
  return contains(row.cost, "2^") && contains(row.cost, " * ") && contains(row.signal, "loop");
}

bool isHalvingRecursion(const Row& row) {
  return startsWith(row.signal, "Divide-and-conquer recursion") && contains(row.cost, "log");
}

// A call whose cost multiplies a logarithm by a count of passes: the recursion, once per pass.
bool isRepeatedLogCall(const Row& row) {
  return startsWith(row.signal, "call to ") && contains(row.cost, "log") &&
         contains(row.cost, " * ");
}

}  // namespace

std::string recognisedShape(const std::string& notation, const std::vector<Row>& rows) {
  if (anyRow(rows, isHeapOperation) && (anyRow(rows, isAdjacencyWalk) || anyRow(rows, isQueueLoop)))
    return "Dijkstra with a binary heap: each edge may push once";
  if (anyRow(rows, isAdjacencyWalk) && anyRow(rows, isQueueLoop))
    return "Graph traversal: each vertex and edge once";
  if (contains(notation, "2^") && anyRow(rows, isSubsetLoopWithWork))
    return "Bitmask DP over subsets";
  if (anyRow(rows, isHalvingRecursion) && anyRow(rows, isRepeatedLogCall))
    return "Segment-tree style: a halving recursion per query";
  return "";
}

}  // namespace quorbel
