// Reads the two reports a debug run can end with:
//   main.cpp:4:9: runtime error: signed integer overflow: 2147483647 + 1 cannot be ...
//   /usr/include/c++/12/debug/vector:442:
//   Error: attempt to subscript container with out-of-bounds index 5, but
//   container only holds 3 elements.
//   ...
//   quorbel-debug: line 6
#include "runner/runner_debug.h"

#include <cstdlib>

namespace quorbel {
namespace {

// Compiled into the program: on a fault it walks its own stack with libbacktrace and names the
// innermost line of main.cpp (the library's checks abort inside their own headers), then dies
// of the same signal, so the run ends as it would have. Its own stack serves a stack overflow.
constexpr std::string_view kSupportSource = R"(#include <backtrace.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

namespace {
backtrace_state* state;
char faultStack[1 << 16];

void say(const char* text) { (void)!write(2, text, strlen(text)); }

int onFrame(void*, uintptr_t, const char* file, int line, const char*) {
  const size_t length = file != nullptr ? strlen(file) : 0;
  if (length < 8 || strcmp(file + length - 8, "main.cpp") != 0 || line <= 0) return 0;
  char digits[16];
  int at = sizeof digits - 1;
  digits[at] = '\0';
  for (; line > 0 && at > 0; line /= 10) digits[--at] = static_cast<char>('0' + line % 10);
  say("\nquorbel-debug: line ");
  say(digits + at);
  say("\n");
  return 1;
}

void onFault(int signal) {
  if (state != nullptr) backtrace_full(state, 0, onFrame, nullptr, nullptr);
  ::signal(signal, SIG_DFL);
  raise(signal);
}

__attribute__((constructor)) void installFaultHandler() {
  state = backtrace_create_state(nullptr, 0, nullptr, nullptr);
  stack_t stack{};
  stack.ss_sp = faultStack;
  stack.ss_size = sizeof faultStack;
  sigaltstack(&stack, nullptr);
  struct sigaction action{};
  action.sa_handler = onFault;
  action.sa_flags = SA_ONSTACK;
  const int faults[] = {SIGABRT, SIGSEGV, SIGFPE, SIGBUS, SIGILL};
  for (int signal : faults) sigaction(signal, &action, nullptr);
}
}  // namespace

extern "C" const char* __ubsan_default_options() {
  return "halt_on_error=1:abort_on_error=1:print_summary=0";
}
)";

// The number at the start of `text`, 0 when none.
int leadingNumber(std::string_view text) {
  int value = 0;
  for (size_t i = 0; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 1000000; ++i)
    value = value * 10 + (text[i] - '0');
  return value;
}

std::string_view lineAt(std::string_view text, size_t start) {
  const size_t end = text.find('\n', start);
  return text.substr(start, end == std::string_view::npos ? text.size() - start : end - start);
}

// The paragraph after "Error: ", its line breaks and runs of blanks made single spaces.
std::string debugModeMessage(std::string_view text) {
  constexpr std::string_view kError = "Error: ";
  // At the start of a line, the first line included.
  size_t start = text.starts_with(kError) ? 0 : text.find("\nError: ");
  if (start == std::string_view::npos) return "";
  if (text[start] == '\n') ++start;
  const size_t end = text.find("\n\n", start);
  const std::string_view body =
      text.substr(start + kError.size(),
                  (end == std::string_view::npos ? text.size() : end) - (start + kError.size()));
  std::string flat;
  for (char c : body) {
    const bool blank = c == ' ' || c == '\n' || c == '\t';
    if (blank && (flat.empty() || flat.back() == ' ')) continue;
    flat.push_back(blank ? ' ' : c);
  }
  while (!flat.empty() && flat.back() == ' ') flat.pop_back();
  return flat;
}

// "attempt to subscript container with out-of-bounds index 5, but container only holds 3
// elements." in the words a contest programmer uses.
std::string plainDebugWords(const std::string& message) {
  constexpr std::string_view kIndex = "out-of-bounds index ";
  constexpr std::string_view kHolds = "only holds ";
  const size_t index = message.find(kIndex);
  const size_t holds = message.find(kHolds);
  if (index == std::string::npos || holds == std::string::npos) return message;
  const int position = leadingNumber(std::string_view(message).substr(index + kIndex.size()));
  const int size = leadingNumber(std::string_view(message).substr(holds + kHolds.size()));
  return "index " + std::to_string(position) + " is out of range; the container holds " +
         std::to_string(size) + (size == 1 ? " element" : " elements");
}

}  // namespace

std::string_view debugSupportSource() { return kSupportSource; }

std::vector<std::string> debugCompileFlags() {
  return {"-g", "-D_GLIBCXX_DEBUG", "-fsanitize=undefined", "-fno-sanitize-recover=undefined"};
}

std::vector<std::string> debugLinkFlags() { return {"-lbacktrace"}; }

int debugFaultLine(std::string_view stderrText) {
  const size_t at = stderrText.rfind(kDebugLineWord);
  if (at == std::string_view::npos) return 0;
  return leadingNumber(stderrText.substr(at + std::string_view(kDebugLineWord).size()));
}

std::string explainDebugFault(std::string_view stderrText) {
  const int line = debugFaultLine(stderrText);
  constexpr std::string_view kSanitizer = "main.cpp:";
  constexpr std::string_view kRuntimeError = ": runtime error: ";
  for (size_t at = stderrText.find(kSanitizer); at != std::string_view::npos;
       at = stderrText.find(kSanitizer, at + 1)) {
    const std::string_view found = lineAt(stderrText, at);
    const size_t said = found.find(kRuntimeError);
    if (said == std::string_view::npos) continue;
    const int where = leadingNumber(found.substr(kSanitizer.size()));
    return "line " + std::to_string(where > 0 ? where : line) + ": " +
           std::string(found.substr(said + kRuntimeError.size()));
  }
  const std::string message = debugModeMessage(stderrText);
  if (message.empty()) return "";
  const std::string words = plainDebugWords(message);
  return line > 0 ? "line " + std::to_string(line) + ": " + words : words;
}

}  // namespace quorbel
