#pragma once
// The loopback listener the probe page's WebSocket tries to reach by a name the engine's
// resolver rules must refuse. It never answers: all that counts is whether a connection
// arrived, and one arrives only when the name resolved.

#include <cstdint>
#include <vector>

namespace vesko {

class ProbeSocket {
public:
    ProbeSocket() = default;
    ~ProbeSocket();
    ProbeSocket(const ProbeSocket&) = delete;
    ProbeSocket& operator=(const ProbeSocket&) = delete;

    // Listens on 127.0.0.1 at a port the system picks; false when Winsock refuses, and
    // then the probe cannot prove the rules.
    bool open();
    bool isOpen() const { return port_ != 0; }
    std::uint16_t port() const { return port_; }
    // Whether a connection has arrived by now. Takes what waits and never blocks.
    bool reached();

private:
    void close();

    std::uintptr_t listener_ = ~std::uintptr_t{0};
    std::vector<std::uintptr_t> accepted_;
    std::uint16_t port_ = 0;
    bool started_ = false;
    bool reached_ = false;
};

}  // namespace vesko
