// Where the engine keeps its data (profile, cache): beside the program where Trov can write, else
// in the person's own local application data.
#pragma once

#include <string>

// The decision alone: the folder beside the program when Trov can write in it (returned empty: it
// is the engine's default), else "Trov Browser\WebView2" in the person's local application data;
// empty too when that folder is not known, and the engine's default is all there is to try.
std::wstring ChooseUserDataFolder(bool besideProgramWritable, const std::wstring& localAppData);

// The folder for the next environment, made when missing: empty for the engine's default beside
// the program. Folders it makes are remembered until the engine starts or gives up.
std::wstring PrepareUserDataFolder();

// The environment came: the folders made for it are the engine's now.
void KeepUserDataFolder();

// The environment failed: the folders made for it go again while they are empty, so that an engine
// that never started leaves nothing behind.
void RemoveUnusedUserDataFolder();
