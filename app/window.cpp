#include "app/window.h"

#include "addressbar/address_bar.h"
#include "app/accessible.h"
#include "app/accessible_events.h"
#include "app/address_bar_name.h"
#include "app/closing.h"
#include "app/commands.h"
#include "app/focus.h"
#include "app/fullscreen.h"
#include "app/keyboard.h"
#include "app/menu.h"
#include "app/messages.h"
#include "app/session_end.h"
#include "app/shortcuts.h"
#include "app/startup.h"
#include "app/state.h"
#include "app/toolbar.h"
#include "app/tooltips.h"
#include "app/unresponsive_page.h"
#include "chrome/menu_panel.h"
#include "chrome/toolbar_paint.h"
#include "webhost/engine.h"
#include "webhost/navigation_events.h"
#include "webhost/restart.h"
#include "webhost/script_dialogs.h"

namespace {

LRESULT OnCreate(HWND hwnd, const CREATESTRUCTW* create) {
    hMainWnd = hwnd;
    CreateAddressBar(hwnd, create->hInstance);
    NameAddressBarForReaders(hAddressBar);
    InitWebView(hwnd);
    return 0;
}

// The children go after this: the bar is still there to be forgotten by the system.
LRESULT OnDestroy() {
    ForgetAddressBarName(hAddressBar);
    ReleaseWebView();
    PostQuitMessage(0);
    return 0;
}

LRESULT OnSize(HWND hwnd, WPARAM sizeType) {
    if (PayOwedMaximize(hwnd, sizeType)) return 0;
    RememberFocusWhenMinimized(sizeType);
    ShowWebViewFor(sizeType);
    if (hAddressBar) LayoutAddressBar(hwnd);
    ResizeWebView();
    LayoutToolbarTips(hwnd);
    NotifyWindowStateChange(hwnd);
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
    if (timerId == kCloseWaitTimer) CheckPageLettingGo();
    if (timerId == kFullScreenHintTimer) HideFullScreenHint(hMainWnd);
    return 0;
}

// Every way of closing (the button, Ctrl+W, Alt+F4, the caption) arrives here; the page may keep
// the window for the person's unsaved work.
LRESULT OnClose(HWND hwnd) {
    if (AskPageBeforeClosing()) return 0;
    return DefWindowProcW(hwnd, WM_CLOSE, 0, 0);
}

// Mouse messages carry the pointer as two 16-bit halves of lParam. Each is read as an unsigned
// value, so a position left of or above the client area (a captured drag) reads as a large one.
POINT MousePoint(LPARAM lParam) {
    const DWORD value = static_cast<DWORD>(lParam);
    return POINT{static_cast<LONG>(LOWORD(value)), static_cast<LONG>(HIWORD(value))};
}

LRESULT OnMouseMove(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (IsFullScreen()) return 0;  // the hidden band takes no hover
    ShowToolbarTipsFor(hwnd, MSG{hwnd, WM_MOUSEMOVE, wParam, lParam, 0, {}});
    const int before = hoverIndex;
    OnToolbarMouseMove(hwnd, MousePoint(lParam));
    if (hoverIndex != before) NotifyHoverChange(before, hoverIndex);
    return 0;
}

LRESULT OnMouseLeave() {
    const int before = hoverIndex;
    OnToolbarMouseLeave();
    if (hoverIndex != before) NotifyHoverChange(before, hoverIndex);
    return 0;
}

// Three stages, the first that takes the click ends it: the buttons, the open panel, the focus
// rule. A button or an item keeps the keyboard where it was; only the band's own surface around
// the bar gives the bar the focus. A click anywhere outside the open panel closes it.
LRESULT OnLButtonDown(HWND hwnd, POINT pt) {
    if (IsFullScreen()) return 0;  // the band is hidden
    if (OnToolbarClick(hwnd, pt)) return 0;
    if (menuOpen) {
        const bool inPanel = OnMenuPanelClick(hwnd, pt);
        RunCommand(hwnd, Command::CloseMenu);
        if (inPanel) return 0;
    }
    ApplyAddressBarFocusRule(pt);
    return 0;
}

// A click into a child window (the bar, the page) reaches its parent first: it closes the panel,
// and Alt held through it is no lone Alt.
LRESULT OnParentNotify(HWND hwnd, WPARAM wParam) {
    if (!IsButtonPress(LOWORD(wParam))) return 0;
    NoteButtonPress();
    if (!menuOpen) return 0;
    ForgetFocusBeforeMenu();  // the click gives the focus where it lands
    RunCommand(hwnd, Command::CloseMenu);
    return 0;
}

// The page of a typed address takes the keyboard, so that Space and the arrows scroll it; the
// bar shows its address when it has loaded, as the bar no longer has the focus then.
LRESULT OnAppNavigate() {
    if (NavigateToAddressBarText()) MoveFocusIntoPage(PageFocus::WhereItWas);
    return 0;
}

// The default handling's menu mode for a lone Alt or F10 (SC_KEYMENU without a key) would show
// nothing and swallow the next shortcut; the panel answers those keys instead. Alt+Space (the
// window menu) and the other system commands keep their default handling.
LRESULT OnSysCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if ((wParam & 0xFFF0) == SC_KEYMENU && lParam == 0) return 0;
    return DefWindowProcW(hwnd, WM_SYSCOMMAND, wParam, lParam);
}

