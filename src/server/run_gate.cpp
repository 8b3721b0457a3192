#include "server/run_gate.h"

#include <cstdlib>

namespace quorbel {
namespace {

int wholeNumber(const char* name, int fallback, int least) {
  const char* text = std::getenv(name);
  if (text == nullptr) return fallback;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < least || value > 1000) return fallback;
  return static_cast<int>(value);
}

}  // namespace

RunGateSize runGateSizeFromEnvironment() {
  RunGateSize size;
  size.boxes = wholeNumber("QUORBEL_RUN_BOXES", size.boxes, 1);
  size.waiting = wholeNumber("QUORBEL_RUN_QUEUE", size.waiting, 0);
  return size;
}

RunGate::RunGate(RunGateSize size) : size_(size) {}

bool RunGate::enter() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (running_ >= size_.boxes && waiting_ >= size_.waiting) return false;
  ++waiting_;
  freed_.wait(lock, [&] { return running_ < size_.boxes; });
  --waiting_;
  ++running_;
  return true;
}

void RunGate::leave() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    --running_;
  }
  freed_.notify_one();
}

RunGate& processRunGate() {
  static RunGate gate(runGateSizeFromEnvironment());
  return gate;
}

}  // namespace quorbel
