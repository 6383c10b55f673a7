#include "app/toolbar.h"

#include "addressbar/address_bar.h"
#include "app/accessible.h"
#include "app/state.h"
#include "app/tooltips.h"
#include "browser_window.h"
#include "chrome/menu_panel.h"
#include "constants.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using engine_double::Calls;
using engine_double::CountCalls;
using engine_double::LastCall;

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

// What reached the window on top of the harness's counters: the pointer messages, and how often
// a move changed the hovered slot.
WNDPROC chainedProc = nullptr;
LPARAM lastMove = -1;
int leaves = 0;
int hoverChanges = 0;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const int hoverBefore = hoverIndex;
    if (message == WM_MOUSEMOVE) lastMove = lParam;
    if (message == WM_MOUSELEAVE) ++leaves;
    const LRESULT result = CallWindowProcW(chainedProc, hwnd, message, wParam, lParam);
    if (hoverIndex != hoverBefore) ++hoverChanges;
    return result;
}

bool PointerOutside(HWND hwnd) {
    POINT p;
    RECT r;
    GetCursorPos(&p);
    GetWindowRect(hwnd, &r);
    return !PtInRect(&r, p);
}

class ToolbarTest : public BrowserWindowTest {
protected:
    ToolbarTest() { openWindowInSetUp_ = false; }

    void SetUp() override {
        BrowserWindowTest::SetUp();
        // The pointer starts away from where the window opens, so no stray hover is pending.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        OpenWindow();
        SetForegroundWindow(window());
        chainedProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc)));
        MoveOff();
        ASSERT_EQ(hoverIndex, kSlotNone);
        lastMove = -1;
        leaves = 0;
        ResetMessageCounts();
    }

    void TearDown() override {
        // No button stage of a click may be taken for a panel click.
        EXPECT_EQ(catcher_.total(), 0);
        BrowserWindowTest::TearDown();
    }

    // For the whole test, so that a box nobody expected is caught instead of blocking the run.
    MessageBoxCatcher catcher_;

    // Wine echoes every pointer warp back as one more move, at times only once the next warp is
    // made, and an echo of the previous position then puts the pointer back there. So each move
    // warps again until the window has handled a move to the target as the latest one.
    void MoveTo(int x, int y) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            MovePointerTo(window(), x, y);
            if (PumpUntil([&] { return lastMove == PointParam(x, y); }, 500)) {
                engine_double::PumpMessages();  // a repaint, if the move asked for one
                if (lastMove == PointParam(x, y)) return;
            }
        }
        FAIL() << "the pointer did not stay at " << x << "," << y;
    }

    void MoveOff() {
        for (int attempt = 0; attempt < 5; ++attempt) {
            MovePointerOffWindow(window());
            if (PumpUntil([this] { return PointerOutside(window()) && hoverIndex == kSlotNone; }, 1000)) return;
        }
        FAIL() << "the pointer did not stay off the window";
    }

    struct Step {
        int x, y;
        int hover;
    };
    // A move repaints, without erasing, exactly when it changes the hovered slot. A late echo of
    // an earlier position may change it back and forth within a step: that repaints as well.
    void CheckHoverSteps(const std::vector<Step>& steps) {
        int previous = hoverIndex;
        for (const Step& s : steps) {
            SCOPED_TRACE("(" + std::to_string(s.x) + "," + std::to_string(s.y) + ")");
            ResetMessageCounts();
            hoverChanges = 0;
            MoveTo(s.x, s.y);
            EXPECT_EQ(hoverIndex, s.hover);
            if (s.hover != previous) {
                EXPECT_GT(hoverChanges, 0);
            }
            if (hoverChanges > 0) {
                EXPECT_TRUE(PumpUntil([this] { return paints() > 0; }));
            } else {
                EXPECT_EQ(paints(), 0);
            }
            EXPECT_EQ(erases(), 0);
            previous = s.hover;
        }
    }

    int Width() const { return ClientWidth(); }
};

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

// Screen readers and tooltips ---------------------------------------------------------------------

struct NamedSlot {
    int slot;
    const wchar_t* name;
    const wchar_t* tip;
};
const NamedSlot kNamedSlots[] = {
    {kSlotBack, L"后退", L"后退 (Alt+\u2190)"},  {kSlotForward, L"前进", L"前进 (Alt+\u2192)"},
    {kSlotRefresh, L"刷新", L"刷新 (F5)"},       {kSlotHome, L"主页", L"主页 (Alt+Home)"},
    {kSlotClose, L"关闭", L"关闭 (Ctrl+W)"},     {kSlotMaximize, L"最大化", L"最大化"},
    {kSlotMinimize, L"最小化", L"最小化"},       {kSlotMenu, L"菜单", L"菜单"},
};

