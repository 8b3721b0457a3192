// Work run in a throw-away child: its report comes back whole when it returns, and nothing
// comes back when it dies, whatever it printed first.
#include "cli/throwaway_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

namespace quorbel {
namespace {

struct ChildCase {
  const char* name;
  ReportedWork work;
  bool reported;
  int status;
  std::string out;
  std::string err;
};

TEST(ThrowAwayRunTest, ReportsOnlyAChildThatReturned) {
  const std::string large(3 << 20, 'x');  // beyond what a pipe holds unread
  const ChildCase kCases[] = {
      {"status and both texts",
       [](std::ostream& o, std::ostream& e) {
         o << "out\n";
         e << "err\n";
         return 3;
       },
       true, 3, "out\n", "err\n"},
      {"nothing printed", [](std::ostream&, std::ostream&) { return 0; }, true, 0, "", ""},
      {"a report larger than the pipe",
       [&](std::ostream& o, std::ostream&) {
         o << large;
         return 1;
       },
       true, 1, large, ""},
      {"an abort after printing",
       [](std::ostream& o, std::ostream&) -> int {
         o << "half";
         std::abort();
       },
       false, 0, "", ""},
      {"a signal",
       [](std::ostream&, std::ostream&) -> int {
         raise(SIGKILL);
         return 0;
       },
       false, 0, "", ""},
      {"an exit without a report",
       [](std::ostream& o, std::ostream&) -> int {
         o << "x";
         _exit(0);
       },
       false, 0, "", ""},
  };
  for (const ChildCase& c : kCases) {
    const std::optional<ChildReport> got = runInThrowAwayChild(c.work);
    ASSERT_EQ(got.has_value(), c.reported) << c.name;
    if (!got) continue;
    EXPECT_EQ(got->status, c.status) << c.name;
    EXPECT_EQ(got->out, c.out) << c.name;
    EXPECT_EQ(got->err, c.err) << c.name;
  }
}

}  // namespace
}  // namespace quorbel
