#pragma once
// The runtime probe's state: whether one runs, its nonce, and whether the engine's
// switches were proven in force. The host owns it; the tab's handlers read it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "assets/runtime_probe.h"
#include "engine/probe_socket_win.h"

namespace vesko {

class BrowserAppTestAccess;

// Lower-case hexadecimal of `count` bytes from the system's random generator. Throws
// RANDOM_FAILED.
std::string randomHex(std::size_t count);

class RuntimeProbe {
public:
    bool running() const { return running_; }
    bool passed() const { return passed_; }
    const std::string& nonce() const { return nonce_; }

    // The port of the listener the page's WebSocket tries; 0 when none could be opened.
    std::uint16_t socketPort() const { return socket_ ? socket_->port() : 0; }

    // A new probe with a fresh nonce and a new listener; the address of its page. Throws
    // RANDOM_FAILED before anything changes.
    std::wstring start();
    // The verdict on the page's findings and on whether its WebSocket reached the
    // listener, or none when no probe runs: only the first verdict of a probe counts, a
    // late message or a late time-out finds it over.
    std::optional<ProbeVerdictStatus> finish(ProbeFindings findings);

    // A new engine has to prove its switches again.
    void forget() { *this = RuntimeProbe{}; }

private:
    friend class BrowserAppTestAccess;
    bool running_ = false;
    bool passed_ = false;
    std::string nonce_;
    std::unique_ptr<ProbeSocket> socket_;
};

}  // namespace vesko
