#include "addressbar/address_bar.h"

#include "addressbar/address_display.h"
#include "addressbar/navigate.h"
#include "app/state.h"
#include "webhost/messages.h"

#include <string>
#include <vector>

LRESULT (*answerAddressBarReaders)(HWND bar, WPARAM wParam, LPARAM lParam) = nullptr;

namespace {

constexpr int kAddressBarInitialWidth = 400;
// The focus band reaches from the bar's left edge to this far before the primary screen's right edge.
constexpr int kFocusBandRightMargin = 240;
constexpr int kFocusBandBottom = 50;

// The selection the bar had when it lost the focus, put back when the focus returns: the bar shows
// its text from the start meanwhile. Forgotten when a click or a new text decides anew.
DWORD selectionStart = 0;
DWORD selectionEnd = 0;
bool selectionKept = false;

// Between the button-down of a click that gave the bar the focus and its release: a click without
// a drag then selects the whole address, to be typed over, as in every browser.
bool selectAllOnRelease = false;

// A bar without the focus shows where an address starts, its scheme and host, not where the caret
// was; the selection is noted first, for the focus's return.
void ShowTheStart(HWND bar) {
    SendMessageW(bar, EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart), reinterpret_cast<LPARAM>(&selectionEnd));
    SendMessageW(bar, EM_SETSEL, 0, 0);
    SendMessageW(bar, EM_SCROLLCARET, 0, 0);
}

std::wstring BarText(HWND bar) {
    const int length = GetWindowTextLengthW(bar);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(bar, buffer.data(), length + 1);
    return std::wstring(buffer.data());
}

std::wstring ClipboardText(HWND owner) {
    std::wstring text;
    if (!OpenClipboard(owner)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* locked = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = locked;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

bool PutOnClipboard(HWND owner, const std::wstring& text) {
    const size_t size = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return false;
    if (void* locked = GlobalLock(memory)) {
        memcpy(locked, text.c_str(), size);
        GlobalUnlock(memory);
    }
    bool put = false;
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;  // the clipboard owns it from here
        CloseClipboard();
    }
    if (!put) GlobalFree(memory);
    return put;
}

// A paste broken over lines arrives joined; the edit control alone keeps only its first line.
bool PasteJoined(HWND bar) {
    const std::wstring pasted = ClipboardText(bar);
    if (pasted.find_first_of(L"\r\n") == std::wstring::npos) return false;
    SendMessageW(bar, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(JoinPastedLines(pasted).c_str()));
    return true;
}

// The whole address copied gives the address that works, not the one made readable.
bool CopyExactAddress(HWND bar) {
    DWORD start = 0, end = 0;
    SendMessageW(bar, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const std::wstring text = BarText(bar);
    const std::wstring copied = TextToCopy(text, start, end, currentUrl);
    if (start == end || copied == text.substr(start, end - start)) return false;
    return PutOnClipboard(bar, copied);
}

}  // namespace

int AddressBarWidth(int clientWidth) {
    const int width = clientWidth - kAddressBarWidthMargin;
    return width < kAddressBarMinWidth ? kAddressBarMinWidth : width;
}

bool InAddressBarFocusBand(int x, int y, int screenWidth) {
    return y >= kAddressBarTop && y <= kFocusBandBottom && x >= kAddressBarLeft &&
           x <= screenWidth - kFocusBandRightMargin;
}

void CreateAddressBar(HWND parent, HINSTANCE instance) {
    selectionKept = false;
    selectAllOnRelease = false;
    hAddressBar = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, kAddressBarLeft,
                                  kAddressBarTop, kAddressBarInitialWidth, kAddressBarHeight, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_ADDRESS_BAR)), instance, nullptr);
    // The painted frame around the bar is its border; the control keeps none of its own.
    LONG exStyle = GetWindowLongW(hAddressBar, GWL_EXSTYLE);
    SetWindowLongW(hAddressBar, GWL_EXSTYLE, exStyle & ~WS_EX_CLIENTEDGE);
    oldEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hAddressBar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AddressBarProc)));
    SendMessageW(hAddressBar, WM_SETFONT, reinterpret_cast<WPARAM>(hUIFont), TRUE);
    SendMessageW(hAddressBar, EM_SETLIMITTEXT, kAddressBarMaxLength, 0);
}

