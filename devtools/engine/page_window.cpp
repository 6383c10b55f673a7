// The child window that stands in for rendered content: white, with the page's URL near the top,
// so that a screenshot tells pages apart. It also carries the web view's posted steps and timer.
#include "devtools/engine/objects.h"

namespace {

const wchar_t kPageClass[] = L"TrovDevEnginePage";
const COLORREF kTextColor = RGB(32, 32, 32);
const int kTextMargin = 16;

WebView* ViewOf(HWND hwnd) {
    return reinterpret_cast<WebView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void DrawPageUrl(HDC hdc, RECT area, const std::wstring& url) {
    HGDIOBJ previousFont = SelectObject(hdc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, kTextColor);
    InflateRect(&area, -kTextMargin, -kTextMargin);
    DrawTextW(hdc, url.c_str(), static_cast<int>(url.size()), &area,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(hdc, previousFont);
}

LRESULT OnPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(hdc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    WebView* view = ViewOf(hwnd);
    if (view && view->HasPage()) DrawPageUrl(hdc, client, view->Source());
    EndPaint(hwnd, &ps);
    return 0;
}

// The view may be gone after a step or a timer (its handlers can drop the last reference), so
// nothing here touches it afterwards.
LRESULT CALLBACK PageWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WebView* view = ViewOf(hwnd);
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        break;
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT fills the whole page
    case WM_PAINT:
        return OnPaint(hwnd);
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);  // as a real page takes the keyboard when clicked
        return 0;
    case WM_TIMER:
        if (view && wParam == kNavigationTimerId) view->OnNavigationTimer();
        return 0;
    case kStepNavigationsMessage:
        if (view) view->OnStepNavigations();
        return 0;
    case WM_NCDESTROY:
        if (view) view->OnWindowDestroyed();  // the host destroyed its window first
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
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
