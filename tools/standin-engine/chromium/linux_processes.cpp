#include "chromium/linux_processes.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "chromium/wine_paths.h"

namespace vesko::standin {

bool linuxProcessRunning(long pid) {
    std::ifstream stat(std::filesystem::path(dosPathOf("/proc/" + std::to_string(pid) + "/stat")));
    std::string line;
    if (!stat || !std::getline(stat, line)) return false;
    // "pid (command) state ...": the command may hold spaces and parentheses, the state
    // follows the last ')'.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size()) return false;
    const char state = line[close + 2];
    return state != 'Z' && state != 'X';
}

std::vector<long> linuxProcessesWithArgument(std::string_view argument) {
    std::vector<long> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dosPathOf("/proc"), error)) {
        const std::wstring name = entry.path().filename().wstring();
        if (name.empty() || !std::all_of(name.begin(), name.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
            continue;
        }
        std::ifstream file(entry.path() / L"cmdline", std::ios::binary);
        const std::string line((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        // The arguments are NUL-terminated, one after the other.
        for (std::size_t start = 0; start < line.size();) {
            const std::size_t end = std::min(line.find('\0', start), line.size());
            if (std::string_view(line).substr(start, end - start) == argument) {
                const long pid = std::stol(name);
                if (linuxProcessRunning(pid)) found.push_back(pid);
                break;
            }
            start = end + 1;
        }
    }
    return found;
}

bool endLinuxProcesses(const std::vector<long>& ids, std::chrono::milliseconds timeout) {
    if (ids.empty()) return true;
    std::wstring line = L"\"" + dosPathOf("/bin/kill") + L"\" -KILL";
    for (const long id : ids) line += L" " + std::to_wstring(id);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                       &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (std::none_of(ids.begin(), ids.end(), linuxProcessRunning)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds{50});
    }
}

bool endLinuxProcessesWithArgument(std::string_view argument, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const std::vector<long> found = linuxProcessesWithArgument(argument);
        if (found.empty()) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        endLinuxProcesses(found, left);
    }
}

}  // namespace vesko::standin
