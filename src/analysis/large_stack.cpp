#include "analysis/large_stack.h"

#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <vector>

namespace quorbel {
namespace {

constexpr size_t kStackBytes = size_t{512} << 20;
// What an ordinary thread's stack would be: the part of a kept stack that stays resident, so
// the next analysis does not fault its pages in again.
constexpr size_t kResidentBytes = size_t{8} << 20;
// Threads kept waiting for the next analyses, one per analysis a server runs at once.
constexpr size_t kKeptWorkers = 4;

// A stack of its own for each worker: mapping, faulting in and unmapping 512 MB for every
// analysis cost more than the parse of a small program.
struct Stack {
  char* base = nullptr;  // the guard page, then the usable stack up to base + kStackBytes
  size_t guard = 0;
};

size_t pageBytes() {
  const long page = sysconf(_SC_PAGESIZE);
  return page > 0 ? static_cast<size_t>(page) : 4096;
}

// A fresh mapping whose lowest page traps an overflow; base null on failure.
Stack mapStack() {
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

void unmapStack(const Stack& stack) { munmap(stack.base, stack.guard + kStackBytes); }

// Starts `routine` on a thread running on `stack`; false when no thread could be made.
bool startThread(const Stack& stack, void* (*routine)(void*), void* argument, pthread_t& thread) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  const bool started =
      pthread_attr_setstack(&attributes, stack.base + stack.guard, kStackBytes) == 0 &&
      pthread_create(&thread, &attributes, routine, argument) == 0;
  pthread_attr_destroy(&attributes);
  return started;
}

// A thread kept between analyses: creating one costs the kernel more than a small program's
// whole analysis, so a few wait here for the next work instead of exiting.
struct Worker {
  Stack stack;
  std::mutex mutex;
  std::condition_variable wake;
  const std::function<void()>* work = nullptr;  // set by the caller, cleared when done
  std::exception_ptr error;
};

// The kept workers waiting for work, and how many exist. Never destroyed (a worker may still be
// waiting when the process exits); a forked child, where none of the threads exist, starts a
// pool of its own.
struct Pool {
  std::mutex mutex;
  std::vector<Worker*> idle;
  size_t started = 0;
};

Pool* pool = new Pool();

void forgetWorkersAfterFork() { pool = new Pool(); }

// Nothing may leave a thread's start routine: what the work throws is thrown again by the
// thread that asked for it.
std::exception_ptr runCatching(const std::function<void()>& work) {
  try {
    work();
  } catch (...) {
    return std::current_exception();
  }
  return nullptr;
}

void* serveWork(void* argument) {
  Worker& worker = *static_cast<Worker*>(argument);
  while (true) {
    const std::function<void()>* work = nullptr;
    {
      std::unique_lock<std::mutex> lock(worker.mutex);
      worker.wake.wait(lock, [&] { return worker.work != nullptr; });
      work = worker.work;
    }
    std::exception_ptr error = runCatching(*work);
    // Returns the pages a deep walk touched below the resident part; this thread's own frames
    // are all within it.
    madvise(worker.stack.base + worker.stack.guard, kStackBytes - kResidentBytes, MADV_DONTNEED);
    std::lock_guard<std::mutex> lock(worker.mutex);
    worker.error = error;
    worker.work = nullptr;
    worker.wake.notify_all();
  }
}

// An idle kept worker, a new one while fewer than kKeptWorkers exist, or null.
Worker* takeWorker() {
  static const bool registered = [] {
    return pthread_atfork(nullptr, nullptr, forgetWorkersAfterFork) == 0;
  }();
  (void)registered;
  Pool& kept = *pool;
  {
    std::lock_guard<std::mutex> lock(kept.mutex);
    if (!kept.idle.empty()) {
      Worker* worker = kept.idle.back();
      kept.idle.pop_back();
      return worker;
    }
    if (kept.started >= kKeptWorkers) return nullptr;
    ++kept.started;
  }
  auto* worker = new Worker();
  worker->stack = mapStack();
  pthread_t thread;
  if (worker->stack.base != nullptr && startThread(worker->stack, serveWork, worker, thread)) {
    pthread_detach(thread);
    return worker;
  }
  if (worker->stack.base != nullptr) unmapStack(worker->stack);
  delete worker;
  std::lock_guard<std::mutex> lock(kept.mutex);
  --kept.started;
  return nullptr;
}

void runOnWorker(Worker& worker, const std::function<void()>& work) {
  std::exception_ptr error;
  {
    std::unique_lock<std::mutex> lock(worker.mutex);
    worker.work = &work;
    worker.wake.notify_all();
    worker.wake.wait(lock, [&] { return worker.work == nullptr; });
    error = worker.error;
    worker.error = nullptr;
  }
  {
    std::lock_guard<std::mutex> lock(pool->mutex);
    pool->idle.push_back(&worker);
  }
  if (error) std::rethrow_exception(error);
}

struct OneRun {
  const std::function<void()>* work;
  std::exception_ptr error;
};

void* runOnce(void* argument) {
  auto& run = *static_cast<OneRun*>(argument);
  run.error = runCatching(*run.work);
  return nullptr;
}

}  // namespace

void runOnLargeStack(const std::function<void()>& work) {
  if (Worker* worker = takeWorker()) {
    runOnWorker(*worker, work);
    return;
  }
  // More analyses at once than kept workers: this one gets a thread and a stack of its own.
  const Stack stack = mapStack();
  OneRun run{&work, nullptr};
  pthread_t thread;
  if (stack.base == nullptr || !startThread(stack, runOnce, &run, thread)) {
    if (stack.base != nullptr) unmapStack(stack);
    work();
    return;
  }
  pthread_join(thread, nullptr);
  unmapStack(stack);
  if (run.error) std::rethrow_exception(run.error);
}

}  // namespace quorbel
