#pragma once
// What the process holds as Windows sees it, counted by walking it: Wine answers 0 for the
// private bytes of GetProcessMemoryInfo, and its working set also takes in what Wine's own
// Unix side keeps, which no Windows program sees or frees.

#include <cstdint>

namespace vesko::standin {

// The bytes the process's heaps have handed out and not had back.
std::int64_t heapBytesInUse();
// The committed private memory of the address space (heaps, stacks, VirtualAlloc): the
// private bytes Windows would report.
std::int64_t committedPrivateBytes();
// The process's heaps, and its threads.
std::int64_t heapCount();
std::int64_t threadCount();

}  // namespace vesko::standin
