// Starting and finding the game: the command line rules, a real start of the
// stand-in game from a folder with blanks, its instance slot and windows, the
// repair, the main window's property and the link rules.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/core/command_line.h"
#include "launcher/core/game_command_line.h"
#include "launcher/core/launcher_context.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wait_for.h"

namespace {

using test_support::FileExists;
using test_support::IsDirectory;
using test_support::ScratchDir;
using test_support::TryReadFileBytes;
using test_support::WaitFor;
using test_support::WriteFileBytes;

TEST(GameCommandLineTest, TailAndIdentityRules) {
  const struct {
    const char* md5;
    const char* version;
    const wchar_t* platform;
    const wchar_t* arguments;
  } cases[] = {
      {"0123abcd", "10077_1_0", L"", L"0123abcd win 0|1"},
      {"0123abcd", "10076_9_9", L"", L"0123abcd"},
      {"0123abcd", "", L"", L"0123abcd win 0|1"},
      {"0123abcd", "20000_1", L"", L"0123abcd"},  // two parts: no tail
      {"", "10077_1_0", L"", L"empty win 0|1"},
      {"x", "10077_1_0", L"android", L"x android 0|1"},
      {"x", "10076_1_0", L"android", L"x"},
      {"x", "abc_1_0", L"", L"x"},
  };
  for (const auto& c : cases) {
    const GameCommandLine line =
        BuildGameCommandLine(L"C:\\Games\\Corvandel Game\\", c.md5, c.version, c.platform);
    EXPECT_EQ(line.program, L"C:\\Games\\Corvandel Game\\TOVA.exe") << c.version;
    EXPECT_EQ(line.arguments, c.arguments) << c.md5 << " " << c.version;
  }
}

class GameControlTest : public testing::Test {
 protected:
  GameControlTest() {
    LauncherSettings settings = context_.GetSettings();
    settings.gamePath = dir_.Child(L"Corvandel Game");
    context_.SetSettings(settings);
    context_.gameVersion = "10077_1_0";
  }

  std::wstring GamePath(const std::wstring& name) const {
    return dir_.Child(L"Corvandel Game\\" + name);
  }

  ScratchDir dir_;
  LauncherContext context_;
};

// The stand-in game records its command line in "fake_game.log" beside itself.
TEST_F(GameControlTest, StartsTheGameFromAFolderWithBlanksWithinOneInstance) {
  ASSERT_TRUE(CreateDirectoryW(dir_.Child(L"Corvandel Game").c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(test_support::HostPathInWine(FAKE_GAME_EXE).c_str(),
                        GamePath(L"TOVA.exe").c_str(), FALSE));
  WriteFileBytes(GamePath(L"save\\log.txt"), "old log");
  context_.deleteLogTxt = true;
  EXPECT_TRUE(context_.GameExecutableExists(L""));
  std::vector<int> free_slots;
  EXPECT_EQ(context_.GetFreeGameInstanceSlots(&free_slots), 0);
  EXPECT_EQ(free_slots, std::vector<int>{0});

  context_.RunGame("", 1);  // no such slot
  context_.RunGame("9e107d9d372bb6826bd81d3542a419d6", 0);

  std::string log;
  ASSERT_TRUE(WaitFor([&] {
    return TryReadFileBytes(GamePath(L"fake_game.log"), &log) &&
           log.find('\n') != std::string::npos;
  }));
  EXPECT_EQ(log.substr(0, log.find('\n')), "start \"" +
                                               dir_.ChildUtf8(L"Corvandel Game\\TOVA.exe") +
                                               "\" 9e107d9d372bb6826bd81d3542a419d6 win 0|1");
  EXPECT_FALSE(FileExists(GamePath(L"save\\log.txt")));
  ASSERT_TRUE(WaitFor([&] {
    context_.CollectGameWindows();
    return context_.GetGameWindows().size() == 2;
  }));
  EXPECT_TRUE(context_.IsGameRunning());
  free_slots.clear();
  EXPECT_EQ(context_.GetFreeGameInstanceSlots(&free_slots), 1);
  EXPECT_TRUE(free_slots.empty());
  EXPECT_TRUE(context_.ActivateGameWindow());

  // A second start meets the running instance's mutex and ends.
  context_.RunGame("again", 0);
  EXPECT_TRUE(WaitFor([&] {
    return TryReadFileBytes(GamePath(L"fake_game.log"), &log) &&
           log.find("busy") != std::string::npos;
  }));

  for (HWND window : context_.GetGameWindows()) PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return !context_.IsGameRunning(); }));
  EXPECT_TRUE(WaitFor([&] {
    return TryReadFileBytes(GamePath(L"fake_game.log"), &log) &&
           log.find("exit") != std::string::npos;
  }));
  context_.CollectGameWindows();
  EXPECT_TRUE(context_.GetGameWindows().empty());
  EXPECT_FALSE(context_.ActivateGameWindow());
}

