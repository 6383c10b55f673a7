// The COM side of the arguments the engine passes with each event it raises, written once for the
// development engine and for the tests' in-process double. Each class takes its reference counting
// as a template: EventArgs below (freed with its last reference), or the double's (counted only).
#pragma once

#include "devtools/engine/engine.h"

#include <functional>
#include <string>
#include <utility>

// The answer of a property getter.
template <class T>
HRESULT GiveValue(T* out, T value) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

inline HRESULT GiveText(LPWSTR* out, const std::wstring& text) {
    if (!out) return E_POINTER;
    *out = CopyToTaskMemory(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

// Event arguments start with no reference; the engine's holder takes the first one. The IID is
// iid_of.h's or given.
template <class Interface>
class EventArgs : public Interface {
public:
    EventArgs() : iid_(IidOf<Interface>()) {}
    explicit EventArgs(const IID& iid) : iid_(iid) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return AnswerQuery<Interface>(this, riid, object, iid_);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = --refs_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    virtual ~EventArgs() = default;

private:
    const IID& iid_;
    LONG refs_ = 0;
};

template <template <class> class Counting>
class NavigationStartingArgs final : public Counting<ICoreWebView2NavigationStartingEventArgs> {
public:
    NavigationStartingArgs(std::wstring uri, UINT64 id) : uri_(std::move(uri)), id_(id) {}

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return GiveText(uri, uri_); }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_RequestHeaders(ICoreWebView2HttpRequestHeaders**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) override { return GiveValue(id, id_); }

private:
    std::wstring uri_;
    UINT64 id_;
};

template <template <class> class Counting>
class NavigationCompletedArgs final : public Counting<ICoreWebView2NavigationCompletedEventArgs> {
public:
    NavigationCompletedArgs(bool success, COREWEBVIEW2_WEB_ERROR_STATUS status, UINT64 id)
        : success_(success), status_(status), id_(id) {}

    HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* isSuccess) override {
        return GiveValue(isSuccess, static_cast<BOOL>(success_));
    }
    HRESULT STDMETHODCALLTYPE get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* status) override {
        return GiveValue(status, status_);
    }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) override { return GiveValue(id, id_); }

private:
    bool success_;
    COREWEBVIEW2_WEB_ERROR_STATUS status_;
    UINT64 id_;
};

template <template <class> class Counting>
class SourceChangedArgs final : public Counting<ICoreWebView2SourceChangedEventArgs> {
public:
    explicit SourceChangedArgs(bool newDocument) : newDocument_(newDocument) {}

    HRESULT STDMETHODCALLTYPE get_IsNewDocument(BOOL* isNewDocument) override {
        return GiveValue(isNewDocument, static_cast<BOOL>(newDocument_));
    }

private:
    bool newDocument_;
};

template <template <class> class Counting>
class ProcessFailedArgs final : public Counting<ICoreWebView2ProcessFailedEventArgs> {
public:
    explicit ProcessFailedArgs(COREWEBVIEW2_PROCESS_FAILED_KIND kind) : kind_(kind) {}

    HRESULT STDMETHODCALLTYPE get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* kind) override {
        return GiveValue(kind, kind_);
    }

private:
    COREWEBVIEW2_PROCESS_FAILED_KIND kind_;
};

template <template <class> class Counting>
class BrowserExitedArgs final : public Counting<ICoreWebView2BrowserProcessExitedEventArgs> {
public:
    BrowserExitedArgs(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind, UINT32 processId)
        : kind_(kind), processId_(processId) {}

    HRESULT STDMETHODCALLTYPE get_BrowserProcessExitKind(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND* kind) override {
        return GiveValue(kind, kind_);
    }
    HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* id) override { return GiveValue(id, processId_); }

private:
    COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind_;
    UINT32 processId_;
};

