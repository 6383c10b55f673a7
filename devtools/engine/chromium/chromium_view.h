// The Chromium back-end: the web view drives a page of a headless Chromium over its DevTools
// protocol, shows the page's screencast in the child window and passes the window's input on.
#pragma once

#include "devtools/engine/chromium/browser_keys.h"
#include "devtools/engine/chromium/navigation_tracker.h"
#include "devtools/engine/chromium/opened_pages.h"
#include "devtools/engine/chromium/page_connection.h"
#include "devtools/engine/chromium/page_cursor.h"
#include "devtools/engine/chromium/page_focus.h"
#include "devtools/engine/chromium/page_input.h"
#include "devtools/engine/chromium/screencast.h"
#include "devtools/engine/chromium/script_dialog.h"
#include "devtools/engine/objects.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The page is asked a trivial evaluation this often; one unanswered this long is a page that does
// not answer.
inline constexpr UINT_PTR kProbeTimerId = 0x7E51;
inline constexpr UINT kProbeEveryMs = 1000;
inline constexpr ULONGLONG kUnansweredProbeMs = 3000;

class ChromiumView final : public WebView {
public:
    // Starts connecting to the Chromium the settings name; null when the child window cannot be made.
    static ChromiumView* Create(ConfigPtr config, HWND parent);

    // Runs once, from the message loop: true once the page is attached and can navigate, false
    // when Chromium cannot be reached.
    void WhenReady(std::function<void(bool ready)> callback);

    std::wstring Source() const override;
    void PlacePage(const RECT& bounds) override;
    void TakeFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnWindowDestroyed() override;
    void ExitFullScreenElement() override;

private:
    explicit ChromiumView(ConfigPtr config);
    ~ChromiumView() override;

    HRESULT BeginScript(const std::wstring& script, ScriptAnswer answer) override;
    HRESULT BeginNavigate(const std::wstring& uri) override;
    HRESULT BeginReload() override;
    HRESULT BeginHistoryMove(int step) override;
    void OnRendererGone() override;
    void OnBrowserGone() override;
    void ApplyZoom(double factor) override;

    void RouteEvents();
    void OnNews();
    void OnConnected();
    void OnEnded();
    void EndSession();
    void OnHistory(const nlohmann::json& history, int step);
    void TakeFrame();
    void FinishReady(bool ready);
    void Raise(const std::vector<NavigationEvent>& events);
    void ForwardInput(UINT message, WPARAM wParam, LPARAM lParam);
    void DeliverInput(const TabGate::Input& input);

    // What a page does besides navigating (page_features.cpp): its dialogs, new windows,
    // downloads and clipboard keys.
    void EnablePageFeatures();
    void OnDialogOpening(const nlohmann::json& params);
    void OnTargetInfoChanged(const nlohmann::json& params);

    // New windows (page_features.cpp): Chromium reports a window.open (Page.windowOpen) before it
    // makes the page; a link it opens in a page of its own (a middle-click) only by the page. The
    // host decides meanwhile: the page is closed, or shown by the host's view.
    struct NewPage;
    void OnWindowOpen(const nlohmann::json& params);
    void OnNewPage(const std::string& targetId, const std::string& url, bool fromLink);
    void RequestNewWindow(const std::shared_ptr<NewPage>& page, const NewWindowRequest& request);
    void SettleNewPage(const std::shared_ptr<NewPage>& page);
    // This view, handed over by the host, shows the new page: Chromium's own page for it when the
    // page has an opener to talk to, else its own page goes to the address.
    void ShowNewWindowPage(const std::string& targetId, const std::string& url, bool hasOpener);
    void OnOpenedPageClosed();
    void OnPageVisibility(bool visible);
    void OnBindingCalled(const nlohmann::json& params);
    void OnWindowCloseCalled();
    bool HandleEditingKey(WPARAM virtualKey, int modifiers);
    void CopySelection(bool cut);
    void PasteClipboard();

    // What the runtime does itself with the page window's input and state (view_controls.cpp): the
    // zoom keys and Ctrl+wheel, Chromium's own keys withheld, the page's focus and hover.
    bool HandleBrowserKey(UINT message, WPARAM virtualKey, int modifiers);
    bool HandleZoomWheel(UINT message, WPARAM wParam);
    void ZoomBy(int steps);
    void OnFocusChanged(bool focused);
    void ProbePage();
    void TrackPointer(POINT point);
    void OnPointerLeft();

    // First: the parts below send through it.
    PageConnection connection_;
    NavigationTracker tracker_;
    InputTranslator input_;
    Screencast screencast_{connection_};
    PageCursor cursor_{connection_};
    OpenedPages openedPages_{connection_, [this](const std::string& targetId, const std::string& url, bool fromLink) {
                                 OnNewPage(targetId, url, fromLink);
                             }};
    std::deque<std::shared_ptr<NewPage>> awaitingPages_;  // asked for by window.open, not made yet
    bool openedAsNewWindow_ = false;  // a page's script may close it
    std::string adoptedUrl_;  // the new window's address while this view takes Chromium's page for it over
    TabGate tabGate_{connection_, [this](const TabGate::Input& input) { DeliverInput(input); },
                     [this](bool backwards) { return OfferFocusToHost(backwards); }};
    std::function<void(bool)> whenReady_;
    bool pageReady_ = false;
    bool reclaimFront_ = false;  // a page opened by ours was closed: ours is to be the active tab again
    bool pointerTracked_ = false;  // a WM_MOUSELEAVE is asked for
    int zoomWheel_ = 0;            // Ctrl+wheel turned short of a whole notch
    bool probeAnswered_ = true;    // the page answered the last trivial evaluation
    ULONGLONG probeSentAt_ = 0;
};
