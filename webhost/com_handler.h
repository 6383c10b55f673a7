// A COM handler object that forwards Invoke to a function object, for the engine's
// completion and event callbacks.
#pragma once

#include "webhost/com_ref.h"
#include "webhost/iid_of.h"

#include <functional>
#include <utility>

template <class Interface, class... Args>
class Handler final : public Interface {
public:
    // The IID is the SDK's for the interface: by default from iid_of.h, or given with the handler.
    explicit Handler(std::function<HRESULT(Args...)> body, const IID& iid = IidOf<Interface>())
        : body_(std::move(body)), iid_(iid) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, iid_)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    // Whatever happens inside, the engine is told that the handler succeeded. The body may let go of
    // the program's last reference to this very handler (a restart of a dead engine does): the
    // object lives on until the body has returned.
    HRESULT STDMETHODCALLTYPE Invoke(Args... args) override {
        AddRef();
        body_(args...);
        Release();
        return S_OK;
    }
    virtual ~Handler() = default;

private:
    std::function<HRESULT(Args...)> body_;
    const IID& iid_;
    LONG refs_ = 1;
};

// A handler object for the interface whose Invoke takes the function's arguments, answering for the
// interface's IID: NewHandler(&ICoreWebView2SourceChangedEventHandler::Invoke, OnSourceChanged,
// IID_ICoreWebView2SourceChangedEventHandler).
template <class Interface, class... Args>
Handler<Interface, Args...>* NewHandler(HRESULT (STDMETHODCALLTYPE Interface::*)(Args...), HRESULT (*body)(Args...),
                                        const IID& iid) {
    return new Handler<Interface, Args...>(body, iid);
}

using EnvironmentCompletedHandler =
    Handler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, HRESULT, ICoreWebView2Environment*>;
using ControllerCompletedHandler =
    Handler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, HRESULT, ICoreWebView2Controller*>;
using NavigationStartingHandler =
    Handler<ICoreWebView2NavigationStartingEventHandler, ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs*>;
using NavigationCompletedHandler =
    Handler<ICoreWebView2NavigationCompletedEventHandler, ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs*>;
using AcceleratorKeyPressedHandler = Handler<ICoreWebView2AcceleratorKeyPressedEventHandler, ICoreWebView2Controller*,
                                             ICoreWebView2AcceleratorKeyPressedEventArgs*>;
using ProcessFailedHandler =
    Handler<ICoreWebView2ProcessFailedEventHandler, ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs*>;
using SourceChangedHandler =
    Handler<ICoreWebView2SourceChangedEventHandler, ICoreWebView2*, ICoreWebView2SourceChangedEventArgs*>;
using MoveFocusRequestedHandler = Handler<ICoreWebView2MoveFocusRequestedEventHandler, ICoreWebView2Controller*,
                                          ICoreWebView2MoveFocusRequestedEventArgs*>;
using FocusChangedHandler = Handler<ICoreWebView2FocusChangedEventHandler, ICoreWebView2Controller*, IUnknown*>;
using ContainsFullScreenElementChangedHandler =
    Handler<ICoreWebView2ContainsFullScreenElementChangedEventHandler, ICoreWebView2*, IUnknown*>;

// Holds the handler and registers it with one of the source's add_ methods; false when the source
// refused it. The token is not kept: the handlers all go at once, when the controller is closed and
// the holders are emptied.
template <class Source, class Interface, class Concrete>
bool AddHandler(Source* source, HRESULT (STDMETHODCALLTYPE Source::*add)(Interface*, EventRegistrationToken*),
                ComRef<Interface>& holder, Concrete* handler) {
    holder.Attach(handler);
    EventRegistrationToken token = {};
    return SUCCEEDED((source->*add)(holder.Get(), &token));
}
