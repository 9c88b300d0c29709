// The runtime's string, list, map and multimap functions as the browser
// library calls them across the interface.
#include <string>

#include <gtest/gtest.h>

#include "browser/runtime/cef_capi.h"

namespace {

// A runtime string the test owns; cleared with the runtime's own function.
struct OwnedString {
  cef_string_t value = {};
  ~OwnedString() { cef_string_utf16_clear(&value); }
  std::wstring text() const { return std::wstring(value.str ? value.str : L"", value.length); }
};

OwnedString FromWide(const std::wstring& text) {
  OwnedString owned;
  cef_string_wide_to_utf16(text.data(), text.size(), &owned.value);
  return owned;
}

TEST(StringFunctionsTest, ConversionAndComparison) {
  OwnedString converted;
  const std::string utf8 = "ab\xE4\xB8\xAD\xF0\x9F\x98\x80";  // "ab", a CJK sign, an emoji.
  ASSERT_EQ(1, cef_string_utf8_to_utf16(utf8.data(), utf8.size(), &converted.value));
  EXPECT_EQ(std::wstring(L"ab\u4E2D\U0001F600"), converted.text());

  struct Case {
    const wchar_t* first;
    const wchar_t* second;
    int expected;
  };
  for (const Case& c : {Case{L"", L"", 0}, Case{L"a", L"b", -1}, Case{L"b", L"a", 1},
                        Case{L"ab", L"a", 1}, Case{L"a", L"ab", -1}, Case{L"\uFF01", L"a", 1}}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.first) + L"|" + c.second));
    OwnedString first = FromWide(c.first), second = FromWide(c.second);
    EXPECT_EQ(c.expected, cef_string_utf16_cmp(&first.value, &second.value));
  }
}

TEST(StringFunctionsTest, ListKeepsOrderAndCopiesAreIndependent) {
  cef_string_list_t list = cef_string_list_alloc();
  for (const wchar_t* text : {L"one", L"", L"three"}) {
    OwnedString value = FromWide(text);
    cef_string_list_append(list, &value.value);
  }
  cef_string_list_t copy = cef_string_list_copy(list);
  cef_string_list_clear(list);
  EXPECT_EQ(0u, cef_string_list_size(list));
  ASSERT_EQ(3u, cef_string_list_size(copy));
  OwnedString third;
  ASSERT_EQ(1, cef_string_list_value(copy, 2, &third.value));
  EXPECT_EQ(L"three", third.text());
  OwnedString missing;
  EXPECT_EQ(0, cef_string_list_value(copy, 3, &missing.value));
  cef_string_list_free(list);
  cef_string_list_free(copy);
}

TEST(StringFunctionsTest, MapKeepsOneValuePerKeyAndMultimapKeepsEvery) {
  cef_string_map_t map = cef_string_map_alloc();
  cef_string_multimap_t multimap = cef_string_multimap_alloc();
  struct Pair {
    const wchar_t* key;
    const wchar_t* value;
    int map_appended;
  };
  for (const Pair& pair : {Pair{L"Accept", L"text/html", 1}, Pair{L"Cookie", L"a=1", 1},
                           Pair{L"Accept", L"image/png", 0}}) {
    OwnedString key = FromWide(pair.key), value = FromWide(pair.value);
    EXPECT_EQ(pair.map_appended, cef_string_map_append(map, &key.value, &value.value));
    EXPECT_EQ(1, cef_string_multimap_append(multimap, &key.value, &value.value));
  }
  ASSERT_EQ(2u, cef_string_map_size(map));
  ASSERT_EQ(3u, cef_string_multimap_size(multimap));

  OwnedString key, value;
  ASSERT_EQ(1, cef_string_map_value(map, 0, &value.value));
  EXPECT_EQ(L"text/html", value.text());  // The first value of a key stays.
  ASSERT_EQ(1, cef_string_multimap_key(multimap, 2, &key.value));
  ASSERT_EQ(1, cef_string_multimap_value(multimap, 2, &value.value));
  EXPECT_EQ(L"Accept", key.text());
  EXPECT_EQ(L"image/png", value.text());
  EXPECT_EQ(0, cef_string_map_key(map, 2, &key.value));
  EXPECT_EQ(0, cef_string_multimap_value(multimap, 3, &value.value));

  // Null handles answer as empty instead of crashing.
  EXPECT_EQ(0u, cef_string_map_size(nullptr));
  EXPECT_EQ(0, cef_string_multimap_append(nullptr, &key.value, &value.value));
  cef_string_map_free(map);
  cef_string_multimap_free(multimap);
}

}  // namespace
