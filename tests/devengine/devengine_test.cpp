// Drives the development engine the way the browser does: through the loader export, handler
// objects of our own and the message loop, checking what it raises, reports, logs and shows.
#include "devtools/utf8.h"
#include "webhost/com_handler.h"
#include "webhost/com_ref.h"

#include <WebView2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <numeric>
#include <memory>
#include <string>
#include <vector>

namespace {

using CreateEnvironmentFunction = decltype(&CreateCoreWebView2EnvironmentWithOptions);
using StartingArgs = ICoreWebView2NavigationStartingEventArgs;
using CompletedArgs = ICoreWebView2NavigationCompletedEventArgs;

// Loaded at run time, as the engine is a tool beside the tests, not something they link.
CreateEnvironmentFunction LoaderExport() {
    static HMODULE module = LoadLibraryW(L"WebView2Loader.dll");
    if (!module) return nullptr;
    FARPROC proc = GetProcAddress(module, "CreateCoreWebView2EnvironmentWithOptions");
    return reinterpret_cast<CreateEnvironmentFunction>(reinterpret_cast<void*>(proc));
}

// Runs the message loop until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (GetTickCount64() >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

std::wstring TakeString(LPWSTR text) {
    std::wstring copy = text ? text : L"";
    CoTaskMemFree(text);
    return copy;
}

// One host of the engine: the three engine objects and what its handlers saw, as text.
class EngineSession {
public:
    explicit EngineSession(HWND parent) : parent_(parent) {}
    ~EngineSession() {
        webview.Reset();
        controller.Reset();
        environment.Reset();
    }

    HRESULT StartEnvironment(PCWSTR userDataFolder = nullptr) {
        auto* handler = new EnvironmentCompletedHandler([this](HRESULT code, ICoreWebView2Environment* created) {
            environmentCode = code;
            environment = created;
            environmentDone = true;
            return S_OK;
        });
        HRESULT hr = LoaderExport()(nullptr, userDataFolder, nullptr, handler);
        handler->Release();
        environmentDoneInsideCall = environmentDone;
        if (FAILED(hr)) return hr;
        return PumpUntil([this] { return environmentDone; }) ? environmentCode : E_PENDING;
    }

    HRESULT StartController() {
        auto* handler = new ControllerCompletedHandler([this](HRESULT code, ICoreWebView2Controller* created) {
            controllerCode = code;
            controller = created;
            controllerDone = true;
            return S_OK;
        });
        HRESULT hr = environment->CreateCoreWebView2Controller(parent_, handler);
        handler->Release();
        controllerDoneInsideCall = controllerDone;
        if (FAILED(hr)) return hr;
        return PumpUntil([this] { return controllerDone; }) ? controllerCode : E_PENDING;
    }

    bool TakeWebView() {
        return SUCCEEDED(controller->get_CoreWebView2(webview.ReleaseAndGetAddressOf())) && webview;
    }

    // Environment, controller, web view and the recording handlers; false if any step failed.
    bool StartWebView() {
        if (FAILED(StartEnvironment()) || FAILED(StartController()) || !TakeWebView()) return false;
        Watch();
        return true;
    }

    // Records "start <uri>" and "done <source> ok" or "done <source> error <status>".
    void Watch() {
        auto* starting = new NavigationStartingHandler([this](ICoreWebView2*, StartingArgs* args) {
            LPWSTR uri = nullptr;
            args->get_Uri(&uri);
            UINT64 id = 0;
            args->get_NavigationId(&id);
            startIds.push_back(id);
            events.push_back(L"start " + TakeString(uri));
            return S_OK;
        });
        auto* completed = new NavigationCompletedHandler([this](ICoreWebView2* sender, CompletedArgs* args) {
            LPWSTR source = nullptr;
            sender->get_Source(&source);
            BOOL success = FALSE;
            args->get_IsSuccess(&success);
            COREWEBVIEW2_WEB_ERROR_STATUS status = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
            args->get_WebErrorStatus(&status);
            UINT64 id = 0;
            args->get_NavigationId(&id);
            doneIds.push_back(id);
            events.push_back(L"done " + TakeString(source) + (success ? L" ok" : L" error " + std::to_wstring(status)));
            ++completedCount;
            return S_OK;
        });
        EventRegistrationToken token;
        webview->add_NavigationStarting(starting, &token);
        webview->add_NavigationCompleted(completed, &token);
        starting->Release();
        completed->Release();
    }

    // Records "source <0|1> <source>" and "failed <kind>" among the events.
    void WatchSourcesAndFailures() {
        auto* changed = new SourceChangedHandler([this](ICoreWebView2* sender, ICoreWebView2SourceChangedEventArgs* args) {
            LPWSTR source = nullptr;
            sender->get_Source(&source);
            BOOL newDocument = FALSE;
            args->get_IsNewDocument(&newDocument);
            events.push_back(L"source " + std::to_wstring(newDocument) + L" " + TakeString(source));
            return S_OK;
        });
        auto* failed = new ProcessFailedHandler([this](ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* args) {
            COREWEBVIEW2_PROCESS_FAILED_KIND kind = COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED;
            args->get_ProcessFailedKind(&kind);
            events.push_back(L"failed " + std::to_wstring(kind));
            return S_OK;
        });
        EventRegistrationToken token;
        webview->add_SourceChanged(changed, &token);
        webview->add_ProcessFailed(failed, &token);
        changed->Release();
        failed->Release();
    }

    // Runs an engine call and waits for the navigation it starts to complete.
    bool RunAndWait(const std::function<HRESULT()>& call) {
        int before = completedCount;
        return SUCCEEDED(call()) && PumpUntil([&] { return completedCount > before; });
    }

    bool NavigateAndWait(const std::wstring& url) {
        return RunAndWait([&] { return webview->Navigate(url.c_str()); });
    }

    bool WaitForEvents(size_t count) {
        return PumpUntil([&] { return events.size() >= count; });
    }

    std::wstring Source() {
        LPWSTR source = nullptr;
        webview->get_Source(&source);
        return TakeString(source);
    }

    ComRef<ICoreWebView2Environment> environment;
    ComRef<ICoreWebView2Controller> controller;
    ComRef<ICoreWebView2> webview;
    HRESULT environmentCode = E_PENDING;
    HRESULT controllerCode = E_PENDING;
    bool environmentDone = false;
    bool controllerDone = false;
    bool environmentDoneInsideCall = false;
    bool controllerDoneInsideCall = false;
    std::vector<std::wstring> events;
    std::vector<UINT64> startIds, doneIds;
    int completedCount = 0;

private:
    HWND parent_;
};

class DevEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(LoaderExport(), nullptr) << "WebView2Loader.dll must be beside the test";
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        logPath_ = std::wstring(temp) + L"trov-devengine-" + std::wstring(name.begin(), name.end()) + L".log";
        DeleteFileW(logPath_.c_str());
        SetEngineVariables(L"20", nullptr);
        parent_ = CreateParentWindow();
        ASSERT_NE(parent_, nullptr);
    }

    void TearDown() override {
        DestroyWindow(parent_);
        SetEnvironmentVariableW(L"TROV_ENGINE_LOG", nullptr);
        SetEnvironmentVariableW(L"TROV_ENGINE_DELAY_MS", nullptr);
        SetEnvironmentVariableW(L"TROV_ENGINE_FAIL", nullptr);
        SetEnvironmentVariableW(L"TROV_ENGINE_CHROMIUM", nullptr);
        SetEnvironmentVariableW(L"TROV_ENGINE_FAIL_RESTARTS", nullptr);
        DeleteFileW(logPath_.c_str());
    }

    // The engine reads these when an environment is created.
    void SetEngineVariables(const wchar_t* delayMs, const wchar_t* failMode) {
        SetEnvironmentVariableW(L"TROV_ENGINE_LOG", logPath_.c_str());
        SetEnvironmentVariableW(L"TROV_ENGINE_DELAY_MS", delayMs);
        SetEnvironmentVariableW(L"TROV_ENGINE_FAIL", failMode);
    }

    static HWND CreateParentWindow() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"DevEngineTestParent";
        RegisterClassW(&wc);
        HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"devengine test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                    0, 0, 900, 700, nullptr, nullptr, wc.hInstance, nullptr);
        ShowWindow(hwnd, SW_SHOW);
        return hwnd;
    }

    HWND PageWindow() const { return FindWindowExW(parent_, nullptr, nullptr, nullptr); }

    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        HANDLE file = CreateFileW(logPath_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return lines;
        std::string text;
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) text.append(buffer, read);
        CloseHandle(file);
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            lines.push_back(text.substr(start, end - start));
        }
        EXPECT_EQ(start, text.size()) << "the last line lacks its newline";
        return lines;
    }

    size_t LogCount(const std::string& line) const {
        auto lines = LogLines();
        return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
    }

    std::wstring logPath_;
    HWND parent_ = nullptr;
};

