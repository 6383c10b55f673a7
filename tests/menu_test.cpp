#include "app/menu.h"

#include "app/accessible.h"
#include "app/commands.h"
#include "app/state.h"
#include "browser_window.h"
#include "keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The panel's state at the moment each message box appears, recorded by a hook that runs before
// the catcher presses OK.
struct BoxMoment {
    bool menuOpen;
    int boundsCalls;
};
std::vector<BoxMoment> boxMoments;
HHOOK momentHook = nullptr;

LRESULT CALLBACK RecordMoment(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        wchar_t className[32] = {};
        GetClassNameW(reinterpret_cast<HWND>(wParam), className, 32);
        if (std::wstring(className) == L"#32770") boxMoments.push_back({menuOpen, CountCalls(L"put_Bounds")});
    }
    return CallNextHookEx(momentHook, code, wParam, lParam);
}

// When asked, no minimum window size, so the client area can shrink to nothing.
WNDPROC chainedProc = nullptr;
bool noMinimumSize = false;
LRESULT CALLBACK TestProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcW(chainedProc, hwnd, message, wParam, lParam);
    if (message == WM_GETMINMAXINFO && noMinimumSize) {
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{0, 0};
        return 0;
    }
    return result;
}

// A fault inside the window procedure would otherwise end in the system debugger and hang the run.
int tinyWidth = -1;
LONG WINAPI ReportFault(EXCEPTION_POINTERS* info) {
    fprintf(stderr, "\nFAULT 0x%08lx in a panel click at client width %d\n",
            static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode), tinyWidth);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

class MenuPanelClickTest : public BrowserWindowTest {
protected:
    void SetUp() override {
        BrowserWindowTest::SetUp();
        // Called before the catcher's hook, which presses OK.
        momentHook = SetWindowsHookExW(WH_CBT, RecordMoment, nullptr, GetCurrentThreadId());
        noMinimumSize = false;
        chainedProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TestProc)));
        SetClientSize(1200, 700);
        ASSERT_EQ(ClientWidth(), 1200);
        StartEngine();
        boxMoments.clear();
    }

    void TearDown() override {
        UnhookWindowsHookEx(momentHook);
        momentHook = nullptr;
        BrowserWindowTest::TearDown();
    }

    void OpenPanel() {
        Click(window(), ClientWidth() - 192, 30);
        ASSERT_TRUE(menuOpen);
        engine_double::PumpMessages();
        ResetMessageCounts();
    }

    // Expects the panel shut: the view back below the toolbar and the uncovered band erased (a
    // client area with no pixels has nothing to repaint).
    void ExpectClosed() {
        EXPECT_FALSE(menuOpen);
        RECT rc;
        GetClientRect(window(), &rc);
        EXPECT_EQ(LastCall(L"put_Bounds"), BoundsCall(window(), 64));
        if (rc.right > 0) {
            EXPECT_TRUE(PumpUntil([this] { return paints() > 0 && erases() > 0; }));
        }
    }

    // For the whole test, so that a box nobody expected is caught instead of blocking the run.
    MessageBoxCatcher catcher_;
};

struct CellCase {
    int width;
    int x, y;
    const wchar_t* text;  // null: an empty cell, no box
    const wchar_t* caption;
};

TEST_F(MenuPanelClickTest, EachCellShowsItsItemsMessageThenClosesThePanel) {
    const CellCase cases[] = {
        {1200, 200, 150, L"添加书签功能开发中", L"提示"},
        {1200, 600, 150, L"下载管理功能开发中", L"提示"},
        {1200, 1000, 150, L"历史记录功能开发中", L"提示"},
        {1200, 600, 300, L"Trov Browser v1.0", L"关于"},
        {1200, 0, 64, L"添加书签功能开发中", L"提示"},     // the panel's first row
        {1200, 399, 150, L"添加书签功能开发中", L"提示"},  // the last pixel of the first column
        {1200, 400, 224, L"Trov Browser v1.0", L"关于"},   // the first pixel of the second row
        {1200, 200, 300, nullptr, nullptr},
        {1200, 1000, 300, nullptr, nullptr},
        {1200, 600, 384, nullptr, nullptr},   // one row past the grid
        {1000, 999, 150, nullptr, nullptr},   // one column past the grid: 1000 does not divide by 3
        {1000, 998, 150, L"历史记录功能开发中", L"提示"},
    };
    for (const CellCase& c : cases) {
        SCOPED_TRACE("(" + std::to_string(c.x) + "," + std::to_string(c.y) + ") width " + std::to_string(c.width));
        SetClientSize(c.width, 700);
        ASSERT_EQ(ClientWidth(), c.width);
        OpenPanel();
        boxMoments.clear();
        catcher_.Clear();
        const int boundsBefore = CountCalls(L"put_Bounds");
        Click(window(), c.x, c.y);

        if (c.text) {
            ASSERT_EQ(catcher_.boxes().size(), 1u);
            EXPECT_EQ(catcher_.boxes()[0].text, c.text);
            EXPECT_EQ(catcher_.boxes()[0].caption, c.caption);
            EXPECT_EQ(catcher_.boxes()[0].owner, window());
            // Modal: the panel stays open, and the view in place, until the box is dismissed.
            ASSERT_EQ(boxMoments.size(), 1u);
            EXPECT_TRUE(boxMoments[0].menuOpen);
            EXPECT_EQ(boxMoments[0].boundsCalls, boundsBefore);
        } else {
            EXPECT_TRUE(catcher_.boxes().empty());
        }
        EXPECT_EQ(CountCalls(L"put_Bounds"), boundsBefore + 1);
        ExpectClosed();
    }
}

