#include "app/address_bar_name.h"

#include "app/oleacc_loader.h"
#include "app/state.h"
#include "webhost/com_ref.h"

#include <oleacc.h>

namespace {

// Our own copies, as for IAccessible: the oleacc library would import them from the DLL.
constexpr CLSID kClsidAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIidAccPropServices = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr MSAAPROPID kPropIdAccName = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};

// Held while the system names the bar, so that the name is cleared by the same service.
ComRef<IAccPropServices> annotations;

// The system edit's client object with the one thing it cannot know, the bar's name. Every
// interface but IAccessible (and IUnknown, IDispatch) is the system object's own, so readers still
// get its identity, its children's enumeration, its window and its services.
class NamedEdit final : public IAccessible {
public:
    explicit NamedEdit(HWND bar) {
        Oleacc()->createStdAccessibleObject(bar, static_cast<LONG>(OBJID_CLIENT), kIidIAccessible,
                                            reinterpret_cast<void**>(system_.ReleaseAndGetAddressOf()));
    }
    bool Valid() const { return static_cast<bool>(system_); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kIidIAccessible) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        return system_->QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override {
        if (!name) return E_POINTER;
        if (id.vt != VT_I4 || id.lVal != CHILDID_SELF) return system_->get_accName(id, name);
        *name = Oleacc()->sysAllocString(kAddressBarName);
        return *name ? S_OK : E_OUTOFMEMORY;
    }

    // The rest is the system object's answer.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return system_->GetTypeInfoCount(n); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return system_->GetTypeInfo(i, l, t); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
        return system_->GetIDsOfNames(r, n, c, l, d);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                                     UINT* a) override {
        return system_->Invoke(d, r, l, f, p, v, e, a);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override { return system_->get_accParent(p); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* c) override { return system_->get_accChildCount(c); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT id, IDispatch** c) override { return system_->get_accChild(id, c); }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT id, BSTR* v) override { return system_->get_accValue(id, v); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT id, BSTR* d) override {
        return system_->get_accDescription(id, d);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* r) override { return system_->get_accRole(id, r); }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* s) override { return system_->get_accState(id, s); }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT id, BSTR* h) override { return system_->get_accHelp(id, h); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT id, long* t) override {
        return system_->get_accHelpTopic(f, id, t);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT id, BSTR* k) override {
        return system_->get_accKeyboardShortcut(id, k);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* f) override { return system_->get_accFocus(f); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* s) override { return system_->get_accSelection(s); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT id, BSTR* a) override {
        return system_->get_accDefaultAction(id, a);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long f, VARIANT id) override { return system_->accSelect(f, id); }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT id) override {
        return system_->accLocation(x, y, w, h, id);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long d, VARIANT s, VARIANT* e) override { return system_->accNavigate(d, s, e); }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* h) override { return system_->accHitTest(x, y, h); }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT id) override { return system_->accDoDefaultAction(id); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT id, BSTR n) override { return system_->put_accName(id, n); }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT id, BSTR v) override { return system_->put_accValue(id, v); }

private:
    ~NamedEdit() = default;

    ComRef<IAccessible> system_;
    LONG refs_ = 1;
};

}  // namespace

// Windows' oleacc names the edit's standard object from the annotation; Wine's answers E_NOTIMPL,
// and our object names it instead.
void NameAddressBarForReaders(HWND bar) {
    annotations.Reset();
    // Loaded from the system folder first: COM then finds it in memory rather than by the search
    // order, which starts beside the program.
    if (!Oleacc()) return;
    ComRef<IAccPropServices> services;
    if (FAILED(CoCreateInstance(kClsidAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIidAccPropServices,
                                reinterpret_cast<void**>(services.ReleaseAndGetAddressOf()))) ||
        !services) {
        return;
    }
    const HRESULT named = services->SetHwndPropStr(bar, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                                   kPropIdAccName, kAddressBarName);
    if (SUCCEEDED(named)) annotations = services.Get();
}

void ForgetAddressBarName(HWND bar) {
    if (!annotations) return;
    annotations->ClearHwndProps(bar, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &kPropIdAccName, 1);
    annotations.Reset();
}

LRESULT OnAddressBarGetObject(HWND bar, WPARAM wParam, LPARAM lParam) {
    if (!annotations && AsksForClientObject(lParam) && Oleacc()) {
        NamedEdit* object = new NamedEdit(bar);
        const bool valid = object->Valid();
        const LRESULT result = valid ? Oleacc()->lresultFromObject(kIidIAccessible, wParam, object) : 0;
        object->Release();  // the reference LresultFromObject took keeps it for the reader
        if (valid) return result;
    }
    return CallWindowProcW(oldEditProc, bar, WM_GETOBJECT, wParam, lParam);
}
