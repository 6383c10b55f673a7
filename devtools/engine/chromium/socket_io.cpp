#include "devtools/engine/chromium/socket_io.h"

#include <ws2tcpip.h>

#include <cctype>
#include <cstdlib>

namespace {

const DWORD kHttpTimeoutMs = 5000;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

bool ParseEndpoint(const std::string& text, Endpoint* endpoint) {
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
    std::string host = text.substr(0, colon);
    if (host == "localhost") host = "127.0.0.1";
    in_addr address;
    if (inet_pton(AF_INET, host.c_str(), &address) != 1) return false;
    std::string digits = text.substr(colon + 1);
    if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
    long port = std::strtol(digits.c_str(), nullptr, 10);
    if (port < 1 || port > 65535) return false;
    endpoint->host = host;
    endpoint->port = static_cast<uint16_t>(port);
    return true;
}

WinsockUser::WinsockUser() {
    WSADATA data;
    ready_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockUser::~WinsockUser() {
    if (ready_) WSACleanup();
}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.Release();
    }
    return *this;
}

SOCKET Socket::Release() {
    SOCKET handle = handle_;
    handle_ = INVALID_SOCKET;
    return handle;
}

void Socket::Close() {
    if (handle_ != INVALID_SOCKET) closesocket(handle_);
    handle_ = INVALID_SOCKET;
}

Socket ConnectTcp(const Endpoint& endpoint, DWORD receiveTimeoutMs, std::string* error) {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(endpoint.port);
    if (inet_pton(AF_INET, endpoint.host.c_str(), &address.sin_addr) != 1) {
        *error = "not an IPv4 address: " + endpoint.host;
        return Socket();
    }
    Socket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!socket.Valid()) {
        *error = "no socket: " + std::to_string(WSAGetLastError());
        return Socket();
    }
    if (connect(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        *error = "cannot connect to " + endpoint.host + ":" + std::to_string(endpoint.port) + " (" +
                 std::to_string(WSAGetLastError()) + ")";
        return Socket();
    }
    // Commands are small and each is waited for: no point holding them back.
    BOOL noDelay = TRUE;
    setsockopt(socket.Get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
    if (receiveTimeoutMs > 0) {
        setsockopt(socket.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&receiveTimeoutMs),
                   sizeof(receiveTimeoutMs));
    }
    return socket;
}

bool SendAll(SOCKET socket, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        int chunk = send(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (chunk <= 0) return false;
        sent += static_cast<size_t>(chunk);
    }
    return true;
}

std::string HeaderValue(const std::string& head, const std::string& name) {
    std::string wanted = Lower(name) + ":";
    size_t lineStart = head.find("\r\n");
    while (lineStart != std::string::npos) {
        lineStart += 2;
        size_t lineEnd = head.find("\r\n", lineStart);
        std::string line = head.substr(lineStart, lineEnd == std::string::npos ? std::string::npos : lineEnd - lineStart);
        if (Lower(line.substr(0, wanted.size())) == wanted) {
            size_t value = line.find_first_not_of(" \t", wanted.size());
            size_t valueEnd = line.find_last_not_of(" \t");
            return value == std::string::npos ? std::string() : line.substr(value, valueEnd - value + 1);
        }
        lineStart = lineEnd;
    }
    return std::string();
}

bool ParseHttpResponse(const std::string& raw, HttpResponse* response) {
    size_t headEnd = raw.find("\r\n\r\n");
    if (headEnd == std::string::npos || raw.compare(0, 5, "HTTP/") != 0) return false;
    size_t space = raw.find(' ');
    if (space == std::string::npos || space > headEnd) return false;
    int status = std::atoi(raw.c_str() + space + 1);
    if (status < 100 || status > 599) return false;
    response->status = status;
    response->head = raw.substr(0, headEnd);
    response->body = raw.substr(headEnd + 4);
    std::string length = HeaderValue(response->head, "Content-Length");
    if (!length.empty()) {
        size_t expected = static_cast<size_t>(std::strtoull(length.c_str(), nullptr, 10));
        if (response->body.size() < expected) return false;  // cut short
        response->body.resize(expected);
    }
    return true;
}

bool HttpRequest(const Endpoint& endpoint, const std::string& method, const std::string& path, HttpResponse* response,
                 std::string* error) {
    Socket socket = ConnectTcp(endpoint, kHttpTimeoutMs, error);
    if (!socket.Valid()) return false;
    std::string request = method + " " + path + " HTTP/1.1\r\nHost: " + endpoint.host + ":" +
                          std::to_string(endpoint.port) + "\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
    if (!SendAll(socket.Get(), request)) {
        *error = "cannot send the request for " + path;
        return false;
    }
    std::string raw;
    char buffer[16384];
    for (;;) {
        int got = recv(socket.Get(), buffer, sizeof(buffer), 0);
        if (got <= 0) break;
        raw.append(buffer, static_cast<size_t>(got));
        // The server may keep the connection open: a complete response is enough.
        if (ParseHttpResponse(raw, response) && !HeaderValue(response->head, "Content-Length").empty()) return true;
    }
    if (ParseHttpResponse(raw, response)) return true;
    *error = "no complete answer to " + method + " " + path;
    return false;
}
