// The connection to one page in Chromium. A worker thread finds or makes the page, opens its
// WebSocket and reads from it; screencast frames are acknowledged and decoded there, and all else
// is queued for the UI thread, which gets a posted message when there is news and sends commands.
#pragma once

#include "devtools/engine/chromium/page_image.h"
#include "devtools/engine/chromium/page_target.h"
#include "devtools/engine/chromium/socket_io.h"
#include "devtools/engine/chromium/websocket_client.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class DevToolsSession {
public:
    struct News {
        enum class Kind { Connected, Message, Ended };
        Kind kind = Kind::Message;
        nlohmann::json message;  // Message: a command's answer or an event
        std::string error;       // Ended: why
    };

    // Starts connecting at once, to a page of its own or, given its id, to a page Chromium made for a
    // new window; `window` is posted `wakeMessage` whenever news or a frame waits.
    DevToolsSession(const Endpoint& endpoint, HWND window, UINT wakeMessage, const std::string& pageId = std::string());
    // Interrupts the connection, closes the page if it was made for us, and waits for the worker.
    ~DevToolsSession();
    DevToolsSession(const DevToolsSession&) = delete;
    DevToolsSession& operator=(const DevToolsSession&) = delete;

    // UI thread: what came in since the last call, in order, and the latest frame, if a new one came.
    std::deque<News> TakeNews();
    std::unique_ptr<PageImage> TakeFrame();
    // Sends a command; its id, or 0 when the connection is not open.
    int Send(const std::string& method, const nlohmann::json& params);

private:
    void Run();
    void OnFrame(const nlohmann::json& params);
    void Push(News news);
    void Wake();  // with mutex_ held

    Endpoint endpoint_;
    HWND window_;
    UINT wakeMessage_;
    WinsockUser winsock_;
    GdiplusUser gdiplus_;
    WebSocket socket_;
    PageTarget target_;  // given, or found by the worker
    std::atomic<bool> open_{false};
    std::atomic<int> nextId_{1};

    std::mutex mutex_;  // what the two threads share below
    std::deque<News> news_;
    std::unique_ptr<PageImage> frame_;
    bool wakePosted_ = false;

    std::thread worker_;  // last: it starts once everything above exists
};
