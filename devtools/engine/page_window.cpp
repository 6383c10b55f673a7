// The child window that shows the page. Its class is the engine's; what it paints and how it
// answers input is the back-end's, to which every message goes first.
#include "devtools/engine/objects.h"

namespace {

const wchar_t kPageClass[] = L"TrovDevEnginePage";

WebView* ViewOf(HWND hwnd) {
    return reinterpret_cast<WebView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// Keys go to the controller's accelerator-key event before the back-end sees them; a key the host
// handled goes no further.
bool OfferedKeyWasHandled(HWND hwnd, WebView* view, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_KEYDOWN && message != WM_KEYUP && message != WM_SYSKEYDOWN && message != WM_SYSKEYUP) {
        return false;
    }
    Controller* controller = view ? view->KeyController() : nullptr;
    return controller && controller->OfferKey(hwnd, message, wParam, lParam);
}

// Escape that the host left alone ends an element's full screen, and goes no further.
bool EndsFullScreen(WebView* view, UINT message, WPARAM wParam) {
    if (message != WM_KEYDOWN || wParam != VK_ESCAPE || !view->ContainsFullScreenElement()) return false;
    view->ExitFullScreenElement();
    return true;
}

// The runtime's focus events come from its browser process, after the window's own focus message has
// returned: ours are posted back to the page window and raised from there.
UINT FocusChangedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TrovEngineFocusChanged");
    return message;
}

LRESULT CALLBACK PageWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WebView* view = ViewOf(hwnd);
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        break;
    case WM_NCDESTROY:
        if (view) view->OnWindowDestroyed();  // the host destroyed its window first
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
    default: {
        if (view && message == SimulateProcessFailureMessage()) {
            view->RaiseProcessFailed(static_cast<COREWEBVIEW2_PROCESS_FAILED_KIND>(wParam));
            return 0;
        }
        if (view && message == SimulateUnresponsiveMessage()) {
            view->SetUnresponsive(wParam != 0);
            return 0;
        }
        if (view && message == WM_TIMER && wParam == kUnresponsiveTimerId) {
            view->OnUnresponsiveTimer();
            return 0;
        }
        if (view && message == FocusChangedMessage()) {
            if (view->KeyController()) view->KeyController()->RaiseFocusChanged(wParam != 0);
            return 0;
        }
        LRESULT result = 0;
        if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
            PostMessageW(hwnd, FocusChangedMessage(), message == WM_SETFOCUS, 0);
        }
        if (OfferedKeyWasHandled(hwnd, view, message, wParam, lParam)) return 0;
        view = ViewOf(hwnd);  // the host's handler may have let go of the view
        if (view && EndsFullScreen(view, message, wParam)) return 0;
        if (view && view->OnWindowMessage(message, wParam, lParam, &result)) return result;
        break;
    }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RegisterPageClass() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PageWndProc;
    wc.hInstance = EngineModule();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kPageClass;
    RegisterClassExW(&wc);  // fails harmlessly when already registered
}

}  // namespace

UINT SimulateProcessFailureMessage() {
    static const UINT message = RegisterWindowMessageW(L"TrovEngineSimulateProcessFailure");
    return message;
}

UINT SimulateUnresponsiveMessage() {
    static const UINT message = RegisterWindowMessageW(L"TrovEngineSimulateUnresponsive");
    return message;
}

UINT SimulateScriptDialogMessage() {
    static const UINT message = RegisterWindowMessageW(L"TrovEngineSimulateScriptDialog");
    return message;
}

UINT SimulateNewWindowMessage() {
    static const UINT message = RegisterWindowMessageW(L"TrovEngineSimulateNewWindow");
    return message;
}

UINT SimulateWindowCloseMessage() {
    static const UINT message = RegisterWindowMessageW(L"TrovEngineSimulateWindowClose");
    return message;
}

UINT SimulateTitleMessage() {
    static const UINT message = RegisterWindowMessageW(L"TrovEngineSimulateTitle");
    return message;
}

UINT SimulateFullScreenMessage() {
    static const UINT message = RegisterWindowMessageW(L"TrovEngineSimulateFullScreen");
    return message;
}

// Hidden and empty until the controller gives it visibility and bounds.
HWND CreatePageWindow(HWND parent, WebView* view) {
    RegisterPageClass();
    return CreateWindowExW(0, kPageClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent, nullptr, EngineModule(),
                           view);
}

void DestroyPageWindow(HWND window) {
    if (!window || !IsWindow(window)) return;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);  // the view is leaving; no calls back into it
    DestroyWindow(window);
}
