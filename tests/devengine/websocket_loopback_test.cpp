// The WebSocket client over real Winsock against a small server of the test's own on 127.0.0.1:
// handshake, fragments around a ping, a frame with a 64-bit length, our masked frames, close.
#include "devtools/engine/chromium/socket_io.h"
#include "devtools/engine/chromium/websocket_client.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string ServerFrame(bool fin, int opcode, const std::string& payload) {
    std::string frame;
    frame += static_cast<char>((fin ? 0x80 : 0) | opcode);
    size_t n = payload.size();
    if (n < 126) {
        frame += static_cast<char>(n);
    } else if (n < 65536) {
        frame += static_cast<char>(126);
        frame += static_cast<char>(n >> 8);
        frame += static_cast<char>(n & 0xFF);
    } else {
        frame += static_cast<char>(127);
        for (int shift = 56; shift >= 0; shift -= 8) frame += static_cast<char>((static_cast<uint64_t>(n) >> shift) & 0xFF);
    }
    return frame + payload;
}

// A frame the client sent: small ones only, which is all the client sends here.
struct ClientFrame {
    int opcode = -1;
    bool masked = false;
    std::string payload;
};

// One connection, served on a thread by a script of the test's.
class LoopbackServer {
public:
    using Script = std::function<void(LoopbackServer&)>;

    explicit LoopbackServer(Script script) {
        listener_ = Socket(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address));
        listen(listener_.Get(), 1);
        int length = sizeof(address);
        getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&address), &length);
        endpoint_ = Endpoint{"127.0.0.1", ntohs(address.sin_port)};
        thread_ = std::thread([this, script] {
            connection_ = Socket(accept(listener_.Get(), nullptr, nullptr));
            if (connection_.Valid()) script(*this);
            connection_.Close();
        });
    }
    ~LoopbackServer() { Join(); }

    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    const Endpoint& Where() const { return endpoint_; }

    // Reads the upgrade request; returns it.
    std::string ReadRequest() {
        while (buffer_.find("\r\n\r\n") == std::string::npos && Receive()) {
        }
        size_t end = buffer_.find("\r\n\r\n");
        std::string request = buffer_.substr(0, end == std::string::npos ? buffer_.size() : end + 2);
        buffer_.erase(0, end == std::string::npos ? buffer_.size() : end + 4);
        return request;
    }

    void Send(const std::string& bytes) { SendAll(connection_.Get(), bytes); }
    // From now on a read that waits longer ends the connection.
    void KeepWaiting(DWORD timeoutMs) {
        setsockopt(connection_.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
                   sizeof(timeoutMs));
    }

    bool ReadFrame(ClientFrame* frame) {
        while (buffer_.size() < 2 && Receive()) {
        }
        if (buffer_.size() < 2) return false;
        frame->opcode = buffer_[0] & 0x0F;
        frame->masked = (buffer_[1] & 0x80) != 0;
        size_t length = buffer_[1] & 0x7F;
        size_t header = 2 + (frame->masked ? 4 : 0);
        while (buffer_.size() < header + length && Receive()) {
        }
        if (length >= 126 || buffer_.size() < header + length) return false;
        frame->payload = buffer_.substr(header, length);
        for (size_t i = 0; frame->masked && i < length; ++i) frame->payload[i] ^= buffer_[2 + i % 4];
        buffer_.erase(0, header + length);
        return true;
    }

    std::vector<ClientFrame> received;

private:
    bool Receive() {
        char chunk[4096];
        int got = recv(connection_.Get(), chunk, sizeof(chunk), 0);
        if (got <= 0) return false;
        buffer_.append(chunk, static_cast<size_t>(got));
        return true;
    }

    Socket listener_;
    Socket connection_;
    Endpoint endpoint_;
    std::string buffer_;
    std::thread thread_;
};

std::string SwitchingProtocols(const std::string& request) {
    return "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Accept: " +
           ExpectedAccept(HeaderValue(request, "Sec-WebSocket-Key")) + "\r\n\r\n";
}

class WebSocketLoopback : public ::testing::Test {
protected:
    WinsockUser winsock_;
};

