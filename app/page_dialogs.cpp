#include "app/page_dialogs.h"

#include "app/dialog_template.h"
#include "app/dialogs.h"
#include "app/focus.h"
#include "app/state.h"
#include "app/tooltips.h"

#include <algorithm>
#include <vector>

namespace {

// In dialog units.
constexpr short kWidth = 260;
constexpr short kMargin = 7;
constexpr short kMessageHeight = 48;
constexpr short kFieldHeight = 14;
constexpr short kCheckHeight = 10;
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;
constexpr short kGap = 6;

struct OpenDialog {
    const PageDialog* dialog;
    PageDialogAnswer answer;
    bool messageScrolls;
};

HWND openDialog = nullptr;

bool HasCancel(PageDialogKind kind) { return kind != PageDialogKind::Alert; }

// The items top to bottom: the message, a prompt's field, the check box, the buttons.
DialogTemplate BuildTemplate(PageDialogKind kind, bool offerStop) {
    const bool field = kind == PageDialogKind::Prompt;
    const WORD items = static_cast<WORD>(2 + (field ? 1 : 0) + (offerStop ? 1 : 0) + (HasCancel(kind) ? 1 : 0));
    short y = kMargin + kMessageHeight + kGap;
    const short fieldTop = y;
    if (field) y += kFieldHeight + kGap;
    const short checkTop = y;
    if (offerStop) y += kCheckHeight + kGap;
    const short buttonTop = y;
    const short height = buttonTop + kButtonHeight + kMargin;

    // Placed on Trov's window once its message has its size (FitMessage).
    DialogTemplate dialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, kWidth, height, items,
                                  L"Microsoft YaHei UI");
    const short inner = kWidth - 2 * kMargin;
    dialogTemplate.AddItem(SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, kMargin, kMargin, inner, kMessageHeight,
                        kPageDialogMessageId, kDialogStaticClass);
    if (field) {
        dialogTemplate.AddItem(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, kMargin, fieldTop, inner, kFieldHeight,
                            kPageDialogFieldId, kDialogEditClass);
    }
    if (offerStop) {
        dialogTemplate.AddItem(BS_AUTOCHECKBOX | WS_TABSTOP, kMargin, checkTop, inner, kCheckHeight, kPageDialogStopId,
                            kDialogButtonClass);
    }
    const short right = kWidth - kMargin;
    const short okLeft = HasCancel(kind) ? right - 2 * kButtonWidth - kGap : right - kButtonWidth;
    dialogTemplate.AddItem(BS_DEFPUSHBUTTON | WS_TABSTOP, okLeft, buttonTop, kButtonWidth, kButtonHeight, IDOK,
                        kDialogButtonClass);
    if (HasCancel(kind)) {
        dialogTemplate.AddItem(BS_PUSHBUTTON | WS_TABSTOP, right - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight,
                            IDCANCEL, kDialogButtonClass);
    }
    return dialogTemplate;
}

std::wstring ControlText(HWND control) {
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), length + 1)));
    return text;
}

// The leave question has no message of the page's own (browsers no longer show one).
void SetTexts(HWND hwnd, const PageDialog& dialog) {
    const bool leave = dialog.kind == PageDialogKind::Leave;
    SetWindowTextW(hwnd, dialog.origin.c_str());
    SetDlgItemTextW(hwnd, kPageDialogMessageId,
                    leave ? L"离开此页?\n你所做的更改可能不会保存。" : dialog.message.c_str());
    SetDlgItemTextW(hwnd, kPageDialogFieldId, dialog.defaultText.c_str());
    SetDlgItemTextW(hwnd, kPageDialogStopId, L"阻止此页面再显示对话框，离开此页时也不再询问");
    SetDlgItemTextW(hwnd, IDOK, leave ? L"离开" : L"确定");
    SetDlgItemTextW(hwnd, IDCANCEL, leave ? L"留下" : L"取消");
}

// The height the message's text takes at the control's width, drawn as its static draws it.
int MessageTextHeight(HWND message, int width) {
    const std::wstring text = ControlText(message);
    HDC dc = GetDC(message);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(message, WM_GETFONT, 0, 0)));
    RECT bounds = {0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_EDITCONTROL | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    ReleaseDC(message, dc);
    return bounds.bottom;
}

