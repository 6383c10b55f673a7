#include "engine_double.h"

#include "app/keyboard.h"
#include "devtools/engine/event_args.h"
#include "devtools/engine/unimplemented.h"
#include "webhost/engine_events.h"

#include <iterator>
#include <map>
#include <memory>

namespace engine_double {
namespace {

constexpr UINT kCompleteEnvironment = WM_APP + 1;
constexpr UINT kCompleteController = WM_APP + 2;

Options options;
std::vector<std::wstring> calls;
std::vector<std::wstring> finalReleases;
bool browserDead = false;
UINT64 navigationId = 0;  // the id the next raised event reports
int raisingEvents = 0;    // an event handler or a creation completion of the engine is running

void Record(const std::wstring& call) { calls.push_back(call); }

// The engine is inside one of its own events: the host must not close or let go of the object.
void RecordIfReentrant(const std::wstring& call) {
    if (raisingEvents > 0) Record(L"Reentrant " + call);
}

template <class Body>
void Raising(Body body) {
    ++raisingEvents;
    body();
    --raisingEvents;
}

// Counts the program's references; Base supplies the methods (E_NOTIMPL unless overridden).
template <class Interface, class Base = Interface>
class Counted : public Base {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IidOf<Interface>())) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        ++refs.addRefs;
        return static_cast<ULONG>(refs.Held() + 1);
    }
    ULONG STDMETHODCALLTYPE Release() override {
        ++refs.releases;
        if (refs.Held() == 0) OnProgramReleased();
        return static_cast<ULONG>(refs.Held() + 1);  // the engine's own reference stays
    }
    virtual void OnProgramReleased() {}
    virtual ~Counted() = default;

    RefCounts refs;
};

// The engine's event arguments, counted as the program's other references are.
template <class Interface>
using CountedArgs = Counted<Interface>;

// Only the setting of the dialogs is there; the calls to it are recorded.
class SettingsObject final : public Counted<ICoreWebView2Settings, UnimplementedSettings> {
public:
    HRESULT STDMETHODCALLTYPE get_AreDefaultScriptDialogsEnabled(BOOL* value) override {
        *value = dialogs_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL value) override {
        Record(L"put_AreDefaultScriptDialogsEnabled " + std::to_wstring(value));
        dialogs_ = value;
        return S_OK;
    }

private:
    BOOL dialogs_ = TRUE;
};

// A page dialog raised, with what the program answered, then or later through the deferral.
struct RaisedDialog {
    RaisedDialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND kind, const std::wstring& message, const std::wstring& defaultText,
                 const std::wstring& uri)
        : args(kind, uri, message, defaultText, &answer, [this] {
              deferralTaken = true;
              deferral.AddRef();
              return &deferral;
          }) {}

    struct Answer {
        bool accepted = false;
        std::wstring text;
    } answer;
    bool deferralTaken = false;
    bool completed = false;  // the deferral's Complete
    CallbackDeferral<CountedArgs> deferral{[this] { completed = true; }};
    ScriptDialogArgs<CountedArgs, Answer> args;
};

std::wstring NameOfView(ICoreWebView2* view);  // "main", "popup <n>" or "other"

