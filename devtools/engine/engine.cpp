// The loader's export and what every engine object shares: settings from the environment
// variables, the call log, and the hidden window that runs posted work on the message loop.
#include "devtools/engine/engine.h"
#include "devtools/engine/handler_list.h"
#include "devtools/engine/objects.h"

#include <cstring>
#include <cwchar>

namespace {

const wchar_t kDispatchClass[] = L"TrovDevEngineDispatch";
const UINT kRunTaskMessage = WM_APP + 1;
const UINT kDefaultDelayMs = 150;

std::wstring ReadVariable(const wchar_t* name) {
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return std::wstring();
    std::wstring value(size, L'\0');
    DWORD written = GetEnvironmentVariableW(name, &value[0], size);
    value.resize(written < size ? written : 0);
    return value;
}

UINT ParseDelay(const std::wstring& text) {
    if (text.empty()) return kDefaultDelayMs;
    wchar_t* end = nullptr;
    unsigned long value = std::wcstoul(text.c_str(), &end, 10);
    return (end && *end == L'\0') ? static_cast<UINT>(value) : kDefaultDelayMs;
}

FailMode ParseFailMode(const std::wstring& text) {
    if (_wcsicmp(text.c_str(), L"environment") == 0) return FailMode::Environment;
    if (_wcsicmp(text.c_str(), L"controller") == 0) return FailMode::Controller;
    if (_wcsicmp(text.c_str(), L"webview") == 0) return FailMode::WebView;
    return FailMode::None;
}

UINT ParseCount(const std::wstring& text) {
    wchar_t* end = nullptr;
    unsigned long value = std::wcstoul(text.c_str(), &end, 10);
    return (!text.empty() && end && *end == L'\0') ? static_cast<UINT>(value) : 0;
}

// Whether a browser-process exit was simulated in this process, and the environments made since the last.
bool browserProcessExited = false;
UINT environmentsSinceExit = 0;

LRESULT CALLBACK DispatchWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunTaskMessage) {
        std::unique_ptr<Task> task(reinterpret_cast<Task*>(lParam));
        task->Run();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// One message-only window for the process, made by the first caller: the host drives the engine
// from its one UI thread, so that is where the work comes back.
HWND DispatchWindow() {
    static HWND window = nullptr;
    if (window && IsWindow(window)) return window;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DispatchWndProc;
    wc.hInstance = EngineModule();
    wc.lpszClassName = kDispatchClass;
    RegisterClassExW(&wc);  // fails harmlessly when already registered
    window = CreateWindowExW(0, kDispatchClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, EngineModule(), nullptr);
    return window;
}

}  // namespace

ConfigPtr ReadEngineConfig() {
    auto config = std::make_shared<EngineConfig>();
    config->logPath = ReadVariable(L"TROV_ENGINE_LOG");
    config->navigationDelayMs = ParseDelay(ReadVariable(L"TROV_ENGINE_DELAY_MS"));
    config->failMode = ParseFailMode(ReadVariable(L"TROV_ENGINE_FAIL"));
    config->chromiumEndpoint = ReadVariable(L"TROV_ENGINE_CHROMIUM");
    config->frameLogPath = ReadVariable(L"TROV_ENGINE_FRAME_LOG");
    config->failRestarts = ParseCount(ReadVariable(L"TROV_ENGINE_FAIL_RESTARTS"));
    return config;
}

void LogLine(const EngineConfig& config, const std::wstring& line) {
    AppendLine(config.logPath, line);
}

// Opened and closed per line, so the file is complete at every moment, even if the host crashes.
void AppendLine(const std::wstring& path, const std::wstring& line) {
    if (path.empty()) return;
    std::string utf8 = ToUtf8(line + L"\n");
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
}

HINSTANCE EngineModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&EngineModule), &module);
    return module;
}