TEST_F(WebSocketLoopback, MessagesBothWaysWithPingAndClose) {
    ASSERT_TRUE(winsock_.Ready());
    const std::string big(70000, 'z');
    std::string requestLine;
    LoopbackServer server([&](LoopbackServer& s) {
        std::string request = s.ReadRequest();
        requestLine = request.substr(0, request.find("\r\n"));
        // The first frames ride in the same write as the handshake's answer.
        s.Send(SwitchingProtocols(request) + ServerFrame(false, 1, "fir") + ServerFrame(true, 9, "p1") +
               ServerFrame(true, 0, "st"));
        s.Send(ServerFrame(true, 1, big));
        ClientFrame frame;
        while (s.ReadFrame(&frame)) {
            s.received.push_back(frame);
            if (frame.opcode == 1) s.Send(ServerFrame(true, 8, "\x03\xE8" "bye"));
            if (frame.opcode == 8) break;
        }
    });

    WebSocket client;
    std::string error;
    ASSERT_TRUE(client.Open(server.Where(), "/devtools/page/P1", &error)) << error;
    std::string text;
    ASSERT_TRUE(client.ReadText(&text, &error)) << error;
    EXPECT_EQ(text, "first");
    ASSERT_TRUE(client.ReadText(&text, &error)) << error;
    EXPECT_TRUE(text == big) << text.size();
    ASSERT_TRUE(client.SendText(R"({"id":1})"));
    EXPECT_FALSE(client.ReadText(&text, &error));
    EXPECT_EQ(error, "the server closed the connection");
    server.Join();

    EXPECT_EQ(requestLine, "GET /devtools/page/P1 HTTP/1.1");
    ASSERT_EQ(server.received.size(), 3u);
    struct Expected {
        int opcode;
        std::string payload;
    } expected[] = {{10, "p1"}, {1, R"({"id":1})"}, {8, "\x03\xE8"}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(server.received[i].opcode, expected[i].opcode) << i;
        EXPECT_EQ(server.received[i].payload, expected[i].payload) << i;
        EXPECT_TRUE(server.received[i].masked) << i << ": a client masks every frame";
    }
}

// Both orders, each made sure of: an interrupt before the read, and one while the read waits (the
// client has answered the server's ping from inside it). The server keeps the connection until the
// client ends it, or for 5 s: only the interrupt can end the read sooner.
TEST_F(WebSocketLoopback, InterruptEndsABlockedReadAndSaysGoodbye) {
    ASSERT_TRUE(winsock_.Ready());
    for (bool whileReading : {false, true}) {
        SCOPED_TRACE(whileReading ? "while reading" : "before reading");
        HANDLE ponged = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        LoopbackServer server([&](LoopbackServer& s) {
            s.Send(SwitchingProtocols(s.ReadRequest()) + (whileReading ? ServerFrame(true, 9, "there?") : ""));
            s.KeepWaiting(5000);
            ClientFrame frame;
            while (s.ReadFrame(&frame)) {
                s.received.push_back(frame);
                if (frame.opcode == 10) SetEvent(ponged);
            }
        });
        WebSocket client;
        std::string error;
        ASSERT_TRUE(client.Open(server.Where(), "/quiet", &error)) << error;
        if (!whileReading) client.Interrupt();
        std::thread interrupter([&] {
            if (whileReading && WaitForSingleObject(ponged, 5000) == WAIT_OBJECT_0) client.Interrupt();
        });
        const ULONGLONG start = GetTickCount64();
        std::string text;
        EXPECT_FALSE(client.ReadText(&text, &error));
        EXPECT_LT(GetTickCount64() - start, 3000u) << "the read ended by itself";
        interrupter.join();
        EXPECT_FALSE(client.SendText("after")) << "nothing is sent once interrupted";
        server.Join();
        CloseHandle(ponged);
        ASSERT_FALSE(server.received.empty());
        EXPECT_EQ(server.received.back().opcode, 8);
        EXPECT_EQ(server.received.size(), whileReading ? 2u : 1u);
    }
}

TEST_F(WebSocketLoopback, RefusedUpgradeAndClosedPortFailToOpen) {
    ASSERT_TRUE(winsock_.Ready());
    {
        LoopbackServer server([](LoopbackServer& s) {
            s.ReadRequest();
            s.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        });
        WebSocket client;
        std::string error;
        EXPECT_FALSE(client.Open(server.Where(), "/devtools/page/gone", &error));
        EXPECT_NE(error.find("did not switch"), std::string::npos) << error;
    }
    Endpoint closed;
    {
        LoopbackServer server([](LoopbackServer&) {});
        closed = server.Where();
        WebSocket unused;  // connect once so the server's accept returns
        std::string error;
        unused.Open(closed, "/", &error);
    }
    WebSocket client;
    std::string error;
    EXPECT_FALSE(client.Open(closed, "/", &error));
    EXPECT_NE(error.find("cannot connect"), std::string::npos) << error;
}

}  // namespace