// A message taller than the work area allows is shown in a read-only edit with a scroll bar in
// the static's place, so that its end can be reached with the wheel, the scroll bar and Ctrl+End.
// Without ES_WANTRETURN, Enter in it still presses the default button.
bool MakeMessageScroll(HWND hwnd) {
    HWND message = GetDlgItem(hwnd, kPageDialogMessageId);
    RECT place;
    GetWindowRect(message, &place);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&place), 2);
    // A page's lines end in LF alone, which edit controls take as line ends too (Windows 10 1809 on).
    const std::wstring text = ControlText(message);
    HWND scrolling = CreateWindowExW(0, L"EDIT", text.c_str(),
                                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY,
                                     place.left, place.top, place.right - place.left, place.bottom - place.top, hwnd,
                                     nullptr, reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd, GWLP_HINSTANCE)),
                                     nullptr);
    if (!scrolling) return false;
    SendMessageW(scrolling, WM_SETFONT, SendMessageW(message, WM_GETFONT, 0, 0), FALSE);
    DestroyWindow(message);
    SetWindowLongPtrW(scrolling, GWLP_ID, kPageDialogMessageId);  // which tools read message boxes by
    return true;
}

// A message longer than its place grows the dialog, as far as the work area allows, so that the
// question at its end can be read before it is answered; longer still, it scrolls. The controls
// below it move down, and the dialog is centred on Trov's window, inside the work area.
// True when the message scrolls.
bool FitMessage(HWND hwnd) {
    HWND message = GetDlgItem(hwnd, kPageDialogMessageId);
    RECT place;
    GetClientRect(message, &place);
    RECT frame;
    GetWindowRect(hwnd, &frame);
    MONITORINFO monitor = {sizeof(monitor), {}, {}, 0};
    GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);  // the owner's: it starts on it
    const RECT& work = monitor.rcWork;
    const int room = (work.bottom - work.top) - (frame.bottom - frame.top);
    const int need = MessageTextHeight(message, place.right) - static_cast<int>(place.bottom);
    const int grow = std::min(need, room);
    if (grow > 0) {
        for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (child == message) continue;
            RECT r;
            GetWindowRect(child, &r);
            MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
            SetWindowPos(child, nullptr, r.left, r.top + grow, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        SetWindowPos(message, nullptr, 0, 0, place.right, place.bottom + grow, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + grow,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const bool scrolls = need > room && MakeMessageScroll(hwnd);
    PlaceOnOwner(hwnd, GetWindow(hwnd, GW_OWNER));
    return scrolls;
}

void Answer(HWND hwnd, OpenDialog* open, int button) {
    open->answer.yes = button == IDOK;
    if (open->answer.yes && open->dialog->kind == PageDialogKind::Prompt) {
        open->answer.text = ControlText(GetDlgItem(hwnd, kPageDialogFieldId));
    }
    open->answer.stopPage = IsDlgButtonChecked(hwnd, kPageDialogStopId) == BST_CHECKED;
    EndDialog(hwnd, button);
}

// Enter is IDOK and Escape (or the caption's close button) IDCANCEL, from the dialog manager.
INT_PTR CALLBACK PageDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* open = reinterpret_cast<OpenDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        openDialog = hwnd;
        open = reinterpret_cast<OpenDialog*>(lParam);
        SetTexts(hwnd, *open->dialog);
        open->messageScrolls = FitMessage(hwnd);
        HWND field = GetDlgItem(hwnd, kPageDialogFieldId);
        if (field) SendMessageW(field, EM_SETSEL, 0, -1);  // typing replaces the suggestion
        // A message that scrolls has the keys (Ctrl+End, Page Down) unless a field wants typing.
        HWND first = open->messageScrolls ? GetDlgItem(hwnd, kPageDialogMessageId) : GetDlgItem(hwnd, IDOK);
        SetFocus(field ? field : first);
        return FALSE;  // the focus is set
    }
    case WM_COMMAND:
        if (open && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
            Answer(hwnd, open, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

PageDialogAnswer ShowPageDialog(HWND owner, const PageDialog& dialog, bool offerStop) {
    const DialogTemplate dialogTemplate = BuildTemplate(dialog.kind, offerStop);
    OpenDialog open{&dialog, {}, false};
    HideToolbarTip();
    // A popup's dialog gives the focus back to the popup, as Windows does for a dialog's owner.
    const bool mainWindow = owner == hMainWnd;
    if (mainWindow) RememberFocus();
    // After the dialog, the key's release would reach the page.
    const HHOOK keys = SetWindowsHookExW(WH_MSGFILTER, WaitForAnswerKeyRelease, nullptr, GetCurrentThreadId());
    DialogBoxIndirectParamW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)),
                            dialogTemplate.Get(), owner, PageDialogProc, reinterpret_cast<LPARAM>(&open));
    UnhookWindowsHookEx(keys);
    openDialog = nullptr;
    if (mainWindow && IsWindow(owner)) RestoreFocus();
    return open.answer;
}

void ClosePageDialog() {
    if (openDialog) EndDialog(openDialog, IDCANCEL);
}

HWND OpenPageDialog() { return openDialog; }
