// The address bar: its place and look in the band, Enter, and the focus rule of a click.
#include "addressbar/address_bar.h"

#include "app/state.h"
#include "browser_window.h"
#include "webhost/messages.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

class AddressBarTest : public BrowserWindowTest {};

TEST_F(AddressBarTest, WidthFollowsTheClientWidth) {
    const std::pair<int, int> widths[] = {{0, 100}, {300, 100}, {590, 100}, {591, 101}, {1000, 510}, {1184, 694}};
    for (const auto& [client, bar] : widths) EXPECT_EQ(AddressBarWidth(client), bar) << client;

    SetClientSize(1000, 600);
    RECT r;
    GetWindowRect(hAddressBar, &r);
    MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 250);
    EXPECT_EQ(r.top, 14);
    EXPECT_EQ(r.right, 760);
    EXPECT_EQ(r.bottom, 50);
    SetClientSize(400, 600);
    GetWindowRect(hAddressBar, &r);
    EXPECT_EQ(r.right - r.left, 100);
}

TEST_F(AddressBarTest, IsAPlainSubclassedEditWithTheUiFont) {
    wchar_t className[16] = {};
    GetClassNameW(hAddressBar, className, 16);
    EXPECT_STREQ(className, L"Edit");
    EXPECT_EQ(GetDlgCtrlID(hAddressBar), ID_ADDRESS_BAR);
    EXPECT_EQ(GetWindowLongW(hAddressBar, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(hAddressBar, GWL_STYLE));
    EXPECT_TRUE(style & ES_AUTOHSCROLL);
    EXPECT_FALSE(style & WS_BORDER);
    EXPECT_FALSE(style & WS_TABSTOP);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hAddressBar, GWLP_WNDPROC)), AddressBarProc);
    EXPECT_NE(oldEditProc, nullptr);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(hAddressBar, WM_GETFONT, 0, 0)), hUIFont);
}

TEST_F(AddressBarTest, ColoursAreBlackOnLightGreyWithOneLastingBrush) {
    HDC dc = GetDC(hAddressBar);
    const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(window(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                                             reinterpret_cast<LPARAM>(hAddressBar)));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(246, 246, 246));
    LOGBRUSH info = {};
    ASSERT_EQ(GetObjectW(brush, sizeof(info), &info), static_cast<int>(sizeof(info)));
    EXPECT_EQ(info.lbColor, RGB(246, 246, 246));
    const auto again = reinterpret_cast<HBRUSH>(
        SendMessageW(window(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hAddressBar)));
    EXPECT_EQ(again, brush);
    ReleaseDC(hAddressBar, dc);
}

// Enter in the address bar posts the navigate message; the text is read when it is handled.
class EnterTest : public BrowserWindowTest {
protected:
    void SetUp() override {
        BrowserWindowTest::SetUp();
        StartEngine();
        navigatesBefore_ = CountCalls(L"Navigate");
    }
    int NewNavigates() const { return CountCalls(L"Navigate") - navigatesBefore_; }
    void SendEnter(LPARAM keyData = 0x001C0001) { SendMessageW(hAddressBar, WM_KEYDOWN, VK_RETURN, keyData); }
    int navigatesBefore_ = 0;
};

TEST_F(EnterTest, EmptyFieldNavigatesNowhere) {
    SetWindowTextW(hAddressBar, L"");
    SendEnter();
    engine_double::PumpMessages();
    EXPECT_EQ(NewNavigates(), 0);
}

// White space at the ends is trimmed before the rule, which makes the empty rest a search.
TEST_F(EnterTest, OneSpaceIsASearchForNothing) {
    SetWindowTextW(hAddressBar, L" ");
    SendEnter();
    engine_double::PumpMessages();
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate https://duckduckgo.com/?q=");
}

// The new page takes the keyboard, so that Space scrolls it; an empty bar asks for nothing and keeps it.
TEST_F(EnterTest, EnterMovesTheFocusIntoThePageItOpens) {
    for (const wchar_t* text : {L"", L"focus.example"}) {
        SetWindowTextW(hAddressBar, text);
        SetFocus(hAddressBar);
        SendEnter();
        engine_double::PumpMessages();
        EXPECT_EQ(GetFocus(), hAddressBar) << "the focus moves through the engine, not by itself";
    }
    const std::vector<std::wstring>& calls = Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], L"Navigate https://focus.example");
    EXPECT_EQ(calls.back(), L"MoveFocus 0");
    EXPECT_EQ(CountCalls(L"MoveFocus"), 1);
}

