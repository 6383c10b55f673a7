#include "app/popups.h"

#include "app/page_dialogs.h"
#include "app/state.h"
#include "browser_window.h"
#include "webhost/messages.h"

#include <gtest/gtest.h>

namespace {

using engine_double::NewWindowRequest;
using Steps = std::vector<std::wstring>;

// A frame of 16 by 39 pixels, a work area of 1000 by 700 at (100, 0), the owner at (200, 100).
TEST(PopupRules, TheFrameTakesTheAskedSizeAndPlaceInsideTheWorkArea) {
    const RECT work = {100, 0, 1100, 700}, owner = {200, 100, 1000, 600};
    struct Case { PopupFeatures asked; RECT frame; };
    const Case cases[] = {
        {{true, true, 300, 50, 480, 560}, {300, 50, 796, 649}},
        {{false, true, 0, 0, 480, 560}, {352, 51, 848, 650}},      // centred on the owner
        {{true, false, 150, 20, 0, 0}, {150, 20, 966, 659}},      // the default page size
        {{true, true, 0, 900, 480, 560}, {100, 101, 596, 700}},   // pushed back on screen
        {{true, true, 4294967295u, 4294967295u, 4294967295u, 4294967295u}, {100, 0, 1100, 700}},
    };
    for (const Case& c : cases) {
        const RECT frame = PopupFrame(c.asked, SIZE{16, 39}, work, owner);
        EXPECT_EQ(std::vector<LONG>({frame.left, frame.top, frame.right, frame.bottom}),
                  std::vector<LONG>({c.frame.left, c.frame.top, c.frame.right, c.frame.bottom}))
            << c.asked.left << "," << c.asked.top << " " << c.asked.width << "x" << c.asked.height;
    }
}

TEST(PopupRules, APopupsLifeFromItsRequestToItsEnd) {
    using S = PopupStage;
    using E = PopupEvent;
    using P = PopupStep;
    struct Case { S stage; E event; S next; P step; };
    const Case cases[] = {
        {S::Opening, E::ViewReady, S::Open, P::HandOverView},
        {S::Opening, E::ViewFailed, S::Gone, P::Close},
        {S::Open, E::ViewFailed, S::Gone, P::Close},  // the engine refused the view
        {S::Opening, E::PersonCloses, S::Gone, P::Close},  // nothing to ask yet
        {S::Open, E::PersonCloses, S::Asking, P::AskPage},
        {S::Open, E::WaitOver, S::Open, P::None},
        {S::Open, E::PageCloses, S::Gone, P::Close},
        {S::Asking, E::PersonCloses, S::Asking, P::None},  // the question is up
        {S::Asking, E::Stayed, S::Open, P::EndWait},
        {S::Asking, E::Left, S::Asking, P::WaitAgain},
        {S::Asking, E::BlankStarted, S::Leaving, P::WaitAgain},
        {S::Asking, E::WaitOver, S::Gone, P::Close},
        {S::Leaving, E::BlankCompleted, S::Gone, P::Close},
        {S::Leaving, E::WaitOver, S::Gone, P::Close},
        {S::Open, E::BlankCompleted, S::Open, P::None},
        {S::Gone, E::PageCloses, S::Gone, P::None},
    };
    for (const Case& c : cases) {
        const PopupMove move = NextPopupStage(c.stage, c.event);
        EXPECT_EQ(move.stage, c.next) << static_cast<int>(c.stage) << " " << static_cast<int>(c.event);
        EXPECT_EQ(move.step, c.step) << static_cast<int>(c.stage) << " " << static_cast<int>(c.event);
    }
}

class PopupTest : public WebHostTest {
protected:
    // A sign-in popup, as window.open(url, 'signin', 'width=480,height=560') asks, with its view.
    HWND OpenSignInPopup() {
        NewWindowRequest request;
        request.hasSize = true;
        request.width = 480;
        request.height = 560;
        EXPECT_EQ(engine_double::RaiseNewWindowRequested(request), Steps{L"GetDeferral"});
        EXPECT_TRUE(engine_double::CompletePopupController(PopupCount() - 1));
        return PopupWindowAt(PopupCount() - 1);
    }
    void ExpectPopupReferencesReleasedOnce() {
        for (size_t i = 0; i < engine_double::PopupViews(); ++i) {
            EXPECT_EQ(engine_double::PopupControllerRefs(i).Held(), 0) << i;
            EXPECT_EQ(engine_double::PopupWebViewRefs(i).Held(), 0) << i;
        }
        EXPECT_EQ(engine_double::NewWindowArgsHeld(), 0);
        EXPECT_EQ(CountCalls(L"Reentrant"), 0);
    }
};

// The request waits on its deferral until the popup's view is handed over; the window is Trov's,
// owned by the main window, sized for the page, captioned with its origin and title; the page's
// window.close() closes it after the event, its references released once, in order.
TEST_F(PopupTest, ASignInPopupGetsAWindowAndTheViewItsOpenerWaitsFor) {
    StartEngine();
    const int navigations = CountCalls(L"Navigate");
    HWND popup = OpenSignInPopup();
    ASSERT_TRUE(IsWindow(popup));
    EXPECT_EQ(engine_double::PopupParent(0), popup);
    EXPECT_EQ(GetWindow(popup, GW_OWNER), window());
    EXPECT_EQ(engine_double::NewWindowSteps(),
              (Steps{L"GetDeferral", L"put_NewWindow popup 0", L"put_Handled 1", L"Complete"}));
    EXPECT_EQ(LastCall(L"popup put_Bounds"), L"popup put_Bounds 480 560");
    EXPECT_EQ(CountCalls(L"Navigate"), navigations) << "the opener keeps its page";
    std::wstring caption(64, L'\0');
    caption.resize(static_cast<size_t>(GetWindowTextW(popup, caption.data(), 64)));
    EXPECT_EQ(caption, L"https://popup.example");
    ASSERT_TRUE(engine_double::RaisePopupEvent(0, L"add_DocumentTitleChanged", L"Sign in"));
    caption.resize(64);
    caption.resize(static_cast<size_t>(GetWindowTextW(popup, caption.data(), 64)));
    EXPECT_EQ(caption, L"https://popup.example - Sign in");
    NewWindowRequest byScript;  // the popup's own new windows follow the same rules
    byScript.userInitiated = false;
    EXPECT_EQ(engine_double::RaiseNewWindowRequested(byScript, 0), Steps{L"put_Handled 1"});

    ASSERT_TRUE(engine_double::RaisePopupEvent(0, L"add_WindowCloseRequested"));
    EXPECT_TRUE(IsWindow(popup)) << "not inside the view's own event";
    engine_double::PumpMessages();
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(PopupCount(), 0u);
    EXPECT_EQ(engine_double::FinalReleases(), (Steps{L"popup close", L"popup webview", L"popup controller"}));
    EXPECT_TRUE(IsWindow(window()));
    ExpectPopupReferencesReleasedOnce();
}

// The person's close asks the popup's page by sending it to about:blank: its question, in a dialog
// of the popup's, answered Stay keeps the popup; once about:blank has completed the popup goes. A
// popup closed before its view came answers the opener with no window.
TEST_F(PopupTest, ThePersonsCloseAsksThePopupsPage) {
    StartEngine();
    HWND popup = OpenSignInPopup();
    SendMessageW(popup, WM_CLOSE, 0, 0);
    engine_double::RaiseScriptDialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD, L"", L"", L"https://popup.example/x", 0);
    HWND owner = nullptr;
    {
        PageDialogAnswerer person({{IDCANCEL, false, L"", [&owner] {
            owner = GetWindow(OpenPageDialog(), GW_OWNER);
            ClosePageDialog();  // Stay
        }}});
        engine_double::PumpMessages();
    }
    EXPECT_EQ(owner, popup);
    SendMessageW(popup, WM_TIMER, kCloseWaitTimer, 0);
    engine_double::PumpMessages();
    ASSERT_TRUE(IsWindow(popup)) << "Stay keeps the popup";
    EXPECT_TRUE(IsWindow(window()));
    SendMessageW(popup, WM_CLOSE, 0, 0);
    EXPECT_EQ(CountCalls(L"popup Navigate about:blank"), 2);
    engine_double::SetNavigationId(7);
    ASSERT_TRUE(engine_double::RaisePopupNavigation(0, L"about:blank", false));
    ASSERT_TRUE(engine_double::RaisePopupNavigation(0, L"about:blank", true));
    engine_double::PumpMessages();
    EXPECT_FALSE(IsWindow(popup));

