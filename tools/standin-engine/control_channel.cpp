#include "control_channel.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "com_support.h"
#include "control_channel_commands.h"

namespace vesko::standin {
namespace {

constexpr wchar_t kWindowClass[] = L"VeskoStandInControlChannel";
constexpr UINT kListenerMessage = WM_APP + 20;
constexpr UINT kConnectionMessage = WM_APP + 21;
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMilliseconds = 10;
// A request line longer than this cannot be a sensible command; the connection goes.
constexpr std::size_t kLongestLine = 1 << 20;
// A client that stops reading is cut off rather than kept in memory.
constexpr std::size_t kLongestBacklog = std::size_t{256} << 20;

class Connection final : public ChannelClient {
public:
    explicit Connection(SOCKET socket) : socket_(socket) {}
    ~Connection() override { close(); }

    void sendLine(const std::string& line) override {
        if (socket_ == INVALID_SOCKET) return;
        output_ += line;
        output_ += '\n';
        flush();
    }
    // Sends what the socket takes now; the rest waits for FD_WRITE.
    void flush() {
        while (socket_ != INVALID_SOCKET && !output_.empty()) {
            const int chunk = static_cast<int>(std::min<std::size_t>(output_.size(), INT_MAX / 2));
            const int sent = send(socket_, output_.data(), chunk, 0);
            if (sent == SOCKET_ERROR) {
                if (WSAGetLastError() != WSAEWOULDBLOCK) broken_ = true;
                break;
            }
            output_.erase(0, static_cast<std::size_t>(sent));
        }
        if (output_.size() > kLongestBacklog) broken_ = true;
    }
    // Reads what has arrived; false when the peer closed or the socket failed.
    bool receive() {
        char buffer[16384];
        while (socket_ != INVALID_SOCKET) {
            const int got = recv(socket_, buffer, sizeof(buffer), 0);
            if (got > 0) {
                input_.append(buffer, static_cast<std::size_t>(got));
                continue;
            }
            if (got == 0) return false;
            return WSAGetLastError() == WSAEWOULDBLOCK;
        }
        return false;
    }
    // The next complete line without its line feed (and a carriage return before it).
    std::optional<std::string> nextLine() {
        const std::size_t end = input_.find('\n');
        if (end == std::string::npos) return std::nullopt;
        std::string line = input_.substr(0, end);
        input_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
    bool overlong() const { return input_.size() > kLongestLine; }
    bool broken() const { return broken_; }
    void close() {
        if (socket_ == INVALID_SOCKET) return;
        flush();
        shutdown(socket_, SD_BOTH);
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }
    SOCKET socket() const { return socket_; }

private:
    SOCKET socket_;
    std::string input_;
    std::string output_;
    bool broken_ = false;
};

class Channel {
public:
    ~Channel() { stop(); }

    HRESULT start(std::uint16_t port) {
        WSADATA data{};
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return HRESULT_FROM_WIN32(WSASYSNOTREADY);
        started_ = true;
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &Channel::windowProc;
        windowClass.hInstance = ownModule();
        windowClass.lpszClassName = kWindowClass;
        RegisterClassExW(&windowClass);  // fails harmlessly when already registered
        window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ownModule(), nullptr);
        if (window_ == nullptr) return fail(HRESULT_FROM_WIN32(GetLastError()));
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (listener_ == INVALID_SOCKET) return fail(HRESULT_FROM_WIN32(WSAGetLastError()));
        BOOL exclusive = TRUE;
        setsockopt(listener_, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                   sizeof(exclusive));
        // Loopback only: the channel drives the engine and must never face a network.
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        if (bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == SOCKET_ERROR ||
            listen(listener_, SOMAXCONN) == SOCKET_ERROR ||
            WSAAsyncSelect(listener_, window_, kListenerMessage, FD_ACCEPT) == SOCKET_ERROR) {
            return fail(HRESULT_FROM_WIN32(WSAGetLastError()));
        }
        port_ = port;
        setRecordListener([this](const RecordedCall& call) {
            commands_.onRecord(call);
            dropBroken();
        });
        return S_OK;
    }

