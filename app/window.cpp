#include "app/window.h"

#include "addressbar/address_bar.h"
#include "app/focus.h"
#include "app/state.h"
#include "app/toolbar.h"
#include "chrome/menu_panel.h"
#include "chrome/toolbar_paint.h"
#include "webhost/webview_host.h"

namespace {

LRESULT OnCreate(HWND hwnd, const CREATESTRUCTW* create) {
    hMainWnd = hwnd;
    CreateAddressBar(hwnd, create->hInstance);
    InitWebView(hwnd);
    return 0;
}

LRESULT OnDestroy() {
    ReleaseWebView();
    PostQuitMessage(0);
    return 0;
}

LRESULT OnSize(HWND hwnd) {
    if (hAddressBar) LayoutAddressBar(hwnd);
    ResizeWebView();
    InvalidateRect(hwnd, nullptr, FALSE);
    return 0;
}

// The band is painted off-screen and copied in one transfer, so hover changes never flicker.
LRESULT OnPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    const int bandHeight = BandHeight();

    HDC memDC = CreateCompatibleDC(hdc);
    HBITMAP bitmap = CreateCompatibleBitmap(hdc, rc.right, bandHeight);
    HGDIOBJ oldBitmap = SelectObject(memDC, bitmap);

    PaintToolbar(memDC, rc);
    PaintMenuPanel(memDC, rc);
    BitBlt(hdc, 0, 0, rc.right, bandHeight, memDC, 0, 0, SRCCOPY);

    SelectObject(memDC, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memDC);
    EndPaint(hwnd, &ps);
    return 0;
}

// Three stages, each whatever the one before did: the buttons, the open panel, the focus rule.
LRESULT OnLButtonDown(HWND hwnd, LPARAM lParam) {
    OnToolbarClick(hwnd, lParam);
    if (menuOpen) OnMenuPanelClick(hwnd, lParam);
    ApplyAddressBarFocusRule(lParam);
    return 0;
}

}  // namespace

int BandHeight() { return menuOpen ? toolbarHeight + menuHeight : toolbarHeight; }

LRESULT CALLBACK BrowserWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:        return OnCreate(hwnd, reinterpret_cast<const CREATESTRUCTW*>(lParam));
    case WM_DESTROY:       return OnDestroy();
    case WM_SIZE:          RememberFocusWhenMinimized(wParam); return OnSize(hwnd);
    case WM_PAINT:         return OnPaint(hwnd);
    case WM_CTLCOLOREDIT:  return OnAddressBarColor(reinterpret_cast<HDC>(wParam));
    case WM_MOUSEMOVE:     OnToolbarMouseMove(hwnd, lParam); return 0;
    case WM_LBUTTONDOWN:   return OnLButtonDown(hwnd, lParam);
    case WM_MOUSELEAVE:    OnToolbarMouseLeave(); return 0;
    case WM_APP_NAVIGATE:  NavigateToAddressBarText(); return 0;
    case WM_ACTIVATE:      return OnActivate(hwnd, wParam, lParam);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
