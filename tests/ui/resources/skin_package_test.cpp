// The skin package that the build packs from resources/ and embeds like the
// launcher does: it must open from memory, hold the 18 language files in one
// shape, and every name a layout of it uses must exist in it.
#include <windows.h>

#include <cwchar>
#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/string_util.h"
#include "tests/support/embedded_skin.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/language_string_table.h"
#include "ui/resources/zip_archive.h"

namespace {

using ui::GlobalManager;

const wchar_t* const kLanguages[] = {L"en",    L"zh_CN", L"ja", L"ko", L"zh_TW", L"vi",
                                     L"fr",    L"id",    L"it", L"es", L"tr",    L"th",
                                     L"pt_BR", L"ar",    L"ru", L"de", L"pl",    L"ms"};
constexpr char kBom[] = "\xEF\xBB\xBF";
const std::wstring kTheme = L"resources/themes/default/";

std::string ReadEntry(const std::wstring& name) {
  const ui::ScopedGlobalMemory block = GlobalManager::GetZipData(name);
  const ui::GlobalMemoryLock bytes(block.get());
  if (!bytes.data()) return std::string();
  return std::string(static_cast<const char*>(bytes.data()), bytes.size());
}

std::vector<std::wstring> EntryNames() {
  std::vector<std::wstring> names;
  ZipArchive* archive = GlobalManager::resourceZip->archive.get();
  ui::ZipEntry entry;
  if (archive->GetEntry(-1, &entry) != ZipResult::Ok) return names;
  const int32_t count = entry.index;
  for (int32_t i = 0; i < count; ++i) {
    if (archive->GetEntry(i, &entry) == ZipResult::Ok) names.push_back(entry.name);
  }
  return names;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// One element of a layout with its attributes in document order.
struct Element {
  std::wstring tag;
  std::vector<std::pair<std::wstring, std::wstring>> attributes;
};

std::wstring DecodeEntities(std::wstring text) {
  const std::pair<const wchar_t*, const wchar_t*> kEntities[] = {
      {L"&quot;", L"\""}, {L"&apos;", L"'"}, {L"&lt;", L"<"}, {L"&gt;", L">"}, {L"&amp;", L"&"}};
  for (const auto& [entity, plain] : kEntities) {
    for (size_t at = text.find(entity); at != std::wstring::npos; at = text.find(entity, at + 1)) {
      text.replace(at, wcslen(entity), plain);
    }
  }
  return text;
}

// The start tags of an XML text; enough of XML for the skin's own files.
std::vector<Element> ScanElements(const std::wstring& xml) {
  std::vector<Element> elements;
  size_t at = 0;
  while ((at = xml.find(L'<', at)) != std::wstring::npos) {
    ++at;
    if (at >= xml.size() || xml[at] == L'/' || xml[at] == L'?' || xml[at] == L'!') continue;
    Element element;
    while (at < xml.size() && !iswspace(xml[at]) && xml[at] != L'>' && xml[at] != L'/') {
      element.tag += xml[at++];
    }
    while (at < xml.size() && xml[at] != L'>') {
      if (iswspace(xml[at]) || xml[at] == L'/') {
        ++at;
        continue;
      }
      const size_t equals = xml.find(L'=', at);
      if (equals == std::wstring::npos || equals + 1 >= xml.size()) break;
      std::wstring name = xml.substr(at, equals - at);
      while (!name.empty() && iswspace(name.back())) name.pop_back();
      const size_t open = xml.find_first_of(L"\"'", equals);
      if (open == std::wstring::npos) break;
      const size_t close = xml.find(xml[open], open + 1);
      if (close == std::wstring::npos) break;
      element.attributes.emplace_back(name, DecodeEntities(xml.substr(open + 1, close - open - 1)));
      at = close + 1;
    }
    elements.push_back(element);
  }
  return elements;
}

// The file an image attribute names: the "file" of a descriptor, or the whole
// value when it is a bare name.
std::wstring ImageFile(const std::wstring& value) {
  const size_t file = value.find(L"file='");
  if (file != std::wstring::npos) {
    const size_t end = value.find(L'\'', file + 6);
    return value.substr(file + 6, end == std::wstring::npos ? std::wstring::npos : end - file - 6);
  }
  return value.find(L'=') == std::wstring::npos ? value : std::wstring();
}

// What "global.xml" defines and what the language file knows.
struct Names {
  std::set<std::wstring> fonts;
  std::set<std::wstring> colors;
  std::set<std::wstring> classes;
  std::set<std::wstring> textIds;
  std::set<std::wstring> entries;
};

// Checks the names one element uses; `folder` is the window folder its
// relative image paths start from.
void CheckElement(const Names& names, const Element& element, const std::wstring& folder,
                  const std::wstring& where) {
  for (const auto& [name, value] : element.attributes) {
    SCOPED_TRACE(testing::Message() << qbase::WideToUtf8(where + L" " + element.tag + L" " + name));
    if (name == L"font") {
      EXPECT_EQ(names.fonts.count(value), 1u) << qbase::WideToUtf8(value);
    } else if (name == L"class" && element.tag != L"Class") {
      for (const std::wstring& one : qbase::SplitWide(value, L" ")) {
        EXPECT_EQ(names.classes.count(one), 1u) << qbase::WideToUtf8(one);
      }
    } else if (EndsWith(name, L"color") && !value.empty() && value[0] != L'#') {
      EXPECT_EQ(names.colors.count(value), 1u) << qbase::WideToUtf8(value);
    } else if (name == L"textid" || name == L"tooltiptextid") {
      EXPECT_EQ(names.textIds.count(value), 1u) << qbase::WideToUtf8(value);
    } else if (EndsWith(name, L"image")) {
      const std::wstring file = ImageFile(value);
      if (file.empty()) continue;
      const std::wstring entry = GlobalManager::GetZipEntryPath(folder + file);
      EXPECT_EQ(names.entries.count(entry), 1u) << qbase::WideToUtf8(entry);
    }
  }
}

class SkinPackageTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(skin_.IsOpen()); }