// Each of the program's answers to a request is a step, the deferral's Complete too.
class NewWindowArgs final : public Counted<ICoreWebView2NewWindowRequestedEventArgs> {
public:
    explicit NewWindowArgs(const NewWindowRequest& request) : request_(request), features_(request) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return GiveText(uri, request_.uri); }
    HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* view) override {
        steps_.push_back(L"put_NewWindow " + NameOfView(view));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** window) override { *window = nullptr; return S_OK; }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override {
        steps_.push_back(L"put_Handled " + std::to_wstring(handled));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override { *handled = FALSE; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override { *value = request_.userInitiated; return S_OK; }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override {
        steps_.push_back(L"GetDeferral");
        deferral_.AddRef();
        *deferral = &deferral_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_WindowFeatures(ICoreWebView2WindowFeatures** features) override {
        features_.AddRef();
        *features = &features_;
        return S_OK;
    }
    int Held() const { return refs.Held() + features_.refs.Held() + deferral_.refs.Held(); }

    std::vector<std::wstring> steps_;

private:
    NewWindowRequest request_;
    WindowFeaturesArgs<CountedArgs, NewWindowRequest> features_;
    CallbackDeferral<CountedArgs> deferral_{[this] { steps_.push_back(L"Complete"); }};
};

// A handler reference the engine holds, and what Release said when it let go.
struct HeldHandler {
    IUnknown* handler = nullptr;
    long countAtRelease = -1;
    const wchar_t* registration = L"";  // the add_… call that handed it over

    void Hold(IUnknown* h) {
        Drop();
        handler = h;
        countAtRelease = -1;
        if (handler) handler->AddRef();
    }
    void Drop() {
        if (handler) countAtRelease = static_cast<long>(handler->Release());
        handler = nullptr;
    }
};

HeldHandler environmentHandler, controllerHandler;
std::vector<HeldHandler> heldScripts;  // ExecuteScript's handlers, until answered
// The environment's own event, which is no row of the table: the table's rows are the view's and the
// controller's.
HeldHandler browserExitedHandler;
HeldHandler lateExitHandler;  // an earlier environment's, with that environment
ICoreWebView2Environment* lateExitSender = nullptr;
bool containsFullScreenElement = false;

// The program's events, a row each of its table, in its order (which is the registration order),
// named by the row's holder; and the object each is registered with.
enum class Event {
#define TROV_EVENT_NAME(holder, ...) holder,
    TROV_ENGINE_EVENTS(TROV_EVENT_NAME)
#undef TROV_EVENT_NAME
    Count
};
enum class Source { webview, webviewController };
constexpr Source kEventSources[] = {
#define TROV_EVENT_SOURCE(holder, Interface, source, ...) Source::source,
    TROV_ENGINE_EVENTS(TROV_EVENT_SOURCE)
#undef TROV_EVENT_SOURCE
};
HeldHandler eventHandlers[static_cast<size_t>(Event::Count)];

HeldHandler& Held(Event event) { return eventHandlers[static_cast<size_t>(event)]; }

// An add_… call: recorded, the handler held by the engine, a token given back; or refused.
HRESULT Register(const wchar_t* call, HeldHandler& held, IUnknown* handler, EventRegistrationToken* token,
                 INT64 value) {
    Record(call);
    if (options.refusedRegistration == call) return E_FAIL;
    held.Hold(handler);
    held.registration = call;
    token->value = value;
    return S_OK;
}
HRESULT Register(const wchar_t* call, Event event, IUnknown* handler, EventRegistrationToken* token) {
    return Register(call, Held(event), handler, token, static_cast<INT64>(event) + 1);
}

// Like a real engine, an object drops its event handlers when the host lets go of it.
void DropHandlersOf(Source source) {
    for (size_t i = 0; i < std::size(kEventSources); ++i) {
        if (kEventSources[i] == source) eventHandlers[i].Drop();
    }
}

// The add_ method of each row, written into the class of the row's source: the pasted name of the
// class's source and the row's picks the macro that writes the method, or the one that writes nothing.
#define TROV_WIDE_TEXT(text) L##text
#define TROV_WIDE(text) TROV_WIDE_TEXT(text)
#define TROV_ADD_METHOD(holder, Interface, add)                                                      \
    HRESULT STDMETHODCALLTYPE add(Interface* handler, EventRegistrationToken* token) override {     \
        return Register(TROV_WIDE(#add), Event::holder, handler, token);                            \
    }
#define TROV_ADD_webview_webview TROV_ADD_METHOD
#define TROV_ADD_webview_webviewController(...)
#define TROV_ADD_webviewController_webview(...)
#define TROV_ADD_webviewController_webviewController TROV_ADD_METHOD
#define TROV_WEBVIEW_ADD(holder, Interface, source, add, ...) TROV_ADD_webview_##source(holder, Interface, add)
#define TROV_CONTROLLER_ADD(holder, Interface, source, add, ...) \
    TROV_ADD_webviewController_##source(holder, Interface, add)

class WebView final : public Counted<ICoreWebView2, UnimplementedWebView> {
public:
    void OnProgramReleased() override {
        RecordIfReentrant(L"Release webview");
        finalReleases.push_back(L"webview");
        DropHandlersOf(Source::webview);
    }
    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override {
        Record(L"get_Settings");
        settings_.AddRef();
        *settings = &settings_;
        return S_OK;
    }
    TROV_ENGINE_EVENTS(TROV_WEBVIEW_ADD)
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) override {
        Record(L"get_Source");
        if (options.failGetSource) return E_FAIL;
        const size_t bytes = (options.source.size() + 1) * sizeof(wchar_t);
        *uri = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
        memcpy(*uri, options.source.c_str(), bytes);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override {
        Record(std::wstring(L"Navigate ") + uri);
        return options.navigateResult;
    }
    HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL* contains) override {
        *contains = containsFullScreenElement;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reload() override { Record(L"Reload"); return S_OK; }
    // Answered only when the test says so, as a page that runs it once its own script lets go.
    HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR script, ICoreWebView2ExecuteScriptCompletedHandler* handler) override {
        Record(std::wstring(L"ExecuteScript ") + script);
        heldScripts.emplace_back();
        heldScripts.back().Hold(handler);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GoBack() override { Record(L"GoBack"); return S_OK; }
    HRESULT STDMETHODCALLTYPE GoForward() override { Record(L"GoForward"); return S_OK; }

private:
    SettingsObject settings_;
};

class Controller final : public Counted<ICoreWebView2Controller, UnimplementedController> {
public:
    void OnProgramReleased() override {
        RecordIfReentrant(L"Release controller");
        finalReleases.push_back(L"controller");
        DropHandlersOf(Source::webviewController);
    }
    TROV_ENGINE_EVENTS(TROV_CONTROLLER_ADD)
    HRESULT STDMETHODCALLTYPE Close() override {
        RecordIfReentrant(L"Close");
        Record(L"Close");
        finalReleases.push_back(L"close");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override {
        Record(L"NotifyParentWindowPositionChanged");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override {
        Record(L"MoveFocus " + std::to_wstring(reason));
        return S_OK;
    }
    // Kept as the runtime keeps it; each put is recorded in whole per cent.
    HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* factor) override {
        if (!factor) return E_POINTER;
        *factor = zoomFactor_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_ZoomFactor(double factor) override {
        Record(L"put_ZoomFactor " + std::to_wstring(static_cast<int>(factor * 100 + 0.5)));
        zoomFactor_ = factor;
        return S_OK;
    }
    double zoomFactor_ = 1.0;
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL visible) override {
        Record(L"put_IsVisible " + std::to_wstring(visible));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT r) override {
        Record(L"put_Bounds " + std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
               std::to_wstring(r.right) + L" " + std::to_wstring(r.bottom));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** view) override;
};

// A popup's view: the handlers it holds by their registration call, and its title.
class PopupView final : public Counted<ICoreWebView2, UnimplementedWebView> {
public:
    void OnProgramReleased() override {
        RecordIfReentrant(L"Release popup webview");
        finalReleases.push_back(L"popup webview");
        DropHandlers();
    }
    void DropHandlers() { for (auto& entry : handlers_) entry.second.Drop(); }
    HRESULT Listen(const wchar_t* call, IUnknown* handler, EventRegistrationToken*) {
        Record(std::wstring(L"popup ") + call);
        handlers_[call].Hold(handler);
        return S_OK;
    }
#define TROV_POPUP_ADD(add, Interface)                                                         \
    HRESULT STDMETHODCALLTYPE add(Interface* handler, EventRegistrationToken* token) override { \
        return Listen(TROV_WIDE(#add), handler, token);                                          \
    }
    TROV_POPUP_ADD(add_NavigationStarting, ICoreWebView2NavigationStartingEventHandler)
    TROV_POPUP_ADD(add_NavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
    TROV_POPUP_ADD(add_SourceChanged, ICoreWebView2SourceChangedEventHandler)
    TROV_POPUP_ADD(add_DocumentTitleChanged, ICoreWebView2DocumentTitleChangedEventHandler)
    TROV_POPUP_ADD(add_WindowCloseRequested, ICoreWebView2WindowCloseRequestedEventHandler)
    TROV_POPUP_ADD(add_ScriptDialogOpening, ICoreWebView2ScriptDialogOpeningEventHandler)
    TROV_POPUP_ADD(add_NewWindowRequested, ICoreWebView2NewWindowRequestedEventHandler)
#undef TROV_POPUP_ADD
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override {
        Record(std::wstring(L"popup Navigate ") + uri);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) override { return GiveText(title, title_); }

    std::map<std::wstring, HeldHandler> handlers_;
    std::wstring title_;
};

// Closing it lets go of its view's handlers, as the engine's controller does.
class PopupController final : public Counted<ICoreWebView2Controller, UnimplementedController> {
public:
    explicit PopupController(PopupView* view) : view_(view) {}
    void OnProgramReleased() override {
        RecordIfReentrant(L"Release popup controller");
        finalReleases.push_back(L"popup controller");
    }
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** view) override {
        view_->AddRef();
        *view = view_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Close() override {
        RecordIfReentrant(L"popup Close");
        Record(L"popup Close");
        finalReleases.push_back(L"popup close");
        view_->DropHandlers();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT r) override {
        Record(L"popup put_Bounds " + std::to_wstring(r.right - r.left) + L" " + std::to_wstring(r.bottom - r.top));
        return S_OK;
    }

private:
    PopupView* view_;
};

struct PopupObjects {
    HWND parent = nullptr;
    HeldHandler creation;  // the controller-completed handler, until answered
    PopupView view;
    PopupController controller{&view};
};
std::vector<std::unique_ptr<PopupObjects>> popupObjects;
std::unique_ptr<NewWindowArgs> lastNewWindow;

class Environment final : public Counted<ICoreWebView2Environment, UnimplementedEnvironment> {
public:
    // The version with the browser-process exit event, unless the test plays an older runtime.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!IsEqualIID(riid, IID_ICoreWebView2Environment5) || options.noExitEvent) {
            return Counted::QueryInterface(riid, object);
        }
        *object = static_cast<ICoreWebView2Environment5*>(this);
        AddRef();
        return S_OK;
    }
    // As a runtime's environment, it lets go of its handlers when it goes.
    void OnProgramReleased() override {
        RecordIfReentrant(L"Release environment");
        finalReleases.push_back(L"environment");
        browserExitedHandler.Drop();
    }
    HRESULT STDMETHODCALLTYPE add_BrowserProcessExited(ICoreWebView2BrowserProcessExitedEventHandler* handler,
                                                       EventRegistrationToken* token) override {
        return Register(L"add_BrowserProcessExited", browserExitedHandler, handler, token,
                        static_cast<INT64>(Event::Count) + 1);
    }
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override {
        if (GetWindow(parent, GW_OWNER)) {
            Record(L"popup CreateController");
            popupObjects.push_back(std::make_unique<PopupObjects>());
            popupObjects.back()->parent = parent;
            popupObjects.back()->creation.Hold(handler);
            return S_OK;
        }
        Record(L"CreateController");
        controllerHandler.Hold(handler);
        return S_OK;
    }
};

std::unique_ptr<Environment> environment;
std::unique_ptr<Controller> controller;
std::unique_ptr<WebView> webViewObject;
HWND messageWindow = nullptr;

// The objects of engines whose browser process died, kept so that tests can count their references.
struct Generation {
    std::unique_ptr<Environment> environment;
    std::unique_ptr<Controller> controller;
    std::unique_ptr<WebView> webView;
};
std::vector<Generation> retired;
// The last page dialog raised, kept for reading what the program answered.
std::unique_ptr<RaisedDialog> lastDialog;

// A dead engine's successor: what a new CreateEnvironment gets after a browser process exit.
void StartNewGeneration() {
    retired.push_back(Generation{std::move(environment), std::move(controller), std::move(webViewObject)});
    environment = std::make_unique<Environment>();
    controller = std::make_unique<Controller>();
    webViewObject = std::make_unique<WebView>();
    browserDead = false;
}

HRESULT STDMETHODCALLTYPE Controller::get_CoreWebView2(ICoreWebView2** view) {
    if (options.noWebView) {
        *view = nullptr;
        return S_OK;
    }
    webViewObject->AddRef();
    *view = webViewObject.get();
    return S_OK;
}

// Each completion invokes the handler with the engine's own reference to the new object, then
// lets go of the handler, as the engine does once it has answered.
void RunEnvironmentCompletion() {
    auto* handler = static_cast<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*>(environmentHandler.handler);
    if (!handler) return;
    const HRESULT result = options.environmentResult;
    Raising([&] { handler->Invoke(result, SUCCEEDED(result) && !options.nullObjects ? environment.get() : nullptr); });
    environmentHandler.Drop();
}

void RunControllerCompletion() {
    auto* handler = static_cast<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler*>(controllerHandler.handler);
    if (!handler) return;
    const HRESULT result = options.controllerResult;
    Raising([&] { handler->Invoke(result, SUCCEEDED(result) && !options.nullObjects ? controller.get() : nullptr); });
    controllerHandler.Drop();
}

LRESULT CALLBACK MessageWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCompleteEnvironment) {
        RunEnvironmentCompletion();
        return 0;
    }
    if (message == kCompleteController) {
        RunControllerCompletion();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND MessageWindow() {
    if (!messageWindow) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = MessageWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TrovEngineDouble";
        RegisterClassW(&wc);
        messageWindow = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        wc.hInstance, nullptr);
    }
    return messageWindow;
}


// The handler the engine holds for an event by its registration call, among the main view's, the
// controller's and the environment's; null when that call registered none.
const HeldHandler* Registered(const std::wstring& registration) {
    for (const HeldHandler& held : eventHandlers) {
        if (registration == held.registration) return &held;
    }
    return registration == browserExitedHandler.registration ? &browserExitedHandler : nullptr;
}

IUnknown* const kNoArgs = nullptr;  // an event that comes without arguments
constexpr UINT32 kBrowserProcessId = 4242;

// A failed navigation of the double is one that could not connect.
COREWEBVIEW2_WEB_ERROR_STATUS StatusOf(bool success) {
    return success ? COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN : COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT;
}

// Raises one event as the engine does: the handler held for the call, since the host may let go of
// everything inside it, and a Close or final Release of the controller or a view meanwhile recorded
// as re-entrant. What the handler's Release said after the call; -1 when there is no handler.
template <class Handler, class Sender, class Args>
long Raise(IUnknown* held, Sender* sender, Args* args) {
    if (!held) return -1;
    auto* handler = static_cast<Handler*>(held);
    handler->AddRef();
    Raising([&] { handler->Invoke(sender, args); });
    return static_cast<long>(handler->Release());
}

// An event of the main view (popup -1) or of popup n's view, by its registration call; false when
// the program holds no handler there.
template <class Handler, class Args>
bool RaiseOnView(int popup, const wchar_t* registration, Args* args) {
    if (popup < 0) return Raise<Handler>(EventHandler(registration), webViewObject.get(), args) >= 0;
    if (static_cast<size_t>(popup) >= popupObjects.size()) return false;
    PopupView& view = popupObjects[static_cast<size_t>(popup)]->view;
    const auto found = view.handlers_.find(registration);
    return found != view.handlers_.end() && Raise<Handler>(found->second.handler, &view, args) >= 0;
}

}  // namespace

void Reset(const Options& newOptions) {
    const auto forget = [](HeldHandler* held) {
        held->Drop();
        *held = HeldHandler();
    };
    forget(&environmentHandler);
    forget(&controllerHandler);
    for (HeldHandler& held : eventHandlers) forget(&held);
    forget(&browserExitedHandler);
    forget(&lateExitHandler);
    for (auto& objects : popupObjects) {
        forget(&objects->creation);
        objects->view.DropHandlers();
    }
    popupObjects.clear();
    lastNewWindow.reset();
    for (HeldHandler& held : heldScripts) held.Drop();
    heldScripts.clear();
    containsFullScreenElement = false;
    MSG msg;
    while (PeekMessageW(&msg, MessageWindow(), 0, 0, PM_REMOVE)) {
    }
    options = newOptions;
    calls.clear();
    finalReleases.clear();
    retired.clear();
    browserDead = false;
    navigationId = 0;
    raisingEvents = 0;
    lastDialog.reset();
    environment = std::make_unique<Environment>();
    controller = std::make_unique<Controller>();
    webViewObject = std::make_unique<WebView>();
}

Options& Settings() { return options; }
const std::vector<std::wstring>& Calls() { return calls; }

int CountCalls(const std::wstring& prefix) {
    int n = 0;
    for (const auto& call : calls) n += call.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

std::wstring LastCall(const std::wstring& prefix) {
    for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
        if (it->rfind(prefix, 0) == 0) return *it;
    }
    return L"";
}

bool EnvironmentRequested() { return environmentHandler.handler != nullptr; }
bool ControllerRequested() { return controllerHandler.handler != nullptr; }

bool CompleteEnvironment() {
    if (!environmentHandler.handler) return false;
    PostMessageW(MessageWindow(), kCompleteEnvironment, 0, 0);
    return true;
}

bool CompleteController() {
    if (!controllerHandler.handler) return false;
    PostMessageW(MessageWindow(), kCompleteController, 0, 0);
    return true;
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (HandleShortcutMessage(msg)) continue;  // as the program's own message loop does
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void RaiseNavigationStarting(const std::wstring& uri) {
    NavigationStartingArgs<CountedArgs> args(uri, navigationId);
    RaiseOnView<ICoreWebView2NavigationStartingEventHandler>(-1, L"add_NavigationStarting", &args);
}

void RaiseNavigationCompleted(bool success) {
    NavigationCompletedArgs<CountedArgs> args(success, StatusOf(success), navigationId);
    RaiseOnView<ICoreWebView2NavigationCompletedEventHandler>(-1, L"add_NavigationCompleted", &args);
}

void SetNavigationId(UINT64 id) { navigationId = id; }

void RaiseSourceChanged(bool newDocument) {
    SourceChangedArgs<CountedArgs> args(newDocument);
    RaiseOnView<ICoreWebView2SourceChangedEventHandler>(-1, L"add_SourceChanged", &args);
}

long RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
    IUnknown* handler = Held(Event::processFailedHandler).handler;
    if (handler && kind == COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED) browserDead = true;
    ProcessFailedArgs<CountedArgs> args(kind);
    return Raise<ICoreWebView2ProcessFailedEventHandler>(handler, webViewObject.get(), &args);
}

int AnswerScripts() {
    std::vector<HeldHandler> answered = std::move(heldScripts);
    heldScripts.clear();
    for (HeldHandler& held : answered) {
        static_cast<ICoreWebView2ExecuteScriptCompletedHandler*>(held.handler)->Invoke(S_OK, L"0");
        held.Drop();
    }
    return static_cast<int>(answered.size());
}

bool RaiseZoomFactorChanged(double factor) {
    IUnknown* handler = Held(Event::zoomChangedHandler).handler;
    if (!handler) return false;
    controller->zoomFactor_ = factor;
    return Raise<ICoreWebView2ZoomFactorChangedEventHandler>(handler, controller.get(), kNoArgs) >= 0;
}

bool RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind) {
    BrowserExitedArgs<CountedArgs> args(kind, kBrowserProcessId);
    return Raise<ICoreWebView2BrowserProcessExitedEventHandler>(browserExitedHandler.handler, environment.get(),
                                                                &args) >= 0;
}

void KeepBrowserExitedHandlerForLater() {
    lateExitHandler.Hold(browserExitedHandler.handler);
    lateExitSender = environment.get();
}

bool RaiseLateBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind) {
    BrowserExitedArgs<CountedArgs> args(kind, kBrowserProcessId);
    return Raise<ICoreWebView2BrowserProcessExitedEventHandler>(lateExitHandler.handler, lateExitSender, &args) >= 0;
}

void RaiseContainsFullScreenElementChanged(bool contains) {
    containsFullScreenElement = contains;
    RaiseOnView<ICoreWebView2ContainsFullScreenElementChangedEventHandler>(-1, L"add_ContainsFullScreenElementChanged",
                                                                           kNoArgs);
}

const std::vector<std::wstring>& FinalReleases() { return finalReleases; }
size_t RetiredGenerations() { return retired.size(); }
RefCounts RetiredRefs(size_t generation, int which) {
    const Generation& g = retired.at(generation);
    return which == 0 ? g.environment->refs : which == 1 ? g.controller->refs : g.webView->refs;
}

bool RaiseAcceleratorKey(COREWEBVIEW2_KEY_EVENT_KIND kind, UINT key, bool wasKeyDown, bool menuKeyDown) {
    // The key message's lParam: one repeat, no scan code.
    const bool released = kind == COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP || kind == COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP;
    const LPARAM lParam = 1 | (menuKeyDown ? kKeyContextBit : 0) | (wasKeyDown ? kKeyPreviousStateBit : 0) |
                          (released ? kKeyTransitionBit : 0);
    AcceleratorKeyArgs<CountedArgs> args(kind, key, lParam);
    Raise<ICoreWebView2AcceleratorKeyPressedEventHandler>(Held(Event::acceleratorHandler).handler, controller.get(),
                                                          &args);
    return args.Handled();
}

bool RaiseFocusChanged(bool got) {
    IUnknown* handler = Held(got ? Event::gotFocusHandler : Event::lostFocusHandler).handler;
    return Raise<ICoreWebView2FocusChangedEventHandler>(handler, controller.get(), kNoArgs) >= 0;
}

bool RaiseMoveFocusRequested(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    MoveFocusArgs<CountedArgs> args(reason);
    Raise<ICoreWebView2MoveFocusRequestedEventHandler>(Held(Event::moveFocusHandler).handler, controller.get(), &args);
    return args.Handled();
}

RefCounts EnvironmentRefs() { return environment->refs; }
RefCounts ControllerRefs() { return controller->refs; }
RefCounts WebViewRefs() { return webViewObject->refs; }
long EnvironmentHandlerCountAtRelease() { return environmentHandler.countAtRelease; }
long ControllerHandlerCountAtRelease() { return controllerHandler.countAtRelease; }

void RaiseScriptDialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND kind, const std::wstring& message,
                       const std::wstring& defaultText, const std::wstring& uri, int popup) {
    lastDialog = std::make_unique<RaisedDialog>(kind, message, defaultText, uri);
    RaiseOnView<ICoreWebView2ScriptDialogOpeningEventHandler>(popup, L"add_ScriptDialogOpening", &lastDialog->args);
}

