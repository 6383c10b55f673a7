#include "devtools/engine/chromium/navigation_tracker.h"

using nlohmann::json;

namespace {

// Statuses the browser's declarations leave out, by their number in the runtime's enumeration.
const COREWEBVIEW2_WEB_ERROR_STATUS kCertificateCommonNameIsIncorrect = static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(1);
const COREWEBVIEW2_WEB_ERROR_STATUS kCertificateExpired = static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(2);
const COREWEBVIEW2_WEB_ERROR_STATUS kCertificateRevoked = static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(4);
const COREWEBVIEW2_WEB_ERROR_STATUS kCertificateIsInvalid = static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(5);
const COREWEBVIEW2_WEB_ERROR_STATUS kTimeout = static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(7);
const COREWEBVIEW2_WEB_ERROR_STATUS kInvalidServerResponse = static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(8);
const COREWEBVIEW2_WEB_ERROR_STATUS kConnectionAborted = static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(9);
const COREWEBVIEW2_WEB_ERROR_STATUS kConnectionReset = static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(10);
const COREWEBVIEW2_WEB_ERROR_STATUS kDisconnected = static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(11);
const COREWEBVIEW2_WEB_ERROR_STATUS kRedirectFailed = static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(15);

struct ErrorMapping {
    const char* errorText;
    COREWEBVIEW2_WEB_ERROR_STATUS status;
};

const ErrorMapping kErrorMappings[] = {
    {"net::ERR_NAME_NOT_RESOLVED", COREWEBVIEW2_WEB_ERROR_STATUS_HOST_NAME_NOT_RESOLVED},
    {"net::ERR_NAME_RESOLUTION_FAILED", COREWEBVIEW2_WEB_ERROR_STATUS_HOST_NAME_NOT_RESOLVED},
    {"net::ERR_CONNECTION_REFUSED", COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT},
    {"net::ERR_CONNECTION_FAILED", COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT},
    {"net::ERR_ADDRESS_UNREACHABLE", COREWEBVIEW2_WEB_ERROR_STATUS_SERVER_UNREACHABLE},
    {"net::ERR_ADDRESS_INVALID", COREWEBVIEW2_WEB_ERROR_STATUS_SERVER_UNREACHABLE},
    {"net::ERR_TIMED_OUT", kTimeout},
    {"net::ERR_CONNECTION_TIMED_OUT", kTimeout},
    {"net::ERR_CONNECTION_ABORTED", kConnectionAborted},
    {"net::ERR_CONNECTION_RESET", kConnectionReset},
    {"net::ERR_CONNECTION_CLOSED", kDisconnected},
    {"net::ERR_INTERNET_DISCONNECTED", kDisconnected},
    {"net::ERR_EMPTY_RESPONSE", kInvalidServerResponse},
    {"net::ERR_INVALID_HTTP_RESPONSE", kInvalidServerResponse},
    {"net::ERR_INVALID_RESPONSE", kInvalidServerResponse},
    {"net::ERR_TOO_MANY_REDIRECTS", kRedirectFailed},
    {"net::ERR_UNSAFE_REDIRECT", kRedirectFailed},
    {"net::ERR_CERT_COMMON_NAME_INVALID", kCertificateCommonNameIsIncorrect},
    {"net::ERR_CERT_DATE_INVALID", kCertificateExpired},
    {"net::ERR_CERT_REVOKED", kCertificateRevoked},
    {"net::ERR_CERT_AUTHORITY_INVALID", kCertificateIsInvalid},
    {"net::ERR_CERT_INVALID", kCertificateIsInvalid},
    {"net::ERR_ABORTED", COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED},
};

}  // namespace

