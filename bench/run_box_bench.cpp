// What a contest programmer's tests cost through /api/run, each request as the server answers
// it: a 1.3 MB input read whole; a 6.9 MB output compared with an expected output of the same
// size; 100 MB held and reported; a program of 2.8 s under a 4 s limit; and three tests under
// one compile. Prints each figure beside its target (the second compile of a <bits/stdc++.h>
// program is pch_bench.cpp's). Figures, never a test.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "base/json_text.h"
#include "server/json_value.h"
#include "server/routes.h"
#include "storage/analysis_store.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Answer {
  quorbel::JsonValue document;
  double wallMs = 0;
  size_t bodyBytes = 0;
};

Answer post(quorbel::AnalysisStore& store, const std::string& body) {
  quorbel::Request request;
  request.method = "POST";
  request.path = "/api/run";
  request.headers["content-type"] = "application/json";
  request.body = body;
  const Clock::time_point start = Clock::now();
  const quorbel::Response response = quorbel::routeRequest(request, store);
  Answer answer;
  answer.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  answer.bodyBytes = body.size();
  quorbel::parseJson(response.body, answer.document);
  return answer;
}

std::string field(const quorbel::JsonValue& document, const char* key) {
  const quorbel::JsonValue* value = quorbel::jsonMember(document, key);
  return value == nullptr ? "(none)" : value->text;
}

const char* met(bool ok) { return ok ? "met" : "NOT met"; }

void judgeSizedStreams(quorbel::AnalysisStore& store) {
  std::string input = "200000\n";
  long long sum = 0;
  for (int i = 0; i < 200000; ++i) {
    input += std::to_string(100000 + i * 3) + (i % 20 == 19 ? "\n" : " ");
    sum += 100000 + i * 3;
  }
  const Answer read = post(
      store, "{\"code\":" +
                 quorbel::jsonString("#include <bits/stdc++.h>\nint main(){ int n; std::cin >> "
                                     "n; long long s = 0, x; while (n--) { std::cin >> x; s += "
                                     "x; } std::cout << s << \"\\n\"; }") +
                 ",\"input\":" + quorbel::jsonString(input) +
                 ",\"expectedOutput\":" + quorbel::jsonString(std::to_string(sum) + "\n") + "}");
  std::printf("%.1f MB input: %s, verdict %s, run %s ms: %s\n", input.size() / 1e6,
              field(read.document, "status").c_str(), field(read.document, "verdict").c_str(),
              field(read.document, "runMs").c_str(),
              met(field(read.document, "verdict") == "accepted"));

  std::string expected;
  for (int i = 0; i < 862500; ++i) expected += std::to_string(1000000 + i * 7 % 999983) + "\n";
  const std::string printer =
      "#include <bits/stdc++.h>\nint main(){ std::ios::sync_with_stdio(false); for (int i = 0; "
      "i < 862500; ++i) std::cout << 1000000 + i * 7 % 999983 << '\\n'; }";
  const Answer printed =
      post(store, "{\"code\":" + quorbel::jsonString(printer) +
                      ",\"expectedOutput\":" + quorbel::jsonString(expected) + "}");
  std::printf(
      "%.1f MB output compared whole: verdict %s, %s bytes sent back (truncated %s), run %s ms, "
      "request %.0f ms: %s\n",
      expected.size() / 1e6, field(printed.document, "verdict").c_str(),
      std::to_string(field(printed.document, "stdout").size()).c_str(),
      field(printed.document, "stdoutTruncated").c_str(), field(printed.document, "runMs").c_str(),
      printed.wallMs, met(field(printed.document, "verdict") == "accepted"));
}

void memoryAndTime(quorbel::AnalysisStore& store) {
  const Answer held =
      post(store, "{\"code\":" +
                      quorbel::jsonString("#include <vector>\n#include <cstdio>\nint main(){ "
                                          "std::vector<char> v(100 << 20); for (size_t i = 0; i < "
                                          "v.size(); i += 4096) v[i] = 1; std::printf(\"%d\", "
                                          "v[4096]); }") +
                      "}");
  const long kb = std::atol(field(held.document, "memoryKb").c_str());
  std::printf("100 MiB held: memoryKb %ld (%.1f MiB): %s\n", kb, kb / 1024.0,
              met(kb >= 100 * 1024 && kb < 110 * 1024));
  const Answer spun = post(
      store, "{\"code\":" +
                 quorbel::jsonString(
                     "#include <chrono>\n#include <cstdio>\nint main(){ auto start = "
                     "std::chrono::steady_clock::now(); volatile long x = 0; while "
                     "(std::chrono::steady_clock::now() - start < std::chrono::milliseconds(2800)) "
                     "x = x + 1; std::puts(\"done\"); }") +
                 ",\"timeLimitMs\":4000}");
  std::printf("2.8 s program under a 4 s limit: %s, run %s ms: %s\n",
              field(spun.document, "status").c_str(), field(spun.document, "runMs").c_str(),
              met(field(spun.document, "status") == "success"));
  const Answer tests = post(
      store,
      "{\"code\":" +
          quorbel::jsonString("#include <cstdio>\nint main(){ long long a, b; std::scanf(\"%lld "
                              "%lld\", &a, &b); std::printf(\"%lld\\n\", a + b); }") +
          ",\"tests\":[{\"input\":\"1 2\",\"expectedOutput\":\"3\"},{\"input\":\"2 2\","
          "\"expectedOutput\":\"5\"},{\"input\":\"10 20\",\"expectedOutput\":\"30\"}]}");
  std::printf("three tests, one compile (%s ms): %s/%s passed: %s\n",
              field(tests.document, "compileMs").c_str(), field(tests.document, "passed").c_str(),
              field(tests.document, "total").c_str(),
              met(field(tests.document, "passed") == "2" && field(tests.document, "total") == "3"));
}

}  // namespace

int main() {
  quorbel::AnalysisStore store("/tmp/quorbel-run-box-bench.db");
  judgeSizedStreams(store);
  memoryAndTime(store);
  return 0;
}