ScriptDialogOutcome LastScriptDialog() {
    ScriptDialogOutcome outcome;
    if (!lastDialog) return outcome;
    outcome.raised = true;
    outcome.deferralTaken = lastDialog->deferralTaken;
    outcome.completed = lastDialog->completed;
    outcome.accepted = lastDialog->answer.accepted;
    outcome.resultText = lastDialog->answer.text;
    outcome.argsHeld = lastDialog->args.refs.Held() + lastDialog->deferral.refs.Held();
    return outcome;
}

namespace {
std::wstring NameOfView(ICoreWebView2* view) {
    if (view == webViewObject.get()) return L"main";
    for (size_t i = 0; i < popupObjects.size(); ++i) {
        if (view == &popupObjects[i]->view) return L"popup " + std::to_wstring(i);
    }
    return L"other";
}
}  // namespace

std::vector<std::wstring> RaiseNewWindowRequested(const NewWindowRequest& request, int popup) {
    lastNewWindow = std::make_unique<NewWindowArgs>(request);
    RaiseOnView<ICoreWebView2NewWindowRequestedEventHandler>(popup, L"add_NewWindowRequested", lastNewWindow.get());
    return lastNewWindow->steps_;
}

std::vector<std::wstring> NewWindowSteps() { return lastNewWindow ? lastNewWindow->steps_ : std::vector<std::wstring>{}; }
int NewWindowArgsHeld() { return lastNewWindow ? lastNewWindow->Held() : 0; }

