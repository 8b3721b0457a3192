// POST /api/measure: measured growth of the posted program under the runner's switches and
// box. {"code": "...", "budgetSeconds": 1, "vary": "n", "shape": "tree"} answers the
// measurement document of measure_json.h, the largest generated input included.
#pragma once

#include "server/http_request.h"
#include "server/routes.h"

namespace quorbel {

// Refused like /api/run: 503 when the runner is disabled or not validated, 401 without the
// runner's secret, 400 for a body without code or with a bad budget, shape or size name.
// The measurement stops between runs once the client at `clientSocket` has gone (-1: never).
Response routeMeasureApi(const Request& request, int clientSocket);

}  // namespace quorbel