void LayoutAddressBar(HWND parent) {
    RECT rc;
    GetClientRect(parent, &rc);
    SetWindowPos(hAddressBar, nullptr, kAddressBarLeft, kAddressBarTop, AddressBarWidth(rc.right), kAddressBarHeight,
                 SWP_NOZORDER);
}

LRESULT OnAddressBarColor(HDC dc) {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, kAddressBarBackground);
    // Created once, on first use, and kept for the life of the process.
    static const HBRUSH editBgBrush = CreateSolidBrush(kAddressBarBackground);
    return reinterpret_cast<LRESULT>(editBgBrush);
}

LRESULT CALLBACK AddressBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        // Posted: the navigation runs once this key has been handled. The keypad's Enter counts too.
        // The page asked for is shown in the bar when it completes.
        EndAddressBarEdit();
        PostMessageW(GetParent(hwnd), WM_APP_NAVIGATE, 0, 0);
        return 0;
    }
    if (message == WM_CHAR && wParam == L'\r') {
        return 0;  // a single-line edit would only beep at it
    }
    if (message == WM_GETOBJECT && answerAddressBarReaders) return answerAddressBarReaders(hwnd, wParam, lParam);
    // Ctrl+V, Ctrl+C and Ctrl+X come as these messages whether or not the edit control sends them itself.
    if (message == WM_CHAR && (wParam == 0x16 || wParam == 0x03 || wParam == 0x18)) {
        SendMessageW(hwnd, wParam == 0x16 ? WM_PASTE : wParam == 0x03 ? WM_COPY : WM_CUT, 0, 0);
        return 0;
    }
    if (message == WM_PASTE && PasteJoined(hwnd)) return 0;
    if ((message == WM_COPY || message == WM_CUT) && CopyExactAddress(hwnd)) {
        if (message == WM_CUT) SendMessageW(hwnd, WM_CLEAR, 0, 0);
        return 0;
    }
    // A click into a bar that has the focus puts the caret where it lands; a drag selects.
    if (message == WM_LBUTTONDOWN) {
        selectAllOnRelease = GetFocus() != hwnd;
        if (selectAllOnRelease) selectionKept = false;
    }
    const LRESULT result = CallWindowProcW(oldEditProc, hwnd, message, wParam, lParam);
    if (message == WM_LBUTTONUP && selectAllOnRelease) {
        selectAllOnRelease = false;
        DWORD start = 0, end = 0;
        SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        if (start == end) SendMessageW(hwnd, EM_SETSEL, 0, -1);
    }
    if (message == WM_KILLFOCUS || (message == WM_SETTEXT && GetFocus() != hwnd)) {
        ShowTheStart(hwnd);
        selectionKept = message == WM_KILLFOCUS;
    } else if (message == WM_SETFOCUS && selectionKept) {
        selectionKept = false;
        SendMessageW(hwnd, EM_SETSEL, selectionStart, selectionEnd);
        SendMessageW(hwnd, EM_SCROLLCARET, 0, 0);
    }
    return result;
}

// The text is read now, when the message is handled, not when Enter was pressed. A bar that still
// reads as the current address opens that address exactly, password and all.
bool NavigateToAddressBarText() {
    const std::wstring text = BarText(hAddressBar);
    if (text.empty()) return false;
    if (text == DisplayAddress(currentUrl)) NavigateToExactAddress(currentUrl);
    else NavigateTo(text);
    return true;
}

void ShowAddressInBar(const wchar_t* url) {
    const bool editing = GetFocus() == hAddressBar && SendMessageW(hAddressBar, EM_GETMODIFY, 0, 0);
    if (!editing) WriteAddressBar(url);
}

void WriteAddressBar(const wchar_t* url) {
    SetWindowTextW(hAddressBar, DisplayAddress(url).c_str());
    EndAddressBarEdit();
}

void EndAddressBarEdit() {
    if (hAddressBar) SendMessageW(hAddressBar, EM_SETMODIFY, FALSE, 0);
}

void ApplyAddressBarFocusRule(POINT pt) {
    if (InAddressBarFocusBand(pt.x, pt.y, GetSystemMetrics(SM_CXSCREEN))) SetFocus(hAddressBar);
}

void ResetAddressBarForTesting() {
    selectionStart = selectionEnd = 0;
    selectionKept = false;
    selectAllOnRelease = false;
}
