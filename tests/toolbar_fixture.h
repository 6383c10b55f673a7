// The toolbar under a real pointer: the window's pointer messages recorded, the pointer moved until
// the window has seen it, and what each button is called and tells.
#pragma once

#include "app/state.h"
#include "app/toolbar.h"
#include "browser_window.h"

#include <string>
#include <vector>

// What reached the window on top of the harness's counters: the pointer messages, and how often
// a move changed the hovered slot.
inline WNDPROC chainedProc = nullptr;
inline LPARAM lastMove = -1;
inline int leaves = 0;
inline int hoverChanges = 0;

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const int hoverBefore = hoverIndex;
    if (message == WM_MOUSEMOVE) lastMove = lParam;
    if (message == WM_MOUSELEAVE) ++leaves;
    const LRESULT result = CallWindowProcW(chainedProc, hwnd, message, wParam, lParam);
    if (hoverIndex != hoverBefore) ++hoverChanges;
    return result;
}

inline bool PointerOutside(HWND hwnd) {
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

struct NamedSlot {
    int slot;
    const wchar_t* name;
    const wchar_t* tip;
};
inline const NamedSlot kNamedSlots[] = {
    {kSlotBack, L"后退", L"后退 (Alt+\u2190)"},  {kSlotForward, L"前进", L"前进 (Alt+\u2192)"},
    {kSlotRefresh, L"刷新", L"刷新 (F5)"},       {kSlotHome, L"主页", L"主页 (Alt+Home)"},
    {kSlotClose, L"关闭", L"关闭 (Ctrl+W)"},     {kSlotMaximize, L"最大化", L"最大化"},
    {kSlotMinimize, L"最小化", L"最小化"},       {kSlotMenu, L"菜单", L"菜单"},
};

inline std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}