    void stop() {
        setRecordListener(nullptr);
        for (const auto& connection : connections_) {
            commands_.forget(connection.get());
            connection->close();
        }
        connections_.clear();
        if (listener_ != INVALID_SOCKET) closesocket(listener_);
        listener_ = INVALID_SOCKET;
        if (window_ != nullptr) {
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            DestroyWindow(window_);
        }
        window_ = nullptr;
        if (started_) WSACleanup();
        started_ = false;
        port_ = 0;
    }

    std::uint16_t port() const { return port_; }

private:
    HRESULT fail(HRESULT result) {
        stop();
        return result;
    }

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* channel = reinterpret_cast<Channel*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (channel != nullptr) {
            if (message == kListenerMessage) {
                channel->onAccept();
                return 0;
            }
            if (message == kConnectionMessage) {
                channel->onConnection(static_cast<SOCKET>(wParam), WSAGETSELECTEVENT(lParam));
                return 0;
            }
            if (message == WM_TIMER && wParam == kPollTimer) {
                channel->poll();
                return 0;
            }
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    void onAccept() {
        sockaddr_in peer{};
        int length = sizeof(peer);
        const SOCKET accepted = accept(listener_, reinterpret_cast<sockaddr*>(&peer), &length);
        if (accepted == INVALID_SOCKET) return;
        // Bound to loopback, only this machine can connect; anything else is refused anyway.
        if (peer.sin_family != AF_INET || (ntohl(peer.sin_addr.s_addr) >> 24) != 127) {
            closesocket(accepted);
            return;
        }
        if (WSAAsyncSelect(accepted, window_, kConnectionMessage, FD_READ | FD_WRITE | FD_CLOSE) == SOCKET_ERROR) {
            closesocket(accepted);
            return;
        }
        connections_.push_back(std::make_shared<Connection>(accepted));
    }

    void onConnection(SOCKET socket, WORD event) {
        const auto found = std::find_if(connections_.begin(), connections_.end(),
                                        [&](const auto& c) { return c->socket() == socket; });
        if (found == connections_.end()) return;
        const std::shared_ptr<Connection> connection = *found;
        if (event == FD_WRITE) connection->flush();
        if (event == FD_READ || event == FD_CLOSE) {
            const bool open = connection->receive();
            while (const auto line = connection->nextLine()) {
                if (!line->empty()) commands_.handleLine(connection, *line);
            }
            if (connection->overlong()) {
                connection->sendLine(ControlCommands::errorLine(nullptr, "LINE_TOO_LONG",
                                                                "a request line is at most 1 MiB"));
                drop(connection);
                return;
            }
            if (!open || event == FD_CLOSE) {
                drop(connection);
                return;
            }
        }
        dropBroken();
        schedulePoll();
    }

    void poll() {
        commands_.poll();
        dropBroken();
        schedulePoll();
    }

    // Waiting commands are looked at every few milliseconds until they are answered.
    void schedulePoll() {
        if (window_ == nullptr) return;
        if (commands_.waiting()) {
            SetTimer(window_, kPollTimer, kPollMilliseconds, nullptr);
        } else {
            KillTimer(window_, kPollTimer);
        }
    }

    void drop(const std::shared_ptr<Connection>& connection) {
        commands_.forget(connection.get());
        connection->close();
        std::erase(connections_, connection);
    }

    void dropBroken() {
        const auto copy = connections_;
        for (const auto& connection : copy) {
            if (connection->broken()) drop(connection);
        }
    }

    bool started_ = false;
    HWND window_ = nullptr;
    SOCKET listener_ = INVALID_SOCKET;
    std::uint16_t port_ = 0;
    std::vector<std::shared_ptr<Connection>> connections_;
    ControlCommands commands_;
};

std::unique_ptr<Channel>& channelStore() {
    static std::unique_ptr<Channel> channel;
    return channel;
}

}  // namespace

std::optional<std::uint16_t> parseControlPort(std::wstring_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    std::uint32_t value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - L'0');
    }
    if (value < 1 || value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

HRESULT startControlChannel(std::uint16_t port) {
    auto& channel = channelStore();
    if (channel) return channel->port() == port ? S_OK : E_INVALIDARG;
    auto opened = std::make_unique<Channel>();
    const HRESULT result = opened->start(port);
    if (SUCCEEDED(result)) channel = std::move(opened);
    return result;
}

void stopControlChannel() {
    channelStore().reset();
}

std::uint16_t controlChannelPort() {
    const auto& channel = channelStore();
    return channel ? channel->port() : 0;
}

}  // namespace vesko::standin
