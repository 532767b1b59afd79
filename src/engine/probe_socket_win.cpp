#include "engine/probe_socket_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace vesko {

ProbeSocket::~ProbeSocket() { close(); }

bool ProbeSocket::open() {
    close();
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
    started_ = true;
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) return false;
    listener_ = listener;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof(address);
    // Loopback only: nothing outside this machine can reach it, and a listener bound
    // to loopback asks the firewall nothing.
    if (bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener, SOMAXCONN) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close();
        return false;
    }
    port_ = ntohs(address.sin_port);
    return true;
}

bool ProbeSocket::reached() {
    if (!isOpen()) return reached_;
    for (;;) {
        fd_set waiting;
        FD_ZERO(&waiting);
        FD_SET(static_cast<SOCKET>(listener_), &waiting);
        timeval now{0, 0};
        if (select(0, &waiting, nullptr, nullptr, &now) <= 0) break;
        const SOCKET connection = accept(static_cast<SOCKET>(listener_), nullptr, nullptr);
        if (connection == INVALID_SOCKET) break;
        // Kept open until the probe ends: closing it would tell the page something.
        accepted_.push_back(connection);
        reached_ = true;
    }
    return reached_;
}

void ProbeSocket::close() {
    for (const auto connection : accepted_) closesocket(static_cast<SOCKET>(connection));
    accepted_.clear();
    if (listener_ != static_cast<std::uintptr_t>(INVALID_SOCKET)) closesocket(static_cast<SOCKET>(listener_));
    listener_ = static_cast<std::uintptr_t>(INVALID_SOCKET);
    port_ = 0;
    if (started_) WSACleanup();
    started_ = false;
}

}  // namespace vesko
