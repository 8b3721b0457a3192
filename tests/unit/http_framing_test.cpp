// How a request's bytes become a request: strict line syntax (what a proxy in front could read
// differently is refused), and a header block read once however its bytes arrive.
#include <gtest/gtest.h>

#include <string>

#include "server/http_request.h"
#include "test_support.h"

namespace quorbel {
namespace {

const char* nameOf(RequestRead read) {
  switch (read) {
    case RequestRead::kComplete:
      return "complete";
    case RequestRead::kNoRequest:
      return "no request";
    case RequestRead::kInvalidContentLength:
      return "invalid length";
    case RequestRead::kBodyTooLarge:
      return "body too large";
    case RequestRead::kTransferEncoding:
      return "transfer-encoding";
    case RequestRead::kHeadTooLarge:
      return "head too large";
    case RequestRead::kMalformedHead:
      return "malformed";
    case RequestRead::kIncomplete:
      return "incomplete";
  }
  return "?";
}

std::string readOf(const std::string& bytes) {
  Request request;
  return nameOf(takeRequest(bytes, false, request));
}

TEST(HttpFramingTest, StrictLineSyntax) {
  const std::string get = "GET /healthz HTTP/1.1\r\n";
  const testing::Case<std::string, std::string> cases[] = {
      {"plain", get + "Host: x\r\n\r\n", "complete"},
      {"no blank after the colon", get + "Host:x\r\n\r\n", "complete"},
      {"blanks inside and after the value", get + "X-A: a b \t\r\n\r\n", "complete"},
      {"blank before the colon", get + "Host : x\r\n\r\n", "malformed"},
      {"tab before the colon", get + "Host\t: x\r\n\r\n", "malformed"},
      {"folded line", get + "X-A: one\r\n two\r\n\r\n", "malformed"},
      {"folded line with a tab", get + "X-A: one\r\n\ttwo\r\n\r\n", "malformed"},
      {"no colon", get + "Host x\r\n\r\n", "malformed"},
      {"empty name", get + ": x\r\n\r\n", "malformed"},
      {"bare LF line ends", "GET /healthz HTTP/1.1\nHost: x\n\n", "malformed"},
      {"one bare LF among CR LF", get + "Host: x\nX-A: y\r\n\r\n", "malformed"},
      {"bare LF after the request line", "GET /healthz HTTP/1.1\n\r\n", "malformed"},
      {"bare CR", get + "Host: x\rX-A: y\r\n\r\n", "malformed"},
      {"CR LF LF", get + "Host: x\r\n\n", "malformed"},
      // Known as soon as the bad byte arrives, not at the blank line.
      {"bare LF before the head is whole", "GET /healthz HTTP/1.1\nHost", "malformed"},
      {"head not yet whole", get + "Host: x\r\n\r", "incomplete"},
      // The body is not a header block: its line ends are its own.
      {"bare LF in the body", "POST /x HTTP/1.1\r\nContent-Length: 3\r\n\r\na\nb", "complete"},
  };
  for (const auto& c : cases) EXPECT_EQ(readOf(c.in), c.want) << c.name;
}

TEST(HttpFramingTest, HeaderBlockLimitHoldsHoweverItArrives) {
  const std::string start = "GET /healthz HTTP/1.1\r\nX-Fill: ";
  // The block counts the request line and the blank line: 65536 bytes pass, 65537 do not.
  const auto block = [&](size_t total) {
    return start + std::string(total - start.size() - 4, 'a') + "\r\n\r\n";
  };
  const testing::Case<std::string, std::string> cases[] = {
      {"at the limit", block(65536), "complete"},
      {"one byte over", block(65537), "head too large"},
      {"over, sent at once with a body", block(3600000) + "body", "head too large"},
      {"over, blank line not yet sent", start + std::string(65536, 'a'), "head too large"},
      {"under, blank line not yet sent", start + std::string(60000, 'a'), "incomplete"},
  };
  for (const auto& c : cases) EXPECT_EQ(readOf(c.in), c.want) << c.name;
}

// Every split of a request into what arrived first and the rest reads the same as the whole;
// a CR at the end of the first part waits for its LF.
TEST(HttpFramingTest, EverySplitReadsAsTheWhole) {
  const std::string request =
      "POST /api/analyze HTTP/1.1\r\nHost: x\r\nContent-Length: 4\r\n\r\nbody";
  for (size_t split = 0; split <= request.size(); ++split) {
    std::string buffer = request.substr(0, split);
    RequestProgress progress;
    const RequestRead first = continueRequest(buffer, false, progress);
    if (split < request.size()) {
      EXPECT_EQ(nameOf(first), std::string("incomplete")) << split;
    }
    buffer += request.substr(split);
    EXPECT_EQ(nameOf(continueRequest(buffer, false, progress)), std::string("complete")) << split;
    EXPECT_EQ(progress.request.body, "body") << split;
    EXPECT_EQ(progress.request.headers.at("host"), "x") << split;
  }
}

// Once the header block is whole it is never read again: the body's bytes are all later
// calls look at. Overwriting the block in the buffer afterwards changes nothing, and the
// search for its end starts where the last one stopped.
TEST(HttpFramingTest, HeaderBlockIsParsedOnce) {
  std::string buffer = "POST /x HTTP/1.1\r\nX-A: one\r\nContent-Length: 3\r\n\r\n";
  const size_t head = buffer.size();
  RequestProgress progress;
  EXPECT_EQ(continueRequest(buffer, false, progress), RequestRead::kIncomplete);
  EXPECT_EQ(progress.bodyStart, head);
  buffer.replace(0, 16, "GET /y HTTP/1.1\r");
  buffer.replace(buffer.find("one"), 3, "two");
  buffer += "ab";
  EXPECT_EQ(continueRequest(buffer, false, progress), RequestRead::kIncomplete);
  buffer += "c";
  EXPECT_EQ(continueRequest(buffer, false, progress), RequestRead::kComplete);
  EXPECT_EQ(progress.request.method, "POST");
  EXPECT_EQ(progress.request.headers.at("x-a"), "one");
  EXPECT_EQ(progress.request.body, "abc");

  RequestProgress searching;
  std::string partial = "GET / HTTP/1.1\r\nX-A: ";
  EXPECT_EQ(continueRequest(partial, false, searching), RequestRead::kIncomplete);
  EXPECT_EQ(searching.scanned, partial.size());
  partial += "1\r";
  EXPECT_EQ(continueRequest(partial, false, searching), RequestRead::kIncomplete);
  EXPECT_EQ(searching.scanned, partial.size() - 1) << "the CR waits for its LF";
}

}  // namespace
}  // namespace quorbel
