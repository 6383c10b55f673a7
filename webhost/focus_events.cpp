// The handlers of the focus and the keys in the page: the engine alone knows them for its page.
#include "app/state.h"
#include "webhost/engine_events.h"
#include "webhost/engine_handlers.h"
#include "webhost/engine_host.h"

namespace {

// The page's keys reach the shortcuts only through this event. A shortcut is marked handled, so
// that neither the engine nor the page acts on it as well.
HRESULT OnAcceleratorKeyPressed(ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
    COREWEBVIEW2_KEY_EVENT_KIND kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN;
    UINT key = 0;
    if (!args || FAILED(args->get_KeyEventKind(&kind)) || FAILED(args->get_VirtualKey(&key))) return S_OK;
    COREWEBVIEW2_PHYSICAL_KEY_STATUS status = {};
    args->get_PhysicalKeyStatus(&status);
    const bool down = kind == COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN || kind == COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN;
    if (engineHost.pageKey(key, down, status.WasKeyDown != FALSE, status.IsMenuKeyDown != FALSE)) args->put_Handled(TRUE);
    return S_OK;
}

HRESULT OnPageGotFocus(ICoreWebView2Controller*, IUnknown*) {
    engineHost.pageFocusChanged(true);
    return S_OK;
}

HRESULT OnPageLostFocus(ICoreWebView2Controller*, IUnknown*) {
    engineHost.pageFocusChanged(false);
    return S_OK;
}

HRESULT OnMoveFocusRequested(ICoreWebView2Controller*, ICoreWebView2MoveFocusRequestedEventArgs* args) {
    if (args && engineHost.focusLeavesPage()) args->put_Handled(TRUE);
    return S_OK;
}

}  // namespace

bool RegisterFocusAndKeyHandlers() {
    bool registered = true;
    TROV_FOCUS_AND_KEY_EVENTS(TROV_REGISTER_HANDLER)
    return registered;
}
