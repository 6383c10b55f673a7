// WebSocket framing (RFC 6455, section 5) as a client sees it: frames we send are masked, frames
// the server sends are read from a byte stream in pieces of any size, and fragmented messages are
// put back together around the control frames that may come between their fragments.
#pragma once

#include <array>
#include <cstdint>
#include <string>

enum class Opcode : uint8_t { Continuation = 0, Text = 1, Binary = 2, Close = 8, Ping = 9, Pong = 10 };

struct Frame {
    bool fin = true;
    Opcode opcode = Opcode::Text;
    std::string payload;
};

using MaskKey = std::array<uint8_t, 4>;

// One frame from client to server: a 7-, 16- or 64-bit length, then the masked payload.
std::string EncodeClientFrame(Opcode opcode, const std::string& payload, const MaskKey& mask, bool fin = true);

// Takes bytes as they arrive and hands out whole frames.
class FrameReader {
public:
    enum class Result { Frame, NeedMore, Error };

    explicit FrameReader(uint64_t maxPayload) : maxPayload_(maxPayload) {}

    void Feed(const char* data, size_t size) { buffer_.append(data, size); }
    // The next complete frame; after an Error the stream cannot be read on.
    Result Next(Frame* frame);
    const std::string& Error() const { return error_; }

private:
    Result Fail(const char* why);

    uint64_t maxPayload_;
    std::string buffer_;
    std::string error_;
};

// Turns frames into messages. Control frames are messages of their own, even in the middle of a
// fragmented one.
class MessageAssembler {
public:
    enum class Kind { Incomplete, Text, Binary, Ping, Pong, Close, Error };
    struct Message {
        Kind kind = Kind::Incomplete;
        std::string payload;
    };

    Message Add(Frame frame);

private:
    bool inMessage_ = false;
    Opcode messageOpcode_ = Opcode::Text;
    std::string partial_;
};
