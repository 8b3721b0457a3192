#include "runner/runner_box_filter.h"

#include <sys/socket.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <vector>

#ifdef __linux__
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/netlink.h>
#include <linux/seccomp.h>
#endif

namespace quorbel {

#if defined(__linux__) && (defined(__x86_64__) || defined(__aarch64__))

namespace {

#if defined(__x86_64__)
constexpr uint32_t kNativeArch = AUDIT_ARCH_X86_64;
#else
constexpr uint32_t kNativeArch = AUDIT_ARCH_AARCH64;
#endif

constexpr uint32_t kAllow = SECCOMP_RET_ALLOW;
constexpr uint32_t refuse(int error) { return SECCOMP_RET_ERRNO | static_cast<uint32_t>(error); }

sock_filter statement(uint16_t code, uint32_t value) { return BPF_STMT(code, value); }
sock_filter jumpIfEqual(uint32_t value, uint8_t ifTrue, uint8_t ifFalse) {
  return BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, value, ifTrue, ifFalse);
}
sock_filter load(uint32_t offset) { return statement(BPF_LD | BPF_W | BPF_ABS, offset); }

}  // namespace

std::string boxSyscallFilter() {
  // Both architectures are little-endian: an argument's low word, which holds an int such as
  // the family or the protocol, is at the argument's own offset.
  const uint32_t kFamily = offsetof(seccomp_data, args[0]);
  const uint32_t kProtocol = offsetof(seccomp_data, args[2]);
  std::vector<sock_filter> program = {
      load(offsetof(seccomp_data, arch)),
      jumpIfEqual(kNativeArch, 1, 0),
      statement(BPF_RET | BPF_K, refuse(EPERM)),
      load(offsetof(seccomp_data, nr)),
  };
#if defined(__x86_64__)
  // The x32 ABI shares the architecture value; its calls carry this bit in their number.
  program.push_back(BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, 0x40000000U, 0, 1));
  program.push_back(statement(BPF_RET | BPF_K, refuse(EPERM)));
#endif
  // A jump's offsets count the instructions it skips when true and when false.
  const std::vector<sock_filter> sockets = {
      jumpIfEqual(SYS_io_uring_setup, 0, 1),
      statement(BPF_RET | BPF_K, refuse(ENOSYS)),
      jumpIfEqual(SYS_socket, 1, 0),
      jumpIfEqual(SYS_socketpair, 0, 6),
      load(kFamily),
      jumpIfEqual(AF_UNIX, 4, 0),
      jumpIfEqual(AF_NETLINK, 0, 2),
      load(kProtocol),
      jumpIfEqual(NETLINK_ROUTE, 1, 0),
      statement(BPF_RET | BPF_K, refuse(EACCES)),
      statement(BPF_RET | BPF_K, kAllow),
  };
  program.insert(program.end(), sockets.begin(), sockets.end());
  return std::string(reinterpret_cast<const char*>(program.data()),
                     program.size() * sizeof(sock_filter));
}

#else

std::string boxSyscallFilter() { return ""; }

#endif

}  // namespace quorbel
