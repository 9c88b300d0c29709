// The carried fonts: written from this program's own "FONTS" resources into a
// scratch font folder and a scratch registry key, the pending font list, and
// what a failed install leaves alone.
#include "launcher/core/resource_fonts.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "base/json_util.h"
#include "launcher/core/command_line.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"
#include "ui/render/render_context_gdiplus.h"
#include "ui/resources/global_manager.h"

namespace {

using test_support::FileExists;
using test_support::ReadFileBytes;
using test_support::ScopedCurrentFolder;
using test_support::ScratchDir;
using test_support::WriteFileBytes;

std::wstring RegistryText(const std::wstring& key, const std::wstring& name) {
  wchar_t text[256] = {};
  DWORD size = sizeof(text);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, text,
                   &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return text;
}

class ResourceFontsTest : public testing::Test {
 protected:
  ResourceFontsTest()
      : current_(launcher_dir_.path()),
        target_{fonts_dir_.path(),
                L"SOFTWARE\\LauncherTests\\Fonts" + std::to_wstring(GetCurrentProcessId())} {
    ui::GlobalManager::systemFontFace = L"before";
    ui::GlobalManager::buttonBoldFontFace = L"before";
    ui::SetTextAntiAliasEnabled(false);
    CommandLineTextAntiAlias = CommandLineWord();
    // The system's fonts key always exists; the scratch one is made here.
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, target_.registryKey.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (key) RegCloseKey(key);
  }
  ~ResourceFontsTest() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, target_.registryKey.c_str());
    CommandLineTextAntiAlias = CommandLineWord();
  }

  ScratchDir launcher_dir_;
  ScratchDir fonts_dir_;
  ScopedCurrentFolder current_;
  FontTarget target_;
};

TEST_F(ResourceFontsTest, InstallsMissingFontsKeepsPresentOnesAndSetsTheFaces) {
  // A font already in place is not rewritten; its registry value still is.
  WriteFileBytes(fonts_dir_.Child(L"LomaB.ttf"), "installed earlier");
  ASSERT_TRUE(InstallResourceFonts(GetModuleHandleW(nullptr), target_));

  EXPECT_EQ(ReadFileBytes(fonts_dir_.Child(L"LomaN.ttf")), "resource font 138\n");
  EXPECT_EQ(ReadFileBytes(fonts_dir_.Child(L"LomaB.ttf")), "installed earlier");
  EXPECT_EQ(ReadFileBytes(fonts_dir_.Child(L"SourceHanSansCNRegular.ttf")), "resource font 143\n");
  EXPECT_EQ(ReadFileBytes(fonts_dir_.Child(L"SourceHanSansCNBold.ttf")), "resource font 142\n");
  for (const ResourceFont& font : kResourceFonts) {
    EXPECT_EQ(RegistryText(target_.registryKey, font.registryName), font.fileName);
  }
  EXPECT_EQ(ui::GlobalManager::systemFontFace, L"思源黑体 CN Regular");
  EXPECT_EQ(ui::GlobalManager::buttonBoldFontFace, L"思源黑体 CN Bold");
  EXPECT_TRUE(ui::IsTextAntiAliasEnabled());
}

TEST_F(ResourceFontsTest, AntiAliasWordDecides) {
  const struct {
    const wchar_t* word;
    bool anti_alias;
  } cases[] = {{L"text_anti_alias", true}, {L"taa", true}, {L"TAA", false}, {L"off", false}};
  for (const auto& c : cases) {
    ASSERT_TRUE(SetCommandLineWord(c.word, &CommandLineTextAntiAlias));
    ui::SetTextAntiAliasEnabled(!c.anti_alias);
    ASSERT_TRUE(InstallResourceFonts(GetModuleHandleW(nullptr), target_));
    EXPECT_EQ(ui::IsTextAntiAliasEnabled(), c.anti_alias) << c.word;
  }
}

TEST_F(ResourceFontsTest, AFailedFontLeavesTheFacesAndTheFlag) {
  // The system library has no "FONTS" resources.
  EXPECT_FALSE(InstallResourceFonts(GetModuleHandleW(L"kernel32.dll"), target_));
  EXPECT_FALSE(FileExists(fonts_dir_.Child(L"LomaN.ttf")));
  EXPECT_EQ(ui::GlobalManager::systemFontFace, L"before");
  EXPECT_FALSE(ui::IsTextAntiAliasEnabled());
}

TEST_F(ResourceFontsTest, PendingFontsAreInstalledAndTheListGoes) {
  WriteFileBytes(launcher_dir_.Child(L"update\\fonts\\New.ttf"), "new font");
  ASSERT_TRUE(WriteStringListFile(".\\update\\font_update.txt", {"fonts/New.ttf", "../evil.ttf"}));
  ApplyPendingFontUpdate(fonts_dir_.path());
  EXPECT_EQ(ReadFileBytes(fonts_dir_.Child(L"New.ttf")), "new font");
  EXPECT_EQ(ReadFileBytes(launcher_dir_.Child(L"fonts\\New.ttf")), "new font");
  EXPECT_FALSE(FileExists(launcher_dir_.Child(L"update\\fonts\\New.ttf")));
  EXPECT_FALSE(FileExists(launcher_dir_.Child(L"update\\font_update.txt")));
}

TEST_F(ResourceFontsTest, AFontFolderCopyThatFailsKeepsTheList) {
  WriteFileBytes(launcher_dir_.Child(L"update\\New.ttf"), "new font");
  ASSERT_TRUE(WriteStringListFile(".\\update\\font_update.txt", {"New.ttf"}));
  ApplyPendingFontUpdate(fonts_dir_.Child(L"missing"));
  EXPECT_TRUE(FileExists(launcher_dir_.Child(L"update\\New.ttf")));
  std::vector<std::string> names;
  ASSERT_TRUE(ReadStringListFile(".\\update\\font_update.txt", &names));
  EXPECT_EQ(names, std::vector<std::string>{"New.ttf"});
}

TEST_F(ResourceFontsTest, UninstallRemovesValuesAndFiles) {
  ASSERT_TRUE(InstallResourceFonts(GetModuleHandleW(nullptr), target_));
  std::map<std::wstring, DWORD> failures;
  UninstallResourceFonts(target_, &failures);
  EXPECT_TRUE(failures.empty());
  for (const ResourceFont& font : kResourceFonts) {
    EXPECT_EQ(RegistryText(target_.registryKey, font.registryName), L"<missing>");
    EXPECT_FALSE(FileExists(fonts_dir_.Child(font.fileName)));
  }
}

}  // namespace
