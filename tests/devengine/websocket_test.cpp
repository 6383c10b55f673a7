// The Chromium back-end's wire formats: WebSocket frames both ways, message assembly, the
// handshake, the small HTTP and endpoint parsing, and the encodings they rest on.
#include "devtools/engine/chromium/base64.h"
#include "devtools/engine/chromium/page_target.h"
#include "devtools/engine/chromium/sha1.h"
#include "devtools/engine/chromium/socket_io.h"
#include "devtools/engine/chromium/websocket_client.h"
#include "devtools/engine/chromium/websocket_frames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int value : values) bytes += static_cast<char>(value);
    return bytes;
}

// A server's frame, written out here independently of the code under test.
std::string ServerFrame(bool fin, int opcode, const std::string& payload, const char* mask = nullptr) {
    std::string frame;
    frame += static_cast<char>((fin ? 0x80 : 0) | opcode);
    int maskBit = mask ? 0x80 : 0;
    size_t n = payload.size();
    if (n < 126) {
        frame += static_cast<char>(maskBit | static_cast<int>(n));
    } else if (n < 65536) {
        frame += static_cast<char>(maskBit | 126);
        frame += static_cast<char>(n >> 8);
        frame += static_cast<char>(n & 0xFF);
    } else {
        frame += static_cast<char>(maskBit | 127);
        for (int shift = 56; shift >= 0; shift -= 8) frame += static_cast<char>((static_cast<uint64_t>(n) >> shift) & 0xFF);
    }
    if (mask) frame.append(mask, 4);
    for (size_t i = 0; i < n; ++i) frame += static_cast<char>(mask ? payload[i] ^ mask[i % 4] : payload[i]);
    return frame;
}

std::string Filler(size_t size) {
    std::string text(size, 'x');
    for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 26);
    return text;
}

TEST(Base64, KnownVectorsBothWays) {
    const char* cases[][2] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},     {"foo", "Zm9v"},
                              {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
    for (const auto& c : cases) {
        EXPECT_EQ(Base64Encode(c[0]), c[1]);
        std::string decoded = "unchanged";
        ASSERT_TRUE(Base64Decode(c[1], &decoded)) << c[1];
        EXPECT_EQ(decoded, c[0]);
    }
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    std::string back;
    ASSERT_TRUE(Base64Decode(Base64Encode(all), &back));
    EXPECT_EQ(back, all);
}

TEST(Base64, MalformedTextIsRefused) {
    for (const char* bad : {"Zg=", "Z===", "Zm9v!", "=Zm9", "Zg==Zg==", "Zm\n9v", "Zm=v"}) {
        std::string decoded = "unchanged";
        EXPECT_FALSE(Base64Decode(bad, &decoded)) << bad;
        EXPECT_EQ(decoded, "unchanged") << bad;
    }
}

TEST(Sha1, KnownDigests) {
    struct Case {
        std::string input;
        const char* digest;
    } cases[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        {std::string(64, 'a'), "0098ba824b5c16427bd7a1122a5a442a25ec644d"},  // exactly one block before padding
    };
    for (const Case& c : cases) EXPECT_EQ(Hex(Sha1(c.input)), c.digest) << c.input.size();
}

