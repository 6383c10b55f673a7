// The engine's binary interface: IIDs and vtable slots as the runtime lays them out. A slot out
// of place here would compile and then call the wrong method on a real engine.
#include "webhost/com_handler.h"
#include "webhost/webview2.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

static_assert(sizeof(ICoreWebView2) == sizeof(void*), "an interface is a vtable pointer and nothing else");
static_assert(sizeof(ICoreWebView2Controller) == sizeof(void*), "");
static_assert(sizeof(ICoreWebView2Environment) == sizeof(void*), "");
static_assert(sizeof(EventRegistrationToken) == 8, "");
static_assert(sizeof(RECT) == 16, "");
static_assert(sizeof(COREWEBVIEW2_WEB_ERROR_STATUS) == 4, "");
static_assert(sizeof(COREWEBVIEW2_KEY_EVENT_KIND) == 4, "");
static_assert(sizeof(COREWEBVIEW2_PROCESS_FAILED_KIND) == 4, "");
static_assert(sizeof(COREWEBVIEW2_PHYSICAL_KEY_STATUS) == 24, "");

std::wstring GuidText(const GUID& guid) {
    wchar_t text[64] = {};
    StringFromGUID2(guid, text, 64);
    return text;
}

TEST(AbiTest, InterfaceIdsAreTheRuntimes) {
    const std::pair<const IID*, const wchar_t*> cases[] = {
        {&IidOf<ICoreWebView2Environment>(), L"{B96D755E-0319-4E92-A296-23436F46A1FC}"},
        {&IidOf<ICoreWebView2Controller>(), L"{4D00C0D1-9434-4EB6-8078-8697A560334F}"},
        {&IidOf<ICoreWebView2>(), L"{76ECEACB-0462-4D94-AC83-423A6793775E}"},
        {&IidOf<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(), L"{4E8A3389-C9D8-4BD2-B6B5-124FEE6CC14D}"},
        {&IidOf<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(), L"{6C4819F3-C9B7-4260-8127-C9F5BDE7F68C}"},
        {&IidOf<ICoreWebView2NavigationStartingEventHandler>(), L"{9ADBE429-F36D-432B-9DDC-F8881FBD76E3}"},
        {&IidOf<ICoreWebView2NavigationCompletedEventHandler>(), L"{D33A35BF-1C49-4F98-93AB-006E0533FE1C}"},
        {&IidOf<ICoreWebView2NavigationStartingEventArgs>(), L"{5B495469-E119-438A-9B18-7604F25F2E49}"},
        {&IidOf<ICoreWebView2NavigationCompletedEventArgs>(), L"{30D68B7D-20D9-4752-A9CA-EC8448FBB5C1}"},
        {&IidOf<ICoreWebView2AcceleratorKeyPressedEventHandler>(), L"{B29C7E28-FA79-41A8-8E44-65811C76DCB2}"},
        {&IidOf<ICoreWebView2AcceleratorKeyPressedEventArgs>(), L"{9F760F8A-FB79-42BE-9990-7B56900FA9C7}"},
        {&IidOf<ICoreWebView2ProcessFailedEventHandler>(), L"{79E0AEA4-990B-42D9-AA1D-0FCC2E5BC7F1}"},
        {&IidOf<ICoreWebView2ProcessFailedEventArgs>(), L"{8155A9A4-1474-4A86-8CAE-151B0FA6B8CA}"},
        {&IidOf<ICoreWebView2SourceChangedEventHandler>(), L"{3C067F9F-5388-4772-8B48-79F7EF1AB37C}"},
        {&IidOf<ICoreWebView2SourceChangedEventArgs>(), L"{31E0E545-1DBA-4266-8914-F63848A1F7D7}"},
        {&IidOf<ICoreWebView2MoveFocusRequestedEventHandler>(), L"{69035451-6DC7-4CB8-9BCE-B2BD70AD289F}"},
        {&IidOf<ICoreWebView2MoveFocusRequestedEventArgs>(), L"{2D6AA13B-3839-4A15-92FC-D88B3C0D9C9D}"},
        {&IidOf<ICoreWebView2FocusChangedEventHandler>(), L"{05EA24BD-6452-4926-9014-4B82B498135D}"},
        {&IidOf<ICoreWebView2ContainsFullScreenElementChangedEventHandler>(), L"{E45D98B1-AFEF-45BE-8BAF-6C7728867F73}"},
    };
    for (const auto& c : cases) EXPECT_EQ(GuidText(*c.first), c.second);
}