// The bits of a key message's lParam beyond its repeat count and scan code.
constexpr LPARAM kKeyExtendedBit = LPARAM(1) << 24;
constexpr LPARAM kKeyContextBit = LPARAM(1) << 29;  // Alt is held
constexpr LPARAM kKeyPreviousStateBit = LPARAM(1) << 30;
constexpr LPARAM kKeyTransitionBit = LPARAM(1) << 31;

template <template <class> class Counting>
class AcceleratorKeyArgs final : public Counting<ICoreWebView2AcceleratorKeyPressedEventArgs> {
public:
    AcceleratorKeyArgs(COREWEBVIEW2_KEY_EVENT_KIND kind, UINT key, LPARAM lParam)
        : kind_(kind), key_(key), lParam_(lParam) {}

    HRESULT STDMETHODCALLTYPE get_KeyEventKind(COREWEBVIEW2_KEY_EVENT_KIND* kind) override {
        return GiveValue(kind, kind_);
    }
    HRESULT STDMETHODCALLTYPE get_VirtualKey(UINT* key) override { return GiveValue(key, key_); }
    HRESULT STDMETHODCALLTYPE get_KeyEventLParam(INT* lParam) override {
        return GiveValue(lParam, static_cast<INT>(lParam_));
    }
    // The fields of the key message's lParam.
    HRESULT STDMETHODCALLTYPE get_PhysicalKeyStatus(COREWEBVIEW2_PHYSICAL_KEY_STATUS* status) override {
        if (!status) return E_POINTER;
        status->RepeatCount = static_cast<UINT32>(lParam_ & 0xFFFF);
        status->ScanCode = static_cast<UINT32>((lParam_ >> 16) & 0xFF);
        status->IsExtendedKey = (lParam_ & kKeyExtendedBit) ? TRUE : FALSE;
        status->IsMenuKeyDown = (lParam_ & kKeyContextBit) ? TRUE : FALSE;
        status->WasKeyDown = (lParam_ & kKeyPreviousStateBit) ? TRUE : FALSE;
        status->IsKeyReleased = (lParam_ & kKeyTransitionBit) ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override { return GiveValue(handled, handled_); }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override {
        handled_ = handled ? TRUE : FALSE;
        return S_OK;
    }
    bool Handled() const { return handled_ != FALSE; }

private:
    COREWEBVIEW2_KEY_EVENT_KIND kind_;
    UINT key_;
    LPARAM lParam_;
    BOOL handled_ = FALSE;
};

template <template <class> class Counting>
class MoveFocusArgs final : public Counting<ICoreWebView2MoveFocusRequestedEventArgs> {
public:
    explicit MoveFocusArgs(COREWEBVIEW2_MOVE_FOCUS_REASON reason) : reason_(reason) {}

