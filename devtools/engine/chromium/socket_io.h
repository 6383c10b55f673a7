// Plain TCP to the DevTools endpoint over Winsock, and the one-shot HTTP requests of its /json API.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <string>

struct Endpoint {
    std::string host;  // a dotted IPv4 address
    uint16_t port = 0;
};

// "127.0.0.1:9222" (or "localhost:9222"); false for anything else.
bool ParseEndpoint(const std::string& text, Endpoint* endpoint);

// Winsock is started for as long as one of these lives.
class WinsockUser {
public:
    WinsockUser();
    ~WinsockUser();
    WinsockUser(const WinsockUser&) = delete;
    WinsockUser& operator=(const WinsockUser&) = delete;
    bool Ready() const { return ready_; }

private:
    bool ready_ = false;
};

// A connected socket with one owner.
class Socket {
public:
    Socket() = default;
    explicit Socket(SOCKET handle) : handle_(handle) {}
    Socket(Socket&& other) noexcept : handle_(other.Release()) {}
    Socket& operator=(Socket&& other) noexcept;
    ~Socket() { Close(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    SOCKET Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_SOCKET; }
    SOCKET Release();
    void Close();

private:
    SOCKET handle_ = INVALID_SOCKET;
};

// Connects with no delay on small writes; receive calls give up after receiveTimeoutMs (0: never).
Socket ConnectTcp(const Endpoint& endpoint, DWORD receiveTimeoutMs, std::string* error);
bool SendAll(SOCKET socket, const std::string& bytes);

struct HttpResponse {
    int status = 0;
    std::string head;  // the status line and the header lines
    std::string body;
};

// Splits a complete response; the body is cut to Content-Length when there is one.
bool ParseHttpResponse(const std::string& raw, HttpResponse* response);
// The value of the first header of that name (case-insensitive), or "".
std::string HeaderValue(const std::string& head, const std::string& name);

// One request on a connection of its own, read to its end.
bool HttpRequest(const Endpoint& endpoint, const std::string& method, const std::string& path, HttpResponse* response,
                 std::string* error);
