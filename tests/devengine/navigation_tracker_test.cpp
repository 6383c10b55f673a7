// From the page's protocol events to the host's navigation events: sequences as Chromium 156 sends
// them (recorded against local pages), each with the starts, completions and source it must give.
#include "devtools/engine/chromium/navigation_tracker.h"
#include "devtools/engine/chromium/opened_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using nlohmann::json;

const char kMain[] = "MAINFRAME";
const char kChild[] = "CHILDFRAME";
const char kBase[] = "https://127.0.0.1:8443";

struct Step {
    // A protocol event, or "answer" for Page.navigate's answer, "abandon", or "stay" and "leave" (the
    // person's answer to a page that asked before it is left).
    std::string method;
    json params;
};

std::string Url(const std::string& path) {
    return kBase + path;
}

Step Started(const std::string& path, const std::string& loader, const char* type = "differentDocument",
             const char* frame = kMain) {
    return {"Page.frameStartedNavigating",
            {{"frameId", frame}, {"url", Url(path)}, {"loaderId", loader}, {"navigationType", type}}};
}

Step Request(const std::string& path, const std::string& loader, bool redirect = false, const char* frame = kMain,
             const char* type = "Document") {
    json params = {{"requestId", loader}, {"loaderId", loader}, {"frameId", frame}, {"type", type},
                   {"request", {{"url", Url(path)}}}};
    if (redirect) params["redirectResponse"] = {{"status", 302}};
    return {"Network.requestWillBeSent", params};
}

Step Response(const std::string& loader, int status) {
    return {"Network.responseReceived",
            {{"requestId", loader}, {"loaderId", loader}, {"type", "Document"}, {"response", {{"status", status}}}}};
}

Step Failed(const std::string& loader, const char* errorText, bool canceled = false) {
    return {"Network.loadingFailed",
            {{"requestId", loader}, {"type", "Document"}, {"errorText", errorText}, {"canceled", canceled}}};
}

Step Navigated(const std::string& url, const std::string& loader, const char* type = "Navigation",
               const std::string& unreachable = "", const char* parent = nullptr) {
    json frame = {{"id", parent ? kChild : kMain}, {"loaderId", loader}, {"url", url}};
    if (!unreachable.empty()) frame["unreachableUrl"] = unreachable;
    if (parent) frame["parentId"] = parent;
    return {"Page.frameNavigated", {{"frame", frame}, {"type", type}}};
}

Step Lifecycle(const char* name, const std::string& loader, const char* frame = kMain) {
    return {"Page.lifecycleEvent", {{"frameId", frame}, {"loaderId", loader}, {"name", name}}};
}

Step Stopped(const char* frame = kMain) {
    return {"Page.frameStoppedLoading", {{"frameId", frame}}};
}

Step Answer(const std::string& loader, const char* errorText = nullptr) {
    json result = {{"frameId", kMain}, {"loaderId", loader}};
    if (errorText) result["errorText"] = errorText;
    return {"answer", result};
}

// The plain load of a page: what most sequences begin with.
std::vector<Step> Load(const std::string& path, const std::string& loader) {
    return {Started(path, loader), Request(path, loader), Answer(loader), Response(loader, 200),
            Lifecycle("init", loader), Navigated(Url(path), loader), Lifecycle("DOMContentLoaded", loader),
            Lifecycle("load", loader), Stopped()};
}

