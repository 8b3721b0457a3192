// Who may use the server from where. Cross-origin callers get a CORS grant only when their
// origin is on an allow-list, and /api/run refuses what a hostile web page or a stranger on
// the network would send: another site's Origin, a Host name that is not loopback, and any
// run at all when the server listens beyond loopback without a runner secret.
//
// Read from the environment on every request, like the other switches:
//   QUORBEL_CORS_ORIGINS  origins granted CORS and cross-origin runs, comma separated
//                         ("https://a.example, http://localhost:5173"); unset: none
//   QUORBEL_RUN_HOSTS     Host names beyond loopback that /api/run accepts, comma separated
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "server/http_request.h"

namespace quorbel {

// Set once by main before the first connection: the listening address is not loopback.
extern bool gListensBeyondLoopback;

// The CORS block for an allowed Origin: Access-Control-Allow-Origin naming it, Vary, the
// allowed methods and headers, Max-Age. Empty when the request has no Origin or it is not
// on QUORBEL_CORS_ORIGINS.
std::string corsHeaders(const Request& request);

// True when a browser says the request comes from another site's page: Sec-Fetch-Site other
// than same-origin or none, or an Origin that is neither the server's own nor allow-listed.
// The form page still answers such a post, but writes nothing for it.
bool isCrossSiteRequest(const Request& request);

// Why /api/run refuses this request (HTTP 403), or nullopt when it may go on to the secret
// check.
std::optional<std::string> runAccessRefusal(const Request& request);

// "localhost", "[::1]" and an IPv4 literal in 127.0.0.0/8 ("127.0.0.1", "127.1.2.3"), with or
// without ":port"; never a name that only starts with "127." ("127.0.0.1.nip.io").
bool isLoopbackHost(std::string_view host);

}  // namespace quorbel
