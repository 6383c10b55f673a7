// What a page does besides navigating, answered as the real runtime answers it by default:
// JavaScript dialogs as modal dialogs of the host's window (or the host's own), new windows in a
// popup of the engine's own (unless the host takes them), and copy and paste through the Windows
// clipboard. Downloads are refused, where the runtime would show
// its download dialog: nothing of a test reaches the disk.
#include "devtools/engine/chromium/chromium_view.h"

#include "devtools/engine/chromium/clipboard.h"

using nlohmann::json;

namespace {

// Every top-level document tells the engine when an element of it enters or leaves full screen.
const char kFullScreenBinding[] = "trovFullScreenChanged";
const char kFullScreenScript[] =
    "if (window === window.top) document.addEventListener('fullscreenchange', () => "
    "trovFullScreenChanged(document.fullscreenElement ? '1' : '0'));";

}  // namespace

// Other pages are watched for the ones ours opens; downloads never reach the disk.
void ChromiumView::EnablePageFeatures() {
    openedPages_.Watch();
    connection_.Call("Browser.setDownloadBehavior", json{{"behavior", "deny"}, {"eventsEnabled", true}});
    connection_.Call("Runtime.enable", json::object());  // bindings reach new documents only while it is
    connection_.Call("Runtime.addBinding", json{{"name", kFullScreenBinding}});
    connection_.Call("Page.addScriptToEvaluateOnNewDocument", json{{"source", kFullScreenScript}});
}

void ChromiumView::OnBindingCalled(const json& params) {
    if (JsonText(params, "name") == kFullScreenBinding) SetContainsFullScreenElement(JsonText(params, "payload") == "1");
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

// The host's handler decides; Chromium's own window for it is closed (opened_pages.h) either way.
void ChromiumView::OnWindowOpen(const json& params) {
    const bool userInitiated = params.value("userGesture", false);
    RaiseNewWindowRequested(FromUtf8(JsonText(params, "url")), userInitiated);
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
