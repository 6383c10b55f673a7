#include "app/toolbar.h"

#include "addressbar/address_bar.h"
#include "app/state.h"
#include "app/tooltips.h"
#include "browser_window.h"
#include "chrome/menu_panel.h"
#include "constants.h"
#include "toolbar_fixture.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1184;  // any client width: the right group is placed from it

// Pure geometry --------------------------------------------------------------------------------

struct HitCase {
    int x, y;
    int width;
    int slot;  // what HoverSlotAt reports
};

TEST(ToolbarGeometryTest, HoverSlotAtFindsTheSlotWithInclusiveEdges) {
    const int W = kWidth;
    const HitCase cases[] = {
        // Left group: back, then a 4 pixel gap that belongs to nobody, then forward.
        {12, 8, W, kSlotBack},     {60, 56, W, kSlotBack},      {11, 30, W, kSlotNone},
        {61, 30, W, kSlotNone},    {63, 30, W, kSlotNone},      {64, 30, W, kSlotForward},
        {112, 30, W, kSlotForward}, {30, 7, W, kSlotNone},      {30, 57, W, kSlotNone},
        {115, 30, W, kSlotNone},   {116, 30, W, kSlotRefresh},  {164, 30, W, kSlotRefresh},
        {165, 30, W, kSlotNone},   {167, 30, W, kSlotNone},     {168, 30, W, kSlotHome},
        {216, 30, W, kSlotHome},   {217, 30, W, kSlotNone},
        // Right group, placed from the right edge.
        {W - 12, 30, W, kSlotClose},    {W - 60, 30, W, kSlotClose},    {W - 11, 30, W, kSlotNone},
        {W - 61, 30, W, kSlotNone},     {W - 64, 30, W, kSlotMaximize}, {W - 112, 30, W, kSlotMaximize},
        {W - 115, 30, W, kSlotNone},    {W - 116, 30, W, kSlotMinimize}, {W - 164, 30, W, kSlotMinimize},
        {W - 165, 30, W, kSlotNone},    {W - 168, 30, W, kSlotMenu},    {W - 216, 30, W, kSlotMenu},
        {W - 217, 30, W, kSlotNone},    {W - 36, 8, W, kSlotClose},     {W - 36, 57, W, kSlotNone},
        // The right group moves with the width; the left one does not.
        {1000 - 12, 30, 1000, kSlotClose}, {W - 12, 30, 1000, kSlotNone}, {12, 30, 1000, kSlotBack},
        // Narrow windows: overlapping slots resolve to the higher one.
        {100, 30, 300, kSlotMenu},   {83, 30, 300, kSlotForward},  {216, 30, 432, kSlotMenu},
        {215, 30, 432, kSlotHome},   {217, 30, 432, kSlotMenu},
    };
    for (const HitCase& c : cases) {
        EXPECT_EQ(HoverSlotAt(c.x, c.y, {c.width, kButtonEdge, kBandHeight}), c.slot)
            << "(" << c.x << "," << c.y << ") width " << c.width;
    }
}

TEST(ToolbarGeometryTest, OverlappingSlotsBothContainTheSharedPoint) {
    struct Overlap {
        int x, width, lower, higher;
    };
    const Overlap cases[] = {{100, 300, kSlotForward, kSlotMenu}, {216, 432, kSlotHome, kSlotMenu}};
    for (const Overlap& c : cases) {
        SCOPED_TRACE(c.width);
        EXPECT_TRUE(SlotContains(c.lower, c.x, 30, {c.width, kButtonEdge, kBandHeight}));
        EXPECT_TRUE(SlotContains(c.higher, c.x, 30, {c.width, kButtonEdge, kBandHeight}));
        for (int slot = 0; slot < kSlotCount; ++slot) {
            if (slot != c.lower && slot != c.higher) {
                EXPECT_FALSE(SlotContains(slot, c.x, 30, {c.width, kButtonEdge, kBandHeight})) << slot;
            }
        }
    }
}

