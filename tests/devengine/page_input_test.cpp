// The page window's input as the protocol commands that reach the page in Chromium.
#include "devtools/engine/chromium/page_input.h"

#include "devtools/engine/chromium/browser_keys.h"
#include "devtools/engine/chromium/clipboard.h"
#include "devtools/engine/chromium/opened_pages.h"
#include "devtools/engine/chromium/page_cursor.h"
#include "devtools/engine/chromium/script_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using nlohmann::json;

struct Case {
    const char* what;
    UINT message;
    WPARAM wParam;
    POINT point;
    int modifiers;
    std::vector<json> commands;  // {"method": ..., "params": ...} each
};

std::vector<json> Translated(InputTranslator& translator, const Case& c) {
    std::vector<json> commands;
    for (const InputCommand& command : translator.Translate(c.message, c.wParam, c.point, c.modifiers)) {
        commands.push_back({{"method", command.method}, {"params", command.params}});
    }
    return commands;
}

json Mouse(const char* type, const char* button, int x, int y, int buttons, int modifiers = 0) {
    json params = {{"type", type}, {"x", x}, {"y", y}, {"button", button}, {"buttons", buttons},
                   {"modifiers", modifiers}};
    if (std::string(type) != "mouseMoved") params["clickCount"] = 1;
    return {{"method", "Input.dispatchMouseEvent"}, {"params", params}};
}

json Wheel(int x, int y, int deltaX, int deltaY) {
    return {{"method", "Input.dispatchMouseEvent"},
            {"params", {{"type", "mouseWheel"}, {"x", x}, {"y", y}, {"deltaX", deltaX}, {"deltaY", deltaY},
                        {"modifiers", 0}}}};
}

json NamedKey(const char* type, const char* key, const char* code, int virtualKey, const char* text = nullptr,
            int modifiers = 0) {
    json params = {{"type", type}, {"key", key}, {"code", code}, {"windowsVirtualKeyCode", virtualKey},
                   {"nativeVirtualKeyCode", virtualKey}, {"modifiers", modifiers}};
    if (text) {
        params["text"] = text;
        params["unmodifiedText"] = text;
    }
    return {{"method", "Input.dispatchKeyEvent"}, {"params", params}};
}

json Key(const char* type, const char* key, int virtualKey, const char* text = nullptr, int modifiers = 0) {
    return NamedKey(type, key, key, virtualKey, text, modifiers);
}

// A character as the "char" event that follows its key's "rawKeyDown".
json Text(const std::string& text, int modifiers = 0) {
    return {{"method", "Input.dispatchKeyEvent"},
            {"params", {{"type", "char"}, {"text", text}, {"unmodifiedText", text}, {"key", text},
                        {"modifiers", modifiers}}}};
}

WPARAM WheelTurn(int delta) {
    return MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta)));
}

