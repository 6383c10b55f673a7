// The controller: where the page window sits in the host's window, and whether it shows.
#include "devtools/engine/objects.h"

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
    LogLine(Config(), L"Close");
    view_->CloseView();
    return S_OK;
}
