#pragma once
// A listening socket on a free port of 127.0.0.1, for tests that play a server.
#include <winsock2.h>

#include <cstdint>

namespace vesko {

// Listens with a backlog of one; the chosen port goes to `port`.
inline SOCKET listenOnFreeLoopbackPort(std::uint16_t& port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 1);
    int size = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    return listener;
}

}  // namespace vesko
