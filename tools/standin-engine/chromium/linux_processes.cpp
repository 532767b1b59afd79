#include "chromium/linux_processes.h"

#include <filesystem>
#include <fstream>
#include <string>

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

}  // namespace vesko::standin
