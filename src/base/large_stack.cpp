#include "base/large_stack.h"

#include <pthread.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <exception>
#include <mutex>
#include <vector>

namespace quorbel {
namespace {

constexpr size_t kStackBytes = size_t{512} << 20;
// What an ordinary thread's stack would be: the part of a kept stack that stays resident, so
// the next analysis does not fault its pages in again.
constexpr size_t kResidentBytes = size_t{8} << 20;
// Stacks kept for the next analyses, one per analysis a server runs at once.
constexpr size_t kKeptStacks = 4;

// A stack mapped once and handed from analysis to analysis: mapping, faulting in and unmapping
// 512 MB for every analysis cost more than the parse of a small program.
struct Stack {
  char* base = nullptr;  // the guard page, then the usable stack up to base + kStackBytes
  size_t guard = 0;
};

std::mutex keptMutex;
std::vector<Stack>& keptStacks() {
  static std::vector<Stack>* kept = new std::vector<Stack>();  // never destroyed: no exit order
  return *kept;
}

size_t pageBytes() {
  const long page = sysconf(_SC_PAGESIZE);
  return page > 0 ? static_cast<size_t>(page) : 4096;
}

// A kept stack, or a fresh mapping whose lowest page traps an overflow; base null on failure.
Stack takeStack() {
  {
    std::lock_guard<std::mutex> lock(keptMutex);
    if (!keptStacks().empty()) {
      const Stack stack = keptStacks().back();
      keptStacks().pop_back();
      return stack;
    }
  }
  Stack stack;
  stack.guard = pageBytes();
  void* mapped = mmap(nullptr, stack.guard + kStackBytes, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
  if (mapped == MAP_FAILED) return {};
  stack.base = static_cast<char*>(mapped);
  if (mprotect(stack.base, stack.guard, PROT_NONE) != 0) {
    munmap(mapped, stack.guard + kStackBytes);
    return {};
  }
  return stack;
}

// Returns the pages a deep walk touched below the resident part, then keeps the stack.
void giveBack(const Stack& stack) {
  madvise(stack.base + stack.guard, kStackBytes - kResidentBytes, MADV_DONTNEED);
  {
    std::lock_guard<std::mutex> lock(keptMutex);
    if (keptStacks().size() < kKeptStacks) {
      keptStacks().push_back(stack);
      return;
    }
  }
  munmap(stack.base, stack.guard + kStackBytes);
}

// Nothing may leave a thread's start routine or a context's entry: what the work throws is
// thrown again by the code that asked for it.
std::exception_ptr runCatching(const std::function<void()>& work) {
  try {
    work();
  } catch (...) {
    return std::current_exception();
  }
  return nullptr;
}

struct Run {
  const std::function<void()>* work;
  std::exception_ptr error;
  ucontext_t caller{}, callee{};
};

// gcc says __SANITIZE_ADDRESS__, clang (the fuzzing build) answers __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define QUORBEL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORBEL_ADDRESS_SANITIZER 1
#endif
#endif

#if defined(QUORBEL_ADDRESS_SANITIZER)

// The sanitizer follows threads, not switched stacks: a thread of its own runs the work.
void* runOnThread(void* argument) {
  auto& run = *static_cast<Run*>(argument);
  run.error = runCatching(*run.work);
  return nullptr;
}

bool runOn(const Stack& stack, Run& run) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  pthread_t thread;
  const bool started =
      pthread_attr_setstack(&attributes, stack.base + stack.guard, kStackBytes) == 0 &&
      pthread_create(&thread, &attributes, runOnThread, &run) == 0;
  pthread_attr_destroy(&attributes);
  if (started) pthread_join(thread, nullptr);
  return started;
}

#else

// The calling thread switches to the large stack and back: a thread made or woken for each
// analysis cost the kernel more than a small program's whole analysis, and ran it on another
// core, away from the caches the caller had warmed.
thread_local Run* tRun = nullptr;

void runSwitched() {
  Run& run = *tRun;
  run.error = runCatching(*run.work);
}  // returning resumes uc_link: the caller

bool runOn(const Stack& stack, Run& run) {
  if (getcontext(&run.callee) != 0) return false;
  run.callee.uc_stack.ss_sp = stack.base + stack.guard;
  run.callee.uc_stack.ss_size = kStackBytes;
  run.callee.uc_link = &run.caller;
  makecontext(&run.callee, runSwitched, 0);
  Run* const outer = tRun;  // a run started from within another
  tRun = &run;
  const bool switched = swapcontext(&run.caller, &run.callee) == 0;
  tRun = outer;
  return switched;
}

#endif

}  // namespace

void runOnLargeStack(const std::function<void()>& work) {
  const Stack stack = takeStack();
  Run run{&work, nullptr};
  if (stack.base == nullptr || !runOn(stack, run)) {
    if (stack.base != nullptr) giveBack(stack);
    work();
    return;
  }
  giveBack(stack);
  if (run.error) std::rethrow_exception(run.error);
}

}  // namespace quorbel
