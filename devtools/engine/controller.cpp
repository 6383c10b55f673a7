// The controller: where the page window sits in the host's window, and whether it shows.
#include "devtools/engine/objects.h"

HRESULT Controller::put_IsVisible(BOOL isVisible) {
    LogLine(Config(), isVisible ? L"put_IsVisible 1" : L"put_IsVisible 0");
    if (view_->Window()) ShowWindow(view_->Window(), isVisible ? SW_SHOWNA : SW_HIDE);
    return S_OK;
}

// An inverted rectangle shows as an empty window at its left-top corner.
HRESULT Controller::put_Bounds(RECT bounds) {
    LogLine(Config(), L"put_Bounds " + std::to_wstring(bounds.left) + L" " + std::to_wstring(bounds.top) + L" " +
                          std::to_wstring(bounds.right) + L" " + std::to_wstring(bounds.bottom));
    int width = bounds.right > bounds.left ? bounds.right - bounds.left : 0;
    int height = bounds.bottom > bounds.top ? bounds.bottom - bounds.top : 0;
    if (view_->Window()) {
        SetWindowPos(view_->Window(), nullptr, bounds.left, bounds.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return S_OK;
}

// A runtime whose page could not start hands out a controller without a web view.
HRESULT Controller::get_CoreWebView2(ICoreWebView2** coreWebView2) {
    if (!coreWebView2) return E_POINTER;
    *coreWebView2 = nullptr;
    if (Config().failMode == FailMode::WebView) return S_OK;
    *coreWebView2 = view_.Get();
    view_->AddRef();
    return S_OK;
}
