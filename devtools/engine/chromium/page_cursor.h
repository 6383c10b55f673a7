// The pointer's shape over the page: Chromium headless reports no cursor, so the page is asked
// what is under the pointer, and its CSS cursor becomes a system cursor.
#pragma once

#include "devtools/engine/chromium/page_connection.h"

#include <windows.h>

#include <string>

// An expression whose value is the CSS cursor for the point (client pixels): the element's own
// cursor, else "pointer" over a link, "text" over text or a text field, "default" elsewhere.
std::string CursorScript(POINT point);

// The system cursor (an IDC_ value) for a CSS cursor name; the arrow for the ones it has none for.
const wchar_t* SystemCursorFor(const std::string& cssCursor);

// The cursor the page wants where the pointer is, asked one question at a time: moves while a
// question is out only note the point, asked about when its answer comes.
class PageCursor {
public:
    explicit PageCursor(PageConnection& connection) : connection_(connection) {}

    // The pointer moved to the point (client pixels) of the page window.
    void Track(HWND window, POINT point);
    // WM_SETCURSOR: the page's cursor over the client area; false elsewhere.
    bool Set(LPARAM hitTest) const;

private:
    void Ask(HWND window);

    PageConnection& connection_;
    bool asked_ = false;  // an answer is awaited
    bool moved_ = false;
    POINT point_ = {};
    const wchar_t* cursor_ = IDC_ARROW;
};
