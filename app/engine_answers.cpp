#include "app/engine_answers.h"

#include "addressbar/address_bar.h"
#include "app/address_bar_name.h"
#include "app/closing.h"
#include "app/focus.h"
#include "app/fullscreen.h"
#include "app/keyboard.h"
#include "app/page_dialogs.h"
#include "app/popups.h"
#include "app/state.h"
#include "app/unresponsive_page.h"
#include "webhost/engine_host.h"

void AnswerEngineAndAddressBar() {
    engineHost.navigationStarting = NoteNavigationStartingWhileClosing;
    engineHost.navigationCompleted = NoteNavigationCompletedWhileClosing;
    engineHost.leavingPageToClose = LeavingPageToClose;
    engineHost.leaveAnswered = NoteLeaveAnswerWhileClosing;
    engineHost.engineDiedWhileClosing = EndCloseWithDeadEngine;

    engineHost.rememberFocus = RememberFocus;
    engineHost.pageFocusChanged = NotePageFocus;
    engineHost.focusLeavesPage = TakeFocusFromPage;
    engineHost.forgetPageFocus = ForgetPageFocus;
    engineHost.restoreFocus = RestoreFocus;

    engineHost.pageKey = TakePageKey;

    engineHost.isFullScreen = IsFullScreen;
    // The page that held the screen is gone: the window leaves full screen, whoever held it.
    engineHost.leaveFullScreen = [] { ApplyFullScreenEvent(hMainWnd, FullScreenEvent::LeaveAll); };

    engineHost.newWindowRequested = TakeNewWindowRequest;
    engineHost.windowOfView = WindowOfView;
    engineHost.popupLeaveAnswered = NotePopupLeaveAnswer;
    engineHost.closeAllPopups = CloseAllPopups;

    engineHost.showPageDialog = ShowPageDialog;
    engineHost.closePageDialog = ClosePageDialog;

    engineHost.pageUnresponsive = NotePageUnresponsive;
    engineHost.pageAnswersAgain = EndUnresponsivePage;

    engineHost.showAddress = ShowAddressInBar;
    answerAddressBarReaders = OnAddressBarGetObject;
}
