#include "chromium/websocket_frame.h"

#include "chromium/websocket_handshake.h"

namespace vesko::standin {
namespace {

constexpr std::uint8_t kFin = 0x80;
constexpr std::uint8_t kReservedBits = 0x70;
constexpr std::uint8_t kOpcodeBits = 0x0F;
constexpr std::uint8_t kMaskBit = 0x80;
constexpr std::uint8_t kLength16 = 126;
constexpr std::uint8_t kLength64 = 127;
constexpr std::size_t kControlPayloadLimit = 125;

bool isControl(std::uint8_t opcode) { return (opcode & 0x08) != 0; }

bool isKnown(std::uint8_t opcode) {
    switch (static_cast<WsOpcode>(opcode)) {
        case WsOpcode::Continuation:
        case WsOpcode::Text:
        case WsOpcode::Binary:
        case WsOpcode::Close:
        case WsOpcode::Ping:
        case WsOpcode::Pong:
            return true;
    }
    return false;
}

void appendBigEndian(std::string& out, std::uint64_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

std::uint64_t readBigEndian(const std::string& in, std::size_t at, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value = (value << 8) | static_cast<std::uint8_t>(in[at + i]);
    return value;
}

}  // namespace

std::string encodeClientFrame(WsOpcode opcode, std::string_view payload, const WsMaskKey& key) {
    std::string frame;
    frame.reserve(payload.size() + 14);
    frame.push_back(static_cast<char>(kFin | static_cast<std::uint8_t>(opcode)));
    if (payload.size() < kLength16) {
        frame.push_back(static_cast<char>(kMaskBit | payload.size()));
    } else if (payload.size() <= 0xFFFF) {
        frame.push_back(static_cast<char>(kMaskBit | kLength16));
        appendBigEndian(frame, payload.size(), 2);
    } else {
        frame.push_back(static_cast<char>(kMaskBit | kLength64));
        appendBigEndian(frame, payload.size(), 8);
    }
    frame.append(reinterpret_cast<const char*>(key.data()), key.size());
    for (std::size_t i = 0; i < payload.size(); ++i) {
        frame.push_back(static_cast<char>(static_cast<std::uint8_t>(payload[i]) ^ key[i % 4]));
    }
    return frame;
}

std::string closePayload(std::uint16_t code, std::string_view reason) {
    std::string payload;
    appendBigEndian(payload, code, 2);
    payload.append(reason);
    return payload;
}

WsDecoder::WsDecoder(std::size_t messageLimit) : messageLimit_(messageLimit) {}

void WsDecoder::feed(std::string_view bytes) {
    if (!error_.empty()) throw WsProtocolError(error_);
    buffer_.append(bytes);
    while (decodeFrame()) {
    }
    // Drop what has been decoded, once per chunk, so a frame that arrives in many small
    // chunks is not shifted again for every one of them.
    buffer_.erase(0, consumed_);
    consumed_ = 0;
}

std::optional<WsMessage> WsDecoder::next() {
    if (ready_.empty()) return std::nullopt;
    WsMessage message = std::move(ready_.front());
    ready_.pop_front();
    return message;
}

void WsDecoder::fail(const std::string& why) {
    error_ = "WebSocket protocol error: " + why;
    throw WsProtocolError(error_);
}

bool WsDecoder::decodeFrame() {
    const std::size_t available = buffer_.size() - consumed_;
    if (available < 2) return false;
    const auto first = static_cast<std::uint8_t>(buffer_[consumed_]);
    const auto second = static_cast<std::uint8_t>(buffer_[consumed_ + 1]);
    const bool fin = (first & kFin) != 0;
    const std::uint8_t opcode = first & kOpcodeBits;

    // Everything that can be judged from the header is judged before waiting for the
    // payload, so a bad length is refused without buffering it.
    if ((first & kReservedBits) != 0) fail("reserved bits set in a frame header");
    if (!isKnown(opcode)) fail("unknown opcode " + std::to_string(opcode));
    if ((second & kMaskBit) != 0) fail("the server sent a masked frame");

    const std::uint8_t shortLength = second & 0x7F;
    const int extendedBytes = shortLength == kLength16 ? 2 : shortLength == kLength64 ? 8 : 0;
    const std::size_t headerSize = 2 + static_cast<std::size_t>(extendedBytes);
    if (available < headerSize) return false;
    const std::uint64_t length =
        extendedBytes == 0 ? shortLength : readBigEndian(buffer_, consumed_ + 2, extendedBytes);
    if ((length >> 63) != 0) fail("frame length has its most significant bit set");

    if (isControl(opcode)) {
        if (!fin) fail("fragmented control frame");
        if (length > kControlPayloadLimit) fail("control frame longer than 125 bytes");
    } else {
        const auto kind = static_cast<WsOpcode>(opcode);
        if (kind == WsOpcode::Continuation && !partialOpcode_) fail("continuation frame without a message to continue");
        if (kind != WsOpcode::Continuation && partialOpcode_) fail("new data message before the previous one ended");
        if (length > messageLimit_ - partialPayload_.size()) {
            fail("message longer than the limit of " + std::to_string(messageLimit_) + " bytes");
        }
    }

    if (available - headerSize < length) return false;
    const std::size_t payloadStart = consumed_ + headerSize;
    std::string_view payload(buffer_.data() + payloadStart, static_cast<std::size_t>(length));

    if (isControl(opcode)) {
        WsMessage message{static_cast<WsOpcode>(opcode), std::string(payload), std::nullopt};
        if (message.opcode == WsOpcode::Close) {
            if (payload.size() == 1) fail("close frame with a one-byte payload");
            if (payload.size() >= 2) {
                message.closeCode = static_cast<std::uint16_t>(readBigEndian(buffer_, payloadStart, 2));
                message.payload.erase(0, 2);
            }
        }
        ready_.push_back(std::move(message));
    } else {
        if (!partialOpcode_) partialOpcode_ = static_cast<WsOpcode>(opcode);
        partialPayload_.append(payload);
        if (fin) {
            ready_.push_back(WsMessage{*partialOpcode_, std::move(partialPayload_), std::nullopt});
            partialPayload_.clear();
            partialOpcode_.reset();
        }
    }
    consumed_ = payloadStart + static_cast<std::size_t>(length);
    return true;
}

std::optional<WsMessage> nextDataOrClose(WsDecoder& decoder, const std::function<void(std::string_view)>& pong) {
    while (auto message = decoder.next()) {
        switch (message->opcode) {
            case WsOpcode::Text:
            case WsOpcode::Binary:
            case WsOpcode::Close:
                return message;
            case WsOpcode::Ping:
                pong(message->payload);
                break;
            default:
                break;
        }
    }
    return std::nullopt;
}

std::string peerCloseReason(const WsMessage& close) {
    return "the peer closed the WebSocket" + (close.closeCode ? " with code " + std::to_string(*close.closeCode) : "");
}

std::string maskedClientFrame(WsOpcode opcode, std::string_view payload) {
    const std::string mask = randomBytes(4);
    const WsMaskKey key{static_cast<std::uint8_t>(mask[0]), static_cast<std::uint8_t>(mask[1]),
                        static_cast<std::uint8_t>(mask[2]), static_cast<std::uint8_t>(mask[3])};
    return encodeClientFrame(opcode, payload, key);
}

}  // namespace vesko::standin
