// The simulated back-end: a queue of navigations, each announced on the message loop after the call
// that made it, held open for the configured delay, then completed; the history they leave; and a
// white page that shows its URL, so that a screenshot tells pages apart.
#pragma once

#include "devtools/engine/objects.h"

#include <deque>
#include <string>
#include <vector>

class SimulatedView final : public WebView {
public:
    // Null when the child window cannot be made in that parent.
    static SimulatedView* Create(ConfigPtr config, HWND parent);

    std::wstring Source() const override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    enum class NavigationKind { New, HistoryMove, Reload };
    struct Navigation {
        UINT64 id = 0;
        std::wstring url;
        NavigationKind kind = NavigationKind::New;
        int historyIndex = -1;  // the entry a history move lands on
        bool started = false;
        bool cancelled = false;
        bool awaitingLeave = false;  // the page asked before being left and has no answer yet
    };

    explicit SimulatedView(ConfigPtr config) : WebView(std::move(config)) {}
    ~SimulatedView() override = default;

    HRESULT BeginScript(const std::wstring& script, ScriptAnswer answer) override;
    void OnAnsweringAgain() override;
    HRESULT BeginNavigate(const std::wstring& uri) override;
    HRESULT BeginReload() override;
    HRESULT BeginHistoryMove(int step) override;
    void OnRendererGone() override;
    void OnBrowserGone() override;

    // A move to an entry of the same document (only the part after '#' differs): no navigation,
    // one SourceChanged, raised from the message loop.
    void MoveWithinDocument(const std::wstring& url, int historyIndex);
    void DropNavigations();

    // What the simulated page does by script: a dialog, the question before it is left, a new window.
    void OpenPageDialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND kind, const wchar_t* message);
    void OpenNewWindow(const std::wstring& request, bool userInitiated);
    void ShowTitle(const wchar_t* title);
    void AskBeforeLeaving(UINT64 navigationId);
    void OnLeaveAnswered(UINT64 navigationId, bool leave);

    bool HasPage() const { return historyIndex_ >= 0; }
    void Enqueue(NavigationKind kind, const std::wstring& url, int historyIndex);
    void OnStepNavigations();
    void OnNavigationTimer();
    void Commit(const Navigation& navigation);
    void StartTimer();
    void StopTimer();
    void Paint();

    bool openedAsNewWindow_ = false;  // a page's script may close it
    std::wstring ownTitle_;  // the page's own title, until another page replaces it; empty: its address
    bool timerRunning_ = false;
    bool blank_ = false;
    bool asksBeforeLeaving_ = false;  // until another document replaces the page
    std::wstring leaveMessage_;       // the text the page's script gave its question, as a returnValue
    UINT64 leaveQuestionFor_ = 0;     // the navigation the open question is about  // the renderer died: nothing shows until a page loads again
    std::vector<ScriptAnswer> heldScripts_;  // asked while the page did not answer
    std::deque<Navigation> navigations_;  // the front one is the open navigation
    std::vector<std::wstring> history_;
    int historyIndex_ = -1;
    UINT64 nextNavigationId_ = 1;
};
