// The pages Chromium makes for new windows of ours, and the pages of its own that it opens by
// itself (a new tab, history, developer tools): each is closed at once, as a new window's address
// opens in our view instead, and those whose closing Chromium has not confirmed yet are closed over
// HTTP when the session ends.
#pragma once

#include "devtools/engine/chromium/page_connection.h"

#include <set>
#include <string>

// Whether a page at this address is one of Chromium's own (its new tab page, settings, history,
// downloads, developer tools, a page's source), which no web page and no engine opens.
bool IsChromiumOwnPage(const std::string& url);

class OpenedPages {
public:
    explicit OpenedPages(PageConnection& connection) : connection_(connection) {}

    // Learns our page's id and has Chromium report the pages it makes.
    void Watch();
    void OnTargetCreated(const nlohmann::json& params);
    // A page's address becomes known only later, when Chromium loads it.
    void OnTargetInfoChanged(const nlohmann::json& params);
    // True when the page was one of those closed here.
    bool OnTargetDestroyed(const nlohmann::json& params);
    // `endpoint` is Chromium's "host:port".
    void CloseAll(const std::string& endpoint);

private:
    void CloseIfStray(const nlohmann::json& params);

    PageConnection& connection_;
    std::string ownTargetId_;
    std::set<std::string> opened_;  // until Chromium says they closed
    std::set<std::string> earlier_;  // pages Chromium had before we watched
    bool watching_ = false;
};