TEST(PageInput, MouseKeysAndTextBecomeProtocolCommands) {
    const int shift = ProtocolModifiers(false, false, true);
    Case cases[] = {
        {"move", WM_MOUSEMOVE, 0, {10, 20}, 0, {Mouse("mouseMoved", "none", 10, 20, 0)}},
        {"drag", WM_MOUSEMOVE, MK_LBUTTON, {11, 21}, 0, {Mouse("mouseMoved", "left", 11, 21, 1)}},
        {"press", WM_LBUTTONDOWN, MK_LBUTTON, {5, 6}, 0, {Mouse("mousePressed", "left", 5, 6, 1)}},
        {"release", WM_LBUTTONUP, 0, {5, 6}, 0, {Mouse("mouseReleased", "left", 5, 6, 0)}},
        {"right press with shift", WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, {1, 2}, shift,
         {Mouse("mousePressed", "right", 1, 2, 2, shift)}},
        {"middle release", WM_MBUTTONUP, MK_LBUTTON, {3, 4}, 0, {Mouse("mouseReleased", "middle", 3, 4, 1)}},
        {"wheel towards the user scrolls down", WM_MOUSEWHEEL, WheelTurn(-120), {50, 60}, 0, {Wheel(50, 60, 0, 100)}},
        {"wheel away scrolls up", WM_MOUSEWHEEL, WheelTurn(240), {50, 60}, 0, {Wheel(50, 60, 0, -200)}},
        {"tilt right", WM_MOUSEHWHEEL, WheelTurn(120), {0, 0}, 0, {Wheel(0, 0, 100, 0)}},
        {"Enter types as it goes down", WM_KEYDOWN, VK_RETURN, {}, 0, {Key("keyDown", "Enter", VK_RETURN, "\r")}},
        {"Enter up", WM_KEYUP, VK_RETURN, {}, 0, {Key("keyUp", "Enter", VK_RETURN)}},
        {"Backspace", WM_KEYDOWN, VK_BACK, {}, 0, {Key("rawKeyDown", "Backspace", VK_BACK)}},
        {"shift+Left", WM_KEYDOWN, VK_LEFT, {}, shift, {Key("rawKeyDown", "ArrowLeft", VK_LEFT, nullptr, shift)}},
        {"Delete up", WM_KEYUP, VK_DELETE, {}, 0, {Key("keyUp", "Delete", VK_DELETE)}},
        {"a letter goes down without text", WM_KEYDOWN, 'A', {}, 0, {NamedKey("rawKeyDown", "a", "KeyA", 'A')}},
        {"a shifted letter", WM_KEYDOWN, 'A', {}, shift, {NamedKey("rawKeyDown", "A", "KeyA", 'A', nullptr, shift)}},
        {"a letter up", WM_KEYUP, 'Q', {}, 0, {NamedKey("keyUp", "q", "KeyQ", 'Q')}},
        {"Space goes down", WM_KEYDOWN, VK_SPACE, {}, 0, {NamedKey("rawKeyDown", " ", "Space", VK_SPACE)}},
        {"a digit", WM_KEYDOWN, '7', {}, 0, {NamedKey("rawKeyDown", "7", "Digit7", '7')}},
        {"a shifted digit", WM_KEYDOWN, '2', {}, shift, {NamedKey("rawKeyDown", "@", "Digit2", '2', nullptr, shift)}},
        {"punctuation", WM_KEYDOWN, VK_OEM_PERIOD, {}, 0, {NamedKey("rawKeyDown", ".", "Period", VK_OEM_PERIOD)}},
        {"shifted punctuation", WM_KEYDOWN, VK_OEM_7, {}, shift,
         {NamedKey("rawKeyDown", "\"", "Quote", VK_OEM_7, nullptr, shift)}},
        {"a keypad digit", WM_KEYDOWN, VK_NUMPAD4, {}, 0, {NamedKey("rawKeyDown", "4", "Numpad4", VK_NUMPAD4)}},
        {"a function key", WM_KEYDOWN, VK_F12, {}, 0, {Key("rawKeyDown", "F12", VK_F12)}},
        {"Shift itself", WM_KEYDOWN, VK_SHIFT, {}, shift,
         {NamedKey("rawKeyDown", "Shift", "ShiftLeft", VK_SHIFT, nullptr, shift)}},
        {"Control up", WM_KEYUP, VK_CONTROL, {}, 0, {NamedKey("keyUp", "Control", "ControlLeft", VK_CONTROL)}},
        {"a key no table knows", WM_KEYDOWN, VK_BROWSER_BACK, {}, 0, {}},
        {"a character", WM_CHAR, L'a', {}, 0, {Text("a")}},
        {"a shifted character", WM_CHAR, L'A', {}, shift, {Text("A", shift)}},
        {"a space", WM_CHAR, L' ', {}, 0, {Text(" ")}},
        {"outside ASCII", WM_CHAR, 0x9875, {}, 0, {Text("\xE9\xA1\xB5")}},
        {"Enter's own character is not typed twice", WM_CHAR, L'\r', {}, 0, {}},
        {"Backspace's character", WM_CHAR, L'\b', {}, 0, {}},
        {"a control character", WM_CHAR, 0x01, {}, 0, {}},
        {"DEL", WM_CHAR, 0x7F, {}, 0, {}},
        {"not input", WM_PAINT, 0, {}, 0, {}},
    };
    for (const Case& c : cases) {
        InputTranslator translator;
        EXPECT_EQ(Translated(translator, c), c.commands) << c.what;
    }
}

// The page is laid out in CSS pixels, `zoom` window pixels each: the pointer lands in the page
// where the picture under it shows.
TEST(PageInput, PointerLandsUnderThePictureAtEveryZoom) {
    struct {
        double zoom;
        UINT message;
        WPARAM wParam;
        POINT point;
        double x, y;
    } cases[] = {
        {1.0, WM_LBUTTONDOWN, MK_LBUTTON, {300, 150}, 300, 150},
        {1.5, WM_LBUTTONDOWN, MK_LBUTTON, {300, 150}, 200, 100},
        {1.5, WM_MOUSEMOVE, 0, {301, 151}, 301 / 1.5, 151 / 1.5},
        {0.5, WM_LBUTTONUP, 0, {300, 150}, 600, 300},
        {2.0, WM_MOUSEWHEEL, WheelTurn(-120), {40, 80}, 20, 40},
        {0.25, WM_MOUSEHWHEEL, WheelTurn(120), {10, 10}, 40, 40},
    };
    for (const auto& c : cases) {
        InputTranslator translator;
        translator.SetZoom(c.zoom);
        std::vector<InputCommand> commands = translator.Translate(c.message, c.wParam, c.point, 0);
        ASSERT_EQ(commands.size(), 1u) << c.zoom;
        EXPECT_DOUBLE_EQ(commands[0].params["x"].get<double>(), c.x) << c.zoom << " message " << c.message;
        EXPECT_DOUBLE_EQ(commands[0].params["y"].get<double>(), c.y) << c.zoom << " message " << c.message;
    }
}

