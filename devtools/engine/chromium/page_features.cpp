// What a page does besides navigating, answered as the real runtime answers it by default:
// JavaScript dialogs as modal dialogs of the host's window (or the host's own), new windows in a
// popup of the engine's own (unless the host takes them), and copy and paste through the Windows
// clipboard. Downloads are refused, where the runtime would show
// its download dialog: nothing of a test reaches the disk.
#include "devtools/engine/chromium/chromium_view.h"

#include "devtools/engine/chromium/clipboard.h"

#include <algorithm>

using nlohmann::json;

namespace {

// Every top-level document tells the engine when an element of it enters or leaves full screen,
// when its title changes (Chromium tells of a page's title only as it commits), and when it calls
// window.close(), which the runtime leaves to the host (Chromium would close the page at once).
const char kFullScreenBinding[] = "trovFullScreenChanged";
const char kTitleBinding[] = "trovTitleChanged";
const char kWindowCloseBinding[] = "trovWindowClose";
const char kTopDocumentScript[] =
    "if (window === window.top) { document.addEventListener('fullscreenchange', () => "
    "trovFullScreenChanged(document.fullscreenElement ? '1' : '0'));"
    "let trovTitle = document.title; new MutationObserver(() => { if (document.title !== trovTitle) {"
    "trovTitle = document.title; trovTitleChanged(trovTitle); } }).observe(document, "
    "{subtree: true, childList: true, characterData: true});"
    "window.close = function () { trovWindowClose(''); }; }";

std::vector<std::string> FeatureItems(const json& params) {
    std::vector<std::string> items;
    auto features = params.find("windowFeatures");
    if (features == params.end() || !features->is_array()) return items;
    for (const json& item : *features) {
        if (item.is_string()) items.push_back(item.get<std::string>());
    }
    return items;
}

}  // namespace

// A new window's page, from the request to the host's decision and Chromium's page, in either order.
struct ChromiumView::NewPage {
    std::string targetId;  // empty until Chromium made it
    std::string url;
    bool hasOpener = true;  // false for noopener windows and links Chromium opened by itself
    bool decided = false;
    NewWindowOutcome outcome = NewWindowOutcome::Popup;
    EngineRef<ChromiumView> host;  // the host's view, for Hosted
};

// Other pages are watched for the ones ours opens; downloads never reach the disk.
void ChromiumView::EnablePageFeatures() {
    openedPages_.Watch();
    connection_.Call("Browser.setDownloadBehavior", json{{"behavior", "deny"}, {"eventsEnabled", true}});
    connection_.Call("Runtime.enable", json::object());  // bindings reach new documents only while it is
    connection_.Call("Runtime.addBinding", json{{"name", kFullScreenBinding}});
    connection_.Call("Runtime.addBinding", json{{"name", kWindowCloseBinding}});
    connection_.Call("Runtime.addBinding", json{{"name", kTitleBinding}});
    connection_.Call("Page.addScriptToEvaluateOnNewDocument", json{{"source", kTopDocumentScript}});
    // A page taken over for a new window has its document already.
    connection_.Call("Runtime.evaluate", json{{"expression", kTopDocumentScript}});
    connection_.Call("Target.getTargetInfo", json::object(), [this](const json& result, bool failed) {
        auto info = result.find("targetInfo");
        if (!failed && info != result.end() && info->is_object()) SetDocumentTitle(FromUtf8(JsonText(*info, "title")));
    });
}

void ChromiumView::OnBindingCalled(const json& params) {
    const std::string name = JsonText(params, "name");
    if (name == kFullScreenBinding) SetContainsFullScreenElement(JsonText(params, "payload") == "1");
    if (name == kWindowCloseBinding) OnWindowCloseCalled();
    // An empty title leaves Chromium's default, which comes as the page commits.
    const std::string title = JsonText(params, "payload");
    if (name == kTitleBinding && !title.empty()) SetDocumentTitle(FromUtf8(title));
}

// The blank page a new page starts from is no entry of the host's.
void ChromiumView::OnWindowCloseCalled() {
    if (openedAsNewWindow_) {
        RaiseWindowCloseRequested();
        return;
    }
    connection_.Call("Page.getNavigationHistory", json::object(), [this](const json& history, bool failed) {
        auto entries = history.find("entries");
        if (failed || entries == history.end() || !entries->is_array()) return;
        int count = static_cast<int>(entries->size());
        if (count > 0 && (*entries)[0].value("url", "") == "about:blank") --count;
        if (MayCloseByScript(false, count)) RaiseWindowCloseRequested();
    });
}

// Chromium tells of our page's title as of any page's.
void ChromiumView::OnTargetInfoChanged(const json& params) {
    openedPages_.OnTargetInfoChanged(params);
    auto info = params.find("targetInfo");
    if (info == params.end() || !info->is_object()) return;
    const std::string id = JsonText(*info, "targetId");
    if (!id.empty() && id == openedPages_.OwnTargetId()) SetDocumentTitle(FromUtf8(JsonText(*info, "title")));
}

// As Escape does in the runtime; the page's listener then reports the change.
void ChromiumView::ExitFullScreenElement() {
    connection_.Call("Runtime.evaluate", json{{"expression", "document.exitFullscreen()"}});
}

