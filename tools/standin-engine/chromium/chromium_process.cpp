#include "chromium/chromium_process.h"

#include <windows.h>

#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "chromium/linux_processes.h"
#include "base/wide_text_win.h"
#include "chromium/websocket_client.h"
#include "chromium/wine_paths.h"

namespace vesko::standin {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr char kDefaultExecutable[] = "/usr/bin/chromium";
constexpr wchar_t kPortFileName[] = L"DevToolsActivePort";
constexpr milliseconds kPollInterval{50};

// Quotes one argument so that the usual command-line splitting gives it back unchanged.
std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes double only in front of a quote.
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

std::string profileArgument(const ChromiumLaunch& launch) {
    return "--user-data-dir=" + linuxPathOf(launch.profileFolder);
}

std::wstring commandLine(const std::wstring& executable, const ChromiumLaunch& launch) {
    std::wstring line = quoted(executable);
    for (const char* fixed : {"--headless=new", "--remote-debugging-port=0"}) {
        line += L" " + toWide(fixed);
    }
    line += L" " + quoted(toWide(profileArgument(launch)));
    // Quiet, reproducible profiles: no first-run pages, no updates or sync talking to the
    // network. The sandbox needs set-up that a process started by Wine does not get.
    for (const char* fixed : {"--no-first-run", "--no-default-browser-check", "--no-sandbox",
                              "--disable-background-networking", "--disable-component-update", "--disable-sync"}) {
        line += L" " + toWide(fixed);
    }
    line += L" " + quoted(L"--lang=" + toWide(launch.language));
    if (!launch.extraArguments.empty()) line += L" " + toWide(launch.extraArguments);
    if (!launch.standInArguments.empty()) line += L" " + toWide(launch.standInArguments);
    line += L" about:blank";
    return line;
}

std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

DevToolsEndpoint waitForEndpoint(const std::filesystem::path& portFile, Clock::time_point deadline,
                                 milliseconds timeout) {
    for (;;) {
        if (const auto text = readFile(portFile)) {
            if (const auto endpoint = parseDevToolsActivePort(*text)) return *endpoint;
        }
        if (Clock::now() >= deadline) {
            throw std::runtime_error("Chromium wrote no DevToolsActivePort within " +
                                     std::to_string(timeout.count()) + " ms");
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

}  // namespace

std::optional<DevToolsEndpoint> parseDevToolsActivePort(std::string_view text) {
    const std::size_t newline = text.find('\n');
    if (newline == std::string_view::npos) return std::nullopt;
    std::string_view portText = text.substr(0, newline);
    if (!portText.empty() && portText.back() == '\r') portText.remove_suffix(1);
    std::string_view path = text.substr(newline + 1);
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.remove_suffix(1);

    DevToolsEndpoint endpoint;
    unsigned port = 0;
    const auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (error != std::errc() || end != portText.data() + portText.size() || port == 0 || port > 65535) {
        return std::nullopt;
    }
    if (path.empty() || path.front() != '/' || path.find_first_of(" \t\n\r") != std::string_view::npos) {
        return std::nullopt;
    }
    endpoint.port = static_cast<std::uint16_t>(port);
    endpoint.path = std::string(path);
    return endpoint;
}

std::string chromiumExecutable() {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableW(L"VESKO_STANDIN_CHROMIUM", buffer, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2) return kDefaultExecutable;
    return toUtf8(std::wstring_view(buffer, length));
}

ChromiumProcess::ChromiumProcess(const ChromiumLaunch& launch) {
    const std::string executable = chromiumExecutable();
    const std::wstring dosExecutable = dosPathOf(executable);
    const DWORD attributes = GetFileAttributesW(dosExecutable.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw std::runtime_error("Chromium executable not found: " + executable +
                                 " (VESKO_STANDIN_CHROMIUM names another)");
    }

    std::filesystem::create_directories(launch.profileFolder);
    // A browser still running on this folder was left by a process that ended without
    // closing it (Wine cannot tie it to our life); the folder is ours again, and Chromium
    // would refuse to share it.
    endLinuxProcessesWithArgument(profileArgument(launch), milliseconds{5000});
    // A file left by an earlier run names a port nobody listens on any more.
    const auto portFile = launch.profileFolder / kPortFileName;
    std::error_code removeError;
    std::filesystem::remove(portFile, removeError);
    if (removeError) throw std::runtime_error("cannot remove the old DevToolsActivePort: " + removeError.message());

    std::wstring line = commandLine(dosExecutable, launch);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &started)) {
        throw std::runtime_error("cannot start Chromium " + executable + " (error " +
                                 std::to_string(GetLastError()) + ")");
    }
    // Under Wine these handles do not follow the Linux process; its end is watched
    // through the protocol and /proc instead.
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);

    try {
        const auto deadline = Clock::now() + launch.startTimeout;
        const DevToolsEndpoint endpoint = waitForEndpoint(portFile, deadline, launch.startTimeout);
        port_ = endpoint.port;
        path_ = endpoint.path;
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        devTools_ = std::make_unique<DevToolsConnection>(port_, endpoint.path, std::max(left, milliseconds{1000}));
    } catch (...) {
        // A browser that started but cannot be reached would otherwise run on unseen,
        // holding its profile; its profile argument names it among the system's processes.
        endLinuxProcessesWithArgument(profileArgument(launch), milliseconds{5000});
        throw;
    }
}

ChromiumProcess::~ChromiumProcess() {
    try {
        close();
    } catch (const std::exception&) {
        // Nothing more can be done from here: Wine gives no way to end a Linux process.
    }
}

std::vector<long> ChromiumProcess::processIds() {
    std::vector<long> ids;
    try {
        const auto info = devTools_->call("SystemInfo.getProcessInfo");
        for (const auto& process : info.value("processInfo", nlohmann::json::array())) {
            if (process.contains("id") && process["id"].is_number_integer()) ids.push_back(process["id"].get<long>());
        }
    } catch (const DevToolsError&) {
        // An older browser without the command: the port alone has to do.
    }
    return ids;
}

long ChromiumProcess::browserProcessId() {
    try {
        const auto info = devTools_->call("SystemInfo.getProcessInfo");
        for (const auto& process : info.value("processInfo", nlohmann::json::array())) {
            if (process.value("type", std::string()) == "browser") return process.value("id", 0L);
        }
    } catch (const std::exception&) {
        // An older browser without the command, or one already gone.
    }
    return 0;
}

bool ChromiumProcess::running() const { return devTools_ && loopbackPortAccepts(port_); }

void ChromiumProcess::close(milliseconds timeout) {
    if (!devTools_) return;
    const auto deadline = Clock::now() + timeout;
    // The port closes before the browser has finished writing its profile; only the end
    // of every process it started means the folder may be touched again.
    const std::vector<long> ids = processIds();
    try {
        devTools_->call("Browser.close", nlohmann::json::object(), {}, timeout);
    } catch (const WebSocketClosed&) {
        // The browser may drop the connection before its answer gets out.
    }
    devTools_.reset();
    while (loopbackPortAccepts(port_)) {
        if (Clock::now() >= deadline) {
            throw std::runtime_error("Chromium still listens on port " + std::to_string(port_) + " after Browser.close");
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    for (const long id : ids) {
        while (linuxProcessRunning(id)) {
            if (Clock::now() >= deadline) {
                throw std::runtime_error("Chromium process " + std::to_string(id) + " still runs after Browser.close");
            }
            std::this_thread::sleep_for(kPollInterval);
        }
    }
}

}  // namespace vesko::standin