// The band around the buttons, below the panel, and (a real click, which tells the parent first)
// the address bar: the panel closes and no item runs; the bar takes the focus.
TEST_F(MenuPanelClickTest, ClicksOutsideThePanelCloseIt) {
    const POINT points[] = {{600, 63}, {600, 385}, {62, 30}};
    for (const POINT& p : points) {
        OpenPanel();
        catcher_.Clear();
        Click(window(), p.x, p.y);
        EXPECT_FALSE(menuOpen) << p.x << "," << p.y;
    }
    SetForegroundWindow(window());
    SetWindowTextW(hAddressBar, L"https://some.example/");
    RunCommand(window(), Command::MenuByKeyboard);
    ASSERT_TRUE(menuOpen);
    RealClick(window(), 300, 30);
    ASSERT_TRUE(PumpUntil([] { return !menuOpen && GetFocus() == hAddressBar; }));
    engine_double::PumpMessages();
    EXPECT_TRUE(catcher_.boxes().empty());
}

TEST_F(MenuPanelClickTest, RealClickOnAnItemShowsItsMessageCentredOnTheWindow) {
    MoveWindow(window(), 700, 200, 880, 780, TRUE);  // away from the screen's middle
    SetForegroundWindow(window());
    catcher_.Clear();
    RealClick(window(), ClientWidth() - 192, 30);
    ASSERT_TRUE(PumpUntil([] { return menuOpen; }));
    RealClick(window(), ClientWidth() / 2, 300);
    ASSERT_TRUE(PumpUntil([] { return !menuOpen; }));
    ASSERT_EQ(catcher_.boxes().size(), 1u);
    EXPECT_EQ(catcher_.boxes()[0].text, L"Trov Browser v1.0");
    EXPECT_EQ(catcher_.boxes()[0].owner, window());
    const RECT box = catcher_.boxes()[0].rect, owner = {700, 200, 1580, 980};
    EXPECT_TRUE(abs(box.left + box.right - owner.left - owner.right) + abs(box.top + box.bottom - owner.top - owner.bottom) <= 2);
}

// Below three pixels the grid has no cells (each column would be 0 wide); a click there must only
// close the panel. A little wider, every click either hits a cell or misses the grid.
TEST_F(MenuPanelClickTest, TinyClientWidthsNeverCrashAndAlwaysClose) {
    noMinimumSize = true;
    struct FaultReport {
        LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(ReportFault);
        ~FaultReport() { SetUnhandledExceptionFilter(previous); }
    } faultReport;
    const std::wstring known[] = {L"添加书签功能开发中", L"下载管理功能开发中", L"历史记录功能开发中"};
    for (int width = 0; width <= 10; ++width) {
        SCOPED_TRACE("width " + std::to_string(width));
        tinyWidth = width;
        SetClientSize(1200, 700);
        OpenPanel();
        SetClientSize(width, 700);
        ASSERT_EQ(ClientWidth(), width);
        ASSERT_TRUE(menuOpen);
        for (int x = 0; x <= width + 1; ++x) {
            SCOPED_TRACE("x " + std::to_string(x));
            // The menu slot is off the client area this narrow: reopen the panel directly.
            menuOpen = true;
            catcher_.Clear();
            ResetMessageCounts();
            Click(window(), x, 150);
            if (width < 3) {
                EXPECT_TRUE(catcher_.boxes().empty());
            } else {
                ASSERT_LE(catcher_.boxes().size(), 1u);
                if (x == 0) {
                    EXPECT_EQ(catcher_.boxes().size(), 1u);
                }
                for (const CaughtMessageBox& box : catcher_.boxes()) {
                    EXPECT_NE(std::find(std::begin(known), std::end(known), box.text), std::end(known)) << x;
                }
            }
            ExpectClosed();
            if (HasFailure()) break;
        }
        if (HasFailure()) break;
    }
}

