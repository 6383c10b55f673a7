#include "webhost/engine.h"

#include "addressbar/navigate.h"
#include "app/closing.h"
#include "app/keyboard.h"
#include "app/messages.h"
#include "app/page_dialogs.h"
#include "app/state.h"
#include "app/toolbar.h"
#include "browser_window.h"
#include "webhost/com_handler.h"
#include "webhost/restart_budget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using engine_double::Calls;
using engine_double::CountCalls;
using engine_double::LastCall;

class WebHostTest : public BrowserWindowTest {
protected:
    void ShowPage(const std::wstring& url) {
        NavigateTo(url);
        engine_double::RaiseNavigationStarting(url);
        engine_double::Settings().source = url;
        engine_double::RaiseNavigationCompleted(true);
    }
};

TEST_F(WebHostTest, WindowCreationOnlyRequestsTheEnvironment) {
    EXPECT_EQ(Calls(), std::vector<std::wstring>{L"CreateEnvironment"});
    EXPECT_FALSE(webviewReady);
}

TEST_F(WebHostTest, StartUpShowsSizesAndRegistersBeforeTheFirstNavigation) {
    StartEngine();
    const std::vector<std::wstring> expected = {
        L"CreateEnvironment",      L"add_BrowserProcessExited", L"CreateController", L"put_IsVisible 1",
        BoundsCall(window(), 64), L"get_Settings", L"put_AreDefaultScriptDialogsEnabled 0",
        L"add_NavigationStarting", L"add_NavigationCompleted",
        L"add_SourceChanged",      L"add_ProcessFailed",       L"add_ContainsFullScreenElementChanged",
        L"add_AcceleratorKeyPressed", L"add_MoveFocusRequested", L"add_GotFocus", L"add_LostFocus",
        L"add_ScriptDialogOpening", L"add_NewWindowRequested", L"Navigate https://duckduckgo.com/"};
    EXPECT_EQ(Calls(), expected);
    EXPECT_TRUE(webviewReady);
    EXPECT_EQ(GetFocus(), window());
}

TEST_F(WebHostTest, ControllerArrivingWithTheMenuOpenPlacesTheViewBelowThePanel) {
    menuOpen = true;
    StartEngine();
    EXPECT_EQ(LastCall(L"put_Bounds"), BoundsCall(window(), 384));
}

TEST_F(WebHostTest, TextTypedBeforeReadyIsDroppedAndStartUpStillGoesHome) {
    SetWindowTextW(hAddressBar, L"abc.def");
    SendMessageW(hAddressBar, WM_KEYDOWN, VK_RETURN, 0);
    engine_double::PumpMessages();
    StartEngine();
    EXPECT_EQ(CountCalls(L"Navigate"), 1);
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate https://duckduckgo.com/");
    engine_double::RaiseNavigationStarting(homeUrl);
    engine_double::RaiseNavigationCompleted(true);
    EXPECT_EQ(AddressBarText(), L"https://duckduckgo.com/");
}

TEST_F(WebHostTest, RedirectKeepsLoadingUntilTheOneCompletion) {
    StartEngine();
    ResetMessageCounts();
    engine_double::RaiseNavigationStarting(L"http://abc.def/");
    EXPECT_TRUE(isLoading);
    engine_double::RaiseNavigationStarting(L"https://abc.def/");
    EXPECT_TRUE(isLoading);
    engine_double::Settings().source = L"https://abc.def/";
    engine_double::RaiseNavigationCompleted(true);
    EXPECT_FALSE(isLoading);
    EXPECT_EQ(AddressBarText(), L"https://abc.def/");
    EXPECT_EQ(currentUrl, L"https://abc.def/");
    // Each event repaints, without erasing.
    ASSERT_TRUE(PumpUntil([this] { return paints() >= 1; }));
    EXPECT_EQ(erases(), 0);
}

TEST_F(WebHostTest, FailedNavigationClearsLoadingAndShowsTheSource) {
    StartEngine();
    engine_double::RaiseNavigationStarting(L"https://nowhere.invalid/");
    engine_double::Settings().source = L"https://nowhere.invalid/";
    engine_double::RaiseNavigationCompleted(false);
    EXPECT_FALSE(isLoading);
    EXPECT_EQ(AddressBarText(), L"https://nowhere.invalid/");
}

TEST_F(WebHostTest, CompletionWithoutStartLeavesLoadingOff) {
    StartEngine();
    engine_double::RaiseNavigationCompleted(true);
    EXPECT_FALSE(isLoading);
}

// What the person types into the bar survives a completion; once the edit has ended (Enter, a
// navigation button, or the focus elsewhere) the bar shows what the engine reports.
TEST_F(WebHostTest, CompletionKeepsWhatThePersonIsTypingAndOtherwiseShowsTheSource) {
    struct Case {
        const char* name;
        void (*between)(HWND window);  // after the typing, before the completion
        const wchar_t* shown;
    };
    const Case cases[] = {
        {"still typing", [](HWND) {}, L"half-typed"},
        {"focus elsewhere", [](HWND window) { SetFocus(window); }, L"https://abc.def/"},
        {"Enter pressed",
         [](HWND) {
             SendMessageW(hAddressBar, WM_KEYDOWN, VK_RETURN, 0x001C0001);
             engine_double::PumpMessages();
         },
         L"https://abc.def/"},
        {"home clicked", [](HWND window) { Click(window, 12 + 3 * 52 + 24, 30); }, L"https://abc.def/"},
    };
    StartEngine();
    engine_double::Settings().source = L"https://abc.def/";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetFocus(hAddressBar);
        SetWindowTextW(hAddressBar, L"");
        for (const wchar_t* key = L"half-typed"; *key; ++key) SendMessageW(hAddressBar, WM_CHAR, *key, 1);
        c.between(window());
        engine_double::RaiseNavigationCompleted(true);
        EXPECT_EQ(AddressBarText(), c.shown);
        EXPECT_EQ(currentUrl, L"https://abc.def/") << "the engine's address is kept either way";
    }
    EXPECT_EQ(engine_double::LastCall(L"Navigate"), L"Navigate https://duckduckgo.com/") << "Enter and home navigated";
    EXPECT_EQ(CountCalls(L"Navigate"), 3);
}

