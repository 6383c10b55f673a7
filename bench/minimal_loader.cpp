// A stand-in WebView2Loader.dll that does nothing: its one export fails at once and never calls the
// handler, as the real loader does on a machine without the runtime. Beside trov.exe it shows the
// browser's own start-up and memory, without the development engine's DLL.
#include <WebView2.h>

extern "C" HRESULT __stdcall CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR, PCWSTR, ICoreWebView2EnvironmentOptions*, ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*) {
    return E_FAIL;
}
