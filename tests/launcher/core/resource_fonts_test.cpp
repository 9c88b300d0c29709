// The carried fonts: written from this program's own "FONTS" resources into a
// scratch font folder and a scratch registry key, the pending font list, and
// what a failed install leaves alone; then the real fonts of the built
// launcher.exe, whose faces GDI must know once they are installed.
#include "launcher/core/resource_fonts.h"

#include <windows.h>

#include <set>
#include <string>
#include <vector>

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
  EXPECT_EQ(ui::GlobalManager::systemFontFace, L"Noto Sans CJK TC");
  EXPECT_EQ(ui::GlobalManager::buttonBoldFontFace, L"Noto Sans CJK TC Bold");
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

uint32_t BigEndian(const std::string& bytes, size_t at, int length) {
  uint32_t value = 0;
  for (int i = 0; i < length && at + i < bytes.size(); ++i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  }
  return value;
}

// The Windows full names (name id 4) an OpenType font file carries.
std::set<std::wstring> FullNames(const std::string& font) {
  std::set<std::wstring> names;
  const uint32_t tables = BigEndian(font, 4, 2);
  for (uint32_t i = 0; i < tables; ++i) {
    const size_t record = 12 + 16 * i;
    if (font.compare(record, 4, "name") != 0) continue;
    const size_t table = BigEndian(font, record + 8, 4);
    const uint32_t count = BigEndian(font, table + 2, 2);
    const size_t strings = table + BigEndian(font, table + 4, 2);
    for (uint32_t n = 0; n < count; ++n) {
      const size_t entry = table + 6 + 12 * n;
      if (BigEndian(font, entry, 2) != 3 || BigEndian(font, entry + 6, 2) != 4) continue;
      const size_t start = strings + BigEndian(font, entry + 10, 2);
      std::wstring name;
      for (uint32_t c = 0; c + 1 < BigEndian(font, entry + 8, 2); c += 2) {
        name += static_cast<wchar_t>(BigEndian(font, start + c, 2));
      }
      names.insert(name);
    }
  }
  return names;
}

// What GDI makes of a face: the face it chose, its weight, and whether it has
// a glyph for every character of a sample.
struct ChosenFont {
  std::wstring face;
  LONG weight = 0;
  bool coversSample = false;
};

ChosenFont ChooseFont(const std::wstring& face, bool bold, const std::wstring& sample) {
  LOGFONTW record = {};
  record.lfHeight = -20;
  record.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  record.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(record.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  ChosenFont chosen;
  HFONT font = CreateFontIndirectW(&record);
  HDC dc = CreateCompatibleDC(nullptr);
  if (font && dc) {
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t name[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, name);
    chosen.face = name;
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    chosen.weight = metrics.tmWeight;
    std::vector<WORD> glyphs(sample.size());
    chosen.coversSample =
        GetGlyphIndicesW(dc, sample.c_str(), static_cast<int>(sample.size()), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS) == sample.size();
    for (WORD glyph : glyphs) chosen.coversSample = chosen.coversSample && glyph != 0xFFFF;
    SelectObject(dc, old);
  }
  if (dc) DeleteDC(dc);
  if (font) DeleteObject(font);
  return chosen;
}

TEST_F(ResourceFontsTest, TheLaunchersFontsInstallAndGdiKnowsTheirFaces) {
  HMODULE launcher = LoadLibraryExW(test_support::HostPathInWine(LAUNCHER_EXE).c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(launcher, nullptr) << "build the launcher target first";
  const struct {
    const wchar_t* family;
    bool bold;
    const wchar_t* sample;
  } expected[] = {
      {L"Loma", false, L"\u0E44\u0E17\u0E22"},
      {L"Loma", true, L"\u0E44\u0E17\u0E22"},
      {L"Noto Sans CJK TC", false, L"\u7E41\u9AD4\u4E2D\u6587\u7B80\u4F53"},
      {L"Noto Sans CJK TC", true, L"\u7E41\u9AD4\u4E2D\u6587\u7B80\u4F53"},
  };
  ASSERT_TRUE(InstallResourceFonts(launcher, target_));
  FreeLibrary(launcher);
  for (int i = 0; i < 4; ++i) {
    const ResourceFont& font = kResourceFonts[i];
    SCOPED_TRACE(testing::Message() << i);
    // The file is the face its table names: the one the UI asks GDI for.
    const std::set<std::wstring> full_names =
        FullNames(test_support::ReadFileBytes(fonts_dir_.Child(font.fileName)));
    EXPECT_EQ(full_names, std::set<std::wstring>{font.faceName});
    // GDI takes the file as a font of its own (CJK faces add a vertical one).
    const std::wstring path = fonts_dir_.Child(font.fileName);
    EXPECT_GE(AddFontResourceExW(path.c_str(), FR_PRIVATE, nullptr), 1);
    RemoveFontResourceExW(path.c_str(), FR_PRIVATE, nullptr);
    EXPECT_EQ(std::wstring(font.registryName), std::wstring(font.faceName) + L" (TrueType)");
    EXPECT_EQ(RegistryText(target_.registryKey, font.registryName), font.fileName);
    const ChosenFont chosen = ChooseFont(font.faceName, expected[i].bold, expected[i].sample);
    EXPECT_EQ(chosen.face, expected[i].family);
    EXPECT_EQ(chosen.weight >= FW_BOLD, expected[i].bold);
    EXPECT_TRUE(chosen.coversSample);
  }
  // The UI's faces are the carried ones.
  EXPECT_EQ(ChooseFont(ui::GlobalManager::systemFontFace, false, L"").face, L"Noto Sans CJK TC");
  EXPECT_GE(ChooseFont(ui::GlobalManager::systemBoldFontFace, true, L"").weight, FW_BOLD);
  std::map<std::wstring, DWORD> failures;
  UninstallResourceFonts(target_, &failures);
  EXPECT_TRUE(failures.empty());
}

}  // namespace
