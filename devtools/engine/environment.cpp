// The environment: makes controllers, later, on the message loop, with the back-end the settings name.
#include "devtools/engine/objects.h"

#include "devtools/engine/chromium/chromium_view.h"
#include "devtools/engine/event_args.h"
#include "devtools/engine/simulated_view.h"

#include <algorithm>
#include <vector>

namespace {

// Every environment alive in the process, to be told when the browser process exits.
std::vector<Environment*> liveEnvironments;

// A runtime tells of the exit only once the process and its helpers have let go of everything, the
// user-data folder included: a little after the views heard of the death.
constexpr UINT kExitCleanupMs = 300;
std::vector<EngineRef<Environment>> environmentsToTell;

using ControllerHandler = ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;

// What a runtime reports when its browser process cannot start.
const HRESULT kBrowserCannotStart = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);

void CreateSimulated(const ComHolder<ControllerHandler>& handler, const ConfigPtr& config, HWND parentWindow) {
    EngineRef<WebView> view(IsWindow(parentWindow) ? SimulatedView::Create(config, parentWindow) : nullptr);
    if (!view) {
        handler->Invoke(HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE), nullptr);
        return;
    }
    EngineRef<Controller> controller(new Controller(config, view));
    handler->Invoke(S_OK, controller.Get());
}

// The controller is handed out once the page in Chromium is attached and ready for a first navigation.
void CreateChromium(const ComHolder<ControllerHandler>& handler, const ConfigPtr& config, HWND parentWindow) {
    EngineRef<ChromiumView> view(IsWindow(parentWindow) ? ChromiumView::Create(config, parentWindow) : nullptr);
    if (!view) {
        handler->Invoke(HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE), nullptr);
        return;
    }
    ChromiumView* page = view.Get();
    page->WhenReady([handler, config, view](bool ready) {
        if (!ready) {
            handler->Invoke(kBrowserCannotStart, nullptr);
            return;
        }
        EngineRef<Controller> controller(new Controller(config, EngineRef<WebView>(view.Get())));
        handler->Invoke(S_OK, controller.Get());
    });
}

}  // namespace

HRESULT Environment::CreateCoreWebView2Controller(HWND parentWindow, ControllerHandler* handler) {
    LogLine(Config(), L"CreateController");
    if (!handler) return E_POINTER;
    if (!IsWindow(parentWindow)) return E_INVALIDARG;

    ComHolder<ControllerHandler> keep(handler);
    ConfigPtr config = SharedConfig();
    bool posted = PostToMessageLoop([keep, config, parentWindow] {
        if (config->failMode == FailMode::Controller) {
            keep->Invoke(kBrowserCannotStart, nullptr);
        } else if (config->chromiumEndpoint.empty()) {
            CreateSimulated(keep, config, parentWindow);
        } else {
            CreateChromium(keep, config, parentWindow);
        }
    });
    return posted ? S_OK : E_UNEXPECTED;
}

Environment::Environment(ConfigPtr config) : EngineObject(std::move(config), L"environment") {
    liveEnvironments.push_back(this);
}

Environment::~Environment() {
    liveEnvironments.erase(std::remove(liveEnvironments.begin(), liveEnvironments.end(), this), liveEnvironments.end());
}

HRESULT Environment::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    const IID* const answered[] = {&IID_IUnknown, &IID_ICoreWebView2Environment, &IID_ICoreWebView2Environment2,
                                   &IID_ICoreWebView2Environment3, &IID_ICoreWebView2Environment4,
                                   &IID_ICoreWebView2Environment5};
    for (const IID* iid : answered) {
        if (IsEqualIID(riid, *iid)) {
            *object = static_cast<ICoreWebView2Environment5*>(this);
            AddRef();
            return S_OK;
        }
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT Environment::add_BrowserProcessExited(ICoreWebView2BrowserProcessExitedEventHandler* handler,
                                              EventRegistrationToken* token) {
    return exitHandlers_.Add(false, handler, token);
}

HRESULT Environment::remove_BrowserProcessExited(EventRegistrationToken token) { return exitHandlers_.Remove(token); }

void Environment::RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind) {
    EngineRef<Environment> keepAlive(this);  // the host may let go of the environment inside its handler
    RaisingEvent raising(this);
    LogLine(Config(), L"BrowserProcessExited " + std::to_wstring(static_cast<int>(kind)));
    // No process of its own in the simulation: the host's, as good as any for an id.
    ComHolder<BrowserExitedArgs<EventArgs>> args(
        new BrowserExitedArgs<EventArgs>(kind, static_cast<UINT32>(GetCurrentProcessId())));
    exitHandlers_.Invoke(static_cast<ICoreWebView2Environment*>(this), args.Get());
}

void Environment::RaiseBrowserProcessExitedLater() {
    for (Environment* environment : liveEnvironments) environmentsToTell.emplace_back(environment);
    SetTimer(nullptr, 0, kExitCleanupMs, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        const std::vector<EngineRef<Environment>> environments = std::move(environmentsToTell);
        environmentsToTell.clear();
        for (const EngineRef<Environment>& environment : environments) {
            environment->RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED);
        }
    });
}
