#include "ui/resources/language_string_table.h"

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"
#include "ui/resources/global_memory.h"

namespace {

using ui::LanguageStringTable;

void LoadBytes(LanguageStringTable* table, const std::string& bytes) {
  const ui::ScopedGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size() + 1));
  {
    const ui::GlobalMemoryLock data(block.get());
    ASSERT_NE(data.data(), nullptr);
    memcpy(data.data(), bytes.data(), bytes.size());
  }
  EXPECT_TRUE(table->LoadFromMemory(block.get()));
}

TEST(LanguageStringTableTest, ParserTable) {
  const struct {
    const wchar_t* line;
    const wchar_t* key;  // null: the line is dropped
    const wchar_t* text;
  } cases[] = {
      {L"STRING_A = Text", L"STRING_A", L"Text"},
      {L"STRING_A=Text", L"STRING_A", L"Text"},
      {L"STRING_A == Text", L"STRING_A", L"Text"},
      {L"STRING_A = Text =", L"STRING_A", L"Text"},
      {L"STRING_A = a = b", nullptr, nullptr},
      {L"; comment = with equals", nullptr, nullptr},
      {L"STRING;A = Text", nullptr, nullptr},
      {L"STRING_A = Text; more", L"STRING_A", L"Text; more"},
      {L"STRING_A\t=\tText", L"STRING_A", L"Text"},
      {L"STRING_A\u00A0= Text", L"STRING_A\u00A0", L"Text"},
      {L"STRING_A =", nullptr, nullptr},
      {L"no separator", nullptr, nullptr},
      {L"\uFEFFSTRING_A = Text", L"\uFEFFSTRING_A", L"Text"},
      {L"= \t= Text", L"", L"Text"},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<const void*>(item.line));
    const std::vector<std::wstring> lines = {ui::TrimLanguageBlanks(item.line)};
    const auto strings = ui::ParseLanguageLines(lines);
    if (!item.key) {
      EXPECT_TRUE(strings.empty());
      continue;
    }
    ASSERT_EQ(strings.size(), 1u);
    EXPECT_EQ(strings.begin()->first, item.key);
    EXPECT_EQ(strings.begin()->second, item.text);
  }
  // A later line of the same key replaces the earlier one.
  const auto strings = ui::ParseLanguageLines({L"K = one", L"K = two"});
  EXPECT_EQ(strings.at(L"K"), L"two");
}

TEST(LanguageStringTableTest, MemoryLoadCutsLinesAndKeepsTheBomInTheFirstLine) {
  const char file[] =
      "\xEF\xBB\xBFSTRING_FIRST = first\r\n"
      "; group\n"
      "\n"
      "STRING_CRLF = crlf\r\n"
      "STRING_ZERO = zero\0STRING_AFTER_ZERO = after\n"
      "STRING_TW = \xE7\xB9\x81\xE9\xAB\x94\xE4\xB8\xAD\xE6\x96\x87";
  LanguageStringTable table;
  LoadBytes(&table, std::string(file, sizeof(file) - 1));
  EXPECT_EQ(table.GetStringById(L"STRING_FIRST"), L"");
  EXPECT_EQ(table.GetStringById(L"\uFEFFSTRING_FIRST"), L"first");
  EXPECT_EQ(table.GetStringById(L"STRING_CRLF"), L"crlf");
  EXPECT_EQ(table.GetStringById(L"STRING_ZERO"), L"zero");
  EXPECT_EQ(table.GetStringById(L"STRING_AFTER_ZERO"), L"after");
  EXPECT_EQ(table.GetStringById(L"STRING_TW"), L"\u7E41\u9AD4\u4E2D\u6587");
  EXPECT_EQ(table.GetStringById(L"STRING_MISSING"), L"");
  EXPECT_EQ(table.GetStringById(L""), L"");
}

TEST(LanguageStringTableTest, FileLoadReadsTextModeAndSplitsLongLines) {
  test_support::ScratchDir dir;
  const std::wstring path = dir.Child(L"en.ini");
  const std::string long_value(5000, 'v');
  test_support::WriteFileBytes(
      path, "STRING_CONFIRM = OK\r\nSTRING_LONG = " + long_value + "\r\nSTRING_LAST = last\r\n");
  LanguageStringTable table;
  ASSERT_TRUE(table.LoadFromFile(path));
  EXPECT_EQ(table.GetStringById(L"STRING_CONFIRM"), L"OK");
  EXPECT_EQ(table.GetStringById(L"STRING_LAST"), L"last");
  // The line arrives in 4095-byte pieces; the first holds the key.
  EXPECT_EQ(table.GetStringById(L"STRING_LONG"), std::wstring(4095 - 14, L'v'));

  EXPECT_FALSE(table.LoadFromFile(dir.Child(L"missing.ini")));
  EXPECT_EQ(table.GetStringById(L"STRING_CONFIRM"), L"");
}