TEST_F(DevEngineTest, StartUpSequenceIsLoggedLineByLineInUtf8) {
    {
        EngineSession session(parent_);
        ASSERT_EQ(session.StartEnvironment(), S_OK);
        ASSERT_EQ(session.StartController(), S_OK);
        ASSERT_TRUE(session.TakeWebView());
        session.controller->put_IsVisible(TRUE);
        session.controller->put_Bounds(RECT{0, 64, 800, 600});
        session.Watch();
        ASSERT_TRUE(session.NavigateAndWait(L"https://Example.COM/\u9875"));
    }  // released as the browser does: web view, controller, environment

    std::vector<std::string> expected = {
        "CreateCoreWebView2EnvironmentWithOptions null null",
        "CreateController",
        "put_IsVisible 1",
        "put_Bounds 0 64 800 600",
        "add_NavigationStarting",
        "add_NavigationCompleted",
        "Navigate https://Example.COM/\xE9\xA1\xB5",
        "NavigationStarting https://example.com/\xE9\xA1\xB5",
        "SourceChanged 1 https://example.com/\xE9\xA1\xB5",
        "DocumentTitleChanged https://example.com/\xE9\xA1\xB5",  // untitled: its address
        "NavigationCompleted https://example.com/\xE9\xA1\xB5",
        "get_Source https://example.com/\xE9\xA1\xB5",
        "Released webview",
        "Released controller",
        "Released navigationcompletedhandler",  // the web view goes with the controller's link to it
        "Released navigationstartinghandler",
        "Released environment",
    };
    EXPECT_EQ(LogLines(), expected);
}

TEST_F(DevEngineTest, SourceIsNormalisedLikeARealEngine) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    EXPECT_EQ(session.Source(), L"about:blank");

    struct Case {
        const wchar_t* typed;
        const wchar_t* source;
    } cases[] = {
        {L"https://abc.def", L"https://abc.def/"},
        {L"HTTPS://ABC.DEF/x?Y", L"https://abc.def/x?Y"},
        {L"http://Abc.Def:8080", L"http://abc.def:8080/"},
        {L"https://abc.def?Q=Upper#Frag", L"https://abc.def/?Q=Upper#Frag"},
        {L"https://abc.def#Top", L"https://abc.def/#Top"},
        {L"https://abc.def/Path/Case", L"https://abc.def/Path/Case"},
        {L"https://https://x", L"https://https://x"},
        {L"about:blank", L"about:blank"},  // where a host leaving its page goes
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(session.NavigateAndWait(c.typed)) << c.typed;
        EXPECT_EQ(session.Source(), c.source) << c.typed;
    }
}

TEST_F(DevEngineTest, UnparsableUrlIsRefusedAndRaisesNothing) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    const wchar_t* refused[] = {L"httpabc.def",  L"ftp://abc.def",     L"https://",
                                L"://abc.def", L"abc.def/https://x", L""};
    for (const wchar_t* url : refused) EXPECT_EQ(session.webview->Navigate(url), E_INVALIDARG) << url;

    // Events of the refused calls would arrive before those of this one.
    ASSERT_TRUE(session.NavigateAndWait(L"https://ok.test"));
    std::vector<std::wstring> expected = {L"start https://ok.test/", L"done https://ok.test/ ok"};
    EXPECT_EQ(session.events, expected);
}

TEST_F(DevEngineTest, StartingIsRaisedOnlyAfterNavigateReturns) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    ASSERT_EQ(session.webview->Navigate(L"https://abc.def"), S_OK);
    EXPECT_TRUE(session.events.empty());
    ASSERT_TRUE(session.WaitForEvents(2));
    std::vector<std::wstring> expected = {L"start https://abc.def/", L"done https://abc.def/ ok"};
    EXPECT_EQ(session.events, expected);
}

TEST_F(DevEngineTest, NavigationStaysOpenWhileTheDelayRuns) {
    SetEngineVariables(L"600000", nullptr);
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    ASSERT_EQ(session.webview->Navigate(L"https://abc.def"), S_OK);
    ASSERT_TRUE(session.WaitForEvents(1));
    PumpUntil([] { return false; }, 300);
    std::vector<std::wstring> expected = {L"start https://abc.def/"};
    EXPECT_EQ(session.events, expected);
    EXPECT_EQ(session.Source(), L"about:blank");
}

// Whether or not the first navigation had started, it completes as cancelled at once, after the next
// one started, with its own id.
TEST_F(DevEngineTest, NewNavigationCancelsTheOpenOne) {
    SetEngineVariables(L"600000", nullptr);
    for (bool waitForFirstStart : {true, false}) {
        EngineSession session(parent_);
        ASSERT_TRUE(session.StartWebView());
        ASSERT_EQ(session.webview->Navigate(L"https://first.test"), S_OK);
        if (waitForFirstStart) {
            ASSERT_TRUE(session.WaitForEvents(1));
        }
        ASSERT_EQ(session.webview->Navigate(L"https://second.test"), S_OK);
        ASSERT_TRUE(session.WaitForEvents(3)) << waitForFirstStart;
        std::vector<std::wstring> expected = {L"start https://first.test/", L"start https://second.test/",
                                              L"done about:blank error 14"};
        EXPECT_EQ(session.events, expected) << waitForFirstStart;
        ASSERT_EQ(session.startIds.size(), 2u);
        EXPECT_NE(session.startIds[0], session.startIds[1]);
        EXPECT_EQ(session.doneIds, std::vector<UINT64>{session.startIds[0]});
    }
    EXPECT_EQ(LogCount("NavigationCompleted about:blank"), 2u) << "a cancelled navigation leaves the source as it was";
}

TEST_F(DevEngineTest, HistoryMovesBackAndForwardAndStopsAtTheEnds) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    for (const wchar_t* url : {L"https://a.test", L"https://b.test", L"https://c.test"}) {
        ASSERT_TRUE(session.NavigateAndWait(url));
    }

    ICoreWebView2* view = session.webview.Get();
    struct Step {
        const char* what;
        std::function<HRESULT()> call;
        const wchar_t* lands;  // null: nothing happens
    } steps[] = {
        {"back", [view] { return view->GoBack(); }, L"https://b.test/"},
        {"back", [view] { return view->GoBack(); }, L"https://a.test/"},
        {"back at the start", [view] { return view->GoBack(); }, nullptr},
        {"forward", [view] { return view->GoForward(); }, L"https://b.test/"},
        {"new page", [view] { return view->Navigate(L"https://d.test"); }, L"https://d.test/"},
        {"forward at the end", [view] { return view->GoForward(); }, nullptr},
        {"reload", [view] { return view->Reload(); }, L"https://d.test/"},
        {"back past the dropped page", [view] { return view->GoBack(); }, L"https://b.test/"},
    };
    for (const Step& step : steps) {
        session.events.clear();
        if (!step.lands) {
            // Any events of a call that should do nothing would come before those of the next step.
            EXPECT_EQ(step.call(), S_OK) << step.what;
            continue;
        }
        ASSERT_TRUE(session.RunAndWait(step.call)) << step.what;
        std::vector<std::wstring> expected = {std::wstring(L"start ") + step.lands,
                                              std::wstring(L"done ") + step.lands + L" ok"};
        EXPECT_EQ(session.events, expected) << step.what;
    }
    EXPECT_EQ(LogCount("GoBack"), 4u);
    EXPECT_EQ(LogCount("GoForward"), 2u);
    EXPECT_EQ(LogCount("Reload"), 1u);
}

// Success or a simulated missing runtime, the answer comes from the message loop, never inside the call.
TEST_F(DevEngineTest, CreationCompletesLaterOrFailsAtTheConfiguredStage) {
    struct Case {
        const wchar_t* failMode;
        bool environmentFails;
        bool controllerFails;
        bool hasWebView;
    } cases[] = {
        {nullptr, false, false, true},
        {L"environment", true, false, false},
        {L"controller", false, true, false},
        {L"webview", false, false, false},
    };
    for (const Case& c : cases) {
        std::wstring mode = c.failMode ? c.failMode : L"none";
        SetEngineVariables(L"20", c.failMode);
        EngineSession session(parent_);
        HRESULT environmentCode = session.StartEnvironment();
        EXPECT_FALSE(session.environmentDoneInsideCall) << mode;
        EXPECT_EQ(FAILED(environmentCode), c.environmentFails) << mode;
        EXPECT_EQ(!session.environment, c.environmentFails) << mode;
        if (c.environmentFails) continue;

        HRESULT controllerCode = session.StartController();
        EXPECT_FALSE(session.controllerDoneInsideCall) << mode;
        EXPECT_EQ(FAILED(controllerCode), c.controllerFails) << mode;
        EXPECT_EQ(!session.controller, c.controllerFails) << mode;
        if (c.controllerFails) continue;

        ICoreWebView2* view = reinterpret_cast<ICoreWebView2*>(1);  // must be overwritten
        EXPECT_EQ(session.controller->get_CoreWebView2(&view), S_OK) << mode;
        EXPECT_EQ(view != nullptr, c.hasWebView) << mode;
        if (view) view->Release();
    }
    // A data folder that takes no file (under Wine Z: is the Unix root, and /proc/1 such a folder).
    EngineSession refused(parent_);
    EXPECT_EQ(refused.StartEnvironment(L"Z:\\proc\\1"), E_ACCESSDENIED);
}

