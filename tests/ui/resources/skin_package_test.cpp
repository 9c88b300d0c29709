// The skin package that the build packs from resources/ and embeds like the
// launcher does: it must open from memory and hold consistent language files.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/embedded_skin.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/language_string_table.h"
#include "ui/resources/zip_archive.h"

namespace {

using ui::GlobalManager;

class SkinPackageTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(skin_.IsOpen()); }

  std::map<std::wstring, std::wstring> LoadLanguage(const std::wstring& code) {
    const ui::ScopedGlobalMemory block =
        GlobalManager::GetZipData(L"resources\\lang\\" + code + L".ini");
    EXPECT_NE(block, nullptr) << code;
    const ui::GlobalMemoryLock bytes(block.get());
    if (!bytes.data()) return {};
    return ui::ParseLanguageLines(
        ui::SplitLanguageText(std::string(static_cast<const char*>(bytes.data()), bytes.size())));
  }

  test_support::ScopedEmbeddedSkin skin_;
};

TEST_F(SkinPackageTest, HoldsTheFilesTheLauncherReads) {
  for (const wchar_t* name : {L"resources/lang/en.ini", L"resources/lang/zh_TW.ini",
                              L"resources/themes/default/global.xml",
                              L"resources/themes/default/common_config_CHANNEL_TW.json",
                              L"resources/themes/default/common_config.json"}) {
    EXPECT_EQ(FindZipEntry(name, nullptr, nullptr), ZipResult::Ok) << name;
  }
}

TEST_F(SkinPackageTest, LanguagesDefineTheSameKeysWithTheSamePlaceholders) {
  const auto english = LoadLanguage(L"en");
  const auto chinese = LoadLanguage(L"zh_TW");
  EXPECT_EQ(english.size(), 111u);
  ASSERT_EQ(chinese.size(), english.size());
  for (const auto& entry : english) {
    SCOPED_TRACE(testing::Message() << std::string(entry.first.begin(), entry.first.end()));
    auto other = chinese.find(entry.first);
    ASSERT_NE(other, chinese.end());
    std::vector<std::wstring> english_directives;
    std::vector<std::wstring> chinese_directives;
    ASSERT_TRUE(ui::ExtractFormatDirectives(entry.second, &english_directives));
    ASSERT_TRUE(ui::ExtractFormatDirectives(other->second, &chinese_directives));
    EXPECT_EQ(english_directives, chinese_directives);
    for (const wchar_t* placeholder : {L"{p1}", L"{p2}"}) {
      EXPECT_EQ(entry.second.find(placeholder) == std::wstring::npos,
                other->second.find(placeholder) == std::wstring::npos);
    }
  }
  EXPECT_EQ(english.at(L"STRING_DOWNLOAD_ASSET"), L"Downloading game resources: %ls");
  EXPECT_EQ(chinese.at(L"STRING_LANG_TAIWAN"), L"\u7E41\u9AD4\u4E2D\u6587");
}

}  // namespace
