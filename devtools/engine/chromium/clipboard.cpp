#include "devtools/engine/chromium/clipboard.h"

#include "devtools/engine/chromium/page_input.h"

#include <cstring>

namespace {

const char kSelectionScript[] = R"JS((function (cut) {
  var field = document.activeElement;
  if (field && typeof field.value === 'string' && typeof field.selectionStart === 'number') {
    var picked = field.value.substring(field.selectionStart, field.selectionEnd);
    if (cut && picked && !field.readOnly && !field.disabled) document.execCommand('delete');
    return picked;
  }
  var text = String(window.getSelection());
  if (cut && text && field && field.isContentEditable) document.execCommand('delete');
  return text;
}))JS";

std::wstring Replaced(const std::wstring& text, const std::wstring& from, const std::wstring& to) {
    std::wstring out;
    size_t at = 0;
    for (size_t found; (found = text.find(from, at)) != std::wstring::npos; at = found + from.size()) {
        out.append(text, at, found - at).append(to);
    }
    return out.append(text, at, std::wstring::npos);
}

}  // namespace

EditingShortcut EditingShortcutFor(WPARAM virtualKey, int modifiers) {
    const int alt = ProtocolModifiers(true, false, false);
    const int ctrl = ProtocolModifiers(false, true, false);
    const int shift = ProtocolModifiers(false, false, true);
    if (modifiers & alt) return EditingShortcut::None;
    if ((modifiers & ctrl) && !(modifiers & shift)) {
        if (virtualKey == 'C' || virtualKey == VK_INSERT) return EditingShortcut::Copy;
        if (virtualKey == 'X') return EditingShortcut::Cut;
        if (virtualKey == 'V') return EditingShortcut::Paste;
    }
    if ((modifiers & shift) && !(modifiers & ctrl)) {
        if (virtualKey == VK_DELETE) return EditingShortcut::Cut;
        if (virtualKey == VK_INSERT) return EditingShortcut::Paste;
    }
    return EditingShortcut::None;
}

std::string SelectionScript(bool cut) {
    return std::string(kSelectionScript) + (cut ? "(true)" : "(false)");
}

std::wstring ClipboardLines(const std::wstring& pageText) {
    return Replaced(PageLines(pageText), L"\n", L"\r\n");
}

std::wstring PageLines(const std::wstring& clipboardText) {
    return Replaced(clipboardText, L"\r\n", L"\n");
}

bool PutClipboardText(HWND owner, const std::wstring& text) {
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool placed = false;
    if (memory) {
        if (void* data = GlobalLock(memory)) {
            std::memcpy(data, text.c_str(), bytes);
            GlobalUnlock(memory);
            placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
        if (!placed) GlobalFree(memory);  // once placed, the clipboard owns it
    }
    CloseClipboard();
    return placed;
}

bool GetClipboardText(HWND owner, std::wstring* text) {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(owner)) return false;
    bool found = false;
    if (HANDLE memory = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* data = static_cast<const wchar_t*>(GlobalLock(memory))) {
            size_t units = GlobalSize(memory) / sizeof(wchar_t);
            *text = std::wstring(data, wcsnlen(data, units));
            GlobalUnlock(memory);
            found = true;
        }
    }
    CloseClipboard();
    return found;
}
