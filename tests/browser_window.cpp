#include "browser_window.h"

#include "app/page_dialogs.h"
#include "app/startup.h"
#include "app/state.h"
#include "constants.h"
#include "reset_program.h"

#include <cstdlib>

namespace {

HWND testWindow = nullptr;
WNDPROC productProc = nullptr;
int paintCount = 0;
int eraseCount = 0;
bool activationBypassed = false;

// Counts what reaches the real window procedure, so tests can tell a repaint from an erase.
LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) ++paintCount;
    if (message == WM_ERASEBKGND) ++eraseCount;
    if (message == WM_ACTIVATE && activationBypassed) return DefWindowProcW(hwnd, message, wParam, lParam);
    return CallWindowProcW(productProc, hwnd, message, wParam, lParam);
}

void EnsureProcessStarted() {
    static bool started = false;
    if (started) return;
    started = true;
    StartProcessFacilities();
    RegisterBrowserClass(GetModuleHandleW(nullptr));
}

// WM_DESTROY posts the quit message; a test's loop has no use for it.
void DrainQuit() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

std::vector<CaughtMessageBox> caughtBoxes;
int caughtTotal = 0;
HHOOK cbtHook = nullptr;

LRESULT CALLBACK CatchBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t className[32] = {};
        GetClassNameW(box, className, 32);
        if (std::wstring(className) == L"#32770") {
            wchar_t text[512] = {}, caption[512] = {};
            GetWindowTextW(GetDlgItem(box, 0xFFFF), text, 512);
            GetWindowTextW(box, caption, 512);
            RECT rect = {};
            GetWindowRect(box, &rect);
            caughtBoxes.push_back({text, caption, GetWindow(box, GW_OWNER), rect});
            ++caughtTotal;
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(cbtHook, code, wParam, lParam);
}

POINT ScreenPoint(HWND hwnd, int clientX, int clientY) {
    POINT pt = {clientX, clientY};
    ClientToScreen(hwnd, &pt);
    return pt;
}

}  // namespace

void BrowserWindowTest::SetUp() {
    EnsureProcessStarted();
    engine_double::Reset();
    ResetProgramForTesting();
    if (openWindowInSetUp_) OpenWindow();
}

void BrowserWindowTest::TearDown() {
    activationBypassed = false;
    if (testWindow && IsWindow(testWindow)) DestroyWindow(testWindow);
    testWindow = nullptr;
    engine_double::PumpMessages();
    DrainQuit();
    // Whatever the test did, no engine object was closed or let go inside one of its own events.
    EXPECT_EQ(engine_double::CountCalls(L"Reentrant"), 0) << engine_double::LastCall(L"Reentrant");
    engine_double::Reset();
    ResetProgramForTesting();
}

void BrowserWindowTest::OpenWindow(int showCommand) {
    testWindow = CreateBrowserWindow(GetModuleHandleW(nullptr));
    productProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(testWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
    ShowWindow(testWindow, showCommand);
    UpdateWindow(testWindow);
    SetForegroundWindow(testWindow);
    engine_double::PumpMessages();
    ResetMessageCounts();
}

void BrowserWindowTest::StartEngine() {
    ASSERT_TRUE(engine_double::CompleteEnvironment());
    ASSERT_TRUE(PumpUntil([] { return engine_double::ControllerRequested(); }));
    ASSERT_TRUE(engine_double::CompleteController());
    ASSERT_TRUE(PumpUntil([] { return webviewReady; }));
}

void BrowserWindowTest::SetClientSize(int width, int height) {
    RECT r = {0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(testWindow, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(testWindow, GWL_EXSTYLE)));
    SetWindowPos(testWindow, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOMOVE);
    engine_double::PumpMessages();
}

int BrowserWindowTest::ClientWidth() const {
    RECT rc;
    GetClientRect(testWindow, &rc);
    return rc.right;
}

void BrowserWindowTest::BypassActivationHandling() { activationBypassed = true; }

int BrowserWindowTest::paints() const { return paintCount; }
int BrowserWindowTest::erases() const { return eraseCount; }
void BrowserWindowTest::ResetMessageCounts() { paintCount = eraseCount = 0; }
HWND BrowserWindowTest::window() const { return testWindow; }

std::wstring BoundsCall(int left, int top, int right, int bottom) {
    return L"put_Bounds " + std::to_wstring(left) + L" " + std::to_wstring(top) + L" " + std::to_wstring(right) +
           L" " + std::to_wstring(bottom);
}

std::wstring BoundsCall(HWND hwnd, int top) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    return BoundsCall(0, top, rc.right, rc.bottom);
}