TEST_F(WebHostTest, FailingGetSourceLeavesAddressBarAndCurrentUrl) {
    StartEngine();
    SetWindowTextW(hAddressBar, L"typed");
    currentUrl = L"https://kept.example/";
    engine_double::Settings().failGetSource = true;
    engine_double::RaiseNavigationStarting(L"https://x.y/");
    engine_double::RaiseNavigationCompleted(true);
    EXPECT_FALSE(isLoading);
    EXPECT_EQ(AddressBarText(), L"typed");
    EXPECT_EQ(currentUrl, L"https://kept.example/");
}

TEST_F(WebHostTest, SourceOfAHundredThousandCharactersReachesTheAddressBar) {
    StartEngine();
    const std::wstring longUrl = L"https://a.b/" + std::wstring(100000, L'x');
    engine_double::Settings().source = longUrl;
    engine_double::RaiseNavigationCompleted(true);
    EXPECT_EQ(currentUrl, longUrl);
    // The edit control keeps what its limit allows; the program does not crash or truncate currentUrl.
    EXPECT_GT(GetWindowTextLengthW(hAddressBar), 0);
}

TEST_F(WebHostTest, SourceChangeWritesBarAndCurrentUrlAndLeavesTheLoadingBar) {
    StartEngine();
    engine_double::RaiseNavigationStarting(L"https://next.example/");
    engine_double::Settings().source = L"https://abc.def/page#part";
    engine_double::RaiseSourceChanged(false);
    EXPECT_EQ(AddressBarText(), L"https://abc.def/page#part");
    EXPECT_EQ(currentUrl, L"https://abc.def/page#part");
    EXPECT_TRUE(isLoading);
    engine_double::RaiseNavigationCompleted(true);
    engine_double::Settings().source = L"https://abc.def/other";
    engine_double::RaiseSourceChanged(false);
    EXPECT_FALSE(isLoading);
    EXPECT_EQ(AddressBarText(), L"https://abc.def/other");
}

TEST_F(WebHostTest, CompletionOfAReplacedNavigationChangesNothing) {
    StartEngine();
    engine_double::SetNavigationId(7);
    engine_double::RaiseNavigationStarting(L"https://first.example/");
    engine_double::SetNavigationId(8);
    engine_double::RaiseNavigationStarting(L"https://second.example/");
    SetWindowTextW(hAddressBar, L"https://second.example/");
    currentUrl = L"https://second.example/";

    engine_double::SetNavigationId(7);  // the first one ends after the second started
    engine_double::Settings().source = L"https://old.example/";
    engine_double::RaiseNavigationCompleted(false);
    EXPECT_TRUE(isLoading);
    EXPECT_EQ(AddressBarText(), L"https://second.example/");
    EXPECT_EQ(currentUrl, L"https://second.example/");

    engine_double::SetNavigationId(8);
    engine_double::Settings().source = L"https://second.example/";
    engine_double::RaiseNavigationCompleted(true);
    EXPECT_FALSE(isLoading);
    EXPECT_EQ(AddressBarText(), L"https://second.example/");
}

// The engine's processes die in the field: the page comes back, and a dead engine is started again.
class ProcessFailureTest : public WebHostTest {
protected:
    void ClickSlot(int slot) {
        const RECT r = SlotRect(slot, CurrentSlotLayout(ClientWidth()));
        Click(window(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    // Every toolbar navigation control and a typed address.
    void UseTheNavigationControls() {
        for (int slot = kSlotBack; slot <= kSlotHome; ++slot) ClickSlot(slot);
        NavigateTo(L"abc.def");
    }
    // The browser process dies as the runtime tells of it: the view's ProcessFailed, whose restart
    // then waits, and the environment's BrowserProcessExited once the process has gone.
    void KillBrowserProcess() {
        engine_double::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
        engine_double::PumpMessages();
        engine_double::RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED);
        engine_double::PumpMessages();
    }
    void TearDown() override {
        SetRecoveryClockForTesting(nullptr);
        WebHostTest::TearDown();
    }
};

// The budgets' clock, set by the test.
ULONGLONG testNow = 0;
ULONGLONG TestClock() { return testNow; }

struct ProcessFailedCase {
    const char* name;
    COREWEBVIEW2_PROCESS_FAILED_KIND kind;
    int reloads, restarts;
};

class ProcessFailedKindTest : public ProcessFailureTest, public ::testing::WithParamInterface<ProcessFailedCase> {};

TEST_P(ProcessFailedKindTest, HasItsReaction) {
    StartEngine();
    engine_double::RaiseNavigationStarting(L"https://crashing.example/");
    const size_t callsBefore = Calls().size();
    engine_double::RaiseProcessFailed(GetParam().kind);
    EXPECT_EQ(CountCalls(L"Close"), 0) << "nothing is closed inside the engine's event";
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 1) << "nor started";
    engine_double::PumpMessages();
    if (GetParam().restarts > 0) {
        EXPECT_EQ(CountCalls(L"CreateEnvironment"), 1) << "not before the browser process has gone";
        engine_double::RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED);
        engine_double::PumpMessages();
    }
    EXPECT_EQ(CountCalls(L"Reload"), GetParam().reloads);
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 1 + GetParam().restarts);
    EXPECT_EQ(CountCalls(L"Close"), GetParam().restarts);
    const bool ignored = GetParam().reloads == 0 && GetParam().restarts == 0;
    // A crashed navigation never completes, so the loading bar goes with the crash.
    EXPECT_EQ(isLoading, ignored);
    EXPECT_EQ(webviewReady, GetParam().restarts == 0);
    if (ignored) {
        EXPECT_EQ(Calls().size(), callsBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ProcessFailedKindTest,
    ::testing::Values(
        ProcessFailedCase{"RendererExited", COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED, 1, 0},
        ProcessFailedCase{"FrameRendererExited", COREWEBVIEW2_PROCESS_FAILED_KIND_FRAME_RENDER_PROCESS_EXITED, 0, 0},
        ProcessFailedCase{"Unresponsive", COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE, 0, 0},
        ProcessFailedCase{"GpuExited", COREWEBVIEW2_PROCESS_FAILED_KIND_GPU_PROCESS_EXITED, 0, 0},
        ProcessFailedCase{"UnknownExited", COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED, 0, 0},
        ProcessFailedCase{"BrowserExited", COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED, 0, 1}),
    [](const ::testing::TestParamInfo<ProcessFailedCase>& info) { return info.param.name; });

TEST_F(ProcessFailureTest, DeadEngineIsReleasedOnceAndRestartedOnTheLastPage) {
    StartEngine();
    ShowPage(L"https://abc.def/last");
    ResetMessageCounts();
    const long handlerCount = engine_double::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);

    // The event only marks the engine down: the program and the engine still hold the handler.
    EXPECT_EQ(handlerCount, 2);
    EXPECT_TRUE(engine_double::FinalReleases().empty());
    EXPECT_FALSE(webviewReady);
    EXPECT_FALSE(isLoading);
    EXPECT_TRUE(PumpUntil([this] { return paints() >= 1; })) << "the band is repainted";

    // From the posted message: closed once, then every reference of the dead engine let go once,
    // in the order of a window's end; the environment once it says that its browser process exited.
    EXPECT_EQ(CountCalls(L"Close"), 1);
    EXPECT_EQ(engine_double::FinalReleases(), (std::vector<std::wstring>{L"close", L"webview", L"controller"}));
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 1);
    ASSERT_TRUE(engine_double::RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED));
    engine_double::PumpMessages();
    EXPECT_EQ(engine_double::FinalReleases(),
              (std::vector<std::wstring>{L"close", L"webview", L"controller", L"environment"}));
    // The engine let go of each handler with the view while the program still held it; then the
    // program's holders let go.
    for (int which = 0; which < 4; ++which) EXPECT_EQ(engine_double::NavigationHandlerCountAtRelease(which), 1) << which;
    EXPECT_FALSE(navStartingHandler || navCompletedHandler || sourceChangedHandler || processFailedHandler ||
                 fullScreenHandler);
    EXPECT_FALSE(webview || webviewController || webviewEnvironment);
    EXPECT_FALSE(webviewReady);
    EXPECT_FALSE(isLoading);
    EXPECT_EQ(LastCall(L"CreateEnvironment"), L"CreateEnvironment");
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 2);

    // During the restart the controls do what they do before the first start: nothing.
    const size_t callsBefore = Calls().size();
    UseTheNavigationControls();
    SendMessageW(window(), WM_SIZE, 0, 0);
    EXPECT_EQ(Calls().size(), callsBefore);

    StartEngine();
    ASSERT_EQ(engine_double::RetiredGenerations(), 1u);
    // The environment also as the version with the exit event, while its handler was registered.
    for (int which = 0; which < 3; ++which) {
        EXPECT_EQ(engine_double::RetiredRefs(0, which).addRefs, which == 0 ? 2 : 1) << which;
        EXPECT_EQ(engine_double::RetiredRefs(0, which).releases, which == 0 ? 2 : 1) << which;
    }
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate https://abc.def/last");
    EXPECT_EQ(CountCalls(L"add_ProcessFailed"), 2);
    ClickSlot(kSlotBack);
    EXPECT_EQ(CountCalls(L"GoBack"), 1);
}

