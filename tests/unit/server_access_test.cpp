// Who may reach what: loopback names a rebinding page cannot borrow, and the routes that run
// programs refusing what a cross-site page or a rebound name would send.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "server/access_policy.h"
#include "server/http_server.h"
#include "test_support.h"

namespace quorbel {
namespace {

using testing::ScopedEnv;

// Writes `request` into one end of a socket pair, serves the other end, returns the answer.
std::string serve(AnalysisStore& store, const std::string& request) {
  int ends[2];
  EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
  std::string received;
  std::thread client([&] {
    testing::sendAll(ends[0], request);
    received = testing::receiveAll(ends[0]);
  });
  serveConnection(ends[1], store, RequestLimits{});
  client.join();
  close(ends[0]);
  return received;
}

// A name is loopback only when no DNS answer could make it point elsewhere.
TEST(LoopbackHostTest, OnlyLiteralsAndLocalhost) {
  const testing::Case<const char*, bool> cases[] = {
      {"localhost", "localhost", true},
      {"localhost with port", "LocalHost:8080", true},
      {"IPv4 loopback", "127.0.0.1", true},
      {"anywhere in 127/8", "127.255.3.9:80", true},
      {"IPv6 loopback", "[::1]:8080", true},
      {"blanks around", " 127.0.0.1 ", true},
      {"a name starting with 127.", "127.0.0.1.nip.io", false},
      {"a rebinding page's name", "127.anything.example:8080", false},
      {"three parts", "127.0.0", false},
      {"five parts", "127.0.0.1.5", false},
      {"a part above 255", "127.0.0.256", false},
      {"leading zero (octal to some resolvers)", "127.0.0.01", false},
      {"empty part", "127..0.1", false},
      {"trailing dot", "127.0.0.1.", false},
      {"localhost as a domain", "localhost.example", false},
      {"fully qualified localhost", "localhost.", false},
      {"another address", "128.0.0.1", false},
      {"port that is not a number", "127.0.0.1:80x", false},
      {"empty port", "localhost:", false},
      {"IPv6 other than ::1", "[::2]", false},
      {"empty", "", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isLoopbackHost(c.in), c.want) << c.name;
}

class ServerAccessTest : public ::testing::Test {
 protected:
  testing::ScratchWorkingDirectory scratch_;
  AnalysisStore store_{scratch_.path() + "/history.db"};
  ScopedEnv run_{"QUORBEL_ENABLE_BACKEND_RUN", std::nullopt};
  ScopedEnv unboxed_{"QUORBEL_RUNNER_ALLOW_UNBOXED", "1"};
  ScopedEnv origins_{"QUORBEL_CORS_ORIGINS", std::nullopt};
  ScopedEnv hosts_{"QUORBEL_RUN_HOSTS", std::nullopt};
  ScopedEnv secret_{"QUORBEL_RUNNER_SHARED_SECRET", std::nullopt};
};

// A page from a name that later resolves to 127.0.0.1 sends its own name as Host and as
// Origin: both agree with each other, so only the Host's name can refuse it. Both routes
// that run programs refuse it; a loopback literal still gets as far as the body (415 for
// text/plain, which also tells "let through" from "refused").
TEST_F(ServerAccessTest, RebindingNamesCannotRunOrMeasure) {
  struct Case {
    const char* name;
    std::string headers;
    std::string wantStatus;
  };
  const Case cases[] = {
      {"rebinding page", "Host: 127.evil.example:8080\r\nOrigin: http://127.evil.example:8080\r\n",
       "403"},
      {"nip.io name without Origin", "Host: 127.0.0.1.nip.io\r\n", "403"},
      {"nip.io name with its own Origin",
       "Host: 127.0.0.1.nip.io:8080\r\nOrigin: http://127.0.0.1.nip.io:8080\r\n", "403"},
      {"loopback literal", "Host: 127.0.0.1:8080\r\nOrigin: http://127.0.0.1:8080\r\n", "415"},
      {"localhost", "Host: localhost:8080\r\n", "415"},
  };
  for (const char* path : {"/api/run", "/api/measure"}) {
    for (const Case& c : cases) {
      const std::string answer =
          serve(store_, std::string("POST ") + path + " HTTP/1.1\r\nContent-Type: text/plain\r\n" +
                            c.headers + "Content-Length: 2\r\n\r\n{}");
      EXPECT_TRUE(answer.starts_with("HTTP/1.1 " + c.wantStatus + " "))
          << path << ": " << c.name << "\n"
          << answer;
    }
  }
}

// The form page answers a post from another site's page, but writes nothing for it: with
// saving on, only the posts of the server's own page (or of a tool that names no site) fill
// the history.
TEST_F(ServerAccessTest, CrossSiteFormPostsAreNotSaved) {
  ScopedEnv save("QUORBEL_SAVE_ANALYSES", "1");
  ScopedEnv listed("QUORBEL_CORS_ORIGINS", "http://ide.example");
  struct Case {
    const char* name;
    std::string headers;
    bool saved;
  };
  const Case cases[] = {
      {"another site's Origin", "Origin: http://evil.example\r\n", false},
      {"opaque Origin", "Origin: null\r\n", false},
      {"cross-site fetch", "Sec-Fetch-Site: cross-site\r\n", false},
      {"same-site but another origin", "Sec-Fetch-Site: same-site\r\n", false},
      {"the server's own page", "Origin: http://127.0.0.1:8080\r\nSec-Fetch-Site: same-origin\r\n",
       true},
      {"an allow-listed origin", "Origin: http://ide.example\r\n", true},
      {"a tool naming no site", "", true},
  };
  const std::string body = "code=int+main%28%29%7B%7D";
  int rows = 0;
  for (const Case& c : cases) {
    const std::string answer =
        serve(store_, "POST /analyze HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n" + c.headers +
                          "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                          std::to_string(body.size()) + "\r\n\r\n" + body);
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 OK\r\n")) << c.name << "\n"
                                                           << answer.substr(0, 200);
    rows += c.saved;
    EXPECT_EQ(testing::query(scratch_.path() + "/history.db", "SELECT COUNT(*) FROM analyses;"),
              std::vector<std::string>{std::to_string(rows)})
        << c.name;
  }
}

}  // namespace
}  // namespace quorbel