// The click, the keys and the reader share this one hit test: the panel's top row of pixels is in
// it, the row at its bottom edge (where the view begins) is not.
TEST(MenuItemIndexAtTest, FindsTheItemWithTheBottomEdgeOutside) {
    const struct {
        int x, y, width, index;
    } cases[] = {
        {0, 63, 1200, -1},   {0, 64, 1200, 0},     {1199, 100, 1200, 2}, {600, 383, 1200, 3},
        {600, 384, 1200, -1}, {100, 300, 1200, -1}, {1, 100, 2, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MenuItemIndexAt(c.x, c.y, c.width, 64, 320), c.index) << "(" << c.x << ", " << c.y << ") at " << c.width;
    }
}

TEST(MenuItemAtTest, FindsTheFourItemsAndNothingElse) {
    const struct {
        int row, column;
        const wchar_t* label;
        Command command;  // the box each one shows is the clicks' test above
    } items[] = {
        {0, 0, L"添加书签", Command::AddBookmark},
        {0, 1, L"下载管理", Command::ShowDownloads},
        {0, 2, L"历史记录", Command::ShowHistory},
        {1, 1, L"关于 Trov", Command::ShowAbout},
    };
    for (const auto& expected : items) {
        const MenuItem* item = MenuItemAt(expected.row, expected.column);
        ASSERT_NE(item, nullptr) << expected.row << ", " << expected.column;
        EXPECT_EQ(item->row, expected.row);
        EXPECT_EQ(item->column, expected.column);
        EXPECT_EQ(std::wstring(item->label), expected.label);
        EXPECT_EQ(item->command, expected.command);
    }
    const int emptyCells[][2] = {{1, 0}, {1, 2}, {2, 1}, {0, 3}, {-1, 0}};
    for (const auto& cell : emptyCells) EXPECT_EQ(MenuItemAt(cell[0], cell[1]), nullptr) << cell[0] << ", " << cell[1];
}

