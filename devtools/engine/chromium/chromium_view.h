// The Chromium back-end: the web view drives a page of a headless Chromium over its DevTools
// protocol, shows the page's screencast in the child window and passes the window's input on.
#pragma once

#include "devtools/engine/chromium/devtools_session.h"
#include "devtools/engine/chromium/navigation_tracker.h"
#include "devtools/engine/chromium/page_input.h"
#include "devtools/engine/chromium/script_dialog.h"
#include "devtools/engine/objects.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class ChromiumView final : public WebView {
public:
    // Starts connecting to the Chromium the settings name; null when the child window cannot be made.
    static ChromiumView* Create(ConfigPtr config, HWND parent);

    // Runs once, from the message loop: true once the page is attached and can navigate, false
    // when Chromium cannot be reached.
    void WhenReady(std::function<void(bool ready)> callback);

    std::wstring Source() const override;
    void PlacePage(const RECT& bounds) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnWindowDestroyed() override;
    void ExitFullScreenElement() override;

private:
    using Answer = std::function<void(const nlohmann::json& result, bool failed)>;

    explicit ChromiumView(ConfigPtr config) : WebView(std::move(config)) {}
    ~ChromiumView() override;

    HRESULT BeginNavigate(const std::wstring& uri) override;
    HRESULT BeginReload() override;
    HRESULT BeginHistoryMove(int step) override;
    void OnRendererGone() override;
    void OnBrowserGone() override;

    void OnNews();
    void OnConnected();
    void OnMessage(const nlohmann::json& message);
    void OnEnded();
    void OnHistory(const nlohmann::json& history, int step);
    void TakeFrame();
    bool Call(const std::string& method, const nlohmann::json& params, Answer answer = nullptr);
    void FinishReady(bool ready);
    void ApplyViewport();
    void RestartScreencast();
    void AwaitSettledFrame();
    void OnSettleTimer();
    void Raise(const std::vector<NavigationEvent>& events);
    void ForwardInput(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();

    // What a page does besides navigating (page_features.cpp): its dialogs, new windows,
    // downloads, clipboard keys and cursor.
    void EnablePageFeatures();
    void OnPageEvent(const std::string& method, const nlohmann::json& params);
    void OnDialogOpening(const nlohmann::json& params);
    void RunScriptDialog(const ScriptDialogRequest& request);
    void OnWindowOpen(const nlohmann::json& params);
    void OnTargetCreated(const nlohmann::json& info);
    void CloseOpenedTargets();
    bool HandleEditingKey(WPARAM virtualKey, int modifiers);
    void CopySelection(bool cut);
    void PasteClipboard();
    void TrackCursor(POINT point);
    void AskCursor();
    bool SetPageCursor(LPARAM hitTest);

    std::unique_ptr<DevToolsSession> session_;
    NavigationTracker tracker_;
    InputTranslator input_;
    std::unique_ptr<PageImage> image_;
    std::map<int, Answer> answers_;
    std::function<void(bool)> whenReady_;
    bool pageReady_ = false;
    int viewportWidth_ = 0;
    int viewportHeight_ = 0;
    bool settlingFrame_ = false;  // the screencast was restarted for the picture of a page at rest

    std::string ownTargetId_;
    std::set<std::string> openedTargets_;  // pages opened by ours, until Chromium says they closed
    bool dialogOpen_ = false;
    bool cursorAsked_ = false;  // an answer is awaited: moves meanwhile only note the point
    bool cursorMoved_ = false;
    POINT cursorPoint_ = {};
    const wchar_t* cursor_ = IDC_ARROW;
};