TEST_F(DevEngineTest, ReleasedIsLoggedOnceWhenTheHostsLastReferenceGoes) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    ICoreWebView2* secondView = nullptr;
    session.controller->get_CoreWebView2(&secondView);
    ASSERT_EQ(secondView, session.webview.Get());

    session.webview.Reset();
    EXPECT_EQ(LogCount("Released webview"), 0u) << "one reference is still held";

    session.controller.Reset();
    EXPECT_EQ(LogCount("Released controller"), 1u);
    EXPECT_EQ(LogCount("Released webview"), 0u) << "the controller's link is not the host's";

    // The web view outlives its controller while the host holds it.
    session.webview = secondView;
    secondView->Release();
    ASSERT_TRUE(session.NavigateAndWait(L"https://still.alive"));
    session.webview.Reset();
    EXPECT_EQ(LogCount("Released webview"), 1u);

    session.environment->AddRef();
    session.environment->Release();
    EXPECT_EQ(LogCount("Released environment"), 0u);
    session.environment.Reset();
    EXPECT_EQ(LogCount("Released environment"), 1u);
}

TEST_F(DevEngineTest, HandlersRunInRegistrationOrderAndAreKeptUntilTheWebViewGoes) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    std::vector<int> order;
    auto alive = std::make_shared<int>(0);
    EventRegistrationToken tokens[3];
    for (int i = 0; i < 3; ++i) {
        auto* handler = new NavigationStartingHandler([&order, i, alive](ICoreWebView2*, StartingArgs*) {
            order.push_back(i);
            return S_OK;
        });
        session.webview->add_NavigationStarting(handler, &tokens[i]);
        handler->Release();
    }
    EXPECT_EQ(alive.use_count(), 4) << "the engine keeps each handler";

    ASSERT_TRUE(session.NavigateAndWait(L"https://one.test"));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));

    session.webview->remove_NavigationStarting(tokens[1]);
    EXPECT_EQ(alive.use_count(), 3) << "removing lets the handler go";
    order.clear();
    ASSERT_TRUE(session.NavigateAndWait(L"https://two.test"));
    EXPECT_EQ(order, (std::vector<int>{0, 2}));

    session.webview.Reset();
    session.controller.Reset();
    EXPECT_EQ(alive.use_count(), 1) << "the handlers go with the web view";
}

TEST_F(DevEngineTest, BoundsAndVisibilityApplyToThePageWindow) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    HWND page = PageWindow();
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(IsWindowVisible(page)) << "the page starts hidden";
    session.controller->put_IsVisible(TRUE);
    EXPECT_TRUE(IsWindowVisible(page));

    struct Case {
        RECT bounds;
        RECT placed;
    } cases[] = {
        {{0, 64, 800, 600}, {0, 64, 800, 600}},
        {{10, 384, 500, 420}, {10, 384, 500, 420}},
        {{0, 64, 0, 0}, {0, 64, 0, 64}},      // inverted: an empty window at the top-left corner
        {{300, 200, 100, 250}, {300, 200, 300, 250}},
    };
    for (const Case& c : cases) {
        session.controller->put_Bounds(c.bounds);
        RECT placed;
        GetWindowRect(page, &placed);
        MapWindowPoints(HWND_DESKTOP, parent_, reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ((std::vector<LONG>{placed.left, placed.top, placed.right, placed.bottom}),
                  (std::vector<LONG>{c.placed.left, c.placed.top, c.placed.right, c.placed.bottom}));
    }

    session.controller->put_IsVisible(FALSE);
    EXPECT_FALSE(IsWindowVisible(page));
    EXPECT_EQ(LogCount("put_IsVisible 1"), 1u);
    EXPECT_EQ(LogCount("put_IsVisible 0"), 1u);
    EXPECT_EQ(session.controller->NotifyParentWindowPositionChanged(), S_OK);
    EXPECT_EQ(LogCount("NotifyParentWindowPositionChanged"), 1u);
}

TEST_F(DevEngineTest, ClickOnThePageTakesTheKeyboardFocus) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    session.controller->put_IsVisible(TRUE);
    session.controller->put_Bounds(RECT{0, 64, 800, 600});
    SetForegroundWindow(parent_);
    SetFocus(parent_);
    ASSERT_EQ(GetFocus(), parent_);

    SendMessageW(PageWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_EQ(GetFocus(), PageWindow());
}

// A Chromium that is named but cannot be reached fails the controller's creation, later, as a runtime
// whose browser cannot start does; the page window made meanwhile goes with it.
TEST_F(DevEngineTest, UnreachableChromiumFailsControllerCreationLater) {
    const wchar_t* endpoints[] = {L"127.0.0.1:1", L"not-an-endpoint"};
    for (const wchar_t* endpoint : endpoints) {
        SetEnvironmentVariableW(L"TROV_ENGINE_CHROMIUM", endpoint);
        EngineSession session(parent_);
        ASSERT_EQ(session.StartEnvironment(), S_OK);
        EXPECT_EQ(session.StartController(), HRESULT_FROM_WIN32(ERROR_INVALID_STATE));
        EXPECT_FALSE(session.controllerDoneInsideCall);
        EXPECT_FALSE(session.controller);
        EXPECT_TRUE(PumpUntil([this] { return PageWindow() == nullptr; })) << "the page window is left behind";
    }
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"CreateCoreWebView2EnvironmentWithOptions null null", "CreateController", "Released environment",
                                                    "CreateCoreWebView2EnvironmentWithOptions null null", "CreateController", "Released environment"}));
}

// A fragment, the history between such entries: one document, so only SourceChanged; a new page
// commits a new document before it completes.
TEST_F(DevEngineTest, SameDocumentMovesRaiseOnlySourceChanged) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    session.WatchSourcesAndFailures();
    ICoreWebView2* view = session.webview.Get();
    struct Step {
        std::function<HRESULT()> call;
        std::vector<std::wstring> events;
    } steps[] = {
        {[view] { return view->Navigate(L"https://a.test/page"); },
         {L"start https://a.test/page", L"source 1 https://a.test/page", L"done https://a.test/page ok"}},
        {[view] { return view->Navigate(L"https://a.test/page#one"); }, {L"source 0 https://a.test/page#one"}},
        {[view] { return view->Navigate(L"https://a.test/page#two"); }, {L"source 0 https://a.test/page#two"}},
        {[view] { return view->GoBack(); }, {L"source 0 https://a.test/page#one"}},
        {[view] { return view->GoBack(); }, {L"source 0 https://a.test/page"}},
        {[view] { return view->GoForward(); }, {L"source 0 https://a.test/page#one"}},
        {[view] { return view->Navigate(L"https://b.test/#one"); },
         {L"start https://b.test/#one", L"source 1 https://b.test/#one", L"done https://b.test/#one ok"}},
        {[view] { return view->Reload(); }, {L"start https://b.test/#one", L"done https://b.test/#one ok"}},
    };
    for (const Step& step : steps) {
        session.events.clear();
        ASSERT_EQ(step.call(), S_OK);
        EXPECT_TRUE(session.events.empty()) << "raised inside the call";
        ASSERT_TRUE(session.WaitForEvents(step.events.size()));
        PumpUntil([] { return false; }, 60);  // nothing more may follow
        EXPECT_EQ(session.events, step.events);
    }
    EXPECT_EQ(LogCount("SourceChanged 0 https://a.test/page#one"), 3u);
}

// Dark pixels near the top tell a loaded page from the blank one.
int DarkPixelsAtTop(HWND page) {
    UpdateWindow(page);
    HDC hdc = GetDC(page);
    int dark = 0;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 400; ++x) {
            COLORREF c = GetPixel(hdc, x, y);
            if (c != CLR_INVALID && GetRValue(c) < 128 && GetGValue(c) < 128 && GetBValue(c) < 128) ++dark;
        }
    }
    ReleaseDC(page, hdc);
    return dark;
}

