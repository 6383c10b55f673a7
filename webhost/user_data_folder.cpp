#include "webhost/user_data_folder.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

namespace {

// Made by PrepareUserDataFolder for the environment under way, the outer one first.
std::vector<std::wstring> madeFolders;

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// True when the folder is there afterwards, made now or before; one made now is remembered.
bool MakeFolder(const std::wstring& path) {
    if (CreateDirectoryW(path.c_str(), nullptr)) madeFolders.push_back(path);
    return IsFolder(path);
}

// An existing folder can still refuse new files (one an administrator made under C:\Program
// Files): only making and deleting a file of our own tells.
bool CanWriteIn(const std::wstring& folder) {
    const std::wstring probe = folder + L"\\trov-write-check.tmp";
    const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    DeleteFileW(probe.c_str());
    return true;
}

std::wstring ProgramPath() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    return path;
}

// The documented place of the person's local application data; empty when the system has none.
std::wstring LocalAppDataFolder() {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path)) && path) folder = path;
    CoTaskMemFree(path);
    return folder;
}

}  // namespace

std::wstring ChooseUserDataFolder(bool besideProgramWritable, const std::wstring& localAppData) {
    if (besideProgramWritable || localAppData.empty()) return std::wstring();
    return localAppData + L"\\Trov Browser\\WebView2";
}

// Existing users keep their data beside the program, in "trov.exe.WebView2".
std::wstring PrepareUserDataFolder() {
    madeFolders.clear();
    const std::wstring program = ProgramPath();
    const std::wstring beside = program + L".WebView2";
    const bool besideWritable = !program.empty() && MakeFolder(beside) && CanWriteIn(beside);
    if (!besideWritable) RemoveUnusedUserDataFolder();  // one made now, then refused
    const std::wstring folder = ChooseUserDataFolder(besideWritable, besideWritable ? L"" : LocalAppDataFolder());
    if (!folder.empty()) {
        MakeFolder(folder.substr(0, folder.rfind(L'\\')));
        MakeFolder(folder);
    }
    return folder;
}

void KeepUserDataFolder() { madeFolders.clear(); }

void RemoveUnusedUserDataFolder() {
    // The inner folder first; RemoveDirectoryW leaves a folder that is not empty.
    for (auto it = madeFolders.rbegin(); it != madeFolders.rend(); ++it) RemoveDirectoryW(it->c_str());
    madeFolders.clear();
}
