// The built trov.exe, read and run from the outside.
#include <gtest/gtest.h>
#include <windows.h>

#include "trov_version.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::wstring BesideThisTest(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + name;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(tolower(c)); });
    return text;
}

std::vector<char> ReadFileBytes(const std::wstring& path) {
    std::vector<char> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

// The import table of a PE32+ file: each DLL with the names imported from it.
std::map<std::string, std::vector<std::string>> ReadImports(const std::wstring& path) {
    const std::vector<char> bytes = ReadFileBytes(path);
    std::map<std::string, std::vector<std::string>> imports;
    if (bytes.size() < sizeof(IMAGE_DOS_HEADER)) return imports;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(bytes.data() + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
    auto at = [&](DWORD rva) -> const char* {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize) {
                return bytes.data() + s.PointerToRawData + (rva - s.VirtualAddress);
            }
        }
        return nullptr;
    };
    const DWORD importRva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(importRva)); d && d->Name; ++d) {
        std::vector<std::string>& names = imports[Lower(at(d->Name))];
        for (auto* t = reinterpret_cast<const IMAGE_THUNK_DATA64*>(at(d->OriginalFirstThunk)); t && t->u1.AddressOfData; ++t) {
            if (IMAGE_SNAP_BY_ORDINAL64(t->u1.Ordinal)) continue;
            names.push_back(reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(at(static_cast<DWORD>(t->u1.AddressOfData)))->Name);
        }
    }
    return imports;
}

TEST(ExecutableTest, ImportsOnlySystemDllsAndTheEngineLoader) {
    const auto imports = ReadImports(BesideThisTest(L"trov.exe"));
    ASSERT_FALSE(imports.empty());
    const std::set<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll", "gdiplus.dll",  "ole32.dll",
                                          "comctl32.dll", "msvcrt.dll", "advapi32.dll", "oleaut32.dll", "shell32.dll"};
    for (const auto& entry : imports) {
        EXPECT_TRUE(system.count(entry.first) || entry.first == "webview2loader.dll") << "imports " << entry.first;
    }
    ASSERT_TRUE(imports.count("webview2loader.dll"));
    EXPECT_EQ(imports.at("webview2loader.dll"), std::vector<std::string>{"CreateCoreWebView2EnvironmentWithOptions"});
    // Per-monitor DPI awareness comes from this call at start-up; the manifest declares none.
    ASSERT_TRUE(imports.count("user32.dll"));
    const auto& user32 = imports.at("user32.dll");
    EXPECT_NE(std::find(user32.begin(), user32.end(), "SetProcessDpiAwarenessContext"), user32.end());
    // The registration for a restart after Windows' updates: Wine cannot read it back
    // (GetApplicationRestartSettings answers E_NOTIMPL there).
    ASSERT_TRUE(imports.count("kernel32.dll"));
    const auto& kernel32 = imports.at("kernel32.dll");
    EXPECT_NE(std::find(kernel32.begin(), kernel32.end(), "RegisterApplicationRestart"), kernel32.end());
}

BOOL CALLBACK CountName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR count) {
    if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<int>*>(count)->push_back(static_cast<int>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}
BOOL CALLBACK CountLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
    reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
    return TRUE;
}

