#include "devtools/engine/chromium/browser_keys.h"

#include <cmath>
#include <cstdio>

namespace {

// Chromium's preset zoom levels, the ones the runtime's Ctrl+plus and Ctrl+minus step through.
const double kZoomLevels[] = {0.25, 0.33, 0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 4.0, 5.0};
const int kZoomLevelCount = static_cast<int>(sizeof(kZoomLevels) / sizeof(kZoomLevels[0]));
const double kSameLevel = 0.001;

struct KeyBinding {
    WPARAM virtualKey;
    int modifiers;
    BrowserKey key;
};

const int kCtrl = 2;       // ProtocolModifiers(false, true, false)
const int kShift = 8;      // ProtocolModifiers(false, false, true)
const int kCtrlShift = kCtrl | kShift;

const KeyBinding kBindings[] = {
    {VK_OEM_PLUS, kCtrl, BrowserKey::ZoomIn},     // Ctrl+= , the plus key unshifted
    {VK_OEM_PLUS, kCtrlShift, BrowserKey::ZoomIn},  // Ctrl++
    {VK_ADD, kCtrl, BrowserKey::ZoomIn},
    {VK_OEM_MINUS, kCtrl, BrowserKey::ZoomOut},
    {VK_SUBTRACT, kCtrl, BrowserKey::ZoomOut},
    {'0', kCtrl, BrowserKey::ZoomReset},
    {VK_NUMPAD0, kCtrl, BrowserKey::ZoomReset},
    // New windows and tabs, history, downloads, page source, developer tools, the task manager,
    // bookmarks, printing, saving and opening files, closing the tab and switching tabs: each
    // would open or close something of Chromium's that nobody sees.
    {'N', kCtrl, BrowserKey::Withheld},
    {'N', kCtrlShift, BrowserKey::Withheld},
    {'T', kCtrl, BrowserKey::Withheld},
    {'T', kCtrlShift, BrowserKey::Withheld},
    {'H', kCtrl, BrowserKey::Withheld},
    {'J', kCtrl, BrowserKey::Withheld},
    {'U', kCtrl, BrowserKey::Withheld},
    {'D', kCtrl, BrowserKey::Withheld},
    {'P', kCtrl, BrowserKey::Withheld},
    {'S', kCtrl, BrowserKey::Withheld},
    {'O', kCtrl, BrowserKey::Withheld},
    {'W', kCtrl, BrowserKey::Withheld},
    {VK_F4, kCtrl, BrowserKey::Withheld},
    {VK_F12, 0, BrowserKey::Withheld},
    {VK_F1, 0, BrowserKey::Withheld},
    {'I', kCtrlShift, BrowserKey::Withheld},
    {'J', kCtrlShift, BrowserKey::Withheld},
    {'C', kCtrlShift, BrowserKey::Withheld},
    {'O', kCtrlShift, BrowserKey::Withheld},
    {'B', kCtrlShift, BrowserKey::Withheld},
    {'W', kCtrlShift, BrowserKey::Withheld},
    {'Q', kCtrlShift, BrowserKey::Withheld},
    {VK_DELETE, kCtrlShift, BrowserKey::Withheld},
    {VK_ESCAPE, kShift, BrowserKey::Withheld},
    {VK_TAB, kCtrl, BrowserKey::Withheld},
    {VK_TAB, kCtrlShift, BrowserKey::Withheld},
    {VK_PRIOR, kCtrl, BrowserKey::Withheld},
    {VK_NEXT, kCtrl, BrowserKey::Withheld},
};

}  // namespace

BrowserKey BrowserKeyFor(WPARAM virtualKey, int modifiers) {
    for (const KeyBinding& binding : kBindings) {
        if (binding.virtualKey == virtualKey && binding.modifiers == modifiers) return binding.key;
    }
    // Ctrl+1 to Ctrl+9 choose a tab.
    if (modifiers == kCtrl && virtualKey >= '1' && virtualKey <= '9') return BrowserKey::Withheld;
    return BrowserKey::None;
}

double SteppedZoom(double factor, int steps) {
    int above = 0;  // the level the factor is on, or the first one above it
    while (above < kZoomLevelCount && kZoomLevels[above] < factor - kSameLevel) ++above;
    const bool onLevel = above < kZoomLevelCount && std::fabs(kZoomLevels[above] - factor) < kSameLevel;
    // Off a level, the first step up is the level just above it.
    int level = above + steps - (!onLevel && steps > 0 ? 1 : 0);
    if (level < 0) level = 0;
    if (level > kZoomLevelCount - 1) level = kZoomLevelCount - 1;
    return kZoomLevels[level];
}

std::wstring ZoomText(double factor) {
    wchar_t text[32];
    swprintf(text, 32, L"%g", factor);
    return text;
}
