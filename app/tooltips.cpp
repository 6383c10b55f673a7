#include "app/tooltips.h"

#include "app/toolbar.h"

#include <commctrl.h>

#include <string>

namespace {

HWND tips = nullptr;

// The slot's hit area, which reaches one pixel past its painted square: both ends inclusive.
RECT ToolRect(int slot, int clientWidth) {
    RECT r = SlotRect(slot, CurrentSlotLayout(clientWidth));
    ++r.right;
    ++r.bottom;
    return r;
}

std::wstring TipText(int slot, bool maximized) {
    std::wstring text = SlotName(slot, maximized);
    const std::wstring keys = SlotShortcutText(slot);
    if (!keys.empty()) text += L" (" + keys + L")";
    return text;
}

// The size of the structure that common controls 5 know: the program runs without version 6.
TTTOOLINFOW ToolInfo(HWND owner, int slot) {
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = owner;
    tool.uId = static_cast<UINT_PTR>(slot);
    return tool;
}

void CreateToolbarTips(HWND owner) {
    tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                           reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)), nullptr);
    if (!tips) return;
    const bool maximized = IsZoomed(owner) != FALSE;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        TTTOOLINFOW tool = ToolInfo(owner, slot);
        // The control watches the window's pointer messages itself, from the one after its making.
        tool.uFlags = TTF_SUBCLASS;
        tool.rect = ToolRect(slot, ClientWidth(owner));
        std::wstring text = TipText(slot, maximized);
        tool.lpszText = text.data();
        SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

}  // namespace

void ShowToolbarTipsFor(HWND owner, const MSG& move) {
    if (tips && IsWindow(tips) && GetWindow(tips, GW_OWNER) == owner) return;
    CreateToolbarTips(owner);
    // The control watches the window's later messages itself; this first one it did not see.
    if (tips) SendMessageW(tips, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
}

void LayoutToolbarTips(HWND owner) {
    if (!tips || GetWindow(tips, GW_OWNER) != owner) return;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        TTTOOLINFOW tool = ToolInfo(owner, slot);
        tool.rect = ToolRect(slot, ClientWidth(owner));
        SendMessageW(tips, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    // The buttons whose name changes with the window's state.
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (!SlotButton(slot).maximizedName) continue;
        TTTOOLINFOW tool = ToolInfo(owner, slot);
        std::wstring text = TipText(slot, IsZoomed(owner) != FALSE);
        tool.lpszText = text.data();
        SendMessageW(tips, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void HideToolbarTip() {
    if (tips && IsWindow(tips)) SendMessageW(tips, TTM_POP, 0, 0);
}

HWND ToolbarTips() { return tips; }

void ResetToolbarTipsForTesting() { tips = nullptr; }