RECT OnScreen(HWND hwnd, RECT r) {
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

long HitTest(IAccessible* object, POINT screen) {
    VARIANT hit;
    VariantInit(&hit);
    object->accHitTest(screen.x, screen.y, &hit);
    const long id = hit.vt == VT_I4 ? hit.lVal : -1;
    VariantClear(&hit);
    return id;
}

// Events the window raised for its client area, as a reader's hook receives them.
HWND eventWindow = nullptr;
std::vector<std::pair<DWORD, long>> clientEvents;
void CALLBACK RecordClientEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (hwnd == eventWindow && object == OBJID_CLIENT) clientEvents.push_back({event, child});
}
bool Announced(DWORD event, long child) {
    return std::find(clientEvents.begin(), clientEvents.end(), std::make_pair(event, child)) != clientEvents.end();
}

TEST_F(ToolbarTest, ReaderFindsEveryButtonWherePaintedInReadingOrderAtTwoWidths) {
    // Well away from the screen's origin, so that a point the reader gives is not a client point.
    SetWindowPos(window(), nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    for (int width : {900, 600}) {
        SCOPED_TRACE("width " + std::to_string(width));
        SetClientSize(width, 600);
        ASSERT_EQ(Width(), width);
        IAccessible* object = ClientAccessible(window());
        ASSERT_NE(object, nullptr);
        long count = 0;
        EXPECT_EQ(object->get_accChildCount(&count), S_OK);
        EXPECT_EQ(count, 9);  // the eight buttons and the address bar
        IAccessible* signExtended = ClientAccessible(window(), true);
        ASSERT_NE(signExtended, nullptr);
        EXPECT_EQ(ReadChild(signExtended, 1).name, L"后退");
        signExtended->Release();

        for (const NamedSlot& n : kNamedSlots) {
            SCOPED_TRACE(n.slot);
            const AccessibleChild child = ReadChild(object, SlotChildId(n.slot));
            EXPECT_EQ(child.result, S_OK);
            EXPECT_EQ(child.name, n.name);
            EXPECT_EQ(child.role, ROLE_SYSTEM_PUSHBUTTON);
            const RECT painted = OnScreen(window(), SlotRect(n.slot, CurrentSlotLayout(width)));
            EXPECT_EQ(Describe(child.location), Describe(painted));
            EXPECT_EQ(HitTest(object, {painted.left + 24, painted.top + 24}), SlotChildId(n.slot));
        }
        // Left to right as on the screen; the address bar is an object of its own, where it lies.
        long previousLeft = -1;
        int objects = 0;
        for (long id = 1; id <= count; ++id) {
            IDispatch* own = nullptr;
            IAccessible* source = object;
            long asked = id;
            if (object->get_accChild(ChildVariant(id), &own) == S_OK && own) {
                ++objects;
                own->QueryInterface(kIidAccessible, reinterpret_cast<void**>(&source));
                own->Release();
                asked = CHILDID_SELF;
                ASSERT_NE(source, object);
            }
            const RECT at = ReadChild(source, asked).location;
            if (source != object) {
                EXPECT_EQ(ReadChild(source, CHILDID_SELF).name, L"地址栏");
                // Whichever object names it, the system edit's own interfaces are still there.
                IOleWindow* window = nullptr;
                ASSERT_EQ(source->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&window)), S_OK);
                HWND edit = nullptr;
                EXPECT_EQ(window->GetWindow(&edit), S_OK);
                EXPECT_EQ(edit, hAddressBar);
                window->Release();
                RECT bar;
                GetClientRect(hAddressBar, &bar);
                EXPECT_EQ(Describe(at), Describe(OnScreen(hAddressBar, bar)));
                source->Release();
            }
            EXPECT_GT(at.left, previousLeft) << id;
            previousLeft = at.left;
        }
        EXPECT_EQ(objects, 1);
        object->Release();
    }
}

TEST_F(ToolbarTest, DefaultActionRunsTheButtonsCommandAfterTheCallReturns) {
    StartEngine();
    IAccessible* object = ClientAccessible(window());
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->accDoDefaultAction(ChildVariant(SlotChildId(kSlotBack))), S_OK);
    EXPECT_EQ(CountCalls(L"GoBack"), 0);
    EXPECT_TRUE(PumpUntil([] { return CountCalls(L"GoBack") > 0; }));
    engine_double::PumpMessages();
    EXPECT_EQ(CountCalls(L"GoBack"), 1);
    EXPECT_EQ(object->accDoDefaultAction(ChildVariant(SlotChildId(kSlotMenu))), S_OK);
    EXPECT_TRUE(PumpUntil([] { return menuOpen; }));
    EXPECT_EQ(object->accDoDefaultAction(ChildVariant(99)), E_INVALIDARG);
    object->Release();
}

