// Limits written in the program's comments, in the forms problem statements use:
//   // Constraints: 1 <= n <= 2*10^5, 1 <= q <= 10^5      // n, m <= 1e5
//   // 1 ≤ N ≤ 10^6                                        // |s| <= 10^6
//   // the sum of n over all test cases does not exceed 2*10^5      // Σn ≤ 2·10^5
//   /* time limit 2 s, memory 256 MB */
//   // 1 <= nums.length <= 10^5      // s.size() <= 10^6     // n == nums.length
#pragma once

#include <string>
#include <vector>

#include "model/source_facts.h"

namespace quorbel {

struct CommentLimit {
  std::string name;  // as written, without the bars of |s|
  double value = 0;
  int line = 0;
  bool length = false;        // written |s|, s.length or s.size(): the length of s
  bool sumOverTests = false;  // the sum of the size over all test cases
};

// "n == nums.length": the size n is the length of the collection nums.
struct LengthEquality {
  std::string size;
  std::string collection;
};

struct CommentLimits {
  std::vector<CommentLimit> sizes;
  std::vector<LengthEquality> lengths;
  double timeLimitSeconds = 0;  // 0 when no comment gives one
  int timeLine = 0;
  double memoryLimitMb = 0;  // 0 when no comment gives one
  int memoryLine = 0;
};

CommentLimits readCommentLimits(const std::vector<SourceComment>& comments);

// The collection whose length `name` writes ("nums.length", "s.size()", "s.length()" give
// nums and s); empty for any other name.
std::string lengthCollection(const std::string& name);

// True when `size` stands for the length of `collection`: a comment says so (n == nums.length)
// or the code sets it from the collection (int n = nums.size();).
bool namesLengthOf(const std::string& size, const std::string& collection,
                   const CommentLimits& comments, const SourceFacts& facts);

}  // namespace quorbel