std::vector<Step> Join(std::vector<std::vector<Step>> parts) {
    std::vector<Step> all;
    for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// "start <url> #id" and "done ok #id" or "done error <status> #id"; "source <0|1> <url>".
std::string Describe(const NavigationEvent& event) {
    if (event.kind == NavigationEvent::Kind::SourceChanged) return "source " + std::to_string(event.newDocument) + " " + event.url;
    std::string id = " #" + std::to_string(event.id);
    if (event.kind == NavigationEvent::Kind::Starting) return "start " + event.url + id;
    return event.success ? "done ok" + id : "done error " + std::to_string(static_cast<int>(event.status)) + id;
}

struct Case {
    const char* what;
    std::vector<Step> steps;
    std::vector<std::string> events;
    std::string source;
};

// An event handed to the tracker's reader for it, as the view's dispatcher hands it.
std::vector<NavigationEvent> Feed(NavigationTracker& tracker, const std::string& method, const json& params) {
    for (const NavigationTracker::EventReader& reader : NavigationTracker::EventReaders()) {
        if (method == reader.method) return tracker.Read(reader.read, params);
    }
    return {};
}

// Feeds the steps to a tracker whose main frame is blank; the events it raises, described.
std::vector<std::string> Replay(NavigationTracker& tracker, const std::vector<Step>& steps) {
    std::vector<std::string> events;
    for (const Step& step : steps) {
        std::vector<NavigationEvent> raised;
        if (step.method == "answer") {
            raised = tracker.OnNavigateAnswer(step.params);
        } else if (step.method == "abandon") {
            tracker.Abandon();
        } else if (step.method == "stay" || step.method == "leave") {
            raised = tracker.OnLeaveAnswered(step.method == "leave");
        } else {
            raised = Feed(tracker, step.method, step.params);
        }
        for (const NavigationEvent& event : raised) events.push_back(Describe(event));
    }
    return events;
}

std::vector<std::string> Without(std::vector<std::string> events, const std::string& prefix) {
    events.erase(std::remove_if(events.begin(), events.end(),
                                [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }),
                 events.end());
    return events;
}

TEST(NavigationTracker, RecordedSequencesGiveOneCompletionPerNavigation) {
    const std::string bfcache = "BackForwardCacheRestore";
    Case cases[] = {
        {"a page that loads", Load("/red.html", "L1"), {"start " + Url("/red.html") + " #1", "done ok #1"},
         Url("/red.html")},
        {"a redirect: two starts, one completion, the final URL",
         {Started("/redirect", "L1"), Request("/redirect", "L1"), Request("/landing.html", "L1", true), Answer("L1"),
          Navigated(Url("/landing.html"), "L1"), Lifecycle("load", "L1"), Stopped()},
         {"start " + Url("/redirect") + " #1", "start " + Url("/landing.html") + " #1", "done ok #1"},
         Url("/landing.html")},
        {"a closed port: failed at once, the error page's own load is no second completion",
         Join({Load("/a.html", "L1"),
               {Started("/x", "L2"), Request("/x", "L2"), Failed("L2", "net::ERR_CONNECTION_REFUSED"),
                Answer("L2", "net::ERR_CONNECTION_REFUSED"), Lifecycle("init", "L2"),
                Navigated("chrome-error://chromewebdata/", "L2", "Navigation", Url("/x")), Lifecycle("load", "L2"),
                Stopped()}}),
         {"start " + Url("/a.html") + " #1", "done ok #1", "start " + Url("/x") + " #2", "done error 12 #2"},
         Url("/x")},
        {"a failure told only by the navigate answer",
         {Started("/x", "L1"), Answer("L1", "net::ERR_NAME_NOT_RESOLVED")},
         {"start " + Url("/x") + " #1", "done error 13 #1"},
         Url("/x")},
        {"a link, then back and forward from the back-forward cache",
         Join({Load("/link.html", "L1"), Load("/target.html", "L2"),
               {Started("/link.html", "L3", "historyDifferentDocument"), Stopped(),
                Navigated(Url("/link.html"), "L1", "BackForwardCacheRestore")},
               {Started("/target.html", "L4", "historyDifferentDocument"), Stopped(),
                Navigated(Url("/target.html"), "L2", "BackForwardCacheRestore")}}),
         {"start " + Url("/link.html") + " #1", "done ok #1", "start " + Url("/target.html") + " #2", "done ok #2",
          "start " + Url("/link.html") + " #3", "done ok #3", "start " + Url("/target.html") + " #4", "done ok #4"},
         Url("/target.html")},
        {"a reload",
         Join({Load("/a.html", "L1"),
               {Started("/a.html", "L2", "reload"), Request("/a.html", "L2"), Navigated(Url("/a.html"), "L2"),
                Lifecycle("load", "L2")}}),
         {"start " + Url("/a.html") + " #1", "done ok #1", "start " + Url("/a.html") + " #2", "done ok #2"},
         Url("/a.html")},
        {"a navigation superseded before it loads",
         {Started("/slow.html", "L1"), Request("/slow.html", "L1"), Started("/b.html", "L2"), Request("/b.html", "L2"),
          Failed("L1", "net::ERR_ABORTED", true), Navigated(Url("/b.html"), "L2"), Lifecycle("load", "L1"),
          Lifecycle("load", "L2")},
         {"start " + Url("/slow.html") + " #1", "start " + Url("/b.html") + " #2", "done error 14 #1", "done ok #2"},
         Url("/b.html")},
        {"a typed navigation replaced while its request is open: its cancellation comes before the new start",
         {Started("/slower.html", "L1"), Request("/slower.html", "L1"), Answer("L1", "net::ERR_ABORTED"),
          Failed("L1", "net::ERR_ABORTED", true), Started("/slow.html", "L2"), Request("/slow.html", "L2"),
          Answer("L2"), Navigated(Url("/slow.html"), "L2"), Lifecycle("load", "L2")},
         {"start " + Url("/slower.html") + " #1", "start " + Url("/slow.html") + " #2", "done error 14 #1",
          "done ok #2"},
         Url("/slow.html")},
        {"a request cancelled with nothing after it ends when the frame stops",
         Join({Load("/a.html", "L1"),
               {Started("/nocontent", "L2"), Request("/nocontent", "L2"), Failed("L2", "net::ERR_ABORTED", true),
                Stopped()}}),
         {"start " + Url("/a.html") + " #1", "done ok #1", "start " + Url("/nocontent") + " #2", "done error 14 #2"},
         Url("/a.html")},
        {"a 204 answer: cancelled, the page stays",
         Join({Load("/a.html", "L1"),
               {Started("/nocontent", "L2"), Request("/nocontent", "L2"), Failed("L2", "net::ERR_ABORTED", true),
                Answer("L2", "net::ERR_ABORTED"), Stopped()}}),
         {"start " + Url("/a.html") + " #1", "done ok #1", "start " + Url("/nocontent") + " #2", "done error 14 #2"},
         Url("/a.html")},
        {"staying on a page that asked before it is left: the navigation neither starts nor completes",
         Join({Load("/leave.html", "L1"),
               {Started("/b.html", "L2"), {"stay", json()},
                {"answer", {{"frameId", kMain}, {"errorText", "net::ERR_ABORTED"}}}, Stopped()}}),
         {"start " + Url("/leave.html") + " #1", "done ok #1"},
         Url("/leave.html")},
        {"staying on it when it is reloaded",
         Join({Load("/leave.html", "L1"), {Started("/leave.html", "L2", "reload"), {"stay", json()}, Stopped()}}),
         {"start " + Url("/leave.html") + " #1", "done ok #1"},
         Url("/leave.html")},
        {"leaving it: the navigation starts with the answer, then loads",
         Join({Load("/leave.html", "L1"),
               {Started("/b.html", "L2"), {"leave", json()}, Request("/b.html", "L2"), Answer("L2"),
                Navigated(Url("/b.html"), "L2"), Lifecycle("load", "L2")}}),
         {"start " + Url("/leave.html") + " #1", "done ok #1", "start " + Url("/b.html") + " #2", "done ok #2"},
         Url("/b.html")},
        {"the blank page, which sends no request, starts as it commits",
         Join({Load("/a.html", "L1"),
               {{"Page.frameStartedNavigating",
                 {{"frameId", kMain}, {"url", "about:blank"}, {"loaderId", "L2"}, {"navigationType", "differentDocument"}}},
                Navigated("about:blank", "L2"), Lifecycle("load", "L2")}}),
         {"start " + Url("/a.html") + " #1", "done ok #1", "start about:blank #2", "done ok #2"},
         "about:blank"},
        {"a page that asked when nothing started (the page's own navigation) or after the new page came",
         Join({{{"stay", json()}}, Load("/a.html", "L1"), {{"stay", json()}}}),
         {"start " + Url("/a.html") + " #1", "done ok #1"},
         Url("/a.html")},
        {"a navigation whose answer is a download: aborted, the page stays",
         Join({Load("/a.html", "L1"),
               {Started("/file.bin", "L2"), Request("/file.bin", "L2"), Response("L2", 200),
                {"Browser.downloadWillBegin", {{"frameId", kMain}, {"url", Url("/file.bin")}, {"guid", "G1"}}},
                Failed("L2", "net::ERR_ABORTED", true), Answer("L2", "net::ERR_ABORTED"), Stopped()}}),
         {"start " + Url("/a.html") + " #1", "done ok #1", "start " + Url("/file.bin") + " #2", "done error 9 #2"},
         Url("/a.html")},
        {"a 404 page loads but is no success",
         {Started("/missing", "L1"), Request("/missing", "L1"), Response("L1", 404), Navigated(Url("/missing"), "L1"),
          Lifecycle("load", "L1")},
         {"start " + Url("/missing") + " #1", "done error 0 #1"},
         Url("/missing")},
        {"same-document moves and frames inside the page raise nothing",
         Join({Load("/a.html", "L1"),
               {Started("/a.html#part", "L1", "sameDocument"),
                {"Page.navigatedWithinDocument", {{"frameId", kMain}, {"url", Url("/a.html#part")}}},
                Started("/frame.html", "C1", "differentDocument", kChild), Request("/frame.html", "C1", false, kChild),
                Navigated(Url("/frame.html"), "C1", "Navigation", "", kMain), Lifecycle("load", "C1", kChild),
                Stopped(kChild), Request("/style.css", "L1", false, kMain, "Stylesheet")}}),
         {"start " + Url("/a.html") + " #1", "done ok #1"},
         Url("/a.html#part")},
        {"the page navigates by script after its load",
         Join({Load("/script.html", "L1"), Load("/scripted.html", "L2")}),
         {"start " + Url("/script.html") + " #1", "done ok #1", "start " + Url("/scripted.html") + " #2",
          "done ok #2"},
         Url("/scripted.html")},
        {"a committed page that stops without its load event",
         {Started("/a.html", "L1"), Request("/a.html", "L1"), Navigated(Url("/a.html"), "L1"), Stopped(),
          Lifecycle("load", "L1")},
         {"start " + Url("/a.html") + " #1", "done ok #1"},
         Url("/a.html")},
        {"Chromium goes away in the middle of a navigation: no completion follows",
         {Started("/slow.html", "L1"), Request("/slow.html", "L1"), {"abandon", json()}, Lifecycle("load", "L1")},
         {"start " + Url("/slow.html") + " #1"},
         "about:blank"},
        {"events of a frame we do not know yet are not ours",
         {Started("/a.html", "L1", "differentDocument", "OTHER"), Stopped("OTHER")}, {}, "about:blank"},
    };
    for (const Case& c : cases) {
        NavigationTracker tracker;
        tracker.SetMainFrame({{"id", kMain}, {"url", "about:blank"}});
        // Address changes are checked on their own, below.
        const std::vector<std::string> events = Without(Replay(tracker, c.steps), "source ");
        EXPECT_EQ(events, c.events) << c.what;
        EXPECT_EQ(tracker.Source(), c.source) << c.what;
    }
}

// Each change of the main frame's address, once: a new document as it commits, a move within one
// (fragment, history API, back and forward between them) as Chromium reports it.
TEST(NavigationTracker, SourceChangesAreReportedOncePerAddress) {
    NavigationTracker tracker;
    tracker.SetMainFrame({{"id", kMain}, {"url", "about:blank"}});
    auto within = [](const std::string& path, const char* frame = kMain) {
        return Step{"Page.navigatedWithinDocument", {{"frameId", frame}, {"url", Url(path)}}};
    };
    const std::vector<Step> steps = Join({Load("/a.html", "L1"),
                                          {Started("/a.html#part", "L1", "sameDocument"), within("/a.html#part"),
                                           within("/a.html?view=2"), within("/a.html?view=2"),
                                           within("/other", kChild), within("/a.html#part")},
                                          Load("/b.html", "L2"), Load("/b.html", "L3")});
    const std::vector<std::string> expected = {
        "start " + Url("/a.html") + " #1", "source 1 " + Url("/a.html"), "done ok #1",
        "source 0 " + Url("/a.html#part"), "source 0 " + Url("/a.html?view=2"), "source 0 " + Url("/a.html#part"),
        "start " + Url("/b.html") + " #2", "source 1 " + Url("/b.html"), "done ok #2",
        "start " + Url("/b.html") + " #3", "done ok #3"};
    EXPECT_EQ(Replay(tracker, steps), expected);
}

TEST(NavigationTracker, MainFrameSourceIncludesTheFragment) {
    NavigationTracker tracker;
    tracker.SetMainFrame({{"id", kMain}, {"url", Url("/a.html")}, {"urlFragment", "#top"}});
    EXPECT_EQ(tracker.Source(), Url("/a.html#top"));
    json frame = {{"id", kMain}, {"loaderId", "L9"}, {"url", Url("/b.html")}, {"urlFragment", "#end"}};
    Feed(tracker, "Page.frameNavigated", {{"frame", frame}, {"type", "Navigation"}});
    EXPECT_EQ(tracker.Source(), Url("/b.html#end"));
}

// A new window's page, taken over when it has loaded, or before its navigation committed (its loader
// learnt from its commit): one start, its source and one completion either way.
TEST(NavigationTracker, AdoptedPageIsOneNavigationWhetherItLoadedOrNot) {
    NavigationTracker loaded;
    std::vector<NavigationEvent> events = loaded.AdoptPage({{"id", kMain}, {"loaderId", "L1"}, {"url", Url("/p.html")}},
                                                           Url("/p.html"));
    for (const NavigationEvent& event : loaded.OnDocumentComplete()) events.push_back(event);
    std::vector<std::string> seen;
    for (const NavigationEvent& event : events) seen.push_back(Describe(event));
    EXPECT_EQ(seen, (std::vector<std::string>{"start " + Url("/p.html") + " #1", "source 1 " + Url("/p.html"), "done ok #1"}));

    NavigationTracker early;
    seen.clear();
    for (const NavigationEvent& event : early.AdoptPage({{"id", kMain}, {"loaderId", "L0"}, {"url", "about:blank"}},
                                                        Url("/p.html"))) {
        seen.push_back(Describe(event));
    }
    const std::vector<std::string> rest = Replay(early, {Response("L2", 200), Navigated(Url("/p.html"), "L2"),
                                                         Lifecycle("load", "L2"), Stopped()});
    seen.insert(seen.end(), rest.begin(), rest.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"start " + Url("/p.html") + " #1", "source 1 " + Url("/p.html"), "done ok #1"}));
}

