// Our handler objects as the engine sees them: each answers QueryInterface for the IID that
// Microsoft's SDK gives its interface, which is how the runtime finds the handler it was passed.
#include "webhost/com_handler.h"

#include <gtest/gtest.h>

namespace {

template <class HandlerObject>
void ExpectAnswersFor(const IID& sdkIid, const char* name) {
    auto* handler = new HandlerObject([](auto...) { return S_OK; });
    void* object = nullptr;
    EXPECT_EQ(handler->QueryInterface(sdkIid, &object), S_OK) << name;
    EXPECT_EQ(object, static_cast<void*>(handler)) << name;
    if (object) handler->Release();
    EXPECT_EQ(handler->Release(), 0u) << name;
}

TEST(AbiTest, HandlerObjectsAnswerForTheSdksInterfaceIds) {
#define EXPECT_ANSWERS(Alias, Interface) ExpectAnswersFor<Alias>(IID_##Interface, #Alias)
    EXPECT_ANSWERS(EnvironmentCompletedHandler, ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler);
    EXPECT_ANSWERS(ControllerCompletedHandler, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler);
    EXPECT_ANSWERS(NavigationStartingHandler, ICoreWebView2NavigationStartingEventHandler);
    EXPECT_ANSWERS(NavigationCompletedHandler, ICoreWebView2NavigationCompletedEventHandler);
    EXPECT_ANSWERS(AcceleratorKeyPressedHandler, ICoreWebView2AcceleratorKeyPressedEventHandler);
    EXPECT_ANSWERS(ProcessFailedHandler, ICoreWebView2ProcessFailedEventHandler);
    EXPECT_ANSWERS(SourceChangedHandler, ICoreWebView2SourceChangedEventHandler);
    EXPECT_ANSWERS(MoveFocusRequestedHandler, ICoreWebView2MoveFocusRequestedEventHandler);
    EXPECT_ANSWERS(FocusChangedHandler, ICoreWebView2FocusChangedEventHandler);
    EXPECT_ANSWERS(ContainsFullScreenElementChangedHandler, ICoreWebView2ContainsFullScreenElementChangedEventHandler);
#undef EXPECT_ANSWERS
}

}  // namespace
