// Turns the page window's mouse and keyboard messages into the protocol's input commands, so that
// clicks, the wheel and typing reach the page in Chromium.
#pragma once

#include <windows.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

struct InputCommand {
    std::string method;
    nlohmann::json params;
};

// The modifier bits of the protocol: Alt 1, Ctrl 2, Meta 4, Shift 8.
int ProtocolModifiers(bool alt, bool ctrl, bool shift);

// What a page's key events call a key of a US layout: its DOM `key` (which for a key that types
// is its character, shifted or not) and its physical `code`.
struct KeyNames {
    std::string key;
    std::string code;
};

// False for a virtual key the table does not know.
bool KeyNamesFor(WPARAM virtualKey, bool shift, KeyNames* names);

class InputTranslator {
public:
    // `point` is the pointer in the window's client coordinates (wheel messages carry screen
    // coordinates, so the caller converts). Messages that are no input for the page give nothing.
    std::vector<InputCommand> Translate(UINT message, WPARAM wParam, POINT point, int modifiers);
    // Window pixels per CSS pixel: the pointer's place in the page is its place in the window over it.
    void SetZoom(double factor) { zoom_ = factor; }

private:
    std::vector<InputCommand> Key(const char* type, WPARAM virtualKey, int modifiers);
    std::vector<InputCommand> Text(wchar_t unit, int modifiers);

    wchar_t pendingHighSurrogate_ = 0;  // the first half of a character outside the BMP
    double zoom_ = 1.0;
};
