#include "app/window.h"

#include "addressbar/address_bar.h"
#include "app/commands.h"
#include "app/focus.h"
#include "app/fullscreen.h"
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

LRESULT OnSize(HWND hwnd, WPARAM sizeType) {
    RememberFocusWhenMinimized(sizeType);
    ShowWebViewFor(sizeType);
    if (hAddressBar) LayoutAddressBar(hwnd);
    ResizeWebView();
    InvalidateRect(hwnd, nullptr, FALSE);
    return 0;
}

// Full screen, the page covers the client area: what needs painting is only validated (and erased
// with the class background where no view is).
LRESULT PaintNothing(HWND hwnd) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
    return 0;
}

LRESULT OnPaint(HWND hwnd) {
    if (IsFullScreen()) return PaintNothing(hwnd);
    PaintBuffered(hwnd, BandHeight(), PaintBand);
    return 0;
}

LRESULT OnTimer(WPARAM timerId) {
    if (timerId == kEngineRetryTimer) RetryEngineStart();
    return 0;
}

// Mouse messages carry the pointer as two 16-bit halves of lParam. Each is read as an unsigned
// value, so a position left of or above the client area (a captured drag) reads as a large one.
POINT MousePoint(LPARAM lParam) {
    const DWORD value = static_cast<DWORD>(lParam);
    return POINT{static_cast<LONG>(LOWORD(value)), static_cast<LONG>(HIWORD(value))};
}

LRESULT OnMouseMove(HWND hwnd, POINT pt) {
    if (!IsFullScreen()) OnToolbarMouseMove(hwnd, pt);  // the hidden band takes no hover
    return 0;
}

// Three stages, each whatever the one before did: the buttons, the open panel, the focus rule.
LRESULT OnLButtonDown(HWND hwnd, POINT pt) {
    if (IsFullScreen()) return 0;  // the band is hidden
    OnToolbarClick(hwnd, pt);
    if (menuOpen && OnMenuPanelClick(hwnd, pt)) RunCommand(hwnd, Command::CloseMenu);
    ApplyAddressBarFocusRule(pt);
    return 0;
}

}  // namespace

int BandHeight() { return menuOpen ? toolbarHeight + menuHeight : toolbarHeight; }

void PaintBand(HDC hdc, const RECT& rc) {
    PaintToolbar(hdc, rc);
    PaintMenuPanel(hdc, rc);
}

void PaintBuffered(HWND hwnd, int bandHeight, void (*paint)(HDC, const RECT&)) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);

    HDC memDC = CreateCompatibleDC(hdc);
    HBITMAP bitmap = CreateCompatibleBitmap(hdc, rc.right, bandHeight);
    HGDIOBJ oldBitmap = SelectObject(memDC, bitmap);

    paint(memDC, rc);
    BitBlt(hdc, 0, 0, rc.right, bandHeight, memDC, 0, 0, SRCCOPY);

    SelectObject(memDC, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memDC);
    EndPaint(hwnd, &ps);
}

void SetMenuPanelOpen(HWND hwnd, bool open) {
    menuOpen = open;
    ResizeWebView();
    // Erase, so the strip that the moved web view uncovers shows the class background.
    InvalidateRect(hwnd, nullptr, TRUE);
}

LRESULT CALLBACK BrowserWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:        return OnCreate(hwnd, reinterpret_cast<const CREATESTRUCTW*>(lParam));
    case WM_DESTROY:       return OnDestroy();
    case WM_SIZE:          return OnSize(hwnd, wParam);
    case WM_MOVE:
    case WM_MOVING:        NotifyWebViewMoved(); break;
    case WM_PAINT:         return OnPaint(hwnd);
    case WM_CTLCOLOREDIT:  return OnAddressBarColor(reinterpret_cast<HDC>(wParam));
    case WM_MOUSEMOVE:     return OnMouseMove(hwnd, MousePoint(lParam));
    case WM_LBUTTONDOWN:   return OnLButtonDown(hwnd, MousePoint(lParam));
    case WM_MOUSELEAVE:    OnToolbarMouseLeave(); return 0;
    case WM_APP_NAVIGATE:  NavigateToAddressBarText(); return 0;
    case WM_ACTIVATE:      return OnActivate(hwnd, wParam, lParam);
    case WM_TIMER:         return OnTimer(wParam);
    case WM_APP_RUN_COMMAND:    RunCommand(hwnd, static_cast<Command>(wParam)); return 0;
    case WM_APP_RESTART_ENGINE: RestartEngine(); return 0;
    case WM_APP_FULLSCREEN: OnFullScreenElementChanged(hwnd); return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
