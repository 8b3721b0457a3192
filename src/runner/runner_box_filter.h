// The system call filter of the box. The box's network namespace still has a loopback of its
// own, where a program could bind and connect to itself; and some families (vsock, netlink to
// the kernel) reach past a network namespace. So every socket but a local (AF_UNIX) one is
// refused outright: connect, bind and name lookups all fail at their first step.
#pragma once

#include <string>

namespace quorbel {

// The filter as the raw classic-BPF instructions bwrap's --seccomp reads from a descriptor:
// refuses socket and socketpair for every family but AF_UNIX (EACCES), io_uring_setup (ENOSYS:
// its requests can open sockets without the socket call) and every call made through another
// ABI than the native one (EPERM); allows the rest. Empty on an architecture it does not know.
std::string boxSyscallFilter();

}  // namespace quorbel
