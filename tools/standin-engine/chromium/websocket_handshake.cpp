#include "chromium/websocket_handshake.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <stdexcept>

#include "base64.h"

namespace vesko::standin {
namespace {

// Fixed by the protocol: the server proves it understood the upgrade by hashing the
// client's key with this.
constexpr std::string_view kAcceptGuid = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string sha1(std::string_view data) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA1_ALGORITHM, nullptr, 0))) {
        throw std::runtime_error("SHA-1 is not available from BCrypt");
    }
    std::array<unsigned char, 20> digest{};
    const NTSTATUS status = BCryptHash(algorithm, nullptr, 0,
                                       reinterpret_cast<PUCHAR>(const_cast<char*>(data.data())),
                                       static_cast<ULONG>(data.size()), digest.data(),
                                       static_cast<ULONG>(digest.size()));
    BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!BCRYPT_SUCCESS(status)) throw std::runtime_error("SHA-1 hashing failed");
    return std::string(reinterpret_cast<const char*>(digest.data()), digest.size());
}

// The value of header name (lower case) in head, if present.
std::optional<std::string_view> headerValue(std::string_view head, std::string_view name) {
    std::size_t lineStart = head.find("\r\n");
    while (lineStart != std::string_view::npos) {
        lineStart += 2;
        const std::size_t lineEnd = std::min(head.find("\r\n", lineStart), head.size());
        const std::string_view line = head.substr(lineStart, lineEnd - lineStart);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && lowerCase(trim(line.substr(0, colon))) == name) {
            return trim(line.substr(colon + 1));
        }
        lineStart = lineEnd < head.size() ? lineEnd : std::string_view::npos;
    }
    return std::nullopt;
}

}  // namespace

std::string randomBytes(std::size_t count) {
    std::string bytes(count, '\0');
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(bytes.data()),
                                        static_cast<ULONG>(bytes.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        throw std::runtime_error("the system's random generator failed");
    }
    return bytes;
}

std::string webSocketAccept(std::string_view key) {
    std::string input(key);
    input.append(kAcceptGuid);
    return base64Encode(sha1(input));
}

std::string upgradeRequest(std::uint16_t port, std::string_view path, std::string_view key) {
    std::string request = "GET ";
    request.append(path.empty() ? "/" : path);
    request.append(" HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                   "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: ");
    request.append(key);
    request.append("\r\nSec-WebSocket-Version: 13\r\n\r\n");
    return request;
}

void checkUpgradeResponse(std::string_view head, std::string_view key) {
    const std::string_view statusLine = head.substr(0, head.find("\r\n"));
    const std::size_t space = statusLine.find(' ');
    if (statusLine.substr(0, 5) != "HTTP/" || space == std::string_view::npos ||
        statusLine.substr(space + 1, 3) != "101") {
        throw std::runtime_error("WebSocket handshake refused: " + std::string(statusLine));
    }
    const auto upgrade = headerValue(head, "upgrade");
    if (!upgrade || lowerCase(*upgrade) != "websocket") {
        throw std::runtime_error("WebSocket handshake refused: the answer does not upgrade to websocket");
    }
    const auto accept = headerValue(head, "sec-websocket-accept");
    if (!accept || *accept != webSocketAccept(key)) {
        throw std::runtime_error("WebSocket handshake refused: wrong Sec-WebSocket-Accept");
    }
}

}  // namespace vesko::standin