  std::map<std::wstring, std::wstring> LoadLanguage(const std::wstring& code) {
    const std::string bytes = ReadEntry(L"resources\\lang\\" + code + L".ini");
    EXPECT_FALSE(bytes.empty()) << qbase::WideToUtf8(code);
    return ui::ParseLanguageLines(ui::SplitLanguageText(bytes));
  }

  test_support::ScopedEmbeddedSkin skin_;
};

TEST_F(SkinPackageTest, HoldsTheFilesTheLauncherReads) {
  std::vector<std::wstring> names = {L"resources/themes/default/global.xml",
                                     L"resources/themes/default/common_config_CHANNEL_TW.json",
                                     L"resources/themes/default/common_config.json"};
  for (const wchar_t* code : kLanguages)
    names.push_back(L"resources/lang/" + std::wstring(code) + L".ini");
  for (const std::wstring& name : names) {
    EXPECT_EQ(FindZipEntry(name, nullptr, nullptr), ZipResult::Ok) << qbase::WideToUtf8(name);
  }
}

TEST_F(SkinPackageTest, LanguagesDefineTheSameKeysWithTheSamePlaceholders) {
  const auto english = LoadLanguage(L"en");
  EXPECT_EQ(english.size(), 111u);
  for (const wchar_t* code : kLanguages) {
    SCOPED_TRACE(qbase::WideToUtf8(code));
    const auto other = LoadLanguage(code);
    ASSERT_EQ(other.size(), english.size());
    for (const auto& entry : english) {
      SCOPED_TRACE(qbase::WideToUtf8(entry.first));
      auto found = other.find(entry.first);
      ASSERT_NE(found, other.end());
      std::vector<std::wstring> english_directives;
      std::vector<std::wstring> other_directives;
      ASSERT_TRUE(ui::ExtractFormatDirectives(entry.second, &english_directives));
      ASSERT_TRUE(ui::ExtractFormatDirectives(found->second, &other_directives));
      EXPECT_EQ(english_directives, other_directives);
      for (const wchar_t* placeholder : {L"{p1}", L"{p2}"}) {
        EXPECT_EQ(entry.second.find(placeholder) == std::wstring::npos,
                  found->second.find(placeholder) == std::wstring::npos);
      }
    }
    // Every file names the languages alike, in their own words.
    EXPECT_EQ(other.at(L"STRING_LANG_TAIWAN"), L"\u7E41\u9AD4\u4E2D\u6587");
    EXPECT_EQ(other.at(L"STRING_LANG_THAI"), L"\u0E44\u0E17\u0E22");
  }
  EXPECT_EQ(english.at(L"STRING_DOWNLOAD_ASSET"), L"Downloading game resources: %ls");
  EXPECT_EQ(english.at(L"STRING_VERSION_LABEL"), L"Current version: %s");
}

TEST_F(SkinPackageTest, TitlesBesideValueLabelsArePlainTexts) {
  // These stand beside a label that shows the value, so a "%ls" in them
  // would be shown as it stands.
  for (const wchar_t* code : kLanguages) {
    const auto texts = LoadLanguage(code);
    for (const wchar_t* key :
         {L"STRING_PREDLC_WND_SIZE", L"STRING_PREDLC_WND_SPACE", L"STRING_PREDLC_TIP_SIZE",
          L"STRING_PREDLC_TIP_TIME", L"STRING_PREDLC_TIP_SPEED"}) {
      const auto found = texts.find(key);
      ASSERT_NE(found, texts.end()) << qbase::WideToUtf8(code) << " " << qbase::WideToUtf8(key);
      EXPECT_EQ(found->second.find(L'%'), std::wstring::npos)
          << qbase::WideToUtf8(code) << " " << qbase::WideToUtf8(key);
    }
  }
}

