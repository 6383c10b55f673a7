#include "app/closing.h"

#include "app/page_dialogs.h"
#include "app/state.h"
#include "browser_window.h"
#include "reset_program.h"
#include "webhost/engine.h"
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

}  // namespace