TEST(WebSocketFrames, ClientFramesAreMaskedWithTheShortestLength) {
    const MaskKey mask = {0x12, 0x34, 0x56, 0x78};
    struct Case {
        size_t size;
        std::string header;  // the bytes before the mask key
    } cases[] = {
        {0, Bytes({0x81, 0x80})},
        {5, Bytes({0x81, 0x85})},
        {125, Bytes({0x81, 0xFD})},
        {126, Bytes({0x81, 0xFE, 0x00, 0x7E})},
        {65535, Bytes({0x81, 0xFE, 0xFF, 0xFF})},
        {65536, Bytes({0x81, 0xFF, 0, 0, 0, 0, 0, 1, 0, 0})},
        {3000000, Bytes({0x81, 0xFF, 0, 0, 0, 0, 0, 0x2D, 0xC6, 0xC0})},
    };
    for (const Case& c : cases) {
        std::string payload = Filler(c.size);
        std::string frame = EncodeClientFrame(Opcode::Text, payload, mask);
        ASSERT_EQ(frame.size(), c.header.size() + 4 + c.size) << c.size;
        EXPECT_EQ(Hex(frame.substr(0, c.header.size())), Hex(c.header)) << c.size;
        EXPECT_EQ(Hex(frame.substr(c.header.size(), 4)), "12345678") << c.size;
        std::string unmasked = frame.substr(c.header.size() + 4);
        for (size_t i = 0; i < unmasked.size(); ++i) unmasked[i] = static_cast<char>(unmasked[i] ^ mask[i % 4]);
        EXPECT_TRUE(unmasked == payload) << c.size;
    }
    EXPECT_EQ(Hex(EncodeClientFrame(Opcode::Pong, "", mask, true).substr(0, 2)), "8a80");
    EXPECT_EQ(Hex(EncodeClientFrame(Opcode::Continuation, "", mask, false).substr(0, 2)), "0080");
}

// However the bytes are cut up on the way, the same frames come out.
TEST(WebSocketFrames, ServerFramesAreReadFromPiecesOfAnySize) {
    std::vector<Frame> sent = {
        {true, Opcode::Text, "{}"},
        {false, Opcode::Text, Filler(126)},
        {true, Opcode::Continuation, Filler(65535)},
        {true, Opcode::Ping, "are you there"},
        {true, Opcode::Binary, Filler(70000)},
        {true, Opcode::Text, ""},
    };
    std::string stream;
    for (const Frame& frame : sent) stream += ServerFrame(frame.fin, static_cast<int>(frame.opcode), frame.payload);

    for (size_t piece : {size_t(1), size_t(7), size_t(4096), stream.size()}) {
        FrameReader reader(1 << 20);
        std::vector<Frame> read;
        for (size_t at = 0; at < stream.size(); at += piece) {
            reader.Feed(stream.data() + at, std::min(piece, stream.size() - at));
            Frame frame;
            while (reader.Next(&frame) == FrameReader::Result::Frame) read.push_back(frame);
        }
        ASSERT_EQ(read.size(), sent.size()) << piece;
        for (size_t i = 0; i < sent.size(); ++i) {
            EXPECT_EQ(read[i].fin, sent[i].fin) << piece << " #" << i;
            EXPECT_EQ(read[i].opcode, sent[i].opcode) << piece << " #" << i;
            EXPECT_TRUE(read[i].payload == sent[i].payload) << piece << " #" << i;
        }
        Frame none;
        EXPECT_EQ(reader.Next(&none), FrameReader::Result::NeedMore);
    }
}

TEST(WebSocketFrames, MaskedFramesAreUnmaskedAndOurOwnRoundTrip) {
    FrameReader reader(1 << 20);
    std::string masked = ServerFrame(true, 1, "Hello", "\x37\xfa\x21\x3d");
    EXPECT_EQ(Hex(masked), "818537fa213d7f9f4d5158");  // the example of RFC 6455, section 5.7
    reader.Feed(masked.data(), masked.size());
    Frame frame;
    ASSERT_EQ(reader.Next(&frame), FrameReader::Result::Frame);
    EXPECT_EQ(frame.payload, "Hello");

    for (size_t size : {0, 125, 126, 65536}) {
        std::string payload = Filler(size);
        std::string ours = EncodeClientFrame(Opcode::Text, payload, {1, 2, 3, 4});
        reader.Feed(ours.data(), ours.size());
        ASSERT_EQ(reader.Next(&frame), FrameReader::Result::Frame) << size;
        EXPECT_TRUE(frame.payload == payload) << size;
    }
}

