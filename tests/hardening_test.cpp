// The browser at the limits of its inputs: what is typed or pasted, what the window system does to
// the window, and what the engine reports.
#include "addressbar/address_bar.h"
#include "app/state.h"
#include "browser_window.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring BoundsFor(HWND hwnd) { return BoundsCall(hwnd, menuOpen ? 384 : 64); }

class HardeningTest : public BrowserWindowTest {
protected:
    void SetUp() override {
        BrowserWindowTest::SetUp();
        StartEngine();
    }
};

bool PutOnClipboard(const std::wstring& text) {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    return placed;
}

TEST_F(HardeningTest, PastingMoreThanTheFieldHoldsNavigatesToWhatItKept) {
    const std::wstring huge = L"big.example/" + std::wstring(200000, L'x');
    ASSERT_TRUE(PutOnClipboard(huge));
    SetWindowTextW(hAddressBar, L"");
    SendMessageW(hAddressBar, WM_PASTE, 0, 0);
    const int kept = GetWindowTextLengthW(hAddressBar);
    ASSERT_GT(kept, 12);
    EXPECT_EQ(static_cast<UINT>(kept), std::min<UINT>(static_cast<UINT>(SendMessageW(hAddressBar, EM_GETLIMITTEXT, 0, 0)),
                                                     static_cast<UINT>(huge.size())));
    SendMessageW(hAddressBar, WM_KEYDOWN, VK_RETURN, 0);
    engine_double::PumpMessages();
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate https://" + huge.substr(0, static_cast<size_t>(kept)));
}

TEST_F(HardeningTest, ControlCharactersTravelUnchanged) {
    struct Case {
        std::wstring text;
        std::wstring url;
    };
    const Case cases[] = {
        {L"a\x01" L"b.c\x7f", L"https://a\x01" L"b.c\x7f"},
        {L"a\tb", L"https://duckduckgo.com/?q=a%09b"},
        {L"x\x1b" L"y z", L"https://duckduckgo.com/?q=x%1By%20z"},
    };
    for (const Case& c : cases) {
        SetWindowTextW(hAddressBar, c.text.c_str());
        SendMessageW(hAddressBar, WM_KEYDOWN, VK_RETURN, 0);
        engine_double::PumpMessages();
        EXPECT_EQ(LastCall(L"Navigate"), L"Navigate " + c.url);
    }
}

TEST_F(HardeningTest, HundredsOfEntersBeforeHandlingEachNavigateOnce) {
    SetWindowTextW(hAddressBar, L"many.example");
    const int before = CountCalls(L"Navigate");
    for (int i = 0; i < 500; ++i) SendMessageW(hAddressBar, WM_KEYDOWN, VK_RETURN, 0);
    engine_double::PumpMessages();
    EXPECT_EQ(CountCalls(L"Navigate") - before, 500);
}

TEST_F(HardeningTest, ExtremeClientSizesKeepTheViewBoundsInStep) {
    const SIZE sizes[] = {{0, 0}, {1, 1}, {2, 600}, {300, 600}, {4000, 3000}, {1184, 736}};
    for (const SIZE& s : sizes) {
        for (bool open : {false, true}) {
            menuOpen = open;
            MoveWindow(window(), 0, 0, s.cx, s.cy, TRUE);
            UpdateWindow(window());
            engine_double::PumpMessages();
            SendMessageW(window(), WM_SIZE, 0, 0);
            EXPECT_EQ(LastCall(L"put_Bounds"), BoundsFor(window())) << s.cx << "x" << s.cy;
            RECT bar;
            GetWindowRect(hAddressBar, &bar);
            EXPECT_GE(bar.right - bar.left, 100);
        }
    }
    menuOpen = false;
}

TEST_F(HardeningTest, MinimizeAndRestoreCyclesEndWhereTheyStarted) {
    const std::wstring start = BoundsFor(window());
    for (int i = 0; i < 30; ++i) {
        ShowWindow(window(), SW_MINIMIZE);
        engine_double::PumpMessages();
        ShowWindow(window(), SW_RESTORE);
        engine_double::PumpMessages();
    }
    EXPECT_FALSE(IsIconic(window()));
    EXPECT_EQ(LastCall(L"put_Bounds"), start);
    RECT bar;
    GetWindowRect(hAddressBar, &bar);
    EXPECT_EQ(bar.right - bar.left, AddressBarWidth(ClientWidth()));
}

TEST_F(HardeningTest, HundredsOfStartsBeforeOneCompletion) {
    for (int i = 0; i < 300; ++i) engine_double::RaiseNavigationStarting(L"https://redirect.example/" + std::to_wstring(i));
    EXPECT_TRUE(isLoading);
    engine_double::RaiseNavigationCompleted(true);
    EXPECT_FALSE(isLoading);
}

class NeverAnsweringEngineTest : public BrowserWindowTest {};

TEST_F(NeverAnsweringEngineTest, WindowWorksAndClosesWhileTheEngineNeverAnswers) {
    SetWindowTextW(hAddressBar, L"abc.def");
    SendMessageW(hAddressBar, WM_KEYDOWN, VK_RETURN, 0);
    Click(window(), 30, 30);
    Click(window(), 190, 30);
    Click(window(), ClientWidth() - 190, 30);  // the menu opens
    EXPECT_TRUE(menuOpen);
    engine_double::PumpMessages();
    EXPECT_EQ(CountCalls(L"Navigate"), 0);
    Click(window(), ClientWidth() - 36, 30);  // the close button: no page to ask, the window goes at once
    EXPECT_TRUE(PumpUntil([this] { return !IsWindow(window()); }, 500));
    EXPECT_EQ(CountCalls(L"Navigate"), 0);
}

}  // namespace
