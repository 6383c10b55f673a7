#include "app/dialogs.h"

#include <algorithm>

namespace {

// The keys that answer a dialog: Enter and Escape through the dialog manager on their press, Space
// through the focused button on its release.
constexpr int kAnswerKeys[] = {VK_RETURN, VK_ESCAPE, VK_SPACE};

constexpr UINT_PTR kReleaseTimer = 0x7E40;
constexpr UINT kReleasePollMs = 10;
// Auto-repeat starts after half a second: a key still down after this is held on purpose, or its
// release went to another window.
constexpr ULONGLONG kLongestWaitMs = 1000;

// One modal dialog at a time: the dialog whose answer waits for its key, the answer, the key, since
// when, and whether the dialog's loop has taken the key's release. A dialog closed meanwhile (its
// page went) leaves nothing waiting for the next one.
HWND waitingDialog = nullptr;
WPARAM waitingCommand = 0;
int waitingKey = 0;
ULONGLONG waitingSince = 0;
bool keyReleased = false;
HHOOK releaseHook = nullptr;

// The answering key down as of the messages this thread has taken, or 0.
int HeldAnswerKey() {
    for (int key : kAnswerKeys) {
        if (GetKeyState(key) < 0) return key;
    }
    return 0;
}

// The dialog's modal loop shows each message to this filter before its controls get it: the
// release itself is watched for, since the key state can be set afresh meanwhile (Wine syncs it
// with the X server's on a focus change).
LRESULT CALLBACK WatchForRelease(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_DIALOGBOX && msg->message == WM_KEYUP && static_cast<int>(msg->wParam) == waitingKey) {
        keyReleased = true;
    }
    return CallNextHookEx(releaseHook, code, wParam, lParam);
}

// The message box being opened and its owner, for the hook that places it.
HWND boxOwner = nullptr;
HHOOK boxHook = nullptr;
WNDPROC boxProc = nullptr;

LRESULT CALLBACK MessageBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC original = boxProc;
    if (message == WM_COMMAND && WaitForAnswerKeyRelease(box, wParam)) return 0;
    if (message == WM_DESTROY) EndAnswerWait(box);
    WPARAM command = 0;
    if (message == WM_TIMER && TakeReleasedAnswer(box, wParam, &command)) {
        return CallWindowProcW(original, box, WM_COMMAND, command, 0);
    }
    return CallWindowProcW(original, box, message, wParam, lParam);
}

// The box is about to be activated, laid out: it is placed and its answers taken over, once.
LRESULT CALLBACK PlaceMessageBox(int code, WPARAM wParam, LPARAM lParam) {
    const HHOOK hook = boxHook;
    if (code == HCBT_ACTIVATE && boxOwner && GetWindow(reinterpret_cast<HWND>(wParam), GW_OWNER) == boxOwner) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        PlaceOnOwner(box, boxOwner);
        boxProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MessageBoxProc)));
        boxOwner = nullptr;
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

POINT CenteredOnOwner(const RECT& owner, SIZE dialog, const RECT& work) {
    const LONG left = owner.left + ((owner.right - owner.left) - dialog.cx) / 2;
    const LONG top = owner.top + ((owner.bottom - owner.top) - dialog.cy) / 2;
    return POINT{std::max(work.left, std::min(left, work.right - dialog.cx)),
                 std::max(work.top, std::min(top, work.bottom - dialog.cy))};
}

void PlaceOnOwner(HWND dialog, HWND owner) {
    RECT frame, ownerFrame;
    if (!owner || !GetWindowRect(dialog, &frame) || !GetWindowRect(owner, &ownerFrame)) return;
    MONITORINFO monitor = {sizeof(monitor), {}, {}, 0};
    GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
    const POINT place = CenteredOnOwner(ownerFrame, SIZE{frame.right - frame.left, frame.bottom - frame.top},
                                        monitor.rcWork);
    SetWindowPos(dialog, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TrovMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    boxOwner = owner;
    boxHook = SetWindowsHookExW(WH_CBT, PlaceMessageBox, nullptr, GetCurrentThreadId());
    const int answer = MessageBoxW(owner, text, caption, type);
    UnhookWindowsHookEx(boxHook);
    boxHook = nullptr;
    boxOwner = nullptr;
    return answer;
}

bool WaitForAnswerKeyRelease(HWND dialog, WPARAM command) {
    if (waitingDialog == dialog && waitingCommand) return true;
    const WORD id = LOWORD(command);
    const int key = HeldAnswerKey();
    if ((id != IDOK && id != IDCANCEL) || !key) return false;
    waitingDialog = dialog;
    waitingCommand = command;
    waitingKey = key;
    waitingSince = GetTickCount64();
    keyReleased = false;
    if (!releaseHook) releaseHook = SetWindowsHookExW(WH_MSGFILTER, WatchForRelease, nullptr, GetCurrentThreadId());
    SetTimer(dialog, kReleaseTimer, kReleasePollMs, nullptr);
    return true;
}

// The wait ends with its dialog, however it ended.
void EndAnswerWait(HWND dialog) {
    if (waitingDialog != dialog) return;
    KillTimer(dialog, kReleaseTimer);
    if (releaseHook) UnhookWindowsHookEx(releaseHook);
    releaseHook = nullptr;
    waitingDialog = nullptr;
    waitingCommand = 0;
}

bool TakeReleasedAnswer(HWND dialog, WPARAM timerId, WPARAM* command) {
    if (timerId != kReleaseTimer || waitingDialog != dialog || !waitingCommand) return false;
    const bool waitIsOver = keyReleased || GetTickCount64() - waitingSince >= kLongestWaitMs;
    if (!waitIsOver) return false;
    *command = waitingCommand;
    EndAnswerWait(dialog);
    return true;
}