TEST(PageInput, BrowserKeysZoomOrGoNowhere) {
    const int ctrl = ProtocolModifiers(false, true, false);
    const int shift = ProtocolModifiers(false, false, true);
    const int alt = ProtocolModifiers(true, false, false);
    struct {
        WPARAM key;
        int modifiers;
        BrowserKey expected;
    } cases[] = {
        {VK_OEM_PLUS, ctrl, BrowserKey::ZoomIn},        {VK_OEM_PLUS, ctrl | shift, BrowserKey::ZoomIn},
        {VK_ADD, ctrl, BrowserKey::ZoomIn},             {VK_OEM_MINUS, ctrl, BrowserKey::ZoomOut},
        {VK_SUBTRACT, ctrl, BrowserKey::ZoomOut},       {'0', ctrl, BrowserKey::ZoomReset},
        {VK_NUMPAD0, ctrl, BrowserKey::ZoomReset},      {'N', ctrl, BrowserKey::Withheld},
        {'N', ctrl | shift, BrowserKey::Withheld},      {'T', ctrl, BrowserKey::Withheld},
        {'H', ctrl, BrowserKey::Withheld},              {'J', ctrl, BrowserKey::Withheld},
        {'U', ctrl, BrowserKey::Withheld},              {VK_F12, 0, BrowserKey::Withheld},
        {'I', ctrl | shift, BrowserKey::Withheld},      {'3', ctrl, BrowserKey::Withheld},
        {VK_TAB, ctrl, BrowserKey::Withheld},           {VK_ESCAPE, shift, BrowserKey::Withheld},
        // The page's own: typing, editing, plain Tab and Escape, and AltGr's characters.
        {VK_OEM_PLUS, 0, BrowserKey::None},             {VK_OEM_PLUS, shift, BrowserKey::None},
        {'0', 0, BrowserKey::None},                     {'0', ctrl | alt, BrowserKey::None},
        {'T', 0, BrowserKey::None},                     {'I', ctrl, BrowserKey::None},
        {'A', ctrl, BrowserKey::None},                  {'C', ctrl, BrowserKey::None},
        {VK_TAB, 0, BrowserKey::None},                  {VK_ESCAPE, 0, BrowserKey::None},
        {VK_F5, 0, BrowserKey::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BrowserKeyFor(c.key, c.modifiers), c.expected) << c.key << " with " << c.modifiers;
    }
}

