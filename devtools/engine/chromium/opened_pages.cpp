#include "devtools/engine/chromium/opened_pages.h"

#include "devtools/engine/chromium/navigation_tracker.h"
#include "devtools/engine/chromium/page_target.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

using nlohmann::json;

namespace {

const char* const kChromiumSchemes[] = {"chrome:", "chrome-untrusted:", "chrome-search:", "devtools:", "view-source:"};
const uint32_t kLeastSize = 100;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Not a number: 0; a fraction: cut down; outside the unsigned 32-bit range, either way: its maximum.
uint32_t FeatureNumber(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || std::isnan(value)) return 0;
    if (value < 0 || value >= 4294967296.0) return UINT32_MAX;
    return static_cast<uint32_t>(std::floor(value));
}

}  // namespace

WindowFeatureValues ReadWindowFeatures(const std::vector<std::string>& items) {
    WindowFeatureValues features;
    bool bars[4] = {};  // menubar, status, toolbar, scrollbars
    for (const std::string& item : items) {
        const size_t equals = item.find('=');
        const std::string key = Lower(Trimmed(item.substr(0, equals)));
        const uint32_t number = equals == std::string::npos ? 0 : FeatureNumber(Trimmed(item.substr(equals + 1)));
        if (key == "left" || key == "screenx") {
            features.hasPosition = true;
            features.left = number;
        } else if (key == "top" || key == "screeny") {
            features.hasPosition = true;
            features.top = number;
        } else if (key == "width" || key == "innerwidth") {
            features.hasSize = true;
            features.width = std::max(number, kLeastSize);
        } else if (key == "height" || key == "innerheight") {
            features.hasSize = true;
            features.height = std::max(number, kLeastSize);
        } else if (key == "menubar") {
            bars[0] = true;
        } else if (key == "status") {
            bars[1] = true;
        } else if (key == "toolbar") {
            bars[2] = true;
        } else if (key == "scrollbars") {
            bars[3] = true;
        }
    }
    features.popup = !(bars[0] && bars[1] && bars[2] && bars[3]);
    return features;
}

std::vector<std::string> WindowFeatureItems(const std::string& text) {
    if (Trimmed(text).empty()) return {"menubar", "toolbar", "status", "scrollbars", "resizable"};
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        std::string item = Trimmed(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!item.empty()) items.push_back(item);
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

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

// A middle-click, Ctrl+click or Shift+click on a link schedules a navigation of our page that
// Chromium then clears, after it made a page of its own, without opener, for the link.
void OpenedPages::OnNavigationScheduled(const json& params) {
    linkUrl_ = JsonText(params, "reason") == "anchorClick" ? JsonText(params, "url") : std::string();
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
    if (id.empty() || id == ownTargetId_ || seen_.count(id) || earlier_.count(id)) return;
    const std::string url = JsonText(*info, "url");
    const bool opened = JsonText(*info, "openerId") == ownTargetId_;
    const bool fromLink = !opened && !linkUrl_.empty() && url == linkUrl_;
    if (!opened && !fromLink && !IsChromiumOwnPage(url)) return;
    seen_.insert(id);
    if (IsChromiumOwnPage(url)) {
        Close(id);
        return;
    }
    if (fromLink) linkUrl_.clear();
    held_.insert(id);
    newPage_(id, url, fromLink);
}

void OpenedPages::Close(const std::string& targetId) {
    held_.erase(targetId);
    opened_.insert(targetId);
    connection_.Call("Target.closeTarget", json{{"targetId", targetId}});
}

bool OpenedPages::OnTargetDestroyed(const json& params) {
    const std::string id = JsonText(params, "targetId");
    held_.erase(id);
    return opened_.erase(id) > 0;
}

void OpenedPages::CloseAll(const std::string& endpoint) {
    std::set<std::string> closing = opened_;
    closing.insert(held_.begin(), held_.end());
    Endpoint parsed;
    if (!closing.empty() && ParseEndpoint(endpoint, &parsed)) {
        WinsockUser winsock;
        for (const std::string& id : closing) {
            PageTarget target;
            target.id = id;
            if (winsock.Ready()) ClosePageTarget(parsed, target);
        }
    }
    opened_.clear();
    held_.clear();
    seen_.clear();
    earlier_.clear();
    ownTargetId_.clear();
    linkUrl_.clear();
    watching_ = false;
}
