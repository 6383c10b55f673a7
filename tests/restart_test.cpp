#include "webhost/restart_budget.h"

#include "app/keyboard.h"
#include "app/messages.h"
#include "app/page_dialogs.h"
#include "app/state.h"
#include "app/toolbar.h"
#include "app/unresponsive_page.h"
#include "browser_window.h"
#include "webhost/engine.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

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
        ProcessFailedCase{"GpuExited", COREWEBVIEW2_PROCESS_FAILED_KIND_GPU_PROCESS_EXITED, 0, 0},
        ProcessFailedCase{"UnknownExited", COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED, 0, 0},
        ProcessFailedCase{"BrowserExited", COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED, 0, 1}),
    [](const ::testing::TestParamInfo<ProcessFailedCase>& info) { return info.param.name; });

TEST_F(ProcessFailureTest, DeadEngineIsReleasedOnceAndRestartedOnTheLastPage) {
    StartEngine();
    ShowPage(L"https://abc.def/last");
    engine_double::KeepBrowserExitedHandlerForLater();
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
    for (const wchar_t* add :
         {L"add_NavigationStarting", L"add_NavigationCompleted", L"add_SourceChanged", L"add_ProcessFailed"}) {
        EXPECT_EQ(engine_double::HandlerCountAtRelease(add), 1) << add;
    }
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
    // A late word of the dead engine's environment: no second restart, the page stays.
    const size_t callsBeforeLateExit = Calls().size();
    ASSERT_TRUE(engine_double::RaiseLateBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED));
    engine_double::PumpMessages();
    EXPECT_TRUE(webviewReady);
    EXPECT_EQ(Calls().size(), callsBeforeLateExit);
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

// What the person does with each question about a page that does not answer, from inside the
// question's modal loop; and what each question showed: its caption, message and buttons.
std::vector<std::function<void(HWND)>> unresponsiveSteps;
std::vector<std::wstring> unresponsiveSeen;
HWND unresponsiveAnswered = nullptr;
ULONGLONG unresponsiveAnsweredAt = 0;

// A dialog of the thread still up 3 s after its step ends the test's wait, as a failure.
BOOL CALLBACK EndStuckDialog(HWND hwnd, LPARAM) {
    wchar_t name[16] = L"";
    GetClassNameW(hwnd, name, 16);
    if (std::wstring(name) == L"#32770" && IsWindowVisible(hwnd)) {
        ADD_FAILURE() << "a question stayed up";
        EndDialog(hwnd, IDOK);
    }
    return TRUE;
}

void CALLBACK AnswerUnresponsiveDialog(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = OpenUnresponsiveDialog();
    if (!dialog) unresponsiveAnswered = nullptr;
    if (unresponsiveAnsweredAt && GetTickCount64() - unresponsiveAnsweredAt > 3000) {
        unresponsiveAnsweredAt = GetTickCount64();  // and again, while any stays
        EnumThreadWindows(GetCurrentThreadId(), EndStuckDialog, 0);
    }
    if (!dialog || dialog == unresponsiveAnswered || unresponsiveSeen.size() >= unresponsiveSteps.size()) return;
    unresponsiveAnswered = dialog;
    unresponsiveAnsweredAt = GetTickCount64();
    std::wstring seen;
    for (int id : {0, int(kPageDialogMessageId), IDOK, int(kUnresponsiveReopenId)}) {
        HWND item = id ? GetDlgItem(dialog, id) : dialog;
        wchar_t text[128] = L"";
        GetWindowTextW(item, text, 128);
        seen += std::wstring(text) + L"|";
    }
    unresponsiveSeen.push_back(seen);
    unresponsiveSteps[unresponsiveSeen.size() - 1](dialog);
}