void SimulateProcessFailure(HWND page, COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
    SendMessageW(page, RegisterWindowMessageW(L"TrovEngineSimulateProcessFailure"), kind, 0);
}

TEST_F(DevEngineTest, DeadRendererBlanksThePageUntilReload) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    session.WatchSourcesAndFailures();
    session.controller->put_IsVisible(TRUE);
    session.controller->put_Bounds(RECT{0, 64, 800, 600});
    ASSERT_TRUE(session.NavigateAndWait(L"https://pixels.test/page"));
    ASSERT_GT(DarkPixelsAtTop(PageWindow()), 20);

    // A subframe's renderer takes only its frame: the page stays.
    session.events.clear();
    SimulateProcessFailure(PageWindow(), COREWEBVIEW2_PROCESS_FAILED_KIND_FRAME_RENDER_PROCESS_EXITED);
    EXPECT_EQ(session.events, std::vector<std::wstring>{L"failed 3"});
    EXPECT_GT(DarkPixelsAtTop(PageWindow()), 20);

    session.events.clear();
    SimulateProcessFailure(PageWindow(), COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED);
    EXPECT_EQ(session.events, std::vector<std::wstring>{L"failed 1"});
    EXPECT_EQ(DarkPixelsAtTop(PageWindow()), 0);
    ASSERT_TRUE(session.RunAndWait([&] { return session.webview->Reload(); }));
    EXPECT_GT(DarkPixelsAtTop(PageWindow()), 20);
    EXPECT_EQ(LogCount("ProcessFailed 1"), 1u);
}

// A page that stops answering is reported at once and again every few seconds, its script waits
// meanwhile and runs once it answers again; nothing more is reported then.
TEST_F(DevEngineTest, UnresponsivePageIsReportedUntilItAnswersAndItsScriptWaits) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    session.WatchSourcesAndFailures();
    ASSERT_TRUE(session.NavigateAndWait(L"https://loop.test/"));
    session.events.clear();
    const UINT unresponsive = RegisterWindowMessageW(L"TrovEngineSimulateUnresponsive");
    SendMessageW(PageWindow(), unresponsive, 1, 0);
    EXPECT_EQ(session.events, std::vector<std::wstring>{L"failed 2"});
    std::wstring answer = L"none";
    auto* script = new Handler<ICoreWebView2ExecuteScriptCompletedHandler, HRESULT, LPCWSTR>(
        [&answer](HRESULT result, LPCWSTR json) {
            answer = SUCCEEDED(result) && json ? json : L"failed";
            return S_OK;
        },
        IID_ICoreWebView2ExecuteScriptCompletedHandler);
    ASSERT_EQ(session.webview->ExecuteScript(L"0", script), S_OK);
    script->Release();
    ASSERT_TRUE(session.WaitForEvents(2));
    EXPECT_EQ(session.events[1], L"failed 2");
    EXPECT_EQ(answer, L"none") << "not while the page does not answer";
    SendMessageW(PageWindow(), unresponsive, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return answer == L"null"; }));
    EXPECT_FALSE(session.WaitForEvents(3)) << "no report once it answers";
}

// The host's zoom is the view's default: it holds across pages and raises no event; one out of
// the engine's range is brought into it, and that is told.
TEST_F(DevEngineTest, HostZoomHoldsAcrossPagesAndANormalisedOneIsTold) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    std::vector<double> told;
    auto* changed = new Handler<ICoreWebView2ZoomFactorChangedEventHandler, ICoreWebView2Controller*, IUnknown*>(
        [&told](ICoreWebView2Controller* sender, IUnknown*) {
            double factor = 0;
            sender->get_ZoomFactor(&factor);
            told.push_back(factor);
            return S_OK;
        },
        IID_ICoreWebView2ZoomFactorChangedEventHandler);
    EventRegistrationToken token;
    ASSERT_EQ(session.controller->add_ZoomFactorChanged(changed, &token), S_OK);
    changed->Release();
    ASSERT_EQ(session.controller->put_ZoomFactor(1.1), S_OK);
    ASSERT_TRUE(session.NavigateAndWait(L"https://next.test/"));
    double factor = 0;
    session.controller->get_ZoomFactor(&factor);
    EXPECT_DOUBLE_EQ(factor, 1.1);
    EXPECT_EQ(session.controller->put_ZoomFactor(9.0), S_OK);
    EXPECT_EQ(told, std::vector<double>{5.0});
}

// After the browser process: every call fails and logs nothing, Close and the releases are logged,
// and a new environment is a working engine again.
TEST_F(DevEngineTest, DeadBrowserProcessFailsEveryCallUntilANewEnvironment) {
    const HRESULT dead = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    {
        EngineSession session(parent_);
        ASSERT_TRUE(session.StartWebView());
        session.WatchSourcesAndFailures();
        EventRegistrationToken token;
        auto* keys = new AcceleratorKeyPressedHandler(
            [](ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs*) { return S_OK; });
        session.controller->add_AcceleratorKeyPressed(keys, &token);
        session.controller->put_IsVisible(TRUE);
        ASSERT_TRUE(session.NavigateAndWait(L"https://before.test/"));
        session.events.clear();
        SimulateProcessFailure(PageWindow(), COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
        EXPECT_EQ(session.events, std::vector<std::wstring>{L"failed 0"});
        const size_t linesAtFailure = LogLines().size();

        ICoreWebView2* view = session.webview.Get();
        ICoreWebView2Controller* controller = session.controller.Get();
        LPWSTR source = nullptr;
        ICoreWebView2* anotherView = nullptr;
        auto* handler = new NavigationStartingHandler([](ICoreWebView2*, StartingArgs*) { return S_OK; });
        const HRESULT results[] = {view->Navigate(L"https://after.test/"), view->Reload(), view->GoBack(),
                                   view->GoForward(), view->get_Source(&source),
                                   view->add_NavigationStarting(handler, &token), controller->put_IsVisible(TRUE),
                                   controller->put_Bounds(RECT{0, 0, 10, 10}),
                                   controller->get_CoreWebView2(&anotherView),
                                   controller->add_AcceleratorKeyPressed(keys, &token)};
        handler->Release();
        keys->Release();
        for (HRESULT result : results) EXPECT_EQ(result, dead);
        EXPECT_EQ(source, nullptr);
        EXPECT_EQ(anotherView, nullptr);
        EXPECT_EQ(LogLines().size(), linesAtFailure) << "a dead engine logs nothing";
        EXPECT_FALSE(PumpUntil([&] { return session.events.size() > 1; }, 200)) << "and raises nothing";

        EXPECT_EQ(controller->Close(), S_OK);
        EXPECT_TRUE(PumpUntil([this] { return PageWindow() == nullptr; }));
        std::vector<std::string> lines = LogLines();
        lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(linesAtFailure - 1));
        // Every handler the engine held is let go, each kind with its line.
        EXPECT_EQ(lines, (std::vector<std::string>{"ProcessFailed 0", "Close", "Released acceleratorhandler",
                                                   "Released navigationstartinghandler",
                                                   "Released navigationcompletedhandler",
                                                   "Released sourcechangedhandler", "Released processfailedhandler"}));
    }
    EXPECT_EQ(LogCount("Released webview") + LogCount("Released controller") + LogCount("Released environment"), 3u);

    EngineSession fresh(parent_);
    ASSERT_TRUE(fresh.StartWebView());
    ASSERT_TRUE(fresh.NavigateAndWait(L"https://after.test/"));
    EXPECT_EQ(fresh.Source(), L"https://after.test/");
}

TEST_F(DevEngineTest, PageShowsItsUrlOnceLoaded) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    session.controller->put_IsVisible(TRUE);
    session.controller->put_Bounds(RECT{0, 64, 800, 600});
    HWND page = PageWindow();

    EXPECT_EQ(DarkPixelsAtTop(page), 0) << "blank before any page";
    ASSERT_TRUE(session.NavigateAndWait(L"https://pixels.test/page"));
    EXPECT_GT(DarkPixelsAtTop(page), 20);
    ASSERT_TRUE(session.NavigateAndWait(L"about:blank"));
    EXPECT_EQ(DarkPixelsAtTop(page), 0) << "the blank page is empty";
    EXPECT_EQ(session.events.back(), L"done about:blank ok");
}

