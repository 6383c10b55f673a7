#include "app/accessible.h"

#include "app/accessible_object.h"
#include "app/commands.h"
#include "app/fullscreen.h"
#include "app/menu.h"
#include "app/state.h"
#include "app/toolbar.h"
#include "chrome/menu_panel.h"
#include "webhost/com_ref.h"
#include "webhost/messages.h"

#include <oleacc.h>

#include <vector>

namespace {

constexpr int kAddressBarChild = kSlotCount;  // in the reading order, where the address bar sits

// Left to right as on the screen: the address bar between the two groups of buttons.
const ScreenOrder& ReadingOrder() { return SlotsLeftToRight(); }
constexpr long kToolbarChildren = std::tuple_size<ScreenOrder>::value;

constexpr wchar_t kPressAction[] = L"按下";
constexpr wchar_t kRunAction[] = L"执行";

// What a child id stands for, under the window's state at the moment of the call.
struct Child {
    enum Kind { Invalid, Self, Slot, AddressBar, MenuItem } kind;
    int index;  // the slot or the menu item
};

long ChildCount() { return kToolbarChildren + (menuOpen ? MenuItemCount() : 0); }

Child ChildOf(const VARIANT& id) {
    if (id.vt != VT_I4) return {Child::Invalid, 0};
    const long value = id.lVal;
    if (value == CHILDID_SELF) return {Child::Self, 0};
    if (value < 1 || value > ChildCount()) return {Child::Invalid, 0};
    if (value > kToolbarChildren) return {Child::MenuItem, static_cast<int>(value - kToolbarChildren - 1)};
    const int slot = ReadingOrder()[value - 1];
    return slot == kAddressBarChild ? Child{Child::AddressBar, 0} : Child{Child::Slot, slot};
}

// Whether this object answers for the child: the address bar answers for itself, as its own object.
bool Described(const Child& child) { return child.kind != Child::Invalid && child.kind != Child::AddressBar; }

// The child's rectangle in client coordinates: a slot's painted square, an item's cell.
RECT ChildRect(HWND hwnd, const Child& child) {
    if (child.kind == Child::Slot) return SlotRect(child.index, CurrentSlotLayout(ClientWidth(hwnd)));
    const MenuItem& item = MenuItemByIndex(child.index);
    return MenuCellRect(item.row, item.column, ClientWidth(hwnd));
}

// The child id of a slot or of the address bar: its place in the reading order, counted from 1.
long ReadingChildId(int entry) {
    for (long i = 0; i < kToolbarChildren; ++i) {
        if (ReadingOrder()[i] == entry) return i + 1;
    }
    return CHILDID_SELF;
}

BSTR Text(const wchar_t* text) { return Oleacc()->sysAllocString(text); }

void Empty(VARIANT* out) { out->vt = VT_EMPTY; }

void SetChildVariant(VARIANT* out, long id) {
    out->vt = VT_I4;
    out->lVal = id;
}

// The object of the address bar's window, which answers for the bar itself.
HRESULT AddressBarObject(IAccessible** out) {
    *out = nullptr;
    if (!hAddressBar) return E_FAIL;
    return Oleacc()->accessibleObjectFromWindow(hAddressBar, static_cast<DWORD>(OBJID_CLIENT), kIidIAccessible,
                                      reinterpret_cast<void**>(out));
}

// A child as a reader expects it in a VARIANT: the address bar as its own object, others by id.
HRESULT SetChildResult(VARIANT* out, long id) {
    SetChildVariant(out, id);
    if (id == CHILDID_SELF || ChildOf(*out).kind != Child::AddressBar) return S_OK;
    IAccessible* bar = nullptr;
    const HRESULT hr = AddressBarObject(&bar);
    if (FAILED(hr)) {
        out->vt = VT_EMPTY;
        return hr;
    }
    out->vt = VT_DISPATCH;
    out->pdispVal = bar;
    return S_OK;
}

// The client area of the main window. Questions about the area itself go to the system's
// standard object for it (its role, name, parent, focus); the children are ours.
class ToolbarAccessible final : public AccessibleObject {
public:
    explicit ToolbarAccessible(HWND hwnd) : hwnd_(hwnd) {
        Oleacc()->createStdAccessibleObject(hwnd, static_cast<LONG>(OBJID_CLIENT), kIidIAccessible,
                                  reinterpret_cast<void**>(standard_.ReleaseAndGetAddressOf()));
    }