// As the runtime gives window.open's features: whole numbers, cut down, at most the 32-bit maximum,
// sizes at least 100; the bars show only for a window that is no popup.
TEST(WindowFeatures, ReadAsTheRuntimeGivesThem) {
    struct Case {
        const char* text;
        std::vector<uint32_t> values;  // hasPosition, hasSize, left, top, width, height, popup
    } cases[] = {
        {"", {0, 0, 0, 0, 0, 0, 0}},
        {"width=480,height=560.9", {0, 1, 0, 0, 480, 560, 1}},
        {"left=10, top=x ,width=50", {1, 1, 10, 0, 100, 0, 1}},
        {"screenX=99999999999,screenY=-5", {1, 0, UINT32_MAX, UINT32_MAX, 0, 0, 1}},
        {"menubar,toolbar,status,scrollbars,noopener", {0, 0, 0, 0, 0, 0, 0}},
        {"toolbar,scrollbars", {0, 0, 0, 0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        const WindowFeatureValues f = ReadWindowFeatures(WindowFeatureItems(c.text));
        EXPECT_EQ((std::vector<uint32_t>{f.hasPosition, f.hasSize, f.left, f.top, f.width, f.height, f.popup}), c.values)
            << c.text;
    }
}

TEST(NavigationTracker, OddlyShapedMessagesChangeNothing) {
    NavigationTracker tracker;
    tracker.SetMainFrame({{"id", kMain}, {"url", "about:blank"}});
    EXPECT_TRUE(Feed(tracker, "Page.frameStartedNavigating", json::array()).empty());
    EXPECT_TRUE(Feed(tracker, "Page.frameStartedNavigating", {{"frameId", 5}}).empty());
    EXPECT_TRUE(Feed(tracker, "Page.frameNavigated", {{"frame", "text"}}).empty());
    EXPECT_TRUE(Feed(tracker, "Network.requestWillBeSent", {{"type", "Document"}}).empty());
    EXPECT_TRUE(tracker.OnNavigateAnswer(json::array()).empty());
    tracker.Abandon();
    EXPECT_EQ(tracker.Source(), "about:blank");
}

TEST(NavigationTracker, NetErrorsMapToTheHostsStatuses) {
    struct Case {
        const char* errorText;
        bool canceled;
        int status;
    } cases[] = {
        {"net::ERR_NAME_NOT_RESOLVED", false, 13}, {"net::ERR_CONNECTION_REFUSED", false, 12},
        {"net::ERR_CONNECTION_TIMED_OUT", false, 7}, {"net::ERR_CONNECTION_RESET", false, 10},
        {"net::ERR_CONNECTION_CLOSED", false, 11},   {"net::ERR_ADDRESS_UNREACHABLE", false, 6},
        {"net::ERR_CERT_COMMON_NAME_INVALID", false, 1}, {"net::ERR_CERT_DATE_INVALID", false, 2},
        {"net::ERR_CERT_AUTHORITY_INVALID", false, 5}, {"net::ERR_TOO_MANY_REDIRECTS", false, 15},
        {"net::ERR_EMPTY_RESPONSE", false, 8},      {"net::ERR_ABORTED", false, 14},
        {"net::ERR_CONNECTION_REFUSED", true, 14},  {"net::ERR_SOMETHING_NEW", false, 16},
        {"", false, 16},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(static_cast<int>(WebErrorStatusFor(c.errorText, c.canceled)), c.status) << c.errorText;
    }
}

}  // namespace
