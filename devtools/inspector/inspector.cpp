// trov_inspector: finds the Trov window by class and title and reports what a person would see.
//   info                  rectangles, address bar text and rectangle, focus, window state, the
//                         full-screen hint's text and rectangle while it shows
//   wait-window MS        exits 0 once the window is visible, 1 after MS milliseconds
//   wait-page MS          exits 0 once the address bar shows a URL, 1 after MS milliseconds
//   messagebox            the text and caption of an open message box (or other dialog) owned by the
//                         window, its and its text's rectangles on the screen, its edit field's text
//                         if any, and for a message that scrolls whether its end is in view
//   dismiss-messagebox    presses OK on that message box
//   press-messagebox B    presses its button B: ok or cancel, or reopen (the question about a page
//                         that does not answer)
//   restore               restores the window from minimised or maximised
//   minimize              minimises the window, as its taskbar button does (also in full screen)
//   resize W H            sets the window's outer size to W by H
//   accessible            the client area's children as a screen reader reads them, one line each:
//                         child=ID role=R state=S name=N location=L T W H (object=1: an object of its own)
//   accessible-press NAME presses the child of that name by its default action
//   tooltip               the text and screen rectangle of a tooltip shown for the window
//   page-fullscreen 0|1   makes an element of the development engine's simulated page leave or
//                         enter full screen, as its exitFullscreen and requestFullscreen
//   page-unresponsive 0|1 makes the development engine's page stop answering (1) or answer again
//   end-session           sends WM_QUERYENDSESSION, then WM_ENDSESSION with the window's answer, as
//                         the Restart Manager does (ENDSESSION_CLOSEAPP), and prints the answer
//   clipboard FILE        puts the text of the UTF-8 file on the clipboard, for a paste
//   close                 asks the window to close, as its close button does
//   move X Y              moves the window's top-left corner to X, Y on the screen
#include "addressbar/address_bar.h"
#include "app/unresponsive_page.h"
#include "app/window.h"
#include "devtools/utf8.h"

#include <windows.h>
#include <oleacc.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HWND FindBrowser() { return FindWindowW(kWindowClassName, kWindowTitle); }

HWND FindAddressBar(HWND browser) { return GetDlgItem(browser, ID_ADDRESS_BAR); }

std::wstring WindowText(HWND hwnd) {
    // WM_GETTEXT works across processes, unlike GetWindowTextW on another process's edit control.
    LRESULT length = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = SendMessageW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::string ClassOf(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return ToUtf8(name);
}

void PrintRect(const char* name, const RECT& r) {
    std::printf("%s=%ld %ld %ld %ld\n", name, r.left, r.top, r.right, r.bottom);
}

const char* FocusName(HWND browser, HWND focus) {
    if (!focus) return "none";
    if (focus == browser) return "main";
    if (focus == FindAddressBar(browser)) return "addressbar";
    if (GetParent(focus) == browser) return "page";
    return "other";
}

int Info() {
    HWND browser = FindBrowser();
    if (!browser) {
        std::printf("window=none\n");
        return 1;
    }
    RECT window, client;
    GetWindowRect(browser, &window);
    GetClientRect(browser, &client);
    std::printf("window=found\nclass=%s\n", ClassOf(browser).c_str());
    PrintRect("rect", window);
    PrintRect("client", client);
    std::printf("zoomed=%d\niconic=%d\nvisible=%d\n", IsZoomed(browser) ? 1 : 0, IsIconic(browser) ? 1 : 0,
                IsWindowVisible(browser) ? 1 : 0);
    std::printf("screen=%d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    HWND bar = FindAddressBar(browser);
    if (bar) {
        RECT r;
        GetWindowRect(bar, &r);
        MapWindowPoints(nullptr, browser, reinterpret_cast<POINT*>(&r), 2);
        PrintRect("addressbar", r);
        std::printf("addressbar_text=%s\n", ToUtf8(WindowText(bar)).c_str());
    }
    // The hint that full screen by F11 shows, owned by the window.
    for (HWND w = FindWindowW(L"TrovFullScreenHint", nullptr); w; w = FindWindowExW(nullptr, w, L"TrovFullScreenHint", nullptr)) {
        if (GetWindow(w, GW_OWNER) != browser || !IsWindowVisible(w)) continue;
        std::printf("fullscreen_hint=%s\n", ToUtf8(WindowText(w)).c_str());
        RECT r;
        GetWindowRect(w, &r);
        PrintRect("fullscreen_hint_rect", r);
    }
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof(gui);
    GetGUIThreadInfo(GetWindowThreadProcessId(browser, nullptr), &gui);
    std::printf("focus=%s\n", FocusName(browser, gui.hwndFocus));
    // The page is the engine's child window, any child other than the address bar.
    for (HWND child = GetWindow(browser, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == bar) continue;
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, browser, reinterpret_cast<POINT*>(&r), 2);
        PrintRect("page", r);
        std::printf("page_visible=%d\n", IsWindowVisible(child) ? 1 : 0);
    }
    return 0;
}

template <class Condition>
int WaitFor(int timeoutMs, Condition condition) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    while (GetTickCount64() < deadline) {
        if (condition()) return 0;
        Sleep(50);
    }
    return 1;
}

