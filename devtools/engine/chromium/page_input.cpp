#include "devtools/engine/chromium/page_input.h"

using nlohmann::json;

namespace {

const int kPixelsPerWheelNotch = 100;

// Keys that edit or move rather than type: they go as key events; the rest arrives as text.
struct NamedKey {
    WPARAM virtualKey;
    const char* key;
    const char* code;
    const char* text;  // what the key types, for the keys whose press is also a character
};

const NamedKey kNamedKeys[] = {
    {VK_RETURN, "Enter", "Enter", "\r"},
    {VK_BACK, "Backspace", "Backspace", nullptr},
    {VK_TAB, "Tab", "Tab", nullptr},
    {VK_ESCAPE, "Escape", "Escape", nullptr},
    {VK_DELETE, "Delete", "Delete", nullptr},
    {VK_LEFT, "ArrowLeft", "ArrowLeft", nullptr},
    {VK_RIGHT, "ArrowRight", "ArrowRight", nullptr},
    {VK_UP, "ArrowUp", "ArrowUp", nullptr},
    {VK_DOWN, "ArrowDown", "ArrowDown", nullptr},
    {VK_HOME, "Home", "Home", nullptr},
    {VK_END, "End", "End", nullptr},
    {VK_PRIOR, "PageUp", "PageUp", nullptr},
    {VK_NEXT, "PageDown", "PageDown", nullptr},
};

const NamedKey* FindNamedKey(WPARAM virtualKey) {
    for (const NamedKey& named : kNamedKeys) {
        if (named.virtualKey == virtualKey) return &named;
    }
    return nullptr;
}

int Buttons(WPARAM keyState) {
    int buttons = 0;
    if (keyState & MK_LBUTTON) buttons |= 1;
    if (keyState & MK_RBUTTON) buttons |= 2;
    if (keyState & MK_MBUTTON) buttons |= 4;
    return buttons;
}

// The button a move is dragging with, as the protocol names it.
const char* HeldButton(WPARAM keyState) {
    if (keyState & MK_LBUTTON) return "left";
    if (keyState & MK_RBUTTON) return "right";
    if (keyState & MK_MBUTTON) return "middle";
    return "none";
}

InputCommand Mouse(const char* type, const char* button, POINT point, WPARAM keyState, int modifiers) {
    json params = {{"type", type}, {"x", point.x}, {"y", point.y}, {"button", button},
                   {"buttons", Buttons(keyState)}, {"modifiers", modifiers}};
    if (std::string(type) != "mouseMoved") params["clickCount"] = 1;
    return {"Input.dispatchMouseEvent", params};
}

InputCommand Wheel(POINT point, int deltaX, int deltaY, int modifiers) {
    json params = {{"type", "mouseWheel"}, {"x", point.x}, {"y", point.y}, {"deltaX", deltaX},
                   {"deltaY", deltaY}, {"modifiers", modifiers}};
    return {"Input.dispatchMouseEvent", params};
}

std::string Utf8(const wchar_t* units, int count) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, units, count, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, units, count, &text[0], bytes, nullptr, nullptr);
    return text;
}

}  // namespace

int ProtocolModifiers(bool alt, bool ctrl, bool shift) {
    return (alt ? 1 : 0) | (ctrl ? 2 : 0) | (shift ? 8 : 0);
}

std::vector<InputCommand> InputTranslator::Translate(UINT message, WPARAM wParam, POINT point, int modifiers) {
    // A notch is 120 units; the wheel turned towards the user scrolls down, which the page counts as positive.
    int wheelNotches120 = GET_WHEEL_DELTA_WPARAM(wParam);
    switch (message) {
    case WM_MOUSEMOVE:
        return {Mouse("mouseMoved", HeldButton(wParam), point, wParam, modifiers)};
    case WM_LBUTTONDOWN:
        return {Mouse("mousePressed", "left", point, wParam, modifiers)};
    case WM_LBUTTONUP:
        return {Mouse("mouseReleased", "left", point, wParam, modifiers)};
    case WM_RBUTTONDOWN:
        return {Mouse("mousePressed", "right", point, wParam, modifiers)};
    case WM_RBUTTONUP:
        return {Mouse("mouseReleased", "right", point, wParam, modifiers)};
    case WM_MBUTTONDOWN:
        return {Mouse("mousePressed", "middle", point, wParam, modifiers)};
    case WM_MBUTTONUP:
        return {Mouse("mouseReleased", "middle", point, wParam, modifiers)};
    case WM_MOUSEWHEEL:
        return {Wheel(point, 0, -wheelNotches120 * kPixelsPerWheelNotch / WHEEL_DELTA, modifiers)};
    case WM_MOUSEHWHEEL:
        return {Wheel(point, wheelNotches120 * kPixelsPerWheelNotch / WHEEL_DELTA, 0, modifiers)};
    case WM_KEYDOWN:
        return Key("keyDown", wParam, modifiers);
    case WM_KEYUP:
        return Key("keyUp", wParam, modifiers);
    case WM_CHAR:
        return Text(static_cast<wchar_t>(wParam));
    }
    return {};
}

// A key that also types ("Enter") goes down as "keyDown" with its text, so that the page sees
// the keypress too; the others as "rawKeyDown".
std::vector<InputCommand> InputTranslator::Key(const char* type, WPARAM virtualKey, int modifiers) {
    const NamedKey* named = FindNamedKey(virtualKey);
    if (!named) return {};
    bool down = std::string(type) == "keyDown";
    json params = {{"type", down && !named->text ? "rawKeyDown" : type},
                   {"key", named->key},
                   {"code", named->code},
                   {"windowsVirtualKeyCode", static_cast<int>(virtualKey)},
                   {"nativeVirtualKeyCode", static_cast<int>(virtualKey)},
                   {"modifiers", modifiers}};
    if (down && named->text) {
        params["text"] = named->text;
        params["unmodifiedText"] = named->text;
    }
    return {{"Input.dispatchKeyEvent", params}};
}

// Control characters come from keys sent above; a surrogate pair goes as one character.
std::vector<InputCommand> InputTranslator::Text(wchar_t unit) {
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        pendingHighSurrogate_ = unit;
        return {};
    }
    wchar_t units[2];
    int count = 0;
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        if (!pendingHighSurrogate_) return {};
        units[count++] = pendingHighSurrogate_;
    }
    pendingHighSurrogate_ = 0;
    if (unit < 0x20 || unit == 0x7F) return {};
    units[count++] = unit;
    return {{"Input.insertText", json{{"text", Utf8(units, count)}}}};
}
