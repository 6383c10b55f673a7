// Where the engine keeps its data (profile, cache): beside the program where Trov can write, else
// in the person's own local application data.
#pragma once

#include <string>

// What Trov found of each place before the engine starts: whether the folder is there (made now or
// before) and takes a new file.
struct UserDataFolderFacts {
    bool besideProgramWritable = false;  // "<program>.WebView2", where existing users have their data
    std::wstring localAppData;           // the person's local application data; empty when unknown
    bool localWritable = false;          // "Trov Browser\WebView2" in it
};

// "Trov Browser\WebView2" in the local application data; empty when that is unknown, so that no
// folder is ever made or given without a root.
std::wstring LocalUserDataFolder(const std::wstring& localAppData);

// The decision alone: empty for the folder beside the program (the engine's default) when Trov can
// write there, else the local one when it could be made and written; empty too when neither can,
// and the engine's default is all there is to try.
std::wstring ChooseUserDataFolder(const UserDataFolderFacts& facts);

// The folder for the next environment, made when missing: empty for the engine's default beside
// the program. Folders it makes are remembered until the engine starts or gives up.
std::wstring PrepareUserDataFolder();
// The same for a given folder beside the program (empty: none) and a source of the local application
// data, asked only when the folder beside the program cannot be used.
std::wstring PrepareUserDataFolderAt(const std::wstring& besideProgram, std::wstring (*localAppData)());

// The environment came: the folders made for it are the engine's now.
void KeepUserDataFolder();

// The environment failed: the folders made for it go again while they are empty, so that an engine
// that never started leaves nothing behind.
void RemoveUnusedUserDataFolder();