TEST_F(GameControlTest, RepairDeletesMapRenamedFilesAndUserCacheWithoutStartingTheGame) {
  WriteFileBytes(GamePath(L"version_map.txt"), "{}");
  WriteFileBytes(GamePath(L"TOVA_Data\\Resources\\unity default resources"), "x");
  WriteFileBytes(GamePath(L"TOVA_Data\\kept.bin"), "x");
  WriteFileBytes(dir_.Child(L"profile\\.trepc\\cache\\a.bin"), "x");
  context_.fileCopyPairs[L"TOVA_Data/Resources/unity_default_resources"] =
      L"TOVA_Data/Resources/unity default resources";
  SetEnvironmentVariableW(L"USERPROFILE", dir_.Child(L"profile").c_str());
  _wputenv_s(L"USERPROFILE", dir_.Child(L"profile").c_str());
  context_.startGameAfterPass = true;

  context_.RepairGame();

  EXPECT_FALSE(FileExists(GamePath(L"version_map.txt")));
  EXPECT_FALSE(FileExists(GamePath(L"TOVA_Data\\Resources\\unity default resources")));
  EXPECT_TRUE(FileExists(GamePath(L"TOVA_Data\\kept.bin")));
  EXPECT_FALSE(IsDirectory(dir_.Child(L"profile\\.trepc")));
  EXPECT_TRUE(IsDirectory(dir_.Child(L"profile")));
  EXPECT_FALSE(context_.startGameAfterPass);
}

TEST_F(GameControlTest, InterruptedUpdateIsToldByTheTemporaryMap) {
  EXPECT_FALSE(context_.HasInterruptedGameUpdate());
  WriteFileBytes(GamePath(L"tmp_version_map.txt"), "{}");
  EXPECT_TRUE(context_.HasInterruptedGameUpdate());
}

std::vector<std::string> opened_links;
void RecordLink(HWND, const std::string& url) { opened_links.push_back(url); }

TEST_F(GameControlTest, MainWindowPropertyAndLinks) {
  HWND window = CreateWindowExW(0, L"STATIC", L"main", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  context_.SetLinkOpener(RecordLink);
  context_.links["FAQ"] = "https://example.test/faq";
  context_.links["Forum_bad"] = "file:///C:/windows/system32/calc.exe";
  opened_links.clear();

  context_.OpenLink("https://example.test/before", false);  // no main window yet
  context_.SetMainWindow(window);
  EXPECT_EQ(GetPropW(window, L"_QEL_LAUNCHER_TW"), window);
  const struct {
    const char* text;
    bool is_key;
  } calls[] = {{"FAQ", true},        {"Forum_unknown", true},          {"Forum_bad", true},
               {"", false},          {"HTTP://example.test/a", false}, {"javascript:x", false},
               {"mailto:a@b", false}};
  for (const auto& call : calls) context_.OpenLink(call.text, call.is_key);
  EXPECT_EQ(opened_links,
            (std::vector<std::string>{"https://example.test/faq", "HTTP://example.test/a"}));

  context_.SetMainWindow(nullptr);
  EXPECT_EQ(GetPropW(window, L"_QEL_LAUNCHER_TW"), nullptr);
  EXPECT_EQ(context_.mainWindow, nullptr);
  DestroyWindow(window);
}

}  // namespace
