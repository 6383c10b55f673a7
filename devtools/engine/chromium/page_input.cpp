#include "devtools/engine/chromium/page_input.h"

#include "devtools/utf8.h"

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

// The other keys: the ones that type (their character comes with WM_CHAR) and the modifiers and
// function keys, named as a US layout names them.
struct OtherKey {
    WPARAM virtualKey;
    const char* code;
    const char* key;         // unshifted
    const char* shiftedKey;  // null: the same
};

const OtherKey kOtherKeys[] = {
    {VK_SPACE, "Space", " ", nullptr},
    {VK_OEM_1, "Semicolon", ";", ":"},
    {VK_OEM_PLUS, "Equal", "=", "+"},
    {VK_OEM_COMMA, "Comma", ",", "<"},
    {VK_OEM_MINUS, "Minus", "-", "_"},
    {VK_OEM_PERIOD, "Period", ".", ">"},
    {VK_OEM_2, "Slash", "/", "?"},
    {VK_OEM_3, "Backquote", "`", "~"},
    {VK_OEM_4, "BracketLeft", "[", "{"},
    {VK_OEM_5, "Backslash", "\\", "|"},
    {VK_OEM_6, "BracketRight", "]", "}"},
    {VK_OEM_7, "Quote", "'", "\""},
    {VK_MULTIPLY, "NumpadMultiply", "*", nullptr},
    {VK_ADD, "NumpadAdd", "+", nullptr},
    {VK_SUBTRACT, "NumpadSubtract", "-", nullptr},
    {VK_DECIMAL, "NumpadDecimal", ".", nullptr},
    {VK_DIVIDE, "NumpadDivide", "/", nullptr},
    {VK_SHIFT, "ShiftLeft", "Shift", nullptr},
    {VK_CONTROL, "ControlLeft", "Control", nullptr},
    {VK_MENU, "AltLeft", "Alt", nullptr},
    {VK_LWIN, "MetaLeft", "Meta", nullptr},
    {VK_RWIN, "MetaRight", "Meta", nullptr},
    {VK_CAPITAL, "CapsLock", "CapsLock", nullptr},
    {VK_NUMLOCK, "NumLock", "NumLock", nullptr},
    {VK_SCROLL, "ScrollLock", "ScrollLock", nullptr},
    {VK_INSERT, "Insert", "Insert", nullptr},
    {VK_PAUSE, "Pause", "Pause", nullptr},
    {VK_SNAPSHOT, "PrintScreen", "PrintScreen", nullptr},
    {VK_APPS, "ContextMenu", "ContextMenu", nullptr},
};

const char kShiftedDigits[] = ")!@#$%^&*(";

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

// The protocol places the pointer in CSS pixels of the page's viewport: at a zoom, fewer than the
// window's pixels.
InputCommand Mouse(const char* type, const char* button, POINT point, double zoom, WPARAM keyState, int modifiers) {
    json params = {{"type", type}, {"x", point.x / zoom}, {"y", point.y / zoom}, {"button", button},
                   {"buttons", Buttons(keyState)}, {"modifiers", modifiers}};
    if (std::string(type) != "mouseMoved") params["clickCount"] = 1;
    return {"Input.dispatchMouseEvent", params};
}

InputCommand Wheel(POINT point, double zoom, int deltaX, int deltaY, int modifiers) {
    json params = {{"type", "mouseWheel"}, {"x", point.x / zoom}, {"y", point.y / zoom}, {"deltaX", deltaX},
                   {"deltaY", deltaY}, {"modifiers", modifiers}};
    return {"Input.dispatchMouseEvent", params};
}

}  // namespace

int ProtocolModifiers(bool alt, bool ctrl, bool shift) {
    return (alt ? 1 : 0) | (ctrl ? 2 : 0) | (shift ? 8 : 0);
}

