// The UI thread's side of a view's DevTools session: commands sent with their answers awaited,
// and each event handed to the handlers of its method, in the order they were given.
#pragma once

#include "devtools/engine/chromium/devtools_session.h"

#include <nlohmann/json.hpp>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The value of a Runtime.evaluate answer when it is a string.
bool EvaluatedText(const nlohmann::json& result, std::string* text);

class PageConnection {
public:
    using Answer = std::function<void(const nlohmann::json& result, bool failed)>;
    using EventHandler = std::function<void(const nlohmann::json& params)>;

    // A page of its own, or the page Chromium made for a new window, by its id.
    void Open(const Endpoint& endpoint, HWND window, UINT wakeMessage, const std::string& pageId = std::string());
    // Nothing more is sent or answered; the session ends (closing our page if Chromium still runs).
    void Close();
    bool IsOpen() const { return session_ != nullptr; }
    // What came in since the last call (the session's, see DevToolsSession); nothing once closed.
    std::deque<DevToolsSession::News> TakeNews();
    std::unique_ptr<PageImage> TakeFrame();

    // A handler of an event's method, after those given before; events of other methods are let pass.
    void On(const std::string& method, EventHandler handler);
    // False when the command could not be sent: no answer comes then.
    bool Call(const std::string& method, const nlohmann::json& params, Answer answer = nullptr);
    // A message from Chromium: an answer goes to its command's caller, an event to its handler.
    void Dispatch(const nlohmann::json& message);

private:
    std::unique_ptr<DevToolsSession> session_;
    std::map<int, Answer> answers_;
    std::map<std::string, std::vector<EventHandler>> events_;
};
