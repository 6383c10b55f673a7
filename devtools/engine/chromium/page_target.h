// The page in Chromium that a web view drives, found or made through the /json HTTP API.
#pragma once

#include "devtools/engine/chromium/socket_io.h"

#include <string>

struct PageTarget {
    std::string id;
    std::string webSocketPath;  // the path part of its webSocketDebuggerUrl
    bool madeByUs = false;      // then it is closed again when the view goes
};

// The path of "ws://host:port/path", or "" when the URL is not one.
std::string WebSocketPath(const std::string& url);
// A target from one entry of /json/new or /json/list; false unless it is a page with a socket URL.
bool ReadPageTarget(const std::string& json, PageTarget* target);
// The first page in a /json/list answer.
bool FirstPageTarget(const std::string& json, PageTarget* target);

// The page with that id, which Chromium made for a new window: ours to close when the view goes.
PageTarget ExistingPageTarget(const std::string& id);
// A new blank page of its own (history starts there), in a window of its own where Chromium can
// make one, so that it is the active page there and keeps drawing while another view's page, or a
// page it opened, is active in another window; or else the first page Chromium has.
bool OpenPageTarget(const Endpoint& endpoint, PageTarget* target, std::string* error);
void ClosePageTarget(const Endpoint& endpoint, const PageTarget& target);
