#include "devtools/engine/chromium/websocket_client.h"

#include "devtools/engine/chromium/base64.h"
#include "devtools/engine/chromium/sha1.h"

namespace {

const char kAcceptGuid[] = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
const DWORD kHandshakeTimeoutMs = 5000;
// Screenshots of a large page come as one frame of a few megabytes.
const uint64_t kMaxFramePayload = 64ull * 1024 * 1024;
const size_t kMaxHandshakeBytes = 16384;

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

std::string HandshakeRequest(const Endpoint& endpoint, const std::string& path, const std::string& key) {
    return "GET " + path + " HTTP/1.1\r\n" + "Host: " + endpoint.host + ":" + std::to_string(endpoint.port) +
           "\r\n" + "Upgrade: websocket\r\n" + "Connection: Upgrade\r\n" + "Sec-WebSocket-Key: " + key + "\r\n" +
           "Sec-WebSocket-Version: 13\r\n\r\n";
}

std::string ExpectedAccept(const std::string& key) {
    return Base64Encode(Sha1(key + kAcceptGuid));
}

bool CheckHandshakeResponse(const std::string& head, const std::string& key, std::string* error) {
    if (head.compare(0, 13, "HTTP/1.1 101 ") != 0) {
        *error = "the server did not switch protocols: " + head.substr(0, head.find("\r\n"));
        return false;
    }
    if (Lower(HeaderValue(head, "Upgrade")) != "websocket") {
        *error = "the server did not upgrade to websocket";
        return false;
    }
    if (HeaderValue(head, "Sec-WebSocket-Accept") != ExpectedAccept(key)) {
        *error = "the server's Sec-WebSocket-Accept does not match our key";
        return false;
    }
    return true;
}

WebSocket::WebSocket() : reader_(kMaxFramePayload) {
    std::random_device device;
    random_.seed(device() ^ static_cast<unsigned>(GetTickCount64()));
}

bool WebSocket::Open(const Endpoint& endpoint, const std::string& path, std::string* error) {
    Socket connected = ConnectTcp(endpoint, kHandshakeTimeoutMs, error);
    if (!connected.Valid()) return false;
    std::string key;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (interrupted_) {
            *error = "interrupted";
            return false;
        }
        socket_ = std::move(connected);
        std::string nonce;
        for (int i = 0; i < 16; ++i) nonce += static_cast<char>(random_() & 0xFF);
        key = Base64Encode(nonce);
    }
    std::string head;
    if (!SendAll(socket_.Get(), HandshakeRequest(endpoint, path, key)) || !ReadHandshake(&head, error)) {
        if (error->empty()) *error = "the handshake broke off";
        return false;
    }
    if (!CheckHandshakeResponse(head, key, error)) return false;
    DWORD noTimeout = 0;  // from now on the reader waits for as long as the page is quiet
    setsockopt(socket_.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&noTimeout), sizeof(noTimeout));
    return true;
}

// Reads up to the blank line; whatever came after it is the first frames.
bool WebSocket::ReadHandshake(std::string* head, std::string* error) {
    std::string raw;
    char buffer[4096];
    for (;;) {
        size_t end = raw.find("\r\n\r\n");
        if (end != std::string::npos) {
            *head = raw.substr(0, end + 2);
            reader_.Feed(raw.data() + end + 4, raw.size() - end - 4);
            return true;
        }
        if (raw.size() > kMaxHandshakeBytes) {
            *error = "the handshake answer is too long";
            return false;
        }
        int got = recv(socket_.Get(), buffer, sizeof(buffer), 0);
        if (got <= 0) return false;
        raw.append(buffer, static_cast<size_t>(got));
    }
}

bool WebSocket::SendFrame(Opcode opcode, const std::string& payload) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!socket_.Valid() || interrupted_) return false;
    MaskKey mask;
    for (auto& byte : mask) byte = static_cast<uint8_t>(random_() & 0xFF);
    return SendAll(socket_.Get(), EncodeClientFrame(opcode, payload, mask));
}

bool WebSocket::SendText(const std::string& text) {
    return SendFrame(Opcode::Text, text);
}

bool WebSocket::Receive() {
    char buffer[65536];
    int got = recv(socket_.Get(), buffer, sizeof(buffer), 0);
    if (got <= 0) return false;
    reader_.Feed(buffer, static_cast<size_t>(got));
    return true;
}

bool WebSocket::ReadText(std::string* text, std::string* error) {
    for (;;) {
        Frame frame;
        FrameReader::Result result = reader_.Next(&frame);
        if (result == FrameReader::Result::Error) {
            *error = "bad frame: " + reader_.Error();
            return false;
        }
        if (result == FrameReader::Result::NeedMore) {
            if (!Receive()) {
                *error = "the connection ended";
                return false;
            }
            continue;
        }
        MessageAssembler::Message message = assembler_.Add(std::move(frame));
        switch (message.kind) {
        case MessageAssembler::Kind::Incomplete:
        case MessageAssembler::Kind::Pong:
        case MessageAssembler::Kind::Binary:  // the protocol speaks text only
            break;
        case MessageAssembler::Kind::Ping:
            SendFrame(Opcode::Pong, message.payload);
            break;
        case MessageAssembler::Kind::Close:
            SendFrame(Opcode::Close, message.payload.substr(0, 2));  // echo the status code
            *error = "the server closed the connection";
            return false;
        case MessageAssembler::Kind::Error:
            *error = "fragments out of order";
            return false;
        case MessageAssembler::Kind::Text:
            *text = std::move(message.payload);
            return true;
        }
    }
}

void WebSocket::Interrupt() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (interrupted_) return;
    if (socket_.Valid()) {
        // A close frame first, as the protocol asks; then nothing more either way.
        MaskKey mask;
        for (auto& byte : mask) byte = static_cast<uint8_t>(random_() & 0xFF);
        SendAll(socket_.Get(), EncodeClientFrame(Opcode::Close, std::string("\x03\xE8", 2), mask));
        shutdown(socket_.Get(), SD_BOTH);
    }
    interrupted_ = true;
}
