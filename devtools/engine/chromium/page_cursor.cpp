#include "devtools/engine/chromium/page_cursor.h"

#include <string>

namespace {

const char kCursorScript[] = R"JS((function (x, y) {
  var element = document.elementFromPoint(x, y);
  if (!element) return 'default';
  var cursor = getComputedStyle(element).cursor;
  if (cursor && cursor !== 'auto') return cursor;
  if (element.closest('a[href], area[href]')) return 'pointer';
  var field = 'textarea, input:not([type=button]):not([type=submit]):not([type=reset]):not([type=image])' +
      ':not([type=checkbox]):not([type=radio]):not([type=range]):not([type=color]):not([type=file])';
  if (element.isContentEditable || element.matches(field)) return 'text';
  var caret = document.caretRangeFromPoint && document.caretRangeFromPoint(x, y);
  if (caret && caret.startContainer.nodeType === 3 && caret.startContainer.data.trim()) {
    var range = document.createRange();
    range.selectNodeContents(caret.startContainer);
    var boxes = range.getClientRects();
    for (var i = 0; i < boxes.length; i++) {
      var box = boxes[i];
      if (x >= box.left && x <= box.right && y >= box.top && y <= box.bottom) return 'text';
    }
  }
  return 'default';
}))JS";

struct CursorMapping {
    const char* css;
    const wchar_t* cursor;
};

const CursorMapping kCursors[] = {
    {"pointer", IDC_HAND},        {"text", IDC_IBEAM},          {"vertical-text", IDC_IBEAM},
    {"wait", IDC_WAIT},           {"progress", IDC_APPSTARTING}, {"crosshair", IDC_CROSS},
    {"help", IDC_HELP},           {"move", IDC_SIZEALL},        {"all-scroll", IDC_SIZEALL},
    {"not-allowed", IDC_NO},      {"no-drop", IDC_NO},          {"ew-resize", IDC_SIZEWE},
    {"col-resize", IDC_SIZEWE},   {"e-resize", IDC_SIZEWE},     {"w-resize", IDC_SIZEWE},
    {"ns-resize", IDC_SIZENS},    {"row-resize", IDC_SIZENS},   {"n-resize", IDC_SIZENS},
    {"s-resize", IDC_SIZENS},     {"nesw-resize", IDC_SIZENESW}, {"ne-resize", IDC_SIZENESW},
    {"sw-resize", IDC_SIZENESW},  {"nwse-resize", IDC_SIZENWSE}, {"nw-resize", IDC_SIZENWSE},
    {"se-resize", IDC_SIZENWSE},
};

}  // namespace

std::string CursorScript(POINT point) {
    return std::string(kCursorScript) + "(" + std::to_string(point.x) + ", " + std::to_string(point.y) + ")";
}

// A cursor with a picture ("url(...) 4 4, pointer") falls back to the keyword after its last comma.
const wchar_t* SystemCursorFor(const std::string& cssCursor) {
    size_t comma = cssCursor.rfind(',');
    std::string keyword = comma == std::string::npos ? cssCursor : cssCursor.substr(comma + 1);
    keyword.erase(0, keyword.find_first_not_of(' '));
    for (const CursorMapping& mapping : kCursors) {
        if (keyword == mapping.css) return mapping.cursor;
    }
    return IDC_ARROW;
}

void PageCursor::Track(HWND window, POINT point) {
    point_ = point;
    if (asked_) {
        moved_ = true;
        return;
    }
    Ask(window);
}

// The answer comes only while the session lasts, and the session ends before the window goes.
void PageCursor::Ask(HWND window) {
    moved_ = false;
    const nlohmann::json params = {{"expression", CursorScript(point_)}, {"returnByValue", true}};
    asked_ = connection_.Call("Runtime.evaluate", params, [this, window](const nlohmann::json& result, bool failed) {
        asked_ = false;
        std::string css;
        if (!failed && EvaluatedText(result, &css)) {
            cursor_ = SystemCursorFor(css);
            POINT at;
            // The pointer may rest where it is: no WM_SETCURSOR would come.
            if (GetCursorPos(&at) && WindowFromPoint(at) == window) SetCursor(LoadCursorW(nullptr, cursor_));
        }
        if (moved_) Ask(window);
    });
}

bool PageCursor::Set(LPARAM hitTest) const {
    if (LOWORD(hitTest) != HTCLIENT) return false;
    SetCursor(LoadCursorW(nullptr, cursor_));
    return true;
}