// A fake object whose vtable is a plain table of recorders, slot N recording N. It is laid out
// independently of our declarations, so calling through them shows which slot each method hits.
std::vector<int> reached;

template <int N>
HRESULT STDMETHODCALLTYPE RecordSlot(void*) {
    reached.push_back(N);
    return S_OK;
}

template <int... N>
std::array<void*, sizeof...(N)> MakeRecorderTable(std::integer_sequence<int, N...>) {
    return {reinterpret_cast<void*>(&RecordSlot<N>)...};
}

struct RawObject {
    const void* const* vtable;
};

template <class Interface>
struct SlotCase {
    const char* method;
    int slot;
    std::function<void(Interface*)> call;
};

template <class Interface, size_t Slots>
void ExpectSlots(const std::vector<SlotCase<Interface>>& cases) {
    static const auto table = MakeRecorderTable(std::make_integer_sequence<int, static_cast<int>(Slots)>());
    RawObject raw{table.data()};
    auto* object = reinterpret_cast<Interface*>(&raw);
    for (const auto& c : cases) {
        reached.clear();
        c.call(object);
        EXPECT_EQ(reached, std::vector<int>{c.slot}) << c.method;
    }
}

TEST(AbiTest, WebViewMethodsReachTheirSlots) {
    LPWSTR text = nullptr;
    EventRegistrationToken token = {};
    BOOL flag = FALSE;
    ExpectSlots<ICoreWebView2, 61>({
        {"QueryInterface", 0, [](ICoreWebView2* v) { void* o; v->QueryInterface(IID_IUnknown, &o); }},
        {"AddRef", 1, [](ICoreWebView2* v) { v->AddRef(); }},
        {"Release", 2, [](ICoreWebView2* v) { v->Release(); }},
        {"get_Settings", 3, [](ICoreWebView2* v) { v->get_Settings(nullptr); }},
        {"get_Source", 4, [&](ICoreWebView2* v) { v->get_Source(&text); }},
        {"Navigate", 5, [](ICoreWebView2* v) { v->Navigate(L"https://a.b/"); }},
        {"add_NavigationStarting", 7, [&](ICoreWebView2* v) { v->add_NavigationStarting(nullptr, &token); }},
        {"remove_NavigationStarting", 8, [&](ICoreWebView2* v) { v->remove_NavigationStarting(token); }},
        {"add_SourceChanged", 11, [&](ICoreWebView2* v) { v->add_SourceChanged(nullptr, &token); }},
        {"remove_SourceChanged", 12, [&](ICoreWebView2* v) { v->remove_SourceChanged(token); }},
        {"add_NavigationCompleted", 15, [&](ICoreWebView2* v) { v->add_NavigationCompleted(nullptr, &token); }},
        {"add_FrameNavigationStarting", 17, [&](ICoreWebView2* v) { v->add_FrameNavigationStarting(nullptr, &token); }},
        {"add_ProcessFailed", 25, [&](ICoreWebView2* v) { v->add_ProcessFailed(nullptr, &token); }},
        {"remove_ProcessFailed", 26, [&](ICoreWebView2* v) { v->remove_ProcessFailed(token); }},
        {"ExecuteScript", 29, [](ICoreWebView2* v) { v->ExecuteScript(L"", nullptr); }},
        {"Reload", 31, [](ICoreWebView2* v) { v->Reload(); }},
        {"CallDevToolsProtocolMethod", 36, [](ICoreWebView2* v) { v->CallDevToolsProtocolMethod(L"", L"", nullptr); }},
        {"get_CanGoBack", 38, [&](ICoreWebView2* v) { v->get_CanGoBack(&flag); }},
        {"get_CanGoForward", 39, [&](ICoreWebView2* v) { v->get_CanGoForward(&flag); }},
        {"GoBack", 40, [](ICoreWebView2* v) { v->GoBack(); }},
        {"GoForward", 41, [](ICoreWebView2* v) { v->GoForward(); }},
        {"GetDevToolsProtocolEventReceiver", 42, [](ICoreWebView2* v) { v->GetDevToolsProtocolEventReceiver(L"", nullptr); }},
        {"Stop", 43, [](ICoreWebView2* v) { v->Stop(); }},
        {"add_NewWindowRequested", 44, [&](ICoreWebView2* v) { v->add_NewWindowRequested(nullptr, &token); }},
        {"remove_NewWindowRequested", 45, [&](ICoreWebView2* v) { v->remove_NewWindowRequested(token); }},
        {"add_DocumentTitleChanged", 46, [&](ICoreWebView2* v) { v->add_DocumentTitleChanged(nullptr, &token); }},
        {"remove_DocumentTitleChanged", 47, [&](ICoreWebView2* v) { v->remove_DocumentTitleChanged(token); }},
        {"get_DocumentTitle", 48, [&](ICoreWebView2* v) { v->get_DocumentTitle(&text); }},
        {"AddHostObjectToScript", 49, [](ICoreWebView2* v) { v->AddHostObjectToScript(L"", nullptr); }},
        {"RemoveHostObjectFromScript", 50, [](ICoreWebView2* v) { v->RemoveHostObjectFromScript(L""); }},
        {"OpenDevToolsWindow", 51, [](ICoreWebView2* v) { v->OpenDevToolsWindow(); }},
        {"add_ContainsFullScreenElementChanged", 52,
         [&](ICoreWebView2* v) { v->add_ContainsFullScreenElementChanged(nullptr, &token); }},
        {"remove_ContainsFullScreenElementChanged", 53,
         [&](ICoreWebView2* v) { v->remove_ContainsFullScreenElementChanged(token); }},
        {"get_ContainsFullScreenElement", 54, [&](ICoreWebView2* v) { v->get_ContainsFullScreenElement(&flag); }},
    });
}

