#include "runner/runner_identity.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace quorbel {

RunnerIdentity currentRunnerIdentity() {
  RunnerIdentity identity;
  if (getuid() != 0) return identity;
  const char* configured = std::getenv("QUORBEL_RUNNER_USER");
  std::string name = (configured != nullptr && configured[0] != '\0') ? configured : "nobody";
  // A missing account leaves the identity inactive; the run stage then refuses to run as root.
  const passwd* account = getpwnam(name.c_str());
  if (account == nullptr) return identity;
  identity.active = true;
  identity.uid = account->pw_uid;
  identity.gid = account->pw_gid;
  return identity;
}

void dropPrivileges(const RunnerIdentity& identity) {
  if (!identity.active) return;
  if (setgroups(0, nullptr) != 0 || setgid(identity.gid) != 0 || setuid(identity.uid) != 0) {
    childExecFailure("runner sandbox setup failed\n");
  }
}

void childExecFailure(const char* message) {
  size_t length = std::strlen(message);
  while (length > 0) {
    ssize_t sent = write(2, message, length);
    if (sent <= 0) break;
    message += sent;
    length -= static_cast<size_t>(sent);
  }
  _exit(127);
}

}  // namespace quorbel
