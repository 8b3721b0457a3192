// How long an editor waits for `quorbel lsp` after an edit: a 300-line program with a
// constraints comment is opened, then edited again and again (one line changed each time, as
// typing does), and each edit is timed from the moment its didChange is written to the moment
// the diagnostics of that version arrive: the debounce delay, the analysis and the verdict, the
// messages both ways. The server runs in this process on a pair of pipes, exactly as
// `quorbel lsp` serves standard input and output. Prints each edit's time and the median and
// worst against the 300 ms target. Figures, never a test.

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "base/json_text.h"
#include "lsp/framing.h"
#include "lsp/stdio_server.h"
#include "server/json_value.h"
#include "workloads.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLines = 300;
constexpr int kEdits = 20;
constexpr double kTargetMs = 300;

void writeAll(int fd, const std::string& body) {
  const std::string framed = quorbel::frameMessage(body);
  for (size_t done = 0; done < framed.size();) {
    const ssize_t wrote = write(fd, framed.data() + done, framed.size() - done);
    if (wrote <= 0) return;
    done += static_cast<size_t>(wrote);
  }
}

// Reads until the diagnostics of `version` arrive; false after 10 s without them.
bool awaitDiagnostics(int fd, quorbel::FrameReader& reader, int version) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  const std::string wanted = "\"version\":" + std::to_string(version) + ",";
  while (Clock::now() < deadline) {
    for (quorbel::Frame frame = quorbel::nextFrame(reader);
         frame.status != quorbel::FrameStatus::kNeedMore; frame = quorbel::nextFrame(reader))
      if (frame.body.find("publishDiagnostics") != std::string::npos &&
          frame.body.find(wanted) != std::string::npos)
        return true;
    pollfd polled{fd, POLLIN, 0};
    if (poll(&polled, 1, 100) <= 0) continue;
    char buffer[65536];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) return false;
    quorbel::feedFrames(reader, std::string_view(buffer, static_cast<size_t>(got)));
  }
  return false;
}

std::string didChange(const std::string& text, int version) {
  return R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":)"
         R"({"uri":"file:///bench.cpp","version":)" +
         std::to_string(version) + R"(},"contentChanges":[{"text":)" + quorbel::jsonString(text) +
         "}]}}";
}

}  // namespace

int main() {
  // The generator counts main's lines roughly: asked for more until the file has 300.
  std::string program;
  long lines = 0;
  for (int asked = kLines; lines < kLines; asked += 10) {
    program = "// 1 <= n <= 2*10^5\n" + quorbel::bench::manyFunctionsProgram(asked);
    lines = std::count(program.begin(), program.end(), '\n');
  }
  int toServer[2], fromServer[2];
  if (pipe(toServer) != 0 || pipe(fromServer) != 0) return 1;
  std::thread server([&] {
    quorbel::serveLanguageServer(toServer[0], fromServer[1]);
    close(fromServer[1]);
  });
  quorbel::FrameReader reader;
  writeAll(toServer[1], R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})");
  writeAll(toServer[1],
           R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":)"
           R"({"uri":"file:///bench.cpp","languageId":"cpp","version":1,"text":)" +
               quorbel::jsonString(program) + "}}}");
  if (!awaitDiagnostics(fromServer[0], reader, 1)) {
    std::printf("no diagnostics for the opened file\n");
    return 1;
  }
  std::printf("program: %ld lines, %zu bytes\n", lines, program.size());
  std::vector<double> times;
  for (int edit = 0; edit < kEdits; ++edit) {
    // The constant in the first helper's innermost statement, as a user types it.
    const size_t at = program.find(" * ");
    program.replace(at, 3, edit % 2 == 0 ? " + " : " * ");
    const int version = edit + 2;
    const auto start = Clock::now();
    writeAll(toServer[1], didChange(program, version));
    if (!awaitDiagnostics(fromServer[0], reader, version)) {
      std::printf("edit %d: no diagnostics within 10 s\n", edit + 1);
      return 1;
    }
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    std::printf("edit %d: diagnostics after %.1f ms\n", edit + 1, times.back());
  }
  writeAll(toServer[1], R"({"jsonrpc":"2.0","id":2,"method":"shutdown"})");
  writeAll(toServer[1], R"({"jsonrpc":"2.0","method":"exit"})");
  close(toServer[1]);
  server.join();
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  const double worst = times.back();
  std::printf(
      "target: diagnostics within %.0f ms of an edit of a %ld-line file: median %.1f ms, worst "
      "%.1f ms (%s)\n",
      kTargetMs, lines, median, worst, worst <= kTargetMs ? "met" : "NOT met");
  return 0;
}