TEST_F(SkinPackageTest, LanguageFilesFollowTheEnglishFileLineByLine) {
  // The shape of a file: its keys in order, its comment lines and its empty
  // lines where the English file has them.
  const auto shape = [](const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= bytes.size()) {
      size_t end = bytes.find('\n', start);
      if (end == std::string::npos) end = bytes.size();
      const std::string line = bytes.substr(start, end - start);
      if (line.empty() || line[0] == ';') {
        lines.push_back(line.empty() ? "" : ";");
      } else {
        const size_t equals = line.find(" = ");
        lines.push_back(equals == std::string::npos ? "bad: " + line : line.substr(0, equals));
      }
      start = end + 1;
    }
    return lines;
  };
  const std::vector<std::string> english = shape(ReadEntry(L"resources/lang/en.ini"));
  for (const wchar_t* code : kLanguages) {
    SCOPED_TRACE(qbase::WideToUtf8(code));
    std::string bytes = ReadEntry(L"resources/lang/" + std::wstring(code) + L".ini");
    EXPECT_EQ(bytes.find('\r'), std::string::npos);
    const bool bom = bytes.compare(0, 3, kBom) == 0;
    EXPECT_EQ(bom, std::wstring(code) == L"zh_CN");
    if (bom) {
      bytes.erase(0, 3);
      EXPECT_EQ(bytes[0], ';');
    }
    EXPECT_EQ(shape(bytes), english);
  }
}

TEST_F(SkinPackageTest, EveryNameALayoutUsesExists) {
  Names names;
  for (const std::wstring& entry : EntryNames()) names.entries.insert(entry);
  for (const auto& entry : LoadLanguage(L"en")) names.textIds.insert(entry.first);
  const std::vector<Element> global =
      ScanElements(qbase::Utf8ToWide(ReadEntry(kTheme + L"global.xml")));
  ASSERT_FALSE(global.empty());
  for (const Element& element : global) {
    for (const auto& [name, value] : element.attributes) {
      if (element.tag == L"Font" && name == L"id") names.fonts.insert(value);
      if (element.tag == L"TextColor" && name == L"name") names.colors.insert(value);
      if (element.tag == L"Class" && name == L"name") names.classes.insert(value);
    }
  }
  // The names the windows' code applies or looks up itself.
  for (const wchar_t* font : {L"system_bold_30", L"system_12", L"system_button_12"}) {
    EXPECT_EQ(names.fonts.count(font), 1u) << qbase::WideToUtf8(font);
  }
  for (const wchar_t* color :
       {L"textdefaultcolor", L"textdefaultdisablecolor", L"gray81", L"graya2", L"red"}) {
    EXPECT_EQ(names.colors.count(color), 1u) << qbase::WideToUtf8(color);
  }
  for (const wchar_t* name :
       {L"btn_radio", L"btn_pause", L"btn_continue", L"progress_white", L"btn_download_predlc",
        L"btn_continue_predlc", L"btn_pause_predlc", L"check_box", L"vscrollbar", L"hscrollbar"}) {
    EXPECT_EQ(names.classes.count(name), 1u) << qbase::WideToUtf8(name);
  }
  EXPECT_EQ(names.entries.count(kTheme + L"public/bk_shadow.png"), 1u);

  // Classes are used from windows one folder below the theme.
  for (const Element& element : global) {
    CheckElement(names, element, kTheme + L"main/", L"global.xml");
  }
  std::vector<std::pair<std::wstring, std::vector<Element>>> layouts;
  for (const std::wstring& entry : names.entries) {
    if (entry.compare(0, kTheme.size(), kTheme) != 0 || !EndsWith(entry, L".xml") ||
        entry == kTheme + L"global.xml") {
      continue;
    }
    layouts.emplace_back(entry, ScanElements(qbase::Utf8ToWide(ReadEntry(entry))));
    // Window-local classes count for the layouts too.
    for (const Element& element : layouts.back().second) {
      for (const auto& [name, value] : element.attributes) {
        if (element.tag == L"Class" && name == L"name") names.classes.insert(value);
      }
    }
  }
  for (const auto& [entry, elements] : layouts) {
    // A layout's images start from its window's folder: the first folder
    // below the theme.
    const std::wstring relative = entry.substr(kTheme.size());
    const std::wstring folder = kTheme + relative.substr(0, relative.find(L'/') + 1);
    for (const Element& element : elements) CheckElement(names, element, folder, relative);
  }

  // The channel files' link images are used from the main window.
  for (const wchar_t* channel : {L"common_config.json", L"common_config_CHANNEL_TW.json"}) {
    const std::wstring text = qbase::Utf8ToWide(ReadEntry(kTheme + channel));
    int images = 0;
    for (const wchar_t* key : {L"\"NormalImage\"", L"\"HotImage\""}) {
      for (size_t at = text.find(key); at != std::wstring::npos; at = text.find(key, at + 1)) {
        const size_t open = text.find(L'"', text.find(L':', at) + 1);
        const size_t close = text.find(L'"', open + 1);
        const std::wstring entry = GlobalManager::GetZipEntryPath(
            kTheme + L"main/" + text.substr(open + 1, close - open - 1));
        EXPECT_EQ(names.entries.count(entry), 1u) << qbase::WideToUtf8(entry);
        ++images;
      }
    }
    EXPECT_GT(images, 0) << qbase::WideToUtf8(channel);
  }
}

}  // namespace
