// The simulated back-end's navigations, history and painting.
#include "devtools/engine/simulated_view.h"

#include "devtools/engine/url.h"

#include <algorithm>

namespace {

const UINT kStepNavigationsMessage = WM_APP + 1;
const UINT_PTR kNavigationTimerId = 1;
const COLORREF kTextColor = RGB(32, 32, 32);
const int kTextMargin = 16;
const wchar_t kBlankPage[] = L"about:blank";

void DrawPageUrl(HDC hdc, RECT area, const std::wstring& url) {
    HGDIOBJ previousFont = SelectObject(hdc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, kTextColor);
    InflateRect(&area, -kTextMargin, -kTextMargin);
    DrawTextW(hdc, url.c_str(), static_cast<int>(url.size()), &area,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(hdc, previousFont);
}

// The two addresses are one document: they differ, and only in what follows a '#' that the new one has.
bool IsSameDocument(const std::wstring& current, const std::wstring& next) {
    const size_t hash = next.find(L'#');
    if (hash == std::wstring::npos || current == next) return false;
    return current.substr(0, current.find(L'#')) == next.substr(0, hash);
}

}  // namespace

SimulatedView* SimulatedView::Create(ConfigPtr config, HWND parent) {
    auto* view = new SimulatedView(std::move(config));
    if (!view->CreateWindowIn(parent)) {
        delete view;
        return nullptr;
    }
    return view;
}

std::wstring SimulatedView::Source() const {
    return HasPage() ? history_[static_cast<size_t>(historyIndex_)] : kBlankPage;
}

// The white page has no script of its own: every script gives null, once the page answers.
HRESULT SimulatedView::BeginScript(const std::wstring&, ScriptAnswer answer) {
    heldScripts_.push_back(std::move(answer));
    if (!IsUnresponsive()) OnAnsweringAgain();
    return S_OK;
}

void SimulatedView::OnAnsweringAgain() {
    std::vector<ScriptAnswer> answers = std::move(heldScripts_);
    heldScripts_.clear();
    EngineRef<SimulatedView> self(this);
    for (ScriptAnswer& answer : answers) {
        PostToMessageLoop([self, answer] {
            if (!self->IsDead()) answer(S_OK, L"null");
        });
    }
}

// The empty page is the one address besides the web's: a host leaving its page goes there.
HRESULT SimulatedView::BeginNavigate(const std::wstring& uri) {
    std::wstring url;
    if (uri == kBlankPage) {
        url = kBlankPage;
    } else if (!NormaliseUrl(uri, &url)) {
        return E_INVALIDARG;
    }
    if (HasPage() && IsSameDocument(Source(), url)) {
        MoveWithinDocument(url, -1);
        return S_OK;
    }
    Enqueue(NavigationKind::New, url, -1);
    return S_OK;
}

HRESULT SimulatedView::BeginReload() {
    if (HasPage()) Enqueue(NavigationKind::Reload, Source(), historyIndex_);
    return S_OK;
}

// Past either end of the history there is nothing to go to, and nothing happens.
HRESULT SimulatedView::BeginHistoryMove(int step) {
    int target = historyIndex_ + step;
    if (target >= 0 && target < static_cast<int>(history_.size())) {
        const std::wstring& entry = history_[static_cast<size_t>(target)];
        if (IsSameDocument(Source(), entry) || IsSameDocument(entry, Source())) {
            MoveWithinDocument(entry, target);
            return S_OK;
        }
        Enqueue(NavigationKind::HistoryMove, history_[static_cast<size_t>(target)], target);
    }
    return S_OK;
}

// The view may be gone after a step or a timer (its handlers can drop the last reference), so
// nothing here touches it afterwards.
bool SimulatedView::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    *result = 0;
    if (message == SimulateScriptDialogMessage()) {
        OpenPageDialog(static_cast<COREWEBVIEW2_SCRIPT_DIALOG_KIND>(wParam), reinterpret_cast<const wchar_t*>(lParam));
        return true;
    }
    if (message == SimulateNewWindowMessage()) {
        if (lParam) OpenNewWindow(reinterpret_cast<const wchar_t*>(lParam), wParam == 0);
        return true;
    }
    if (message == SimulateWindowCloseMessage()) {
        if (MayCloseByScript(openedAsNewWindow_, static_cast<int>(history_.size()))) RaiseWindowCloseRequested();
        return true;
    }
    if (message == SimulateTitleMessage()) {
        ShowTitle(reinterpret_cast<const wchar_t*>(lParam));
        return true;
    }
    if (message == SimulateFullScreenMessage()) {  // as a page's requestFullscreen and exitFullscreen
        SetContainsFullScreenElement(wParam != 0);
        return true;
    }
    switch (message) {
    case WM_ERASEBKGND:
        *result = 1;  // WM_PAINT fills the whole page
        return true;
    case WM_PAINT:
        Paint();
        return true;
    case WM_LBUTTONDOWN:
        SetFocus(Window());  // as a real page takes the keyboard when clicked
        return true;
    case WM_KEYDOWN:
        // The white page has nothing to focus: Tab and Shift+Tab always leave it, when the host takes the focus.
        if (wParam != VK_TAB || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
        OfferFocusToHost(GetKeyState(VK_SHIFT) < 0);
        return true;
    case WM_TIMER:
        if (wParam == kNavigationTimerId) OnNavigationTimer();
        return true;
    case kStepNavigationsMessage:
        OnStepNavigations();
        return true;
    }
    return false;
}

// Runs after the call that asked for it returns, as every event of this engine does. A new entry
// (historyIndex -1) drops the forward ones, as a new page does.
void SimulatedView::MoveWithinDocument(const std::wstring& url, int historyIndex) {
    EngineRef<SimulatedView> self(this);
    PostToMessageLoop([self, url, historyIndex] {
        SimulatedView* view = self.Get();
        if (!view->Window() || view->IsDead()) return;
        if (historyIndex < 0) {
            view->history_.resize(static_cast<size_t>(view->historyIndex_ + 1));
            view->history_.push_back(url);
            view->historyIndex_ = static_cast<int>(view->history_.size()) - 1;
        } else if (historyIndex < static_cast<int>(view->history_.size())) {
            view->historyIndex_ = historyIndex;
        }
        InvalidateRect(view->Window(), nullptr, FALSE);
        view->RaiseSourceChanged(false);
    });
}

// A dead renderer completes nothing: its open navigations are gone without an event.
void SimulatedView::DropNavigations() {
    StopTimer();
    navigations_.clear();
    asksBeforeLeaving_ = false;
    blank_ = true;
    if (Window()) InvalidateRect(Window(), nullptr, FALSE);
}

void SimulatedView::OnRendererGone() { DropNavigations(); }
void SimulatedView::OnBrowserGone() { DropNavigations(); }

void SimulatedView::Paint() {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(Window(), &ps);
    RECT client;
    GetClientRect(Window(), &client);
    FillRect(hdc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (HasPage() && !blank_ && Source() != kBlankPage) DrawPageUrl(hdc, client, Source());
    EndPaint(Window(), &ps);
}

// A new navigation supersedes every open one: they complete as cancelled after it starts. A page
// that asks before it is left is asked first; the navigation waits for the answer.
void SimulatedView::Enqueue(NavigationKind kind, const std::wstring& url, int historyIndex) {
    Navigation navigation;
    navigation.id = nextNavigationId_++;
    navigation.url = url;
    navigation.kind = kind;
    navigation.historyIndex = historyIndex;
    if (asksBeforeLeaving_) {
        navigation.awaitingLeave = true;
        navigations_.push_back(std::move(navigation));
        AskBeforeLeaving(navigations_.back().id);
        return;
    }
    for (Navigation& open : navigations_) open.cancelled = true;
    StopTimer();
    navigations_.push_back(std::move(navigation));
    PostMessageW(Window(), kStepNavigationsMessage, 0, 0);
}

// One question at a time: a navigation asked for while it is up takes the place of the one waiting.
void SimulatedView::AskBeforeLeaving(UINT64 navigationId) {
    const bool questionUp = leaveQuestionFor_ != 0;
    if (questionUp) {
        for (auto it = navigations_.begin(); it != navigations_.end(); ++it) {
            if (it->id == leaveQuestionFor_) {
                navigations_.erase(it);
                break;
            }
        }
    }
    leaveQuestionFor_ = navigationId;
    if (questionUp) return;
    ScriptDialogRequest request;
    request.type = "beforeunload";
    request.message = leaveMessage_;  // as Chromium reports it; neither dialog shows it
    request.uri = Source();
    request.caption = FromUtf8(OriginOf(ToUtf8(Source())));
    EngineRef<SimulatedView> self(this);
    OpenScriptDialog(request, [self](const ScriptDialogAnswer& answer) {
        self->OnLeaveAnswered(self->leaveQuestionFor_, answer.accepted);
    });
}

// Leave: the navigation goes on as any other, superseding the open ones. Stay: it is dropped
// unheard of, as it never started.
void SimulatedView::OnLeaveAnswered(UINT64 navigationId, bool leave) {
    leaveQuestionFor_ = 0;
    auto waiting = std::find_if(navigations_.begin(), navigations_.end(),
                                [navigationId](const Navigation& n) { return n.id == navigationId; });
    if (waiting == navigations_.end()) return;
    if (!leave) {
        navigations_.erase(waiting);
        return;
    }
    waiting->awaitingLeave = false;
    for (Navigation& open : navigations_) open.cancelled = open.id != navigationId;
    StopTimer();
    if (Window()) PostMessageW(Window(), kStepNavigationsMessage, 0, 0);
}

// The page's script gets the answer; the log line says what it got.
void SimulatedView::OpenPageDialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND kind, const wchar_t* message) {
    if (kind == COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD) {
        asksBeforeLeaving_ = true;
        leaveMessage_ = message ? message : L"";
        return;
    }
    static const char* const kTypes[] = {"alert", "confirm", "prompt"};
    if (kind < COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT || kind > COREWEBVIEW2_SCRIPT_DIALOG_KIND_PROMPT) return;
    ScriptDialogRequest request;
    request.type = kTypes[kind];
    request.message = message ? message : L"";
    request.uri = Source();
    request.caption = FromUtf8(OriginOf(ToUtf8(Source())));
    if (kind == COREWEBVIEW2_SCRIPT_DIALOG_KIND_PROMPT) request.defaultPrompt = L"default";
    const ConfigPtr config = SharedConfig();
    OpenScriptDialog(request, [config, kind](const ScriptDialogAnswer& answer) {
        std::wstring result = L"undefined";
        if (kind == COREWEBVIEW2_SCRIPT_DIALOG_KIND_CONFIRM) result = answer.accepted ? L"true" : L"false";
        if (kind == COREWEBVIEW2_SCRIPT_DIALOG_KIND_PROMPT) result = answer.accepted ? L"'" + answer.text + L"'" : L"null";
        LogLine(*config, L"ScriptDialogResult " + result);
    });
}

// "<address>[ <features>]", as window.open(address, name, features) asks. A view the host hands
// over opens the address as its first page.
void SimulatedView::OpenNewWindow(const std::wstring& text, bool userInitiated) {
    const size_t space = text.find(L' ');
    NewWindowRequest request;
    request.uri = text.substr(0, space);
    request.userInitiated = userInitiated;
    const std::wstring features = space == std::wstring::npos ? std::wstring() : text.substr(space + 1);
    request.features = ReadWindowFeatures(WindowFeatureItems(ToUtf8(features)));
    const std::wstring uri = request.uri;
    RaiseNewWindowRequested(request, [uri](NewWindowOutcome outcome, WebView* newWindow) {
        if (outcome != NewWindowOutcome::Hosted) return;
        auto* shown = static_cast<SimulatedView*>(newWindow);
        shown->openedAsNewWindow_ = true;
        shown->BeginNavigate(uri);
    });
}

// A page without a title of its own is titled with its address.
void SimulatedView::ShowTitle(const wchar_t* title) {
    ownTitle_ = title ? title : L"";
    SetDocumentTitle(ownTitle_.empty() ? Source() : ownTitle_);
}

// Raises whatever events are due: first the start of each navigation not yet started, in the order
// asked, then the completion of those a newer one replaced (so a replaced navigation ends after its
// successor started, as in a real engine), until a live navigation waits for its timer. Handlers
// may navigate or drop the host's last reference meanwhile, so each event is raised from a copy
// and the queue is looked at afresh after it.
void SimulatedView::OnStepNavigations() {
    EngineRef<SimulatedView> keepAlive(this);
    for (size_t i = 0; Window() && !IsDead() && i < navigations_.size(); ++i) {
        if (navigations_[i].started || navigations_[i].awaitingLeave) continue;
        navigations_[i].started = true;
        Navigation started(navigations_[i]);
        RaiseStarting(started.url, started.id);
    }
    while (Window() && !IsDead() && !navigations_.empty() && navigations_.front().cancelled) {
        Navigation cancelled = std::move(navigations_.front());
        navigations_.pop_front();
        RaiseCompleted(false, COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED, cancelled.id);
    }
    if (Window() && !IsDead() && !navigations_.empty() && navigations_.front().started) StartTimer();
}

void SimulatedView::OnNavigationTimer() {
    StopTimer();
    EngineRef<SimulatedView> keepAlive(this);
    if (!navigations_.empty() && navigations_.front().started && !navigations_.front().cancelled) {
        Navigation done = std::move(navigations_.front());
        navigations_.pop_front();
        const std::wstring before = Source();
        Commit(done);
        if (Source() != before) RaiseSourceChanged(true);
        ShowTitle(nullptr);  // a new document: its script has given it no title yet
        RaiseCompleted(true, COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN, done.id);
    }
    OnStepNavigations();
}

void SimulatedView::Commit(const Navigation& navigation) {
    switch (navigation.kind) {
    case NavigationKind::New:
        history_.resize(static_cast<size_t>(historyIndex_ + 1));  // a new page drops the forward entries
        history_.push_back(navigation.url);
        historyIndex_ = static_cast<int>(history_.size()) - 1;
        break;
    case NavigationKind::HistoryMove:
        if (navigation.historyIndex < static_cast<int>(history_.size())) historyIndex_ = navigation.historyIndex;
        break;
    case NavigationKind::Reload:
        break;
    }
    blank_ = false;
    asksBeforeLeaving_ = false;  // a new document: its own script has not asked
    if (Window()) InvalidateRect(Window(), nullptr, FALSE);
}

void SimulatedView::StartTimer() {
    if (timerRunning_ || !Window()) return;
    SetTimer(Window(), kNavigationTimerId, Config().navigationDelayMs, nullptr);
    timerRunning_ = true;
}

void SimulatedView::StopTimer() {
    if (!timerRunning_) return;
    if (Window()) KillTimer(Window(), kNavigationTimerId);
    timerRunning_ = false;
}
