#include "devtools/engine/chromium/page_target.h"

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

bool OpenPageTarget(const Endpoint& endpoint, PageTarget* target, std::string* error) {
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
