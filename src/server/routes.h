// What the server answers to one complete request: the routing table of the front end's
// pages and files, /healthz, /api/analyze, /api/run and the HTML form post to /analyze.
#pragma once

#include <string>
#include <string_view>

#include "server/http_request.h"
#include "storage/analysis_store.h"

namespace quorbel {

struct Response {
  int status = 200;
  std::string contentType;
  std::string body;
  std::string extraHeaders;  // each line CR LF terminated; may be empty
};

// Said with the 429 of a full run queue.
inline constexpr std::string_view kRunsBusyMessage =
    "Too many runs are in progress; try again in a few seconds.";

// A refusal for want of room (429 or 503) with Retry-After: the run result document for
// /api/run, {"error":message} otherwise, with the CORS block of the request's origin (for the
// connection loop, which answers before any route does).
Response busyResponse(const Request& request, int status, std::string_view message);

// The Retry-After header line of such a refusal.
std::string retryAfterHeader();

// {"error":message} as JSON.
Response jsonErrorResponse(int status, std::string_view message);

// The answer to a request with a non-empty method. The API routes and /healthz carry the
// CORS block of access_policy.h. Analyses run here, saves go to `store`
// when QUORBEL_SAVE_ANALYSES is on, and /api/run runs the program.
Response routeRequest(const Request& request, AnalysisStore& store);

}  // namespace quorbel
