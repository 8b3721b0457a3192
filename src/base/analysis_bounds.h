// The bounds every analysis runs under: a CPU time limit, a ceiling on the memory it holds and
// a ceiling on the text its macros expand to. A hostile 245-byte macro chain kept tree-sitter's
// error recovery busy for minutes and a 1 MB expression took half a gigabyte; with these
// bounds such a file is refused with a message instead, and the thread serving it is free again.
//
// The bounds belong to the thread that runs `runWithinBounds` (and to threads that adopt them
// with AdoptedBounds). Memory is counted by the process's operator new and tree-sitter's
// allocator while bounds are active; time is the CPU time of the bounded threads, with a wall
// clock backstop of three times the limit for a starved machine. A tripped bound is sticky: every
// later allocation and check on that thread stops again, so code that catches and carries on
// cannot outrun it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quorbel {

struct AnalysisBounds {
  double cpuSeconds = 3;
  size_t memoryBytes = size_t{384} << 20;
  size_t expandedTextBytes = size_t{4} << 20;
};

// QUORBEL_ANALYSIS_SECONDS (CPU seconds, default 3), QUORBEL_ANALYSIS_MEMORY_MB (default 384)
// and QUORBEL_ANALYSIS_EXPANDED_MB (default 4); a value that is not a positive number keeps
// the default.
AnalysisBounds analysisBoundsFromEnvironment();

// What is thrown inside bounded work when a bound trips. Not a std::exception on purpose: the
// handlers that turn a failed detail into a fallback must not swallow it.
struct AnalysisStopped {
  std::string reason;
};

// Runs `work` under `bounds`. nullopt when it finished; otherwise the message for the user,
// "analysis stopped after 3 s: ..." naming the bound that tripped.
std::optional<std::string> runWithinBounds(const AnalysisBounds& bounds,
                                           const std::function<void()>& work);

// Inside bounded work: throws AnalysisStopped when a bound has tripped or the time is up.
// Outside it: does nothing.
void checkAnalysisBounds();
// The same, looking at the clock only every few thousand calls: cheap enough for the inner
// step of a tree walk that allocates nothing.
void pollAnalysisBounds();
// Inside bounded work: stops it with `reason`. Outside it: does nothing.
void stopAnalysis(const std::string& reason);
// The expanded-text ceiling of the active bounds; SIZE_MAX outside bounded work.
size_t expandedTextCeiling();

// For tree-sitter: the flag its parser polls (non-zero once a bound tripped; null outside
// bounded work) and the wall-clock microseconds left before the time limit (0: no limit).
const size_t* analysisCancelFlag();
uint64_t analysisMicrosLeft();

// For work moved into a forked child: the CPU time used so far (to restart the child's clock
// from), the restart itself, and the child's CPU time charged to the parent's bounds after it.
uint64_t boundedCpuUsedNs();
void restartBoundsClockInChild(uint64_t usedNs);
void chargeChildCpu(uint64_t ns);

// Carries the calling thread's bounds into another thread: construct with
// currentAnalysisBounds() on the caller, then AdoptedBounds on the worker for the work's span.
struct BoundsState;
BoundsState* currentAnalysisBounds();
class AdoptedBounds {
 public:
  explicit AdoptedBounds(BoundsState* state);
  ~AdoptedBounds();
  AdoptedBounds(const AdoptedBounds&) = delete;
  AdoptedBounds& operator=(const AdoptedBounds&) = delete;

 private:
  BoundsState* previous_;
  uint64_t cpuAtStart_ = 0;
  bool active_ = false;
};

}  // namespace quorbel
