// The pages Chromium makes for new windows of ours: each is closed at once, as its address opens
// in our view instead, and those whose closing Chromium has not confirmed yet are closed over
// HTTP when the session ends.
#pragma once

#include "devtools/engine/chromium/page_connection.h"

#include <set>
#include <string>

class OpenedPages {
public:
    explicit OpenedPages(PageConnection& connection) : connection_(connection) {}

    // Learns our page's id and has Chromium report the pages it makes.
    void Watch();
    void OnTargetCreated(const nlohmann::json& params);
    void OnTargetDestroyed(const nlohmann::json& params);
    // `endpoint` is Chromium's "host:port".
    void CloseAll(const std::string& endpoint);

private:
    PageConnection& connection_;
    std::string ownTargetId_;
    std::set<std::string> opened_;  // until Chromium says they closed
};
