// The system call filter of the box. The box's network namespace still has a loopback of its
// own, where a program could bind and connect to itself; and some families (vsock, to a
// virtual machine's host) reach past a network namespace. So every socket but a local one is
// refused outright: connect, bind and name lookups all fail at their first step. The runner
// installs it before it starts bwrap, so that bwrap's own processes inside the box, which a
// program there could take over, are bound by it too.
#pragma once

#include <string>

namespace quorbel {

// The program's own filter, which bwrap installs last, just before it starts the program
// (--add-seccomp-fd), so that it binds the program and all it starts but not bwrap's setup: an
// allow-list of what g++, cc1plus, as, ld and typical programs call (files in the box, memory,
// threads, time, signals, processes). socket and socketpair only for AF_UNIX (EACCES otherwise);
// clone3, whose flags a filter cannot read, ENOSYS so that the C library falls back to clone;
// clone with a namespace flag EPERM; fallocate EOPNOTSUPP (its keep-size mode passes the
// file-size cap; callers fall back to ftruncate);
// everything else, ptrace, mount, unshare, setns, bpf, keyctl, personality, userfaultfd,
// perf_event_open and SysV shared memory, queues and semaphores among it, EPERM. SysV memory is
// refused because nothing caps it: it is held outside any address space. Empty on an
// architecture it does not know.
std::string programSyscallFilter();

// The filter as raw classic-BPF instructions (runProcess installs them): refuses socket and
// socketpair for every family but AF_UNIX and route netlink, which bwrap needs to bring up the
// box's loopback (EACCES); io_uring_setup (ENOSYS: its requests can open sockets without the
// socket call); and every call made through another ABI than the native one (EPERM). Allows
// the rest. Empty on an architecture it does not know.
std::string boxSyscallFilter();

}  // namespace quorbel
