// Room taken from the C allocator, which no declaration's extent shows:
//   int *a = (int*)malloc(n * sizeof(int));     n entries
//   cell = calloc(rows * cols, sizeof *cell);   rows * cols entries
//   buf = realloc(buf, 2 * len);                2 * len bytes
#pragma once

#include <vector>

#include "model/tree.h"

namespace quorbel {

// The factors whose product is the size `call` allocates: the byte count of malloc and realloc,
// the count and the element size of calloc; empty for any other call. `sizeof` factors stay in
// the product and weigh as the constants they are.
std::vector<Node> allocatedFactors(const Node& call);

}  // namespace quorbel