    NewWindowRequest request;
    request.hasPosition = true;
    engine_double::RaiseNewWindowRequested(request);
    SendMessageW(PopupWindowAt(0), WM_CLOSE, 0, 0);
    engine_double::PumpMessages();
    EXPECT_EQ(PopupCount(), 0u);
    EXPECT_EQ(engine_double::NewWindowSteps(), (Steps{L"GetDeferral", L"put_Handled 1", L"Complete"}));
    EXPECT_TRUE(engine_double::CompletePopupController(1));  // the engine's late answer is not taken
    EXPECT_EQ(engine_double::PopupControllerRefs(1).Held(), 0);
}

// The engine's death, or Trov's close, takes the popups first; each reference goes once.
TEST_F(PopupTest, PopupsGoBeforeTheMainViewWhenTheEngineDies) {
    StartEngine();
    HWND popup = OpenSignInPopup();
    engine_double::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
    engine_double::PumpMessages();
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(engine_double::FinalReleases(),
              (Steps{L"popup close", L"popup webview", L"popup controller", L"close", L"webview", L"controller"}));
    ExpectPopupReferencesReleasedOnce();
}

TEST_F(PopupTest, PopupsGoBeforeTheMainViewWhenTrovCloses) {
    StartEngine();
    HWND popup = OpenSignInPopup();
    DestroyWindow(window());
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(engine_double::FinalReleases(), (Steps{L"popup close", L"popup webview", L"popup controller", L"close",
                                                     L"webview", L"controller", L"environment"}));
    EXPECT_EQ(engine_double::ControllerRefs().Held() + engine_double::WebViewRefs().Held(), 0);
    ExpectPopupReferencesReleasedOnce();
}

}  // namespace
