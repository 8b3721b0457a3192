#include "workloads.h"

#include <string>

namespace quorbel::bench {
namespace {

const char* kPrelude =
    "#include <bits/stdc++.h>\n"
    "using namespace std;\n";

size_t countLines(const std::string& text) {
  size_t lines = 0;
  for (char c : text) lines += c == '\n';
  return lines;
}

bool isWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// `text` with every whole word `word` replaced by `by`.
std::string replaceWord(const std::string& text, const std::string& word, const std::string& by) {
  std::string out;
  size_t from = 0;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const size_t end = at + word.size();
    if ((at > 0 && isWordByte(text[at - 1])) || (end < text.size() && isWordByte(text[end])))
      continue;
    out.append(text, from, at - from);
    out += by;
    from = end;
  }
  out.append(text, from, std::string::npos);
  return out;
}

}  // namespace

std::string manyFunctionsProgram(int lines) {
  std::string out = kPrelude;
  int functions = 0;
  // Each helper is 11 lines; main adds a few more per call.
  while (static_cast<int>(countLines(out)) + 14 * (functions + 1) < lines) {
    const std::string k = std::to_string(functions);
    out += "long long work" + k + "(int n, vector<int>& a) {\n";
    out += "  long long s = 0;\n";
    out += "  for (int i = 0; i < n; i++) {\n";
    out += "    for (int j = i; j < n; j++) {\n";
    out += "      s += a[j] * " + k + ";\n";
    out += "    }\n";
    out += "  }\n";
    out += "  int m = n;\n";
    out += "  while (m > 1) { m /= 2; s++; }\n";
    out += "  return s;\n";
    out += "}\n";
    ++functions;
  }
  out += "int main() {\n  int n;\n  cin >> n;\n  vector<int> a(n);\n";
  out += "  for (auto& x : a) cin >> x;\n  long long total = 0;\n";
  for (int k = 0; k < functions; ++k) out += "  total += work" + std::to_string(k) + "(n, a);\n";
  out += "  cout << total << endl;\n  return 0;\n}\n";
  return out;
}

std::string deepBlocksProgram(int depth) {
  std::string out = kPrelude;
  out += "int main() {\n  int x = 1, s = 0;\n";
  for (int d = 0; d < depth; ++d) out += "if (x) {\n";
  out += "s++;\n";
  for (int d = 0; d < depth; ++d) out += "}\n";
  out += "  cout << s << endl;\n}\n";
  return out;
}

std::string deepLoopsProgram(int depth) {
  std::string out = kPrelude;
  out += "int main() {\n  int n, s = 0;\n  cin >> n;\n";
  for (int d = 0; d < depth; ++d)
    out += "for (int i" + std::to_string(d) + " = 0; i" + std::to_string(d) + " < n; i" +
           std::to_string(d) + "++) {\n";
  out += "s++;\n";
  for (int d = 0; d < depth; ++d) out += "}\n";
  out += "  cout << s << endl;\n}\n";
  return out;
}

std::string helperChainProgram(int count, bool cycle) {
  std::string out = kPrelude;
  for (int k = 0; k < count; ++k) out += "int f" + std::to_string(k) + "(int n);\n";
  for (int k = 0; k < count; ++k) {
    const bool last = k + 1 == count;
    out += "int f" + std::to_string(k) + "(int n) {\n";
    out += "  if (n <= 0) return 0;\n";
    out += "  int s = 0;\n";
    if (!last || cycle) {
      const std::string next = last ? "0" : std::to_string(k + 1);
      out += "  for (int i = 0; i < n; i++) s += f" + next + "(n - 1);\n";
    } else {
      out += "  for (int i = 0; i < n; i++) s += i;\n";
    }
    out += "  return s;\n}\n";
  }
  out += "int main() {\n  int n;\n  cin >> n;\n  cout << f0(n) << endl;\n}\n";
  return out;
}

std::string hugeFunctionProgram(size_t bytes) {
  std::string out = kPrelude;
  out += "int main() {\n  int n;\n  cin >> n;\n  vector<long long> a(n + 1);\n  long long s = 0;\n";
  const std::string tail = "  cout << s << endl;\n}\n";
  for (int k = 0; out.size() + tail.size() + 200 < bytes; ++k) {
    const std::string c = std::to_string(k % 97);
    if (k % 10 == 0)
      out += "  for (int i = 0; i < n; i++) s += a[i] * " + c + ";\n";
    else if (k % 10 == 5)
      out += "  sort(a.begin(), a.end());\n";
    else
      out += "  s = (s * " + c + " + a[" + c + " % (n + 1)]) % 1000000007;\n";
  }
  // Pad with a comment so the file is exactly `bytes` long.
  const size_t used = out.size() + tail.size() + 4;
  if (used < bytes) out += "/*" + std::string(bytes - used, ' ') + "*/";
  out += tail;
  return out;
}

std::string concatenatedPrograms(const std::vector<std::string>& programs, size_t lines) {
  std::string text;
  size_t count = 0;
  for (size_t round = 0; count < lines && !programs.empty(); ++round)
    for (size_t i = 0; i < programs.size() && count < lines; ++i) {
      const std::string main = "main_" + std::to_string(round) + "_" + std::to_string(i);
      text += replaceWord(programs[i], "main", main) + "\n";
      count += countLines(programs[i]) + 1;
    }
  return text;
}

std::vector<Workload> generatedWorkloads() {
  return {
      {"lines_5000", manyFunctionsProgram(5000)},
      {"nested_blocks_10000", deepBlocksProgram(10000)},
      {"nested_loops_1000", deepLoopsProgram(1000)},
      {"nested_loops_10000", deepLoopsProgram(10000)},
      {"helper_chain_500", helperChainProgram(500, false)},
      {"helper_cycle_500", helperChainProgram(500, true)},
      {"function_1000000_bytes", hugeFunctionProgram(1000000)},
  };
}

}  // namespace quorbel::bench
