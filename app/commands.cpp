#include "app/commands.h"

#include "addressbar/address_bar.h"
#include "addressbar/navigate.h"
#include "app/focus.h"
#include "app/fullscreen.h"
#include "app/menu.h"
#include "app/state.h"
#include "app/tooltips.h"
#include "webhost/engine.h"
#include "webhost/messages.h"
#include "webhost/zoom.h"

namespace {

void SelectAllOfAddressBar() { SendMessageW(hAddressBar, EM_SETSEL, 0, -1); }

void GoBack(HWND) { GoBackInView(); }
void GoForward(HWND) { GoForwardInView(); }
void Reload(HWND) { ReloadView(); }
void GoHome(HWND) { NavigateTo(homeUrl); }

// Posted, so the window closes after the click or key that asked for it has been handled.
void CloseMainWindow(HWND hwnd) { PostMessageW(hwnd, WM_CLOSE, 0, 0); }
void MaximizeOrRestore(HWND hwnd) { ShowWindow(hwnd, IsZoomed(hwnd) ? SW_RESTORE : SW_MAXIMIZE); }
void Minimize(HWND hwnd) { ShowWindow(hwnd, SW_MINIMIZE); }
void ToggleMenu(HWND hwnd) { SetMenuPanelOpen(hwnd, !menuOpen); }

void FocusAddressBar(HWND hwnd) {
    if (!hAddressBar) return;
    // The bar is hidden in full screen: the window leaves it first, so that the bar can be seen.
    ApplyFullScreenEvent(hwnd, FullScreenEvent::LeaveAll);
    // The keyboard leaves an open panel, as a menu it closes; the focus goes to the bar, not back.
    if (menuOpen) {
        ForgetFocusBeforeMenu();
        SetMenuPanelOpen(hwnd, false);
    }
    SetFocus(hAddressBar);
    SelectAllOfAddressBar();
}
void FocusPage(HWND) { MoveFocusIntoPage(PageFocus::WhereItWas); }
void TabIntoPage(HWND) { MoveFocusIntoPage(PageFocus::First); }
void TabBackIntoPage(HWND) { MoveFocusIntoPage(PageFocus::Last); }
void RestoreAddressBar(HWND) {
    if (!hAddressBar) return;
    WriteAddressBar(currentUrl.c_str());
    SelectAllOfAddressBar();
}
void SelectAllInBar(HWND) {
    if (hAddressBar) SelectAllOfAddressBar();
}
// As after a click in the panel that hits no item.
void CloseMenu(HWND hwnd) {
    if (menuOpen) SetMenuPanelOpen(hwnd, false);
}
void ToggleFullScreen(HWND hwnd) { ApplyFullScreenEvent(hwnd, FullScreenEvent::KeyPressed); }

void MenuItemLeft(HWND hwnd) { MoveMenuFocus(hwnd, VK_LEFT); }
void MenuItemRight(HWND hwnd) { MoveMenuFocus(hwnd, VK_RIGHT); }
void MenuItemUp(HWND hwnd) { MoveMenuFocus(hwnd, VK_UP); }
void MenuItemDown(HWND hwnd) { MoveMenuFocus(hwnd, VK_DOWN); }
void MenuItemFirst(HWND hwnd) { MoveMenuFocus(hwnd, VK_HOME); }
void MenuItemLast(HWND hwnd) { MoveMenuFocus(hwnd, VK_END); }

void ZoomIn(HWND) { ZoomPage(ZoomStep::In); }
void ZoomOut(HWND) { ZoomPage(ZoomStep::Out); }
void ZoomReset(HWND) { ZoomPage(ZoomStep::Reset); }

// The showing tip goes first, or it would stay on top of the box.
void ShowNotice(HWND hwnd, const wchar_t* text, const wchar_t* caption) {
    HideToolbarTip();
    MessageBoxKeepingFocus(hwnd, text, caption, MB_OK);
}
void AddBookmark(HWND hwnd) { ShowNotice(hwnd, L"添加书签功能开发中", L"提示"); }
void ShowDownloads(HWND hwnd) { ShowNotice(hwnd, L"下载管理功能开发中", L"提示"); }
void ShowHistory(HWND hwnd) { ShowNotice(hwnd, L"历史记录功能开发中", L"提示"); }
void ShowAbout(HWND hwnd) { ShowNotice(hwnd, L"Trov Browser v1.0", L"关于"); }

struct CommandInfo {
    Command command;
    void (*run)(HWND hwnd);
    // The page a navigation command asks for is shown in the bar when it completes, whatever the
    // person had typed; Escape gives up the typing.
    bool endsBarEdit;
};

constexpr CommandInfo kCommands[] = {
    {Command::Back, GoBack, true},
    {Command::Forward, GoForward, true},
    {Command::Reload, Reload, true},
    {Command::Home, GoHome, true},
    {Command::Close, CloseMainWindow, false},
    {Command::MaximizeRestore, MaximizeOrRestore, false},
    {Command::Minimize, Minimize, false},
    {Command::Menu, ToggleMenu, false},
    {Command::FocusAddressBar, FocusAddressBar, false},
    {Command::FocusPage, FocusPage, false},
    {Command::TabIntoPage, TabIntoPage, false},
    {Command::TabBackIntoPage, TabBackIntoPage, false},
    {Command::RestoreAddressBar, RestoreAddressBar, true},
    {Command::SelectAllInBar, SelectAllInBar, false},
    {Command::CloseMenu, CloseMenu, false},
    {Command::ToggleFullScreen, ToggleFullScreen, false},
    {Command::MenuByKeyboard, ToggleMenuByKeyboard, false},
    {Command::MenuItemLeft, MenuItemLeft, false},
    {Command::MenuItemRight, MenuItemRight, false},
    {Command::MenuItemUp, MenuItemUp, false},
    {Command::MenuItemDown, MenuItemDown, false},
    {Command::MenuItemFirst, MenuItemFirst, false},
    {Command::MenuItemLast, MenuItemLast, false},
    {Command::ChooseMenuItem, ChooseMenuItem, false},
    {Command::ZoomIn, ZoomIn, false},
    {Command::ZoomOut, ZoomOut, false},
    {Command::ZoomReset, ZoomReset, false},
    {Command::AddBookmark, AddBookmark, false},
    {Command::ShowDownloads, ShowDownloads, false},
    {Command::ShowHistory, ShowHistory, false},
    {Command::ShowAbout, ShowAbout, false},
};

const CommandInfo* InfoOf(Command command) {
    for (const CommandInfo& info : kCommands) {
        if (info.command == command) return &info;
    }
    return nullptr;
}

}  // namespace

bool EndsAddressBarEdit(Command command) {
    const CommandInfo* info = InfoOf(command);
    return info && info->endsBarEdit;
}

void RunCommand(HWND hwnd, Command command) {
    const CommandInfo* info = InfoOf(command);
    if (!info) return;
    if (info->endsBarEdit) EndAddressBarEdit();
    info->run(hwnd);
}

bool PostCommand(HWND hwnd, Command command) {
    return PostMessageW(hwnd, WM_APP_RUN_COMMAND, static_cast<WPARAM>(command), 0) != FALSE;
}