class UnresponsivePageTest : public ProcessFailureTest {
protected:
    void SetUp() override {
        ProcessFailureTest::SetUp();
        unresponsiveSeen.clear();
        unresponsiveAnswered = nullptr;
        unresponsiveAnsweredAt = 0;
        timer_ = SetTimer(nullptr, 0, 10, AnswerUnresponsiveDialog);
    }
    void TearDown() override {
        KillTimer(nullptr, timer_);
        ProcessFailureTest::TearDown();
    }
    static void Press(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    static void Report() {
        engine_double::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE);
    }
    UINT_PTR timer_ = 0;
};

// The engine reports a page that does not answer every few seconds: the person is asked once for
// the run, and the question goes by itself when the page answers again (the script Trov asked it
// to run comes back). "Wait" asks nothing more for a while.
TEST_F(UnresponsivePageTest, IsAskedOncePerRunAndTheQuestionGoesWhenThePageAnswers) {
    StartEngine();
    ShowPage(L"https://loop.example/page?q");
    unresponsiveSteps = {[](HWND) {
                             Report();  // the engine's reports while the question is up
                             Report();
                             SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR timer, DWORD) {
                                 KillTimer(nullptr, timer);
                                 EXPECT_EQ(engine_double::AnswerScripts(), 1) << "one script for the run";
                             });
                         },
                         [](HWND dialog) { Press(dialog, IDOK); }};
    Report();
    EXPECT_EQ(OpenUnresponsiveDialog(), nullptr) << "not inside the engine's event";
    ASSERT_TRUE(PumpUntil([] { return unresponsiveSeen.size() == 1 && !OpenUnresponsiveDialog(); }));
    EXPECT_EQ(unresponsiveSeen[0], L"https://loop.example|此页面没有响应。\n你可以等待它响应，或重新打开此页面。|等待|重新打开|");

    Report();  // a new run
    ASSERT_TRUE(PumpUntil([] { return unresponsiveSeen.size() == 2 && !OpenUnresponsiveDialog(); }));
    Report();
    Report();
    engine_double::PumpMessages();
    EXPECT_EQ(unresponsiveSeen.size(), 2u) << "waiting, the page is given time";
    EXPECT_EQ(CountCalls(L"ExecuteScript 0"), 2);
}

// Reopening is no death of the engine: a new view of the same engine opens the page's address,
// and the budget of restarts is whole for a death that follows.
TEST_F(UnresponsivePageTest, ReopeningOpensThePageInANewViewWithoutUsingTheRestartBudget) {
    SetRecoveryClockForTesting(TestClock);
    testNow = 100000;
    StartEngine();
    ShowPage(L"https://loop.example/page");
    unresponsiveSteps.assign(4, [](HWND dialog) { Press(dialog, kUnresponsiveReopenId); });
    for (int reopen = 1; reopen <= 4; ++reopen) {
        Report();
        ASSERT_TRUE(PumpUntil([] { return engine_double::ControllerRequested(); })) << reopen;
        EXPECT_FALSE(webviewReady);
        ASSERT_TRUE(engine_double::CompleteController());
        ASSERT_TRUE(PumpUntil([] { return webviewReady; }));
        EXPECT_EQ(Calls().back(), L"Navigate https://loop.example/page") << reopen;
    }
    EXPECT_EQ(CountCalls(L"Close"), 4);
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 1) << "the same engine";
    KillBrowserProcess();
    EXPECT_EQ(CountCalls(L"CreateEnvironment"), 2) << "a death after the reopenings still restarts";
}

TEST(UnresponsiveRuleTest, AsksOnceAndAfterWaitingOnlyWhenTheWaitIsOver) {
    struct Case {
        bool asking, waited;
        ULONGLONG sinceWaitMs;
        bool asks;
    } const cases[] = {
        {false, false, 0, true}, {true, false, 0, false}, {false, true, 0, false},
        {false, true, 9999, false}, {false, true, 10000, true}, {true, true, 60000, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AsksAboutUnresponsivePage(c.asking, c.waited, c.sinceWaitMs), c.asks)
            << c.asking << " " << c.waited << " " << c.sinceWaitMs;
    }
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

}  // namespace
