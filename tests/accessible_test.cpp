#include "app/accessible.h"

#include "addressbar/address_bar.h"
#include "app/menu.h"
#include "app/state.h"
#include "app/toolbar.h"
#include "constants.h"
#include "toolbar_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

RECT OnScreen(HWND hwnd, RECT r) {
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
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
    WriteAddressBar(L"https://a.example/?q=%E5%8C%97");
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
                BSTR value = nullptr;
                EXPECT_EQ(source->get_accValue(ChildVariant(CHILDID_SELF), &value), S_OK);
                EXPECT_EQ(std::wstring(value ? value : L""), L"https://a.example/?q=\x5317");
                SysFreeString(value);
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
}  // namespace