// A host's accelerator-key handler that records each event as "<kind> <key> <repeat> <alt>" and
// handles the keys it is given.
ICoreWebView2AcceleratorKeyPressedEventHandler* KeyRecorder(std::vector<std::wstring>* seen,
                                                              std::vector<UINT> handledKeys) {
    return new AcceleratorKeyPressedHandler(
        [seen, handledKeys](ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
            COREWEBVIEW2_KEY_EVENT_KIND kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN;
            UINT key = 0;
            COREWEBVIEW2_PHYSICAL_KEY_STATUS status = {};
            args->get_KeyEventKind(&kind);
            args->get_VirtualKey(&key);
            args->get_PhysicalKeyStatus(&status);
            seen->push_back(std::to_wstring(kind) + L" " + std::to_wstring(key) + L" " +
                            std::to_wstring(status.WasKeyDown) + L" " + std::to_wstring(status.IsMenuKeyDown));
            if (std::find(handledKeys.begin(), handledKeys.end(), key) != handledKeys.end()) args->put_Handled(TRUE);
            return S_OK;
        });
}

std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0) found.push_back(line);
    }
    return found;
}

// Keys with Ctrl or Alt, and keys that type nothing, go to the host first; a handled key-down
// takes the characters translated from it along, and is not passed on.
TEST_F(DevEngineTest, AcceleratorKeysAreRaisedOnTheControllerBeforeThePageSeesThem) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    HWND page = PageWindow();
    std::vector<std::wstring> seen;
    auto* handler = KeyRecorder(&seen, {VK_F5, VK_LEFT});
    EventRegistrationToken token;
    ASSERT_EQ(session.controller->add_AcceleratorKeyPressed(handler, &token), S_OK);
    handler->Release();

    struct Case {
        UINT message;
        UINT key;
        LPARAM lParam;
        bool ctrl;
        const wchar_t* event;  // null: not raised
    };
    const Case cases[] = {
        {WM_KEYDOWN, VK_F5, 0x003F0001, false, L"0 116 0 0"},
        {WM_KEYDOWN, VK_F5, 0x403F0001, false, L"0 116 1 0"},  // auto-repeat
        {WM_KEYUP, VK_F5, static_cast<LPARAM>(0xC03F0001u), false, L"1 116 1 0"},
        {WM_SYSKEYDOWN, VK_LEFT, 0x214B0001, false, L"2 37 0 1"},
        {WM_SYSKEYUP, VK_LEFT, static_cast<LPARAM>(0xE14B0001u), false, L"3 37 1 1"},
        {WM_KEYDOWN, 'L', 0x00260001, true, L"0 76 0 0"},
        {WM_KEYDOWN, VK_ESCAPE, 0x00010001, false, L"0 27 0 0"},
        {WM_KEYDOWN, 'A', 0x001E0001, false, nullptr},
        {WM_KEYDOWN, VK_RETURN, 0x001C0001, false, nullptr},
        {WM_KEYDOWN, VK_SPACE, 0x00390001, false, nullptr},
        {WM_CHAR, 'a', 0x001E0001, false, nullptr},
    };
    for (const Case& c : cases) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = c.ctrl ? 0x80 : 0;
        SetKeyboardState(keys);
        seen.clear();
        PostMessageW(page, WM_CHAR, 'x', 0);  // as translating the key put it in the queue
        SendMessageW(page, c.message, c.key, c.lParam);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);

        EXPECT_EQ(seen, c.event ? std::vector<std::wstring>{c.event} : std::vector<std::wstring>{}) << c.key;
        const bool handledDown = c.event && (c.key == VK_F5 || c.key == VK_LEFT) &&
                                 (c.message == WM_KEYDOWN || c.message == WM_SYSKEYDOWN);
        MSG msg;
        EXPECT_EQ(PeekMessageW(&msg, page, WM_CHAR, WM_CHAR, PM_REMOVE) == 0, handledDown) << c.key;
    }
    EXPECT_EQ(LinesStartingWith(LogLines(), "AcceleratorKeyPressed"),
              (std::vector<std::string>{"AcceleratorKeyPressed 0 116 1", "AcceleratorKeyPressed 0 116 1",
                                        "AcceleratorKeyPressed 1 116 1", "AcceleratorKeyPressed 2 37 1",
                                        "AcceleratorKeyPressed 3 37 1", "AcceleratorKeyPressed 0 76 0",
                                        "AcceleratorKeyPressed 0 27 0"}));
    EXPECT_EQ(LogCount("add_AcceleratorKeyPressed"), 1u);
}

TEST_F(DevEngineTest, AcceleratorHandlersAreLetGoOnRemovalOrWithTheController) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    std::vector<std::wstring> seen;
    auto* kept = KeyRecorder(&seen, {});
    auto* dropped = KeyRecorder(&seen, {});
    EventRegistrationToken keptToken, droppedToken;
    session.controller->add_AcceleratorKeyPressed(kept, &keptToken);
    session.controller->add_AcceleratorKeyPressed(dropped, &droppedToken);
    dropped->Release();  // only the engine holds this one now

    SendMessageW(PageWindow(), WM_KEYDOWN, VK_F6, 0x00400001);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"0 117 0 0", L"0 117 0 0"})) << "each handler, in order";
    EXPECT_EQ(LogCount("AcceleratorKeyPressed 0 117 0"), 1u) << "one line per event";

    session.controller->remove_AcceleratorKeyPressed(keptToken);
    EXPECT_EQ(kept->Release(), 0u) << "removal let the engine's reference go";
    EXPECT_EQ(LogCount("Released acceleratorhandler"), 1u);
    session.controller->remove_AcceleratorKeyPressed(keptToken);
    EXPECT_EQ(LogCount("Released acceleratorhandler"), 1u) << "a second removal lets nothing go";

    // The web view stays with the host; its keys go nowhere once the controller is gone.
    session.controller.Reset();
    EXPECT_EQ(LogCount("Released acceleratorhandler"), 2u);
    seen.clear();
    SendMessageW(PageWindow(), WM_KEYDOWN, VK_F6, 0x00400001);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(LogCount("AcceleratorKeyPressed 0 117 0"), 1u);
}

// An element enters and leaves full screen on the simulated page's message; Escape in the page ends
// it; a new document starts without one. The host hears each change once, with no arguments.
TEST_F(DevEngineTest, SimulatedFullScreenIsRaisedOnceEachWayAndEscapeOrANewDocumentEndsIt) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    std::string seen;
    auto* handler = new ContainsFullScreenElementChangedHandler([&seen](ICoreWebView2* sender, IUnknown* args) {
        BOOL contains = FALSE;
        sender->get_ContainsFullScreenElement(&contains);
        seen += args ? "?" : contains ? "1" : "0";
        return S_OK;
    });
    EventRegistrationToken token;
    ASSERT_EQ(session.webview->add_ContainsFullScreenElementChanged(handler, &token), S_OK);
    handler->Release();
    const UINT simulate = RegisterWindowMessageW(L"TrovEngineSimulateFullScreen");
    for (WPARAM enter : {1, 1}) SendMessageW(PageWindow(), simulate, enter, 0);
    SendMessageW(PageWindow(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    SendMessageW(PageWindow(), simulate, 1, 0);
    ASSERT_TRUE(session.NavigateAndWait(L"https://next.test/"));
    SendMessageW(PageWindow(), simulate, 0, 0);
    EXPECT_EQ(seen, "1010");
    EXPECT_EQ(LinesStartingWith(LogLines(), "ContainsFullScreenElementChanged").size(), 4u);
    EXPECT_EQ(LogCount("ContainsFullScreenElementChanged 0"), 2u);
    EXPECT_EQ(LogCount("add_ContainsFullScreenElementChanged"), 1u);
}

// The controller tells its host when the page window gains and loses the keyboard focus.
TEST_F(DevEngineTest, MoveFocusGivesThePageTheKeyboardAndTheFocusEventsSaySo) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    session.controller->put_IsVisible(TRUE);
    std::vector<std::wstring> seen;
    EventRegistrationToken gotToken, lostToken;
    auto* got = new FocusChangedHandler([&seen](ICoreWebView2Controller*, IUnknown*) {
        seen.push_back(L"got");
        return S_OK;
    });
    auto* lost = new FocusChangedHandler([&seen](ICoreWebView2Controller*, IUnknown*) {
        seen.push_back(L"lost");
        return S_OK;
    });
    EXPECT_EQ(session.controller->add_GotFocus(got, &gotToken), S_OK);
    EXPECT_EQ(session.controller->add_LostFocus(lost, &lostToken), S_OK);
    got->Release();
    lost->Release();
    SetForegroundWindow(parent_);
    SetFocus(parent_);
    EXPECT_EQ(session.controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC), S_OK);
    EXPECT_EQ(GetFocus(), PageWindow());
    // As the runtime's, which come from another process: after the focus message, from the loop.
    EXPECT_TRUE(seen.empty()) << "raised inside WM_SETFOCUS";
    ASSERT_TRUE(PumpUntil([&seen] { return seen.size() == 1; }));
    SetFocus(parent_);
    EXPECT_EQ(seen.size(), 1u) << "raised inside WM_KILLFOCUS";
    ASSERT_TRUE(PumpUntil([&seen] { return seen.size() == 2; }));
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"got", L"lost"}));
    EXPECT_EQ(LogCount("add_GotFocus") + LogCount("add_LostFocus") + LogCount("GotFocus") + LogCount("LostFocus"), 4u);

    // After removal, or from a closed controller, nothing more.
    session.controller->remove_GotFocus(gotToken);
    session.controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
    session.controller->Close();
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"got", L"lost"}));
}

