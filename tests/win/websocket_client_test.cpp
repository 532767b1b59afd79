// The WebSocket client against a scripted loopback server: the upgrade and its checks,
// pings answered while waiting, timeouts and both ways of closing.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "chromium/websocket_client.h"
#include "chromium/websocket_frame.h"
#include "chromium/websocket_handshake.h"
#include "loopback_listener_win.h"

namespace vesko::standin {
namespace {

using namespace std::chrono_literals;

// Accepts one connection on a free loopback port and plays `script` on it.
class ScriptedServer {
public:
    explicit ScriptedServer(std::function<void(SOCKET)> script) {
        listener_ = listenOnFreeLoopbackPort(port_);
        // Bounded waits, so that a client fault fails the test instead of hanging it.
        thread_ = std::thread([this, script = std::move(script)] {
            fd_set pending;
            FD_ZERO(&pending);
            FD_SET(listener_, &pending);
            timeval wait{5, 0};
            if (select(0, &pending, nullptr, nullptr, &wait) != 1) return;
            const SOCKET connection = accept(listener_, nullptr, nullptr);
            if (connection == INVALID_SOCKET) return;
            const DWORD receiveTimeoutMs = 3000;
            setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&receiveTimeoutMs),
                       sizeof receiveTimeoutMs);
            script(connection);
            closesocket(connection);
        });
    }
    ~ScriptedServer() {
        finish();
        closesocket(listener_);
        WSACleanup();
    }
    void finish() {
        if (thread_.joinable()) thread_.join();
    }
    std::uint16_t port() const { return port_; }

private:
    SOCKET listener_ = INVALID_SOCKET;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

std::string readExactly(SOCKET s, std::size_t count) {
    std::string bytes;
    while (bytes.size() < count) {
        char chunk[4096];
        const int got = recv(s, chunk, static_cast<int>(std::min<std::size_t>(sizeof chunk, count - bytes.size())), 0);
        if (got <= 0) break;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    return bytes;
}

std::string readRequest(SOCKET s) {
    std::string request;
    while (request.find("\r\n\r\n") == std::string::npos) {
        const std::string byte = readExactly(s, 1);
        if (byte.empty()) break;
        request += byte;
    }
    return request;
}

std::string keyOf(const std::string& request) {
    const std::string name = "Sec-WebSocket-Key: ";
    const std::size_t at = request.find(name);
    if (at == std::string::npos) return {};
    return request.substr(at + name.size(), request.find("\r\n", at) - at - name.size());
}

void sendAll(SOCKET s, const std::string& bytes) { send(s, bytes.data(), static_cast<int>(bytes.size()), 0); }

std::string acceptingAnswer(const std::string& request) {
    return "HTTP/1.1 101 Switching Protocols\r\nupgrade: WebSocket\r\nConnection: Upgrade\r\n"
           "sec-websocket-accept: " + webSocketAccept(keyOf(request)) + "\r\n\r\n";
}

std::string serverFrame(WsOpcode opcode, const std::string& payload) {
    return std::string(1, static_cast<char>(0x80 | static_cast<int>(opcode))) +
           std::string(1, static_cast<char>(payload.size())) + payload;
}

struct ClientFrame {
    int opcode = -1;
    bool masked = false;
    std::string payload;
};

// Reads one short client frame and unmasks it.
ClientFrame readClientFrame(SOCKET s) {
    const std::string header = readExactly(s, 2);
    if (header.size() < 2) return {};
    ClientFrame frame;
    frame.opcode = header[0] & 0x0F;
    frame.masked = (header[1] & 0x80) != 0;
    const std::size_t length = header[1] & 0x7F;
    const std::string key = frame.masked ? readExactly(s, 4) : std::string(4, '\0');
    frame.payload = readExactly(s, length);
    for (std::size_t i = 0; i < frame.payload.size(); ++i) frame.payload[i] ^= key[i % 4];
    return frame;
}

TEST(WebSocketHandshake, AcceptAndBase64MatchKnownValues) {
    EXPECT_EQ(webSocketAccept("dGhlIHNhbXBsZSBub25jZQ=="), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
    const std::pair<const char*, const char*> encodings[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"\xff\xfe\xfd", "//79"},
    };
    for (const auto& [plain, encoded] : encodings) EXPECT_EQ(base64Encode(plain), encoded) << plain;
}

TEST(WebSocketHandshake, AnswersThatDoNotUpgradeAreRefused) {
    const std::string key = "dGhlIHNhbXBsZSBub25jZQ==";
    const std::string good = "Upgrade: websocket\r\nSec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n";
    EXPECT_NO_THROW(checkUpgradeResponse("HTTP/1.1 101 Switching Protocols\r\n" + good, key));
    const std::pair<std::string, const char*> refused[] = {
        {"HTTP/1.1 404 Not Found\r\n" + good, "404 Not Found"},
        {"HTTP/1.1 200 OK\r\n" + good, "200"},
        {"HTTP/1.1 101 Switching Protocols\r\nSec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n", "websocket"},
        {"HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n", "Accept"},
        {"HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nSec-WebSocket-Accept: AAAA\r\n", "Accept"},
    };
    for (const auto& [answer, reason] : refused) {
        try {
            checkUpgradeResponse(answer, key);
            ADD_FAILURE() << "accepted: " << answer;
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(reason), std::string::npos) << error.what();
        }
    }
}

TEST(WebSocketClient, RefusedHandshakeThrows) {
    ScriptedServer server([](SOCKET s) {
        readRequest(s);
        sendAll(s, "HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n");
    });
    try {
        WebSocketClient client(server.port(), "/devtools/browser/x", 2s);
        ADD_FAILURE() << "connected";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("403"), std::string::npos) << error.what();
    }
}