TEST_F(AddressBarTest, EnterBeforeTheEngineIsReadyLeavesTheFocusInTheBar) {
    SetWindowTextW(hAddressBar, L"early.example");
    SetFocus(hAddressBar);
    SendMessageW(hAddressBar, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    engine_double::PumpMessages();
    EXPECT_EQ(GetFocus(), hAddressBar);
    EXPECT_EQ(CountCalls(L"MoveFocus") + CountCalls(L"Navigate"), 0);
}

// The scroll requests the bar makes of itself: Wine's edit control happens to scroll back on its own.
int scrollRequests = 0;
LRESULT CALLBACK CountScrollRequests(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->hwnd == hAddressBar && call->message == EM_SCROLLCARET) ++scrollRequests;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Without the focus the bar shows an address from its start; the caret and selection come back
// with the focus.
TEST_F(AddressBarTest, WithoutTheFocusTheBarShowsTheStartOfItsText) {
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, CountScrollRequests, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    const std::wstring longText = L"https://start.example/" + std::wstring(300, L'x') + L"/end";
    SetWindowTextW(hAddressBar, longText.c_str());
    SetFocus(hAddressBar);
    const DWORD end = static_cast<DWORD>(longText.size());
    SendMessageW(hAddressBar, EM_SETSEL, end, end);
    EXPECT_NE(SendMessageW(hAddressBar, EM_CHARFROMPOS, 0, MAKELPARAM(2, 10)) & 0xFFFF, 0) << "scrolled to its end";
    scrollRequests = 0;
    SetFocus(window());
    EXPECT_EQ(SendMessageW(hAddressBar, EM_CHARFROMPOS, 0, MAKELPARAM(2, 10)) & 0xFFFF, 0);
    EXPECT_EQ(scrollRequests, 1);
    EXPECT_EQ(AddressBarText(), longText);
    SetFocus(hAddressBar);
    DWORD start = 0, stop = 0;
    SendMessageW(hAddressBar, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&stop));
    EXPECT_EQ(start, end);
    EXPECT_EQ(stop, end);

    // A text written while the bar has no focus shows from its start too.
    SetFocus(window());
    scrollRequests = 0;
    SetWindowTextW(hAddressBar, (longText + L"2").c_str());
    EXPECT_EQ(SendMessageW(hAddressBar, EM_CHARFROMPOS, 0, MAKELPARAM(2, 10)) & 0xFFFF, 0);
    EXPECT_EQ(scrollRequests, 1);
    UnhookWindowsHookEx(hook);
}

// The click that gives the bar the focus selects the whole address, to be typed over; a click in
// the focused bar places the caret, and a drag from outside selects what it covers.
TEST_F(AddressBarTest, TheFirstClickSelectsTheWholeAddress) {
    const std::wstring address = L"https://duckduckgo.com/";
    SetWindowTextW(hAddressBar, address.c_str());
    const auto press = [](UINT message, int x) { SendMessageW(hAddressBar, message, MK_LBUTTON, MAKELPARAM(x, 18)); };
    const auto selection = [] {
        DWORD start = 0, end = 0;
        SendMessageW(hAddressBar, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return std::make_pair(start, end);
    };
    SetFocus(window());
    press(WM_LBUTTONDOWN, 60);
    press(WM_LBUTTONUP, 60);
    EXPECT_EQ(GetFocus(), hAddressBar);
    EXPECT_EQ(selection(), std::make_pair(DWORD(0), DWORD(address.size())));

    press(WM_LBUTTONDOWN, 60);
    press(WM_LBUTTONUP, 60);
    const auto caret = selection();
    EXPECT_EQ(caret.first, caret.second);
    EXPECT_GT(caret.first, 0u);

    SetFocus(window());
    press(WM_LBUTTONDOWN, 20);
    press(WM_MOUSEMOVE, 60);
    press(WM_LBUTTONUP, 60);
    const auto dragged = selection();
    EXPECT_LT(dragged.first, dragged.second);
    EXPECT_LT(dragged.second - dragged.first, DWORD(address.size()));
}

// The bar reads as the address; Enter on it, and a copy of all of it, use the exact address.
TEST_F(EnterTest, TheReadableAddressNavigatesAndCopiesAsTheExactOne) {
    const std::wstring exact = L"http://u:p@a.example/?q=%E5%8C%97", shown = L"http://a.example/?q=\x5317";
    engine_double::Settings().source = exact;
    engine_double::RaiseNavigationCompleted(true);
    EXPECT_EQ(AddressBarText(), shown);
    EXPECT_EQ(currentUrl, exact);
    SendEnter();
    engine_double::PumpMessages();
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate " + exact);

    SendMessageW(hAddressBar, EM_SETSEL, 0, -1);
    SendMessageW(hAddressBar, WM_COPY, 0, 0);
    SendMessageW(hAddressBar, EM_SETSEL, 0, 0);
    SendMessageW(hAddressBar, WM_PASTE, 0, 0);
    EXPECT_EQ(AddressBarText(), exact + shown);

    SetWindowTextW(hAddressBar, (shown + L"\x4eac").c_str());  // edited: sent encoded
    SendEnter();
    engine_double::PumpMessages();
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate http://a.example/?q=%E5%8C%97%E4%BA%AC");
}

// A paste broken over lines arrives joined where the caret is; the edit control kept its first line.
TEST_F(EnterTest, APasteBrokenOverLinesArrivesWhole) {
    const std::wstring pasted = L"http://127.0.0.1:8000/\r\nplain.html?multi=1";
    ASSERT_TRUE(OpenClipboard(window()));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(memory), pasted.c_str(), (pasted.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    ASSERT_NE(SetClipboardData(CF_UNICODETEXT, memory), nullptr);
    CloseClipboard();
    SetWindowTextW(hAddressBar, L"<>");
    SendMessageW(hAddressBar, EM_SETSEL, 1, 1);
    SendMessageW(hAddressBar, WM_PASTE, 0, 0);
    EXPECT_EQ(AddressBarText(), L"<http://127.0.0.1:8000/plain.html?multi=1>");
}

TEST_F(EnterTest, EnterIsPostedNotHandledInPlace) {
    SetWindowTextW(hAddressBar, L"abc.def");
    SendEnter();
    EXPECT_EQ(NewNavigates(), 0);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, window(), WM_APP_NAVIGATE, WM_APP_NAVIGATE, PM_NOREMOVE));
    engine_double::PumpMessages();
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate https://abc.def");
}

