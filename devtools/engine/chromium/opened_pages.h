// The pages Chromium makes for new windows of ours, and the pages of its own that it opens by
// itself (a new tab, history, developer tools). Chromium's own are closed at once; a new window's
// page is reported to the view, which has it closed or handed to the view that hosts it. Those
// whose closing Chromium has not confirmed yet, and those still waiting for the host, are closed
// over HTTP when the session ends.
#pragma once

#include "devtools/engine/chromium/page_connection.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

// Whether a page at this address is one of Chromium's own (its new tab page, settings, history,
// downloads, developer tools, a page's source), which no web page and no engine opens.
bool IsChromiumOwnPage(const std::string& url);

// What window.open asked for, as the runtime's WindowFeatures gives it: numbers that are not whole
// are cut down, those outside the unsigned 32-bit range are its maximum, text that is no number is
// 0, and a size is at least 100.
struct WindowFeatureValues {
    bool hasPosition = false;
    bool hasSize = false;
    uint32_t left = 0;
    uint32_t top = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    bool popup = false;  // the menu bar, status bar, toolbar and scroll bars show only when it is not
};
// From the items of Page.windowOpen's "windowFeatures" ("width=480", "toolbar", ...).
WindowFeatureValues ReadWindowFeatures(const std::vector<std::string>& items);
// The items Chromium lists for window.open's own text ("width=480,height=560"); an empty text is a
// window with every bar, as Chromium lists it.
std::vector<std::string> WindowFeatureItems(const std::string& text);

class OpenedPages {
public:
    // A new page of ours: `fromLink` when Chromium opened it for a link by itself (a middle-click,
    // Ctrl+click or Shift+click), with no window.open and no opener.
    using NewPageSink = std::function<void(const std::string& targetId, const std::string& url, bool fromLink)>;

    OpenedPages(PageConnection& connection, NewPageSink newPage)
        : connection_(connection), newPage_(std::move(newPage)) {}

    // Learns our page's id and has Chromium report the pages it makes.
    void Watch();
    void OnTargetCreated(const nlohmann::json& params);
    // A page's address becomes known only later, when Chromium loads it.
    void OnTargetInfoChanged(const nlohmann::json& params);
    // True when the page was one of those closed here.
    bool OnTargetDestroyed(const nlohmann::json& params);
    // Page.frameScheduledNavigation: a link the person clicked, which Chromium may open in a page of its own.
    void OnNavigationScheduled(const nlohmann::json& params);
    void OnScheduledNavigationCleared() { linkUrl_.clear(); }
    // A new page reported is closed, or released to the view that takes it over.
    void Close(const std::string& targetId);
    void Release(const std::string& targetId) { held_.erase(targetId); }
    const std::string& OwnTargetId() const { return ownTargetId_; }
    // The session ended: what it held is closed, and what it knew forgotten. `endpoint` is
    // Chromium's "host:port".
    void CloseAll(const std::string& endpoint);

private:
    void CloseIfStray(const nlohmann::json& params);

    PageConnection& connection_;
    NewPageSink newPage_;
    std::string ownTargetId_;
    std::set<std::string> opened_;  // closed, until Chromium says they went
    std::set<std::string> held_;    // reported, until the view decides
    std::set<std::string> seen_;    // reported or closed once: Chromium reports a page again as it loads
    std::set<std::string> earlier_;  // pages Chromium had before we watched
    std::string linkUrl_;            // the link Chromium is about to follow, if any
    bool watching_ = false;
};
