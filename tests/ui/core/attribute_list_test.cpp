#include "ui/core/attribute_list.h"

#include <gtest/gtest.h>

namespace {

using ui::AttributePairs;
using ui::ParseAttributeList;

TEST(AttributeListTest, ParseTable) {
  const struct {
    const wchar_t* text;
    AttributePairs pairs;
  } cases[] = {
      {L"", {}},
      {L"width=\"10\"", {{L"width", L"10"}}},
      {L"width=\"10\" height=\"20\"", {{L"width", L"10"}, {L"height", L"20"}}},
      {L"width='10' bkcolor='blue'", {{L"width", L"10"}, {L"bkcolor", L"blue"}}},
      // The other quote is part of the value.
      {L"text='say \"hi\"' a=\"it's\"", {{L"text", L"say \"hi\""}, {L"a", L"it's"}}},
      // A missing closing quote keeps the pairs before it and none after.
      {L"a=\"1\" b=\"2 c=\"3\"", {{L"a", L"1"}, {L"b", L"2 c="}}},
      {L"a=\"1\" b=\"2", {{L"a", L"1"}}},
      // A doubled blank makes the next name start with a blank.
      {L"a=\"1\"  b=\"2\"", {{L"a", L"1"}, {L" b", L"2"}}},
      // No blank after the quote ends the list.
      {L"a=\"1\"b=\"2\"", {{L"a", L"1"}}},
      // A trailing blank with nothing after it ends the list cleanly.
      {L"a=\"1\" ", {{L"a", L"1"}}},
      // A value not opened by a quote ends the list.
      {L"a=\"1\" b=2 c=\"3\"", {{L"a", L"1"}}},
      {L"a", {}},
      {L"a=", {}},
      {L"a=\"\"", {{L"a", L""}}},
  };
  for (const auto& item : cases) {
    EXPECT_EQ(ParseAttributeList(item.text), item.pairs)
        << "text: " << testing::PrintToString(std::wstring(item.text));
  }
}

TEST(AttributeListTest, NumbersAndSizes) {
  const struct {
    const wchar_t* text;
    int32_t integer;
    int32_t size;
  } cases[] = {
      {L"12", 12, 12},  {L"-3", -3, -3}, {L"7px", 7, 7}, {L"abc", 0, 0},  {L"stretch", 0, -1},
      {L"auto", 0, -2}, {L"", 0, 0},     {L" 5", 5, 5},  {L"Auto", 0, 0},
  };
  for (const auto& item : cases) {
    EXPECT_EQ(ui::ParseIntegerValue(item.text), item.integer)
        << testing::PrintToString(std::wstring(item.text));
    EXPECT_EQ(ui::ParseSizeValue(item.text), item.size);
  }
}

}  // namespace