TEST(PageInput, ZoomMovesThroughThePresetLevels) {
    struct {
        double from;
        int steps;
        double to;
    } cases[] = {
        {1.0, 1, 1.1},   {1.0, 2, 1.25},  {1.0, -1, 0.9},  {1.1, -1, 1.0},   {0.9, 1, 1.0},
        {1.0, 3, 1.5},   {4.0, 1, 5.0},   {5.0, 1, 5.0},   {0.25, -1, 0.25}, {0.33, -1, 0.25},
        {1.05, 1, 1.1},  {1.05, -1, 1.0}, {7.0, -1, 5.0},  {0.1, 1, 0.25},   {1.0, -40, 0.25},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(SteppedZoom(c.from, c.steps), c.to) << c.from << " by " << c.steps;
    EXPECT_EQ(ZoomText(1.0), L"1");
    EXPECT_EQ(ZoomText(1.25), L"1.25");
    EXPECT_EQ(ZoomText(0.33), L"0.33");
}

TEST(PageInput, ChromiumsOwnPagesAreKnownByTheirAddress) {
    struct {
        const char* url;
        bool own;
    } cases[] = {
        {"chrome://newtab/", true},  {"chrome://new-tab-page-third-party/", true}, {"chrome://history/", true},
        {"chrome://downloads/", true}, {"devtools://devtools/bundled/inspector.html", true},
        {"view-source:https://a.test/", true}, {"chrome-untrusted://new-tab-page/", true},
        {"about:blank", false},      {"https://chrome.test/", false}, {"", false}, {"chromium://x", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsChromiumOwnPage(c.url), c.own) << c.url;
}

TEST(PageInput, SurrogatePairsGoAsOneCharacter) {
    InputTranslator translator;
    Case high = {"high", WM_CHAR, 0xD83D, {}, 0, {}};
    Case low = {"low", WM_CHAR, 0xDE00, {}, 0, {Text("\xF0\x9F\x98\x80")}};
    EXPECT_EQ(Translated(translator, high), high.commands);
    EXPECT_EQ(Translated(translator, low), low.commands);

    Case lonelyLow = {"a low half alone", WM_CHAR, 0xDE00, {}, 0, {}};
    EXPECT_EQ(Translated(translator, lonelyLow), lonelyLow.commands);
    Case after = {"the pair's first half then a plain character", WM_CHAR, L'b', {}, 0, {Text("b")}};
    Translated(translator, high);
    EXPECT_EQ(Translated(translator, after), after.commands);
}

TEST(PageInput, ModifierBits) {
    EXPECT_EQ(ProtocolModifiers(false, false, false), 0);
    EXPECT_EQ(ProtocolModifiers(true, false, false), 1);
    EXPECT_EQ(ProtocolModifiers(false, true, false), 2);
    EXPECT_EQ(ProtocolModifiers(false, false, true), 8);
    EXPECT_EQ(ProtocolModifiers(true, true, true), 11);
}

TEST(PageInput, EditingShortcutsForCopyCutAndPaste) {
    const int ctrl = ProtocolModifiers(false, true, false);
    const int shift = ProtocolModifiers(false, false, true);
    const int alt = ProtocolModifiers(true, false, false);
    struct {
        WPARAM key;
        int modifiers;
        EditingShortcut expected;
    } cases[] = {
        {'C', ctrl, EditingShortcut::Copy},       {VK_INSERT, ctrl, EditingShortcut::Copy},
        {'X', ctrl, EditingShortcut::Cut},        {VK_DELETE, shift, EditingShortcut::Cut},
        {'V', ctrl, EditingShortcut::Paste},      {VK_INSERT, shift, EditingShortcut::Paste},
        {'C', 0, EditingShortcut::None},          {'V', ctrl | shift, EditingShortcut::None},
        {'V', ctrl | alt, EditingShortcut::None},  // AltGr types characters
        {'A', ctrl, EditingShortcut::None},       {'Z', ctrl, EditingShortcut::None},  // the page does these
        {VK_DELETE, 0, EditingShortcut::None},    {VK_INSERT, 0, EditingShortcut::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EditingShortcutFor(c.key, c.modifiers), c.expected) << c.key << " with " << c.modifiers;
    }
}

TEST(PageInput, LineEndsBetweenPagesAndTheClipboard) {
    EXPECT_EQ(ClipboardLines(L"one\ntwo\n"), L"one\r\ntwo\r\n");
    EXPECT_EQ(ClipboardLines(L"already\r\nWindows"), L"already\r\nWindows");
    EXPECT_EQ(PageLines(L"one\r\ntwo"), L"one\ntwo");
    EXPECT_EQ(PageLines(L"lone\rreturn"), L"lone\rreturn");
    EXPECT_EQ(PageLines(L""), L"");
}

TEST(PageInput, CssCursorsBecomeSystemCursors) {
    struct {
        const char* css;
        const wchar_t* cursor;
    } cases[] = {
        {"pointer", IDC_HAND}, {"text", IDC_IBEAM}, {"default", IDC_ARROW}, {"auto", IDC_ARROW},
        {"wait", IDC_WAIT}, {"col-resize", IDC_SIZEWE}, {"url(\"hand.png\") 4 4, pointer", IDC_HAND},
        {"url(a.cur), not-allowed", IDC_NO}, {"grab", IDC_ARROW}, {"", IDC_ARROW},
    };
    for (const auto& c : cases) EXPECT_EQ(SystemCursorFor(c.css), c.cursor) << c.css;
}

TEST(PageInput, DialogCaptionIsThePagesOrigin) {
    struct {
        const char* url;
        const char* origin;
    } cases[] = {
        {"https://127.0.0.1:8443/path/page.html?q=1#top", "https://127.0.0.1:8443"},
        {"https://example.com", "https://example.com"},
        {"https://example.com?q", "https://example.com"},
        {"about:blank", "about:"},
        {"data:text/html,<p>hi", "data:"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(OriginOf(c.url), c.origin) << c.url;

    ScriptDialogRequest leave = {"beforeunload", L"", L"https://a.test", L"", L"https://a.test/"};
    EXPECT_EQ(ScriptDialogText(leave), L"Leave this page? Changes you made may not be saved.");
    ScriptDialogRequest alert = {"alert", L"\u4f60\u597d", L"https://a.test", L"", L"https://a.test/"};
    EXPECT_EQ(ScriptDialogText(alert), L"\u4f60\u597d");
}

}  // namespace
