// The controller: where the page window sits in the host's window, whether it shows, and the
// accelerator-key event raised for the page window's keys.
#include "devtools/engine/chromium/browser_keys.h"
#include "devtools/engine/event_args.h"
#include "devtools/engine/objects.h"

#include <algorithm>

namespace {

bool KeyEventKind(UINT message, COREWEBVIEW2_KEY_EVENT_KIND* kind) {
    switch (message) {
    case WM_KEYDOWN: *kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN; return true;
    case WM_KEYUP: *kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP; return true;
    case WM_SYSKEYDOWN: *kind = COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN; return true;
    case WM_SYSKEYUP: *kind = COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP; return true;
    }
    return false;
}

// Keys that type something: letters, digits, punctuation, the keypad's digits and operators, and
// the space, Enter, Tab and Backspace that an editor takes as text.
bool IsCharacterKey(UINT key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return true;
    if (key >= VK_NUMPAD0 && key <= VK_DIVIDE) return true;
    if ((key >= VK_OEM_1 && key <= VK_OEM_3) || (key >= VK_OEM_4 && key <= VK_OEM_8) || key == VK_OEM_102) return true;
    return key == VK_SPACE || key == VK_RETURN || key == VK_TAB || key == VK_BACK;
}

// As a real engine: Ctrl or Alt is held, or the key types no character.
bool IsAccelerator(UINT key, LPARAM lParam) {
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool alt = (lParam & kKeyContextBit) != 0 || GetKeyState(VK_MENU) < 0;
    return ctrl || alt || !IsCharacterKey(key);
}

// The characters that translating a handled key-down put in the queue are the page's no more.
void DropTranslatedCharacters(HWND window) {
    MSG msg;
    while (PeekMessageW(&msg, window, WM_CHAR, WM_DEADCHAR, PM_REMOVE)) {
    }
    while (PeekMessageW(&msg, window, WM_SYSCHAR, WM_SYSDEADCHAR, PM_REMOVE)) {
    }
}

}  // namespace

Controller::Controller(ConfigPtr config, EngineRef<WebView> view)
    : EngineObject(std::move(config), L"controller"), view_(std::move(view)) {
    view_->SetKeyController(this);
}

Controller::~Controller() {
    if (view_->KeyController() == this) view_->SetKeyController(nullptr);
}

HRESULT Controller::put_IsVisible(BOOL isVisible) {
    if (view_->IsDead()) return kBrowserProcessGone;
    LogLine(Config(), isVisible ? L"put_IsVisible 1" : L"put_IsVisible 0");
    view_->ShowPage(isVisible != FALSE);
    return S_OK;
}

HRESULT Controller::put_Bounds(RECT bounds) {
    if (view_->IsDead()) return kBrowserProcessGone;
    LogLine(Config(), L"put_Bounds " + std::to_wstring(bounds.left) + L" " + std::to_wstring(bounds.top) + L" " +
                          std::to_wstring(bounds.right) + L" " + std::to_wstring(bounds.bottom));
    view_->PlacePage(bounds);
    return S_OK;
}

// A runtime whose page could not start hands out a controller without a web view.
HRESULT Controller::get_CoreWebView2(ICoreWebView2** coreWebView2) {
    if (!coreWebView2) return E_POINTER;
    *coreWebView2 = nullptr;
    if (view_->IsDead()) return kBrowserProcessGone;
    if (Config().failMode == FailMode::WebView) return S_OK;
    *coreWebView2 = view_.Get();
    view_->AddRef();
    return S_OK;
}

// Closing always works, also on a controller whose browser process died: that is how a host lets go.
HRESULT Controller::Close() {
    if (IsRaisingEvent() || view_->IsRaisingEvent()) LogLine(Config(), L"Reentrant Close");
    LogLine(Config(), L"Close");
    keyHandlers_.ReleaseAll();
    moveFocusHandlers_.ReleaseAll();
    gotFocusHandlers_.ReleaseAll();
    lostFocusHandlers_.ReleaseAll();
    zoomHandlers_.ReleaseAll();
    view_->CloseView();
    return S_OK;
}

HRESULT Controller::get_ZoomFactor(double* zoomFactor) {
    if (!zoomFactor) return E_POINTER;
    if (view_->IsDead()) return kBrowserProcessGone;
    *zoomFactor = view_->ZoomFactor();
    return S_OK;
}

// As the runtime: a factor of 0 or below is refused; one outside the engine's range is brought
// into it, and that is told by ZoomFactorChanged.
HRESULT Controller::put_ZoomFactor(double zoomFactor) {
    if (view_->IsDead()) return kBrowserProcessGone;
    if (!(zoomFactor > 0)) return E_INVALIDARG;
    const double applied = std::clamp(zoomFactor, kMinZoomFactor, kMaxZoomFactor);
    view_->SetHostZoomFactor(applied, applied != zoomFactor);
    return S_OK;
}