std::wstring AddressBarText() {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hAddressBar)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hAddressBar, &text[0], static_cast<int>(text.size()))));
    return text;
}

LPARAM PointParam(int x, int y) { return MAKELPARAM(x, y); }

void Click(HWND hwnd, int x, int y) { SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(x, y)); }

MessageBoxCatcher::MessageBoxCatcher() {
    caughtBoxes.clear();
    caughtTotal = 0;
    cbtHook = SetWindowsHookExW(WH_CBT, CatchBoxes, nullptr, GetCurrentThreadId());
}
MessageBoxCatcher::~MessageBoxCatcher() {
    UnhookWindowsHookEx(cbtHook);
    cbtHook = nullptr;
}
const std::vector<CaughtMessageBox>& MessageBoxCatcher::boxes() const { return caughtBoxes; }
int MessageBoxCatcher::total() const { return caughtTotal; }
void MessageBoxCatcher::Clear() { caughtBoxes.clear(); }

// The dialog as a person sees it: the lines of its font that the message's place holds, every
// other control below the message and inside the dialog, the dialog inside the work area.
void SeeLayout(HWND dialog, SeenPageDialog& seen) {
    HWND message = GetDlgItem(dialog, kPageDialogMessageId);
    RECT line = {0, 0, 0, 8}, place, frame, r;  // 8 vertical dialog units: the font's height
    MapDialogRect(dialog, &line);
    GetWindowRect(message, &place);
    GetWindowRect(dialog, &frame);
    seen.linesShown = (place.bottom - place.top) / line.bottom;
    seen.laidOut = true;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        GetWindowRect(child, &r);
        if (child != message && (r.top < place.bottom || r.bottom > frame.bottom)) seen.laidOut = false;
    }
    MONITORINFO monitor = {sizeof(monitor), {}, {}, 0};
    GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor);
    seen.onScreen = frame.top >= monitor.rcWork.top && frame.bottom <= monitor.rcWork.bottom;
    RECT owner;
    GetWindowRect(GetWindow(dialog, GW_OWNER), &owner);
    const LONG across = (frame.left + frame.right) - (owner.left + owner.right);
    const LONG down = (frame.top + frame.bottom) - (owner.top + owner.bottom);
    seen.onOwner = std::abs(across) <= 2 && (std::abs(down) <= 2 || frame.bottom - frame.top > owner.bottom - owner.top);
}

namespace {

std::vector<PageDialogStep> answerSteps;
std::vector<SeenPageDialog> seenDialogs;
HWND answeredDialog = nullptr;
UINT_PTR answerTimer = 0;

std::wstring ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return text;
}


// A long message scrolls: it has a scroll bar, and the wheel and the scroll bar move it on.
bool ScrollsToEnd(HWND dialog) {
    HWND message = GetDlgItem(dialog, kPageDialogMessageId);
    SendMessageW(message, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    const LRESULT wheeled = SendMessageW(message, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageW(message, WM_VSCROLL, SB_BOTTOM, 0);
    return (GetWindowLongPtrW(message, GWL_STYLE) & WS_VSCROLL) && wheeled > 0 &&
           SendMessageW(message, EM_GETFIRSTVISIBLELINE, 0, 0) > wheeled;
}

void CALLBACK AnswerOpenDialog(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = OpenPageDialog();
    if (!dialog || dialog == answeredDialog || seenDialogs.size() >= answerSteps.size()) return;
    answeredDialog = dialog;
    SeenPageDialog seen;
    std::wstring caption(256, L'\0');
    caption.resize(static_cast<size_t>(GetWindowTextW(dialog, caption.data(), 256)));
    seen.caption = caption;
    seen.message = ItemText(dialog, kPageDialogMessageId);
    seen.hasField = GetDlgItem(dialog, kPageDialogFieldId) != nullptr;
    seen.field = ItemText(dialog, kPageDialogFieldId);
    seen.ok = ItemText(dialog, IDOK);
    seen.cancel = ItemText(dialog, IDCANCEL);
    seen.stopOffered = GetDlgItem(dialog, kPageDialogStopId) != nullptr;
    SeeLayout(dialog, seen);
    seen.scrollsToEnd = ScrollsToEnd(dialog);
    const PageDialogStep& step = answerSteps[seenDialogs.size()];
    seenDialogs.push_back(seen);
    if (step.act) {
        step.act();
        return;
    }
    if (!step.type.empty()) SetDlgItemTextW(dialog, kPageDialogFieldId, step.type.c_str());
    if (step.checkStop) CheckDlgButton(dialog, kPageDialogStopId, BST_CHECKED);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(step.button, BN_CLICKED), 0);
}

}  // namespace

