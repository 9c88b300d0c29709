#include "launcher/core/launcher_settings.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <json/json.h>

namespace {

// Every member of the record, for comparisons.
bool SameSavedMembers(const LauncherSettings& a, const LauncherSettings& b) {
  return a.languageType == b.languageType && a.gamePath == b.gamePath &&
         a.closeToHide == b.closeToHide && a.autoUpdate == b.autoUpdate &&
         a.downloadLimit == b.downloadLimit && a.downloadSpeed == b.downloadSpeed &&
         a.predlcLimit == b.predlcLimit && a.predlcSpeed == b.predlcSpeed &&
         a.automaticStart == b.automaticStart;
}

struct ParseCase {
  const char* name;
  const char* text;
  bool ok;
  void (*expect)(LauncherSettings*);  // turns the defaults into the expected record
};

TEST(LauncherSettingsTest, ParseIsTypeStrict) {
  const ParseCase cases[] = {
      {"every member",
       R"({"languageType": 3, "gamePath": "D:\\Games\\\u904a\u6232", "closeToHide": true,
           "downloadLimit": true, "downloadSpeed": 100, "predlcLimit": true,
           "predlcSpeed": 10240, "automaticStart": true, "autoUpdate": false})",
       true,
       [](LauncherSettings* s) {
         s->languageType = 3;
         s->gamePath = L"D:\\Games\\\u904a\u6232";
         s->closeToHide = true;
         s->downloadLimit = true;
         s->downloadSpeed = 100;
         s->predlcLimit = true;
         s->predlcSpeed = 10240;
         s->automaticStart = true;
         s->autoUpdate = false;
       }},
      {"speed as text is kept", R"({"downloadSpeed": "2048"})", true, [](LauncherSettings*) {}},
      {"integral real counts", R"({"downloadSpeed": 2048.0})", true,
       [](LauncherSettings* s) { s->downloadSpeed = 2048; }},
      {"fractional real is kept", R"({"predlcSpeed": 2048.5})", true, [](LauncherSettings*) {}},
      {"beyond 32 bits is kept", R"({"languageType": 4294967296})", true, [](LauncherSettings*) {}},
      {"number is no flag", R"({"closeToHide": 1})", true, [](LauncherSettings*) {}},
      {"text is no flag", R"({"autoUpdate": "false"})", true, [](LauncherSettings*) {}},
      {"number is no path", R"({"gamePath": 5})", true, [](LauncherSettings*) {}},
      {"null keeps", R"({"gamePath": null, "languageType": null})", true, [](LauncherSettings*) {}},
      {"unknown keys ignored", R"({"language": "ja", "other": []})", true,
       [](LauncherSettings*) {}},
      {"negative integer taken", R"({"languageType": -1})", true,
       [](LauncherSettings* s) { s->languageType = -1; }},
      {"not JSON", R"({"languageType": )", false, [](LauncherSettings*) {}},
      {"empty file", "", false, [](LauncherSettings*) {}},
      {"root is an array", "[1]", false, [](LauncherSettings*) {}},
  };
  for (const ParseCase& test : cases) {
    LauncherSettings parsed;
    LauncherSettings expected;
    test.expect(&expected);
    EXPECT_EQ(ParseLauncherSettings(test.text, &parsed), test.ok) << test.name;
    EXPECT_TRUE(SameSavedMembers(parsed, expected)) << test.name;
    EXPECT_EQ(parsed.language, "en") << test.name;  // never read from the file
  }
}

TEST(LauncherSettingsTest, WriteThenParseRoundTripsACjkPath) {
  LauncherSettings written;
  written.languageType = 4;
  written.gamePath = L"C:\\\u904a\u6232 \U0001F3AE\\TOVA";
  written.closeToHide = true;
  written.downloadSpeed = 100;
  written.predlcLimit = true;
  written.autoUpdate = false;
  written.language = "zh_TW";
  const std::string text = WriteLauncherSettings(written);

  // Tabs for indentation, members in byte order, non-ASCII as \u escapes.
  EXPECT_EQ(text.find("{\n\t\"autoUpdate\""), 0u) << text;
  EXPECT_NE(text.find("\\u904a\\u6232 \\ud83c\\udfae"), std::string::npos) << text;
  EXPECT_EQ(text.find('\xE9'), std::string::npos) << text;
  EXPECT_EQ(text.find("language\""), std::string::npos) << text;

  Json::Value root;
  Json::CharReaderBuilder builder;
  std::string error;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  ASSERT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, &error));
  EXPECT_EQ(root.size(), 9u);
  EXPECT_TRUE(root["downloadSpeed"].isInt());
  EXPECT_TRUE(root["closeToHide"].isBool());

  LauncherSettings read;
  ASSERT_TRUE(ParseLauncherSettings(text, &read));
  EXPECT_TRUE(SameSavedMembers(read, written));
}

}  // namespace
