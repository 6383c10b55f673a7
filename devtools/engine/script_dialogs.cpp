// A page's script dialogs (alert, confirm, prompt and the question before it is left), and the
// settings object that says who shows them: the engine's own modal dialog by default, or the host,
// through ScriptDialogOpening, once it turned the default dialogs off.
#include "devtools/engine/event_args.h"
#include "devtools/engine/objects.h"

#include <algorithm>

namespace {

COREWEBVIEW2_SCRIPT_DIALOG_KIND DialogKindOf(const std::string& type) {
    if (type == "confirm") return COREWEBVIEW2_SCRIPT_DIALOG_KIND_CONFIRM;
    if (type == "prompt") return COREWEBVIEW2_SCRIPT_DIALOG_KIND_PROMPT;
    if (type == "beforeunload") return COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD;
    return COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT;
}

class SettingsObject final : public UnimplementedSettings {
public:
    explicit SettingsObject(std::shared_ptr<WebView::Settings> settings) : settings_(std::move(settings)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return AnswerQuery<ICoreWebView2Settings>(this, riid, object, IID_ICoreWebView2Settings);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = --refs_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE get_AreDefaultScriptDialogsEnabled(BOOL* enabled) override {
        return GiveValue(enabled, static_cast<BOOL>(settings_->defaultScriptDialogs));
    }
    HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL enabled) override {
        settings_->defaultScriptDialogs = enabled != FALSE;
        return S_OK;
    }

private:
    ~SettingsObject() = default;
    std::shared_ptr<WebView::Settings> settings_;
    LONG refs_ = 0;
};

}  // namespace

// The host's answer so far, and whether it reached the page. Shared by the event's arguments, their
// deferral and the view, which answers no for a page that went away.
struct WebView::OpenDialog {
    ConfigPtr config;
    std::string type;
    const wchar_t* logName = L"ScriptDialogOpening";  // or "ScriptDialog": the engine's own dialog
    DialogAnswerSink apply;
    ScriptDialogAnswer answer;  // accepted once Accept was called
    bool deferred = false;
    bool done = false;

    void Finish(bool accepted) {
        if (done) return;
        done = true;
        answer.accepted = accepted;
        if (!accepted || type != "prompt") answer.text.clear();
        LogLine(*config, logName + (L" " + FromUtf8(type)) + (accepted ? L" 1" : L" 0"));
        DialogAnswerSink sink = std::move(apply);
        sink(answer);
    }
};

using OpenDialogPtr = std::shared_ptr<WebView::OpenDialog>;

HRESULT WebView::get_Settings(ICoreWebView2Settings** settings) {
    if (!settings) return E_POINTER;
    if (dead_) return kBrowserProcessGone;
    *settings = new SettingsObject(settings_);
    (*settings)->AddRef();
    return S_OK;
}

HRESULT WebView::add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler* handler,
                                         EventRegistrationToken* token) {
    return dialogHandlers_.Add(dead_, handler, token);
}

HRESULT WebView::remove_ScriptDialogOpening(EventRegistrationToken token) {
    return dialogHandlers_.Remove(token);
}

// Later, from the message loop: the engine's modal dialog runs a nested loop, and the host's
// handlers may do anything, neither of which fits in the middle of the back-end's own work.
void WebView::OpenScriptDialog(const ScriptDialogRequest& request, DialogAnswerSink apply) {
    auto dialog = std::make_shared<OpenDialog>();
    dialog->config = SharedConfig();
    dialog->type = request.type;
    dialog->apply = std::move(apply);
    openDialogs_.erase(std::remove_if(openDialogs_.begin(), openDialogs_.end(),
                                      [](const std::weak_ptr<OpenDialog>& open) { return open.expired(); }),
                       openDialogs_.end());
    openDialogs_.push_back(dialog);
    EngineRef<WebView> self(this);
    PostToMessageLoop([self, request, dialog] {
        WebView* view = self.Get();
        if (dialog->done) return;
        if (!view->Window() || view->dead_) {
            dialog->Finish(false);
            return;
        }
        if (view->settings_->defaultScriptDialogs) {
            // One at a time: the page waits for the answer, so a second one is a stray, left alone.
            if (view->engineDialogUp_) return;
            view->engineDialogUp_ = true;
            dialog->logName = L"ScriptDialog";
            ScriptDialogAnswer answer = ShowScriptDialog(GetAncestor(view->Window(), GA_ROOT), request);
            view->engineDialogUp_ = false;
            if (dialog->done) return;  // the page went away meanwhile
            dialog->answer = answer;
            dialog->Finish(answer.accepted);
            return;
        }
        RaisingEvent raising(view);
        // The leave question's message is empty, as the page's own text is no longer shown.
        const std::wstring message = request.type == "beforeunload" ? std::wstring() : request.message;
        // A deferral let go without Complete leaves no page waiting: the dialog is answered no.
        const auto defer = [dialog]() -> ICoreWebView2Deferral* {
            dialog->deferred = true;
            auto* deferral = new CallbackDeferral<EventArgs>([dialog] { dialog->Finish(dialog->answer.accepted); },
                                                             [dialog] { dialog->Finish(false); });
            deferral->AddRef();
            return deferral;
        };
        using DialogArgs = ScriptDialogArgs<EventArgs, ScriptDialogAnswer>;
        ComHolder<DialogArgs> args(new DialogArgs(DialogKindOf(request.type), request.uri, message,
                                                  request.defaultPrompt, &dialog->answer, defer));
        view->dialogHandlers_.Invoke(view, args.Get());
        if (!dialog->deferred) dialog->Finish(dialog->answer.accepted);
    });
}

bool WebView::HasOpenDialog() const {
    for (const std::weak_ptr<OpenDialog>& weak : openDialogs_) {
        if (OpenDialogPtr dialog = weak.lock(); dialog && !dialog->done) return true;
    }
    return false;
}

void WebView::AnswerOpenDialogsNo() {
    std::vector<std::weak_ptr<OpenDialog>> open = std::move(openDialogs_);
    openDialogs_.clear();
    for (const std::weak_ptr<OpenDialog>& weak : open) {
        if (OpenDialogPtr dialog = weak.lock()) dialog->Finish(false);
    }
}
