#include "syntax/parse_tree.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "base/analysis_bounds.h"

extern "C" const TSLanguage* tree_sitter_cpp(void);

namespace quorbel {
namespace {

struct ParserDeleter {
  void operator()(TSParser* parser) const { ts_parser_delete(parser); }
};

TreePointer parseDirectly(std::string_view text) {
  std::unique_ptr<TSParser, ParserDeleter> parser(ts_parser_new());
  if (!parser || !ts_parser_set_language(parser.get(), tree_sitter_cpp())) return nullptr;
  const auto length = static_cast<uint32_t>(text.size());
  while (true) {
    ts_parser_set_cancellation_flag(parser.get(), analysisCancelFlag());
    ts_parser_set_timeout_micros(parser.get(), analysisMicrosLeft());
    TSTree* tree = ts_parser_parse_string(parser.get(), nullptr, text.data(), length);
    if (tree != nullptr || analysisCancelFlag() == nullptr) return TreePointer(tree);
    // Stopped by the flag or the clock: throws when a bound is spent, else the parse resumes.
    checkAnalysisBounds();
  }
}

// The tree-sitter runtime corrupts its heap when error recovery gathers more than 65535 pending
// subtrees into one node (an unterminated run of "(" or "!" tens of thousands long, say) and then
// aborts the process in ts_tree_delete. Such input needs at least that many tokens, so a source
// with fewer non-blank bytes is parsed directly; a larger one is first parsed in a throw-away
// child process, and only parsed here when the child survived.
constexpr size_t kDirectParseLimit = 60000;

size_t nonBlankBytes(std::string_view source) {
  size_t count = 0;
  for (char c : source) count += !(c == ' ' || c == '\t' || c == '\n' || c == '\r');
  return count;
}

bool parseSurvivesInChild(std::string_view source) {
  const uint64_t usedNs = boundedCpuUsedNs();
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    // The child may abort: no core file, and no message on the caller's standard error. It
    // parses under the caller's bounds, its clock continuing from the caller's.
    rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) dup2(devNull, 2);
    restartBoundsClockInChild(usedNs);
    try {
      parseDirectly(source);
    } catch (const AnalysisStopped&) {
      _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) return false;
  }
  chargeChildCpu(static_cast<uint64_t>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) *
                     1000000000u +
                 static_cast<uint64_t>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1000u);
  checkAnalysisBounds();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Set in a process that is itself thrown away when it dies (cli/throwaway_run.h): its parse
// is the guarded one, and a second would only repeat it.
bool parsesGuardedByProcess = false;

bool safeToParse(std::string_view source) {
  return !parseNeedsGuard(source) || parseSurvivesInChild(source);
}

}  // namespace

bool parseNeedsGuard(std::string_view text) {
  return !parsesGuardedByProcess && nonBlankBytes(text) >= kDirectParseLimit;
}

void parseWithoutGuardFromNowOn() { parsesGuardedByProcess = true; }

TreePointer parseCppTree(std::string_view text) {
  return safeToParse(text) ? parseDirectly(text) : nullptr;
}

}  // namespace quorbel
