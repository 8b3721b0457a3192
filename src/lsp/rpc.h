// JSON-RPC 2.0 messages as the Language Server Protocol exchanges them: requests (an id and a
// method), notifications (a method, no id) and responses (an id and a result or an error).
// A body that is not JSON is answered -32700, JSON that is no message -32600, both with a
// null id unless the message's own id could be read.
#pragma once

#include <string>
#include <string_view>

#include "server/json_value.h"

namespace quorbel {

constexpr int kRpcParseError = -32700;
constexpr int kRpcInvalidRequest = -32600;
constexpr int kRpcMethodNotFound = -32601;
constexpr int kRpcInvalidParams = -32602;
constexpr int kRpcInternalError = -32603;
constexpr int kRpcServerNotInitialized = -32002;

enum class RpcKind { kRequest, kNotification, kResponse };

struct RpcMessage {
  RpcKind kind = RpcKind::kNotification;
  std::string id;  // as JSON text, ready to echo: 7, "a-1"; "null" for a notification
  std::string method;
  JsonValue params;  // null when absent
};

struct RpcError {
  int code = 0;
  std::string message;
  std::string id = "null";
};

// Reads one message body. False, with the error to answer, when it is no JSON-RPC 2.0 message.
bool readRpcMessage(std::string_view body, RpcMessage& message, RpcError& error);

// The response to request `id` with a result written as JSON.
std::string renderRpcResult(std::string_view id, std::string_view resultJson);
std::string renderRpcError(const RpcError& error);
std::string renderRpcNotification(std::string_view method, std::string_view paramsJson);

}  // namespace quorbel