// A host that closes or lets go of the engine inside the engine's own event is noted in the log.
TEST_F(DevEngineTest, CloseOrFinalReleaseInsideTheEnginesOwnEventIsLoggedAsReentrant) {
    for (bool inside : {false, true}) {
        EngineSession session(parent_);
        ASSERT_TRUE(session.StartWebView());
        auto* failed = new ProcessFailedHandler([&session, inside](ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs*) {
            if (inside) {
                session.controller->Close();
                session.webview.Reset();
                session.controller.Reset();
            }
            return S_OK;
        });
        EventRegistrationToken token;
        session.webview->add_ProcessFailed(failed, &token);
        failed->Release();
        SimulateProcessFailure(PageWindow(), COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
        if (!inside) {
            session.controller->Close();  // afterwards, as a host should
            session.webview.Reset();
            session.controller.Reset();
            EXPECT_EQ(LogCount("Reentrant Close") + LogCount("Reentrant Release webview"), 0u);
        }
    }
    EXPECT_EQ(LogCount("Reentrant Close"), 1u);
    EXPECT_EQ(LogCount("Reentrant Release webview"), 1u);
}

using DialogArgs = ICoreWebView2ScriptDialogOpeningEventArgs;
using DialogHandler = Handler<ICoreWebView2ScriptDialogOpeningEventHandler, ICoreWebView2*, DialogArgs*>;
using NewWindowArgs = ICoreWebView2NewWindowRequestedEventArgs;
using NewWindowHandler = Handler<ICoreWebView2NewWindowRequestedEventHandler, ICoreWebView2*, NewWindowArgs*>;

// The simulated page runs a dialog (alert, confirm, prompt) or, for BEFOREUNLOAD, starts asking before it is left.
void SimulateScriptDialog(HWND page, COREWEBVIEW2_SCRIPT_DIALOG_KIND kind, const wchar_t* message = L"asked") {
    SendMessageW(page, RegisterWindowMessageW(L"TrovEngineSimulateScriptDialog"), kind,
                 reinterpret_cast<LPARAM>(message));
}

// The host takes the page's dialogs: default dialogs off, a handler that records "dialog <kind>"
// among the events and answers with `answer` (accept, and the prompt's text), or takes a deferral
// into `deferral` when `defer` is set.
struct HostDialogs {
    bool accept = false;
    std::wstring text;
    bool defer = false;
    ComRef<ICoreWebView2Deferral> deferral;
    ComRef<DialogArgs> args;

    void Attach(EngineSession& session) {
        ComRef<ICoreWebView2Settings> settings;
        ASSERT_EQ(session.webview->get_Settings(settings.ReleaseAndGetAddressOf()), S_OK);
        BOOL enabled = FALSE;
        settings->get_AreDefaultScriptDialogsEnabled(&enabled);
        EXPECT_TRUE(enabled) << "the engine's own dialogs by default";
        settings->put_AreDefaultScriptDialogsEnabled(FALSE);
        settings->get_AreDefaultScriptDialogsEnabled(&enabled);
        EXPECT_FALSE(enabled);
        auto* handler = new DialogHandler(
            [this, &session](ICoreWebView2*, DialogArgs* dialog) {
                COREWEBVIEW2_SCRIPT_DIALOG_KIND kind = COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT;
                dialog->get_Kind(&kind);
                session.events.push_back(L"dialog " + std::to_wstring(kind));
                if (defer) {
                    args = dialog;
                    dialog->GetDeferral(deferral.ReleaseAndGetAddressOf());
                    return S_OK;
                }
                if (!text.empty()) dialog->put_ResultText(text.c_str());
                if (accept) dialog->Accept();
                return S_OK;
            },
            IID_ICoreWebView2ScriptDialogOpeningEventHandler);
        EventRegistrationToken token;
        EXPECT_EQ(session.webview->add_ScriptDialogOpening(handler, &token), S_OK);
        handler->Release();
    }
};

// With the host's dialogs, the page gets what the host answered, when its handler returns or its
// deferral completes; what it asked is in the arguments.
TEST_F(DevEngineTest, HostsScriptDialogsGiveThePageTheHostsAnswer) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    HostDialogs dialogs;
    dialogs.Attach(session);
    ASSERT_TRUE(session.NavigateAndWait(L"https://ask.test/page"));
    struct Case {
        COREWEBVIEW2_SCRIPT_DIALOG_KIND kind;
        bool accept;
        const wchar_t* text;
        const char* logged;
        const char* pageGot;
    } cases[] = {
        {COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT, false, L"", "ScriptDialogOpening alert 0", "undefined"},
        {COREWEBVIEW2_SCRIPT_DIALOG_KIND_CONFIRM, true, L"", "ScriptDialogOpening confirm 1", "true"},
        {COREWEBVIEW2_SCRIPT_DIALOG_KIND_CONFIRM, false, L"", "ScriptDialogOpening confirm 0", "false"},
        {COREWEBVIEW2_SCRIPT_DIALOG_KIND_PROMPT, true, L"typed", "ScriptDialogOpening prompt 1", "'typed'"},
        {COREWEBVIEW2_SCRIPT_DIALOG_KIND_PROMPT, false, L"typed", "ScriptDialogOpening prompt 0", "null"},
    };
    for (const Case& c : cases) {
        dialogs.accept = c.accept;
        dialogs.text = c.text;
        const size_t before = LogLines().size();
        SimulateScriptDialog(PageWindow(), c.kind);
        EXPECT_TRUE(PumpUntil([&] { return LogLines().size() >= before + 2; })) << c.logged;
        std::vector<std::string> lines = LogLines();
        lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before));
        EXPECT_EQ(lines, (std::vector<std::string>{c.logged, std::string("ScriptDialogResult ") + c.pageGot}));
    }

    // Deferred: nothing reaches the page until Complete; what the page asked is in the arguments.
    dialogs.defer = true;
    SimulateScriptDialog(PageWindow(), COREWEBVIEW2_SCRIPT_DIALOG_KIND_PROMPT, L"name?");
    ASSERT_TRUE(PumpUntil([&] { return bool(dialogs.deferral); }));
    LPWSTR text = nullptr;
    dialogs.args->get_Message(&text);
    EXPECT_EQ(TakeString(text), L"name?");
    dialogs.args->get_DefaultText(&text);
    EXPECT_EQ(TakeString(text), L"default");
    dialogs.args->get_Uri(&text);
    EXPECT_EQ(TakeString(text), L"https://ask.test/page");
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(LogCount("ScriptDialogResult 'later'"), 0u);
    dialogs.args->put_ResultText(L"later");
    dialogs.args->Accept();
    dialogs.deferral->Complete();
    EXPECT_EQ(LogCount("ScriptDialogResult 'later'"), 1u);

    // A page that goes away first gets no: a navigation starts while the host still holds the deferral.
    const size_t asked = session.events.size();
    SimulateScriptDialog(PageWindow(), COREWEBVIEW2_SCRIPT_DIALOG_KIND_CONFIRM);
    ASSERT_TRUE(PumpUntil([&] { return session.events.size() > asked; }));
    dialogs.args->Accept();
    ASSERT_TRUE(session.NavigateAndWait(L"https://next.test/"));
    dialogs.deferral->Complete();
    EXPECT_EQ(LogCount("ScriptDialogOpening confirm 0"), 2u);
    EXPECT_EQ(LogCount("ScriptDialogResult true"), 1u) << "the earlier confirm only";
}