HRESULT Controller::add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler* handler,
                                          EventRegistrationToken* token) {
    return zoomHandlers_.Add(view_->IsDead(), handler, token);
}

HRESULT Controller::remove_ZoomFactorChanged(EventRegistrationToken token) { return zoomHandlers_.Remove(token); }

void Controller::RaiseZoomFactorChanged() {
    if (view_->IsDead()) return;
    EngineRef<Controller> keepAlive(this);
    RaisingEvent raising(this);
    LogLine(Config(), L"ZoomFactorChanged " + ZoomText(view_->ZoomFactor()));
    zoomHandlers_.Invoke(this, static_cast<IUnknown*>(nullptr));
}

// The page window takes the keyboard, as a real engine's page does.
HRESULT Controller::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    if (view_->IsDead()) return kBrowserProcessGone;
    LogLine(Config(), L"MoveFocus " + std::to_wstring(reason));
    view_->TakeFocus(reason);
    return S_OK;
}

HRESULT Controller::add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler* handler,
                                           EventRegistrationToken* token) {
    return moveFocusHandlers_.Add(view_->IsDead(), handler, token);
}

HRESULT Controller::remove_MoveFocusRequested(EventRegistrationToken token) {
    return moveFocusHandlers_.Remove(token);
}

// Without a handler there is no event, and the page keeps the focus.
bool Controller::RaiseMoveFocusRequested(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    if (moveFocusHandlers_.Empty() || view_->IsDead()) return false;
    EngineRef<Controller> keepAlive(this);
    ComHolder<MoveFocusArgs<EventArgs>> args(new MoveFocusArgs<EventArgs>(reason));
    moveFocusHandlers_.Invoke(this, args.Get());
    BOOL handled = FALSE;
    args->get_Handled(&handled);
    LogLine(Config(), L"MoveFocusRequested " + std::to_wstring(reason) + (handled ? L" 1" : L" 0"));
    return handled != FALSE;
}

HRESULT Controller::add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* handler,
                                              EventRegistrationToken* token) {
    return keyHandlers_.Add(view_->IsDead(), handler, token);
}

HRESULT Controller::remove_AcceleratorKeyPressed(EventRegistrationToken token) {
    return keyHandlers_.Remove(token);
}

HRESULT Controller::add_GotFocus(ICoreWebView2FocusChangedEventHandler* handler, EventRegistrationToken* token) {
    return gotFocusHandlers_.Add(view_->IsDead(), handler, token);
}

HRESULT Controller::remove_GotFocus(EventRegistrationToken token) { return gotFocusHandlers_.Remove(token); }

HRESULT Controller::add_LostFocus(ICoreWebView2FocusChangedEventHandler* handler, EventRegistrationToken* token) {
    return lostFocusHandlers_.Add(view_->IsDead(), handler, token);
}

HRESULT Controller::remove_LostFocus(EventRegistrationToken token) { return lostFocusHandlers_.Remove(token); }

// A dead or closed engine tells nothing more.
void Controller::RaiseFocusChanged(bool got) {
    if (view_->IsDead()) return;
    EngineRef<Controller> keepAlive(this);  // a handler may drop the host's last reference
    RaisingEvent raising(this);
    LogLine(Config(), got ? L"GotFocus" : L"LostFocus");
    (got ? gotFocusHandlers_ : lostFocusHandlers_).Invoke(this, static_cast<IUnknown*>(nullptr));
}

// Nothing to move in a window of our own; the call is logged so a test sees the host make it.
HRESULT Controller::NotifyParentWindowPositionChanged() {
    if (view_->IsDead()) return kBrowserProcessGone;
    LogLine(Config(), L"NotifyParentWindowPositionChanged");
    return S_OK;
}

bool Controller::OfferKey(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    COREWEBVIEW2_KEY_EVENT_KIND kind;
    const UINT key = static_cast<UINT>(wParam);
    if (keyHandlers_.Empty() || !KeyEventKind(message, &kind) || !IsAccelerator(key, lParam)) return false;

    // A handler may remove itself or drop the host's last reference to this controller.
    EngineRef<Controller> keepAlive(this);
    RaisingEvent raising(this);
    ComHolder<AcceleratorKeyArgs<EventArgs>> args(new AcceleratorKeyArgs<EventArgs>(kind, key, lParam));
    keyHandlers_.Invoke(this, args.Get());

    BOOL handled = FALSE;
    args->get_Handled(&handled);
    LogLine(Config(), L"AcceleratorKeyPressed " + std::to_wstring(kind) + L" " + std::to_wstring(key) +
                          (handled ? L" 1" : L" 0"));
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    if (handled && down) DropTranslatedCharacters(window);
    return handled != FALSE;
}
