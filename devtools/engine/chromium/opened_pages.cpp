#include "devtools/engine/chromium/opened_pages.h"

#include "devtools/engine/chromium/navigation_tracker.h"
#include "devtools/engine/chromium/page_target.h"

using nlohmann::json;

namespace {

const char* const kChromiumSchemes[] = {"chrome:", "chrome-untrusted:", "chrome-search:", "devtools:", "view-source:"};

}  // namespace

void OpenedPages::Watch() {
    connection_.Call("Target.getTargetInfo", json::object(), [this](const json& result, bool failed) {
        auto info = result.find("targetInfo");
        if (!failed && info != result.end() && info->is_object()) ownTargetId_ = JsonText(*info, "targetId");
    });
    // The pages Chromium had before are reported before the answer: they are not ours to close.
    connection_.Call("Target.setDiscoverTargets", json{{"discover", true}},
                     [this](const json&, bool) { watching_ = true; });
}

bool IsChromiumOwnPage(const std::string& url) {
    for (const char* scheme : kChromiumSchemes) {
        if (url.compare(0, std::char_traits<char>::length(scheme), scheme) == 0) return true;
    }
    return false;
}

void OpenedPages::OnTargetCreated(const json& params) {
    CloseIfStray(params);
}

void OpenedPages::OnTargetInfoChanged(const json& params) {
    CloseIfStray(params);
}

// Pages that other engines made stay: they are about:blank or the web's until their engine goes.
void OpenedPages::CloseIfStray(const json& params) {
    auto info = params.find("targetInfo");
    if (info == params.end() || !info->is_object()) return;
    std::string id = JsonText(*info, "targetId");
    if (!watching_) {
        earlier_.insert(id);
        return;
    }
    if (ownTargetId_.empty() || JsonText(*info, "type") != "page") return;
    if (id.empty() || id == ownTargetId_ || opened_.count(id) || earlier_.count(id)) return;
    if (JsonText(*info, "openerId") != ownTargetId_ && !IsChromiumOwnPage(JsonText(*info, "url"))) return;
    opened_.insert(id);
    connection_.Call("Target.closeTarget", json{{"targetId", id}});
}

bool OpenedPages::OnTargetDestroyed(const json& params) {
    return opened_.erase(JsonText(params, "targetId")) > 0;
}

void OpenedPages::CloseAll(const std::string& endpoint) {
    Endpoint parsed;
    if (!opened_.empty() && ParseEndpoint(endpoint, &parsed)) {
        WinsockUser winsock;
        for (const std::string& id : opened_) {
            PageTarget target;
            target.id = id;
            if (winsock.Ready()) ClosePageTarget(parsed, target);
        }
    }
    opened_.clear();
}
