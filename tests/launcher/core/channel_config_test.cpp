#include "launcher/core/channel_config.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/embedded_skin.h"
#include "tests/support/scratch_dir.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/language_string_table.h"

namespace {

using ui::GlobalManager;
using ui::LanguageStringTable;

std::vector<std::string> LinkNames(const ChannelConfig& config) {
  std::vector<std::string> names;
  for (const JumpLink& link : config.jumpLinks) names.push_back(link.linkName);
  return names;
}

// The package the build embeds, opened the way the launcher opens it.
TEST(ChannelConfigTest, ShippedChannelFileForTaiwanChinese) {
  test_support::ScopedEmbeddedSkin skin;
  ASSERT_TRUE(skin.IsOpen());
  GlobalManager::SetResourcePath(L"resources\\themes\\default");
  LanguageStringTable* table = LanguageStringTable::GetInstance();
  const ui::ScopedGlobalMemory block = GlobalManager::GetZipData(L"resources\\lang\\zh_TW.ini");
  ASSERT_NE(block, nullptr);
  table->LoadFromMemory(block.get());

  ChannelConfig config;
  ASSERT_TRUE(LoadChannelConfig("zh_TW", &config));
  EXPECT_EQ(table->GetStringById(L"STRING_GAME_TITLE"), L"CORVANDEL \u53F0\u7063");
  EXPECT_EQ(config.titles.at("title_sub"), L"\u53F0\u6E2F\u6FB3\u7248");
  EXPECT_EQ(config.links.at("Privacy"), "https://tw.corvandel.example/zh-tw/privacy");
  EXPECT_EQ(config.links.at("Service"), "https://tw.corvandel.example/zh-tw/terms");
  EXPECT_EQ(LinkNames(config), (std::vector<std::string>{"Forum_Fanpage", "Forum_Chat",
                                                         "Forum_Video", "Forum_Board", "FAQ"}));
  EXPECT_EQ(config.links.at("FAQ"), "https://tw.corvandel.example/faq");
  EXPECT_EQ(config.jumpLinks.back().normalImage, "../menu/img_icon_faq_normal.png");
  EXPECT_EQ(config.jumpLinks.front().tooltip, "Fan page");
  table->Clear();
}

TEST(ChannelConfigTest, LanguageFallbacksAndShapes) {
  const std::string document = R"({
    // Comments and trailing commas are accepted.
    "OverwriteStrings": [
      {"key": "STRING_CONFIRM", "value": "Sure"},
      {"key": "STRING_CANCEL"},
      "not an object",
      {"key": "STRING_CANCEL", "value": "Back"},
    ],
    "Titles": {"en": {"title_main": "Main", "title_sub": "Sub"}, "de": "not an object"},
    "Privacy": "https://privacy.example/",
    "Forum": {"en": [
      {"name": "First", "url": "https://first.example/", "NormalImage": "n.png"},
      7,
      {"name": "Second", "NormalImage": "n2.png", "HotImage": "h2.png", "Tooltips": "Two"}
    ]},
    "FAQ": {"NormalImage": "f.png", "HotImage": "fh.png",
            "pl": {"url": "https://faq.example/pl"}, "en": {"url": "https://faq.example/en"}}
  })";
  LanguageStringTable table;
  table.ParseLines({L"STRING_CONFIRM = OK", L"STRING_CANCEL = Cancel"});
  ChannelConfig config;
  config.links["Stale"] = "replaced as a whole";
  ASSERT_TRUE(ApplyChannelConfig(document, "pl", &table, &config));

  EXPECT_EQ(table.GetStringById(L"STRING_CONFIRM"), L"Sure");
  EXPECT_EQ(table.GetStringById(L"STRING_CANCEL"), L"Back");
  EXPECT_EQ(config.titles.at("title_main"), L"Main");  // "pl" missing: "en"
  EXPECT_EQ(config.links.at("Privacy"), "https://privacy.example/");
  // No "Service" in the file: nothing is stored, nothing borrowed from "Privacy".
  EXPECT_EQ(config.links.count("Service"), 0u);
  EXPECT_EQ(config.links.count("Stale"), 0u);
  // The first entry lacks its hover image; the second lacks its url.
  EXPECT_EQ(LinkNames(config), (std::vector<std::string>{"Forum_Second", "FAQ"}));
  EXPECT_EQ(config.links.count("Forum_First"), 0u);
  EXPECT_EQ(config.links.at("Forum_Second"), "");
  EXPECT_EQ(config.links.at("FAQ"), "https://faq.example/pl");

  // A language part that is not an object gives no titles and no error.
  ChannelConfig german;
  ASSERT_TRUE(ApplyChannelConfig(document, "de", &table, &german));
  EXPECT_TRUE(german.titles.empty());
  EXPECT_EQ(german.links.at("FAQ"), "https://faq.example/en");
}

TEST(ChannelConfigTest, PrivacyPerLanguageAndAsPlainText) {
  const struct {
    const char* document;
    const char* language;
    const char* privacy;  // null: no link
  } cases[] = {
      {R"({"Privacy": {"en": "e", "zh_TW": "t"}})", "zh_TW", "t"},
      {R"({"Privacy": {"en": "e", "zh_TW": "t"}})", "ja", "e"},
      {R"({"Privacy": "plain"})", "ja", "plain"},
      {R"({"Privacy": {"ja": 5}})", "ja", nullptr},
      {R"({"Privacy": {"fr": "f"}})", "ja", nullptr},
      {R"({"Other": [{"Privacy": "inside an array"}]})", "ja", "inside an array"},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.document);
    LanguageStringTable table;
    ChannelConfig config;
    ASSERT_TRUE(ApplyChannelConfig(item.document, item.language, &table, &config));
    if (item.privacy) {
      EXPECT_EQ(config.links["Privacy"], item.privacy);
    } else {
      EXPECT_EQ(config.links.count("Privacy"), 0u);
    }
  }
}

TEST(ChannelConfigTest, GeneralFileStandsInForAMissingChannelFile) {
  test_support::ScratchDir dir;
  GlobalManager::SetResourcePath(dir.path());
  ChannelConfig config;
  config.links["Kept"] = "x";
  EXPECT_FALSE(LoadChannelConfig("en", &config));
  EXPECT_EQ(config.links.at("Kept"), "x");

  test_support::WriteFileBytes(dir.Child(L"common_config.json"), R"({"Privacy": "general"})");
  ASSERT_TRUE(LoadChannelConfig("en", &config));
  EXPECT_EQ(config.links.at("Privacy"), "general");

  test_support::WriteFileBytes(dir.Child(L"common_config_CHANNEL_TW.json"), R"({"Privacy": "tw"})");
  ASSERT_TRUE(LoadChannelConfig("en", &config));
  EXPECT_EQ(config.links.at("Privacy"), "tw");

  test_support::WriteFileBytes(dir.Child(L"common_config_CHANNEL_TW.json"), "not json {");
  EXPECT_FALSE(LoadChannelConfig("en", &config));
  EXPECT_EQ(config.links.at("Privacy"), "tw");
  GlobalManager::SetResourcePath(L"");
}

}  // namespace