HWND FindMessageBox(HWND browser) {
    HWND found = nullptr;
    for (HWND w = FindWindowW(L"#32770", nullptr); w; w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
        if (GetWindow(w, GW_OWNER) == browser && IsWindowVisible(w)) found = w;
    }
    return found;
}

// The first edit control of a dialog, if it has one.
HWND FindEdit(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        // The message of a page's long dialog is a read-only edit too, with the text's id.
        if (ClassOf(child) == "Edit" && GetDlgCtrlID(child) != 0xFFFF) return child;
    }
    return nullptr;
}

// A message box's text is its static control (id 0xFFFF).
int MessageBoxInfo() {
    HWND box = FindMessageBox(FindBrowser());
    if (!box) {
        std::printf("messagebox=none\n");
        return 1;
    }
    HWND text = GetDlgItem(box, 0xFFFF);
    std::printf("messagebox=found\ncaption=%s\ntext=%s\n", ToUtf8(WindowText(box)).c_str(),
                ToUtf8(WindowText(text)).c_str());
    RECT r;
    if (text && GetWindowRect(text, &r)) PrintRect("text_rect", r);
    if (GetWindowRect(box, &r)) PrintRect("rect", r);
    if (text && ClassOf(text) == "Edit") {
        // Whether the message's last character lies in its client area: it has been scrolled to.
        const LRESULT length = SendMessageW(text, WM_GETTEXTLENGTH, 0, 0);
        const LRESULT at = SendMessageW(text, EM_POSFROMCHAR, static_cast<WPARAM>(length > 0 ? length - 1 : 0), 0);
        RECT client;
        GetClientRect(text, &client);
        const int y = static_cast<short>(HIWORD(at));
        std::printf("text_end_visible=%d\n", at != -1 && y >= 0 && y < client.bottom ? 1 : 0);
    }
    if (HWND edit = FindEdit(box)) std::printf("edit=%s\n", ToUtf8(WindowText(edit)).c_str());
    return 0;
}

int PressMessageBoxButton(int id) {
    HWND box = FindMessageBox(FindBrowser());
    if (!box) return 1;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
    return 0;
}

// A minimised window cannot be brought back by the pointer in a virtual desktop without a taskbar.
int Restore() {
    HWND browser = FindBrowser();
    if (!browser) return 1;
    ShowWindow(browser, SW_RESTORE);
    SetForegroundWindow(browser);
    return 0;
}

int Minimize() {
    HWND browser = FindBrowser();
    if (!browser) return 1;
    ShowWindow(browser, SW_MINIMIZE);
    return 0;
}

int Resize(int width, int height) {
    HWND browser = FindBrowser();
    if (!browser || width <= 0 || height <= 0) return 1;
    return SetWindowPos(browser, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER) ? 0 : 1;
}

// Makes the development engine behind the page fail as if one of its processes died (kind as the
// engine's process-failed kinds number them); posted, so the inspector never waits on the browser.
int FailProcess(int kind) {
    HWND browser = FindBrowser();
    HWND page = browser ? FindWindowExW(browser, nullptr, L"TrovDevEnginePage", nullptr) : nullptr;
    if (!page) return 1;
    const UINT message = RegisterWindowMessageW(L"TrovEngineSimulateProcessFailure");
    return PostMessageW(page, message, static_cast<WPARAM>(kind), 0) ? 0 : 1;
}

