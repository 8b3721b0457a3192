#include "base/analysis_bounds.h"

#include <malloc.h>
#include <time.h>
#include <tree_sitter/api.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>

namespace quorbel {

enum class Trip { kNone, kTime, kMemory, kExpandedText };

struct BoundsState {
  AnalysisBounds bounds;
  std::chrono::steady_clock::time_point start;
  std::chrono::steady_clock::time_point wallDeadline;
  size_t cancel = 0;  // read by tree-sitter's parser; written with __atomic builtins
  std::atomic<Trip> trip{Trip::kNone};
  std::atomic<int64_t> liveBytes{0};
  std::atomic<uint64_t> cpuSpentNs{0};  // by threads that left, and by child processes
};

namespace {

using Clock = std::chrono::steady_clock;

// Plain thread-locals without constructors: operator new may run before any of them would be
// initialised dynamically, and while a thread is being torn down.
thread_local BoundsState* tBounds = nullptr;
thread_local uint64_t tCpuAtStart = 0;
thread_local unsigned tAllocations = 0;

// How often an allocation looks at the clock: reading the thread's CPU clock is a system call.
constexpr unsigned kAllocationsPerClockCheck = 512;
// A starved machine gives a thread little CPU: the wall clock still ends the work at this many
// times the CPU limit.
constexpr double kWallBackstopFactor = 3;

uint64_t threadCpuNs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

uint64_t cpuUsedNs(const BoundsState& state) {
  const uint64_t now = threadCpuNs();
  return state.cpuSpentNs.load() + (now > tCpuAtStart ? now - tCpuAtStart : 0);
}

uint64_t cpuLimitNs(const BoundsState& state) {
  return static_cast<uint64_t>(state.bounds.cpuSeconds * 1e9);
}

// Records the first bound that tripped and raises the parser's flag; allocates nothing.
void markTripped(BoundsState& state, Trip trip) {
  Trip none = Trip::kNone;
  state.trip.compare_exchange_strong(none, trip);
  __atomic_store_n(&state.cancel, size_t{1}, __ATOMIC_RELEASE);
}

[[noreturn]] void throwStopped(BoundsState& state, Trip trip) {
  markTripped(state, trip);
  throw AnalysisStopped{};
}

bool timeIsUp(const BoundsState& state) {
  return cpuUsedNs(state) >= cpuLimitNs(state) || Clock::now() >= state.wallDeadline;
}

void checkState(BoundsState& state) {
  if (const Trip trip = state.trip.load(); trip != Trip::kNone) throwStopped(state, trip);
  if (timeIsUp(state)) throwStopped(state, Trip::kTime);
}

// Counts a new block; true when the memory ceiling is now exceeded.
bool countBlock(BoundsState& state, void* block) {
  const auto bytes = static_cast<int64_t>(malloc_usable_size(block));
  return state.liveBytes.fetch_add(bytes) + bytes > static_cast<int64_t>(state.bounds.memoryBytes);
}

void uncountBlock(void* block) {
  if (tBounds != nullptr && block != nullptr)
    tBounds->liveBytes.fetch_sub(static_cast<int64_t>(malloc_usable_size(block)));
}

// Tree-sitter is C: nothing may be thrown through it. Its blocks are counted like any other,
// and an exceeded ceiling raises the flag its parser polls.
void* treeSitterMalloc(size_t size) {
  void* block = std::malloc(size);
  if (block == nullptr) std::abort();  // tree-sitter's own policy
  if (tBounds != nullptr && countBlock(*tBounds, block)) markTripped(*tBounds, Trip::kMemory);
  return block;
}

void* treeSitterCalloc(size_t count, size_t size) {
  void* block = std::calloc(count, size);
  if (block == nullptr) std::abort();
  if (tBounds != nullptr && countBlock(*tBounds, block)) markTripped(*tBounds, Trip::kMemory);
  return block;
}

void* treeSitterRealloc(void* old, size_t size) {
  uncountBlock(old);
  void* block = std::realloc(old, size);
  if (block == nullptr) std::abort();
  if (tBounds != nullptr && countBlock(*tBounds, block)) markTripped(*tBounds, Trip::kMemory);
  return block;
}

void treeSitterFree(void* block) {
  uncountBlock(block);
  std::free(block);
}

void installTreeSitterAllocator() {
  static std::once_flag once;
  std::call_once(once, [] {
    ts_set_allocator(treeSitterMalloc, treeSitterCalloc, treeSitterRealloc, treeSitterFree);
  });
}

double positiveNumber(const char* name, double fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr) return fallback;
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(value) || value <= 0) return fallback;
  return value;
}

// 3, 0.5, 384, 0.0625: three significant digits at most.
std::string formatNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", value);
  return text;
}

std::string stopMessage(const BoundsState& state, Trip trip) {
  const double elapsed = std::chrono::duration<double>(Clock::now() - state.start).count();
  switch (trip) {
    case Trip::kTime:
      return "analysis stopped after " + formatNumber(state.bounds.cpuSeconds) +
             " s: reading this program took longer than an analysis may take";
    case Trip::kMemory:
      return "analysis stopped after " + formatNumber(elapsed) + " s: it needed more than " +
             formatNumber(static_cast<double>(state.bounds.memoryBytes) / (1 << 20)) +
             " MB of memory";
    default:
      return "analysis stopped after " + formatNumber(elapsed) +
             " s: the file's macros expand to more than " +
             formatNumber(static_cast<double>(state.bounds.expandedTextBytes) / (1 << 20)) +
             " MB of text";
  }
}

}  // namespace

