// The server's connections, all at once: one thread polls every socket, reads requests and
// writes answers without blocking, each connection under one absolute deadline for reading
// its request and one for writing its answer, so slow clients cost a socket, never a thread.
// Quick answers (pages, files, /healthz, refusals) are made on the loop itself; analyses go to
// a fixed pool of workers with a bounded queue (503 with Retry-After when it is full), and runs
// each to a thread of their own behind the run gate (run_gate.h), so an analysis never waits
// behind a run.
#pragma once

#include <atomic>
#include <cstddef>

#include "storage/analysis_store.h"

namespace quorbel {

struct LoopLimits {
  int readDeadlineMs = 15000;             // from accept to the whole request
  int idleTimeoutMs = 5000;               // without a byte while reading
  int writeDeadlineMs = 10000;            // from the answer being ready to its last byte
  size_t maxConnections = 512;            // when full, the address holding the most gives up its
                                          // longest-idle reader for a new connection
  size_t maxConnectionsPerAddress = 128;  // one client (IPv4 address, IPv6 /64) beyond this
                                          // gives up its own oldest idle reader
  int analysisWorkers = 2;                // QUORBEL_ANALYSIS_WORKERS
  size_t analysisQueue = 16;              // analyses waiting for a worker; QUORBEL_ANALYSIS_QUEUE
  int runThreads = 10;                    // runs admitted at once: the run gate's boxes and queue
};

// The defaults with QUORBEL_ANALYSIS_WORKERS and QUORBEL_ANALYSIS_QUEUE applied, and as many
// run threads as the run gate (QUORBEL_RUN_QUEUE) can hold.
LoopLimits loopLimitsFromEnvironment();

// Serves the listening socket until `stop` becomes true (checked at least every 200 ms).
void serveWithLoop(int listener, AnalysisStore& store, const LoopLimits& limits,
                   const std::atomic<bool>& stop);

}  // namespace quorbel
