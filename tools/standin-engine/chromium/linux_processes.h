#pragma once
// Whether a Linux process is still running, seen from inside Wine through /proc. Wine
// hands back no usable handle for a Linux program it starts, so this is how we learn that
// Chromium has really gone, not only stopped listening.

#include <chrono>
#include <string_view>
#include <vector>

namespace vesko::standin {

// False once the process has ended (also while it waits, a zombie, to be reaped), and
// always where no /proc can be seen.
bool linuxProcessRunning(long pid);

// The running processes one of whose command-line arguments is exactly `argument`.
std::vector<long> linuxProcessesWithArgument(std::string_view argument);

// Ends the processes with SIGKILL (through the system's own kill program, which Wine runs
// as the Linux program it is) and waits up to timeout for them to be gone. True when
// none is left.
bool endLinuxProcesses(const std::vector<long>& ids, std::chrono::milliseconds timeout);

// Ends every process with the argument, again and again until none is found: a process
// caught while starting may still start children, and those carry the argument too.
// True when none is left within timeout.
bool endLinuxProcessesWithArgument(std::string_view argument, std::chrono::milliseconds timeout);

}  // namespace vesko::standin
