// A line's trailing blanks and the output's trailing empty lines are known to be trailing only
// when the output goes on with a newline or ends, so they are held as pending (a count of
// newlines, the blanks since the last one) and compared only once a visible character follows.
#include "runner/output_compare.h"

namespace quorbel {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Compares the next byte of the output's compared form.
void compareNext(OutputComparison& comparison, char c) {
  if (comparison.matched < comparison.expected.size() &&
      comparison.expected[comparison.matched] == c) {
    ++comparison.matched;
  } else {
    comparison.differs = true;
  }
}

// Room the pending blanks may take: beyond what the expected output has left they can only
// match by being trailing, so only the fact that they overflowed is kept.
size_t roomForBlanks(const OutputComparison& comparison) {
  const size_t left = comparison.expected.size() - comparison.matched;
  const size_t newlines = static_cast<size_t>(comparison.pendingNewlines);
  return left > newlines ? left - newlines : 0;
}

// The same reading for both sides: `emit` receives the compared form byte by byte; `room` says
// how many pending blanks are worth keeping.
template <typename Emit, typename Room>
void readChunk(OutputComparison& state, std::string_view chunk, Emit emit, Room room) {
  for (char c : chunk) {
    if (state.differs) return;
    if (c == '\n') {
      state.pendingBlanks.clear();
      state.blanksOverflow = false;
      ++state.pendingNewlines;
    } else if (isBlank(c)) {
      if (state.pendingBlanks.size() < room())
        state.pendingBlanks.push_back(c);
      else
        state.blanksOverflow = true;
    } else {
      for (; state.pendingNewlines > 0; --state.pendingNewlines) emit('\n');
      for (char blank : state.pendingBlanks) emit(blank);
      if (state.blanksOverflow) state.differs = true;
      state.pendingBlanks.clear();
      state.blanksOverflow = false;
      emit(c);
    }
  }
}

}  // namespace

std::string comparedForm(std::string_view text) {
  OutputComparison reading;
  std::string form;
  readChunk(
      reading, text, [&](char c) { form.push_back(c); }, [&] { return text.size(); });
  return form;
}

OutputComparison startComparison(std::string_view expected) {
  OutputComparison comparison;
  comparison.expected = comparedForm(expected);
  return comparison;
}

void feedOutput(OutputComparison& comparison, std::string_view chunk) {
  readChunk(
      comparison, chunk, [&](char c) { compareNext(comparison, c); },
      [&] { return roomForBlanks(comparison); });
}

bool outputMatches(const OutputComparison& comparison) {
  return !comparison.differs && comparison.matched == comparison.expected.size();
}

}  // namespace quorbel
