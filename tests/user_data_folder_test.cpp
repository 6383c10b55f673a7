#include "webhost/user_data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(UserDataFolderTest, TheChoiceTakesTheProgramsFolderThenTheLocalOneAndNeverARootlessPath) {
    const std::wstring local = L"C:\\Users\\p\\AppData\\Local";
    const struct {
        UserDataFolderFacts facts;
        std::wstring chosen;
    } cases[] = {
        {{true, local, true}, L""},  {{false, local, true}, local + L"\\Trov Browser\\WebView2"},
        {{false, local, false}, L""}, {{false, L"", false}, L""}, {{false, L"", true}, L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseUserDataFolder(c.facts), c.chosen) << c.facts.besideProgramWritable << c.facts.localWritable;
    }
    EXPECT_EQ(LocalUserDataFolder(L""), L"");
}

std::wstring testLocalAppData;
std::wstring TestLocalAppData() { return testLocalAppData; }

// In a folder of the test's: the folder beside the program, and the person's local application data.
TEST(UserDataFolderTest, TheProgramsFolderIsMadeAndStaysUsableElseBothLocalFoldersAreMade) {
    const fs::path root = fs::temp_directory_path() / "trov-user-data-test";
    const fs::path beside = root / "trov.exe.WebView2", local = root / "local";
    const fs::path made = local / "Trov Browser" / "WebView2";
    fs::remove_all(root);
    fs::create_directories(local);
    testLocalAppData = local.wstring();
    for (int start = 1; start <= 2; ++start) {  // the probe's file would refuse the second start
        EXPECT_EQ(PrepareUserDataFolderAt(beside.wstring(), TestLocalAppData), L"") << start;
        EXPECT_TRUE(fs::is_directory(beside) && fs::is_empty(beside)) << start;
    }
    EXPECT_FALSE(fs::exists(local / "Trov Browser"));

    fs::remove(beside);
    std::ofstream(beside) << "in the way";
    EXPECT_EQ(PrepareUserDataFolderAt(beside.wstring(), TestLocalAppData), made.wstring());
    EXPECT_TRUE(fs::is_directory(made) && fs::is_empty(made));
    RemoveUnusedUserDataFolder();  // the engine did not start: both go again
    EXPECT_FALSE(fs::exists(local / "Trov Browser"));
    std::ofstream(local / "Trov Browser") << "in the way";
    EXPECT_EQ(PrepareUserDataFolderAt(beside.wstring(), TestLocalAppData), L"");
    fs::remove_all(root);
}

}  // namespace