AnalysisBounds analysisBoundsFromEnvironment() {
  AnalysisBounds bounds;
  bounds.cpuSeconds = positiveNumber("QUORBEL_ANALYSIS_SECONDS", bounds.cpuSeconds);
  bounds.memoryBytes = static_cast<size_t>(
      positiveNumber("QUORBEL_ANALYSIS_MEMORY_MB", static_cast<double>(bounds.memoryBytes >> 20)) *
      (1 << 20));
  bounds.expandedTextBytes =
      static_cast<size_t>(positiveNumber("QUORBEL_ANALYSIS_EXPANDED_MB",
                                         static_cast<double>(bounds.expandedTextBytes >> 20)) *
                          (1 << 20));
  return bounds;
}

BoundsState* currentAnalysisBounds() { return tBounds; }

AdoptedBounds::AdoptedBounds(BoundsState* state)
    : previous_(tBounds), cpuAtStart_(tCpuAtStart), active_(state != tBounds) {
  if (!active_) return;  // already this thread's bounds: its clock keeps running
  tBounds = state;
  tCpuAtStart = threadCpuNs();
}

AdoptedBounds::~AdoptedBounds() {
  if (!active_) return;
  if (tBounds != nullptr) {
    const uint64_t now = threadCpuNs();
    tBounds->cpuSpentNs.fetch_add(now > tCpuAtStart ? now - tCpuAtStart : 0);
  }
  tBounds = previous_;
  tCpuAtStart = cpuAtStart_;
}

std::optional<std::string> runWithinBounds(const AnalysisBounds& bounds,
                                           const std::function<void()>& work) {
  installTreeSitterAllocator();
  BoundsState state;
  state.bounds = bounds;
  state.start = Clock::now();
  state.wallDeadline = state.start + std::chrono::microseconds(static_cast<int64_t>(
                                         bounds.cpuSeconds * kWallBackstopFactor * 1e6));
  bool stopped = false;
  {
    // A caller already bounded keeps its own bounds: the outer work decides.
    const bool nested = tBounds != nullptr;
    std::optional<AdoptedBounds> adopted;
    if (!nested) adopted.emplace(&state);
    try {
      work();
    } catch (const AnalysisStopped&) {
      if (nested) throw;
      stopped = true;
    }
  }
  const Trip trip = state.trip.load();
  if (!stopped && trip == Trip::kNone) return std::nullopt;
  return stopMessage(state, trip == Trip::kNone ? Trip::kTime : trip);
}

void checkAnalysisBounds() {
  if (tBounds != nullptr) checkState(*tBounds);
}

void pollAnalysisBounds() {
  if (tBounds != nullptr && ++tAllocations % kAllocationsPerClockCheck == 0) checkState(*tBounds);
}

void stopAnalysis(const std::string& reason) {
  (void)reason;  // the message is built from the bound once the work has unwound
  if (tBounds != nullptr) throwStopped(*tBounds, Trip::kExpandedText);
}

size_t expandedTextCeiling() {
  return tBounds != nullptr ? tBounds->bounds.expandedTextBytes : SIZE_MAX;
}

const size_t* analysisCancelFlag() { return tBounds != nullptr ? &tBounds->cancel : nullptr; }

uint64_t analysisMicrosLeft() {
  if (tBounds == nullptr) return 0;
  const uint64_t used = cpuUsedNs(*tBounds);
  const uint64_t limit = cpuLimitNs(*tBounds);
  const auto wallLeft =
      std::chrono::duration_cast<std::chrono::microseconds>(tBounds->wallDeadline - Clock::now())
          .count();
  uint64_t left = used < limit ? (limit - used) / 1000 : 1;
  if (wallLeft < static_cast<int64_t>(left))
    left = wallLeft > 1 ? static_cast<uint64_t>(wallLeft) : 1;
  return left;
}

uint64_t boundedCpuUsedNs() { return tBounds != nullptr ? cpuUsedNs(*tBounds) : 0; }

void restartBoundsClockInChild(uint64_t usedNs) {
  if (tBounds == nullptr) return;
  tBounds->cpuSpentNs.store(usedNs);
  tCpuAtStart = threadCpuNs();
}

void chargeChildCpu(uint64_t ns) {
  if (tBounds != nullptr) tBounds->cpuSpentNs.fetch_add(ns);
}

}  // namespace quorbel

// The process's allocation functions: plain malloc and free, with the active bounds counting
// each block and stopping bounded work that exceeded its ceiling or its time.
void* operator new(size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  quorbel::BoundsState* state = quorbel::tBounds;
  if (state == nullptr) return block;
  if (quorbel::countBlock(*state, block)) {
    quorbel::uncountBlock(block);
    std::free(block);
    quorbel::throwStopped(*state, quorbel::Trip::kMemory);
  }
  if (state->trip.load() != quorbel::Trip::kNone ||
      ++quorbel::tAllocations % quorbel::kAllocationsPerClockCheck == 0) {
    try {
      quorbel::checkState(*state);
    } catch (...) {
      quorbel::uncountBlock(block);
      std::free(block);
      throw;
    }
  }
  return block;
}

void* operator new[](size_t size) { return operator new(size); }

// The library's temporary buffers (stable_sort) come from the nothrow forms and go back through
// the plain delete above: both sides must be this file's, or the runtime's allocator and free mix.
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return operator new(size, std::nothrow);
}
void operator delete(void* block, const std::nothrow_t&) noexcept { operator delete(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { operator delete(block); }

void operator delete(void* block) noexcept {
  quorbel::uncountBlock(block);
  std::free(block);
}

void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, size_t) noexcept { operator delete(block); }
void operator delete[](void* block, size_t) noexcept { operator delete(block); }