// The budget counts the engine's deaths: three within a minute come back, each whose restart's
// first attempt fails as well. A fourth, 30 s after the third, finds the minute still full: the
// engine stays down, silently, until the person asks for a page: F5 alone brings the last page
// back, a typed address that address.
TEST_F(ProcessFailureTest, PastThreeDeathsAMinuteTheEngineWaitsForThePersonsRequest) {
    SetRecoveryClockForTesting(TestClock);
    testNow = 100000;
    StartEngine();
    ShowPage(L"https://abc.def/last");
    for (int death = 1; death <= 3; ++death) {
        testNow += 1000;
        engine_double::Settings().createEnvironmentResult = E_FAIL;
        KillBrowserProcess();
        engine_double::Settings().createEnvironmentResult = S_OK;
        SendMessageW(window(), WM_TIMER, kEngineRetryTimer, 0);  // the retry, without its wait
        StartEngine();
        EXPECT_EQ(LastCall(L"Navigate"), L"Navigate https://abc.def/last") << death;
    }
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 7);
    testNow += 30000;
    KillBrowserProcess();
    SendMessageW(window(), WM_TIMER, kEngineRetryTimer, 0);
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 7);
    EXPECT_FALSE(webviewReady);
    EXPECT_FALSE(webviewEnvironment) << "a parked engine keeps nothing of the dead one";
    EXPECT_EQ(CountCalls(L"Close"), 4);

    MSG f5 = {window(), WM_KEYDOWN, VK_F5, 1, 0, {}};
    EXPECT_TRUE(HandleShortcutMessage(f5));
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 8);
    StartEngine();
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate https://abc.def/last");
    EXPECT_EQ(CountCalls(L"Reload"), 0) << "the new engine opens the page; nothing reloads it";

    KillBrowserProcess();
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 8);
    UseTheNavigationControls();  // the first of them starts the engine; the rest wait for it
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 9);
    StartEngine();
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate https://abc.def/last");

    KillBrowserProcess();
    NavigateTo(L"typed.example");
    StartEngine();
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate https://typed.example");
    EXPECT_TRUE(IsWindow(window()));
}

// The environment's word that the browser process exited starts the restart, however often it
// comes and whichever event comes first; without it (an older runtime) the restart starts a second
// after the death. Only a failed exit counts: a normal one (all views closed) starts nothing.
TEST_F(ProcessFailureTest, TheBrowserProcessExitStartsTheRestartOnce) {
    SetRecoveryClockForTesting(TestClock);  // a minute between deaths: the budget never refuses
    testNow = 0;
    StartEngine();
    EXPECT_TRUE(engine_double::RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_NORMAL));
    engine_double::PumpMessages();
    EXPECT_EQ(CountCalls(L"Close"), 0);
    EXPECT_TRUE(webviewReady);

    // Exit first, said twice, then ProcessFailed: one restart, at once.
    testNow += 60000;
    engine_double::RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED);
    engine_double::RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED);
    engine_double::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
    engine_double::PumpMessages();
    EXPECT_EQ(CountCalls(L"Close"), 1);
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 2);
    StartEngine();

    // ProcessFailed first, then the exit twice: one restart.
    testNow += 60000;
    engine_double::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
    engine_double::PumpMessages();
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 2);
    EXPECT_TRUE(engine_double::RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED));
    EXPECT_TRUE(engine_double::RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED));
    engine_double::PumpMessages();
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 3);
    SendMessageW(window(), WM_TIMER, kEngineRetryTimer, 0);  // the fallback, had it been left armed
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 3);
    StartEngine();

    // An environment without the event: the fallback starts the engine after a second.
    engine_double::Settings().noExitEvent = true;
    testNow += 60000;
    KillBrowserProcess();
    ASSERT_EQ(CountCalls(L"CreateEnvironment"), 4) << "the last environment still had the event";
    StartEngine();
    testNow += 60000;
    const ULONGLONG died = GetTickCount64();
    engine_double::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
    ASSERT_TRUE(PumpUntil([] { return CountCalls(L"CreateEnvironment") == 5; }, 3000));
    EXPECT_GE(GetTickCount64() - died, 900u);
    EXPECT_EQ(CountCalls(L"add_BrowserProcessExited"), 3) << "the environment without the event";
}

