#include "devtools/engine/chromium/page_target.h"

#include "devtools/engine/chromium/websocket_client.h"

#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

bool TargetFromObject(const json& entry, PageTarget* target) {
    if (!entry.is_object() || entry.value("type", "") != "page") return false;
    std::string path = WebSocketPath(entry.value("webSocketDebuggerUrl", ""));
    std::string id = entry.value("id", "");
    if (path.empty() || id.empty()) return false;
    target->id = id;
    target->webSocketPath = path;
    return true;
}

}  // namespace

std::string WebSocketPath(const std::string& url) {
    const std::string scheme = "ws://";
    if (url.compare(0, scheme.size(), scheme) != 0) return std::string();
    size_t slash = url.find('/', scheme.size());
    return slash == std::string::npos ? std::string() : url.substr(slash);
}

bool ReadPageTarget(const std::string& text, PageTarget* target) {
    json entry = json::parse(text, nullptr, false);
    try {
        return TargetFromObject(entry, target);
    } catch (const json::exception&) {
        return false;
    }
}

bool FirstPageTarget(const std::string& text, PageTarget* target) {
    json list = json::parse(text, nullptr, false);
    if (!list.is_array()) return false;
    try {
        for (const json& entry : list) {
            if (TargetFromObject(entry, target)) return true;
        }
    } catch (const json::exception&) {
    }
    return false;
}

PageTarget ExistingPageTarget(const std::string& id) {
    PageTarget target;
    target.id = id;
    target.webSocketPath = "/devtools/page/" + id;
    target.madeByUs = true;
    return target;
}

namespace {

// Headless Chromium draws only the active page of each of its windows: a page of ours that shared
// a window with others stopped drawing whenever another became the active one. The HTTP API makes
// pages in an existing window; the browser's own session can make one in a window of its own.
bool OpenPageInNewWindow(const Endpoint& endpoint, PageTarget* target, std::string* error) {
    HttpResponse response;
    if (!HttpRequest(endpoint, "GET", "/json/version", &response, error) || response.status != 200) return false;
    json version = json::parse(response.body, nullptr, false);
    if (!version.is_object()) return false;
    const std::string path = WebSocketPath(version.value("webSocketDebuggerUrl", ""));
    WebSocket browser;
    if (path.empty() || !browser.Open(endpoint, path, error)) return false;
    json create = {{"id", 1}, {"method", "Target.createTarget"},
                   {"params", {{"url", "about:blank"}, {"newWindow", true}}}};
    if (!browser.SendText(create.dump())) return false;
    std::string text;
    while (browser.ReadText(&text, error)) {
        json answer = json::parse(text, nullptr, false);
        if (!answer.is_object() || answer.value("id", 0) != 1) continue;
        auto result = answer.find("result");
        if (result == answer.end() || !result->is_object() || !result->contains("targetId")) return false;
        *target = ExistingPageTarget(result->value("targetId", ""));
        return !target->id.empty();
    }
    return false;
}

}  // namespace

bool OpenPageTarget(const Endpoint& endpoint, PageTarget* target, std::string* error) {
    std::string ignored;
    if (OpenPageInNewWindow(endpoint, target, &ignored)) return true;
    HttpResponse response;
    if (HttpRequest(endpoint, "PUT", "/json/new?about:blank", &response, error) && response.status == 200 &&
        ReadPageTarget(response.body, target)) {
        target->madeByUs = true;
        return true;
    }
    if (HttpRequest(endpoint, "GET", "/json/list", &response, error) && response.status == 200 &&
        FirstPageTarget(response.body, target)) {
        target->madeByUs = false;
        return true;
    }
    if (error->empty()) *error = "Chromium has no page to drive";
    return false;
}

void ClosePageTarget(const Endpoint& endpoint, const PageTarget& target) {
    HttpResponse response;
    std::string error;
    HttpRequest(endpoint, "GET", "/json/close/" + target.id, &response, &error);
}
