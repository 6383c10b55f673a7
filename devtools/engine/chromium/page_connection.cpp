#include "devtools/engine/chromium/page_connection.h"

using nlohmann::json;

bool EvaluatedText(const json& result, std::string* text) {
    auto remote = result.find("result");
    if (remote == result.end() || !remote->is_object()) return false;
    auto value = remote->find("value");
    if (value == remote->end() || !value->is_string()) return false;
    *text = value->get<std::string>();
    return true;
}

void PageConnection::Open(const Endpoint& endpoint, HWND window, UINT wakeMessage, const std::string& pageId) {
    session_ = std::make_unique<DevToolsSession>(endpoint, window, wakeMessage, pageId);
}

void PageConnection::Close() {
    session_.reset();  // the worker stops before anything it posts to goes
    answers_.clear();
}

std::deque<DevToolsSession::News> PageConnection::TakeNews() {
    return session_ ? session_->TakeNews() : std::deque<DevToolsSession::News>();
}

std::unique_ptr<PageImage> PageConnection::TakeFrame() {
    return session_ ? session_->TakeFrame() : nullptr;
}

void PageConnection::On(const std::string& method, EventHandler handler) {
    events_[method].push_back(std::move(handler));
}

bool PageConnection::Call(const std::string& method, const json& params, Answer answer) {
    if (!session_) return false;
    int id = session_->Send(method, params);
    if (id == 0) return false;
    if (answer) answers_[id] = std::move(answer);
    return true;
}

// An event without parameters of an object's shape is no event we know.
void PageConnection::Dispatch(const json& message) {
    try {
        auto id = message.find("id");
        if (id != message.end()) {
            auto waiting = answers_.find(id->get<int>());
            if (waiting == answers_.end()) return;
            Answer answer = std::move(waiting->second);
            answers_.erase(waiting);
            auto error = message.find("error");
            answer(error != message.end() ? *error : message.value("result", json::object()), error != message.end());
            return;
        }
        auto handlers = events_.find(message.value("method", ""));
        auto params = message.find("params");
        if (handlers == events_.end() || params == message.end() || !params->is_object()) return;
        for (const EventHandler& handler : handlers->second) handler(*params);
    } catch (const json::exception&) {
        // A message of a shape we do not know changes nothing.
    }
}
