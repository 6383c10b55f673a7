#include "devtools/engine/chromium/websocket_frames.h"

namespace {

const uint8_t kFinBit = 0x80;
const uint8_t kReservedBits = 0x70;
const uint8_t kOpcodeBits = 0x0F;
const uint8_t kMaskBit = 0x80;
const uint8_t kLengthBits = 0x7F;
const uint8_t kLength16 = 126;
const uint8_t kLength64 = 127;
const size_t kMaxControlPayload = 125;

bool IsControl(Opcode opcode) {
    return static_cast<uint8_t>(opcode) >= 8;
}

bool IsKnown(uint8_t opcode) {
    return opcode <= 2 || (opcode >= 8 && opcode <= 10);
}

uint64_t ReadBigEndian(const std::string& bytes, size_t at, int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
    return value;
}

}  // namespace

std::string EncodeClientFrame(Opcode opcode, const std::string& payload, const MaskKey& mask, bool fin) {
    std::string frame;
    frame += static_cast<char>((fin ? kFinBit : 0) | static_cast<uint8_t>(opcode));
    uint64_t length = payload.size();
    if (length < kLength16) {
        frame += static_cast<char>(kMaskBit | length);
    } else if (length <= 0xFFFF) {
        frame += static_cast<char>(kMaskBit | kLength16);
        for (int shift = 8; shift >= 0; shift -= 8) frame += static_cast<char>((length >> shift) & 0xFF);
    } else {
        frame += static_cast<char>(kMaskBit | kLength64);
        for (int shift = 56; shift >= 0; shift -= 8) frame += static_cast<char>((length >> shift) & 0xFF);
    }
    for (uint8_t byte : mask) frame += static_cast<char>(byte);
    size_t start = frame.size();
    frame += payload;
    for (size_t i = 0; i < payload.size(); ++i) frame[start + i] = static_cast<char>(frame[start + i] ^ mask[i % 4]);
    return frame;
}

FrameReader::Result FrameReader::Fail(const char* why) {
    error_ = why;
    return Result::Error;
}

FrameReader::Result FrameReader::Next(Frame* frame) {
    if (!error_.empty()) return Result::Error;
    if (buffer_.size() < 2) return Result::NeedMore;
    uint8_t first = static_cast<uint8_t>(buffer_[0]);
    uint8_t second = static_cast<uint8_t>(buffer_[1]);
    if (first & kReservedBits) return Fail("reserved bits set without an extension");
    uint8_t opcode = first & kOpcodeBits;
    if (!IsKnown(opcode)) return Fail("unknown opcode");
    bool fin = (first & kFinBit) != 0;
    bool masked = (second & kMaskBit) != 0;

    size_t header = 2;
    uint64_t length = second & kLengthBits;
    if (length == kLength16) {
        if (buffer_.size() < 4) return Result::NeedMore;
        length = ReadBigEndian(buffer_, 2, 2);
        header = 4;
    } else if (length == kLength64) {
        if (buffer_.size() < 10) return Result::NeedMore;
        length = ReadBigEndian(buffer_, 2, 8);
        if (length >> 63) return Fail("64-bit length with its top bit set");
        header = 10;
    }
    if (IsControl(static_cast<Opcode>(opcode)) && (!fin || length > kMaxControlPayload)) {
        return Fail("fragmented or oversized control frame");
    }
    if (length > maxPayload_) return Fail("frame larger than allowed");
    size_t maskAt = header;
    if (masked) header += 4;
    if (buffer_.size() < header || buffer_.size() - header < length) return Result::NeedMore;

    frame->fin = fin;
    frame->opcode = static_cast<Opcode>(opcode);
    frame->payload.assign(buffer_, header, static_cast<size_t>(length));
    if (masked) {
        for (size_t i = 0; i < frame->payload.size(); ++i) {
            frame->payload[i] = static_cast<char>(frame->payload[i] ^ buffer_[maskAt + i % 4]);
        }
    }
    buffer_.erase(0, header + static_cast<size_t>(length));
    return Result::Frame;
}

MessageAssembler::Message MessageAssembler::Add(Frame frame) {
    Message message;
    switch (frame.opcode) {
    case Opcode::Ping:
        message.kind = Kind::Ping;
        message.payload = std::move(frame.payload);
        return message;
    case Opcode::Pong:
        message.kind = Kind::Pong;
        message.payload = std::move(frame.payload);
        return message;
    case Opcode::Close:
        message.kind = Kind::Close;
        message.payload = std::move(frame.payload);
        return message;
    case Opcode::Text:
    case Opcode::Binary:
        if (inMessage_) {
            message.kind = Kind::Error;  // a new message before the last one's final fragment
            return message;
        }
        messageOpcode_ = frame.opcode;
        partial_ = std::move(frame.payload);
        inMessage_ = true;
        break;
    case Opcode::Continuation:
        if (!inMessage_) {
            message.kind = Kind::Error;  // a continuation of nothing
            return message;
        }
        partial_ += frame.payload;
        break;
    }
    if (!frame.fin) return message;
    inMessage_ = false;
    message.kind = messageOpcode_ == Opcode::Text ? Kind::Text : Kind::Binary;
    message.payload = std::move(partial_);
    partial_.clear();
    return message;
}