std::string JsonText(const json& object, const char* key) {
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

COREWEBVIEW2_WEB_ERROR_STATUS WebErrorStatusFor(const std::string& errorText, bool canceled) {
    if (canceled) return COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED;
    for (const ErrorMapping& mapping : kErrorMappings) {
        if (errorText == mapping.errorText) return mapping.status;
    }
    return COREWEBVIEW2_WEB_ERROR_STATUS_UNEXPECTED_ERROR;
}

void NavigationTracker::SetMainFrame(const json& frame) {
    mainFrame_ = JsonText(frame, "id");
    std::string url = JsonText(frame, "url");
    if (!url.empty()) source_ = url + JsonText(frame, "urlFragment");
}

std::vector<NavigationEvent> NavigationTracker::AdoptPage(const json& frame, const std::string& requestedUrl) {
    std::vector<NavigationEvent> events;
    mainFrame_ = JsonText(frame, "id");
    const std::string shown = JsonText(frame, "url");
    const bool blank = shown.empty() || shown == "about:blank";
    const bool committed = !blank || requestedUrl.empty() || requestedUrl == "about:blank";
    Start(&events, committed ? JsonText(frame, "loaderId") : std::string(),
          committed ? (blank ? std::string("about:blank") : shown + JsonText(frame, "urlFragment")) : requestedUrl);
    Announce(&events);
    if (committed) {
        openCommitted_ = true;
        SetSource(&events, openUrl_, true);
    }
    return events;
}

std::vector<NavigationEvent> NavigationTracker::OnDocumentComplete() {
    std::vector<NavigationEvent> events;
    if (open_ && openCommitted_) Complete(&events, true, COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN);
    return events;
}

bool NavigationTracker::IsMainFrame(const json& params, const char* key) const {
    return !mainFrame_.empty() && JsonText(params, key) == mainFrame_;
}

bool NavigationTracker::IsOpenLoader(const json& params) const {
    return open_ && JsonText(params, "loaderId") == openLoader_;
}

const std::vector<NavigationTracker::EventReader>& NavigationTracker::EventReaders() {
    static const std::vector<EventReader> readers = {
        {"Page.frameStartedNavigating", &NavigationTracker::OnStartedNavigating},
        {"Network.requestWillBeSent", &NavigationTracker::OnRequest},
        {"Network.responseReceived", &NavigationTracker::OnResponse},
        {"Network.loadingFailed", &NavigationTracker::OnLoadingFailed},
        {"Page.frameNavigated", &NavigationTracker::OnFrameNavigated},
        {"Page.navigatedWithinDocument", &NavigationTracker::OnNavigatedWithinDocument},
        {"Page.lifecycleEvent", &NavigationTracker::OnLifecycleEvent},
        {"Page.frameStoppedLoading", &NavigationTracker::OnFrameStoppedLoading},
        {"Browser.downloadWillBegin", &NavigationTracker::OnDownloadWillBegin},
    };
    return readers;
}

std::vector<NavigationEvent> NavigationTracker::Read(Reader read, const json& params) {
    std::vector<NavigationEvent> events;
    if (params.is_object()) (this->*read)(&events, params);
    return events;
}

std::vector<NavigationEvent> NavigationTracker::OnNavigateAnswer(const json& result) {
    std::vector<NavigationEvent> events;
    if (!result.is_object()) return events;
    std::string errorText = JsonText(result, "errorText");
    if (errorText.empty() || !IsOpenLoader(result)) return events;
    // Aborted, as when a newer navigation replaces it: the newer one's start comes next, or the frame stops.
    if (errorText == "net::ERR_ABORTED") {
        openCancelled_ = true;
    } else {
        Fail(&events, errorText, false);
    }
    return events;
}

void NavigationTracker::Abandon() {
    open_ = false;
    supersededPending_ = false;
}

std::vector<NavigationEvent> NavigationTracker::OnLeaveAnswered(bool leave) {
    std::vector<NavigationEvent> events;
    if (!open_) return events;
    if (leave) {
        Announce(&events);
    } else if (!openAnnounced_) {
        open_ = false;
        if (supersededPending_) Complete(&events, supersededId_, false, COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED);
        supersededPending_ = false;
    } else if (!openCommitted_) {
        Complete(&events, false, COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED);
    }
    return events;
}

// Same-document moves (fragments, the history API) change the URL but are no navigation of the page.
void NavigationTracker::OnStartedNavigating(std::vector<NavigationEvent>* events, const json& params) {
    if (!IsMainFrame(params)) return;
    std::string type = JsonText(params, "navigationType");
    if (type == "sameDocument" || type == "historySameDocument") return;
    std::string loaderId = JsonText(params, "loaderId");
    if (open_ && openLoader_.empty()) openLoader_ = loaderId;  // an adopted page's navigation, now known
    if (open_ && openLoader_ == loaderId) return;
    // A superseded navigation still completes, after its successor started, as in a real engine; one
    // the host never heard of is simply replaced.
    if (open_ && openAnnounced_) {
        supersededPending_ = true;
        supersededId_ = openId_;
    }
    Start(events, loaderId, JsonText(params, "url"));
}

// The navigation's document request, and again for each redirect step, with the same loader.
void NavigationTracker::OnRequest(std::vector<NavigationEvent>* events, const json& params) {
    if (JsonText(params, "type") != "Document" || !IsMainFrame(params) || !IsOpenLoader(params)) return;
    Announce(events);
    openRequest_ = JsonText(params, "requestId");
    if (!params.contains("redirectResponse")) return;
    auto request = params.find("request");
    if (request == params.end() || !request->is_object()) return;
    openUrl_ = JsonText(*request, "url");
    NavigationEvent step;
    step.kind = NavigationEvent::Kind::Starting;
    step.id = openId_;
    step.url = openUrl_;
    events->push_back(step);
}

void NavigationTracker::OnResponse(std::vector<NavigationEvent>*, const json& params) {
    if (!open_ || JsonText(params, "requestId") != openRequest_ || openRequest_.empty()) return;
    auto response = params.find("response");
    if (response != params.end() && response->is_object()) openHttpStatus_ = response->value("status", 0);
}

// The answer is a file, not a page: the runtime ends the navigation as aborted, and the page that
// was there stays.
void NavigationTracker::OnDownloadWillBegin(std::vector<NavigationEvent>* events, const json& params) {
    if (open_ && IsMainFrame(params)) Complete(events, false, kConnectionAborted);
}

void NavigationTracker::OnLoadingFailed(std::vector<NavigationEvent>* events, const json& params) {
    if (!open_ || openRequest_.empty() || JsonText(params, "requestId") != openRequest_) return;
    // A cancelled request is often the sign of a newer navigation, whose start comes next.
    if (params.value("canceled", false)) {
        openCancelled_ = true;
    } else {
        Fail(events, JsonText(params, "errorText"), false);
    }
}

void NavigationTracker::OnNavigatedWithinDocument(std::vector<NavigationEvent>* events, const json& params) {
    if (IsMainFrame(params)) SetSource(events, JsonText(params, "url"), false);
}

void NavigationTracker::OnLifecycleEvent(std::vector<NavigationEvent>* events, const json& params) {
    if (JsonText(params, "name") == "load" && IsMainFrame(params) && IsOpenLoader(params)) {
        Complete(events, openHttpStatus_ < 400, COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN);
    }
}

// In case a committed page stops without its load event.
void NavigationTracker::OnFrameStoppedLoading(std::vector<NavigationEvent>* events, const json& params) {
    if (!open_ || !IsMainFrame(params)) return;
    if (openCommitted_) {
        Complete(events, openHttpStatus_ < 400, COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN);
    } else if (openCancelled_) {
        Complete(events, false, COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED);  // nothing replaced it
    }
}

// A page from the back-forward cache keeps its old loader and fires no load event: restoring it
// completes the navigation.
void NavigationTracker::OnFrameNavigated(std::vector<NavigationEvent>* events, const json& params) {
    auto frame = params.find("frame");
    if (frame == params.end() || !frame->is_object() || frame->contains("parentId")) return;
    mainFrame_ = JsonText(*frame, "id");
    if (open_) Announce(events);
    std::string unreachable = JsonText(*frame, "unreachableUrl");
    SetSource(events, !unreachable.empty() ? unreachable : JsonText(*frame, "url") + JsonText(*frame, "urlFragment"), true);
    if (!open_) return;
    if (openLoader_.empty()) openLoader_ = JsonText(*frame, "loaderId");  // an adopted page committed
    if (JsonText(*frame, "loaderId") == openLoader_) openCommitted_ = true;
    if (JsonText(params, "type") == "BackForwardCacheRestore") Complete(events, true, COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN);
}

void NavigationTracker::Start(std::vector<NavigationEvent>*, const std::string& loaderId, const std::string& url) {
    open_ = true;
    openId_ = nextId_++;
    openLoader_ = loaderId;
    openRequest_.clear();
    openUrl_ = url;
    openAnnounced_ = false;
    openCommitted_ = false;
    openCancelled_ = false;
    openHttpStatus_ = 0;
}

// The open navigation's start, once, then the completion of the one it replaced.
void NavigationTracker::Announce(std::vector<NavigationEvent>* events) {
    if (!open_ || openAnnounced_) return;
    openAnnounced_ = true;
    NavigationEvent starting;
    starting.kind = NavigationEvent::Kind::Starting;
    starting.id = openId_;
    starting.url = openUrl_;
    events->push_back(starting);
    if (supersededPending_) {
        supersededPending_ = false;
        Complete(events, supersededId_, false, COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED);
    }
}

void NavigationTracker::Complete(std::vector<NavigationEvent>* events, bool success,
                                 COREWEBVIEW2_WEB_ERROR_STATUS status) {
    Announce(events);
    open_ = false;
    Complete(events, openId_, success, status);
}

void NavigationTracker::Complete(std::vector<NavigationEvent>* events, uint64_t id, bool success,
                                 COREWEBVIEW2_WEB_ERROR_STATUS status) {
    NavigationEvent completed;
    completed.kind = NavigationEvent::Kind::Completed;
    completed.id = id;
    completed.success = success;
    completed.status = status;
    events->push_back(completed);
}

// The host hears of each change of the main frame's address, and only of a change.
void NavigationTracker::SetSource(std::vector<NavigationEvent>* events, const std::string& source, bool newDocument) {
    if (source == source_) return;
    source_ = source;
    NavigationEvent changed;
    changed.kind = NavigationEvent::Kind::SourceChanged;
    changed.newDocument = newDocument;
    changed.url = source;
    events->push_back(changed);
}

// A failed page shows the address that failed, as the error page Chromium puts there will.
void NavigationTracker::Fail(std::vector<NavigationEvent>* events, const std::string& errorText, bool canceled) {
    if (!canceled && errorText != "net::ERR_ABORTED") source_ = openUrl_;
    Complete(events, false, WebErrorStatusFor(errorText, canceled));
}
