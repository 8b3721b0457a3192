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

// Sent with every answer of the API routes and the health probe.
inline constexpr std::string_view kCorsHeaders =
    "Access-Control-Allow-Origin: *\r\n"
    "Access-Control-Allow-Methods: GET, POST, OPTIONS\r\n"
    "Access-Control-Allow-Headers: Content-Type, X-Quorbel-Runner-Secret\r\n"
    "Access-Control-Max-Age: 86400\r\n";

// {"error":message} as JSON with the CORS block.
Response jsonErrorResponse(int status, std::string_view message);

// The answer to a request with a non-empty method. Analyses run here, saves go to `store`
// when QUORBEL_SAVE_ANALYSES is on, and /api/run runs the program.
Response routeRequest(const Request& request, AnalysisStore& store);

}  // namespace quorbel
