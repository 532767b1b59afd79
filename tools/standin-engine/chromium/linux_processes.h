#pragma once
// Whether a Linux process is still running, seen from inside Wine through /proc. Wine
// hands back no usable handle for a Linux program it starts, so this is how we learn that
// Chromium has really gone, not only stopped listening.

namespace vesko::standin {

// False once the process has ended (also while it waits, a zombie, to be reaped), and
// always where no /proc can be seen.
bool linuxProcessRunning(long pid);

}  // namespace vesko::standin
