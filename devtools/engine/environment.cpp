// The environment: makes controllers, later, on the message loop.
#include "devtools/engine/objects.h"

HRESULT Environment::CreateCoreWebView2Controller(
    HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
    LogLine(Config(), L"CreateController");
    if (!handler) return E_POINTER;
    if (!IsWindow(parentWindow)) return E_INVALIDARG;

    ComHolder<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> keep(handler);
    ConfigPtr config = SharedConfig();
    bool posted = PostToMessageLoop([keep, config, parentWindow] {
        if (config->failMode == FailMode::Controller) {
            // What a runtime reports when its browser process cannot start.
            keep->Invoke(HRESULT_FROM_WIN32(ERROR_INVALID_STATE), nullptr);
            return;
        }
        EngineRef<WebView> view(IsWindow(parentWindow) ? WebView::Create(config, parentWindow) : nullptr);
        if (!view) {
            keep->Invoke(HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE), nullptr);
            return;
        }
        EngineRef<Controller> controller(new Controller(config, view));
        keep->Invoke(S_OK, controller.Get());
    });
    return posted ? S_OK : E_UNEXPECTED;
}