// A page that asks before it is left is asked first: Stay raises nothing of the navigation, Leave
// raises its start and the rest; a page that replaced it asks nothing.
TEST_F(DevEngineTest, LeaveQuestionComesBeforeTheNavigationStarts) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    HostDialogs dialogs;
    dialogs.Attach(session);
    ASSERT_TRUE(session.NavigateAndWait(L"https://form.test/"));
    SimulateScriptDialog(PageWindow(), COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD);

    session.events.clear();
    dialogs.accept = false;
    ASSERT_EQ(session.webview->Navigate(L"https://elsewhere.test/"), S_OK);
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(session.events, std::vector<std::wstring>{L"dialog 3"});
    EXPECT_EQ(session.Source(), L"https://form.test/");

    // Deferred: the start waits for Complete.
    session.events.clear();
    dialogs.defer = true;
    ASSERT_EQ(session.webview->Navigate(L"about:blank"), S_OK);
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(session.events, std::vector<std::wstring>{L"dialog 3"});
    EXPECT_EQ(LogCount("NavigationStarting about:blank"), 0u);
    LPWSTR message = nullptr;
    dialogs.args->get_Message(&message);
    EXPECT_EQ(TakeString(message), L"") << "the page's own text is not shown";
    dialogs.args->Accept();
    dialogs.deferral->Complete();
    ASSERT_TRUE(PumpUntil([&] { return session.completedCount == 2; }));
    EXPECT_EQ(session.events,
              (std::vector<std::wstring>{L"dialog 3", L"start about:blank", L"done about:blank ok"}));
    EXPECT_EQ(LogCount("ScriptDialogOpening beforeunload 0") + LogCount("ScriptDialogOpening beforeunload 1"), 2u);

    session.events.clear();
    ASSERT_TRUE(session.NavigateAndWait(L"https://after.test/"));
    EXPECT_EQ(session.events.front(), L"start https://after.test/") << "the new page does not ask";
}

using NoArgsHandler = Handler<ICoreWebView2WindowCloseRequestedEventHandler, ICoreWebView2*, IUnknown*>;

// A new window the host leaves alone opens in a top-level window of the engine's own, which goes
// with the view; a handled one opens nothing; one handed a view of the host's under a deferral
// opens there, with the features and user initiation the page's request had. That page's
// window.close() and title reach the host through its view.
TEST_F(DevEngineTest, NewWindowOpensAPopupNothingOrTheHostsView) {
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    ASSERT_TRUE(session.NavigateAndWait(L"https://opener.test/"));
    auto popup = [](const wchar_t* url) { return FindWindowW(L"TrovDevEnginePopup", url); };
    auto request = [this](const wchar_t* text, WPARAM byScript) {
        SendMessageW(PageWindow(), RegisterWindowMessageW(L"TrovEngineSimulateNewWindow"), byScript,
                     reinterpret_cast<LPARAM>(text));
    };
    request(L"https://popup.test/", 0);
    EXPECT_NE(popup(L"https://popup.test/"), nullptr);
    EXPECT_EQ(LogCount("NewWindow https://popup.test/ popup"), 1u);

    BOOL handle = TRUE;
    ICoreWebView2* hostView = nullptr;
    ComRef<ICoreWebView2Deferral> deferral;
    std::vector<std::wstring> seen;
    auto* handler = new NewWindowHandler(
        [&](ICoreWebView2*, NewWindowArgs* args) {
            LPWSTR text = nullptr;
            args->get_Uri(&text);
            BOOL user = FALSE, hasSize = FALSE, hasPosition = FALSE;
            UINT32 left = 0, top = 0, width = 0, height = 0;
            args->get_IsUserInitiated(&user);
            ComRef<ICoreWebView2WindowFeatures> features;
            args->get_WindowFeatures(features.ReleaseAndGetAddressOf());
            features->get_HasSize(&hasSize);
            features->get_HasPosition(&hasPosition);
            features->get_Left(&left), features->get_Top(&top), features->get_Width(&width), features->get_Height(&height);
            seen.push_back(TakeString(text) + L" " + std::to_wstring(user) + L" " + std::to_wstring(hasPosition) +
                           std::to_wstring(hasSize) + L" " + std::to_wstring(left) + L"," + std::to_wstring(top) + L" " +
                           std::to_wstring(width) + L"x" + std::to_wstring(height));
            args->GetDeferral(deferral.ReleaseAndGetAddressOf());
            EXPECT_EQ(args->put_NewWindow(session.webview.Get()), E_INVALIDARG) << "a navigated view";
            if (hostView) {
                EXPECT_EQ(args->put_NewWindow(hostView), S_OK);
            }
            args->put_Handled(handle);
            return S_OK;
        },
        IID_ICoreWebView2NewWindowRequestedEventHandler);
    EventRegistrationToken token;
    EXPECT_EQ(session.webview->add_NewWindowRequested(handler, &token), S_OK);
    handler->Release();
    request(L"https://handled.test/", 1);
    EXPECT_EQ(LogCount("NewWindow https://handled.test/ handled"), 0u) << "decided when the deferral completes";
    deferral->Complete();
    EXPECT_EQ(LogCount("NewWindow https://handled.test/ handled"), 1u);
    EXPECT_EQ(popup(L"https://handled.test/"), nullptr);
    EXPECT_EQ(session.Source(), L"https://opener.test/");

    HWND popupParent = CreateParentWindow();
    EngineSession hosting(popupParent);
    hosting.environment = session.environment.Get();
    ASSERT_EQ(hosting.StartController(), S_OK);
    ASSERT_TRUE(hosting.TakeWebView());
    hosting.Watch();
    hostView = hosting.webview.Get();
    request(L"https://signin.test/ width=480,height=560.7,left=10,top=20", 0);
    deferral->Complete();
    ASSERT_TRUE(PumpUntil([&] { return hosting.completedCount == 1; }));
    EXPECT_EQ(hosting.Source(), L"https://signin.test/");
    EXPECT_EQ(session.Source(), L"https://opener.test/");
    EXPECT_EQ(LogCount("NewWindow https://signin.test/ hosted"), 1u);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"https://handled.test/ 0 00 0,0 0x0",
                                                L"https://signin.test/ 1 11 10,20 480x560"}));

    std::vector<std::wstring> heard;
    auto* closing = new NoArgsHandler([&](ICoreWebView2* sender, IUnknown*) {
        heard.push_back(sender == hostView ? L"close" : L"close from elsewhere");
        return S_OK;
    }, IID_ICoreWebView2WindowCloseRequestedEventHandler);
    auto* titled = new Handler<ICoreWebView2DocumentTitleChangedEventHandler, ICoreWebView2*, IUnknown*>(
        [&](ICoreWebView2* sender, IUnknown*) {
            LPWSTR title = nullptr;
            sender->get_DocumentTitle(&title);
            heard.push_back(L"title " + TakeString(title));
            return S_OK;
        }, IID_ICoreWebView2DocumentTitleChangedEventHandler);
    EXPECT_EQ(hostView->add_WindowCloseRequested(closing, &token), S_OK);
    EXPECT_EQ(session.webview->add_WindowCloseRequested(closing, &token), S_OK);
    EXPECT_EQ(hostView->add_DocumentTitleChanged(titled, &token), S_OK);
    closing->Release();
    titled->Release();
    HWND hostPage = FindWindowExW(popupParent, nullptr, nullptr, nullptr);
    SendMessageW(hostPage, RegisterWindowMessageW(L"TrovEngineSimulateTitle"), 0, reinterpret_cast<LPARAM>(L"Sign in"));
    SendMessageW(hostPage, RegisterWindowMessageW(L"TrovEngineSimulateWindowClose"), 0, 0);
    ASSERT_TRUE(hosting.NavigateAndWait(L"https://signed.test/"));
    ASSERT_TRUE(session.NavigateAndWait(L"https://second.test/"));  // no script may close it now
    SendMessageW(PageWindow(), RegisterWindowMessageW(L"TrovEngineSimulateWindowClose"), 0, 0);
    EXPECT_EQ(heard, (std::vector<std::wstring>{L"title Sign in", L"close", L"title https://signed.test/"}));
    EXPECT_EQ(LogCount("WindowCloseRequested") + LogCount("DocumentTitleChanged Sign in"), 2u);

    session.controller->Close();
    hosting.controller->Close();
    EXPECT_EQ(popup(L"https://popup.test/"), nullptr) << "the popup goes with the view";
    EXPECT_EQ(LogCount("Released windowclosehandler") + LogCount("Released titlehandler"), 3u);
    DestroyWindow(popupParent);
}

std::wstring Variable(const wchar_t* name) {
    wchar_t value[512] = {};
    DWORD length = GetEnvironmentVariableW(name, value, 512);
    return length < 512 ? std::wstring(value, length) : std::wstring();
}

