// The pointer's shape over the page: Chromium headless reports no cursor, so the page is asked
// what is under the pointer, and its CSS cursor becomes a system cursor.
#pragma once

#include <windows.h>

#include <string>

// An expression whose value is the CSS cursor for the point (client pixels): the element's own
// cursor, else "pointer" over a link, "text" over text or a text field, "default" elsewhere.
std::string CursorScript(POINT point);

// The system cursor (an IDC_ value) for a CSS cursor name; the arrow for the ones it has none for.
const wchar_t* SystemCursorFor(const std::string& cssCursor);
