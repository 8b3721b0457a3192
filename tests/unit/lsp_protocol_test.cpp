// The language server's base layer and dispatch: Content-Length framing fed in any pieces, and
// JSON-RPC messages read into requests, notifications and responses, or the error answered.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lsp/framing.h"
#include "lsp/rpc.h"

namespace quorbel {
namespace {

// ---- Framing ----

// Every frame the bytes hold, each as "body" or "!problem"; fed in pieces of `piece` bytes.
std::vector<std::string> framesOf(const std::string& bytes, size_t piece) {
  FrameReader reader;
  std::vector<std::string> out;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    feedFrames(reader, std::string_view(bytes).substr(at, piece));
    for (Frame frame = nextFrame(reader); frame.status != FrameStatus::kNeedMore;
         frame = nextFrame(reader))
      out.push_back(frame.status == FrameStatus::kMessage ? frame.body : "!" + frame.problem);
  }
  return out;
}

struct FrameCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> want;
};

TEST(LspFramingTest, Frames) {
  const std::string big(kMaxFrameBodyBytes + 1, 'x');
  const FrameCase cases[] = {
      {"one message", "Content-Length: 2\r\n\r\n{}", {"{}"}},
      {"two back to back",
       "Content-Length: 2\r\n\r\n{}Content-Length: 3\r\n\r\n[1]",
       {"{}", "[1]"}},
      {"other headers are ignored",
       "Content-Type: application/vscode-jsonrpc; charset=utf-8\r\nContent-Length: 2\r\n\r\n{}",
       {"{}"}},
      {"the name in any case, blanks around the value", "content-LENGTH:   2 \r\n\r\n{}", {"{}"}},
      {"an empty body", "Content-Length: 0\r\n\r\n", {""}},
      {"the body may hold a header's bytes", "Content-Length: 4\r\n\r\n\r\n\r\n", {"\r\n\r\n"}},
      {"a body not complete yet", "Content-Length: 5\r\n\r\n{}", {}},
      {"no length, then a good one",
       "X: 1\r\n\r\nContent-Length: 2\r\n\r\n{}",
       {"!no Content-Length header", "{}"}},
      {"a length that is no number",
       "Content-Length: 2x\r\n\r\nContent-Length: 2\r\n\r\n{}",
       {"!a Content-Length that is not a number", "{}"}},
      {"the body after a bad header is skipped",
       "Content-Length: x\r\n\r\n{\"a\":1}Content-Length: 2\r\n\r\n{}",
       {"!a Content-Length that is not a number", "{}"}},
      {"a signed length",
       "Content-Length: +2\r\n\r\n{}",
       {"!a Content-Length that is not a number"}},
      {"two lengths that differ",
       "Content-Length: 2\r\nContent-Length: 3\r\n\r\n{}",
       {"!two different Content-Length headers"}},
      {"the same length twice", "Content-Length: 2\r\nContent-Length: 2\r\n\r\n{}", {"{}"}},
      {"a line without a colon", "Content-Length 2\r\n\r\n{}", {"!a header line without a colon"}},
      {"garbage before a header is skipped once",
       std::string(9000, 'g') + "Content-Length: 2\r\n\r\n{}",
       {"!a header block longer than 8192 bytes", "{}"}},
      {"a body over the limit is dropped, the next message read",
       "Content-Length: " + std::to_string(big.size()) + "\r\n\r\n" + big +
           "Content-Length: 2\r\n\r\n{}",
       {"!a message of 16777217 bytes, over the limit of 16777216", "{}"}},
  };
  for (const FrameCase& c : cases) {
    // Whole, byte by byte and in pieces that split headers and bodies anywhere.
    EXPECT_EQ(framesOf(c.bytes, c.bytes.size() + 1), c.want) << c.name;
    if (c.bytes.size() < 20000) {
      EXPECT_EQ(framesOf(c.bytes, 1), c.want) << c.name << ", bytewise";
    }
    EXPECT_EQ(framesOf(c.bytes, 7), c.want) << c.name << ", by 7";
  }
}