// A restart that fails at any stage (the refused call, the failed controller with its environment
// let go) is tried again after 1, 2 and 4 seconds; after the last the engine waits for the person.
TEST_F(ProcessFailureTest, FailedRestartIsTriedAgainAfterOneThenTwoSeconds) {
    StartEngine();
    engine_double::Settings().createEnvironmentResult = E_FAIL;
    KillBrowserProcess();
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 2);
    for (int attempt = 3; attempt <= 4; ++attempt) {
        const ULONGLONG failed = GetTickCount64();
        ASSERT_TRUE(PumpUntil([attempt] { return CountCalls(L"CreateEnvironment") == attempt; }, 4000)) << attempt;
        const ULONGLONG delay = GetTickCount64() - failed;
        EXPECT_GE(delay, attempt == 3 ? 900u : 1900u) << attempt;
        EXPECT_LT(delay, attempt == 3 ? 1900u : 2900u) << attempt;
    }

    engine_double::Settings() = engine_double::Options();
    engine_double::Settings().controllerResult = E_FAIL;
    SendMessageW(window(), WM_TIMER, kEngineRetryTimer, 0);  // the third retry, without its wait
    ASSERT_TRUE(engine_double::CompleteEnvironment());
    ASSERT_TRUE(PumpUntil([] { return engine_double::ControllerRequested(); }));
    ASSERT_TRUE(engine_double::CompleteController());
    engine_double::PumpMessages();
    EXPECT_FALSE(webviewEnvironment);
    SendMessageW(window(), WM_TIMER, kEngineRetryTimer, 0);
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 5) << "no fourth retry";
}

// A restart whose new view refuses one of its events is let go of and tried again, as one whose
// controller failed; the retry's view shows the page.
TEST_F(ProcessFailureTest, RestartWhoseViewRefusesAnEventIsTriedAgain) {
    StartEngine();
    KillBrowserProcess();
    engine_double::Settings().refusedRegistration = L"add_LostFocus";
    ASSERT_TRUE(engine_double::CompleteEnvironment());
    ASSERT_TRUE(PumpUntil([] { return engine_double::ControllerRequested(); }));
    ASSERT_TRUE(engine_double::CompleteController());
    engine_double::PumpMessages();
    EXPECT_FALSE(webviewReady);
    EXPECT_FALSE(webview || webviewController || webviewEnvironment);
    EXPECT_EQ(CountCalls(L"Navigate"), 1) << "the first engine's only";

    engine_double::Settings().refusedRegistration.clear();
    SendMessageW(window(), WM_TIMER, kEngineRetryTimer, 0);  // the retry, without its wait
    StartEngine();
    EXPECT_EQ(Calls().back(), L"Navigate https://duckduckgo.com/");
}

// After a restart the focus is where the person left it: the bar keeps its caret, selection and
// typing through the new engine's first completion; the page gets the keyboard back.
TEST_F(ProcessFailureTest, RestartGivesTheFocusBack) {
    StartEngine();
    SetFocus(hAddressBar);
    SetWindowTextW(hAddressBar, L"");
    for (const wchar_t* key = L"half-typed"; *key; ++key) SendMessageW(hAddressBar, WM_CHAR, *key, 1);
    SendMessageW(hAddressBar, EM_SETSEL, 2, 4);
    KillBrowserProcess();
    StartEngine();
    engine_double::RaiseNavigationStarting(homeUrl);
    engine_double::RaiseNavigationCompleted(true);
    EXPECT_EQ(GetFocus(), hAddressBar);
    EXPECT_EQ(AddressBarText(), L"half-typed");
    DWORD start = 0, end = 0;
    SendMessageW(hAddressBar, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 4u);
    EXPECT_EQ(CountCalls(L"MoveFocus"), 0);

    // The page had the focus, as its engine said: the new engine's page gets it.
    SetFocus(window());
    ASSERT_TRUE(engine_double::RaiseFocusChanged(true));
    KillBrowserProcess();
    EXPECT_EQ(CountCalls(L"MoveFocus"), 0);
    StartEngine();
    EXPECT_EQ(LastCall(L"MoveFocus"), L"MoveFocus 0");
    EXPECT_EQ(Calls().back(), L"Navigate https://duckduckgo.com/") << "given before the first navigation";
}

TEST_F(ProcessFailureTest, PageThatCrashesOnEveryLoadIsReloadedOnlyUpToTheLimit) {
    StartEngine();
    ShowPage(L"https://crashes.example/");
    for (int crash = 0; crash < 5; ++crash) {
        engine_double::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED);
    }
    EXPECT_EQ(CountCalls(L"Reload"), 3);
    // Another page has a budget of its own.
    ShowPage(L"https://other.example/");
    engine_double::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED);
    EXPECT_EQ(CountCalls(L"Reload"), 4);
}

// The program's own numbers: three recoveries a minute, restarts retried after 1, 2 and 4 s.
TEST(RecoveryLimitTest, AllowsThreeWithinAMinuteAndRetriesAfterOneTwoAndFourSeconds) {
    struct Case {
        std::vector<ULONGLONG> earlier;
        ULONGLONG now;
        bool allowed;
    };
    const Case cases[] = {
        {{}, 1000, true},
        {{1000, 2000}, 3000, true},
        {{1000, 2000, 3000}, 4000, false},
        {{1000, 2000, 3000}, 33000, false},  // a death 30 s after three others
        {{1000, 2000, 3000}, 60999, false},  // the first is still within the minute
        {{1000, 2000, 3000}, 61000, true},   // ... and now it is not
        {{0, 0, 0}, 59999, false},
        {{100000, 100001, 100002}, 100003, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RecoveryAllowed(c.earlier, c.now), c.allowed) << c.now << " after " << c.earlier.size();
    }
    const UINT delays[] = {RestartRetryDelayMs(0), RestartRetryDelayMs(1), RestartRetryDelayMs(2), RestartRetryDelayMs(3)};
    EXPECT_EQ(std::vector<UINT>(std::begin(delays), std::end(delays)), (std::vector<UINT>{1000, 2000, 4000, 0}));
}

