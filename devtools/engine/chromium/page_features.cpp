// What a page does besides navigating, answered as the real runtime answers it by default:
// JavaScript dialogs as modal dialogs of the host's window, new windows opened in this view,
// downloads refused, copy and paste through the Windows clipboard, and the pointer's shape.
#include "devtools/engine/chromium/chromium_view.h"

#include "devtools/engine/chromium/clipboard.h"
#include "devtools/engine/chromium/page_cursor.h"

using nlohmann::json;

namespace {

// Every top-level document tells the engine when an element of it enters or leaves full screen.
const char kFullScreenBinding[] = "trovFullScreenChanged";
const char kFullScreenScript[] =
    "if (window === window.top) document.addEventListener('fullscreenchange', () => "
    "trovFullScreenChanged(document.fullscreenElement ? '1' : '0'));";

// The value of a Runtime.evaluate answer when it is a string.
bool EvaluatedText(const json& result, std::string* text) {
    auto remote = result.find("result");
    if (remote == result.end() || !remote->is_object()) return false;
    auto value = remote->find("value");
    if (value == remote->end() || !value->is_string()) return false;
    *text = value->get<std::string>();
    return true;
}

}  // namespace

// Other pages are watched for the ones ours opens; downloads never reach the disk.
void ChromiumView::EnablePageFeatures() {
    Call("Target.getTargetInfo", json::object(), [this](const json& result, bool failed) {
        auto info = result.find("targetInfo");
        if (!failed && info != result.end() && info->is_object()) ownTargetId_ = JsonText(*info, "targetId");
    });
    Call("Target.setDiscoverTargets", json{{"discover", true}});
    Call("Browser.setDownloadBehavior", json{{"behavior", "deny"}, {"eventsEnabled", true}});
    Call("Runtime.enable", json::object());  // bindings reach new documents only while it is
    Call("Runtime.addBinding", json{{"name", kFullScreenBinding}});
    Call("Page.addScriptToEvaluateOnNewDocument", json{{"source", kFullScreenScript}});
}

// As Escape does in the runtime; the page's listener then reports the change.
void ChromiumView::ExitFullScreenElement() {
    Call("Runtime.evaluate", json{{"expression", "document.exitFullscreen()"}});
}

void ChromiumView::OnPageEvent(const std::string& method, const json& params) {
    if (!params.is_object()) return;
    if (method == "Page.javascriptDialogOpening") {
        OnDialogOpening(params);
    } else if (method == "Page.windowOpen") {
        OnWindowOpen(params);
    } else if (method == "Target.targetCreated") {
        auto info = params.find("targetInfo");
        if (info != params.end() && info->is_object()) OnTargetCreated(*info);
    } else if (method == "Target.targetDestroyed") {
        openedTargets_.erase(JsonText(params, "targetId"));
    } else if (method == "Browser.downloadWillBegin") {
        LogLine(Config(), L"Download " + FromUtf8(JsonText(params, "url")) + L" denied");
    } else if (method == "Runtime.bindingCalled" && JsonText(params, "name") == kFullScreenBinding) {
        SetContainsFullScreenElement(JsonText(params, "payload") == "1");
    }
}

// The dialog runs later from the message loop: its nested loop keeps delivering the session's news,
// which must not happen in the middle of the batch this event came in.
void ChromiumView::OnDialogOpening(const json& params) {
    ScriptDialogRequest request;
    request.type = JsonText(params, "type");
    request.message = FromUtf8(JsonText(params, "message"));
    request.caption = FromUtf8(OriginOf(JsonText(params, "url")));
    request.defaultPrompt = FromUtf8(JsonText(params, "defaultPrompt"));
    EngineRef<ChromiumView> self(this);
    PostToMessageLoop([self, request] { self->RunScriptDialog(request); });
}

// Chromium shows one dialog of a page at a time; the page waits for the answer meanwhile.
void ChromiumView::RunScriptDialog(const ScriptDialogRequest& request) {
    if (!Window() || dialogOpen_) return;
    dialogOpen_ = true;
    ScriptDialogAnswer answer = ShowScriptDialog(GetAncestor(Window(), GA_ROOT), request);
    dialogOpen_ = false;
    LogLine(Config(), L"ScriptDialog " + FromUtf8(request.type) + (answer.accepted ? L" 1" : L" 0"));
    json reply = {{"accept", answer.accepted}};
    if (request.type == "prompt") reply["promptText"] = ToUtf8(answer.text);
    Call("Page.handleJavaScriptDialog", reply);
}

// A window with no address of its own (one its opener writes into) has nothing to show here.
void ChromiumView::OnWindowOpen(const json& params) {
    std::string url = JsonText(params, "url");
    LogLine(Config(), L"NewWindow " + FromUtf8(url));
    if (!url.empty() && url != "about:blank") BeginNavigate(FromUtf8(url));
}

// The page Chromium made for a new window of ours is closed at once: its address opens here.
void ChromiumView::OnTargetCreated(const json& info) {
    if (ownTargetId_.empty() || JsonText(info, "type") != "page" || JsonText(info, "openerId") != ownTargetId_) return;
    std::string id = JsonText(info, "targetId");
    if (id.empty()) return;
    openedTargets_.insert(id);
    Call("Target.closeTarget", json{{"targetId", id}});
}

// Pages whose closing Chromium has not confirmed yet, closed over HTTP before the session goes.
void ChromiumView::CloseOpenedTargets() {
    Endpoint endpoint;
    if (!openedTargets_.empty() && ParseEndpoint(ToUtf8(Config().chromiumEndpoint), &endpoint)) {
        WinsockUser winsock;
        for (const std::string& id : openedTargets_) {
            PageTarget target;
            target.id = id;
            if (winsock.Ready()) ClosePageTarget(endpoint, target);
        }
    }
    openedTargets_.clear();
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
    Call("Runtime.evaluate", json{{"expression", SelectionScript(cut)}, {"returnByValue", true}},
         [this](const json& result, bool failed) {
             std::string text;
             if (failed || !Window() || !EvaluatedText(result, &text) || text.empty()) return;
             PutClipboardText(Window(), ClipboardLines(FromUtf8(text)));
         });
}

void ChromiumView::PasteClipboard() {
    std::wstring text;
    if (!GetClipboardText(Window(), &text) || text.empty()) return;
    Call("Input.insertText", json{{"text", ToUtf8(PageLines(text))}});
}

// One question at a time: moves while it is out only note the point, asked about when it returns.
void ChromiumView::TrackCursor(POINT point) {
    cursorPoint_ = point;
    if (cursorAsked_) {
        cursorMoved_ = true;
        return;
    }
    AskCursor();
}

void ChromiumView::AskCursor() {
    cursorMoved_ = false;
    cursorAsked_ = Call("Runtime.evaluate", json{{"expression", CursorScript(cursorPoint_)}, {"returnByValue", true}},
                        [this](const json& result, bool failed) {
                            cursorAsked_ = false;
                            std::string css;
                            if (!failed && EvaluatedText(result, &css)) {
                                cursor_ = SystemCursorFor(css);
                                POINT at;
                                // The pointer may rest where it is: no WM_SETCURSOR would come.
                                if (Window() && GetCursorPos(&at) && WindowFromPoint(at) == Window()) {
                                    SetCursor(LoadCursorW(nullptr, cursor_));
                                }
                            }
                            if (cursorMoved_) AskCursor();
                        });
}

bool ChromiumView::SetPageCursor(LPARAM hitTest) {
    if (LOWORD(hitTest) != HTCLIENT) return false;
    SetCursor(LoadCursorW(nullptr, cursor_));
    return true;
}