    // IAccessible. Once the window is gone, every question is answered as the reference asks of an
    // object whose element no longer exists.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        return standard_->get_accParent(parent);
    }

    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        *count = ChildCount();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT id, IDispatch** child) override {
        if (!child) return E_POINTER;
        *child = nullptr;
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        const Child c = ChildOf(id);
        if (c.kind == Child::Invalid || c.kind == Child::Self) return E_INVALIDARG;
        if (c.kind != Child::AddressBar) return S_FALSE;  // a simple element, described by its parent
        IAccessible* bar = nullptr;
        const HRESULT hr = AddressBarObject(&bar);
        *child = bar;
        return hr;
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override {
        if (!name) return E_POINTER;
        *name = nullptr;
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        const Child c = ChildOf(id);
        switch (c.kind) {
        case Child::Self:       return standard_->get_accName(id, name);
        case Child::Slot:       *name = Text(SlotName(c.index, IsZoomed(hwnd_) != FALSE)); break;
        case Child::MenuItem:   *name = Text(MenuItemByIndex(c.index).label); break;
        case Child::AddressBar:
        case Child::Invalid:    return E_INVALIDARG;
        }
        return *name ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT id, BSTR* value) override {
        if (!value) return E_POINTER;
        *value = nullptr;
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        const Child c = ChildOf(id);
        if (c.kind == Child::Self) return standard_->get_accValue(id, value);
        return Described(c) ? DISP_E_MEMBERNOTFOUND : E_INVALIDARG;
    }

    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT id, BSTR* description) override {
        if (!description) return E_POINTER;
        *description = nullptr;
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        return Described(ChildOf(id)) ? DISP_E_MEMBERNOTFOUND : E_INVALIDARG;
    }

    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* role) override {
        if (!role) return E_POINTER;
        Empty(role);
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        const Child c = ChildOf(id);
        switch (c.kind) {
        case Child::Self:       return standard_->get_accRole(id, role);
        case Child::Slot:       SetChildVariant(role, ROLE_SYSTEM_PUSHBUTTON); return S_OK;
        case Child::MenuItem:   SetChildVariant(role, ROLE_SYSTEM_MENUITEM); return S_OK;
        case Child::AddressBar:
        case Child::Invalid:    break;
        }
        return E_INVALIDARG;
    }

    HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* state) override {
        if (!state) return E_POINTER;
        Empty(state);
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        const Child c = ChildOf(id);
        switch (c.kind) {
        case Child::Self:       return standard_->get_accState(id, state);
        case Child::Slot:       SetChildVariant(state, SlotState(c.index)); return S_OK;
        case Child::MenuItem:   SetChildVariant(state, MenuItemState(c.index)); return S_OK;
        case Child::AddressBar:
        case Child::Invalid:    break;
        }
        return E_INVALIDARG;
    }

    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
        if (!help) return E_POINTER;
        *help = nullptr;
        return Alive() ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return Alive() ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
    }

    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT id, BSTR* shortcut) override {
        if (!shortcut) return E_POINTER;
        *shortcut = nullptr;
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        const Child c = ChildOf(id);
        if (!Described(c)) return E_INVALIDARG;
        if (c.kind != Child::Slot) return DISP_E_MEMBERNOTFOUND;
        const std::wstring keys = SlotShortcutText(c.index);
        if (keys.empty()) return S_FALSE;
        *shortcut = Text(keys.c_str());
        return *shortcut ? S_OK : E_OUTOFMEMORY;
    }

    // The panel's item with the keyboard focus, while the window itself has it; else as the system says.
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        Empty(focus);
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        if (menuOpen && menuFocusItem >= 0 && GetFocus() == hwnd_) {
            SetChildVariant(focus, MenuItemChildId(menuFocusItem));
            return S_OK;
        }
        return standard_->get_accFocus(focus);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        Empty(selection);
        return Alive() ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
    }

    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT id, BSTR* action) override {
        if (!action) return E_POINTER;
        *action = nullptr;
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        const Child c = ChildOf(id);
        switch (c.kind) {
        case Child::Self:       return standard_->get_accDefaultAction(id, action);
        case Child::Slot:       *action = Text(kPressAction); break;
        case Child::MenuItem:   *action = Text(kRunAction); break;
        case Child::AddressBar:
        case Child::Invalid:    return E_INVALIDARG;
        }
        return *action ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT id) override {
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        const Child c = ChildOf(id);
        if (c.kind == Child::Self) return standard_->accSelect(flags, id);
        return Described(c) ? DISP_E_MEMBERNOTFOUND : E_INVALIDARG;
    }

    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT id) override {
        if (!left || !top || !width || !height) return E_POINTER;
        *left = *top = *width = *height = 0;
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        const Child c = ChildOf(id);
        if (!Described(c)) return E_INVALIDARG;
        if (c.kind == Child::Self) return standard_->accLocation(left, top, width, height, id);
        RECT r = ChildRect(hwnd_, c);
        MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&r), 2);
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        Empty(end);
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        const Child c = ChildOf(start);
        if (c.kind == Child::Invalid) return E_INVALIDARG;
        long target = 0;
        if (c.kind == Child::Self) {
            if (direction == NAVDIR_FIRSTCHILD) target = 1;
            else if (direction == NAVDIR_LASTCHILD) target = ChildCount();
            else return standard_->accNavigate(direction, start, end);
        } else if (direction == NAVDIR_NEXT) {
            target = start.lVal + 1;
        } else if (direction == NAVDIR_PREVIOUS) {
            target = start.lVal - 1;
        } else {
            return S_FALSE;
        }
        if (target < 1 || target > ChildCount()) return S_FALSE;
        return SetChildResult(end, target);
    }

    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
        if (!hit) return E_POINTER;
        Empty(hit);
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        POINT pt = {x, y};
        ScreenToClient(hwnd_, &pt);
        RECT client;
        GetClientRect(hwnd_, &client);
        if (!PtInRect(&client, pt)) return S_FALSE;
        return SetChildResult(hit, ChildAt(pt, client.right));
    }

    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT id) override {
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        const Child c = ChildOf(id);
        if (!Described(c)) return E_INVALIDARG;
        if (c.kind == Child::Self) return DISP_E_MEMBERNOTFOUND;
        // Posted, so that the reader's call returns before a message box of the action opens.
        const bool posted = c.kind == Child::Slot
                                ? PostCommand(hwnd_, SlotCommand(c.index))
                                : PostMessageW(hwnd_, WM_APP_MENU_ITEM_ACTION, static_cast<WPARAM>(c.index), 0) != FALSE;
        return posted ? S_OK : E_FAIL;
    }

    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override {
        return Alive() ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override {
        return Alive() ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
    }

private:
    ~ToolbarAccessible() override = default;

    // A reader may keep the object after the window has gone.
    bool Alive() const { return standard_ && IsWindow(hwnd_); }

    // Full screen hides the band: its buttons are still children, but not on the screen.
    long SlotState(int slot) const {
        if (IsFullScreen()) return STATE_SYSTEM_INVISIBLE;
        long state = slot == hoverIndex ? STATE_SYSTEM_HOTTRACKED : 0;
        if (!SlotButton(slot).opensPanel) return state;
        return state | STATE_SYSTEM_HASPOPUP | (menuOpen ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED);
    }

    long MenuItemState(int index) const {
        const bool focused = index == menuFocusItem && GetFocus() == hwnd_;
        return STATE_SYSTEM_FOCUSABLE | (focused ? STATE_SYSTEM_FOCUSED : 0);
    }

    // What lies under a client point: the slot that hover would pick, the bar, an item, or the area;
    // in full screen the page covers it all.
    long ChildAt(POINT pt, int clientWidth) const {
        if (IsFullScreen()) return CHILDID_SELF;
        const int slot = HoverSlotAt(pt.x, pt.y, CurrentSlotLayout(clientWidth));
        if (slot != kSlotNone) return SlotChildId(slot);
        RECT bar;
        if (hAddressBar && GetWindowRect(hAddressBar, &bar)) {
            MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&bar), 2);
            if (PtInRect(&bar, pt)) return ReadingChildId(kAddressBarChild);
        }
        const int item = menuOpen ? MenuItemIndexAt(pt.x, pt.y, clientWidth, toolbarHeight, menuHeight) : -1;
        return item >= 0 ? MenuItemChildId(item) : CHILDID_SELF;
    }

    HWND hwnd_;
    ComRef<IAccessible> standard_;
};

}  // namespace

long SlotChildId(int slot) { return slot >= 0 && slot < kSlotCount ? ReadingChildId(slot) : CHILDID_SELF; }

long MenuItemChildId(int index) { return kToolbarChildren + 1 + index; }

LRESULT OnGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (!AsksForClientObject(lParam) || !Oleacc()) {
        return DefWindowProcW(hwnd, WM_GETOBJECT, wParam, lParam);
    }
    ToolbarAccessible* object = new ToolbarAccessible(hwnd);
    const LRESULT result = Oleacc()->lresultFromObject(kIidIAccessible, wParam, object);
    object->Release();  // the reference LresultFromObject took keeps it for the reader
    return result;
}