struct FailureCase {
    const char* name;
    engine_double::Options options;
    bool controllerRequested;
    int environmentHeld, controllerHeld, webViewHeld;
};

class StartUpFailureTest : public WebHostTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(StartUpFailureTest, StopsSilentlyKeepingOnlyWhatItGot) {
    engine_double::Settings() = GetParam().options;
    ASSERT_TRUE(engine_double::CompleteEnvironment());
    engine_double::PumpMessages();
    EXPECT_EQ(engine_double::ControllerRequested(), GetParam().controllerRequested);
    if (engine_double::ControllerRequested()) {
        ASSERT_TRUE(engine_double::CompleteController());
        engine_double::PumpMessages();
    }
    EXPECT_FALSE(webviewReady);
    EXPECT_EQ(CountCalls(L"Navigate"), 0);
    EXPECT_EQ(engine_double::EnvironmentRefs().Held(), GetParam().environmentHeld);
    EXPECT_EQ(engine_double::ControllerRefs().Held(), GetParam().controllerHeld);
    EXPECT_EQ(engine_double::WebViewRefs().Held(), GetParam().webViewHeld);
    // The creation handlers were freed when the engine let go of them.
    EXPECT_EQ(engine_double::EnvironmentHandlerCountAtRelease(), 0);
    // Navigation controls stay inert, and the window still sizes without a web view.
    Click(window(), 30, 30);
    NavigateTo(L"abc.def");
    EXPECT_EQ(CountCalls(L"GoBack"), 0);
    EXPECT_EQ(CountCalls(L"Navigate"), 0);
}

