// Compares a program's output with the expected output the way judges do: line by line, with
// the blanks (spaces, tabs, carriage returns) that end a line and the empty lines that end the
// output ignored, everything else exact. The output arrives in chunks and is never held whole:
// only the expected output, in its compared form, is kept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorbel {

struct OutputComparison {
  std::string expected;  // the expected output without what the comparison ignores
  size_t matched = 0;    // bytes of `expected` the output has matched so far
  bool differs = false;  // decided: the output cannot match any more
  // What the output wrote that counts only if something other than a blank follows it.
  int64_t pendingNewlines = 0;
  std::string pendingBlanks;  // since the last newline; at most what `expected` has left
  bool blanksOverflow = false;
};

// A comparison against `expected`, before any output.
OutputComparison startComparison(std::string_view expected);

// Adds the next chunk of the output.
void feedOutput(OutputComparison& comparison, std::string_view chunk);

// After the last chunk: whether the whole output matched the whole expected output.
bool outputMatches(const OutputComparison& comparison);

// The text without what the comparison ignores: "1 \r\n2\n\n" gives "1\n2".
std::string comparedForm(std::string_view text);

}  // namespace quorbel
