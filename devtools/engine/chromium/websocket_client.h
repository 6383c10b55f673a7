// A WebSocket client connection (RFC 6455): the opening handshake, text messages both ways, and the
// control frames (ping, pong, close) handled on the way. One thread reads; any thread may send.
#pragma once

#include "devtools/engine/chromium/socket_io.h"
#include "devtools/engine/chromium/websocket_frames.h"

#include <mutex>
#include <random>
#include <string>

// The handshake's request, and the Sec-WebSocket-Accept value the server must answer with.
std::string HandshakeRequest(const Endpoint& endpoint, const std::string& path, const std::string& key);
std::string ExpectedAccept(const std::string& key);
// Whether the response head (up to its blank line) accepts the upgrade for that key.
bool CheckHandshakeResponse(const std::string& head, const std::string& key, std::string* error);

class WebSocket {
public:
    WebSocket();
    WebSocket(const WebSocket&) = delete;
    WebSocket& operator=(const WebSocket&) = delete;

    bool Open(const Endpoint& endpoint, const std::string& path, std::string* error);
    bool SendText(const std::string& text);
    // Blocks until a whole text message is in; pings are answered meanwhile. False once the
    // connection has ended: closed by the server, broken, or interrupted.
    bool ReadText(std::string* text, std::string* error);
    // Makes a blocked Open or ReadText return, from any thread.
    void Interrupt();

private:
    bool SendFrame(Opcode opcode, const std::string& payload);
    bool ReadHandshake(std::string* head, std::string* error);
    bool Receive();

    std::mutex mutex_;  // the socket handle, the mask source and each frame sent
    Socket socket_;
    bool interrupted_ = false;
    std::mt19937 random_;
    FrameReader reader_;
    MessageAssembler assembler_;
};