bool KeyNamesFor(WPARAM virtualKey, bool shift, KeyNames* names) {
    if (const NamedKey* named = FindNamedKey(virtualKey)) {
        *names = {named->key, named->code};
        return true;
    }
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        char letter = static_cast<char>(virtualKey);
        *names = {std::string(1, shift ? letter : static_cast<char>(letter - 'A' + 'a')),
                  std::string("Key") + letter};
        return true;
    }
    if (virtualKey >= '0' && virtualKey <= '9') {
        char digit = static_cast<char>(virtualKey);
        *names = {std::string(1, shift ? kShiftedDigits[digit - '0'] : digit), std::string("Digit") + digit};
        return true;
    }
    if (virtualKey >= VK_NUMPAD0 && virtualKey <= VK_NUMPAD9) {
        std::string digit(1, static_cast<char>('0' + (virtualKey - VK_NUMPAD0)));
        *names = {digit, "Numpad" + digit};
        return true;
    }
    if (virtualKey >= VK_F1 && virtualKey <= VK_F24) {
        std::string name = "F" + std::to_string(virtualKey - VK_F1 + 1);
        *names = {name, name};
        return true;
    }
    for (const OtherKey& other : kOtherKeys) {
        if (other.virtualKey != virtualKey) continue;
        *names = {shift && other.shiftedKey ? other.shiftedKey : other.key, other.code};
        return true;
    }
    return false;
}

std::vector<InputCommand> InputTranslator::Translate(UINT message, WPARAM wParam, POINT point, int modifiers) {
    // A notch is 120 units; the wheel turned towards the user scrolls down, which the page counts as positive.
    int wheelNotches120 = GET_WHEEL_DELTA_WPARAM(wParam);
    switch (message) {
    case WM_MOUSEMOVE:
        return {Mouse("mouseMoved", HeldButton(wParam), point, zoom_, wParam, modifiers)};
    case WM_LBUTTONDOWN:
        return {Mouse("mousePressed", "left", point, zoom_, wParam, modifiers)};
    case WM_LBUTTONUP:
        return {Mouse("mouseReleased", "left", point, zoom_, wParam, modifiers)};
    case WM_RBUTTONDOWN:
        return {Mouse("mousePressed", "right", point, zoom_, wParam, modifiers)};
    case WM_RBUTTONUP:
        return {Mouse("mouseReleased", "right", point, zoom_, wParam, modifiers)};
    case WM_MBUTTONDOWN:
        return {Mouse("mousePressed", "middle", point, zoom_, wParam, modifiers)};
    case WM_MBUTTONUP:
        return {Mouse("mouseReleased", "middle", point, zoom_, wParam, modifiers)};
    case WM_MOUSEWHEEL:
        return {Wheel(point, zoom_, 0, -wheelNotches120 * kPixelsPerWheelNotch / WHEEL_DELTA, modifiers)};
    case WM_MOUSEHWHEEL:
        return {Wheel(point, zoom_, wheelNotches120 * kPixelsPerWheelNotch / WHEEL_DELTA, 0, modifiers)};
    case WM_KEYDOWN:
        return Key("keyDown", wParam, modifiers);
    case WM_KEYUP:
        return Key("keyUp", wParam, modifiers);
    case WM_CHAR:
        return Text(static_cast<wchar_t>(wParam), modifiers);
    }
    return {};
}

// A named key that also types ("Enter") goes down as "keyDown" with its text, so that the page
// sees the keypress too; every other key as "rawKeyDown", its character following as "char" from
// WM_CHAR, as Chromium gets them on Windows.
std::vector<InputCommand> InputTranslator::Key(const char* type, WPARAM virtualKey, int modifiers) {
    KeyNames names;
    if (!KeyNamesFor(virtualKey, (modifiers & ProtocolModifiers(false, false, true)) != 0, &names)) return {};
    const NamedKey* named = FindNamedKey(virtualKey);
    const char* text = named ? named->text : nullptr;
    bool down = std::string(type) == "keyDown";
    json params = {{"type", down && !text ? "rawKeyDown" : type},
                   {"key", names.key},
                   {"code", names.code},
                   {"windowsVirtualKeyCode", static_cast<int>(virtualKey)},
                   {"nativeVirtualKeyCode", static_cast<int>(virtualKey)},
                   {"modifiers", modifiers}};
    if (down && text) {
        params["text"] = text;
        params["unmodifiedText"] = text;
    }
    return {{"Input.dispatchKeyEvent", params}};
}

// Control characters come from keys sent above; a surrogate pair goes as one character. A "char"
// event, not inserted text, so that the page sees its keypress (Space scrolls on it).
std::vector<InputCommand> InputTranslator::Text(wchar_t unit, int modifiers) {
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
    std::string text = ToUtf8(std::wstring(units, static_cast<size_t>(count)));
    json params = {{"type", "char"}, {"text", text}, {"unmodifiedText", text}, {"key", text}, {"modifiers", modifiers}};
    return {{"Input.dispatchKeyEvent", params}};
}
