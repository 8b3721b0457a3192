// Limits written in the program's comments, in the forms problem statements use:
//   // Constraints: 1 <= n <= 2*10^5, 1 <= q <= 10^5      // n, m <= 1e5
//   // 1 ≤ N ≤ 10^6                                        // |s| <= 10^6
//   // the sum of n over all test cases does not exceed 2*10^5      // Σn ≤ 2·10^5
//   /* time limit 2 s, memory 256 MB */
#pragma once

#include <string>
#include <vector>

#include "verdict/source_facts.h"

namespace quorbel {

struct CommentLimit {
  std::string name;  // as written, without the bars of |s|
  double value = 0;
  int line = 0;
  bool length = false;        // written |s|: the length of s
  bool sumOverTests = false;  // the sum of the size over all test cases
};

struct CommentLimits {
  std::vector<CommentLimit> sizes;
  double timeLimitSeconds = 0;  // 0 when no comment gives one
  int timeLine = 0;
  double memoryLimitMb = 0;  // 0 when no comment gives one
  int memoryLine = 0;
};

CommentLimits readCommentLimits(const std::vector<SourceComment>& comments);

}  // namespace quorbel
