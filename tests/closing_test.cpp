#include "app/closing.h"

#include "app/page_dialogs.h"
#include "app/state.h"
#include "browser_window.h"
#include "reset_program.h"
#include "webhost/engine.h"
#include "webhost/engine_life.h"
#include "webhost/messages.h"

#include <gtest/gtest.h>

namespace {

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
// is asked, redirected, completes first, successfully, and the window stays; so does a navigation
// of a new window that starts and completes meanwhile.
TEST_F(WebHostTest, ALoadCompletingBeforeAboutBlankStartsDoesNotCloseTheWindow) {
    StartEngine();
    engine_double::SetNavigationId(3);
    NavigateTo(L"https://slow.example/");
    engine_double::RaiseNavigationStarting(L"https://slow.example/");
    SendMessageW(window(), WM_CLOSE, 0, 0);
    engine_double::RaiseNavigationStarting(L"https://slow.example/redirected");
    engine_double::RaiseNavigationCompleted(true);
    engine_double::PumpMessages();
    ASSERT_TRUE(IsWindow(window()));
    engine_double::SetNavigationId(5);
    engine_double::RaiseNavigationStarting(L"https://new-window.example/");
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
    ResetProgramForTesting();
    OpenWindow();
    StartEngine();
    SendMessageW(window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(PumpUntil([this] { return !IsWindow(window()); }, 1000)) << "not at once";
    EXPECT_TRUE(PumpUntil([this] { return !IsWindow(window()); }, 4000));
}

// The main view's life, from its first start through deaths, restarts and closes to the window's end.
TEST(EngineLifeTest, EachEventMovesTheViewOnlyWhereItsStageAllows) {
    using S = EngineStage;
    using E = EngineEvent;
    using P = EngineStep;
    struct Case { S stage; E event; S next; P step; };
    const Case cases[] = {
        {S::Starting, E::Started, S::Running, P::None},
        {S::Starting, E::StartFailed, S::NoEngine, P::None},  // a first start is not retried
        {S::NoEngine, E::PageAsked, S::NoEngine, P::None},
        {S::Running, E::Died, S::Dead, P::MarkDown},
        {S::Running, E::ExitHeard, S::Dead, P::MarkDown},  // the exit heard before ProcessFailed
        {S::Dead, E::Died, S::Dead, P::None},              // said again: counted once
        {S::Dead, E::RestartDue, S::Restarting, P::LetGoAndStart},
        {S::Dead, E::RestartAwaitsExit, S::AwaitingExit, P::LetGoAndWait},
        {S::Dead, E::RestartsSpent, S::Parked, P::LetGoAndPark},
        {S::AwaitingExit, E::ExitHeard, S::AwaitingExit, P::PostRestart},
        {S::AwaitingExit, E::RestartDue, S::Restarting, P::StartAgain},
        {S::AwaitingExit, E::TimerDue, S::Restarting, P::StartAgain},
        {S::Restarting, E::Died, S::Restarting, P::None},  // not ready: its start fails instead
        {S::Restarting, E::Started, S::Running, P::GiveFocusBack},
        {S::Restarting, E::StartFailed, S::AttemptFailed, P::PostLetGo},  // let go outside its completion
        {S::AttemptFailed, E::PageAsked, S::AttemptFailed, P::None},
        {S::AttemptFailed, E::AttemptGone, S::RetryDue, P::ArmRetry},
        {S::AttemptFailed, E::LastAttemptGone, S::Parked, P::LetGoOfAttempt},
        {S::RetryDue, E::PageAsked, S::RetryDue, P::None},
        {S::RetryDue, E::TimerDue, S::Restarting, P::StartAgain},
        {S::Parked, E::TimerDue, S::Parked, P::None},
        {S::Parked, E::PageAsked, S::Restarting, P::StartAgain},
        {S::Running, E::PageAsked, S::Running, P::None},
        {S::Running, E::Reopen, S::Restarting, P::Reopen},
        {S::Dead, E::Reopen, S::Dead, P::None},
        {S::Asking, E::Reopen, S::Asking, P::None},
        {S::Running, E::CloseAsked, S::Asking, P::WaitAgain},
        {S::Running, E::Stayed, S::Running, P::None},  // a typed address was refused: no close
        {S::Running, E::BlankStarted, S::Running, P::None},
        {S::Running, E::WaitOver, S::Running, P::EndWait},
        {S::Asking, E::Left, S::Asking, P::WaitAgain},
        {S::Asking, E::Stayed, S::Running, P::EndWait},
        {S::Asking, E::BlankCompleted, S::Asking, P::None},  // a load that was under way
        {S::Asking, E::BlankStarted, S::Leaving, P::WaitAgain},
        {S::Asking, E::WaitOverAsking, S::Asking, P::None},  // the question has no time limit
        {S::Asking, E::WaitOver, S::Closed, P::CloseNow},    // a hung page
        {S::Asking, E::Died, S::Closed, P::CloseWithEngine},
        {S::Leaving, E::BlankCompleted, S::Closed, P::CloseAfterEvent},
        {S::Leaving, E::Stayed, S::Running, P::EndWait},
        {S::Leaving, E::WaitOver, S::Closed, P::CloseNow},
        {S::Leaving, E::ExitHeard, S::Closed, P::CloseWithEngine},
        {S::Closed, E::Died, S::Closed, P::None},
        {S::Closed, E::CloseAsked, S::Closed, P::None},
        {S::Dead, E::WaitOver, S::Dead, P::EndWait},
    };
    for (const Case& c : cases) {
        const EngineMove move = NextEngineStage(c.stage, c.event);
        EXPECT_EQ(move.stage, c.next) << static_cast<int>(c.stage) << " " << static_cast<int>(c.event);
        EXPECT_EQ(move.step, c.step) << static_cast<int>(c.stage) << " " << static_cast<int>(c.event);
    }
}

}  // namespace
