#include "webhost/engine.h"

#include "app/popups.h"
#include "app/state.h"
#include "browser_window.h"
#include "webhost/com_handler.h"
#include "webhost/com_ref.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

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
        L"add_ScriptDialogOpening", L"add_NewWindowRequested", L"add_ZoomFactorChanged",
        L"Navigate https://duckduckgo.com/"};
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

// Until a start is seen on the view (one whose id could not be read), every completion counts,
// whatever its id: the loading bar goes and the address shows.
TEST_F(WebHostTest, CompletionWithoutStartLeavesLoadingOff) {
    StartEngine();
    isLoading = true;
    engine_double::SetNavigationId(5);
    engine_double::Settings().source = L"https://unseen.example/";
    engine_double::RaiseNavigationCompleted(true);
    EXPECT_FALSE(isLoading);
    EXPECT_EQ(AddressBarText(), L"https://unseen.example/");
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

// Not started by the person: nothing opens and the page stays. Started without a size or a place:
// the view opens it, after the event. Either way the engine opens no window of its own.
TEST_F(WebHostTest, ANewWindowWithoutAPopupOpensInTheViewOrNotAtAll) {
    StartEngine();
    engine_double::NewWindowRequest timer;
    timer.userInitiated = false;
    timer.hasSize = true;
    const int navigations = CountCalls(L"Navigate");
    const std::vector<std::wstring> handledOnly = {L"put_Handled 1"};
    EXPECT_EQ(engine_double::RaiseNewWindowRequested(timer), handledOnly);
    engine_double::PumpMessages();
    EXPECT_EQ(CountCalls(L"Navigate"), navigations);
    EXPECT_EQ(PopupCount(), 0u);

    EXPECT_EQ(engine_double::RaiseNewWindowRequested(engine_double::NewWindowRequest{}), handledOnly);
    EXPECT_EQ(CountCalls(L"Navigate"), navigations);
    engine_double::PumpMessages();
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate https://popup.example/x");
    EXPECT_EQ(PopupCount(), 0u);
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
    EXPECT_EQ(engine_double::HandlerCountAtRelease(L"add_NavigationStarting"), 1);
    EXPECT_EQ(engine_double::HandlerCountAtRelease(L"add_NavigationCompleted"), 1);
    EXPECT_EQ(navStartingHandler->AddRef(), 2u);
    EXPECT_EQ(navStartingHandler->Release(), 1u);
    EXPECT_EQ(navCompletedHandler->AddRef(), 2u);
    EXPECT_EQ(navCompletedHandler->Release(), 1u);
    EXPECT_EQ(engine_double::HandlerCountAtRelease(L"add_ContainsFullScreenElementChanged"), 1);
    EXPECT_EQ(fullScreenHandler->AddRef(), 2u);
    EXPECT_EQ(fullScreenHandler->Release(), 1u);
    // The controller let go of the accelerator-key handler in the same way.
    EXPECT_EQ(engine_double::HandlerCountAtRelease(L"add_AcceleratorKeyPressed"), 1);
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
                                                    L"add_ZoomFactorChanged", L"add_BrowserProcessExited"};
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