// trov.exe loaded as data: its resources of one type must be exactly id 1 in language 1033.
HMODULE LoadWithOneResourceOfType(LPCWSTR type) {
    HMODULE exe = LoadLibraryExW(BesideThisTest(L"trov.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!exe) return nullptr;
    std::vector<int> ids;
    EnumResourceNamesW(exe, type, CountName, reinterpret_cast<LONG_PTR>(&ids));
    EXPECT_EQ(ids, std::vector<int>{1});
    std::vector<WORD> languages;
    EnumResourceLanguagesW(exe, type, MAKEINTRESOURCEW(1), CountLanguage, reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, std::vector<WORD>{1033});
    return exe;
}

TEST(ExecutableTest, EmbedsExactlyOneManifestAsInvokerWithTheSegmentHeap) {
    HMODULE exe = LoadWithOneResourceOfType(RT_MANIFEST);
    ASSERT_NE(exe, nullptr);

    HRSRC resource = FindResourceExW(exe, RT_MANIFEST, MAKEINTRESOURCEW(1), 1033);
    ASSERT_NE(resource, nullptr);
    const char* data = static_cast<const char*>(LockResource(LoadResource(exe, resource)));
    const std::string manifest(data, SizeofResource(exe, resource));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
    EXPECT_NE(manifest.find(">SegmentHeap</heapType>"), std::string::npos);
    EXPECT_EQ(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
    FreeLibrary(exe);
}

TEST(ExecutableTest, CarriesTheProjectVersionAndNamesInUsEnglish) {
    HMODULE exe = LoadWithOneResourceOfType(RT_VERSION);
    ASSERT_NE(exe, nullptr);
    FreeLibrary(exe);

    const std::wstring path = BesideThisTest(L"trov.exe");
    std::vector<char> info(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const DWORD versionMS = MAKELONG(TROV_VERSION_MINOR, TROV_VERSION_MAJOR), versionLS = MAKELONG(0, TROV_VERSION_PATCH);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, versionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, versionLS);
    EXPECT_EQ(fixed->dwProductVersionMS, versionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, versionLS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 2 * sizeof(WORD));
    EXPECT_EQ(translation[0], 0x0409);  // US English
    EXPECT_EQ(translation[1], 1200);    // Unicode

    const std::wstring version = L"" TROV_VERSION_STRING;
    const struct {
        const wchar_t* name;
        std::wstring value;
    } strings[] = {
        {L"FileDescription", L"Trov Browser"}, {L"ProductName", L"Trov Browser"}, {L"FileVersion", version},
        {L"ProductVersion", version},          {L"OriginalFilename", L"trov.exe"}, {L"InternalName", L"trov"},
    };
    for (const auto& expected : strings) {
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904b0\\") + expected.name;
        wchar_t* value = nullptr;
        ASSERT_TRUE(VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) << expected.name;
        EXPECT_EQ(std::wstring(value), expected.value) << expected.name;
    }
}

struct FoundWindow {
    DWORD processId;
    HWND hwnd;
};

BOOL CALLBACK FindProcessWindow(HWND hwnd, LPARAM param) {
    auto* found = reinterpret_cast<FoundWindow*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t className[64] = {};
    GetClassNameW(hwnd, className, 64);
    if (pid == found->processId && std::wstring(className) == L"TrovBrowserClass") {
        found->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Runs trov.exe (with its ignored command line), closes its window and returns its exit code.
DWORD RunAndClose(const wchar_t* commandLineTail, bool* windowSeen) {
    std::wstring commandLine = L"\"" + BesideThisTest(L"trov.exe") + L"\" " + commandLineTail;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return ~0u;
    FoundWindow found = {pi.dwProcessId, nullptr};
    const ULONGLONG deadline = GetTickCount64() + 30000;
    // Found is not enough: the window is created before it is shown.
    while (!(found.hwnd && IsWindowVisible(found.hwnd)) && GetTickCount64() < deadline) {
        found.hwnd = nullptr;
        EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&found));
        if (!(found.hwnd && IsWindowVisible(found.hwnd))) Sleep(50);
    }
    *windowSeen = found.hwnd && IsWindowVisible(found.hwnd);
    if (found.hwnd) PostMessageW(found.hwnd, WM_CLOSE, 0, 0);
    DWORD exitCode = ~0u;
    if (WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(pi.hProcess, &exitCode);
    } else {
        TerminateProcess(pi.hProcess, 99);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return exitCode;
}

TEST(ExecutableTest, ClosingTheWindowEndsTheProcessWithExitCodeZero) {
    for (const wchar_t* tail : {L"", L"--ignored https://example.com"}) {
        bool windowSeen = false;
        EXPECT_EQ(RunAndClose(tail, &windowSeen), 0u) << "command line tail: " << (*tail ? "set" : "empty");
        EXPECT_TRUE(windowSeen);
    }
}

}  // namespace