engine_double::Options Failing(HRESULT environment, HRESULT controller, bool noWebView,
                               const wchar_t* refusedRegistration = L"") {
    engine_double::Options o;
    o.environmentResult = environment;
    o.controllerResult = controller;
    o.noWebView = noWebView;
    o.refusedRegistration = refusedRegistration;
    return o;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, StartUpFailureTest,
    ::testing::Values(FailureCase{"NoRuntime", Failing(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), S_OK, false), false, 0, 0, 0},
                      FailureCase{"ControllerFails", Failing(S_OK, E_FAIL, false), true, 1, 0, 0},
                      FailureCase{"NoWebView", Failing(S_OK, S_OK, true), true, 1, 1, 0},
                      FailureCase{"EventRefused", Failing(S_OK, S_OK, false, L"add_GotFocus"), true, 1, 1, 1}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

// An engine that reports success but hands over nothing must not bring the browser down.
TEST_F(WebHostTest, SuccessWithoutAnObjectIsIgnored) {
    engine_double::Settings().nullObjects = true;
    ASSERT_TRUE(engine_double::CompleteEnvironment());
    engine_double::PumpMessages();
    EXPECT_FALSE(engine_double::ControllerRequested());
    EXPECT_FALSE(webviewEnvironment);

    // The same for the controller, reached through a real environment.
    engine_double::Reset();
    ResetAppStateForTesting();
    DestroyWindow(window());
    engine_double::PumpMessages();
    OpenWindow();
    ASSERT_TRUE(engine_double::CompleteEnvironment());
    ASSERT_TRUE(PumpUntil([] { return engine_double::ControllerRequested(); }));
    engine_double::Settings().nullObjects = true;
    ASSERT_TRUE(engine_double::CompleteController());
    engine_double::PumpMessages();
    EXPECT_FALSE(webviewController);
    EXPECT_FALSE(webviewReady);
    SendMessageW(window(), WM_SIZE, 0, 0);
    EXPECT_EQ(CountCalls(L"put_Bounds"), 0);
}

TEST_F(WebHostTest, ControllerWithoutWebViewStillTakesBounds) {
    engine_double::Settings().noWebView = true;
    ASSERT_TRUE(engine_double::CompleteEnvironment());
    ASSERT_TRUE(PumpUntil([] { return engine_double::ControllerRequested(); }));
    ASSERT_TRUE(engine_double::CompleteController());
    ASSERT_TRUE(PumpUntil([] { return static_cast<bool>(webviewController); }));
    EXPECT_EQ(CountCalls(L"put_IsVisible"), 0);
    SendMessageW(window(), WM_SIZE, 0, 0);
    EXPECT_EQ(LastCall(L"put_Bounds"), BoundsCall(window(), 64));
    EXPECT_FALSE(webviewReady);
}

TEST_F(WebHostTest, BoundsFollowTheMenuAndTheClientArea) {
    struct Case {
        int width, height;
        bool menu;
        RECT expected;
    };
    const Case cases[] = {
        {1184, 736, false, {0, 64, 1184, 736}},
        {1184, 736, true, {0, 384, 1184, 736}},
        {0, 0, false, {0, 64, 0, 0}},  // minimised: passed on unclamped
        {0, 0, true, {0, 384, 0, 0}},
    };
    for (const Case& c : cases) {
        const RECT r = WebViewBounds(c.width, c.height, c.menu, 64, 320);
        EXPECT_TRUE(EqualRect(&r, &c.expected)) << c.width << "x" << c.height << " menu " << c.menu;
    }
}

TEST_F(WebHostTest, ResizeBeforeTheControllerDoesNothing) {
    ResizeWebView();
    SendMessageW(window(), WM_SIZE, 0, 0);
    EXPECT_EQ(CountCalls(L"put_Bounds"), 0);
}

TEST_F(WebHostTest, ResizingTheWindowResizesTheView) {
    StartEngine();
    SetClientSize(900, 500);
    EXPECT_EQ(LastCall(L"put_Bounds"), BoundsCall(0, 64, 900, 500));
}

TEST_F(WebHostTest, MovingTheWindowTellsTheEngineOnceItHasAController) {
    SetWindowPos(window(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(CountCalls(L"NotifyParentWindowPositionChanged"), 0);
    StartEngine();
    SetWindowPos(window(), nullptr, 60, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_GE(CountCalls(L"NotifyParentWindowPositionChanged"), 1);
    const int before = CountCalls(L"NotifyParentWindowPositionChanged");
    RECT r = {};
    GetWindowRect(window(), &r);
    SendMessageW(window(), WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(CountCalls(L"NotifyParentWindowPositionChanged"), before + 1);
}

// Hidden while minimised, shown again before the bounds of the restored or maximised window.
TEST_F(WebHostTest, MinimisingHidesTheViewAndRestoringShowsItBeforeTheBounds) {
    ShowWindow(window(), SW_MINIMIZE);
    StartEngine();  // a view created in a minimised window starts hidden
    EXPECT_EQ(CountCalls(L"put_IsVisible"), 1);
    EXPECT_EQ(LastCall(L"put_IsVisible"), L"put_IsVisible 0");
    for (int show : {SW_RESTORE, SW_MAXIMIZE}) {
        ShowWindow(window(), SW_MINIMIZE);
        EXPECT_EQ(LastCall(L"put_IsVisible"), L"put_IsVisible 0");
        const size_t before = Calls().size();
        ShowWindow(window(), show);
        auto first = std::find_if(Calls().begin() + static_cast<long>(before), Calls().end(),
                                  [](const std::wstring& call) { return call.rfind(L"put_", 0) == 0; });
        ASSERT_NE(first, Calls().end()) << show;
        EXPECT_EQ(*first, L"put_IsVisible 1") << show;
        EXPECT_EQ(LastCall(L"put_"), BoundsCall(window(), 64)) << show;
    }
    EXPECT_EQ(CountCalls(L"put_IsVisible 0"), 2) << "at the start and once per minimise";
    EXPECT_EQ(CountCalls(L"put_IsVisible 1"), 2) << "once per restore";
}

// Every way of closing leaves the page first, so that it can ask. Its question comes before the
// navigation starts; Stay ends the close for good (no start, no timer); a second close while the
// question is up adds nothing; Leave lets about:blank start, and the window goes once that
// navigation has completed, after the engine's event, without about:blank ever in the bar.
TEST_F(WebHostTest, ClosingAsksThePageFirstStaysForGoodOnStayAndClosesAfterLeave) {
    StartEngine();
    ShowPage(L"https://form.example/");
    const int navigations = CountCalls(L"Navigate");
    SendMessageW(window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate about:blank");
    engine_double::RaiseScriptDialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD, L"", L"", L"https://form.example/");
    SendMessageW(window(), WM_CLOSE, 0, 0);
    SendMessageW(window(), WM_TIMER, kCloseWaitTimer, 0);  // the question is up: no time limit
    ASSERT_TRUE(IsWindow(window()));
    EXPECT_EQ(CountCalls(L"Navigate"), navigations + 1);
    {
        PageDialogAnswerer person({{IDCANCEL}});  // Stay
        engine_double::PumpMessages();
        ASSERT_EQ(person.seen().size(), 1u);
        EXPECT_EQ(person.seen()[0].caption, L"https://form.example");
        EXPECT_EQ(person.seen()[0].ok, L"离开");
        EXPECT_EQ(person.seen()[0].cancel, L"留下");
    }
    EXPECT_TRUE(engine_double::LastScriptDialog().completed);
    EXPECT_FALSE(engine_double::LastScriptDialog().accepted);
    SendMessageW(window(), WM_TIMER, kCloseWaitTimer, 0);
    engine_double::PumpMessages();
    ASSERT_TRUE(IsWindow(window())) << "Stay is for good";
    EXPECT_TRUE(webviewReady);
    EXPECT_EQ(AddressBarText(), L"https://form.example/");
    EXPECT_EQ(CountCalls(L"Close"), 0);

    SendMessageW(window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(CountCalls(L"Navigate"), navigations + 2) << "asked again";
    engine_double::RaiseScriptDialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD, L"", L"", L"https://form.example/");
    {
        PageDialogAnswerer person({{IDOK}});  // Leave
        engine_double::PumpMessages();
    }
    EXPECT_TRUE(engine_double::LastScriptDialog().accepted);
    EXPECT_EQ(engine_double::LastScriptDialog().argsHeld, 0);
    engine_double::SetNavigationId(7);
    engine_double::RaiseNavigationStarting(L"about:blank");
    engine_double::Settings().source = L"about:blank";
    engine_double::RaiseSourceChanged(true);
    engine_double::RaiseNavigationCompleted(true);
    EXPECT_TRUE(IsWindow(window())) << "not inside the engine's event";
    EXPECT_EQ(AddressBarText(), L"https://form.example/") << "about:blank is never shown on the way out";
    EXPECT_EQ(currentUrl, L"https://form.example/");
    engine_double::PumpMessages();
    EXPECT_FALSE(IsWindow(window()));
}

// Only about:blank's own start and completion close the window: a load under way when the close
// is asked completes first, successfully, and the window stays.
TEST_F(WebHostTest, ALoadCompletingBeforeAboutBlankStartsDoesNotCloseTheWindow) {
    StartEngine();
    engine_double::SetNavigationId(3);
    NavigateTo(L"https://slow.example/");
    engine_double::RaiseNavigationStarting(L"https://slow.example/");
    SendMessageW(window(), WM_CLOSE, 0, 0);
    engine_double::RaiseNavigationCompleted(true);
    engine_double::PumpMessages();
    ASSERT_TRUE(IsWindow(window()));
    engine_double::SetNavigationId(4);
    engine_double::RaiseNavigationStarting(L"about:blank");
    engine_double::RaiseNavigationCompleted(true);
    engine_double::PumpMessages();
    EXPECT_FALSE(IsWindow(window()));
}

// A dying engine ends a pending close, also with the page's question up: the dialog goes
// unanswered, the window goes after the engine's event, and no new engine is started.
TEST_F(WebHostTest, TheEngineDyingWhileACloseIsPendingClosesTheWindowWithoutARestart) {
    StartEngine();
    SendMessageW(window(), WM_CLOSE, 0, 0);
    engine_double::RaiseScriptDialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD, L"");
    PageDialogAnswerer person({{IDOK, false, L"", [] {
        engine_double::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
    }}});
    EXPECT_TRUE(PumpUntil([this] { return !IsWindow(window()); }, 1000));
    ASSERT_EQ(person.seen().size(), 1u);
    EXPECT_EQ(OpenPageDialog(), nullptr) << "the dialog was closed";
    EXPECT_FALSE(engine_double::LastScriptDialog().accepted);
    EXPECT_EQ(engine_double::LastScriptDialog().argsHeld, 0);
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 1);
}

// A page that neither asks nor starts leaving is closed anyway on the timer (a hung leave
// handler); without a ready engine the window closes at once.
TEST_F(WebHostTest, ClosingAHungPageOrOneWithoutEngineStillCloses) {
    SendMessageW(window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window()));
    EXPECT_EQ(CountCalls(L"Navigate"), 0);

    engine_double::Reset();
    ResetAppStateForTesting();
    OpenWindow();
    StartEngine();
    SendMessageW(window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(PumpUntil([this] { return !IsWindow(window()); }, 1000)) << "not at once";
    EXPECT_TRUE(PumpUntil([this] { return !IsWindow(window()); }, 4000));
}

TEST(CloseWaitTest, TheTimerWaitsOnlyForAQuestionThatIsUp) {
    struct Case {
        bool asked, engineReady, questionUp;
        CloseWait expected;
    } const cases[] = {
        {false, true, false, CloseWait::Stop},    {false, true, true, CloseWait::Stop},
        {true, true, true, CloseWait::Wait},      {true, true, false, CloseWait::CloseNow},
        {true, false, true, CloseWait::CloseNow}, {true, false, false, CloseWait::CloseNow},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecideCloseWait(c.asked, c.engineReady, c.questionUp), c.expected)
            << c.asked << c.engineReady << c.questionUp;
    }
}

// A page's new window opens in the view, after the event, and the engine opens none of its own.
TEST_F(WebHostTest, ANewWindowOpensInTheViewAfterTheEvent) {
    StartEngine();
    const int navigations = CountCalls(L"Navigate");
    EXPECT_TRUE(engine_double::RaiseNewWindowRequested(L"https://popup.example/x"));
    EXPECT_EQ(CountCalls(L"Navigate"), navigations);
    engine_double::PumpMessages();
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate https://popup.example/x");
}

// Destroying the window at each stage of start-up releases exactly what was held, once.
class DestroyTest : public WebHostTest {
protected:
    void Destroy() {
        DestroyWindow(window());
        MSG msg;
        quitPosted_ = PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    }
    bool quitPosted_ = false;
};

// The end of the session (log-off, shutdown, the Restart Manager): Trov agrees at once, and when
// the session does end it closes the engine and goes inside WM_ENDSESSION, asking the page nothing,
// even one that asks before it is left; a session that goes on changes nothing.
TEST_F(DestroyTest, TheEndOfTheSessionClosesTheEngineAndEndsTheLoopWithoutAskingThePage) {
    StartEngine();
    EXPECT_EQ(SendMessageW(window(), WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), TRUE);
    EXPECT_EQ(SendMessageW(window(), WM_ENDSESSION, FALSE, ENDSESSION_CLOSEAPP), 0);
    EXPECT_TRUE(IsWindow(window()));
    EXPECT_TRUE(webviewReady);
    EXPECT_EQ(CountCalls(L"Close"), 0);

    SendMessageW(window(), WM_CLOSE, 0, 0);  // the page's question is on its way
    ASSERT_EQ(LastCall(L"Navigate"), L"Navigate about:blank");
    const int navigations = CountCalls(L"Navigate");
    EXPECT_EQ(SendMessageW(window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF), 0);
    EXPECT_FALSE(IsWindow(window()));
    EXPECT_EQ(CountCalls(L"Close"), 1);
    EXPECT_EQ(CountCalls(L"Navigate"), navigations);
    EXPECT_EQ(engine_double::FinalReleases(),
              (std::vector<std::wstring>{L"close", L"webview", L"controller", L"environment"}));
    MSG quit;
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u) << "the exit code";
}

TEST_F(DestroyTest, BeforeTheEnvironmentReleasesNothing) {
    Destroy();
    EXPECT_TRUE(quitPosted_);
    EXPECT_EQ(engine_double::EnvironmentRefs().addRefs, 0);
    EXPECT_EQ(engine_double::EnvironmentRefs().releases, 0);
}

TEST_F(DestroyTest, AfterTheEnvironmentReleasesOnlyTheEnvironment) {
    ASSERT_TRUE(engine_double::CompleteEnvironment());
    engine_double::PumpMessages();
    Destroy();
    EXPECT_TRUE(quitPosted_);
    // Held as the environment and, while its exit handler was registered, as its later version.
    EXPECT_EQ(engine_double::EnvironmentRefs().addRefs, 2);
    EXPECT_EQ(engine_double::EnvironmentRefs().releases, 2);
    EXPECT_EQ(engine_double::ControllerRefs().addRefs, 0);
}

// A person closes the window while the engine's answer is already on its way: the late answer
// stores nothing and calls nothing, and the engine keeps what it handed over.
TEST_F(DestroyTest, EnvironmentArrivingAfterTheWindowIsGoneIsLeftToTheEngine) {
    Destroy();
    const size_t callsBefore = Calls().size();
    ASSERT_TRUE(engine_double::CompleteEnvironment());
    engine_double::PumpMessages();
    EXPECT_EQ(Calls().size(), callsBefore);
    EXPECT_EQ(engine_double::EnvironmentRefs().Held(), 0);
    EXPECT_FALSE(webviewEnvironment);
}

TEST_F(DestroyTest, ControllerArrivingAfterTheWindowIsGoneIsLeftToTheEngine) {
    ASSERT_TRUE(engine_double::CompleteEnvironment());
    ASSERT_TRUE(PumpUntil([] { return engine_double::ControllerRequested(); }));
    Destroy();
    const size_t callsBefore = Calls().size();
    ASSERT_TRUE(engine_double::CompleteController());
    engine_double::PumpMessages();
    EXPECT_EQ(Calls().size(), callsBefore);
    for (const auto& refs : {engine_double::EnvironmentRefs(), engine_double::ControllerRefs(),
                             engine_double::WebViewRefs()}) {
        EXPECT_EQ(refs.Held(), 0);
    }
    EXPECT_FALSE(webviewController);
    EXPECT_FALSE(webview);
    EXPECT_FALSE(navStartingHandler);
    EXPECT_FALSE(webviewReady);
}

TEST_F(DestroyTest, AfterReadyReleasesEachReferenceOnceAndFreesTheHandlersAtExit) {
    StartEngine();
    EXPECT_EQ(engine_double::ControllerHandlerCountAtRelease(), 0);
    Destroy();
    EXPECT_EQ(engine_double::FinalReleases(),
              (std::vector<std::wstring>{L"close", L"webview", L"controller", L"environment"}));
    EXPECT_EQ(engine_double::EnvironmentRefs().addRefs, 2);
    EXPECT_EQ(engine_double::EnvironmentRefs().releases, 2);
    for (const auto& refs : {engine_double::ControllerRefs(), engine_double::WebViewRefs()}) {
        EXPECT_EQ(refs.addRefs, 1);
        EXPECT_EQ(refs.releases, 1);
    }
    EXPECT_FALSE(webview);
    EXPECT_FALSE(webviewController);
    EXPECT_FALSE(webviewEnvironment);
    // The engine let go of the event handlers with the view; only the program's holders remain,
    // so emptying them at exit frees both objects.
    EXPECT_EQ(engine_double::NavigationHandlerCountAtRelease(0), 1);
    EXPECT_EQ(engine_double::NavigationHandlerCountAtRelease(1), 1);
    EXPECT_EQ(navStartingHandler->AddRef(), 2u);
    EXPECT_EQ(navStartingHandler->Release(), 1u);
    EXPECT_EQ(navCompletedHandler->AddRef(), 2u);
    EXPECT_EQ(navCompletedHandler->Release(), 1u);
    EXPECT_EQ(engine_double::FullScreenHandlerCountAtRelease(), 1);
    EXPECT_EQ(fullScreenHandler->AddRef(), 2u);
    EXPECT_EQ(fullScreenHandler->Release(), 1u);
    // The controller let go of the accelerator-key handler in the same way.
    EXPECT_EQ(engine_double::AcceleratorKeyHandlerCountAtRelease(), 1);
    EXPECT_EQ(acceleratorHandler->AddRef(), 2u);
    EXPECT_EQ(acceleratorHandler->Release(), 1u);
    // A second release at exit finds the engine holders empty.
    ResetAppStateForTesting();
    EXPECT_EQ(engine_double::WebViewRefs().releases, 1);
}

// Every handler the host registered is let go once by the release path, when the dead engine is
// restarted and when the program ends (as its start does once the message loop has ended), and
// nobody else holds it then.
TEST_F(DestroyTest, TheReleasePathFreesEveryRegisteredHandlerAtARestartAndAtExit) {
    const std::vector<std::wstring> everyHandler = {L"add_NavigationStarting", L"add_NavigationCompleted",
                                                    L"add_SourceChanged", L"add_ProcessFailed",
                                                    L"add_ContainsFullScreenElementChanged",
                                                    L"add_AcceleratorKeyPressed", L"add_MoveFocusRequested",
                                                    L"add_GotFocus", L"add_LostFocus",
                                                    L"add_ScriptDialogOpening", L"add_NewWindowRequested",
                                                    L"add_BrowserProcessExited"};
    for (bool restart : {true, false}) {
        SCOPED_TRACE(restart ? "restart" : "exit");
        StartEngine();
        engine_double::HandlerWatch watch;
        if (restart) {
            engine_double::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
            engine_double::PumpMessages();
            engine_double::RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED);
            engine_double::PumpMessages();
        } else {
            Destroy();
            ReleaseEngineReferences();
        }
        EXPECT_EQ(watch.Freed(), everyHandler);
    }
}

