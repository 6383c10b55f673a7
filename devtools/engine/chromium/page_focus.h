// Tab and Shift+Tab at the ends of a page's focus order: from its last focusable element (Shift+Tab:
// its first), or from a page with none, the focus leaves the page for the host, as a real engine's
// page hands it back. And the host's MoveFocus into the page: its first or last element.
#pragma once

#include "devtools/engine/chromium/page_connection.h"

#include <windows.h>

#include <functional>
#include <vector>

class TabGate {
public:
    // An input message for the page, with the protocol modifiers held when it came.
    struct Input {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        int modifiers;
    };
    // Gives input to the page.
    using Deliver = std::function<void(const Input& input)>;
    // Offers the focus to the host; true when the host took it.
    using Leave = std::function<bool(bool backwards)>;

    TabGate(PageConnection& connection, Deliver deliver, Leave leave);

    // Every input for the page passes here. A Tab asks the page first where its focus is, and the
    // input that follows waits for the answer, so that nothing overtakes the Tab.
    void Pass(const Input& input);

    // Puts the page's focus on its first focusable element, or on its last.
    void FocusEnd(bool last);

private:
    void OnAnswer(const Input& tab, bool leaves);

    PageConnection& connection_;
    Deliver deliver_;
    Leave leave_;
    bool asking_ = false;
    std::vector<Input> held_;
};

// Whether the input is a Tab or Shift+Tab that moves through the page's focus order.
bool IsFocusTab(const TabGate::Input& input);
