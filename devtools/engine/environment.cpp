// The environment: makes controllers, later, on the message loop, with the back-end the settings name.
#include "devtools/engine/objects.h"

#include "devtools/engine/chromium/chromium_view.h"
#include "devtools/engine/simulated_view.h"

namespace {

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
