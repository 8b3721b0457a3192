// The box's first program where the box sets its own writable folders' limits. bwrap 0.8
// cannot make a tmpfs noexec or cap its files (nr_inodes), so bwrap starts this launcher
// instead of the stage's program, keeping CAP_SYS_ADMIN and CAP_SETPCAP for it alone (inside
// the box's user namespace, which owns the box's mounts). The launcher remounts each tmpfs
// bwrap made with MS_NOEXEC | MS_NOSUID | MS_NODEV and "size=...,nr_inodes=...", drops every
// capability (the bounding and ambient sets too), installs the program's system call filter,
// which refuses mount from then on, and starts the program as its child (which inherits the
// box's process cap and filter). bwrap starts it as the box's init (--as-pid-1), so the program's
// signals cannot end it; it reaps what the program leaves, reports the program's peak resident
// memory once the program ends, and exits with its status (128 + the signal that ended it), its
// end taking everything left in the box along. Its executable holds only a main that calls
// runBoxLauncher.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorbel {

// The launcher's file name, next to the server's executable.
inline constexpr const char* kBoxLauncherName = "quorbel-box";

// The descriptors the launcher finds open: the program's filter (raw classic-BPF instructions,
// read to its end; empty: none) and the write end of its report, which it marks close-on-exec:
// the runner finds in it why the launch failed, or kPeakMemoryWord and the program's peak
// resident memory in KiB once the program ended ("peak-kb 1234\n").
inline constexpr int kBoxLaunchFilterFd = 6;
inline constexpr int kBoxLaunchReportFd = 7;
inline constexpr const char* kPeakMemoryWord = "peak-kb ";

struct BoxMount {
  std::string path;
  int64_t bytes = 0;
  int64_t files = 0;
};

struct BoxLaunch {
  std::vector<BoxMount> mounts;
  std::vector<std::string> program;  // program[0] is an absolute path inside the box
};

// The launcher's arguments: "--remount PATH BYTES FILES" for each mount, "--", the program and
// its arguments.
std::vector<std::string> boxLaunchArguments(const BoxLaunch& launch);

// Reads them back. nullopt unless every mount has an absolute path and positive counts, "--"
// follows them and a program with an absolute path follows it.
std::optional<BoxLaunch> parseBoxLaunchArguments(const std::vector<std::string>& args);

// The mount's tmpfs options: "size=BYTES,nr_inodes=FILES".
std::string tmpfsOptions(const BoxMount& mount);

// The launcher's main. Returns the program's exit status, or on failure 127 after writing the
// failed step and its error ("remount /tmp: Operation not permitted") to kBoxLaunchReportFd and
// standard error.
int runBoxLauncher(int argc, char** argv);

}  // namespace quorbel
