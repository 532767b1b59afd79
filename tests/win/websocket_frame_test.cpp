// WebSocket framing: what the client puts on the wire, and how the received stream is cut
// into messages however it is chunked.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "chromium/websocket_frame.h"

namespace vesko::standin {
namespace {

constexpr std::uint8_t kFin = 0x80;

// A frame as a server sends it: never masked unless maskBit says so.
std::string serverFrame(std::uint8_t firstByte, const std::string& payload, std::uint8_t maskBit = 0) {
    std::string frame(1, static_cast<char>(firstByte));
    const std::size_t size = payload.size();
    if (size < 126) {
        frame.push_back(static_cast<char>(maskBit | size));
    } else if (size <= 0xFFFF) {
        frame.push_back(static_cast<char>(maskBit | 126));
        for (int shift = 8; shift >= 0; shift -= 8) frame.push_back(static_cast<char>((size >> shift) & 0xFF));
    } else {
        frame.push_back(static_cast<char>(maskBit | 127));
        for (int shift = 56; shift >= 0; shift -= 8) frame.push_back(static_cast<char>((size >> shift) & 0xFF));
    }
    if (maskBit != 0) frame.append(4, '\0');
    return frame + payload;
}

std::uint8_t byteAt(const std::string& bytes, std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); }

std::string patternOf(std::size_t size) {
    std::string payload(size, '\0');
    for (std::size_t i = 0; i < size; ++i) payload[i] = static_cast<char>('a' + i % 26);
    return payload;
}

std::vector<WsMessage> decodeAll(const std::string& stream, std::size_t chunkSize, WsDecoder decoder = WsDecoder()) {
    std::vector<WsMessage> messages;
    for (std::size_t at = 0; at < stream.size(); at += chunkSize) {
        decoder.feed(std::string_view(stream).substr(at, chunkSize));
        while (auto message = decoder.next()) messages.push_back(std::move(*message));
    }
    return messages;
}

struct LengthCase {
    std::size_t size;
    std::uint8_t lengthCode;   // the 7-bit length field
    std::size_t extendedBytes;  // 0, 2 or 8
};

const LengthCase kLengthCases[] = {
    {0, 0, 0}, {125, 125, 0}, {126, 126, 2}, {65535, 126, 2}, {65536, 127, 8},
};

TEST(WebSocketFrame, ClientFramesUseTheShortestLengthAndAreMasked) {
    const WsMaskKey key{0x37, 0xFA, 0x21, 0x3D};
    for (const LengthCase& c : kLengthCases) {
        SCOPED_TRACE(c.size);
        const std::string payload = patternOf(c.size);
        const std::string frame = encodeClientFrame(WsOpcode::Text, payload, key);
        const std::size_t header = 2 + c.extendedBytes + 4;
        ASSERT_EQ(frame.size(), header + c.size);
        EXPECT_EQ(byteAt(frame, 0), 0x81);  // FIN, text, no reserved bits
        EXPECT_EQ(byteAt(frame, 1), 0x80 | c.lengthCode);
        std::uint64_t extended = 0;
        for (std::size_t i = 0; i < c.extendedBytes; ++i) extended = (extended << 8) | byteAt(frame, 2 + i);
        EXPECT_EQ(extended, c.extendedBytes > 0 ? c.size : 0);
        for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(byteAt(frame, 2 + c.extendedBytes + i), key[i]);
        std::string unmasked;
        for (std::size_t i = 0; i < c.size; ++i) {
            unmasked.push_back(static_cast<char>(byteAt(frame, header + i) ^ key[i % 4]));
        }
        EXPECT_EQ(unmasked, payload);
    }
}

TEST(WebSocketFrame, MaskKeyChangesTheBytesOnTheWire) {
    // The standard's worked example: "Hello" masked with 37 fa 21 3d.
    const std::string frame = encodeClientFrame(WsOpcode::Text, "Hello", {0x37, 0xFA, 0x21, 0x3D});
    EXPECT_EQ(frame, std::string("\x81\x85\x37\xfa\x21\x3d\x7f\x9f\x4d\x51\x58", 11));
    const std::string close = encodeClientFrame(WsOpcode::Close, closePayload(1000), {0, 0, 0, 0});
    EXPECT_EQ(close, std::string("\x88\x82\0\0\0\0\x03\xe8", 8));
}

TEST(WebSocketFrame, DecodesEveryLengthWholeAndByteByByte) {
    for (const LengthCase& c : kLengthCases) {
        SCOPED_TRACE(c.size);
        const std::string payload = patternOf(c.size);
        const std::string frame = serverFrame(kFin | 0x2, payload);
        for (const std::size_t chunk : {frame.size(), std::size_t{1}, std::size_t{1000}}) {
            const auto messages = decodeAll(frame, chunk);
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].opcode, WsOpcode::Binary);
            EXPECT_EQ(messages[0].payload, payload);
        }
    }
}