    HRESULT STDMETHODCALLTYPE get_Reason(COREWEBVIEW2_MOVE_FOCUS_REASON* reason) override {
        return GiveValue(reason, reason_);
    }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override { return GiveValue(handled, handled_); }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override {
        handled_ = handled ? TRUE : FALSE;
        return S_OK;
    }
    bool Handled() const { return handled_ != FALSE; }

private:
    COREWEBVIEW2_MOVE_FOCUS_REASON reason_;
    BOOL handled_ = FALSE;
};

// A deferral: `complete` runs on each Complete, `lettingGo` when the object goes (the engine's
// answer for a deferral let go without Complete); either may be empty.
template <template <class> class Counting>
class CallbackDeferral final : public Counting<ICoreWebView2Deferral> {
public:
    CallbackDeferral(std::function<void()> complete, std::function<void()> lettingGo = nullptr)
        : complete_(std::move(complete)), lettingGo_(std::move(lettingGo)) {}
    ~CallbackDeferral() override {
        if (lettingGo_) lettingGo_();
    }
    HRESULT STDMETHODCALLTYPE Complete() override {
        if (complete_) complete_();
        return S_OK;
    }

private:
    std::function<void()> complete_;
    std::function<void()> lettingGo_;
};

// A page's script dialog. The answer (Answer: accepted, text) is kept by whoever raised the event;
// `defer` hands over a deferral with one reference for the host.
template <template <class> class Counting, class Answer>
class ScriptDialogArgs final : public Counting<ICoreWebView2ScriptDialogOpeningEventArgs> {
public:
    using Defer = std::function<ICoreWebView2Deferral*()>;
    ScriptDialogArgs(COREWEBVIEW2_SCRIPT_DIALOG_KIND kind, std::wstring uri, std::wstring message,
                     std::wstring defaultText, Answer* answer, Defer defer)
        : kind_(kind), uri_(std::move(uri)), message_(std::move(message)), defaultText_(std::move(defaultText)),
          answer_(answer), defer_(std::move(defer)) {}

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return GiveText(uri, uri_); }
    HRESULT STDMETHODCALLTYPE get_Kind(COREWEBVIEW2_SCRIPT_DIALOG_KIND* kind) override {
        return GiveValue(kind, kind_);
    }
    HRESULT STDMETHODCALLTYPE get_Message(LPWSTR* message) override { return GiveText(message, message_); }
    HRESULT STDMETHODCALLTYPE Accept() override {
        answer_->accepted = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_DefaultText(LPWSTR* text) override { return GiveText(text, defaultText_); }
    HRESULT STDMETHODCALLTYPE get_ResultText(LPWSTR* text) override { return GiveText(text, answer_->text); }
    HRESULT STDMETHODCALLTYPE put_ResultText(LPCWSTR text) override {
        if (!text) return E_POINTER;
        answer_->text = text;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override {
        if (!deferral) return E_POINTER;
        *deferral = defer_();
        return S_OK;
    }

private:
    COREWEBVIEW2_SCRIPT_DIALOG_KIND kind_;
    std::wstring uri_, message_, defaultText_;
    Answer* answer_;
    Defer defer_;
};

// The features a page asked for of window.open (Values: hasPosition, hasSize, left, top, width,
// height, popup). The bars show only for a window that is no popup, as runtimes from version 98 on
// answer.
template <template <class> class Counting, class Values>
class WindowFeaturesArgs final : public Counting<ICoreWebView2WindowFeatures> {
public:
    explicit WindowFeaturesArgs(const Values& values) : values_(values) {}

    HRESULT STDMETHODCALLTYPE get_HasPosition(BOOL* value) override {
        return GiveValue(value, static_cast<BOOL>(values_.hasPosition));
    }
    HRESULT STDMETHODCALLTYPE get_HasSize(BOOL* value) override {
        return GiveValue(value, static_cast<BOOL>(values_.hasSize));
    }
    HRESULT STDMETHODCALLTYPE get_Left(UINT32* value) override { return GiveValue(value, UINT32(values_.left)); }
    HRESULT STDMETHODCALLTYPE get_Top(UINT32* value) override { return GiveValue(value, UINT32(values_.top)); }
    HRESULT STDMETHODCALLTYPE get_Height(UINT32* value) override { return GiveValue(value, UINT32(values_.height)); }
    HRESULT STDMETHODCALLTYPE get_Width(UINT32* value) override { return GiveValue(value, UINT32(values_.width)); }
    HRESULT STDMETHODCALLTYPE get_ShouldDisplayMenuBar(BOOL* value) override { return Bars(value); }
    HRESULT STDMETHODCALLTYPE get_ShouldDisplayStatus(BOOL* value) override { return Bars(value); }
    HRESULT STDMETHODCALLTYPE get_ShouldDisplayToolbar(BOOL* value) override { return Bars(value); }
    HRESULT STDMETHODCALLTYPE get_ShouldDisplayScrollBars(BOOL* value) override { return Bars(value); }

private:
    HRESULT Bars(BOOL* value) { return GiveValue(value, static_cast<BOOL>(!values_.popup)); }
    Values values_;
};
