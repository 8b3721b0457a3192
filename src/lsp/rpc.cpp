#include "lsp/rpc.h"

#include "base/json_text.h"

namespace quorbel {
namespace {

using Kind = JsonValue::Kind;

bool invalid(RpcError& error, std::string message) {
  error.code = kRpcInvalidRequest;
  error.message = std::move(message);
  return false;
}

}  // namespace

bool readRpcMessage(std::string_view body, RpcMessage& message, RpcError& error) {
  error = RpcError{};
  JsonValue document;
  if (!parseJson(body, document)) {
    error.code = kRpcParseError;
    error.message = "the message is not JSON";
    return false;
  }
  if (document.kind != Kind::kObject) return invalid(error, "the message is not a JSON object");
  message = RpcMessage{};
  const JsonValue* id = jsonMember(document, "id");
  if (id != nullptr && id->kind == Kind::kNumber) message.id = id->text;
  if (id != nullptr && id->kind == Kind::kString) message.id = jsonString(id->text);
  // Answers to an invalid message carry its id when it has a usable one.
  if (!message.id.empty()) error.id = message.id;
  const JsonValue* version = jsonMember(document, "jsonrpc");
  if (version == nullptr || version->kind != Kind::kString || version->text != "2.0")
    return invalid(error, "the message does not say \"jsonrpc\": \"2.0\"");
  if (id != nullptr && message.id.empty())
    return invalid(error, "the id is neither a number nor a string");
  const JsonValue* method = jsonMember(document, "method");
  if (method == nullptr) {
    const bool answer =
        jsonMember(document, "result") != nullptr || jsonMember(document, "error") != nullptr;
    if (id == nullptr || !answer) return invalid(error, "the message has no method");
    message.kind = RpcKind::kResponse;
    return true;
  }
  if (method->kind != Kind::kString) return invalid(error, "the method is not a string");
  message.method = method->text;
  // Some clients send "params": null where they mean none.
  if (const JsonValue* params = jsonMember(document, "params");
      params != nullptr && params->kind != Kind::kNull) {
    if (params->kind != Kind::kObject && params->kind != Kind::kArray)
      return invalid(error, "the params are neither an object nor an array");
    message.params = *params;
  }
  message.kind = id == nullptr ? RpcKind::kNotification : RpcKind::kRequest;
  if (id == nullptr) message.id = "null";
  return true;
}

std::string renderRpcResult(std::string_view id, std::string_view resultJson) {
  std::string out = R"({"jsonrpc":"2.0","id":)";
  out += id;
  out += R"(,"result":)";
  out += resultJson;
  out += '}';
  return out;
}

std::string renderRpcError(const RpcError& error) {
  return R"({"jsonrpc":"2.0","id":)" + error.id + R"(,"error":{"code":)" +
         std::to_string(error.code) + R"(,"message":)" + jsonString(error.message) + "}}";
}

std::string renderRpcNotification(std::string_view method, std::string_view paramsJson) {
  std::string out = R"({"jsonrpc":"2.0","method":)" + jsonString(method) + R"(,"params":)";
  out += paramsJson;
  out += '}';
  return out;
}

}  // namespace quorbel