TEST(WebSocketFrame, FragmentsJoinAndControlFramesInterleave) {
    const std::string stream = serverFrame(0x1, "Hel") + serverFrame(0x0, "lo, ") + serverFrame(kFin | 0x9, "are you there") +
                               serverFrame(kFin | 0x0, "world") + serverFrame(kFin | 0xA, "") +
                               serverFrame(kFin | 0x1, "second") + serverFrame(kFin | 0x8, "\x03\xe9going away");
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{3}, stream.size()}) {
        SCOPED_TRACE(chunk);
        const auto messages = decodeAll(stream, chunk);
        ASSERT_EQ(messages.size(), 5u);
        EXPECT_EQ(messages[0].opcode, WsOpcode::Ping);
        EXPECT_EQ(messages[0].payload, "are you there");
        EXPECT_EQ(messages[1].opcode, WsOpcode::Text);
        EXPECT_EQ(messages[1].payload, "Hello, world");
        EXPECT_EQ(messages[2].opcode, WsOpcode::Pong);
        EXPECT_EQ(messages[3].payload, "second");
        EXPECT_EQ(messages[4].opcode, WsOpcode::Close);
        EXPECT_EQ(messages[4].closeCode, 1001);
        EXPECT_EQ(messages[4].payload, "going away");
    }
}

TEST(WebSocketFrame, CloseWithoutPayloadHasNoCode) {
    const auto messages = decodeAll(serverFrame(kFin | 0x8, ""), 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].opcode, WsOpcode::Close);
    EXPECT_FALSE(messages[0].closeCode.has_value());
}

TEST(WebSocketFrame, MessagesUpToTheLimitPass) {
    const std::string stream = serverFrame(0x1, patternOf(10)) + serverFrame(kFin | 0x0, patternOf(6));
    const auto messages = decodeAll(stream, 4, WsDecoder(16));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].payload.size(), 16u);
}

struct MalformedCase {
    const char* name;
    std::string stream;
    std::size_t limit;
    const char* reason;  // part of the error message
};

TEST(WebSocketFrame, RefusesMalformedStreams) {
    std::string hugeLength("\x82\x7f\x80\0\0\0\0\0\0\0", 10);
    const MalformedCase cases[] = {
        {"masked server frame", serverFrame(kFin | 0x1, "hi", 0x80), 1024, "masked"},
        {"RSV1", serverFrame(kFin | 0x40 | 0x1, "hi"), 1024, "reserved"},
        {"RSV3", serverFrame(kFin | 0x10 | 0x2, "hi"), 1024, "reserved"},
        {"reserved opcode", serverFrame(kFin | 0x3, "hi"), 1024, "opcode"},
        {"reserved control opcode", serverFrame(kFin | 0xB, ""), 1024, "opcode"},
        {"fragmented ping", serverFrame(0x9, "hi"), 1024, "fragmented control"},
        {"long ping", serverFrame(kFin | 0x9, patternOf(126)), 1024, "125"},
        {"long close", serverFrame(kFin | 0x8, patternOf(200)), 1024, "125"},
        {"one-byte close", serverFrame(kFin | 0x8, "\x03"), 1024, "one-byte"},
        {"continuation first", serverFrame(kFin | 0x0, "hi"), 1024, "continuation"},
        {"text inside a fragmented message", serverFrame(0x1, "a") + serverFrame(kFin | 0x1, "b"), 1024,
         "previous one"},
        {"single frame over the limit", serverFrame(kFin | 0x2, patternOf(17)), 16, "limit of 16"},
        {"fragments over the limit", serverFrame(0x1, patternOf(10)) + serverFrame(kFin | 0x0, patternOf(7)), 16,
         "limit of 16"},
        {"64-bit length with the top bit", hugeLength, kWsDefaultMessageLimit, "most significant"},
    };
    for (const MalformedCase& c : cases) {
        SCOPED_TRACE(c.name);
        WsDecoder decoder(c.limit);
        try {
            decodeAll(c.stream, 1, std::move(decoder));
            ADD_FAILURE() << "accepted";
        } catch (const WsProtocolError& error) {
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos) << error.what();
        }
    }
}

TEST(WebSocketFrame, OversizedFrameIsRefusedFromItsHeaderAlone) {
    // A peer that announces 100 MB must be refused before we buffer any of it.
    std::string header("\x82\x7f\0\0\0\0\x06\0\0\0", 10);
    WsDecoder decoder;
    EXPECT_THROW(decoder.feed(header), WsProtocolError);
}

TEST(WebSocketFrame, BrokenStreamStaysBroken) {
    WsDecoder decoder;
    EXPECT_THROW(decoder.feed(serverFrame(kFin | 0x1, "x", 0x80)), WsProtocolError);
    EXPECT_THROW(decoder.feed(serverFrame(kFin | 0x1, "fine")), WsProtocolError);
    EXPECT_FALSE(decoder.next().has_value());
}

}  // namespace
}  // namespace vesko::standin