TEST(LanguageStringTableTest, OverridesReplaceOnlyKeysOfTheFileAndGoWithTheNextLoad) {
  LanguageStringTable table;
  LoadBytes(&table, "STRING_GAME_TITLE = CORVANDEL\nSTRING_CONFIRM = OK\n");
  table.SetOverride(L"STRING_GAME_TITLE", L"Corvandel TW");
  table.SetOverride(L"STRING_ONLY_OVERRIDE", L"never shown");
  EXPECT_EQ(table.GetStringById(L"STRING_GAME_TITLE"), L"Corvandel TW");
  EXPECT_EQ(table.GetStringById(L"STRING_ONLY_OVERRIDE"), L"");
  EXPECT_EQ(table.GetStringByIdUtf8("STRING_GAME_TITLE"), "Corvandel TW");
  LoadBytes(&table, "STRING_GAME_TITLE = CORVANDEL\n");
  EXPECT_EQ(table.GetStringById(L"STRING_GAME_TITLE"), L"CORVANDEL");
}

TEST(LanguageStringTableTest, EscapesBecomeLineBreaks) {
  LanguageStringTable table;
  LoadBytes(&table,
            "STRING_TWO_LINES = first\\nsecond\\r\\nthird\n"
            "STRING_TW = \xE7\xAC\xAC\xE4\xB8\x80\\n\xE7\xAC\xAC\xE4\xBA\x8C\n");
  EXPECT_EQ(table.GetStringById(L"STRING_TWO_LINES"), L"first\nsecond\r\nthird");
  EXPECT_EQ(table.GetStringByIdUtf8("STRING_TWO_LINES"), "first\nsecond\r\nthird");
  EXPECT_EQ(table.GetStringByIdUtf8("STRING_TW"),
            "\xE7\xAC\xAC\xE4\xB8\x80\n\xE7\xAC\xAC\xE4\xBA\x8C");
  EXPECT_EQ(table.GetStringByIdUtf8("STRING_MISSING"), "");
}

TEST(LanguageStringTableTest, FormatDirectivesTable) {
  const struct {
    const wchar_t* text;
    bool valid;
    std::vector<std::wstring> directives;
  } cases[] = {
      {L"Downloading game resources: %ls", true, {L"%ls"}},
      {L"100%% done", true, {}},
      {L"Current version: %s", true, {L"%s"}},
      {L"%d of %ls", true, {L"%d", L"%ls"}},
      {L"%-8.3lf", true, {L"%-8.3lf"}},
      {L"%I64d", true, {L"%I64d"}},
      {L"{p1} and {p2}", true, {}},
      {L"broken %", false, {}},
      {L"broken %y", false, {}},
      {L"%n", true, {L"%n"}},
  };
  for (const auto& item : cases) {
    std::vector<std::wstring> directives;
    EXPECT_EQ(ui::ExtractFormatDirectives(item.text, &directives), item.valid) << item.text;
    if (item.valid) {
      EXPECT_EQ(directives, item.directives) << item.text;
    }
  }
}

TEST(LanguageStringTableTest, FormatTextWithWrongDirectivesCountsAsMissing) {
  LanguageStringTable table;
  LoadBytes(&table,
            "STRING_DOWNLOAD_ASSET = Downloading game resources: %ls\n"
            "STRING_DOWNLOAD_TIME = Time remaining: %s %n\n"
            "STRING_VERSION_LABEL = Current version: %s\n");
  const std::vector<std::wstring> wide = {L"%ls"};
  EXPECT_EQ(table.GetFormatById(L"STRING_DOWNLOAD_ASSET", wide),
            L"Downloading game resources: %ls");
  EXPECT_EQ(table.GetFormatById(L"STRING_DOWNLOAD_TIME", wide), L"");
  EXPECT_EQ(table.GetFormatById(L"STRING_VERSION_LABEL", wide), L"");
  EXPECT_EQ(table.GetFormatById(L"STRING_VERSION_LABEL", {L"%s"}), L"Current version: %s");
  EXPECT_EQ(table.GetFormatById(L"STRING_MISSING", wide), L"");

  // A broken override gives way to the file's text; a good one wins.
  table.SetOverride(L"STRING_DOWNLOAD_ASSET", L"Resources %d%%");
  EXPECT_EQ(table.GetFormatById(L"STRING_DOWNLOAD_ASSET", wide),
            L"Downloading game resources: %ls");
  table.SetOverride(L"STRING_DOWNLOAD_ASSET", L"Resources: %ls");
  EXPECT_EQ(table.GetFormatById(L"STRING_DOWNLOAD_ASSET", wide), L"Resources: %ls");
}

TEST(LanguageStringTableTest, ReloadsWhileAnotherThreadReadsSeeWholeTables) {
  LanguageStringTable table;
  LoadBytes(&table, "STRING_CONFIRM = one\nSTRING_CANCEL = one\n");
  std::atomic<bool> stop(false);
  std::atomic<int> torn(0);
  std::atomic<int> reads(0);
  std::thread reader([&] {
    while (!stop) {
      const std::wstring text = table.GetStringById(L"STRING_CONFIRM");
      if (text != L"one" && text != L"two") ++torn;
      ++reads;
    }
  });
  for (int i = 0; i < 2000 || reads < 1000; ++i) {
    LoadBytes(&table, i % 2 ? "STRING_CONFIRM = one\n" : "STRING_CONFIRM = two\n");
    table.SetOverride(L"STRING_CANCEL", L"override");
  }
  stop = true;
  reader.join();
  EXPECT_EQ(torn, 0);
}

}  // namespace
