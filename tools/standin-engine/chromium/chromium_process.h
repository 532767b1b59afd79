#pragma once
// A headless Chromium started from this (Wine) process for one profile folder, with the
// DevTools connection to its browser endpoint. Chromium is a Linux program here: it gets
// Linux paths, and since Wine does not report its exit, it is ended through the protocol.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chromium/devtools_connection.h"

namespace vesko::standin {

struct ChromiumLaunch {
    std::filesystem::path profileFolder;  // created when missing
    std::string language = "en-US";
    std::string extraArguments;  // appended to the command line exactly as given
    std::chrono::milliseconds startTimeout{20000};
    std::string standInArguments;  // the stand-in's own, after the host's
};

struct DevToolsEndpoint {
    std::uint16_t port = 0;
    std::string path;  // the browser's WebSocket path
};

// The endpoint a DevToolsActivePort file names (port on line 1, path on line 2); nothing
// while the file is still incomplete or malformed.
std::optional<DevToolsEndpoint> parseDevToolsActivePort(std::string_view text);

// The Linux path of the Chromium executable: VESKO_STANDIN_CHROMIUM, else /usr/bin/chromium.
std::string chromiumExecutable();

class ChromiumProcess {
public:
    // Starts Chromium and connects to it; throws std::runtime_error saying what failed.
    explicit ChromiumProcess(const ChromiumLaunch& launch);
    // Closes the browser when close() was not called.
    ~ChromiumProcess();
    ChromiumProcess(const ChromiumProcess&) = delete;
    ChromiumProcess& operator=(const ChromiumProcess&) = delete;

    DevToolsConnection& devTools() { return *devTools_; }
    std::uint16_t port() const { return port_; }
    // The browser's own WebSocket path on that port.
    const std::string& browserPath() const { return path_; }

    // The browser process's own Linux id as it reports it; 0 when it does not say.
    long browserProcessId();
    // Whether the browser still takes DevTools connections (false once it was killed).
    bool running() const;

    // Sends Browser.close and waits until the DevTools port refuses connections and the
    // browser's processes have ended; throws when that takes longer than timeout.
    void close(std::chrono::milliseconds timeout = std::chrono::milliseconds{10000});

private:
    // The Linux ids of the browser's processes, as it reports them.
    std::vector<long> processIds();

    std::uint16_t port_ = 0;
    std::string path_;
    std::unique_ptr<DevToolsConnection> devTools_;
};

}  // namespace vesko::standin
