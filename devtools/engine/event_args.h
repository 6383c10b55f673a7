// The COM side of the arguments the engine passes with each event it raises.
#pragma once

#include "devtools/engine/engine.h"

// The answer of a property getter.
template <class T>
HRESULT GiveValue(T* out, T value) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
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
