#pragma once
// WebSocket framing for the client end of a connection: frames we send are masked, frames
// we receive must not be. No extensions are negotiated, so every reserved bit must be clear.

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vesko::standin {

enum class WsOpcode : std::uint8_t {
    Continuation = 0x0,
    Text = 0x1,
    Binary = 0x2,
    Close = 0x8,
    Ping = 0x9,
    Pong = 0xA,
};

using WsMaskKey = std::array<std::uint8_t, 4>;

// One complete (FIN) client frame carrying payload, masked with key.
std::string encodeClientFrame(WsOpcode opcode, std::string_view payload, const WsMaskKey& key);
// The same, masked with a fresh key from the system's generator, as every frame a client
// sends must be.
std::string maskedClientFrame(WsOpcode opcode, std::string_view payload);
// The payload of a close frame: the status code, then the reason.
std::string closePayload(std::uint16_t code, std::string_view reason = {});

// A whole message as the peer sent it, fragments joined.
struct WsMessage {
    WsOpcode opcode = WsOpcode::Text;  // Text, Binary, Close, Ping or Pong, never Continuation
    std::string payload;               // for Close: the reason alone
    std::optional<std::uint16_t> closeCode;  // Close only, when the peer gave one
};

class WsProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::size_t kWsDefaultMessageLimit = std::size_t{64} << 20;

// Takes the received byte stream in chunks of any size and hands out complete messages
// in arrival order. A control message may arrive between the fragments of a data
// message; it comes out first, as it was sent. After a protocol error the stream cannot
// be resynchronised, so every later feed throws the same error.
class WsDecoder {
public:
    explicit WsDecoder(std::size_t messageLimit = kWsDefaultMessageLimit);

    void feed(std::string_view bytes);  // throws WsProtocolError
    std::optional<WsMessage> next();

private:
    // Decodes one frame from the front of the buffer; false when more bytes are needed.
    bool decodeFrame();
    [[noreturn]] void fail(const std::string& why);

    std::size_t messageLimit_;
    std::string buffer_;
    std::size_t consumed_ = 0;
    std::optional<WsOpcode> partialOpcode_;  // set while a fragmented message is open
    std::string partialPayload_;
    std::deque<WsMessage> ready_;
    std::string error_;
};

// What a reader takes from the decoder next: a data message (returned), or the peer's
// close (returned with opcode Close, for the caller to end the connection its own way).
// Pings are answered through pong on the way; an unsolicited pong needs no answer.
// nullopt: the decoder needs more bytes.
std::optional<WsMessage> nextDataOrClose(WsDecoder& decoder, const std::function<void(std::string_view)>& pong);
// "the peer closed the WebSocket", with the code it gave.
std::string peerCloseReason(const WsMessage& close);

}  // namespace vesko::standin
