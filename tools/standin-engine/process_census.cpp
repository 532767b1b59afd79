// The process walked: the heaps' blocks in use, the committed private pages, the heaps and
// the threads.
#include "process_census.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <vector>

namespace vesko::standin {

namespace {

std::vector<HANDLE> processHeaps() {
    std::vector<HANDLE> heaps(64);
    DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    if (count > heaps.size()) {
        heaps.resize(count);
        count = GetProcessHeaps(count, heaps.data());
    }
    heaps.resize(std::min<std::size_t>(count, heaps.size()));
    return heaps;
}

}  // namespace

std::int64_t heapCount() {
    return static_cast<std::int64_t>(processHeaps().size());
}

std::int64_t threadCount() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    std::int64_t threads = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++threads;
    }
    CloseHandle(snapshot);
    return threads;
}

std::int64_t heapBytesInUse() {
    const auto heaps = processHeaps();
    std::int64_t bytes = 0;
    for (std::size_t i = 0; i < heaps.size(); ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) bytes += entry.cbData;
        }
        HeapUnlock(heaps[i]);
    }
    return bytes;
}

std::int64_t committedPrivateBytes() {
    std::int64_t bytes = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (auto* address = static_cast<const char*>(nullptr);
         VirtualQuery(address, &region, sizeof(region)) == sizeof(region);
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) bytes += static_cast<std::int64_t>(region.RegionSize);
        if (region.RegionSize == 0) break;
    }
    return bytes;
}

}  // namespace vesko::standin