// The frame is added for the window's own style and DPI, so the client area is what the layout needs.
LRESULT OnGetMinMaxInfo(HWND hwnd, MINMAXINFO* info) {
    const SIZE client = MinimumClientSize(buttonSize, toolbarHeight, menuHeight);
    RECT frame = {0, 0, client.cx, client.cy};
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE)), GetDpiForWindow(hwnd));
    info->ptMinTrackSize = POINT{frame.right - frame.left, frame.bottom - frame.top};
    return 0;
}

// The mouse's back and forward buttons, and the keyboard's browser keys where no key path took
// them, reach the window as application commands; the others stay the system's.
LRESULT OnAppCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const Command command = CommandForAppCommand(GET_APPCOMMAND_LPARAM(lParam));
    if (command == Command::None) return DefWindowProcW(hwnd, WM_APPCOMMAND, wParam, lParam);
    RunCommand(hwnd, command);
    return TRUE;
}

}  // namespace

int BandHeight() { return menuOpen ? toolbarHeight + menuHeight : toolbarHeight; }

void PaintBand(HDC hdc, const RECT& rc) {
    const ButtonFaces buttons = SlotFaces(rc.right);
    PaintToolbar(hdc, rc, buttons.data(), kSlotCount);
    PaintMenuPanel(hdc, rc, MenuPanelCells(), MenuItemCount());
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

LRESULT CALLBACK BrowserWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:        return OnCreate(hwnd, reinterpret_cast<const CREATESTRUCTW*>(lParam));
    case WM_CLOSE:         NoteCloseAsked(); return OnClose(hwnd);
    case WM_DESTROY:       return OnDestroy();
    case WM_QUERYENDSESSION: return OnQueryEndSession();
    case WM_ENDSESSION:    if (wParam) NoteCloseAsked(); return OnEndSession(hwnd, wParam);
    case WM_SIZE:          return OnSize(hwnd, wParam);
    case WM_MOVE:
    case WM_MOVING:        NotifyWebViewMoved(); break;
    case WM_PAINT:         return OnPaint(hwnd);
    case WM_CTLCOLOREDIT:  return OnAddressBarColor(reinterpret_cast<HDC>(wParam));
    case WM_MOUSEMOVE:     return OnMouseMove(hwnd, wParam, lParam);
    case WM_LBUTTONDOWN:   return OnLButtonDown(hwnd, MousePoint(lParam));
    case WM_MOUSELEAVE:    return OnMouseLeave();
    case WM_PARENTNOTIFY:  return OnParentNotify(hwnd, wParam);
    case WM_APP_NAVIGATE:  return OnAppNavigate();
    case WM_ACTIVATE:      return OnActivate(hwnd, wParam, lParam);
    case WM_SETFOCUS:      OnMainWindowFocus(); return 0;
    case WM_KILLFOCUS:     DropMenuKeyboardFocus(hwnd); return 0;
    case WM_GETMINMAXINFO: return OnGetMinMaxInfo(hwnd, reinterpret_cast<MINMAXINFO*>(lParam));
    case WM_APPCOMMAND:    return OnAppCommand(hwnd, wParam, lParam);
    case WM_SYSCOMMAND:    return OnSysCommand(hwnd, wParam, lParam);
    case WM_TIMER:         return OnTimer(wParam);
    case WM_APP_RUN_COMMAND:    RunCommand(hwnd, static_cast<Command>(wParam)); return 0;
    case WM_APP_RESTART_ENGINE: RestartEngine(); return 0;
    case WM_APP_START_FAILED: LetGoOfFailedStart(); return 0;
    case WM_APP_UNRESPONSIVE_PAGE: AskAboutUnresponsivePage(hwnd); return 0;
    case WM_GETOBJECT:     return OnGetObject(hwnd, wParam, lParam);
    case WM_APP_MENU_ITEM_ACTION: RunMenuItemAction(hwnd, wParam); return 0;
    case WM_APP_FULLSCREEN: OnFullScreenElementChanged(hwnd); return 0;
    case WM_APP_PAGE_DIALOG: ShowQueuedPageDialog(hwnd); return 0;
    case WM_APP_NEW_WINDOW: OpenNewWindowInView(); return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
