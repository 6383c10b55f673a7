#include "webhost/webview_host.h"

#include "addressbar/navigate.h"
#include "app/state.h"
#include "browser_window.h"
#include "webhost/com_handler.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using engine_double::Calls;
using engine_double::CountCalls;
using engine_double::LastCall;

std::wstring BoundsCall(int left, int top, int right, int bottom) {
    return L"put_Bounds " + std::to_wstring(left) + L" " + std::to_wstring(top) + L" " + std::to_wstring(right) +
           L" " + std::to_wstring(bottom);
}

std::wstring AddressBarText() {
    wchar_t text[4096] = {};
    GetWindowTextW(hAddressBar, text, 4096);
    return text;
}

class WebHostTest : public BrowserWindowTest {
protected:
    RECT Client() const {
        RECT rc;
        GetClientRect(window(), &rc);
        return rc;
    }
};

TEST_F(WebHostTest, WindowCreationOnlyRequestsTheEnvironment) {
    EXPECT_EQ(Calls(), std::vector<std::wstring>{L"CreateEnvironment"});
    EXPECT_FALSE(webviewReady);
}

TEST_F(WebHostTest, StartUpShowsSizesAndRegistersBeforeTheFirstNavigation) {
    StartEngine();
    const RECT rc = Client();
    const std::vector<std::wstring> expected = {
        L"CreateEnvironment",      L"CreateController",        L"put_IsVisible 1",
        BoundsCall(0, 64, rc.right, rc.bottom), L"add_NavigationStarting", L"add_NavigationCompleted",
        L"add_AcceleratorKeyPressed", L"Navigate https://duckduckgo.com/"};
    EXPECT_EQ(Calls(), expected);
    EXPECT_TRUE(webviewReady);
    EXPECT_EQ(GetFocus(), window());
}

TEST_F(WebHostTest, ControllerArrivingWithTheMenuOpenPlacesTheViewBelowThePanel) {
    menuOpen = true;
    StartEngine();
    EXPECT_EQ(LastCall(L"put_Bounds"), BoundsCall(0, 384, Client().right, Client().bottom));
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

TEST_F(WebHostTest, CompletionReplacesTextTheUserIsEditing) {
    StartEngine();
    SetFocus(hAddressBar);
    SetWindowTextW(hAddressBar, L"half-typed");
    engine_double::Settings().source = L"https://abc.def/";
    engine_double::RaiseNavigationCompleted(true);
    EXPECT_EQ(AddressBarText(), L"https://abc.def/");
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

struct FailureCase {
    const char* name;
    engine_double::Options options;
    bool controllerRequested;
    int environmentHeld, controllerHeld;
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
    EXPECT_EQ(engine_double::WebViewRefs().Held(), 0);
    // The creation handlers were freed when the engine let go of them.
    EXPECT_EQ(engine_double::EnvironmentHandlerCountAtRelease(), 0);
    // Navigation controls stay inert, and the window still sizes without a web view.
    Click(window(), 30, 30);
    NavigateTo(L"abc.def");
    EXPECT_EQ(CountCalls(L"GoBack"), 0);
    EXPECT_EQ(CountCalls(L"Navigate"), 0);
}

engine_double::Options Failing(HRESULT environment, HRESULT controller, bool noWebView) {
    engine_double::Options o;
    o.environmentResult = environment;
    o.controllerResult = controller;
    o.noWebView = noWebView;
    return o;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, StartUpFailureTest,
    ::testing::Values(FailureCase{"NoRuntime", Failing(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), S_OK, false), false, 0, 0},
                      FailureCase{"ControllerFails", Failing(S_OK, E_FAIL, false), true, 1, 0},
                      FailureCase{"NoWebView", Failing(S_OK, S_OK, true), true, 1, 1}),
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
    EXPECT_EQ(LastCall(L"put_Bounds"), BoundsCall(0, 64, Client().right, Client().bottom));
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
    EXPECT_EQ(engine_double::EnvironmentRefs().addRefs, 1);
    EXPECT_EQ(engine_double::EnvironmentRefs().releases, 1);
    EXPECT_EQ(engine_double::ControllerRefs().addRefs, 0);
}

TEST_F(DestroyTest, AfterReadyReleasesEachReferenceOnceAndFreesTheHandlersAtExit) {
    StartEngine();
    EXPECT_EQ(engine_double::ControllerHandlerCountAtRelease(), 0);
    Destroy();
    for (const auto& refs : {engine_double::EnvironmentRefs(), engine_double::ControllerRefs(),
                             engine_double::WebViewRefs()}) {
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
    // The controller let go of the accelerator-key handler in the same way.
    EXPECT_EQ(engine_double::AcceleratorKeyHandlerCountAtRelease(), 1);
    EXPECT_EQ(acceleratorHandler->AddRef(), 2u);
    EXPECT_EQ(acceleratorHandler->Release(), 1u);
    // A second release at exit finds the engine holders empty.
    ResetAppStateForTesting();
    EXPECT_EQ(engine_double::WebViewRefs().releases, 1);
}

// The handler objects: COM identity, reference counting and Invoke's result.
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
