// The chrome painters' test program: GDI+, COM and the UI font are started once for all tests,
// as the browser does before it paints.
#include "app/startup.h"

#include <WebView2.h>

#include <gtest/gtest.h>

// trov_core refers to the engine loader; these tests never create an engine.
extern "C" HRESULT __stdcall CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR, PCWSTR, ICoreWebView2EnvironmentOptions*, ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*) {
    return E_NOTIMPL;
}

namespace {

class ProcessFacilities : public testing::Environment {
public:
    void SetUp() override { StartProcessFacilities(); }
    void TearDown() override { StopProcessFacilities(); }
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new ProcessFacilities);
    return RUN_ALL_TESTS();
}