TEST(AbiTest, ControllerMethodsReachTheirSlots) {
    ICoreWebView2* view = nullptr;
    EventRegistrationToken token = {};
    ExpectSlots<ICoreWebView2Controller, 26>({
        {"get_IsVisible", 3, [](ICoreWebView2Controller* c) { c->get_IsVisible(nullptr); }},
        {"put_IsVisible", 4, [](ICoreWebView2Controller* c) { c->put_IsVisible(TRUE); }},
        {"get_Bounds", 5, [](ICoreWebView2Controller* c) { c->get_Bounds(nullptr); }},
        {"put_Bounds", 6, [](ICoreWebView2Controller* c) { c->put_Bounds(RECT{0, 64, 100, 100}); }},
        {"SetBoundsAndZoomFactor", 11, [](ICoreWebView2Controller* c) { c->SetBoundsAndZoomFactor(RECT{}, 1.0); }},
        {"MoveFocus", 12, [](ICoreWebView2Controller* c) { c->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT); }},
        {"add_MoveFocusRequested", 13, [&](ICoreWebView2Controller* c) { c->add_MoveFocusRequested(nullptr, &token); }},
        {"remove_MoveFocusRequested", 14, [&](ICoreWebView2Controller* c) { c->remove_MoveFocusRequested(token); }},
        {"add_GotFocus", 15, [&](ICoreWebView2Controller* c) { c->add_GotFocus(nullptr, &token); }},
        {"add_LostFocus", 17, [&](ICoreWebView2Controller* c) { c->add_LostFocus(nullptr, &token); }},
        {"add_AcceleratorKeyPressed", 19, [&](ICoreWebView2Controller* c) { c->add_AcceleratorKeyPressed(nullptr, &token); }},
        {"remove_AcceleratorKeyPressed", 20, [&](ICoreWebView2Controller* c) { c->remove_AcceleratorKeyPressed(token); }},
        {"get_ParentWindow", 21, [](ICoreWebView2Controller* c) { c->get_ParentWindow(nullptr); }},
        {"NotifyParentWindowPositionChanged", 23, [](ICoreWebView2Controller* c) { c->NotifyParentWindowPositionChanged(); }},
        {"Close", 24, [](ICoreWebView2Controller* c) { c->Close(); }},
        {"get_CoreWebView2", 25, [&](ICoreWebView2Controller* c) { c->get_CoreWebView2(&view); }},
    });
}