TEST(ToolbarGeometryTest, TheMinimumClientAreaHoldsTheBarAtItsLeastWidthAndTheOpenPanel) {
    EXPECT_EQ(MinimumClientSize(kButtonEdge, kBandHeight, 320).cx, 590);  // 250 + 100 + the bar's 240 to the right edge
    EXPECT_EQ(MinimumClientSize(kButtonEdge, kBandHeight, 320).cy, 384);
    EXPECT_EQ(AddressBarWidth(MinimumClientSize(kButtonEdge, kBandHeight, 320).cx), kAddressBarMinWidth);
    // Larger buttons: the groups themselves need the room.
    EXPECT_EQ(MinimumClientSize(200, 220, 100).cx, 2 * (12 + 3 * 204 + 200) + 1);
    EXPECT_EQ(MinimumClientSize(200, 220, 100).cy, 320);
}

// Hit ranges are inclusive at both ends; the bar covers [left, left + width).
bool RangesMeet(int firstLeft, int firstRight, int secondLeft, int secondRight) {
    return firstLeft <= secondRight && secondLeft <= firstRight;
}

TEST(ToolbarGeometryTest, NoClientWidthTheWindowAllowsMakesTwoSlotsOrTheBarOverlap) {
    for (int edge : {16, 32, kButtonEdge, 64, 100}) {
        const int minimum = MinimumClientSize(edge, kBandHeight, 320).cx;
        for (int width = minimum; width <= minimum + 2500; ++width) {
            const SlotLayout layout{width, edge, kBandHeight};
            for (int a = 0; a < kSlotCount; ++a) {
                for (int b = a + 1; b < kSlotCount; ++b) {
                    const RECT ra = SlotRect(a, layout), rb = SlotRect(b, layout);
                    ASSERT_FALSE(RangesMeet(ra.left, ra.right, rb.left, rb.right))
                        << "slots " << a << " and " << b << " at width " << width << ", edge " << edge;
                }
            }
            if (edge > kButtonEdge) continue;  // the bar's left edge is fixed, made for buttons up to the default
            const int barRight = kAddressBarLeft + AddressBarWidth(width) - 1;
            for (int slot = 0; slot < kSlotCount; ++slot) {
                const RECT r = SlotRect(slot, layout);
                ASSERT_FALSE(RangesMeet(kAddressBarLeft, barRight, r.left, r.right))
                    << "bar and slot " << slot << " at width " << width << ", edge " << edge;
            }
        }
    }
}

// The real window ------------------------------------------------------------------------------

TEST_F(ToolbarTest, RealPointerHoversLeftGroupAndRepaintsOnlyOnChange) {
    CheckHoverSteps({{36, 30, kSlotBack},
                     {62, 30, kSlotNone},
                     {88, 30, kSlotForward},
                     {70, 20, kSlotForward},
                     {112, 56, kSlotForward},
                     {64, 8, kSlotForward},
                     {88, 57, kSlotNone},
                     {88, 40, kSlotForward}});
}

TEST_F(ToolbarTest, RealPointerHoversRightGroupBoundaries) {
    const int W = Width();
    CheckHoverSteps({{W - 12, 30, kSlotClose},
                     {W - 60, 30, kSlotClose},
                     {W - 61, 30, kSlotNone},
                     {W - 64, 30, kSlotMaximize},
                     {W - 192, 30, kSlotMenu}});
}

TEST_F(ToolbarTest, LeavingTheWindowClearsTheHoverAndRepaints) {
    MoveTo(88, 30);
    ASSERT_EQ(hoverIndex, kSlotForward);
    ResetMessageCounts();
    MoveOff();
    EXPECT_GT(leaves, 0);
    EXPECT_EQ(hoverIndex, kSlotNone);
    EXPECT_TRUE(PumpUntil([this] { return paints() > 0; }));
    EXPECT_EQ(erases(), 0);
}

