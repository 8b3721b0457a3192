#include "runner/runner_box_filter.h"

#include <sched.h>
#include <sys/socket.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <iterator>
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

// Refuses calls of another architecture (and x32's), then loads the call's number for the
// rules that follow.
std::vector<sock_filter> nativeCallPrologue() {
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
  return program;
}

}  // namespace

std::string boxSyscallFilter() {
  // Both architectures are little-endian: an argument's low word, which holds an int such as
  // the family or the protocol, is at the argument's own offset.
  const uint32_t kFamily = offsetof(seccomp_data, args[0]);
  const uint32_t kProtocol = offsetof(seccomp_data, args[2]);
  std::vector<sock_filter> program = nativeCallPrologue();
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

namespace {

// Calls a compile or a program may make. The legacy calls exist on x86-64 only.
const long kAllowedCalls[] = {
    // Files, in the box's own folders.
    SYS_read,
    SYS_write,
    SYS_readv,
    SYS_writev,
    SYS_pread64,
    SYS_pwrite64,
    SYS_lseek,
    SYS_openat,
    SYS_close,
    SYS_newfstatat,
    SYS_fstat,
    SYS_statx,
    SYS_faccessat,
    SYS_faccessat2,
    SYS_readlinkat,
    SYS_getdents64,
    SYS_fcntl,
    SYS_ioctl,
    SYS_dup,
    SYS_dup3,
    SYS_pipe2,
    SYS_ftruncate,
    SYS_fsync,
    SYS_fdatasync,
    SYS_unlinkat,
    SYS_mkdirat,
    SYS_renameat2,
    SYS_fchmod,
    SYS_fchmodat,
    SYS_umask,
    SYS_getcwd,
    SYS_chdir,
    SYS_fchdir,
    SYS_utimensat,
    SYS_ppoll,
    SYS_pselect6,
    SYS_copy_file_range,
    SYS_sendfile,
    SYS_fadvise64,
    SYS_statfs,
    SYS_fstatfs,
    SYS_close_range,
    SYS_symlinkat,
    SYS_linkat,
#if defined(__x86_64__)
    SYS_open,
    SYS_stat,
    SYS_lstat,
    SYS_access,
    SYS_readlink,
    SYS_dup2,
    SYS_pipe,
    SYS_unlink,
    SYS_mkdir,
    SYS_rename,
    SYS_chmod,
    SYS_poll,
    SYS_select,
    SYS_arch_prctl,
    SYS_fork,
    SYS_vfork,
    SYS_getdents,
    SYS_time,
    SYS_rmdir,
    SYS_renameat,
    SYS_symlink,
    SYS_link,
#endif
    // Memory and threads.
    SYS_brk,
    SYS_mmap,
    SYS_munmap,
    SYS_mprotect,
    SYS_mremap,
    SYS_madvise,
    SYS_futex,
    SYS_set_robust_list,
    SYS_get_robust_list,
    SYS_set_tid_address,
    SYS_rseq,
    SYS_membarrier,
    SYS_sched_yield,
    SYS_sched_getaffinity,
    SYS_sched_setaffinity,
    SYS_getcpu,
    // Time.
    SYS_clock_gettime,
    SYS_clock_getres,
    SYS_clock_nanosleep,
    SYS_nanosleep,
    SYS_gettimeofday,
    SYS_times,
    SYS_getitimer,
    SYS_setitimer,
    // Signals and processes.
    SYS_rt_sigaction,
    SYS_rt_sigprocmask,
    SYS_rt_sigreturn,
    SYS_rt_sigsuspend,
    SYS_sigaltstack,
    SYS_kill,
    SYS_tgkill,
    SYS_tkill,
    SYS_clone,
    SYS_execve,
    SYS_wait4,
    SYS_waitid,
    SYS_exit,
    SYS_exit_group,
    SYS_getpid,
    SYS_getppid,
    SYS_gettid,
    SYS_getpgid,
    SYS_setpgid,
    SYS_getsid,
    SYS_setsid,
    SYS_getuid,
    SYS_geteuid,
    SYS_getgid,
    SYS_getegid,
    SYS_getgroups,
    SYS_getresuid,
    SYS_getresgid,
    SYS_prlimit64,
    SYS_getrlimit,
    SYS_setrlimit,
    SYS_getrusage,
    SYS_sysinfo,
    SYS_uname,
    SYS_getrandom,
    SYS_prctl,
    SYS_getpriority,
    // Local sockets only (the family is checked first).
    SYS_connect,
    SYS_bind,
    SYS_listen,
    SYS_accept,
    SYS_accept4,
    SYS_sendto,
    SYS_recvfrom,
    SYS_sendmsg,
    SYS_recvmsg,
    SYS_shutdown,
    SYS_getsockname,
    SYS_getpeername,
    SYS_setsockopt,
    SYS_getsockopt,
};

static_assert(std::size(kAllowedCalls) < 250, "a jump reaches at most 255 instructions ahead");

}  // namespace

std::string programSyscallFilter() {
  std::vector<sock_filter> program = nativeCallPrologue();
  // socket and socketpair: AF_UNIX only.
  // clone: never with a new namespace. The box's launcher keeps the box in one user
  // namespace, so that its mounts are the box's own: a second one, made by the program, would
  // hold capabilities there and could mount a tmpfs without noexec.
  constexpr uint32_t kNamespaceFlags = CLONE_NEWNS | CLONE_NEWCGROUP | CLONE_NEWUTS | CLONE_NEWIPC |
                                       CLONE_NEWUSER | CLONE_NEWPID | CLONE_NEWNET;
  const std::vector<sock_filter> sockets = {
      jumpIfEqual(SYS_socket, 1, 0),
      jumpIfEqual(SYS_socketpair, 0, 4),
      load(offsetof(seccomp_data, args[0])),
      jumpIfEqual(AF_UNIX, 0, 1),
      statement(BPF_RET | BPF_K, kAllow),
      statement(BPF_RET | BPF_K, refuse(EACCES)),
      jumpIfEqual(SYS_clone3, 0, 1),
      statement(BPF_RET | BPF_K, refuse(ENOSYS)),
      // fallocate answers as a file system without it: its mode that keeps the size would
      // reserve blocks past the file-size cap, and gold, the linker, then sizes its output
      // with ftruncate, which the cap bounds.
      jumpIfEqual(SYS_fallocate, 0, 1),
      statement(BPF_RET | BPF_K, refuse(EOPNOTSUPP)),
      jumpIfEqual(SYS_clone, 0, 4),
      load(offsetof(seccomp_data, args[0])),
      BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, kNamespaceFlags, 0, 1),
      statement(BPF_RET | BPF_K, refuse(EPERM)),
      statement(BPF_RET | BPF_K, kAllow),
  };
  program.insert(program.end(), sockets.begin(), sockets.end());
  // One test per allowed call, each jumping to the final allow when it matches.
  const size_t calls = std::size(kAllowedCalls);
  for (size_t i = 0; i < calls; ++i) {
    program.push_back(
        jumpIfEqual(static_cast<uint32_t>(kAllowedCalls[i]), static_cast<uint8_t>(calls - i), 0));
  }
  program.push_back(statement(BPF_RET | BPF_K, refuse(EPERM)));
  program.push_back(statement(BPF_RET | BPF_K, kAllow));
  return std::string(reinterpret_cast<const char*>(program.data()),
                     program.size() * sizeof(sock_filter));
}

#else

std::string boxSyscallFilter() { return ""; }
std::string programSyscallFilter() { return ""; }

#endif

}  // namespace quorbel
