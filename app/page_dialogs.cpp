#include "app/page_dialogs.h"

#include "app/focus.h"
#include "app/tooltips.h"

#include <algorithm>
#include <vector>

namespace {

// A loop of dialogs shows its next one as soon as the last is answered; a person who reads a
// page's message and then acts on the page takes longer than this before the page asks again.
constexpr ULONGLONG kQuickSuccessionMs = 3000;

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

// In dialog units.
constexpr short kWidth = 260;
constexpr short kMargin = 7;
constexpr short kMessageHeight = 48;
constexpr short kFieldHeight = 14;
constexpr short kCheckHeight = 10;
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;
constexpr short kGap = 6;

// A dialog template in memory: the DLGTEMPLATE header, then each item on a DWORD boundary. Texts
// are set when the dialog opens.
class DialogTemplate {
public:
    void Header(DWORD style, WORD items, short height) {
        AddDword(style);
        AddDword(0);
        words_.push_back(items);
        AddShorts(0, 0, kWidth, height);
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the standard dialog class
        words_.push_back(0);  // no title
        words_.push_back(9);  // DS_SETFONT: the interface's font, in points
        for (const wchar_t* face = L"Microsoft YaHei UI"; *face; ++face) words_.push_back(*face);
        words_.push_back(0);
    }
    void Item(DWORD style, short x, short y, short width, short height, WORD id, WORD atom) {
        if (words_.size() % 2) words_.push_back(0);
        AddDword(style | WS_CHILD | WS_VISIBLE);
        AddDword(0);
        AddShorts(x, y, width, height);
        words_.push_back(id);
        words_.push_back(0xFFFF);
        words_.push_back(atom);
        words_.push_back(0);  // no text
        words_.push_back(0);  // no creation data
    }
    // The vector's storage comes from operator new, aligned for any object: the header starts on
    // a DWORD boundary as the template must.
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void AddDword(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void AddShorts(short x, short y, short width, short height) {
        for (short value : {x, y, width, height}) words_.push_back(static_cast<WORD>(value));
    }
    std::vector<WORD> words_;
};

struct OpenDialog {
    const PageDialog* dialog;
    PageDialogAnswer answer;
};

HWND openDialog = nullptr;

bool HasCancel(PageDialogKind kind) { return kind != PageDialogKind::Alert; }

// The items top to bottom: the message, a prompt's field, the check box, the buttons.
void BuildTemplate(DialogTemplate& dialogTemplate, PageDialogKind kind, bool offerStop) {
    const bool field = kind == PageDialogKind::Prompt;
    const WORD items = static_cast<WORD>(2 + (field ? 1 : 0) + (offerStop ? 1 : 0) + (HasCancel(kind) ? 1 : 0));
    short y = kMargin + kMessageHeight + kGap;
    const short fieldTop = y;
    if (field) y += kFieldHeight + kGap;
    const short checkTop = y;
    if (offerStop) y += kCheckHeight + kGap;
    const short buttonTop = y;
    const short height = buttonTop + kButtonHeight + kMargin;

    dialogTemplate.Header(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT, items, height);
    const short inner = kWidth - 2 * kMargin;
    dialogTemplate.Item(SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, kMargin, kMargin, inner, kMessageHeight,
                        kPageDialogMessageId, kStaticClass);
    if (field) {
        dialogTemplate.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, kMargin, fieldTop, inner, kFieldHeight,
                            kPageDialogFieldId, kEditClass);
    }
    if (offerStop) {
        dialogTemplate.Item(BS_AUTOCHECKBOX | WS_TABSTOP, kMargin, checkTop, inner, kCheckHeight, kPageDialogStopId,
                            kButtonClass);
    }
    const short right = kWidth - kMargin;
    const short okLeft = HasCancel(kind) ? right - 2 * kButtonWidth - kGap : right - kButtonWidth;
    dialogTemplate.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, okLeft, buttonTop, kButtonWidth, kButtonHeight, IDOK,
                        kButtonClass);
    if (HasCancel(kind)) {
        dialogTemplate.Item(BS_PUSHBUTTON | WS_TABSTOP, right - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight,
                            IDCANCEL, kButtonClass);
    }
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
    SetDlgItemTextW(hwnd, kPageDialogStopId, L"阻止此页面再显示对话框");
    SetDlgItemTextW(hwnd, IDOK, leave ? L"离开" : L"确定");
    SetDlgItemTextW(hwnd, IDCANCEL, leave ? L"留下" : L"取消");
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
        HWND field = GetDlgItem(hwnd, kPageDialogFieldId);
        if (field) SendMessageW(field, EM_SETSEL, 0, -1);  // typing replaces the suggestion
        SetFocus(field ? field : GetDlgItem(hwnd, IDOK));
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
    DialogTemplate dialogTemplate;
    BuildTemplate(dialogTemplate, dialog.kind, offerStop);
    OpenDialog open{&dialog, {}};
    HideToolbarTip();
    RememberFocus();
    DialogBoxIndirectParamW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)),
                            dialogTemplate.Get(), owner, PageDialogProc, reinterpret_cast<LPARAM>(&open));
    openDialog = nullptr;
    if (IsWindow(owner)) RestoreFocus();
    return open.answer;
}

void ClosePageDialog() {
    if (openDialog) EndDialog(openDialog, IDCANCEL);
}

HWND OpenPageDialog() { return openDialog; }

bool OffersToStopDialogs(bool pageHadDialog, ULONGLONG sinceLastAnswerMs) {
    return pageHadDialog && sinceLastAnswerMs < kQuickSuccessionMs;
}

std::wstring OriginOf(const std::wstring& uri) {
    const size_t schemeEnd = uri.find(L"://");
    // about:, data: and the like have no host: the scheme alone, rather than a page's whole text.
    if (schemeEnd == std::wstring::npos) return uri.substr(0, uri.find(L':') + 1);
    const size_t hostStart = schemeEnd + 3;
    const size_t hostEnd = std::min(uri.find_first_of(L"/?#", hostStart), uri.size());
    std::wstring authority = uri.substr(hostStart, hostEnd - hostStart);
    const size_t at = authority.rfind(L'@');
    if (at != std::wstring::npos) authority.erase(0, at + 1);
    return uri.substr(0, hostStart) + authority;
}