TEST_F(ToolbarTest, LeaveWithNothingHoveredStillRepaints) {
    SendMessageW(window(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(hoverIndex, kSlotNone);
    EXPECT_TRUE(PumpUntil([this] { return paints() > 0; }));
    EXPECT_EQ(erases(), 0);
}

TEST_F(ToolbarTest, NavigationSlotsActOnlyOnceTheEngineIsReady) {
    struct Case {
        int x;
        const wchar_t* call;
    };
    const Case cases[] = {{36, L"GoBack"}, {88, L"GoForward"}, {140, L"Reload"}, {192, L"Navigate"}};
    for (const Case& c : cases) Click(window(), c.x, 30);
    engine_double::PumpMessages();
    EXPECT_EQ(Calls(), std::vector<std::wstring>{L"CreateEnvironment"});

    StartEngine();
    for (const Case& c : cases) {
        const int before = CountCalls(c.call);
        Click(window(), c.x, 30);
        EXPECT_EQ(CountCalls(c.call), before + 1) << c.call;
    }
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate https://duckduckgo.com/");
    EXPECT_FALSE(menuOpen);
}

TEST_F(ToolbarTest, RealClicksReachTheNavigationSlots) {
    StartEngine();
    const std::pair<int, const wchar_t*> cases[] = {{36, L"GoBack"}, {88, L"GoForward"}, {140, L"Reload"}};
    for (const auto& [x, call] : cases) {
        RealClick(window(), x, 30);
        EXPECT_TRUE(PumpUntil([call = call] { return CountCalls(call) == 1; })) << call;
    }
    RealClick(window(), Width() - 192, 30);
    EXPECT_TRUE(PumpUntil([] { return menuOpen; }));
}

TEST_F(ToolbarTest, ClicksOutsideEverySlotDoNothing) {
    StartEngine();
    const size_t callsBefore = Calls().size();
    const int W = Width();
    const POINT points[] = {{62, 30}, {36, 7}, {36, 57}, {W - 62, 30}, {W - 11, 30}};
    for (const POINT& p : points) Click(window(), p.x, p.y);
    engine_double::PumpMessages();
    EXPECT_EQ(Calls().size(), callsBefore);
    EXPECT_FALSE(menuOpen);
    EXPECT_TRUE(IsWindow(window()));
    EXPECT_FALSE(IsZoomed(window()));
    EXPECT_FALSE(IsIconic(window()));
}

TEST_F(ToolbarTest, MaximizeSlotTogglesBetweenMaximizedAndRestored) {
    Click(window(), Width() - 88, 30);
    EXPECT_TRUE(PumpUntil([this] { return IsZoomed(window()) != FALSE; }));
    // The slot has moved with the wider client area.
    Click(window(), Width() - 88, 30);
    EXPECT_TRUE(PumpUntil([this] { return !IsZoomed(window()); }));
}

TEST_F(ToolbarTest, MinimizeSlotMinimizes) {
    Click(window(), Width() - 140, 30);
    EXPECT_TRUE(PumpUntil([this] { return IsIconic(window()) != FALSE; }));
    ShowWindow(window(), SW_RESTORE);
    EXPECT_TRUE(PumpUntil([this] { return !IsIconic(window()); }));
}

TEST_F(ToolbarTest, CloseSlotClosesTheWindowAfterTheClick) {
    Click(window(), Width() - 36, 30);
    EXPECT_TRUE(IsWindow(window()));
    EXPECT_TRUE(PumpUntil([this] { return !IsWindow(window()); }));
}

TEST_F(ToolbarTest, MenuSlotTogglesThePanelMovingTheViewAndErasing) {
    for (bool engineReady : {false, true}) {
        SCOPED_TRACE(engineReady ? "engine ready" : "no engine");
        if (engineReady) StartEngine();
        for (bool expectOpen : {true, false}) {
            const int boundsBefore = CountCalls(L"put_Bounds");
            ResetMessageCounts();
            Click(window(), Width() - 192, 30);
            EXPECT_EQ(menuOpen, expectOpen);
            if (engineReady) {
                EXPECT_EQ(CountCalls(L"put_Bounds"), boundsBefore + 1);
                EXPECT_EQ(LastCall(L"put_Bounds"), BoundsCall(window(), expectOpen ? 384 : 64));
            } else {
                EXPECT_EQ(CountCalls(L"put_Bounds"), 0);
            }
            EXPECT_TRUE(PumpUntil([this] { return paints() > 0 && erases() > 0; }));
        }
    }
}

// Asked for less, the window stays at its minimum (the frame added for its own style), where one
// click runs one button: at a client width of 300 the same click went forward and opened the menu.
TEST_F(ToolbarTest, TheNarrowestWindowRunsOneButtonPerClick) {
    StartEngine();
    MINMAXINFO info = {};
    SendMessageW(window(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    RECT frame = {0, 0, 590, 384};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(window(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window(), GWL_EXSTYLE)));
    EXPECT_EQ(info.ptMinTrackSize.x, frame.right - frame.left);
    EXPECT_EQ(info.ptMinTrackSize.y, frame.bottom - frame.top);

    SetClientSize(300, 200);
    RECT client;
    GetClientRect(window(), &client);
    ASSERT_EQ(client.right, 590);
    EXPECT_EQ(client.bottom, 384);
    Click(window(), 100, 30);
    EXPECT_FALSE(menuOpen);
    EXPECT_EQ(CountCalls(L"GoForward"), 1);
    Click(window(), Width() - 192, 30);
    EXPECT_TRUE(menuOpen);
    EXPECT_EQ(CountCalls(L"GoForward"), 1);
}

TEST_F(ToolbarTest, ButtonClicksAreNotPanelClicks) {
    StartEngine();
    Click(window(), Width() - 192, 30);
    ASSERT_TRUE(menuOpen);
    Click(window(), 36, 30);
    EXPECT_TRUE(menuOpen);
    EXPECT_EQ(CountCalls(L"GoBack"), 1);
    engine_double::PumpMessages();
    EXPECT_EQ(catcher_.total(), 0);
}

// Tooltips ----------------------------------------------------------------------------------------

TEST_F(ToolbarTest, TooltipToolsFollowTheSlotsAndTheWindowState) {
    SendMessageW(window(), WM_MOUSEMOVE, 0, MAKELPARAM(600, 40));  // the tips come with the first move
    HWND tips = ToolbarTips();
    ASSERT_NE(tips, nullptr);
    EXPECT_EQ(GetWindow(tips, GW_OWNER), window());
    EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), kSlotCount);
    auto check = [&](int width, bool maximized) {
        for (const NamedSlot& n : kNamedSlots) {
            SCOPED_TRACE(n.slot);
            wchar_t text[256] = {};
            TTTOOLINFOW tool = {};
            tool.cbSize = TTTOOLINFOW_V2_SIZE;
            tool.hwnd = window();
            tool.uId = static_cast<UINT_PTR>(n.slot);
            tool.lpszText = text;
            ASSERT_TRUE(SendMessageW(tips, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)));
            // The hit area: one pixel past the painted square, as hover and clicks take it.
            RECT area = SlotRect(n.slot, CurrentSlotLayout(width));
            ++area.right;
            ++area.bottom;
            EXPECT_EQ(Describe(tool.rect), Describe(area));
            text[0] = 0;
            SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
            EXPECT_EQ(std::wstring(text), n.slot == kSlotMaximize && maximized ? L"还原" : n.tip);
        }
    };
    for (int width : {900, 600}) {
        SCOPED_TRACE("width " + std::to_string(width));
        SetClientSize(width, 600);
        ASSERT_EQ(Width(), width);
        check(width, false);
    }
    ShowWindow(window(), SW_MAXIMIZE);
    ASSERT_TRUE(PumpUntil([this] { return IsZoomed(window()) != FALSE; }));
    check(Width(), true);
    ShowWindow(window(), SW_RESTORE);
    ASSERT_TRUE(PumpUntil([this] { return !IsZoomed(window()); }));
}

}  // namespace