TEST(WebSocketClient, NoListenerMeansNoConnection) {
    std::uint16_t port = 0;
    {
        ScriptedServer server([](SOCKET) {});
        port = server.port();
        EXPECT_TRUE(loopbackPortAccepts(port));
    }
    EXPECT_FALSE(loopbackPortAccepts(port));
    EXPECT_THROW(WebSocketClient(port, "/", 1s), std::runtime_error);
}

TEST(WebSocketClient, ConversationWithPingAndPeerClose) {
    std::string request;
    ClientFrame hello, pong, closeReply;
    ScriptedServer server([&](SOCKET s) {
        request = readRequest(s);
        // The first frame travels in the same packet as the answer.
        sendAll(s, acceptingAnswer(request) + serverFrame(WsOpcode::Text, "early"));
        hello = readClientFrame(s);
        sendAll(s, serverFrame(WsOpcode::Ping, "p1") + serverFrame(WsOpcode::Text, "reply"));
        pong = readClientFrame(s);
        sendAll(s, serverFrame(WsOpcode::Close, closePayload(1001)));
        closeReply = readClientFrame(s);
    });

    WebSocketClient client(server.port(), "/devtools/browser/abc", 2s);
    EXPECT_EQ(client.receive(2s), "early");
    client.sendText("hello");
    EXPECT_EQ(client.receive(2s), "reply");
    EXPECT_THROW(client.receive(2s), WebSocketClosed);
    EXPECT_FALSE(client.isOpen());
    EXPECT_THROW(client.sendText("late"), WebSocketClosed);
    server.finish();

    EXPECT_EQ(request.rfind("GET /devtools/browser/abc HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("Sec-WebSocket-Version: 13\r\n"), std::string::npos);
    EXPECT_EQ(keyOf(request).size(), 24u);  // 16 random bytes in base64
    EXPECT_EQ(hello.opcode, 0x1);
    EXPECT_TRUE(hello.masked);
    EXPECT_EQ(hello.payload, "hello");
    EXPECT_EQ(pong.opcode, 0xA);
    EXPECT_EQ(pong.payload, "p1");
    EXPECT_EQ(closeReply.opcode, 0x8);
    EXPECT_EQ(closeReply.payload, closePayload(1001));
}

TEST(WebSocketClient, ReceiveTimesOutThenClosesCleanly) {
    ClientFrame closeFrame;
    ScriptedServer server([&](SOCKET s) {
        sendAll(s, acceptingAnswer(readRequest(s)));
        closeFrame = readClientFrame(s);
        sendAll(s, serverFrame(WsOpcode::Close, closeFrame.payload));
    });
    WebSocketClient client(server.port(), "/", 2s);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.receive(300ms).has_value());
    EXPECT_GE(std::chrono::steady_clock::now() - start, 250ms);
    client.close();
    EXPECT_FALSE(client.isOpen());
    server.finish();
    EXPECT_EQ(closeFrame.opcode, 0x8);
    EXPECT_EQ(closeFrame.payload, closePayload(1000));
}

}  // namespace
}  // namespace vesko::standin