TEST(WebSocketFrames, BrokenFramesStopTheReader) {
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"reserved bit", Bytes({0xC1, 0x00})},
        {"unknown opcode", Bytes({0x83, 0x00})},
        {"fragmented ping", Bytes({0x09, 0x00})},
        {"long close", ServerFrame(true, 8, Filler(126))},
        {"top bit of a 64-bit length", Bytes({0x82, 0x7F, 0x80, 0, 0, 0, 0, 0, 0, 1})},
        {"over the limit", ServerFrame(true, 2, Filler(1025))},
    };
    for (const Case& c : cases) {
        FrameReader reader(1024);
        reader.Feed(c.bytes.data(), c.bytes.size());
        std::string good = ServerFrame(true, 1, "after");
        reader.Feed(good.data(), good.size());
        Frame frame;
        EXPECT_EQ(reader.Next(&frame), FrameReader::Result::Error) << c.what;
        EXPECT_FALSE(reader.Error().empty()) << c.what;
        EXPECT_EQ(reader.Next(&frame), FrameReader::Result::Error) << c.what << ": the stream is lost after an error";
    }
}

TEST(WebSocketFrames, FragmentsAreJoinedAroundControlFrames) {
    using Kind = MessageAssembler::Kind;
    struct Case {
        const char* what;
        std::vector<Frame> frames;
        std::vector<std::pair<Kind, std::string>> messages;  // the complete ones, in order
    } cases[] = {
        {"whole", {{true, Opcode::Text, "one"}}, {{Kind::Text, "one"}}},
        {"three parts",
         {{false, Opcode::Text, "a"}, {false, Opcode::Continuation, "b"}, {true, Opcode::Continuation, "c"}},
         {{Kind::Text, "abc"}}},
        {"ping between parts",
         {{false, Opcode::Text, "he"}, {true, Opcode::Ping, "p"}, {true, Opcode::Continuation, "llo"}},
         {{Kind::Ping, "p"}, {Kind::Text, "hello"}}},
        {"binary then text", {{true, Opcode::Binary, "b"}, {true, Opcode::Text, "t"}}, {{Kind::Binary, "b"}, {Kind::Text, "t"}}},
        {"close", {{true, Opcode::Close, "\x03\xE8"}}, {{Kind::Close, "\x03\xE8"}}},
        {"continuation of nothing", {{true, Opcode::Continuation, "x"}}, {{Kind::Error, ""}}},
        {"new message inside another", {{false, Opcode::Text, "a"}, {true, Opcode::Text, "b"}}, {{Kind::Error, ""}}},
        {"pong", {{true, Opcode::Pong, "q"}}, {{Kind::Pong, "q"}}},
    };
    for (const Case& c : cases) {
        MessageAssembler assembler;
        std::vector<std::pair<Kind, std::string>> messages;
        for (const Frame& frame : c.frames) {
            MessageAssembler::Message message = assembler.Add(frame);
            if (message.kind != Kind::Incomplete) messages.emplace_back(message.kind, message.payload);
        }
        EXPECT_EQ(messages, c.messages) << c.what;
    }
}

