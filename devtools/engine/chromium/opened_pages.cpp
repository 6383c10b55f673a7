#include "devtools/engine/chromium/opened_pages.h"

#include "devtools/engine/chromium/navigation_tracker.h"
#include "devtools/engine/chromium/page_target.h"

using nlohmann::json;

void OpenedPages::Watch() {
    connection_.Call("Target.getTargetInfo", json::object(), [this](const json& result, bool failed) {
        auto info = result.find("targetInfo");
        if (!failed && info != result.end() && info->is_object()) ownTargetId_ = JsonText(*info, "targetId");
    });
    connection_.Call("Target.setDiscoverTargets", json{{"discover", true}});
}

void OpenedPages::OnTargetCreated(const json& params) {
    auto info = params.find("targetInfo");
    if (info == params.end() || !info->is_object()) return;
    if (ownTargetId_.empty() || JsonText(*info, "type") != "page" || JsonText(*info, "openerId") != ownTargetId_) {
        return;
    }
    std::string id = JsonText(*info, "targetId");
    if (id.empty()) return;
    opened_.insert(id);
    connection_.Call("Target.closeTarget", json{{"targetId", id}});
}

void OpenedPages::OnTargetDestroyed(const json& params) {
    opened_.erase(JsonText(params, "targetId"));
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