// Posts one of the development engine's registered messages to its page window.
int PostToPage(const wchar_t* name, WPARAM wParam) {
    HWND browser = FindBrowser();
    HWND page = browser ? FindWindowExW(browser, nullptr, L"TrovDevEnginePage", nullptr) : nullptr;
    if (!page) return 1;
    return PostMessageW(page, RegisterWindowMessageW(name), wParam, 0) ? 0 : 1;
}

int Move(int x, int y) {
    HWND browser = FindBrowser();
    return browser && SetWindowPos(browser, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) ? 0 : 1;
}

int Close() {
    HWND browser = FindBrowser();
    return browser && PostMessageW(browser, WM_CLOSE, 0, 0) ? 0 : 1;
}

int EndSession() {
    HWND browser = FindBrowser();
    if (!browser) return 1;
    DWORD_PTR agreed = 0;
    if (!SendMessageTimeoutW(browser, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000, &agreed)) {
        return 1;
    }
    std::printf("query=%d\n", agreed ? 1 : 0);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(browser, WM_ENDSESSION, agreed ? TRUE : FALSE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000,
                        &ignored);
    return 0;
}

int Tooltip() {
    HWND browser = FindBrowser();
    for (HWND w = FindWindowW(L"tooltips_class32", nullptr); w; w = FindWindowExW(nullptr, w, L"tooltips_class32", nullptr)) {
        if (GetWindow(w, GW_OWNER) != browser || !IsWindowVisible(w)) continue;
        RECT r;
        GetWindowRect(w, &r);
        std::printf("tooltip=found\ntext=%s\n", ToUtf8(WindowText(w)).c_str());
        PrintRect("rect", r);
        return 0;
    }
    std::printf("tooltip=none\n");
    return 1;
}

// Our own copy: with the static link, the library's IID_IAccessible is the DLL's import entry.
constexpr IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

VARIANT ChildId(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::string TakeText(BSTR text) {
    std::string utf8 = text ? ToUtf8(text) : std::string();
    SysFreeString(text);
    return utf8;
}

// One child's line; a failed call prints its HRESULT in place of the value.
void PrintChild(IAccessible* object, long id, long printedId, bool ownObject) {
    const VARIANT child = ChildId(id);
    std::printf("child=%ld", printedId);
    if (ownObject) std::printf(" object=1");
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = object->get_accRole(child, &value);
    if (hr == S_OK && value.vt == VT_I4) std::printf(" role=%ld", value.lVal);
    else std::printf(" role=error:0x%08lx", static_cast<unsigned long>(hr));
    VariantClear(&value);
    hr = object->get_accState(child, &value);
    if (hr == S_OK && value.vt == VT_I4) std::printf(" state=%ld", value.lVal);
    else std::printf(" state=error:0x%08lx", static_cast<unsigned long>(hr));
    VariantClear(&value);
    long left = 0, top = 0, width = 0, height = 0;
    hr = object->accLocation(&left, &top, &width, &height, child);
    if (hr == S_OK) std::printf(" location=%ld %ld %ld %ld", left, top, width, height);
    else std::printf(" location=error:0x%08lx", static_cast<unsigned long>(hr));
    BSTR name = nullptr;
    hr = object->get_accName(child, &name);
    if (hr == S_OK) std::printf(" name=%s\n", TakeText(name).c_str());
    else std::printf(" name=error:0x%08lx\n", static_cast<unsigned long>(hr));
}

// Reads the client area's object as a screen reader does, from this other process; with a name,
// presses the child of that name instead.
int Accessible(const std::wstring& pressName) {
    HWND browser = FindBrowser();
    if (!browser) return 1;
    IAccessible* client = nullptr;
    HRESULT hr = AccessibleObjectFromWindow(browser, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                            reinterpret_cast<void**>(&client));
    if (FAILED(hr) || !client) {
        std::printf("accessible=error:0x%08lx\n", static_cast<unsigned long>(hr));
        return 1;
    }
    long count = 0;
    hr = client->get_accChildCount(&count);
    std::printf("accessible=found\nchildren=%ld\n", count);
    int result = pressName.empty() ? 0 : 1;
    for (long id = 1; id <= count; ++id) {
        IDispatch* dispatch = nullptr;
        IAccessible* own = nullptr;
        if (client->get_accChild(ChildId(id), &dispatch) == S_OK && dispatch) {
            dispatch->QueryInterface(kIidAccessible, reinterpret_cast<void**>(&own));
            dispatch->Release();
        }
        if (pressName.empty()) {
            PrintChild(own ? own : client, own ? CHILDID_SELF : id, id, own != nullptr);
        } else if (!own) {
            BSTR name = nullptr;
            if (client->get_accName(ChildId(id), &name) == S_OK && FromUtf8(TakeText(name)) == pressName) {
                hr = client->accDoDefaultAction(ChildId(id));
                std::printf("pressed=%ld result=0x%08lx\n", id, static_cast<unsigned long>(hr));
                result = hr == S_OK ? 0 : 1;
            }
        }
        if (own) own->Release();
    }
    client->Release();
    return result;
}

}  // namespace