TEST(WebSocketHandshake, AcceptIsCheckedAgainstOurKey) {
    const std::string key = "dGhlIHNhbXBsZSBub25jZQ==";
    EXPECT_EQ(ExpectedAccept(key), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");  // RFC 6455, section 1.3

    std::string request = HandshakeRequest(Endpoint{"127.0.0.1", 9222}, "/devtools/page/A1", key);
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /devtools/page/A1 HTTP/1.1");
    EXPECT_EQ(HeaderValue(request, "host"), "127.0.0.1:9222");
    EXPECT_EQ(HeaderValue(request, "Sec-WebSocket-Key"), key);
    EXPECT_EQ(HeaderValue(request, "Sec-WebSocket-Version"), "13");
    EXPECT_EQ(request.substr(request.size() - 4), "\r\n\r\n");

    struct Case {
        const char* what;
        std::string head;
        bool accepted;
    } cases[] = {
        {"good", "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                 "Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n", true},
        {"header names in any case", "HTTP/1.1 101 OK\r\nupgrade: WebSocket\r\nsec-websocket-accept:   "
                                     "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=  \r\n", true},
        {"not switching", "HTTP/1.1 403 Forbidden\r\nUpgrade: websocket\r\n"
                          "Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n", false},
        {"no upgrade", "HTTP/1.1 101 Switching Protocols\r\nSec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n",
         false},
        {"wrong accept", "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n"
                         "Sec-WebSocket-Accept: AAAAAAAAAAAAAAAAAAAAAAAAAAA=\r\n", false},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(CheckHandshakeResponse(c.head, key, &error), c.accepted) << c.what;
        EXPECT_EQ(error.empty(), c.accepted) << c.what;
    }
}

TEST(DevToolsHttp, ResponsesEndpointsAndTargets) {
    HttpResponse response;
    ASSERT_TRUE(ParseHttpResponse("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n[]trailing", &response));
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, "[]");
    EXPECT_TRUE(ParseHttpResponse("HTTP/1.1 404 Not Found\r\n\r\nno length", &response));
    EXPECT_EQ(response.body, "no length");
    EXPECT_FALSE(ParseHttpResponse("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort", &response));
    EXPECT_FALSE(ParseHttpResponse("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n", &response));
    EXPECT_FALSE(ParseHttpResponse("SSH-2.0-OpenSSH\r\n\r\n", &response));

    struct EndpointCase {
        const char* text;
        bool valid;
        const char* host;
        int port;
    } endpoints[] = {
        {"127.0.0.1:9222", true, "127.0.0.1", 9222}, {"localhost:1", true, "127.0.0.1", 1},
        {"127.0.0.1:65535", true, "127.0.0.1", 65535}, {"127.0.0.1:0", false, "", 0},
        {"127.0.0.1:65536", false, "", 0},           {"127.0.0.1", false, "", 0},
        {":9222", false, "", 0},                     {"127.0.0.1:92a2", false, "", 0},
        {"example.test:9222", false, "", 0},          {"127.0.0.1:", false, "", 0},
    };
    for (const EndpointCase& c : endpoints) {
        Endpoint endpoint;
        EXPECT_EQ(ParseEndpoint(c.text, &endpoint), c.valid) << c.text;
        if (!c.valid) continue;
        EXPECT_EQ(endpoint.host, c.host) << c.text;
        EXPECT_EQ(endpoint.port, c.port) << c.text;
    }

    EXPECT_EQ(WebSocketPath("ws://127.0.0.1:9222/devtools/page/AB"), "/devtools/page/AB");
    EXPECT_EQ(WebSocketPath("wss://127.0.0.1:9222/devtools/page/AB"), "");
    EXPECT_EQ(WebSocketPath("ws://127.0.0.1:9222"), "");

    PageTarget target;
    EXPECT_TRUE(ReadPageTarget(R"({"id":"AB","type":"page","url":"about:blank",
        "webSocketDebuggerUrl":"ws://127.0.0.1:9222/devtools/page/AB"})", &target));
    EXPECT_EQ(target.id, "AB");
    EXPECT_EQ(target.webSocketPath, "/devtools/page/AB");
    EXPECT_FALSE(ReadPageTarget(R"({"id":"W","type":"service_worker","webSocketDebuggerUrl":"ws://h:1/x"})", &target));
    EXPECT_FALSE(ReadPageTarget(R"({"id":"P","type":"page"})", &target));
    EXPECT_FALSE(ReadPageTarget(R"({"id":7,"type":"page","webSocketDebuggerUrl":"ws://h:1/x"})", &target));
    EXPECT_FALSE(ReadPageTarget("not json", &target));
    EXPECT_TRUE(FirstPageTarget(R"([{"id":"U","type":"browser_ui","webSocketDebuggerUrl":"ws://h:1/u"},
        {"id":"P2","type":"page","webSocketDebuggerUrl":"ws://h:1/devtools/page/P2"}])", &target));
    EXPECT_EQ(target.id, "P2");
    EXPECT_FALSE(FirstPageTarget(R"([{"id":"U","type":"browser_ui","webSocketDebuggerUrl":"ws://h:1/u"}])", &target));
}

}  // namespace
