// The user that the compiler and the submitted program run as. A server running as root hands
// its children to an unprivileged account; any other server runs them as itself.
#pragma once

#include <cstdint>

namespace quorbel {

struct RunnerIdentity {
  bool active = false;  // switch users in the child
  uint32_t uid = 0;
  uint32_t gid = 0;
};

// As root: the account named by QUORBEL_RUNNER_USER ("nobody" when unset or empty), inactive
// when no such account exists. Not root: inactive.
RunnerIdentity currentRunnerIdentity();

// Child side: drops supplementary groups, then the group, then the user. Nothing when
// inactive. Any failure writes "runner sandbox setup failed\n" to descriptor 2 and ends the
// child with 127.
void dropPrivileges(const RunnerIdentity& identity);

// Child side: writes `message` to descriptor 2 and ends the child with 127. Allocates nothing.
[[noreturn]] void childExecFailure(const char* message);

}  // namespace quorbel
