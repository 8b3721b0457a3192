#include "analysis/large_stack.h"

#include <pthread.h>

namespace quorbel {
namespace {

constexpr size_t kStackBytes = size_t{512} << 20;

void* runWork(void* argument) {
  (*static_cast<const std::function<void()>*>(argument))();
  return nullptr;
}

}  // namespace

void runOnLargeStack(const std::function<void()>& work) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) {
    work();
    return;
  }
  pthread_t thread;
  const bool started =
      pthread_attr_setstacksize(&attributes, kStackBytes) == 0 &&
      pthread_create(&thread, &attributes, runWork, const_cast<std::function<void()>*>(&work)) == 0;
  pthread_attr_destroy(&attributes);
  if (!started) {
    work();
    return;
  }
  pthread_join(thread, nullptr);
}

}  // namespace quorbel