TEST_F(ToolbarTest, ReaderIsToldOfHoverMaximiseAndThePanel) {
    eventWindow = window();
    clientEvents.clear();
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_NAMECHANGE, nullptr, RecordClientEvent,
                                         GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    IAccessible* object = ClientAccessible(window());
    ASSERT_NE(object, nullptr);
    const long back = SlotChildId(kSlotBack);
    const long maximize = SlotChildId(kSlotMaximize);

    MoveTo(36, 30);
    EXPECT_TRUE(PumpUntil([&] { return Announced(EVENT_OBJECT_STATECHANGE, back); }));
    EXPECT_EQ(ReadChild(object, back).state, STATE_SYSTEM_HOTTRACKED);
    clientEvents.clear();
    MoveOff();
    EXPECT_TRUE(PumpUntil([&] { return Announced(EVENT_OBJECT_STATECHANGE, back); }));
    EXPECT_EQ(ReadChild(object, back).state, 0);

    ShowWindow(window(), SW_MAXIMIZE);
    EXPECT_TRUE(PumpUntil([&] { return Announced(EVENT_OBJECT_NAMECHANGE, maximize); }));
    EXPECT_EQ(ReadChild(object, maximize).name, L"还原");
    clientEvents.clear();
    ShowWindow(window(), SW_RESTORE);
    EXPECT_TRUE(PumpUntil([&] { return Announced(EVENT_OBJECT_NAMECHANGE, maximize); }));
    EXPECT_EQ(ReadChild(object, maximize).name, L"最大化");

    Click(window(), Width() - 192, 30);
    EXPECT_TRUE(PumpUntil([&] { return Announced(EVENT_OBJECT_REORDER, CHILDID_SELF); }));
    EXPECT_TRUE(Announced(EVENT_OBJECT_STATECHANGE, SlotChildId(kSlotMenu)));
    EXPECT_TRUE(ReadChild(object, SlotChildId(kSlotMenu)).state & STATE_SYSTEM_EXPANDED);
    RunCommand(window(), Command::Menu);

    // The panel by keyboard: the item with the keyboard focus is told and reads as focused.
    const long download = 11;  // the panel's second item, after the toolbar's nine children
    RunCommand(window(), Command::MenuByKeyboard);
    RunCommand(window(), Command::MenuItemRight);
    EXPECT_TRUE(PumpUntil([&] { return Announced(EVENT_OBJECT_FOCUS, download); }));
    EXPECT_EQ(ReadChild(object, download).state, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);
    VARIANT focus;
    VariantInit(&focus);
    EXPECT_EQ(object->get_accFocus(&focus), S_OK);
    EXPECT_EQ(focus.vt == VT_I4 ? focus.lVal : -1, download);
    // The bar takes the keyboard: no item reads as focused, nor is the object's focus an item, even
    // while the panel still remembers its item.
    SetFocus(hAddressBar);
    for (bool remembered : {false, true}) {
        if (remembered) menuFocusItem = 1;
        for (long item = 10; item <= 9 + MenuItemCount(); ++item) {
            EXPECT_EQ(ReadChild(object, item).state & STATE_SYSTEM_FOCUSED, 0) << item << " " << remembered;
        }
        VariantClear(&focus);
        object->get_accFocus(&focus);
        EXPECT_FALSE(focus.vt == VT_I4 && focus.lVal > 9) << "an item has the focus " << remembered;
    }
    VariantClear(&focus);
    SetFocus(window());
    RunCommand(window(), Command::CloseMenu);

    // Full screen hides the band: its buttons read as invisible, are told hidden, then shown again.
    clientEvents.clear();
    RunCommand(window(), Command::ToggleFullScreen);
    EXPECT_TRUE(PumpUntil([&] { return Announced(EVENT_OBJECT_HIDE, back); }));
    EXPECT_EQ(ReadChild(object, back).state, STATE_SYSTEM_INVISIBLE);
    const RECT backOnScreen = OnScreen(window(), SlotRect(kSlotBack, CurrentSlotLayout(Width())));
    EXPECT_EQ(HitTest(object, {backOnScreen.left + 10, backOnScreen.top + 10}), CHILDID_SELF) << "the page covers it";
    RunCommand(window(), Command::ToggleFullScreen);
    EXPECT_TRUE(PumpUntil([&] { return Announced(EVENT_OBJECT_SHOW, back); }));
    EXPECT_EQ(ReadChild(object, back).state & STATE_SYSTEM_INVISIBLE, 0);

    // Once the window is gone, the object the reader kept answers that its element is no more.
    DestroyWindow(window());
    long count = 0;
    VARIANT hit;
    VariantInit(&hit);
    EXPECT_EQ(object->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(ReadChild(object, back).result, CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(object->accHitTest(10, 10, &hit), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(object->accDoDefaultAction(ChildVariant(back)), CO_E_OBJNOTCONNECTED);
    object->Release();
    UnhookWinEvent(hook);
}

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
