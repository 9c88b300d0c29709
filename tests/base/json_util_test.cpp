#include "base/json_util.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/string_util.h"
#include "tests/support/scratch_dir.h"

namespace {

using test_support::ReadFileBytes;
using test_support::ScratchDir;
using test_support::WriteFileBytes;

Json::Value Parse(const std::string& text) {
  Json::Value value;
  std::string error;
  EXPECT_TRUE(ParseJson(text, &value, &error)) << text << ": " << error;
  return value;
}

TEST(JsonUtilTest, ParseJsonAcceptsWhatTheDefaultReaderAccepts) {
  struct Case {
    std::string text;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {R"({"a": "1"})", "a", "1"},
      {"// comment\n{\"a\": /* inline */ \"1\"}", "a", "1"},
      {R"({"a": ["x", "y",], "b": "2",})", "b", "2"},  // trailing commas
      {"\xEF\xBB\xBF{\"a\": \"1\"}", "a", "1"},        // byte-order signature
      {R"({"a": "1"} trailing text)", "a", "1"},
      {R"({"a": "old", "a": "new"})", "a", "new"},
      {"{\"\xE9\x81\x8A\": \"\\u6232\"}", "\xE9\x81\x8A", "\xE6\x88\xB2"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Parse(c.text)[c.key].asString(), c.value) << c.text;
  }
}

TEST(JsonUtilTest, ParseJsonRefusesBadTextAndKeepsTheValue) {
  const std::string bad_texts[] = {
      "{'a': 1}",
      "{1: 2}",
      "{\"a\": NaN}",
      "{\"a\": ",
      "[1, 2",
      std::string(1001, '[') + std::string(1001, ']'),      // deeper than the reader allows
      std::string(100000, '[') + std::string(100000, ']'),  // no stack overflow either
  };
  for (const std::string& text : bad_texts) {
    Json::Value value = "kept";
    std::string error;
    EXPECT_FALSE(ParseJson(text, &value, &error)) << text.substr(0, 20);
    EXPECT_FALSE(error.empty()) << text.substr(0, 20);
    EXPECT_EQ(value, Json::Value("kept"));
  }
  Json::Value value = "kept";
  std::string error = "kept";
  EXPECT_FALSE(ParseJson("", &value, &error));
  EXPECT_EQ(value, Json::Value("kept"));
  EXPECT_EQ(error, "kept");
}

TEST(JsonUtilTest, FindJsonMemberDeepSearchesArraysInNameOrder) {
  struct Case {
    const char* document;
    const char* key;
    bool found;
    Json::Value value;
  };
  const Case cases[] = {
      // A null member counts as absent; the match inside the array wins.
      {R"({"version": null, "list": [{"version": "2"}]})", "version", true, "2"},
      // "a" sorts before "key": its array is searched before the own member.
      {R"({"key": "own", "a": [{"key": "inner"}]})", "key", true, "inner"},
      {R"({"key": "own", "z": [{"key": "inner"}]})", "key", true, "own"},
      // Objects held directly by a member are not entered.
      {R"({"outer": {"key": "hidden"}})", "key", false, Json::Value()},
      {R"({"list": [1, "key", [{"key": "nested array"}], {"key": "object"}]})", "key", true,
       "object"},
      {R"({"key": false})", "key", true, false},
      {R"({"Key": "case"})", "key", false, Json::Value()},
      {R"(["key"])", "key", false, Json::Value()},
  };
  for (const Case& c : cases) {
    Json::Value out = "untouched";
    EXPECT_EQ(FindJsonMemberDeep(Parse(c.document), c.key, &out), c.found) << c.document;
    EXPECT_EQ(out, c.found ? c.value : Json::Value("untouched")) << c.document;
  }
}

TEST(JsonUtilTest, FindJsonMemberDeepMayWriteIntoTheSearchedValue) {
  Json::Value walk = Parse(R"({"Titles": {"zh_TW": "text"}, "other": 1})");
  ASSERT_TRUE(FindJsonMemberDeep(walk, "Titles", &walk));
  ASSERT_TRUE(FindJsonMemberDeep(walk, "zh_TW", &walk));
  EXPECT_EQ(walk, Json::Value("text"));
}

TEST(JsonUtilTest, GetStringListTakesScalarsAndSkipsArraysAndObjects) {
  struct Case {
    const char* document;
    bool found;
    std::vector<std::string> strings;
  };
  const Case cases[] = {
      {R"({"DlcAddr": "https://one/"})", true, {"https://one/"}},
      {R"({"DlcAddr": ["https://one/", "https://two/"]})", true, {"https://one/", "https://two/"}},
      {R"({"DlcAddr": [1, true, null, 2.5]})", true, {"1", "true", "", "2.5"}},
      {R"({"DlcAddr": ["https://one/", ["nested"], {"o": 1}, "https://two/"]})",
       true,
       {"https://one/", "https://two/"}},
      {R"({"DlcAddr": []})", false, {}},
      {R"({"DlcAddr": [[], {}]})", false, {}},
      {R"({"DlcAddr": {"host": "x"}})", false, {}},
      {R"({"Other": "x"})", false, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> strings = {"stale"};
    EXPECT_EQ(GetStringList(Parse(c.document), "DlcAddr", &strings), c.found) << c.document;
    EXPECT_EQ(strings, c.strings) << c.document;
  }
}

TEST(JsonUtilTest, WrittenTextIsTabIndentedSortedAndAsciiOnly) {
  Json::Value value;
  value["b"] = 1;
  value["a"] = "\xE9\x81\x8A";
  value["c"].append(true);
  EXPECT_EQ(WriteJsonText(value),
            "{\n\t\"a\" : \"\\u904a\",\n\t\"b\" : 1,\n\t\"c\" : \n\t[\n\t\ttrue\n\t]\n}");
}

TEST(JsonUtilTest, WriteJsonFileThroughACjkPath) {
  ScratchDir dir;
  const std::wstring path = dir.Child(L"\u8a2d\u5b9a.json");
  Json::Value value;
  value["gamePath"] = "D:\\\xE9\x81\x8A\xE6\x88\xB2";
  ASSERT_TRUE(WriteJsonFileA(qbase::WideToUtf8(path), value));
  EXPECT_EQ(Parse(ReadFileBytes(path)), value);
  EXPECT_FALSE(WriteJsonFileA(dir.ChildUtf8(L"missing\\file.json"), value));
}

TEST(JsonUtilTest, StringListFilesRoundTrip) {
  ScratchDir dir;
  const std::string path = dir.ChildUtf8(L"\u5b57\u578b_update.txt");
  const std::vector<std::string> written = {"cef\\libcef.dll", "fonts\\\xE9\x81\x8A.ttf", ""};
  WriteStringListFile(path, written);
  std::vector<std::string> read = {"kept"};
  ASSERT_TRUE(ReadStringListFile(path, &read));
  std::vector<std::string> expected = {"kept"};
  expected.insert(expected.end(), written.begin(), written.end());
  EXPECT_EQ(read, expected);
}

TEST(JsonUtilTest, StringListFilesRefuseAnythingButAnArray) {
  ScratchDir dir;
  const std::wstring path = dir.Child(L"list.txt");
  const std::string narrow = qbase::WideToUtf8(path);

  WriteStringListFile(narrow, {});
  EXPECT_EQ(ReadFileBytes(path), "null");
  std::vector<std::string> read = {"kept"};
  EXPECT_FALSE(ReadStringListFile(narrow, &read));

  for (const char* text : {"{\"a\": \"b\"}", "\"text\"", "[\"a\",", "", "\xff\xfe"}) {
    WriteFileBytes(path, text);
    EXPECT_FALSE(ReadStringListFile(narrow, &read)) << text;
  }
  EXPECT_FALSE(ReadStringListFile(dir.ChildUtf8(L"missing.txt"), &read));
  EXPECT_EQ(read, std::vector<std::string>{"kept"});

  // Elements without a text form are skipped; the rest is kept.
  WriteFileBytes(path, R"(["a", ["b"], {"c": 1}, 7])");
  EXPECT_TRUE(ReadStringListFile(narrow, &read));
  EXPECT_EQ(read, (std::vector<std::string>{"kept", "a", "7"}));
}

}  // namespace
