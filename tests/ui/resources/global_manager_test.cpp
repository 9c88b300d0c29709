#include "ui/resources/global_manager.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/string_util.h"
#include "tests/support/scratch_dir.h"
#include "tests/ui/resources/zip_fixture.h"
#include "ui/render/render_factory.h"
#include "ui/resources/language_string_table.h"
#include "ui/resources/skin_render_environment.h"
#include "ui/resources/zip_archive.h"

namespace {

using ui::GlobalManager;

TEST(GlobalManagerTest, ZipEntryPathTable) {
  const struct {
    const wchar_t* path;
    const wchar_t* entry;
  } cases[] = {
      {L"resources\\themes\\default\\main\\..\\public\\a.png",
       L"resources/themes/default/public/a.png"},
      {L"\\\\a\\\\.\\b", L"a/b"},
      {L"a/b/../c", L"a/c"},
      {L"a/../b", L"b"},
      {L"a/b/../../c", L"c"},
      {L"/./a", L"a"},
      {L"./a/./b", L"a/b"},
      {L"a/..", L"a/.."},
      {L"a/b..c/.d", L"a/b..c/.d"},
      {L"../a", L"a"},
      {L"../../a", L"a"},
      {L"/../a/../../b", L"b"},
      // Where the listing rule differs: "\\" and "./" go, a drive stays, ".." folds.
      {L"a\\b.png", L"a/b.png"},
      {L"./x", L"x"},
      {L"c:/a/../b", L"c:/b"},
      {L"", L""},
  };
  for (const auto& item : cases) {
    EXPECT_EQ(GlobalManager::GetZipEntryPath(item.path), item.entry) << item.path;
  }
}

TEST(GlobalManagerTest, ColorValueTable) {
  const struct {
    const wchar_t* value;
    DWORD color;
  } cases[] = {
      {L"#ff333333", 0xFF333333},
      {L"#FF00FF00", 0xFF00FF00},
      {L"#80ffffff", 0x80FFFFFF},
      {L"#12", 0x12},
      {L"#", 0},
      {L"", 0},
      {L"#zz", 0},
  };
  for (const auto& item : cases) {
    EXPECT_EQ(ui::ParseColorValue(item.value), item.color) << item.value;
  }
}

TEST(GlobalManagerTest, TextColorsReplaceAndUnknownNamesReadZero) {
  GlobalManager::textColors.clear();
  GlobalManager::AddTextColor(L"blue", L"#ff0000ff");
  GlobalManager::AddTextColor(L"blue", L"#ff0000fe");
  GlobalManager::AddTextColor(L"", L"#ffffffff");
  EXPECT_EQ(GlobalManager::GetTextColor(L"blue"), 0xFF0000FEu);
  EXPECT_EQ(GlobalManager::textColors.count(L""), 0u);
  EXPECT_EQ(GlobalManager::GetTextColor(L"unknown"), 0u);
  EXPECT_EQ(GlobalManager::textColors.count(L"unknown"), 1u);
  GlobalManager::textColors.clear();
}

TEST(GlobalManagerTest, ClassTextTable) {
  using Attributes = std::vector<std::pair<std::wstring, std::wstring>>;
  const struct {
    Attributes attributes;
    const wchar_t* text;
  } cases[] = {
      {{{L"height", L"30"}, {L"padding", L"1,2,3,4"}}, L"height=\"30\" padding=\"1,2,3,4\""},
      {{{L"value", L"  width=\"5\""}, {L"_value", L"x"}}, L"width=\"5\" value=\"x\""},
      {{{L"value", L"\t\r\nbold=\"true\""}}, L"bold=\"true\""},
      {{}, L""},
  };
  for (const auto& item : cases) {
    EXPECT_EQ(ui::BuildClassText(item.attributes), item.text);
  }
  GlobalManager::classes.clear();
  GlobalManager::AddClass(L"btn", {{L"width", L"1"}});
  GlobalManager::AddClass(L"btn", {{L"width", L"2"}});
  GlobalManager::AddClass(L"", {{L"width", L"3"}});
  EXPECT_EQ(GlobalManager::classes.size(), 1u);
  EXPECT_EQ(GlobalManager::classes[L"btn"], L"width=\"2\"");
  GlobalManager::classes.clear();
}

TEST(GlobalManagerTest, SetResourcePathKeepsOneTrailingSeparator) {
  const struct {
    const wchar_t* path;
    const wchar_t* stored;
  } cases[] = {
      {L"resources\\themes\\default", L"resources\\themes\\default\\"},
      {L"resources/themes/", L"resources/themes/"},
      {L"resources\\", L"resources\\"},
      {L"", L""},
  };
  for (const auto& item : cases) {
    GlobalManager::SetResourcePath(item.path);
    EXPECT_EQ(GlobalManager::resourcePath, item.stored);
  }
}

TEST(GlobalManagerTest, FontSizeScaleTable) {
  EXPECT_EQ(ui::ScaleFontSize(12, true, 150), 18);
  EXPECT_EQ(ui::ScaleFontSize(12, false, 150), 12);
  EXPECT_EQ(ui::ScaleFontSize(13, true, 125), 16);
  EXPECT_EQ(ui::ScaleFontSize(12, true, 100), 12);
}

// A started framework over a scratch resource root, shut down afterwards.
class StartedGlobalManagerTest : public testing::Test {
 protected:
  void SetUp() override {
    test_support::WriteFileBytes(dir_.Child(L"lang\\zh_TW.ini"),
                                 "STRING_CONFIRM = \xE7\xA2\xBA\xE5\xAE\x9A\n");
    test_support::WriteFileBytes(dir_.Child(L"themes\\default\\common_config.json"),
                                 "{\"disk\":1}");
    GlobalManager::Startup(dir_.path() + L"\\", nullptr, L"themes\\default", L"zh_TW");
  }
  void TearDown() override {
    GlobalManager::Shutdown();
    GlobalManager::defaultFontId.clear();
  }

