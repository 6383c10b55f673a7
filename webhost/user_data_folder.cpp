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
// Files): only making a file of our own tells. The system deletes it when its handle closes, also
// when the process ends in between: a file left behind would refuse the next start's probe.
bool CanWriteIn(const std::wstring& folder) {
    const std::wstring probe = folder + L"\\trov-write-check.tmp";
    const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// Made (with its parent) when missing, and able to take a file.
bool MakeWritableFolder(const std::wstring& parent, const std::wstring& folder) {
    return MakeFolder(parent) && MakeFolder(folder) && CanWriteIn(folder);
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

std::wstring LocalUserDataFolder(const std::wstring& localAppData) {
    return localAppData.empty() ? std::wstring() : localAppData + L"\\Trov Browser\\WebView2";
}

std::wstring ChooseUserDataFolder(const UserDataFolderFacts& facts) {
    if (facts.besideProgramWritable || !facts.localWritable) return std::wstring();
    return LocalUserDataFolder(facts.localAppData);
}

std::wstring PrepareUserDataFolderAt(const std::wstring& besideProgram, std::wstring (*localAppData)()) {
    madeFolders.clear();
    UserDataFolderFacts facts;
    facts.besideProgramWritable = !besideProgram.empty() && MakeFolder(besideProgram) && CanWriteIn(besideProgram);
    if (facts.besideProgramWritable) return ChooseUserDataFolder(facts);
    RemoveUnusedUserDataFolder();  // one made now, then refused
    facts.localAppData = localAppData();
    const std::wstring local = LocalUserDataFolder(facts.localAppData);
    facts.localWritable = !local.empty() && MakeWritableFolder(local.substr(0, local.rfind(L'\\')), local);
    const std::wstring folder = ChooseUserDataFolder(facts);
    if (folder.empty()) RemoveUnusedUserDataFolder();
    return folder;
}

// Existing users keep their data beside the program, in "trov.exe.WebView2".
std::wstring PrepareUserDataFolder() {
    const std::wstring program = ProgramPath();
    return PrepareUserDataFolderAt(program.empty() ? std::wstring() : program + L".WebView2", LocalAppDataFolder);
}

void KeepUserDataFolder() { madeFolders.clear(); }

void RemoveUnusedUserDataFolder() {
    // The inner folder first; RemoveDirectoryW leaves a folder that is not empty.
    for (auto it = madeFolders.rbegin(); it != madeFolders.rend(); ++it) RemoveDirectoryW(it->c_str());
    madeFolders.clear();
}