size_t PopupViews() { return popupObjects.size(); }
HWND PopupParent(size_t popup) { return popup < popupObjects.size() ? popupObjects[popup]->parent : nullptr; }
RefCounts PopupControllerRefs(size_t popup) { return popupObjects.at(popup)->controller.refs; }
RefCounts PopupWebViewRefs(size_t popup) { return popupObjects.at(popup)->view.refs; }

bool CompletePopupController(size_t popup, HRESULT result) {
    if (popup >= popupObjects.size() || !popupObjects[popup]->creation.handler) return false;
    PopupObjects& objects = *popupObjects[popup];
    auto* handler = static_cast<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler*>(objects.creation.handler);
    handler->Invoke(result, SUCCEEDED(result) ? &objects.controller : nullptr);
    objects.creation.Drop();
    return true;
}

// Both events come without arguments; the title is read from the view.
bool RaisePopupEvent(size_t popup, const wchar_t* registration, const std::wstring& title) {
    if (popup < popupObjects.size()) popupObjects[popup]->view.title_ = title;
    return RaiseOnView<ICoreWebView2WindowCloseRequestedEventHandler>(static_cast<int>(popup), registration, kNoArgs);
}

bool RaisePopupNavigation(size_t popup, const std::wstring& uri, bool completed) {
    if (completed) {
        NavigationCompletedArgs<CountedArgs> args(true, StatusOf(true), navigationId);
        return RaiseOnView<ICoreWebView2NavigationCompletedEventHandler>(static_cast<int>(popup),
                                                                          L"add_NavigationCompleted", &args);
    }
    NavigationStartingArgs<CountedArgs> args(uri, navigationId);
    return RaiseOnView<ICoreWebView2NavigationStartingEventHandler>(static_cast<int>(popup), L"add_NavigationStarting",
                                                                     &args);
}