TEST_F(EnterTest, TwoEntersBeforeHandlingEachReadTheTextAtTheirTurn) {
    SetWindowTextW(hAddressBar, L"first.example");
    SendEnter();
    SendEnter();
    SetWindowTextW(hAddressBar, L"second.example");
    engine_double::PumpMessages();
    EXPECT_EQ(NewNavigates(), 2);
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate https://second.example");
}

TEST_F(EnterTest, KeypadEnterNavigatesToo) {
    SetWindowTextW(hAddressBar, L"keypad.example");
    SendEnter(0x011C0001);  // the extended-key bit marks the keypad's Enter
    engine_double::PumpMessages();
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate https://keypad.example");
}

TEST_F(EnterTest, CarriageReturnCharactersAreSwallowed) {
    SetWindowTextW(hAddressBar, L"ab");
    SendMessageW(hAddressBar, EM_SETSEL, 2, 2);
    SendMessageW(hAddressBar, WM_CHAR, L'\r', 0);  // what Ctrl+M produces
    SendMessageW(hAddressBar, WM_CHAR, L'c', 0);
    engine_double::PumpMessages();
    EXPECT_EQ(AddressBarText(), L"abc");
    EXPECT_EQ(NewNavigates(), 0);
}

TEST_F(EnterTest, RealKeyboardEnterAndKeypadEnterNavigate) {
    SetForegroundWindow(window());
    SetFocus(hAddressBar);
    ASSERT_EQ(GetFocus(), hAddressBar);
    SetWindowTextW(hAddressBar, L"typed.example");
    PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([this] { return NewNavigates() == 1; }));
    PressKey(VK_RETURN, true);
    ASSERT_TRUE(PumpUntil([this] { return NewNavigates() == 2; }));
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate https://typed.example");
}

TEST_F(EnterTest, RealCtrlMIsSwallowedAndDoesNotNavigate) {
    SetForegroundWindow(window());
    SetFocus(hAddressBar);
    SetWindowTextW(hAddressBar, L"x.y");
    SendMessageW(hAddressBar, EM_SETSEL, 3, 3);
    INPUT keys[4] = {};
    const WORD sequence[4][2] = {{VK_CONTROL, 0}, {'M', 0}, {'M', KEYEVENTF_KEYUP}, {VK_CONTROL, KEYEVENTF_KEYUP}};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = sequence[i][0];
        keys[i].ki.dwFlags = sequence[i][1];
    }
    SendInput(4, keys, sizeof(INPUT));
    PressKey('Z');
    ASSERT_TRUE(PumpUntil([] { return GetWindowTextLengthW(hAddressBar) == 4; }));
    EXPECT_EQ(AddressBarText(), L"x.yz");
    EXPECT_EQ(NewNavigates(), 0);
}

TEST(FocusBandTest, CoversTheBarsRowsFromItsLeftEdgeToTheScreenWidthLess240) {
    struct Case {
        int x, y;
        bool inside;
    };
    const Case cases[] = {{300, 50, true},   {300, 51, false},  {249, 30, false}, {250, 14, true},
                          {250, 13, false},  {1680, 30, true},  {1681, 30, false}};
    for (const Case& c : cases) EXPECT_EQ(InAddressBarFocusBand(c.x, c.y, 1920), c.inside) << c.x << "," << c.y;
}

// Only the band's own surface: the band reaches past the bar over the right-hand buttons (on a
// screen wider than the window), and a click on a button keeps the focus where it was.
TEST_F(AddressBarTest, ClicksInTheFocusBandGiveTheAddressBarTheFocusButButtonsKeepIt) {
    SetClientSize(1000, 600);
    struct Case {
        int x, y;
        bool focuses;
    };
    const Case cases[] = {{300, 50, true}, {300, 51, false}, {249, 30, false}, {765, 30, true},
                          {808, 30, false} /* the menu button opens the panel */,
                          {808, 30, false} /* and closes it */};
    for (const Case& c : cases) {
        SetFocus(window());
        Click(window(), c.x, c.y);
        EXPECT_EQ(GetFocus() == hAddressBar, c.focuses) << c.x << "," << c.y;
    }
}

}  // namespace