PageDialogAnswerer::PageDialogAnswerer(std::initializer_list<PageDialogStep> steps) {
    answerSteps.assign(steps);
    seenDialogs.clear();
    answeredDialog = nullptr;
    answerTimer = SetTimer(nullptr, 0, 10, AnswerOpenDialog);
}
PageDialogAnswerer::~PageDialogAnswerer() { KillTimer(nullptr, answerTimer); }
const std::vector<SeenPageDialog>& PageDialogAnswerer::seen() const { return seenDialogs; }

void MovePointerTo(HWND hwnd, int clientX, int clientY) {
    const POINT pt = ScreenPoint(hwnd, clientX, clientY);
    SetCursorPos(pt.x, pt.y);
    engine_double::PumpMessages();
}

void MovePointerOffWindow(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    SetCursorPos(r.right + 20, r.bottom + 20);
    engine_double::PumpMessages();
}

// The press carries its own position: under Wine a late echo of an earlier pointer warp could
// otherwise land between a separate move and the press, and the press would hit the old spot.
void RealClick(HWND hwnd, int clientX, int clientY) {
    const POINT pt = ScreenPoint(hwnd, clientX, clientY);
    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = (pt.x * 65536 + w - 1) / w;  // scales back to exactly pt.x
        input.mi.dy = (pt.y * 65536 + h - 1) / h;
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    }
    inputs[0].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

void PressChord(const std::vector<WORD>& keys) {
    std::vector<INPUT> inputs(keys.size() * 2);
    for (size_t i = 0; i < keys.size(); ++i) {
        inputs[i].type = inputs[inputs.size() - 1 - i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = inputs[inputs.size() - 1 - i].ki.wVk = keys[i];
        inputs[inputs.size() - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void PressKey(WORD virtualKey, bool extended) {
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.dwFlags = extended ? KEYEVENTF_EXTENDEDKEY : 0;
    }
    inputs[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

IAccessible* ClientAccessible(HWND hwnd, bool signExtended) {
    const LPARAM id = signExtended ? static_cast<LPARAM>(OBJID_CLIENT)
                                   : static_cast<LPARAM>(static_cast<DWORD>(OBJID_CLIENT));
    const LRESULT reference = SendMessageW(hwnd, WM_GETOBJECT, 0, id);
    if (reference <= 0) return nullptr;
    IAccessible* object = nullptr;
    if (FAILED(ObjectFromLresult(reference, kIidAccessible, 0, reinterpret_cast<void**>(&object)))) return nullptr;
    return object;
}

VARIANT ChildVariant(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

AccessibleChild ReadChild(IAccessible* object, long id) {
    AccessibleChild child = {};
    BSTR name = nullptr;
    child.result = object->get_accName(ChildVariant(id), &name);
    if (name) child.name = name;
    SysFreeString(name);
    VARIANT value;
    VariantInit(&value);
    if (object->get_accRole(ChildVariant(id), &value) == S_OK && value.vt == VT_I4) child.role = value.lVal;
    VariantClear(&value);
    if (object->get_accState(ChildVariant(id), &value) == S_OK && value.vt == VT_I4) child.state = value.lVal;
    VariantClear(&value);
    long left = 0, top = 0, width = 0, height = 0;
    object->accLocation(&left, &top, &width, &height, ChildVariant(id));
    child.location = RECT{left, top, left + width, top + height};
    return child;
}
