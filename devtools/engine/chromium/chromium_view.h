// The Chromium back-end: the web view drives a page of a headless Chromium over its DevTools
// protocol, shows the page's screencast in the child window and passes the window's input on.
#pragma once

#include "devtools/engine/chromium/navigation_tracker.h"
#include "devtools/engine/chromium/opened_pages.h"
#include "devtools/engine/chromium/page_connection.h"
#include "devtools/engine/chromium/page_cursor.h"
#include "devtools/engine/chromium/page_input.h"
#include "devtools/engine/chromium/screencast.h"
#include "devtools/engine/chromium/script_dialog.h"
#include "devtools/engine/objects.h"

#include <functional>
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
    explicit ChromiumView(ConfigPtr config);
    ~ChromiumView() override;

    HRESULT BeginNavigate(const std::wstring& uri) override;
    HRESULT BeginReload() override;
    HRESULT BeginHistoryMove(int step) override;
    void OnRendererGone() override;
    void OnBrowserGone() override;

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

    // What a page does besides navigating (page_features.cpp): its dialogs, new windows,
    // downloads and clipboard keys.
    void EnablePageFeatures();
    void OnDialogOpening(const nlohmann::json& params);
    void RunScriptDialog(const ScriptDialogRequest& request);
    void OnWindowOpen(const nlohmann::json& params);
    void OnBindingCalled(const nlohmann::json& params);
    bool HandleEditingKey(WPARAM virtualKey, int modifiers);
    void CopySelection(bool cut);
    void PasteClipboard();

    // First: the parts below send through it.
    PageConnection connection_;
    NavigationTracker tracker_;
    InputTranslator input_;
    Screencast screencast_{connection_};
    PageCursor cursor_{connection_};
    OpenedPages openedPages_{connection_};
    std::function<void(bool)> whenReady_;
    bool pageReady_ = false;
    bool dialogOpen_ = false;
};
