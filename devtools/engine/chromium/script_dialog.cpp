#include "devtools/engine/chromium/script_dialog.h"

#include "app/dialog_template.h"

#include <vector>

namespace {

// The prompt's controls; the message has the id a message box gives its text, so that tools that
// read message boxes read this one too.
const WORD kMessageId = 0xFFFF;
const WORD kFieldId = 1000;

struct PromptState {
    const ScriptDialogRequest* request;
    std::wstring text;
};

std::wstring ControlText(HWND control) {
    int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, &text[0], length + 1)));
    return text;
}

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* state = reinterpret_cast<PromptState*>(lParam);
        SetWindowTextW(dialog, state->request->caption.c_str());
        SetDlgItemTextW(dialog, kMessageId, state->request->message.c_str());
        SetDlgItemTextW(dialog, kFieldId, state->request->defaultPrompt.c_str());
        SetDlgItemTextW(dialog, IDOK, L"OK");
        SetDlgItemTextW(dialog, IDCANCEL, L"Cancel");
        HWND field = GetDlgItem(dialog, kFieldId);
        SendMessageW(field, EM_SETSEL, 0, -1);  // typing replaces the suggestion
        SetFocus(field);
        return FALSE;  // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            auto* state = reinterpret_cast<PromptState*>(GetWindowLongPtrW(dialog, DWLP_USER));
            if (LOWORD(wParam) == IDOK) state->text = ControlText(GetDlgItem(dialog, kFieldId));
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

ScriptDialogAnswer ShowPrompt(HWND owner, const ScriptDialogRequest& request) {
    DialogTemplate dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 260, 84, 4, L"MS Shell Dlg");
    dialog.AddItem(SS_LEFT | SS_NOPREFIX, 8, 8, 244, 28, kMessageId, kDialogStaticClass);
    dialog.AddItem(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 8, 40, 244, 14, kFieldId, kDialogEditClass);
    dialog.AddItem(WS_TABSTOP | BS_DEFPUSHBUTTON, 146, 62, 50, 14, IDOK, kDialogButtonClass);
    dialog.AddItem(WS_TABSTOP | BS_PUSHBUTTON, 202, 62, 50, 14, IDCANCEL, kDialogButtonClass);
    PromptState state = {&request, std::wstring()};
    INT_PTR closed = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner, PromptProc,
                                             reinterpret_cast<LPARAM>(&state));
    ScriptDialogAnswer answer;
    answer.accepted = closed == IDOK;
    if (answer.accepted) answer.text = state.text;
    return answer;
}

}  // namespace

std::string OriginOf(const std::string& url) {
    size_t colon = url.find(':');
    if (colon == std::string::npos) return url;
    if (url.compare(colon, 3, "://") != 0) return url.substr(0, colon + 1);
    size_t end = url.find_first_of("/?#", colon + 3);
    return url.substr(0, end);
}

std::wstring ScriptDialogText(const ScriptDialogRequest& request) {
    // A browser no longer shows the page's own text in its leave question.
    if (request.type == "beforeunload") return L"Leave this page? Changes you made may not be saved.";
    return request.message;
}

ScriptDialogAnswer ShowScriptDialog(HWND owner, const ScriptDialogRequest& request) {
    if (request.type == "prompt") return ShowPrompt(owner, request);
    UINT buttons = request.type == "alert" ? MB_OK : MB_OKCANCEL;
    int pressed = MessageBoxW(owner, ScriptDialogText(request).c_str(), request.caption.c_str(), buttons);
    ScriptDialogAnswer answer;
    answer.accepted = pressed == IDOK;
    return answer;
}