// The handler objects: COM identity, reference counting and Invoke's result.
std::vector<std::string> handlerEvents;
ProcessFailedHandler* handlerUnderTest = nullptr;

struct DestructionProbe {
    ~DestructionProbe() { handlerEvents.push_back("handler destroyed"); }
};

// A body that drops the last reference to its own handler runs to its end before the handler goes.
TEST(HandlerTest, OutlivesABodyThatReleasesItsLastReference) {
    handlerEvents.clear();
    auto probe = std::make_shared<DestructionProbe>();
    handlerUnderTest = new ProcessFailedHandler([probe](ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs*) {
        handlerEvents.push_back("body started");
        handlerUnderTest->Release();
        handlerEvents.push_back("body ended");
        return S_OK;
    });
    probe.reset();
    EXPECT_EQ(handlerUnderTest->Invoke(nullptr, nullptr), S_OK);
    EXPECT_EQ(handlerEvents, (std::vector<std::string>{"body started", "body ended", "handler destroyed"}));
}

TEST(HandlerTest, AnswersOnlyItsOwnInterfaceAndIUnknown) {
    int calls = 0;
    auto* handler = new NavigationStartingHandler([&calls](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs*) {
        ++calls;
        return E_FAIL;
    });
    void* object = nullptr;
    EXPECT_EQ(handler->QueryInterface(IID_IUnknown, &object), S_OK);
    EXPECT_EQ(object, static_cast<ICoreWebView2NavigationStartingEventHandler*>(handler));
    EXPECT_EQ(handler->QueryInterface(IID_ICoreWebView2NavigationStartingEventHandler, &object), S_OK);
    EXPECT_EQ(handler->QueryInterface(IID_ICoreWebView2NavigationCompletedEventHandler, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(handler->QueryInterface(IID_IDispatch, &object), E_NOINTERFACE);
    // Whatever the body says, the engine hears S_OK.
    EXPECT_EQ(handler->Invoke(nullptr, nullptr), S_OK);
    EXPECT_EQ(calls, 1);
    // One reference from creation and two from the successful queries.
    EXPECT_EQ(handler->Release(), 2u);
    EXPECT_EQ(handler->Release(), 1u);
    EXPECT_EQ(handler->Release(), 0u);
}

TEST(ComRefTest, OwnsExactlyOneReference) {
    struct Probe : IUnknown {
        LONG refs = 1;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
        ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    } a, b;
    {
        ComRef<IUnknown> holder;
        holder = &a;  // takes a reference of its own
        EXPECT_EQ(a.refs, 2);
        holder = &a;  // the same pointer again changes nothing
        EXPECT_EQ(a.refs, 2);
        holder = &b;  // the old one goes
        EXPECT_EQ(a.refs, 1);
        EXPECT_EQ(b.refs, 2);
        *holder.ReleaseAndGetAddressOf() = &a;  // out-parameter: empties first, callee's reference kept
        EXPECT_EQ(b.refs, 1);
        EXPECT_EQ(a.refs, 1);
        holder.Reset();
        EXPECT_EQ(a.refs, 0);
        holder.Reset();  // empty: nothing more
        EXPECT_EQ(a.refs, 0);
        holder.Attach(&b);  // takes over a reference
        EXPECT_EQ(b.refs, 1);
    }
    EXPECT_EQ(b.refs, 0);  // released when the holder goes
}

}  // namespace
