// An owning COM reference: holds at most one interface pointer and releases it exactly once.
#pragma once

#include <unknwn.h>

template <class T>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { Reset(); }

    // Assigning a raw pointer takes a reference of our own on it.
    ComRef& operator=(T* pointer) {
        if (pointer != ptr_) {
            if (pointer) pointer->AddRef();
            Reset();
            ptr_ = pointer;
        }
        return *this;
    }

    // Takes over the single reference of a freshly made object.
    void Attach(T* pointer) {
        Reset();
        ptr_ = pointer;
    }

    // For out-parameters: the holder empties itself first, then the callee fills it.
    T** ReleaseAndGetAddressOf() {
        Reset();
        return &ptr_;
    }

    void Reset() {
        T* old = ptr_;
        ptr_ = nullptr;
        if (old) old->Release();
    }

    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

private:
    T* ptr_ = nullptr;
};