// Shown by the engine or the host, from the message loop; the page waits for the answer meanwhile.
// The answer to the question before leaving also tells whether the navigation that asked starts.
void ChromiumView::OnDialogOpening(const json& params) {
    ScriptDialogRequest request;
    request.type = JsonText(params, "type");
    request.message = FromUtf8(JsonText(params, "message"));
    request.uri = FromUtf8(JsonText(params, "url"));
    request.caption = FromUtf8(OriginOf(JsonText(params, "url")));
    request.defaultPrompt = FromUtf8(JsonText(params, "defaultPrompt"));
    EngineRef<ChromiumView> self(this);
    const std::string type = request.type;
    OpenScriptDialog(request, [self, type](const ScriptDialogAnswer& answer) {
        json reply = {{"accept", answer.accepted}};
        if (type == "prompt") reply["promptText"] = ToUtf8(answer.text);
        self->connection_.Call("Page.handleJavaScriptDialog", reply);
        if (type == "beforeunload") self->Raise(self->tracker_.OnLeaveAnswered(answer.accepted));
    });
}

// The host's handler decides while Chromium makes the page; its items say what was asked for.
void ChromiumView::OnWindowOpen(const json& params) {
    auto page = std::make_shared<NewPage>();
    page->url = JsonText(params, "url");
    const std::vector<std::string> items = FeatureItems(params);
    page->hasOpener = std::find(items.begin(), items.end(), "noopener") == items.end();
    awaitingPages_.push_back(page);
    NewWindowRequest request;
    request.uri = FromUtf8(page->url);
    request.userInitiated = params.value("userGesture", false);
    request.features = ReadWindowFeatures(items);
    RequestNewWindow(page, request);
}

// A link Chromium opened in a page of its own is a new window the person asked for, with no features,
// as the runtime reports a middle-click; other pages follow the window.open that asked for them.
void ChromiumView::OnNewPage(const std::string& targetId, const std::string& url, bool fromLink) {
    if (fromLink) {
        auto page = std::make_shared<NewPage>();
        page->targetId = targetId;
        page->url = url;
        page->hasOpener = false;
        NewWindowRequest request;
        request.uri = FromUtf8(url);
        request.features = ReadWindowFeatures(WindowFeatureItems(std::string()));
        RequestNewWindow(page, request);
        return;
    }
    if (awaitingPages_.empty()) {
        openedPages_.Close(targetId);
        return;
    }
    // window.open makes its page before it returns: the page is the newest request's, and older
    // requests got none (a Chromium with its popup blocker on blocks those without a user gesture).
    std::shared_ptr<NewPage> page = awaitingPages_.back();
    awaitingPages_.clear();
    page->targetId = targetId;
    SettleNewPage(page);
}

void ChromiumView::RequestNewWindow(const std::shared_ptr<NewPage>& page, const NewWindowRequest& request) {
    EngineRef<ChromiumView> self(this);
    RaiseNewWindowRequested(request, [self, page](NewWindowOutcome outcome, WebView* newWindow) {
        page->decided = true;
        page->outcome = outcome;
        if (outcome == NewWindowOutcome::Hosted) page->host = EngineRef<ChromiumView>(static_cast<ChromiumView*>(newWindow));
        self->SettleNewPage(page);
    });
}

// A page without an opener needs no page of Chromium's: once decided, the host's view goes to its
// address in its own page, which keeps a window of its own. Chromium's page, once there, is taken
// over by the host's view when it has an opener, and closed otherwise.
void ChromiumView::SettleNewPage(const std::shared_ptr<NewPage>& page) {
    if (!page->decided) return;
    const bool takenOver = page->outcome == NewWindowOutcome::Hosted && page->hasOpener;
    if (page->host && !takenOver) {
        page->host->ShowNewWindowPage(std::string(), page->url, false);
        page->host = EngineRef<ChromiumView>();
    }
    if (page->targetId.empty()) return;
    if (takenOver) {
        openedPages_.Release(page->targetId);
        page->host->ShowNewWindowPage(page->targetId, page->url, true);
    } else {
        openedPages_.Close(page->targetId);
    }
}

// A page opened by ours became Chromium's active tab and left ours hidden, its screencast stopped;
// the tab Chromium activates when it closes need not be ours. Ours is made the active one again,
// and a new screencast brings its picture as it now is.
void ChromiumView::OnOpenedPageClosed() {
    reclaimFront_ = true;
    connection_.Call("Page.bringToFront", json::object());
    screencast_.Start();
}

// Chromium may activate another tab only after it reported the closing: ours is brought back then,
// and shown afresh once visible. Only after a close of ours, so that views sharing a Chromium never
// take the front from each other.
void ChromiumView::OnPageVisibility(bool visible) {
    if (!reclaimFront_) return;
    if (!visible) {
        connection_.Call("Page.bringToFront", json::object());
        return;
    }
    reclaimFront_ = false;
    screencast_.Start();
}

// Copy lets the page see its key too; cut and paste are done here alone, since Chromium's own
// would use a clipboard of its own.
bool ChromiumView::HandleEditingKey(WPARAM virtualKey, int modifiers) {
    switch (EditingShortcutFor(virtualKey, modifiers)) {
    case EditingShortcut::Copy:
        CopySelection(false);
        return false;
    case EditingShortcut::Cut:
        CopySelection(true);
        return true;
    case EditingShortcut::Paste:
        PasteClipboard();
        return true;
    case EditingShortcut::None:
        break;
    }
    return false;
}

// An empty selection leaves the clipboard as it was.
void ChromiumView::CopySelection(bool cut) {
    connection_.Call("Runtime.evaluate", json{{"expression", SelectionScript(cut)}, {"returnByValue", true}},
         [this](const json& result, bool failed) {
             std::string text;
             if (failed || !Window() || !EvaluatedText(result, &text) || text.empty()) return;
             PutClipboardText(Window(), ClipboardLines(FromUtf8(text)));
         });
}

void ChromiumView::PasteClipboard() {
    std::wstring text;
    if (!GetClipboardText(Window(), &text) || text.empty()) return;
    connection_.Call("Input.insertText", json{{"text", ToUtf8(PageLines(text))}});
}
