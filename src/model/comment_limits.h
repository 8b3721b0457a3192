// Limits written in the program's comments, in the forms problem statements use:
//   // Constraints: 1 <= n <= 2*10^5, 1 <= q <= 10^5      // n, m <= 1e5
//   // 1 ≤ N ≤ 10^6                                        // |s| <= 10^6
//   // the sum of n over all test cases does not exceed 2*10^5      // Σn ≤ 2·10^5
//   /* time limit 2 s, memory 256 MB */
//   // 1 <= nums.length <= 10^5      // s.size() <= 10^6     // n == nums.length
#pragma once

#include <string>
#include <vector>

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

// Adds what one comment (its text, the line it starts on) says to `limits`; the first time
// and memory limits read win.
void readCommentLimits(const std::string& comment, int line, CommentLimits& limits);

// The collection whose length `name` writes ("nums.length", "s.size()", "s.length()" give
// nums and s); empty for any other name.
std::string lengthCollection(const std::string& name);

}  // namespace quorbel