IUnknown* EventHandler(const std::wstring& registration) {
    const HeldHandler* held = Registered(registration);
    return held ? held->handler : nullptr;
}

long HandlerCountAtRelease(const std::wstring& registration) {
    const HeldHandler* held = Registered(registration);
    return held ? held->countAtRelease : -1;
}

HandlerWatch::HandlerWatch() {
    const auto watch = [this](const HeldHandler& held) {
        if (!held.handler) return;
        held.handler->AddRef();
        watched_.emplace_back(held.registration, held.handler);
    };
    for (const HeldHandler& held : eventHandlers) watch(held);
    watch(browserExitedHandler);
}

HandlerWatch::~HandlerWatch() { Freed(); }

std::vector<std::wstring> HandlerWatch::Freed() {
    std::vector<std::wstring> freed;
    for (const auto& [registration, handler] : watched_) {
        if (handler->Release() == 0) freed.push_back(registration);
    }
    watched_.clear();
    return freed;
}

}  // namespace engine_double

// The loader's export, in place of WebView2Loader.dll. Like the engine, it answers later.
extern "C" HRESULT __stdcall CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR, PCWSTR, ICoreWebView2EnvironmentOptions*, ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    engine_double::calls.push_back(L"CreateEnvironment");
    if (FAILED(engine_double::options.createEnvironmentResult)) return engine_double::options.createEnvironmentResult;
    if (engine_double::browserDead) engine_double::StartNewGeneration();
    engine_double::environmentHandler.Hold(handler);
    return S_OK;
}
