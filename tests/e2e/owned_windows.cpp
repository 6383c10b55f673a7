// Lists the visible windows that Trov's main window owns (its pages' popups, its dialogs), a line
// each: class, caption and frame, tab-separated. The end-to-end tests read the popups with it.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    return utf8.c_str();
}

BOOL CALLBACK PrintOwned(HWND window, LPARAM owner) {
    if (GetWindow(window, GW_OWNER) != reinterpret_cast<HWND>(owner) || !IsWindowVisible(window)) return TRUE;
    wchar_t name[256] = L"", caption[1024] = L"";
    GetClassNameW(window, name, 256);
    GetWindowTextW(window, caption, 1024);
    RECT r = {};
    GetWindowRect(window, &r);
    std::printf("%s\t%s\t%ld %ld %ld %ld\n", Utf8(name).c_str(), Utf8(caption).c_str(), r.left, r.top, r.right, r.bottom);
    return TRUE;
}

}  // namespace

int main() {
    HWND browser = FindWindowW(L"TrovBrowserClass", nullptr);
    if (!browser) return 1;
    EnumWindows(PrintOwned, reinterpret_cast<LPARAM>(browser));
    return 0;
}
