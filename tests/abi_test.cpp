// Our handler objects as the engine sees them: each answers QueryInterface for the IID that
// Microsoft's SDK gives its interface, which is how the runtime finds the handler it was passed.
#include "webhost/com_handler.h"
#include "webhost/engine_events.h"

#include <gtest/gtest.h>

namespace {

// In place of a row's handler function: only the object around it is looked at.
template <class... Args>
HRESULT Ignore(Args...) {
    return S_OK;
}

template <class Interface, class HandlerObject>
void ExpectAnswersFor(HandlerObject* handler, const IID& sdkIid, const char* name) {
    void* object = nullptr;
    EXPECT_EQ(handler->QueryInterface(sdkIid, &object), S_OK) << name;
    EXPECT_EQ(object, static_cast<void*>(static_cast<Interface*>(handler))) << name;
    if (object) handler->Release();
    EXPECT_EQ(handler->Release(), 0u) << name;
}

// Each row of the event table, its handler object made as the registration makes it; and the two
// creation handlers.
TEST(AbiTest, HandlerObjectsAnswerForTheSdksInterfaceIds) {
#define TROV_EXPECT_ROW(holder, Interface, ...) \
    ExpectAnswersFor<Interface>(NewHandler(&Interface::Invoke, Ignore, IID_##Interface), IID_##Interface, #holder);
    TROV_ENGINE_EVENTS(TROV_EXPECT_ROW)
#undef TROV_EXPECT_ROW
    ExpectAnswersFor<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        new EnvironmentCompletedHandler(Ignore<HRESULT, ICoreWebView2Environment*>),
        IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, "environment");
    ExpectAnswersFor<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        new ControllerCompletedHandler(Ignore<HRESULT, ICoreWebView2Controller*>),
        IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, "controller");
}

}  // namespace