  test_support::ScratchDir dir_;
};

TEST_F(StartedGlobalManagerTest, StartupSetsTheRootAndLoadsTheLanguageFromDisk) {
  EXPECT_EQ(GlobalManager::resourcePath, dir_.path() + L"\\themes\\default\\");
  EXPECT_EQ(GlobalManager::language, L"zh_TW");
  ASSERT_NE(GlobalManager::renderFactory, nullptr);
  EXPECT_NE(GlobalManager::renderFactory->CreateRenderContext(), nullptr);
  EXPECT_EQ(ui::LanguageStringTable::GetInstance()->GetStringById(L"STRING_CONFIRM"),
            L"\u78BA\u5B9A");
  std::string bytes;
  EXPECT_TRUE(GlobalManager::ReadResourceFile(L"common_config.json", &bytes));
  EXPECT_EQ(bytes, "{\"disk\":1}");
  bytes = "untouched";
  EXPECT_FALSE(GlobalManager::ReadResourceFile(L"missing.json", &bytes));
  EXPECT_EQ(bytes, "untouched");
}

TEST_F(StartedGlobalManagerTest, FontIdsDefaultsAndFaces) {
  ASSERT_NE(GlobalManager::AddFont(L"", L"Tahoma", 12, false, false, false, false), nullptr);
  ASSERT_NE(GlobalManager::AddFont(L"", L"Tahoma", 14, false, false, false, false), nullptr);
  EXPECT_EQ(GlobalManager::GetFont(L""), nullptr);  // no default yet
  ASSERT_NE(GlobalManager::GetFont(L"0"), nullptr);
  ASSERT_NE(GlobalManager::GetFont(L"1"), nullptr);
  EXPECT_EQ(GlobalManager::GetFont(L"1")->size, 14);

  // A taken id keeps its first font, but "default" still moves.
  GlobalManager::AddFont(L"0", L"Tahoma", 30, true, false, false, true);
  EXPECT_EQ(GlobalManager::GetFont(L"0")->size, 12);
  EXPECT_EQ(GlobalManager::defaultFontId, L"0");
  EXPECT_EQ(GlobalManager::GetFont(L""), GlobalManager::GetFont(L"0"));
  // The empty id counts the table again: "2" now.
  GlobalManager::AddFont(L"", L"Tahoma", 16, false, true, true, false);
  ASSERT_NE(GlobalManager::GetFont(L"2"), nullptr);
  EXPECT_TRUE(GlobalManager::GetFont(L"2")->underline);
  EXPECT_TRUE(GlobalManager::GetFont(L"2")->italic);
  EXPECT_NE(GlobalManager::GetFont(L"2")->gdiplusFont, nullptr);

  // The "system" faces were never configured: the fallback face stands in.
  GlobalManager::AddFont(L"system_bold_12", L"system", 12, true, false, true, false);
  ASSERT_NE(GlobalManager::GetFont(L"system_bold_12"), nullptr);
  EXPECT_EQ(GlobalManager::GetFont(L"system_bold_12")->face, L"\u5FAE\u8F6F\u96C5\u9ED1");
  EXPECT_EQ(GlobalManager::GetFont(L"missing"), nullptr);

  GlobalManager::RemoveAllFonts();
  EXPECT_TRUE(GlobalManager::fonts.empty());
  EXPECT_EQ(GlobalManager::defaultFontId, L"0");
}

TEST_F(StartedGlobalManagerTest, RenderContextsLookUpTheSkinTablesAndScale) {
  ASSERT_NE(GlobalManager::AddFont(L"body", L"Tahoma", 16, false, false, false, false), nullptr);
  GlobalManager::AddTextColor(L"green", L"#ff00ff00");
  const std::unique_ptr<ui::IRenderContext> context =
      GlobalManager::renderFactory->CreateRenderContext();
  ASSERT_TRUE(context->Resize(8, 8, true));
  EXPECT_GT(context->MeasureText(L"abc", L"body", DT_SINGLELINE, -1).right, 10);
  context->DrawColorByName({0, 0, 8, 8}, L"green", 255);
  EXPECT_EQ(static_cast<const DWORD*>(context->GetBits())[0], 0xFF00FF00u);
  context->DrawColorByName({0, 0, 8, 8}, L"unknown", 255);
  EXPECT_EQ(GlobalManager::textColors.count(L"unknown"), 1u);
  GlobalManager::textColors.clear();

  const bool aware = GlobalManager::dpiAware;
  const int percent = GlobalManager::dpiScalePercent;
  GlobalManager::dpiAware = true;
  GlobalManager::dpiScalePercent = 150;
  RECT corner = {4, 4, 4, 4};
  ui::SkinRenderEnvironment().ScaleRect(&corner);
  GlobalManager::dpiAware = aware;
  GlobalManager::dpiScalePercent = percent;
  const RECT scaled = {6, 6, 6, 6};
  EXPECT_TRUE(EqualRect(&corner, &scaled));
}

TEST_F(StartedGlobalManagerTest, PackageEntriesWinAndMissingOnesFallBackToDisk) {
  test_support::ZipFixtureEntry config;
  config.name = "resources/themes/default/common_config.json";
  config.data = "{\"package\":1}";
  test_support::ZipFixtureEntry lang;
  lang.name = "resources/lang/en.ini";
  lang.data = "STRING_CONFIRM = OK\n";
  lang.deflate = false;
  const std::string bytes = test_support::BuildZip({config, lang});
  GlobalManager::resourceZip =
      OpenZipArchive(bytes.data(), static_cast<int32_t>(bytes.size()), kZipSourceMemory, "");
  ASSERT_NE(GlobalManager::resourceZip, nullptr);

  const ui::ScopedGlobalMemory block =
      GlobalManager::GetZipData(L"resources\\lang\\..\\lang\\en.ini");
  ASSERT_NE(block, nullptr);
  const ui::GlobalMemoryLock unpacked(block.get());
  ASSERT_GE(unpacked.size(), lang.data.size());
  EXPECT_EQ(std::string(static_cast<const char*>(unpacked.data()), lang.data.size()), lang.data);
  EXPECT_EQ(GlobalManager::GetZipData(L"resources\\lang\\fr.ini"), nullptr);
  EXPECT_EQ(GetLastZipResult(), ZipResult::NotFound);

  // Relative paths are taken under the resource directory; the entry names
  // come from the path as given, so an absolute path finds the disk file.
  GlobalManager::SetResourcePath(L"resources\\themes\\default");
  std::string read;
  EXPECT_TRUE(GlobalManager::ReadResourceFile(L"common_config.json", &read));
  EXPECT_EQ(read, config.data);
  EXPECT_TRUE(
      GlobalManager::ReadResourceFile(dir_.Child(L"themes\\default\\common_config.json"), &read));
  EXPECT_EQ(read, "{\"disk\":1}");

  GlobalManager::language = L"en";
  GlobalManager::AddTextColor(L"blue", L"#ff0000ff");
  GlobalManager::ReloadSkin(
      L"", [] { ui::LanguageStringTable::GetInstance()->SetOverride(L"STRING_CONFIRM", L"Sure"); });
  EXPECT_EQ(GlobalManager::resourcePath, L"resources\\themes\\default\\");
  EXPECT_TRUE(GlobalManager::textColors.empty());
  EXPECT_EQ(ui::LanguageStringTable::GetInstance()->GetStringById(L"STRING_CONFIRM"), L"Sure");

  GlobalManager::CloseResourceZip();
  EXPECT_EQ(GlobalManager::resourceZip, nullptr);
  EXPECT_EQ(GetLastZipResult(), ZipResult::Ok);
  EXPECT_EQ(GlobalManager::GetZipData(L"resources\\lang\\en.ini"), nullptr);
}

// A listed name is the stored one, so it always finds its entry; the lookup
// name of a resource path finds only entries stored in the package's "/" form.
TEST_F(StartedGlobalManagerTest, ListedNamesFindTheirEntriesAndLookupsNeedTheSlashForm) {
  const struct {
    const char* stored;
    const wchar_t* resource_path;
    bool lookup_finds;
  } cases[] = {
      {"resources/lang/en.ini", L"resources\\lang\\en.ini", true},
      {"data\\a.png", L"data\\a.png", false},
      {"./x.txt", L".\\x.txt", false},
  };
  std::vector<test_support::ZipFixtureEntry> entries;
  for (const auto& item : cases) {
    test_support::ZipFixtureEntry entry;
    entry.name = item.stored;
    entry.data = item.stored;
    entries.push_back(entry);
  }
  const std::string bytes = test_support::BuildZip(entries);
  GlobalManager::resourceZip =
      OpenZipArchive(bytes.data(), static_cast<int32_t>(bytes.size()), kZipSourceMemory, "");
  ASSERT_NE(GlobalManager::resourceZip, nullptr);

  for (int32_t index = 0; index < 3; ++index) {
    const auto& item = cases[index];
    SCOPED_TRACE(item.stored);
    ui::ZipEntry listed;
    ASSERT_EQ(GlobalManager::resourceZip->archive->GetEntry(index, &listed), ZipResult::Ok);
    EXPECT_EQ(listed.name, qbase::Utf8ToWide(item.stored));
    int32_t found = -1;
    EXPECT_EQ(FindZipEntry(listed.name, &found, nullptr), ZipResult::Ok);
    EXPECT_EQ(found, index);
    EXPECT_EQ(GlobalManager::GetZipEntryPath(item.resource_path) == listed.name, item.lookup_finds);
    EXPECT_EQ(GlobalManager::GetZipData(item.resource_path) != nullptr, item.lookup_finds);
  }
}

}  // namespace
