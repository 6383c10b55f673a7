#include "app/dialogs.h"

#include <algorithm>

namespace {

// A key still down after this is held on purpose, or its release went to another window.
constexpr ULONGLONG kLongestWaitMs = 1000;
constexpr DWORD kReleasePollMs = 50;
constexpr LPARAM kWasDownBit = LPARAM(1) << 30;  // key data: an auto-repeat

// Takes the key's release from the queue, with its auto-repeats and any key pressed meanwhile: after
// the dialog, they would reach the window that has the focus then, the page's on Windows.
void TakeRelease(WPARAM key) {
    for (const ULONGLONG deadline = GetTickCount64() + kLongestWaitMs; GetTickCount64() < deadline;) {
        MSG msg;
        if (!PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kReleasePollMs, QS_KEY);
        } else if (msg.message == WM_KEYUP && msg.wParam == key) {
            return;
        }
    }
}

// The message box being opened and its owner, for the hook that places it.
HWND boxOwner = nullptr;
HHOOK boxHook = nullptr;

// The box is about to be activated, laid out: it is placed, once.
LRESULT CALLBACK PlaceMessageBox(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && boxOwner && GetWindow(reinterpret_cast<HWND>(wParam), GW_OWNER) == boxOwner) {
        PlaceOnOwner(reinterpret_cast<HWND>(wParam), boxOwner);
        boxOwner = nullptr;
    }
    return CallNextHookEx(boxHook, code, wParam, lParam);
}

}  // namespace

// The dialog manager shows each message of its loop to this filter before it acts on it.
LRESULT CALLBACK WaitForAnswerKeyRelease(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_DIALOGBOX && msg->message == WM_KEYDOWN && !(msg->lParam & kWasDownBit) &&
        (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
        TakeRelease(msg->wParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

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
    const HHOOK keys = SetWindowsHookExW(WH_MSGFILTER, WaitForAnswerKeyRelease, nullptr, GetCurrentThreadId());
    const int answer = MessageBoxW(owner, text, caption, type);
    UnhookWindowsHookEx(keys);
    UnhookWindowsHookEx(boxHook);
    boxHook = nullptr;
    boxOwner = nullptr;
    return answer;
}