void Click(HWND page, int x, int y, bool middle = false) {
    SendMessageW(page, middle ? WM_MBUTTONDOWN : WM_LBUTTONDOWN, middle ? MK_MBUTTON : MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(page, middle ? WM_MBUTTONUP : WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// The same with a real Chromium, which the end-to-end tests name (TROV_TEST_CHROMIUM, host:port) with
// their page server (TROV_TEST_PAGES): window.open's page, with its opener, shows in the host's view;
// a middle-click is a request of the person's with no features. Each view's picture moves on after.
TEST_F(DevEngineTest, ChromiumHostsTheOpenedPageAndEveryPictureMovesOn) {
    const std::wstring chromium = Variable(L"TROV_TEST_CHROMIUM"), pages = Variable(L"TROV_TEST_PAGES");
    if (chromium.empty() || pages.empty()) GTEST_SKIP() << "run by the end-to-end tests, with their Chromium";
    SetEnvironmentVariableW(L"TROV_ENGINE_CHROMIUM", chromium.c_str());
    const std::wstring frames = logPath_ + L".frames";
    SetEnvironmentVariableW(L"TROV_ENGINE_FRAME_LOG", frames.c_str());
    EngineSession session(parent_);
    ASSERT_TRUE(session.StartWebView());
    session.controller->put_IsVisible(TRUE);
    session.controller->put_Bounds(RECT{0, 0, 800, 600});
    ASSERT_EQ(session.webview->Navigate((pages + L"/opener.html").c_str()), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return session.completedCount > 0; }, 20000)) << "the opener's page";
    std::vector<std::wstring> heard;
    auto* titled = new Handler<ICoreWebView2DocumentTitleChangedEventHandler, ICoreWebView2*, IUnknown*>(
        [&](ICoreWebView2* sender, IUnknown*) {
            LPWSTR title = nullptr;
            sender->get_DocumentTitle(&title);
            heard.push_back((sender == session.webview.Get() ? L"opener " : L"popup ") + TakeString(title));
            return S_OK;
        }, IID_ICoreWebView2DocumentTitleChangedEventHandler);
    EventRegistrationToken token;
    session.webview->add_DocumentTitleChanged(titled, &token);
    ComRef<NewWindowArgs> asked;
    ComRef<ICoreWebView2Deferral> deferral;
    std::vector<std::wstring> requests;
    auto* handler = new NewWindowHandler([&](ICoreWebView2*, NewWindowArgs* args) {
        LPWSTR uri = nullptr;
        args->get_Uri(&uri);
        BOOL user = FALSE, hasSize = FALSE;
        UINT32 width = 0;
        args->get_IsUserInitiated(&user);
        ComRef<ICoreWebView2WindowFeatures> features;
        args->get_WindowFeatures(features.ReleaseAndGetAddressOf());
        features->get_HasSize(&hasSize);
        features->get_Width(&width);
        requests.push_back(TakeString(uri) + L" " + std::to_wstring(user) + std::to_wstring(hasSize) + L" " +
                           std::to_wstring(width));
        asked = args;
        args->GetDeferral(deferral.ReleaseAndGetAddressOf());
        return S_OK;
    }, IID_ICoreWebView2NewWindowRequestedEventHandler);
    session.webview->add_NewWindowRequested(handler, &token);
    handler->Release();

    Click(PageWindow(), 100, 100);  // window.open('/signin.html', 'signin', 'width=480,height=560')
    ASSERT_TRUE(PumpUntil([&] { return bool(deferral); }, 10000)) << "window.open's request";
    HWND popupParent = CreateParentWindow();
    EngineSession hosting(popupParent);
    hosting.environment = session.environment.Get();
    ASSERT_EQ(hosting.StartController(), S_OK);
    ASSERT_TRUE(hosting.TakeWebView());
    hosting.Watch();
    hosting.controller->put_IsVisible(TRUE);
    hosting.controller->put_Bounds(RECT{0, 0, 480, 560});
    hosting.webview->add_DocumentTitleChanged(titled, &token);
    titled->Release();
    bool closeRequested = false;
    auto* closing = new NoArgsHandler([&](ICoreWebView2*, IUnknown*) { return closeRequested = true, S_OK; },
                                      IID_ICoreWebView2WindowCloseRequestedEventHandler);
    hosting.webview->add_WindowCloseRequested(closing, &token);
    closing->Release();
    ASSERT_EQ(asked->put_NewWindow(hosting.webview.Get()), S_OK);
    asked->put_Handled(TRUE);
    deferral->Complete();
    ASSERT_TRUE(PumpUntil([&] { return hosting.completedCount > 0; }, 10000)) << "the page in the host's view";
    EXPECT_EQ(hosting.Source(), pages + L"/signin.html");
    // The page posts to its opener as it loads; the opener shows what it got in its title.
    auto heardTitle = [&](const std::wstring& title) { return std::count(heard.begin(), heard.end(), title) > 0; };
    EXPECT_TRUE(PumpUntil([&] { return heardTitle(L"opener got signed") && heardTitle(L"popup Sign in"); }, 10000))
        << ToUtf8(std::accumulate(heard.begin(), heard.end(), std::wstring(), [](std::wstring all, const std::wstring& one) {
               return all + one + L"; ";
           }));
    Click(FindWindowExW(popupParent, nullptr, nullptr, nullptr), 100, 100);  // window.close()
    EXPECT_TRUE(PumpUntil([&] { return closeRequested; }, 10000)) << "window.close()";

    deferral.Reset();
    Click(PageWindow(), 100, 300, true);  // a link, middle-clicked
    ASSERT_TRUE(PumpUntil([&] { return bool(deferral); }, 10000)) << "the middle-click's request";
    asked->put_Handled(TRUE);
    deferral->Complete();
    deferral.Reset();
    ASSERT_EQ(session.webview->Navigate((pages + L"/opener.html?timer").c_str()), S_OK);  // window.open by itself
    ASSERT_TRUE(PumpUntil([&] { return bool(deferral); }, 10000)) << "the timer's request";
    asked->put_Handled(TRUE);
    deferral->Complete();
    EXPECT_EQ(requests, (std::vector<std::wstring>{pages + L"/signin.html 11 480", pages + L"/red.html 10 0",
                                                    pages + L"/amber.html 00 0"}));
    EXPECT_EQ(LogCount(ToUtf8(L"NewWindow " + pages + L"/signin.html hosted")), 1u);

    // Each picture moves on: a new frame comes for a new page of either view.
    for (EngineSession* view : {&session, &hosting}) {
        auto frameCount = [&frames] {
            std::ifstream file(ToUtf8(frames));
            return std::count(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>(), '\n');
        };
        const auto before = frameCount();
        ASSERT_TRUE(view->NavigateAndWait(pages + L"/red.html"));
        EXPECT_TRUE(PumpUntil([&] { return frameCount() > before; }, 5000)) << "the picture stopped";
    }
    session.controller->Close();
    hosting.controller->Close();
    DestroyWindow(popupParent);
    DeleteFileW(frames.c_str());
    SetEnvironmentVariableW(L"TROV_ENGINE_FRAME_LOG", nullptr);
}

using BrowserExitedHandler = Handler<ICoreWebView2BrowserProcessExitedEventHandler, ICoreWebView2Environment*,
                                     ICoreWebView2BrowserProcessExitedEventArgs*>;

// TROV_ENGINE_FAIL_RESTARTS=N: after each simulated browser-process exit, N environments fail to
// start. Each environment hears of its own exit once, and is then let go with its handler.
TEST_F(DevEngineTest, EnvironmentsAfterABrowserExitFailAsOftenAsAsked) {
    auto heard = std::make_shared<int>(0);
    {
        EngineSession session(parent_);
        ASSERT_TRUE(session.StartWebView());
        ComRef<ICoreWebView2Environment5> environment5;
        session.environment->QueryInterface(IID_ICoreWebView2Environment5,
                                            reinterpret_cast<void**>(environment5.ReleaseAndGetAddressOf()));
        auto* exited = new BrowserExitedHandler(
            [heard](auto, auto) {
                ++*heard;
                return S_OK;
            },
            IID_ICoreWebView2BrowserProcessExitedEventHandler);
        EventRegistrationToken token;
        ASSERT_EQ(environment5->add_BrowserProcessExited(exited, &token), S_OK);
        exited->Release();
        SetEnvironmentVariableW(L"TROV_ENGINE_FAIL_RESTARTS", L"2");
        SimulateProcessFailure(PageWindow(), COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
        session.controller->Close();
        EXPECT_TRUE(PumpUntil([&] { return *heard == 1; }));
    }
    for (int attempt = 1; attempt <= 2; ++attempt) {
        EngineSession failing(parent_);
        EXPECT_EQ(failing.StartEnvironment(), HRESULT_FROM_WIN32(ERROR_INVALID_STATE)) << attempt;
        EXPECT_FALSE(failing.environment);
    }
    EngineSession working(parent_);
    ASSERT_TRUE(working.StartWebView());
    ASSERT_TRUE(working.NavigateAndWait(L"https://back.test/"));
    EXPECT_EQ(LogCount("EnvironmentFailed"), 2u);
    SimulateProcessFailure(PageWindow(), COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
    EXPECT_TRUE(PumpUntil([this] { return LogCount("BrowserProcessExited 1") == 2; }));
    EXPECT_EQ(*heard, 1) << "the first environment's exit is not told again";
    EXPECT_EQ(heard.use_count(), 1) << "the first environment let go of its handler";
}

}  // namespace

int main(int argc, char** argv) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