TEST_F(MenuPanelClickTest, ReaderFindsThePanelsItemsWhileItIsOpenAndPressesThemAsClicks) {
    SetWindowPos(window(), nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // screen and client points differ
    IAccessible* object = ClientAccessible(window());
    ASSERT_NE(object, nullptr);
    long count = 0;
    object->get_accChildCount(&count);
    EXPECT_EQ(count, 9);
    OpenPanel();
    object->get_accChildCount(&count);
    ASSERT_EQ(count, 13);
    struct Item {
        int row, column;
        const wchar_t* label;
    };
    // After the toolbar's nine, in reading order; cells 400 by 160 at width 1200.
    const Item items[] = {{0, 0, L"添加书签"}, {0, 1, L"下载管理"}, {0, 2, L"历史记录"}, {1, 1, L"关于 Trov"}};
    for (long i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const AccessibleChild child = ReadChild(object, 10 + i);
        EXPECT_EQ(child.result, S_OK);
        EXPECT_EQ(child.name, items[i].label);
        EXPECT_EQ(child.role, ROLE_SYSTEM_MENUITEM);
        RECT cell = {items[i].column * 400, 64 + items[i].row * 160, (items[i].column + 1) * 400,
                     64 + (items[i].row + 1) * 160};
        MapWindowPoints(window(), nullptr, reinterpret_cast<POINT*>(&cell), 2);
        EXPECT_TRUE(EqualRect(&child.location, &cell));
        VARIANT hit;
        VariantInit(&hit);
        object->accHitTest(cell.left + 200, cell.top + 80, &hit);
        EXPECT_EQ(hit.vt == VT_I4 ? hit.lVal : -1, 10 + i);
    }

    // The default action is a click on the item: its box over the open panel, then the panel closes.
    catcher_.Clear();
    EXPECT_EQ(object->accDoDefaultAction(ChildVariant(13)), S_OK);
    EXPECT_TRUE(catcher_.boxes().empty());  // not while the reader waits for the call
    EXPECT_TRUE(PumpUntil([] { return !menuOpen; }));
    ASSERT_EQ(catcher_.boxes().size(), 1u);
    EXPECT_EQ(catcher_.boxes()[0].text, L"Trov Browser v1.0");
    EXPECT_EQ(catcher_.boxes()[0].caption, L"关于");
    ASSERT_EQ(boxMoments.size(), 1u);
    EXPECT_TRUE(boxMoments[0].menuOpen);
    ExpectClosed();
    object->get_accChildCount(&count);
    EXPECT_EQ(count, 9);
    EXPECT_EQ(object->accDoDefaultAction(ChildVariant(13)), E_INVALIDARG);
    object->Release();
}

TEST_F(ShortcutTest, EscapeClosesTheOpenMenuFirstAndTheBarKeepsItsEditUntilTheNext) {
    StartEngine();
    OpenMenuWithBarText(L"typed");
    EXPECT_TRUE(LoopTakes(hAddressBar, VK_ESCAPE, kNone));
    EXPECT_FALSE(menuOpen);
    EXPECT_EQ(GetFocus(), window()) << "where it was before the click";
    EXPECT_EQ(LastCall(L"put_Bounds"), BoundsCall(window(), 64));
    EXPECT_TRUE(PumpUntil([this] { return erases() > 0; }));
    EXPECT_EQ(AddressBarText(), L"typed");
    EXPECT_TRUE(LoopTakes(hAddressBar, VK_ESCAPE, kNone));
    EXPECT_EQ(AddressBarText(), currentUrl);

    OpenMenuWithBarText(L"typed");
    SetFocus(window());
    EXPECT_TRUE(LoopTakes(window(), VK_ESCAPE, kNone));
    EXPECT_FALSE(menuOpen);
}

// F10 or Alt+F opens the panel with the keyboard on its first item: the arrows move it, Enter
// chooses it as a click does, and closing gives the focus back to where it was (the page, the bar).
TEST_F(ShortcutTest, TheMenuPanelByKeyboard) {
    MessageBoxCatcher catcher;
    StartEngine();
    ASSERT_TRUE(engine_double::RaiseFocusChanged(true));  // the page has the keyboard
    EXPECT_TRUE(PageKey(true, VK_F10, kNone));
    ASSERT_TRUE(PumpUntil([] { return menuOpen; }));
    EXPECT_EQ(GetFocus(), window());
    ASSERT_TRUE(engine_double::RaiseFocusChanged(false));  // as the engine says when the window takes it
    EXPECT_EQ(menuFocusItem, 0);
    // Down then Up comes back to the item the vertical moves started from; Home, End and Tab.
    const struct {
        UINT key;
        int modifiers;
        int item;
    } moves[] = {{VK_DOWN, kNone, 3},  {VK_UP, kNone, 0},    {VK_UP, kNone, 3},    {VK_DOWN, kNone, 0},
                 {VK_RIGHT, kNone, 1}, {VK_DOWN, kNone, 3},  {VK_RIGHT, kNone, 0}, {VK_LEFT, kNone, 3},
                 {VK_UP, kNone, 1},    {VK_END, kNone, 3},   {VK_HOME, kNone, 0},  {VK_TAB, kShift, 3},
                 {VK_TAB, kNone, 0},   {VK_TAB, kNone, 1},   {VK_DOWN, kNone, 3},  {VK_UP, kNone, 1}};
    for (const auto& move : moves) {
        EXPECT_TRUE(LoopTakes(window(), move.key, move.modifiers));
        EXPECT_EQ(menuFocusItem, move.item) << move.key << " " << move.modifiers;
    }
    const int pageMoves = engine_double::CountCalls(L"MoveFocus");
    EXPECT_TRUE(LoopTakes(window(), VK_RETURN, kNone));
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(catcher.boxes()[0].text, L"下载管理功能开发中");
    EXPECT_FALSE(menuOpen);
    EXPECT_EQ(menuFocusItem, -1);
    EXPECT_EQ(engine_double::CountCalls(L"MoveFocus"), pageMoves + 1);

    SetFocus(hAddressBar);
    EXPECT_TRUE(LoopTakes(hAddressBar, 'F', kAlt));
    EXPECT_TRUE(menuOpen);
    EXPECT_EQ(GetFocus(), window());
    EXPECT_FALSE(LoopTakes(hAddressBar, VK_RIGHT, kNone)) << "in the bar the arrows stay the bar's";
    EXPECT_FALSE(LoopTakes(window(), VK_RIGHT, kCtrl));
    EXPECT_EQ(menuFocusItem, 0);
    SetFocus(hAddressBar);  // a click into the bar takes the keyboard, and the rectangle, from the items
    EXPECT_EQ(menuFocusItem, -1);
    SetFocus(window());
    EXPECT_TRUE(LoopTakes(window(), VK_ESCAPE, kNone));
    EXPECT_FALSE(menuOpen);
    EXPECT_EQ(GetFocus(), hAddressBar);
    EXPECT_EQ(catcher.total(), 1);

    // The first item is chosen as any other.
    EXPECT_TRUE(LoopTakes(hAddressBar, VK_F10, kNone));
    EXPECT_TRUE(LoopTakes(window(), VK_RETURN, kNone));
    ASSERT_EQ(catcher.total(), 2);
    EXPECT_EQ(catcher.boxes().back().text, L"添加书签功能开发中");
    EXPECT_FALSE(menuOpen);
}

}  // namespace