TEST(LspFramingTest, LimitBoundary) {
  // A body of exactly the limit is a message; one byte more is refused.
  const std::string body(kMaxFrameBodyBytes, ' ');
  EXPECT_EQ(framesOf(frameMessage(body), 1 << 20), std::vector<std::string>{body});
}

TEST(LspFramingTest, FrameMessage) {
  EXPECT_EQ(frameMessage("{}"), "Content-Length: 2\r\n\r\n{}");
  // The length counts bytes, not characters: "é" is two.
  EXPECT_EQ(frameMessage("\"\xC3\xA9\""), "Content-Length: 4\r\n\r\n\"\xC3\xA9\"");
}

// ---- Dispatch ----

struct RpcCase {
  const char* name;
  const char* body;
  // "request 7 initialize", "notification null exit", "response 3", or "error CODE ID".
  const char* want;
};

std::string readOne(const char* body) {
  RpcMessage message;
  RpcError error;
  if (!readRpcMessage(body, message, error))
    return "error " + std::to_string(error.code) + " " + error.id;
  switch (message.kind) {
    case RpcKind::kRequest:
      return "request " + message.id + " " + message.method;
    case RpcKind::kNotification:
      return "notification " + message.id + " " + message.method;
    case RpcKind::kResponse:
      return "response " + message.id;
  }
  return "";
}

TEST(LspRpcTest, ReadsMessages) {
  const RpcCase cases[] = {
      {"request with a number id", R"({"jsonrpc":"2.0","id":7,"method":"initialize"})",
       "request 7 initialize"},
      {"request with a string id", R"({"jsonrpc":"2.0","id":"a\"1","method":"shutdown"})",
       R"(request "a\"1" shutdown)"},
      {"notification", R"({"jsonrpc":"2.0","method":"exit"})", "notification null exit"},
      {"params object", R"({"jsonrpc":"2.0","method":"m","params":{"a":1}})",
       "notification null m"},
      {"params null is as none", R"({"jsonrpc":"2.0","id":2,"method":"shutdown","params":null})",
       "request 2 shutdown"},
      {"params array", R"({"jsonrpc":"2.0","id":1,"method":"m","params":[1]})", "request 1 m"},
      {"response with a result", R"({"jsonrpc":"2.0","id":3,"result":null})", "response 3"},
      {"response with an error", R"({"jsonrpc":"2.0","id":3,"error":{"code":1}})", "response 3"},
      {"not JSON", R"({"jsonrpc":"2.0",)", "error -32700 null"},
      {"empty body", "", "error -32700 null"},
      {"an array (no batches)", R"([{"jsonrpc":"2.0","method":"exit"}])", "error -32600 null"},
      {"a number", "5", "error -32600 null"},
      {"version 1.0 keeps its id", R"({"jsonrpc":"1.0","id":4,"method":"m"})", "error -32600 4"},
      {"no version", R"({"id":4,"method":"m"})", "error -32600 4"},
      {"method not a string", R"({"jsonrpc":"2.0","id":4,"method":5})", "error -32600 4"},
      {"id an object", R"({"jsonrpc":"2.0","id":{},"method":"m"})", "error -32600 null"},
      {"id null", R"({"jsonrpc":"2.0","id":null,"method":"m"})", "error -32600 null"},
      {"params a string", R"({"jsonrpc":"2.0","id":4,"method":"m","params":"x"})",
       "error -32600 4"},
      {"neither method nor result", R"({"jsonrpc":"2.0","id":4})", "error -32600 4"},
      {"a result without an id", R"({"jsonrpc":"2.0","result":1})", "error -32600 null"},
  };
  for (const RpcCase& c : cases) EXPECT_EQ(readOne(c.body), c.want) << c.name;
}

}  // namespace
}  // namespace quorbel
