// Reads the page's protocol events and says which navigation events the host gets: a start for
// each main-frame navigation and each of its redirect steps, and one completion for each
// navigation, whether it loaded, failed or was superseded. It also keeps the main frame's URL.
#pragma once

#include <WebView2.h>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

struct NavigationEvent {
    enum class Kind { Starting, Completed, SourceChanged };
    Kind kind = Kind::Starting;
    uint64_t id = 0;
    std::string url;  // Starting: where the step goes
    bool success = false;
    COREWEBVIEW2_WEB_ERROR_STATUS status = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
    bool newDocument = false;  // SourceChanged: a new document committed, not a move within one
};

// A string member of a protocol message, or an empty string when it is missing or not a string.
std::string JsonText(const nlohmann::json& object, const char* key);

// The host's error status for Chromium's net error text ("net::ERR_...").
COREWEBVIEW2_WEB_ERROR_STATUS WebErrorStatusFor(const std::string& errorText, bool canceled);

class NavigationTracker {
public:
    using Reader = void (NavigationTracker::*)(std::vector<NavigationEvent>* events, const nlohmann::json& params);
    struct EventReader {
        const char* method;
        Reader read;
    };
    // The protocol events the tracker reads, each with the member that reads it.
    static const std::vector<EventReader>& EventReaders();

    // The root of Page.getFrameTree's answer: which frame is the main one, and where it is.
    void SetMainFrame(const nlohmann::json& frame);
    // The same for a page Chromium made for a new window, which the view takes over once it may
    // have loaded already: the host hears of its navigation to `requestedUrl` as of one that
    // started then, committed if the frame shows a page (which loader brings it is learnt later
    // when not), completed on its load event or on OnDocumentComplete.
    std::vector<NavigationEvent> AdoptPage(const nlohmann::json& frame, const std::string& requestedUrl);
    // The page's document.readyState was "complete": a committed open navigation is done.
    std::vector<NavigationEvent> OnDocumentComplete();
    // One event's parameters read by its reader, from EventReaders.
    std::vector<NavigationEvent> Read(Reader read, const nlohmann::json& params);
    // Page.navigate's answer, which carries the error of a navigation that failed at once.
    std::vector<NavigationEvent> OnNavigateAnswer(const nlohmann::json& result);
    // Chromium is gone: the open navigation, if any, ends without an event, as the runtime's does
    // when its browser process dies.
    void Abandon();
    // The page that asked before being left got its answer. Leave: the navigation that waited for
    // it starts. Stay: one that had not started ends unheard of, as if never asked for; one already
    // started that has not replaced the page yet ends as cancelled (Chromium tells of it no further).
    std::vector<NavigationEvent> OnLeaveAnswered(bool leave);

    const std::string& Source() const { return source_; }

private:
    void Start(std::vector<NavigationEvent>* events, const std::string& loaderId, const std::string& url);
    void Announce(std::vector<NavigationEvent>* events);
    // The open navigation's completion (after its start, if that was held back), or any one's.
    void Complete(std::vector<NavigationEvent>* events, bool success, COREWEBVIEW2_WEB_ERROR_STATUS status);
    void Complete(std::vector<NavigationEvent>* events, uint64_t id, bool success, COREWEBVIEW2_WEB_ERROR_STATUS status);
    void SetSource(std::vector<NavigationEvent>* events, const std::string& source, bool newDocument);
    void Fail(std::vector<NavigationEvent>* events, const std::string& errorText, bool canceled);
    bool IsMainFrame(const nlohmann::json& params, const char* key = "frameId") const;
    bool IsOpenLoader(const nlohmann::json& params) const;

    void OnStartedNavigating(std::vector<NavigationEvent>* events, const nlohmann::json& params);
    void OnRequest(std::vector<NavigationEvent>* events, const nlohmann::json& params);
    void OnResponse(std::vector<NavigationEvent>* events, const nlohmann::json& params);
    void OnLoadingFailed(std::vector<NavigationEvent>* events, const nlohmann::json& params);
    void OnFrameNavigated(std::vector<NavigationEvent>* events, const nlohmann::json& params);
    void OnNavigatedWithinDocument(std::vector<NavigationEvent>* events, const nlohmann::json& params);
    void OnLifecycleEvent(std::vector<NavigationEvent>* events, const nlohmann::json& params);
    void OnFrameStoppedLoading(std::vector<NavigationEvent>* events, const nlohmann::json& params);
    void OnDownloadWillBegin(std::vector<NavigationEvent>* events, const nlohmann::json& params);

    std::string mainFrame_;
    std::string source_ = "about:blank";
    uint64_t nextId_ = 1;

    // The open navigation, if any.
    bool open_ = false;
    uint64_t openId_ = 0;
    std::string openLoader_;
    std::string openRequest_;
    std::string openUrl_;
    // Chromium reports a navigation before the page it leaves was asked whether it may go; the host
    // hears of its start once the page let go: its request goes out, it commits, or the person
    // answered Leave.
    bool openAnnounced_ = false;
    bool supersededPending_ = false;  // a started navigation it replaced completes after its start
    uint64_t supersededId_ = 0;
    bool openCommitted_ = false;
    bool openCancelled_ = false;  // its request was cancelled: it completes once we know whether a newer one replaced it
    int openHttpStatus_ = 0;
};