// The clipboard owns the memory once SetClipboardData succeeds; before, it is ours to free.
int PutOnClipboard(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return 2;
    std::string bytes;
    char chunk[4096];
    for (size_t got; (got = std::fread(chunk, 1, sizeof(chunk), file)) > 0;) bytes.append(chunk, got);
    std::fclose(file);
    const std::wstring text = FromUtf8(bytes);
    const size_t size = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return 1;
    std::memcpy(GlobalLock(memory), text.c_str(), size);
    GlobalUnlock(memory);
    // A window of ours owns the clipboard: opened without one, emptying it leaves no owner and
    // SetClipboardData fails.
    HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    bool put = false;
    if (owner && OpenClipboard(owner)) {
        EmptyClipboard();
        put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        CloseClipboard();
    }
    if (!put) GlobalFree(memory);
    if (owner) DestroyWindow(owner);
    return put ? 0 : 1;
}

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "info";
    const int timeoutMs = argc > 2 ? std::atoi(argv[2]) : 10000;
    if (command == "info") return Info();
    if (command == "wait-window") {
        return WaitFor(timeoutMs, [] {
            HWND w = FindBrowser();
            return w && IsWindowVisible(w);
        });
    }
    if (command == "wait-page") {
        return WaitFor(timeoutMs, [] {
            HWND w = FindBrowser();
            return w && IsWindowVisible(w) && !WindowText(FindAddressBar(w)).empty();
        });
    }
    if (command == "messagebox") return MessageBoxInfo();
    if (command == "dismiss-messagebox") return PressMessageBoxButton(IDOK);
    if (command == "press-messagebox" && argc > 2) {
        const std::string button = argv[2];
        if (button == "ok") return PressMessageBoxButton(IDOK);
        if (button == "cancel") return PressMessageBoxButton(IDCANCEL);
        if (button == "reopen") return PressMessageBoxButton(kUnresponsiveReopenId);
    }
    if (command == "restore") return Restore();
    if (command == "minimize") return Minimize();
    if (command == "resize" && argc > 3) return Resize(std::atoi(argv[2]), std::atoi(argv[3]));
    if (command == "fail-process" && argc > 2) return FailProcess(std::atoi(argv[2]));
    if (command == "tooltip") return Tooltip();
    if (command == "end-session") return EndSession();
    if (command == "close") return Close();
    if (command == "move" && argc > 3) return Move(std::atoi(argv[2]), std::atoi(argv[3]));
    if (command == "page-fullscreen" && argc > 2) return PostToPage(L"TrovEngineSimulateFullScreen", std::atoi(argv[2]) != 0);
    if (command == "page-unresponsive" && argc > 2) {
        return PostToPage(L"TrovEngineSimulateUnresponsive", std::atoi(argv[2]) != 0);
    }
    if (command == "clipboard" && argc > 2) return PutOnClipboard(argv[2]);
    if (command == "accessible" || (command == "accessible-press" && argc > 2)) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // The name as Windows passed it, not through the narrow code page of argv.
        int count = 0;
        LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
        const std::wstring name = command == "accessible" || !wide || count < 3 ? std::wstring() : wide[2];
        LocalFree(wide);
        const int result = command == "accessible" || !name.empty() ? Accessible(name) : 2;
        CoUninitialize();
        return result;
    }
    std::fprintf(stderr, "usage: trov_inspector info|wait-window MS|wait-page MS|messagebox|dismiss-messagebox|"
                         "press-messagebox ok|cancel|restore|minimize|resize W H|fail-process KIND|\n"
                         "       accessible|accessible-press NAME|tooltip|end-session|page-fullscreen 0|1|page-unresponsive 0|1|\n"
                         "       clipboard FILE|close|move X Y\n");
    return 2;
}