bool PostTask(std::unique_ptr<Task> task) {
    HWND window = DispatchWindow();
    if (!window || !PostMessageW(window, kRunTaskMessage, 0, reinterpret_cast<LPARAM>(task.get()))) return false;
    task.release();  // the dispatch window owns it now
    return true;
}

// The host calls from its one UI thread, so a plain count serves.
INT64 NextRegistrationToken() {
    static INT64 next = 1;
    return next++;
}

ULONG EngineObject::AddHostRef() {
    return static_cast<ULONG>(++hostRefs_);
}

void NoteBrowserProcessExit() {
    browserProcessExited = true;
    environmentsSinceExit = 0;
    Environment::RaiseBrowserProcessExitedLater();
}

ULONG EngineObject::ReleaseHostRef() {
    if (hostRefs_ == 0) return 0;
    LONG left = --hostRefs_;
    if (left == 0) {
        if (IsRaisingEvent()) LogLine(*config_, std::wstring(L"Reentrant Release ") + logName_);
        LogLine(*config_, std::wstring(L"Released ") + logName_);
        DeleteIfUnused();
    }
    return static_cast<ULONG>(left);
}

void EngineObject::DropByEngine() {
    if (engineRefs_ > 0 && --engineRefs_ == 0) DeleteIfUnused();
}

void EngineObject::DeleteIfUnused() {
    if (hostRefs_ == 0 && engineRefs_ == 0) delete this;
}

namespace {

std::wstring OrNull(PCWSTR text) { return text ? text : L"null"; }

// The runtime keeps its profile in the folder: one where no file can be made is as good as none.
bool CanWriteIn(const std::wstring& folder) {
    const std::wstring probe = folder + L"\\engine-write-check.tmp";
    const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY,
                                    nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    DeleteFileW(probe.c_str());
    return true;
}

// As the runtime does, the user-data folder is made when missing: the one given, or by default
// "<program>.WebView2" beside the program. S_OK when it is there; the runtime's answers otherwise.
HRESULT MakeUserDataFolder(PCWSTR userDataFolder) {
    std::wstring folder;
    if (userDataFolder) {
        folder = userDataFolder;
    } else {
        wchar_t program[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, program, MAX_PATH);
        folder = std::wstring(program) + L".WebView2";
    }
    CreateDirectoryW(folder.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return E_ACCESSDENIED;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
    return CanWriteIn(folder) ? S_OK : E_ACCESSDENIED;
}

}  // namespace

// The environment is made at once, so that the settings are read at the call; the host gets it,
// or the simulated failure, only from the message loop, as from a real runtime.
extern "C" HRESULT __stdcall CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder, ICoreWebView2EnvironmentOptions*,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    if (!environmentCreatedHandler) return E_POINTER;
    ConfigPtr config = ReadEngineConfig();
    LogLine(*config, L"CreateCoreWebView2EnvironmentWithOptions " + OrNull(browserExecutableFolder) + L" " +
                         OrNull(userDataFolder));

    ComHolder<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> handler(environmentCreatedHandler);
    bool posted = false;
    const HRESULT folderMade = MakeUserDataFolder(userDataFolder);
    if (FAILED(folderMade)) {
        posted = PostToMessageLoop([handler, folderMade] { handler->Invoke(folderMade, nullptr); });
    } else if (browserProcessExited && environmentsSinceExit++ < config->failRestarts) {
        LogLine(*config, L"EnvironmentFailed");
        posted = PostToMessageLoop([handler] { handler->Invoke(HRESULT_FROM_WIN32(ERROR_INVALID_STATE), nullptr); });
    } else if (config->failMode == FailMode::Environment) {
        posted = PostToMessageLoop([handler] { handler->Invoke(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), nullptr); });
    } else {
        EngineRef<Environment> environment(new Environment(config));
        posted = PostToMessageLoop([handler, environment] { handler->Invoke(S_OK, environment.Get()); });
    }
    return posted ? S_OK : E_UNEXPECTED;
}