TEST(AbiTest, EnvironmentAndEventArgsMethodsReachTheirSlots) {
    ExpectSlots<ICoreWebView2Environment, 8>({
        {"CreateCoreWebView2Controller", 3, [](ICoreWebView2Environment* e) { e->CreateCoreWebView2Controller(nullptr, nullptr); }},
        {"get_BrowserVersionString", 5, [](ICoreWebView2Environment* e) { e->get_BrowserVersionString(nullptr); }},
        {"remove_NewBrowserVersionAvailable", 7, [](ICoreWebView2Environment* e) { e->remove_NewBrowserVersionAvailable({}); }},
    });
    ExpectSlots<ICoreWebView2NavigationStartingEventArgs, 10>({
        {"get_Uri", 3, [](ICoreWebView2NavigationStartingEventArgs* a) { a->get_Uri(nullptr); }},
        {"put_Cancel", 8, [](ICoreWebView2NavigationStartingEventArgs* a) { a->put_Cancel(TRUE); }},
        {"get_NavigationId", 9, [](ICoreWebView2NavigationStartingEventArgs* a) { a->get_NavigationId(nullptr); }},
    });
    ExpectSlots<ICoreWebView2NavigationCompletedEventArgs, 6>({
        {"get_IsSuccess", 3, [](ICoreWebView2NavigationCompletedEventArgs* a) { a->get_IsSuccess(nullptr); }},
        {"get_WebErrorStatus", 4, [](ICoreWebView2NavigationCompletedEventArgs* a) { a->get_WebErrorStatus(nullptr); }},
        {"get_NavigationId", 5, [](ICoreWebView2NavigationCompletedEventArgs* a) { a->get_NavigationId(nullptr); }},
    });
    ExpectSlots<ICoreWebView2AcceleratorKeyPressedEventArgs, 9>({
        {"get_KeyEventKind", 3, [](ICoreWebView2AcceleratorKeyPressedEventArgs* a) { a->get_KeyEventKind(nullptr); }},
        {"get_VirtualKey", 4, [](ICoreWebView2AcceleratorKeyPressedEventArgs* a) { a->get_VirtualKey(nullptr); }},
        {"get_KeyEventLParam", 5, [](ICoreWebView2AcceleratorKeyPressedEventArgs* a) { a->get_KeyEventLParam(nullptr); }},
        {"get_PhysicalKeyStatus", 6, [](ICoreWebView2AcceleratorKeyPressedEventArgs* a) { a->get_PhysicalKeyStatus(nullptr); }},
        {"get_Handled", 7, [](ICoreWebView2AcceleratorKeyPressedEventArgs* a) { a->get_Handled(nullptr); }},
        {"put_Handled", 8, [](ICoreWebView2AcceleratorKeyPressedEventArgs* a) { a->put_Handled(TRUE); }},
    });
    ExpectSlots<ICoreWebView2ProcessFailedEventArgs, 4>({
        {"get_ProcessFailedKind", 3, [](ICoreWebView2ProcessFailedEventArgs* a) { a->get_ProcessFailedKind(nullptr); }},
    });
    ExpectSlots<ICoreWebView2SourceChangedEventArgs, 4>({
        {"get_IsNewDocument", 3, [](ICoreWebView2SourceChangedEventArgs* a) { a->get_IsNewDocument(nullptr); }},
    });
    ExpectSlots<ICoreWebView2MoveFocusRequestedEventArgs, 6>({
        {"get_Reason", 3, [](ICoreWebView2MoveFocusRequestedEventArgs* a) { a->get_Reason(nullptr); }},
        {"get_Handled", 4, [](ICoreWebView2MoveFocusRequestedEventArgs* a) { a->get_Handled(nullptr); }},
        {"put_Handled", 5, [](ICoreWebView2MoveFocusRequestedEventArgs* a) { a->put_Handled(TRUE); }},
    });
}

// The other direction: the engine calls our handler objects through slot 3 of their vtables.
TEST(AbiTest, HandlerObjectsInvokeFromSlotThree) {
    HRESULT seen = S_OK;
    auto* handler = new EnvironmentCompletedHandler([&seen](HRESULT result, ICoreWebView2Environment*) {
        seen = result;
        return S_OK;
    });
    using InvokeSlot = HRESULT(STDMETHODCALLTYPE*)(void*, HRESULT, ICoreWebView2Environment*);
    void** vtable = *reinterpret_cast<void***>(handler);
    EXPECT_EQ(reinterpret_cast<InvokeSlot>(vtable[3])(handler, E_ABORT, nullptr), S_OK);
    EXPECT_EQ(seen, E_ABORT);
    using ReleaseSlot = ULONG(STDMETHODCALLTYPE*)(void*);
    EXPECT_EQ(reinterpret_cast<ReleaseSlot>(vtable[2])(handler), 0u);
}

}  // namespace
