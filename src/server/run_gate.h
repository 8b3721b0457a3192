// The bounded queue in front of the runner: a fixed number of boxes at once and a fixed number
// of runs waiting for one. A run beyond both is refused at once (429 with Retry-After) instead
// of piling up behind the others; analyses never pass through here.
#pragma once

#include <condition_variable>
#include <mutex>

namespace quorbel {

struct RunGateSize {
  int boxes = 2;    // QUORBEL_RUN_BOXES: runs at the same time
  int waiting = 8;  // QUORBEL_RUN_QUEUE: runs waiting for a box
};

// QUORBEL_RUN_BOXES (default 2) and QUORBEL_RUN_QUEUE (default 8); a value that is not a
// positive whole number (or 0 for the queue) keeps the default.
RunGateSize runGateSizeFromEnvironment();

class RunGate {
 public:
  explicit RunGate(RunGateSize size);
  // False at once when every box is busy and the queue is full; otherwise true once a box is
  // free, which the caller gives back with leave().
  bool enter();
  void leave();

 private:
  std::mutex mutex_;
  std::condition_variable freed_;
  RunGateSize size_;
  int running_ = 0;
  int waiting_ = 0;
};

// Gives back a box taken by a successful enter() when it goes out of scope, thrown or not.
class HeldBox {
 public:
  explicit HeldBox(RunGate& gate) : gate_(gate) {}
  ~HeldBox() { gate_.leave(); }
  HeldBox(const HeldBox&) = delete;
  HeldBox& operator=(const HeldBox&) = delete;

 private:
  RunGate& gate_;
};

// The process's gate, sized from the environment at its first use.
RunGate& processRunGate();

}  // namespace quorbel
